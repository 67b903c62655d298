// A stored check whose result goes into a result file instead of the user's task.db: the file is
// checked in a program folder of its own (a fresh task.db, a copy of the parameters, templates
// and settings of the program folder it runs from), exactly as the manual list checks it, and
// the stored result is written out whole (ResultFile.h). The folder is removed afterwards.
// A check farm's node runs this once per file.
#pragma once

#include "CheckReport.h"
#include "StoredCheck.h"

#include <string>

namespace quarvik {

// Checks input and writes its result to resultPath. report tells what the check found (as
// for a stored check). False with a reason when nothing could be checked or the result file
// could not be written; an input that could not be checked at all leaves no result file.
bool RunResultFileCheck(const std::string& input, const std::string& resultPath, const StoredCheckOptions& options,
                        FileReport& report, std::string& error);

}  // namespace quarvik
