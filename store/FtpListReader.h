// Loading a source's file-list database (OpenFtpList) into its file records.
#pragma once

#include "FtpFileItem.h"
#include "SqliteDb.h"

#include <cstdint>
#include <vector>

namespace quarvik {

// Every row of FtpFileList; tmLastSeen is set to loadTime and llLastSize to the stored size.
// An unopened list gives no rows, so the source starts with an empty map.
std::vector<AcFtpFileItem_t> LoadFtpFileList(CSqliteDb& db, int64_t loadTime);

}  // namespace quarvik
