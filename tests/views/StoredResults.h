// A task.db with two stored results, for the readers and the export command.
#pragma once

#include "SqliteDb.h"
#include "TextField.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace quarvik::test {

struct StoredIds {
    int faulty = 0;   // "新闻<1>.mxf": two faults (one with a snapshot), media rows, valid format
    int invalid = 0;  // "bad/name.ts": one deviation
};

constexpr int kStoredBegin = 1700000000;

// Makes QUARVIK_HOME point at home and fills its task.db.
inline StoredIds StoreResults(const std::string& home)
{
    setenv("QUARVIK_HOME", home.c_str(), 1);
    StoredIds ids;
    CSqliteDb db;
    EXPECT_TRUE(db.OpenTaskDb());

    ResultInfo_t faulty{};
    CopyField(faulty.szName, "新闻<1>.mxf");
    CopyField(faulty.szFilename, "/media/新闻<1>.mxf");
    CopyField(faulty.szNewFilename, "/media/新闻<1>.mxf");
    faulty.tmBegin = kStoredBegin;
    faulty.tmEnd = kStoredBegin + 12;
    faulty.nFmtError = kFormatValid;
    faulty.nBBCount = 1;
    faulty.nNA1Count = 1;
    EXPECT_TRUE(db.AddResult(ids.faulty, faulty));
    for (const auto& [type, feature, value] : std::vector<std::tuple<int, const char*, const char*>>{
             {0, "General", ""}, {0, " Format", "MXF"}, {1, "Video #1", ""}, {1, " Width", "720"}})
        EXPECT_TRUE(db.AddMediaInfo(ids.faulty, type, feature, value));
    std::vector<uint8_t> snapshot(160 * 120 * 3, 90);
    EXPECT_TRUE(db.AddFault({ids.faulty, 2, 0, 100, 149, 24, 160, 120, snapshot.data()}, 1));
    EXPECT_TRUE(db.AddFault({ids.faulty, 16, -60, 250, 1000, 0, 0, 0, nullptr}, 1));

    ResultInfo_t invalid{};
    CopyField(invalid.szName, "bad/name.ts");
    CopyField(invalid.szFilename, "ftp://u:p@srv/bad.ts");
    invalid.tmBegin = kStoredBegin;  // the same second as the other
    invalid.tmEnd = kStoredBegin + 1;
    invalid.nFmtError = kFormatInvalid;
    EXPECT_TRUE(db.AddResult(ids.invalid, invalid));
    EXPECT_TRUE(db.AddSyntaxErr(ids.invalid, "Video", "Width", "1920", "", "720"));
    return ids;
}

}  // namespace quarvik::test
