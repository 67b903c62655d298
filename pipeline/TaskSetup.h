// Everything a monitoring task needs to run, read from "Templ.db": its target with the source
// thread of the target's kind, and its format template with the format check.
#pragma once

#include "CheckRunner.h"
#include "TemplRecords.h"

#include <memory>
#include <string>

namespace quarvik {

class CVolumeMailbox;

// Fills setup for a task row; false with a reason when its target is missing or its kind has
// no source here yet. A removable-disk task watches the mount table itself, or, given volumes,
// takes the volumes put there.
bool LoadTaskSetup(const MonTask_t& task, CheckRunnerSetup& setup, std::string& error,
                   std::shared_ptr<CVolumeMailbox> volumes = nullptr);

// The format check against the stored template nSyntaxID, fetching remote material with
// fetcher (none: local files only); an empty function when the template does not exist. The
// template and the fetcher travel with the function.
FormatCheckFn MakeFormatCheck(int32_t nSyntaxID, std::shared_ptr<ICheckFetcher> fetcher = nullptr);

// Copies the start of "ftp://" and "udp://" material into the cache for thumbnails and format
// checks; fails for anything else.
std::shared_ptr<ICheckFetcher> MakeRemoteFetcher();

// The source thread of a folder target.
SourceBodyFn FolderSourceBody(const MonObj_t& target);

}  // namespace quarvik
