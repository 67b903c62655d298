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

bool LoadFileMap(const std::string& listName, int64_t loadTime,
                 std::unordered_map<std::string, AcFtpFileItem_t>& files)
{
    CSqliteDb db;
    if (!db.OpenFtpList(listName))
        return false;
    for (const AcFtpFileItem_t& item : LoadFtpFileList(db, loadTime)) {
        const auto [it, added] = files.try_emplace(item.szUrl, item);
        if (!added && item.nState == 1)
            it->second = item;
    }
    return true;
}

void ToFileTime(int64_t seconds, int64_t nanoseconds, uint32_t& low, uint32_t& high)
{
    constexpr int64_t kFileTimeEpochOffset = 11644473600LL;  // seconds from 1601 to 1970
    const int64_t since1601 = seconds + kFileTimeEpochOffset;
    const uint64_t ticks = since1601 < 0 ? 0
                                         : static_cast<uint64_t>(since1601) * 10000000ULL +
                                               static_cast<uint64_t>(nanoseconds) / 100;
    low = static_cast<uint32_t>(ticks);
    high = static_cast<uint32_t>(ticks >> 32);
}

}  // namespace quarvik
