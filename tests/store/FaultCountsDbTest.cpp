#include "FaultCountsDb.h"
#include "FaultKinds.h"
#include "OpenDbTest.h"
#include "TaskQueries.h"

#include <sqlite3.h>

namespace quarvik {
namespace {

class FaultCountsDbTest : public OpenDbTest<&CSqliteDb::OpenTaskDb> {
protected:
    std::string Schema() { return SchemaWithout("FaultCounts", "DeleteFaultCounts"); }

    int NewResult(int tmBegin)
    {
        ResultInfo_t r{};
        r.nTaskID = -1;
        r.nSubTaskID = tmBegin;
        r.tmBegin = tmBegin;
        int id = 0;
        EXPECT_TRUE(db_.AddResult(id, r));
        return id;
    }

    bool Add(int result, int32_t kind, int count)
    {
        FaultInfo_t f{};
        f.nResultID = result;
        f.nFault = kind;
        f.tmBegin = 10;
        f.tmEnd = 20;
        return db_.AddFault(f, count);
    }

    ResultInfo_t Loaded(int tmBegin)
    {
        std::vector<ResultRow> rows = LoadResultsBetween(db_, tmBegin, tmBegin, false, FacePictures::kWithout);
        EXPECT_EQ(rows.size(), 1u);
        return rows.empty() ? ResultInfo_t{} : rows.front().info;
    }
};

TEST_F(FaultCountsDbTest, AnOldTaskDbGetsTheTableWithTheFirstCountOfItsOwnKinds)
{
    const std::string before = Schema();
    const int a = NewResult(1000), b = NewResult(2000);
    EXPECT_EQ(ResultCount(Loaded(1000), kFaultFlash), 0) << "no table yet: every such counter reads 0";
    ASSERT_TRUE(Add(a, kFaultBlack, 1));
    EXPECT_EQ(Count("select count(*) from sqlite_master where name='FaultCounts'"), 0) << "a text kind needs none";

    ASSERT_TRUE(Add(a, kFaultFlash, 1));
    ASSERT_TRUE(Add(a, kFaultFlash, 2));
    ASSERT_TRUE(Add(a, kFaultGamutLevel, 1));
    ASSERT_TRUE(Add(b, kFaultPattern, 5));
    EXPECT_EQ(Count("select count(*) from FaultCounts"), 3) << "one row per result and kind";
    EXPECT_EQ(Count("select count(*) from Faults"), 5);

    const ResultInfo_t ra = Loaded(1000), rb = Loaded(2000);
    EXPECT_EQ(ResultCount(ra, kFaultFlash), 2);
    EXPECT_EQ(ResultCount(ra, kFaultGamutLevel), 1);
    EXPECT_EQ(ResultCount(ra, kFaultBlack), 1);
    EXPECT_EQ(ResultCount(ra, kFaultPattern), 0);
    EXPECT_EQ(ResultCount(rb, kFaultPattern), 5);
    // The text's tables and triggers are untouched.
    EXPECT_EQ(Schema(), before);
}

TEST_F(FaultCountsDbTest, DeletingAResultDeletesItsCounts)
{
    const int kept = NewResult(1000), dropped = NewResult(2000), history = NewResult(3000);
    for (int id : {kept, dropped, history})
        ASSERT_TRUE(Add(id, kFaultLumaLevel, 1));
    ASSERT_TRUE(db_.DeleteResult(dropped));
    ASSERT_TRUE(DeleteResultFromHistory(db_, history));
    EXPECT_EQ(Count("select count(*) from FaultCounts"), 1);
    EXPECT_EQ(Count("select nResultID from FaultCounts"), kept);
}

}  // namespace
}  // namespace quarvik
