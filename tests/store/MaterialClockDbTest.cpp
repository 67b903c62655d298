#include "MaterialClockDb.h"
#include "OpenDbTest.h"
#include "TaskQueries.h"

namespace quarvik {
namespace {

class MaterialClockDbTest : public OpenDbTest<&CSqliteDb::OpenTaskDb> {
protected:
    std::string Schema() { return SchemaWithout("MaterialClock", "DeleteMaterialClock"); }
};

TEST_F(MaterialClockDbTest, AnOldTaskDbGetsTheTableWithTheFirstClockAndLosesItWithItsResult)
{
    const std::string before = Schema();
    const int id = NewResult(), dropped = NewResult(), history = NewResult();
    MaterialClock read;
    EXPECT_FALSE(LoadMaterialClock(db_, id, read)) << "no table yet";
    EXPECT_EQ(Count("select count(*) from sqlite_master where name='MaterialClock'"), 0);

    const MaterialClock clock{30000, 1001, "10:00:00;00 'x'"};
    for (int r : {id, dropped, history})
        ASSERT_TRUE(StoreMaterialClock(db_, r, clock));
    ASSERT_TRUE(StoreMaterialClock(db_, id, clock));  // again: replaced, not added
    ASSERT_TRUE(LoadMaterialClock(db_, id, read));
    EXPECT_EQ(read.rateNum, 30000);
    EXPECT_EQ(read.rateDen, 1001);
    EXPECT_EQ(read.startTimeCode, clock.startTimeCode);
    EXPECT_EQ(Schema(), before) << "the other tables and triggers stay as they are";

    ASSERT_TRUE(db_.DeleteResult(dropped));
    ASSERT_TRUE(DeleteResultFromHistory(db_, history));
    EXPECT_EQ(Count("select count(*) from MaterialClock"), 1);
    EXPECT_FALSE(LoadMaterialClock(db_, dropped, read));
}

}  // namespace
}  // namespace quarvik
