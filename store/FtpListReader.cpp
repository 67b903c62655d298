#include "FtpListReader.h"

#include "LoadRows.h"

namespace quarvik {

std::vector<AcFtpFileItem_t> LoadFtpFileList(CSqliteDb& db, int64_t loadTime)
{
    return LoadRows<AcFtpFileItem_t>(db, "select * from FtpFileList", [loadTime](CSqliteDb& d, AcFtpFileItem_t& item) {
        // The halves were written unsigned; the 32-bit reader keeps their bit pattern.
        int32_t low = 0;
        int32_t high = 0;
        d.GetInt(0, item.nID);
        d.GetString(1, item.szUrl);
        d.GetInt64(2, item.llFileSize);
        d.GetInt(3, low);
        d.GetInt(4, high);
        d.GetInt(5, item.nState);
        item.nLastWriteTimeL = static_cast<uint32_t>(low);
        item.nLastWriteTimeH = static_cast<uint32_t>(high);
        item.tmLastSeen = loadTime;
        item.llLastSize = item.llFileSize;
    });
}

}  // namespace quarvik
