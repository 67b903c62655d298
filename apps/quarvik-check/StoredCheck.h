// Checking files the way the manual check list does: each becomes a sub-task of "task.db",
// is checked by the list's workers, and its result, properties, deviations and faults are
// stored. The reports are read back from what was stored.
#pragma once

#include "CheckReport.h"

#include <functional>
#include <string>
#include <vector>

namespace quarvik {

struct StoredCheckOptions {
    std::string paramsPath;    // empty: "ave.dat" of the program folder
    std::string templateName;  // non-empty: format check against this stored template
    std::function<bool()> interrupted;
};

// False with a reason when nothing could be checked (no cache folder, unknown template).
bool RunStoredChecks(const std::vector<std::string>& paths, const StoredCheckOptions& options,
                     std::vector<FileReport>& reports, std::string& error);

// The stored template of this name; -1 when there is none.
int FindTemplateId(const std::string& name);

}  // namespace quarvik
