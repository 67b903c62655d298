// Checking files the way the manual check list does: each becomes a sub-task of "task.db",
// is checked by the list's workers, and its result, properties, deviations and faults are
// stored. The reports tell what the checks found; the recorder read each stored result back
// and found it equal, or the report names what could not be stored (storeError).
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

// Writes the report of each checked and stored file into parentFolder/<name>/ and notes the
// folder in its FileReport. A report that cannot be written leaves its stored result as it is
// and adds a message to errors; false when there is any. Needs a GuiApp.
bool WriteStoredReports(std::vector<FileReport>& reports, const std::string& parentFolder,
                        std::vector<std::string>& errors);

// The stored template of this name; -1 when there is none.
int FindTemplateId(const std::string& name);

}  // namespace quarvik
