#include "LoudnessDb.h"
#include "OpenDbTest.h"
#include "Settings.h"
#include "TaskQueries.h"

#include <sqlite3.h>

#include <cmath>
#include <fstream>

namespace quarvik {
namespace {

class LoudnessDbTest : public OpenDbTest<&CSqliteDb::OpenTaskDb> {
protected:
    std::string Schema() { return SchemaWithout("Loudness", "DeleteLoudness"); }
};

LoudnessRow Sample()
{
    LoudnessRow row;
    row.info = {-23.4, 5.25, -1.5, -18.0, std::nan(""), {-30.0f, std::nanf(""), -22.5f}};
    row.nVerdict = kLoudnessFailed;
    row.limits = {true, -24.0, 2.0, -2.0};
    return row;
}

TEST_F(LoudnessDbTest, AnOldTaskDbGetsTheTableWithTheFirstLoudness)
{
    const std::string before = Schema();
    const int id = NewResult();
    LoudnessRow read;
    EXPECT_FALSE(LoadLoudness(db_, id, read));
    EXPECT_EQ(Count("select count(*) from sqlite_master where name='Loudness'"), 0);

    ASSERT_TRUE(StoreLoudness(db_, id, Sample()));
    ASSERT_TRUE(LoadLoudness(db_, id, read));
    EXPECT_DOUBLE_EQ(read.info.fIntegrated, -23.4);
    EXPECT_DOUBLE_EQ(read.info.fRange, 5.25);
    EXPECT_DOUBLE_EQ(read.info.fTruePeak, -1.5);
    EXPECT_DOUBLE_EQ(read.info.fMaxMomentary, -18.0);
    EXPECT_FALSE(HasLoudnessValue(read.info.fMaxShortTerm)) << "no value is stored as NULL";
    ASSERT_EQ(read.info.shortTerm.size(), 3u);
    EXPECT_FLOAT_EQ(read.info.shortTerm[0], -30.0f);
    EXPECT_TRUE(std::isnan(read.info.shortTerm[1]));
    EXPECT_EQ(read.nVerdict, kLoudnessFailed);
    EXPECT_TRUE(read.limits.enabled);
    EXPECT_EQ(read.limits.target, -24.0);
    EXPECT_EQ(read.limits.tolerance, 2.0);
    EXPECT_EQ(read.limits.maxTruePeak, -2.0);
    EXPECT_EQ(Count("select count(*) from Loudness where fMaxShortTerm is null"), 1);

    // The other tables and triggers are untouched; storing again replaces the row.
    EXPECT_EQ(Schema(), before);
    ASSERT_TRUE(StoreLoudness(db_, id, Sample()));
    EXPECT_EQ(Count("select count(*) from Loudness"), 1);
    EXPECT_FALSE(LoadLoudness(db_, id + 1, read));
}

TEST_F(LoudnessDbTest, DeletingAResultDeletesItsLoudness)
{
    const int kept = NewResult(), dropped = NewResult(), history = NewResult();
    for (int id : {kept, dropped, history})
        ASSERT_TRUE(StoreLoudness(db_, id, Sample()));
    ASSERT_TRUE(db_.DeleteResult(dropped));
    ASSERT_TRUE(DeleteResultFromHistory(db_, history));
    EXPECT_EQ(Count("select count(*) from Loudness"), 1);
    EXPECT_EQ(Count("select nResultID from Loudness"), kept);
}

using LoudnessSettingsTest = TempHomeTest;

TEST_F(LoudnessSettingsTest, DefaultsWrittenValuesAndBadText)
{
    LoudnessLimits limits = ReadLoudnessLimits();
    EXPECT_FALSE(limits.enabled);
    EXPECT_EQ(limits.target, -23.0);
    EXPECT_EQ(limits.tolerance, 1.0);
    EXPECT_EQ(limits.maxTruePeak, -1.0);

    ASSERT_TRUE(WriteLoudnessLimits({true, -24.0, 2.0, -2.0}));
    limits = ReadLoudnessLimits();
    EXPECT_TRUE(limits.enabled);
    EXPECT_EQ(limits.target, -24.0);
    EXPECT_EQ(limits.tolerance, 2.0);
    EXPECT_EQ(limits.maxTruePeak, -2.0);

    std::ofstream(HomeFile("Quarvik.ini")) << "[Loudness]\nEnable=1\nTarget=-22.5\nTolerance=-1\nMaxTruePeak=loud\n";
    limits = ReadLoudnessLimits();
    EXPECT_EQ(limits.target, -22.5);
    EXPECT_EQ(limits.tolerance, 1.0);
    EXPECT_EQ(limits.maxTruePeak, -1.0);
}

}  // namespace
}  // namespace quarvik
