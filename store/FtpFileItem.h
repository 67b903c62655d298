// A file seen by a polling source (FTP server or local folder); a row of its file-list database.
#pragma once

#include "TextField.h"

#include <cstdint>

namespace quarvik {

struct AcFtpFileItem_t {
    int32_t nID;  // FtpFileList.nID
    char szUrl[kPathFieldBytes];  // full path or remote address; the key of the source's map
    int64_t llFileSize;
    uint32_t nLastWriteTimeL;  // last-write time as the halves of a Windows FILETIME
    uint32_t nLastWriteTimeH;
    int32_t nState;  // 0: seen, not yet handed on; 1: handed on to checking
    int32_t nReserved;
    int64_t tmLastSeen;  // seconds since 1970 when made or last found incomplete; 0 after hand-over
    int64_t llLastSize;  // size at tmLastSeen
};

}  // namespace quarvik
