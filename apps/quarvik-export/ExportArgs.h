// The command line of quarvik-export.
#pragma once

#include <string>

namespace quarvik {

struct ExportArgs {
    enum Mode { kDays, kName, kResult } mode = kDays;
    int from = 0;  // kDays: first second of the first day, local time
    int to = 0;    // kDays: last second of the last day
    std::string namePart;
    int resultId = 0;
    std::string folder;
};

// False with the reason in error when the arguments are wrong. Days default to today.
bool ParseExportArgs(int argc, char** argv, ExportArgs& args, std::string& error);

}  // namespace quarvik
