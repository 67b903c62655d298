#include "OpenDbTest.h"
#include "SqliteDb.h"
#include "TemplReaders.h"
#include "TextField.h"

#include <sqlite3.h>

namespace quarvik {
namespace {

class TemplDbTest : public OpenDbTest<&CSqliteDb::OpenTemplDb> {};

MonTask_t MakeTask(const char* name, int active)
{
    MonTask_t t{};
    t.bActive = active;
    CopyField(t.szName, name);
    CopyField(t.szComment, "夜间节目 'late'");
    t.nTargetID = 2;
    t.bSyntax = 1;
    t.nSyntaxID = 3;
    t.bPicute = 1;
    t.bAlert = 1;
    t.bRecord = 1;
    return t;
}

MonObj_t MakeTarget()
{
    MonObj_t o{};
    CopyField(o.szName, "O'Brien 服务器");
    o.nType = kTargetFtp;
    CopyField(o.szComment, "comment");
    CopyField(o.szIp, "127.0.0.1");
    o.nPort = 2121;
    CopyField(o.szPath, "/in'box");
    CopyField(o.szUser, "user");
    CopyField(o.szPasswd, "pa'ss");
    o.nTimeSpan = 30;
    return o;
}

MonSyntaxItem_t MakeItem(int compare, const char* level, const char* name, const char* v1, const char* v2)
{
    MonSyntaxItem_t item{};
    item.nType = 9;  // must be stored as 0
    item.nCompare = compare;
    CopyField(item.szAvLevel, level);
    CopyField(item.szName, name);
    CopyField(item.szValue1, v1);
    CopyField(item.szValue2, v2);
    return item;
}

TEST_F(TemplDbTest, TasksRoundTripAndFilterByActive)
{
    int first = 0, second = 0;
    ASSERT_TRUE(db_.AddTask(MakeTask("新闻 'A'", 1), first));
    ASSERT_TRUE(db_.AddTask(MakeTask("B", 0), second));
    EXPECT_EQ(second, first + 1);

    std::vector<MonTask_t> all = LoadTasks(db_, false);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_STREQ(all[0].szName, "新闻 'A'");
    EXPECT_STREQ(all[0].szComment, "夜间节目 'late'");
    EXPECT_EQ(all[0].nTargetID, 2);
    EXPECT_EQ(all[0].nSyntaxID, 3);
    EXPECT_EQ(all[0].bRecord, 1);
    EXPECT_EQ(all[0].bLog, 0);
    ASSERT_EQ(LoadTasks(db_, true).size(), 1u);

    MonTask_t changed = MakeTask("B2", 1);
    ASSERT_TRUE(db_.UpdateTask(second, changed));
    EXPECT_EQ(LoadTasks(db_, true).size(), 2u);
    ASSERT_TRUE(db_.DeleteTask(first));
    all = LoadTasks(db_, false);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_STREQ(all[0].szName, "B2");
}

TEST_F(TemplDbTest, TargetColumnsMapToTheRecordFields)
{
    int id = 0;
    ASSERT_TRUE(db_.AddTarget(id, MakeTarget()));
    MonObj_t loaded{};
    ASSERT_TRUE(LoadTarget(db_, id, loaded));
    EXPECT_EQ(loaded.nID, id);
    EXPECT_EQ(loaded.nType, kTargetFtp);
    EXPECT_STREQ(loaded.szName, "O'Brien 服务器");
    EXPECT_STREQ(loaded.szIp, "127.0.0.1");
    EXPECT_EQ(loaded.nPort, 2121);
    EXPECT_STREQ(loaded.szPath, "/in'box");
    EXPECT_STREQ(loaded.szUser, "user");
    EXPECT_STREQ(loaded.szPasswd, "pa'ss");
    EXPECT_EQ(loaded.nTimeSpan, 30);
    EXPECT_FALSE(LoadTarget(db_, id + 1, loaded));

    std::vector<IdName_t> names = LoadTargetNames(db_);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_STREQ(names[0].szName, "O'Brien 服务器");
    EXPECT_EQ(LoadTargets(db_).size(), 1u);
}

TEST_F(TemplDbTest, UpdateTargetCountsChangedRows)
{
    int id = 0;
    ASSERT_TRUE(db_.AddTarget(id, MakeTarget()));
    EXPECT_TRUE(db_.UpdateTarget(id, MakeTarget()));  // same values still change one row
    EXPECT_FALSE(db_.UpdateTarget(id + 7, MakeTarget()));
    ASSERT_TRUE(db_.DeleteTarget(id));
    EXPECT_TRUE(LoadTargets(db_).empty());
}

TEST_F(TemplDbTest, SyntaxItemsAreReplacedAndDeletedWithTheirTemplate)
{
    MonSyntaxItem_t items[] = {
        MakeItem(0, "Video", "Format", "MPEG Video", ""),
        MakeItem(1, "Audio", "SamplingRate", "44100", "48000"),
    };
    MonSyntax_t syntax{};
    CopyField(syntax.szName, "标清 'SD'");
    CopyField(syntax.szComment, "c");
    syntax.nCount = 2;
    syntax.pItems = items;
    int id = 0;
    ASSERT_TRUE(db_.AddSyntax(syntax, id));
    EXPECT_EQ(Count("select count(*) from SyntaxItem where nType=0"), 2);

    std::vector<MonSyntaxItem_t> check = LoadSyntaxItems(db_, id, SyntaxItemColumns::kForCheck);
    std::vector<MonSyntaxItem_t> edit = LoadSyntaxItems(db_, id, SyntaxItemColumns::kForEditor);
    for (const std::vector<MonSyntaxItem_t>* loaded : {&check, &edit}) {
        ASSERT_EQ(loaded->size(), 2u);
        EXPECT_EQ((*loaded)[1].nCompare, 1);
        EXPECT_STREQ((*loaded)[1].szAvLevel, "Audio");
        EXPECT_STREQ((*loaded)[1].szName, "SamplingRate");
        EXPECT_STREQ((*loaded)[1].szValue1, "44100");
        EXPECT_STREQ((*loaded)[1].szValue2, "48000");
        EXPECT_STREQ((*loaded)[0].szValue1, "MPEG Video");
    }

    MonSyntax_t header{};
    ASSERT_TRUE(LoadSyntax(db_, id, header));
    EXPECT_STREQ(header.szName, "标清 'SD'");
    EXPECT_EQ(header.nCount, 0);
    EXPECT_EQ(LoadSyntaxNames(db_).size(), 1u);

    syntax.nCount = 1;
    syntax.pItems = &items[1];
    CopyField(syntax.szName, "renamed");
    ASSERT_TRUE(db_.UpdateSyntax(id, syntax));
    check = LoadSyntaxItems(db_, id, SyntaxItemColumns::kForCheck);
    ASSERT_EQ(check.size(), 1u);
    EXPECT_STREQ(check[0].szName, "SamplingRate");
    EXPECT_EQ(Count("select min(nID) from SyntaxItem"), 3);  // items are inserted anew
    EXPECT_STREQ(LoadSyntaxes(db_)[0].szName, "renamed");

    ASSERT_TRUE(db_.DeleteSyntax(id));
    EXPECT_EQ(Count("select count(*) from SyntaxItem"), 0);
    EXPECT_TRUE(LoadSyntaxes(db_).empty());
}

// Items must never be filed under a stale last-insert id when their template row failed.
TEST_F(TemplDbTest, FailedTemplateInsertWritesNoItems)
{
    int task = 0;
    ASSERT_TRUE(db_.AddTask(MakeTask("t", 1), task));  // leaves a last-insert id behind
    ASSERT_TRUE(db_.Exec("CREATE TRIGGER refuse BEFORE INSERT ON Syntax BEGIN SELECT RAISE(FAIL, 'refused'); END;"));
    MonSyntaxItem_t item = MakeItem(0, "General", "Format", "MXF", "");
    MonSyntax_t syntax{};
    syntax.nCount = 1;
    syntax.pItems = &item;
    int id = -5;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(db_.AddSyntax(syntax, id));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(id, -5);
    EXPECT_EQ(Count("select count(*) from SyntaxItem"), 0);
}

TEST_F(TemplDbTest, TemplateWithoutItemsLoadsEmpty)
{
    MonSyntax_t syntax{};
    CopyField(syntax.szName, "empty");
    int id = 0;
    ASSERT_TRUE(db_.AddSyntax(syntax, id));
    EXPECT_TRUE(LoadSyntaxItems(db_, id, SyntaxItemColumns::kForCheck).empty());
    EXPECT_EQ(Count("select count(*) from Syntax"), 1);
}

TEST_F(TemplDbTest, DeletingTaskOrTargetRemovesNothingElse)
{
    int task = 0, target = 0, syntax = 0;
    MonSyntaxItem_t item = MakeItem(0, "General", "Format", "MXF", "");
    MonSyntax_t s{};
    s.nCount = 1;
    s.pItems = &item;
    ASSERT_TRUE(db_.AddTask(MakeTask("t", 1), task));
    ASSERT_TRUE(db_.AddTarget(target, MakeTarget()));
    ASSERT_TRUE(db_.AddSyntax(s, syntax));
    ASSERT_TRUE(db_.DeleteTask(task));
    ASSERT_TRUE(db_.DeleteTarget(target));
    EXPECT_EQ(Count("select count(*) from Syntax"), 1);
    EXPECT_EQ(Count("select count(*) from SyntaxItem"), 1);
}

}  // namespace
}  // namespace quarvik
