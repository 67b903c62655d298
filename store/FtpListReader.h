// Loading a source's file-list database (OpenFtpList) into its file records.
#pragma once

#include "FtpFileItem.h"
#include "SqliteDb.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace quarvik {

// Every row of FtpFileList; tmLastSeen is set to loadTime and llLastSize to the stored size.
// An unopened list gives no rows, so the source starts with an empty map.
std::vector<AcFtpFileItem_t> LoadFtpFileList(CSqliteDb& db, int64_t loadTime);

// A source's map of files by szUrl, filled from its list "listName"; false when the list
// cannot be opened. Two tasks on one target share a list and may both have recorded a file;
// once either row says handed on, the map says so.
bool LoadFileMap(const std::string& listName, int64_t loadTime,
                 std::unordered_map<std::string, AcFtpFileItem_t>& files);

// A last-write time (seconds and nanoseconds since 1970) as the halves of a Windows FILETIME
// (100 ns ticks since 1601), as the lists store it; times before 1601 become 0.
void ToFileTime(int64_t seconds, int64_t nanoseconds, uint32_t& low, uint32_t& high);

}  // namespace quarvik
