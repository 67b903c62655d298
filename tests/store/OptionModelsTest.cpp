// The options pages' models without a window: what they refuse and with which text, the
// records they build and store, the content rows and the format-template items.
#include "ContentPageModel.h"
#include "ResultPageModel.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "SyntaxPageModel.h"
#include "TargetPageModel.h"
#include "TaskPageModel.h"
#include "TemplReaders.h"
#include "TempHome.h"

#include <filesystem>

namespace quarvik {
namespace {

using OptionModelsTest = TempHomeTest;

std::vector<MonTask_t> StoredTasks()
{
    CSqliteDb db;
    EXPECT_TRUE(db.OpenTemplDb());
    return LoadTasks(db, false);
}

std::vector<MonObj_t> StoredTargets()
{
    CSqliteDb db;
    EXPECT_TRUE(db.OpenTemplDb());
    return LoadTargets(db);
}

std::vector<MonSyntaxItem_t> StoredItems(int nSyntaxID)
{
    CSqliteDb db;
    EXPECT_TRUE(db.OpenTemplDb());
    return LoadSyntaxItems(db, nSyntaxID, SyntaxItemColumns::kForEditor);
}

TaskFields GoodTask()
{
    TaskFields f;
    f.name = "夜间 'news'";
    f.comment = "说明";
    f.targetId = 4;
    f.syntax = true;
    f.syntaxId = 7;
    return f;
}

TEST_F(OptionModelsTest, TaskChecksInOrderAndWritesNothingWhenRefused)
{
    struct Case {
        const char* what;
        std::string name;
        bool syntax, picture;
        std::string message;
        int field;
    };
    const std::string longName(sizeof(MonTask_t::szName), 'n');
    const Case cases[] = {
        {"no name before no content", "", false, false, kNoTaskNameText, CTaskPageModel::kNameField},
        {"no content", "a", false, false, kNoTaskContentText, CTaskPageModel::kContentField},
        {"name too long for its field", longName, true, false, TooLongText("名称", sizeof(MonTask_t::szName)),
         CTaskPageModel::kNameField},
    };
    CTaskPageModel model;
    ASSERT_TRUE(model.Load());
    for (const Case& c : cases) {
        TaskFields f = GoodTask();
        f.name = c.name;
        f.syntax = c.syntax;
        f.picture = c.picture;
        PageCheck check;
        EXPECT_FALSE(model.Add(f, check)) << c.what;
        EXPECT_EQ(check.message, c.message) << c.what;
        EXPECT_EQ(check.field, c.field) << c.what;
    }
    EXPECT_TRUE(model.Tasks().empty());
    EXPECT_TRUE(StoredTasks().empty());
    EXPECT_EQ(TooLongText("名称", 64), "“名称”太长,最多可输入 63 个字节!");
}

TEST_F(OptionModelsTest, TaskAddToggleUpdateDelete)
{
    CTaskPageModel model;
    ASSERT_TRUE(model.Load());
    PageCheck check;
    TaskFields f = GoodTask();
    f.name = std::string(sizeof(MonTask_t::szName) - 1, 'x');  // exactly fits
    ASSERT_TRUE(model.Add(f, check));
    f = GoodTask();
    f.picture = true;
    f.syntax = false;
    ASSERT_TRUE(model.Add(f, check));
    std::vector<MonTask_t> stored = StoredTasks();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(std::string(stored[0].szName), std::string(sizeof(MonTask_t::szName) - 1, 'x'));
    EXPECT_EQ(stored[1].bActive, 1);
    EXPECT_EQ(std::string(stored[1].szName), "夜间 'news'");
    EXPECT_EQ(stored[1].nTargetID, 4);
    EXPECT_EQ(stored[1].bSyntax, 0);
    EXPECT_EQ(stored[1].nSyntaxID, 7);
    EXPECT_EQ(stored[1].bPicute, 1);
    EXPECT_EQ(model.Tasks()[1].nID, stored[1].nID);

    // A toggle stays in the list until the task's next update writes it.
    model.ToggleActive(1);
    EXPECT_EQ(StoredTasks()[1].bActive, 1);
    f.comment = "改过";
    ASSERT_TRUE(model.Update(1, model.FieldsOf(model.Tasks()[1]), check));
    ASSERT_TRUE(model.Update(1, f, check));
    EXPECT_EQ(StoredTasks()[1].bActive, 0);
    EXPECT_EQ(std::string(StoredTasks()[1].szComment), "改过");

    ASSERT_TRUE(model.Delete(0));
    ASSERT_EQ(model.Tasks().size(), 1u);
    EXPECT_EQ(StoredTasks().size(), 1u);
    EXPECT_FALSE(model.Delete(5));
}

TargetFields FolderTarget(std::string path)
{
    TargetFields f;
    f.name = "入库";
    f.type = kTargetFolder;
    f.path = std::move(path);
    f.timeSpan = "30";
    return f;
}

TEST_F(OptionModelsTest, TargetRecordsPerKind)
{
    TargetFields all;
    all.name = "n";
    all.comment = "c";
    all.ip = "10.1.2.3";
    all.port = "21";
    all.path = "/in";
    all.user = "u";
    all.password = "p";
    all.timeSpan = "60";
    struct Case {
        int type;
        const char* ip;
        int port;
        const char* path;
        const char* user;
        int timeSpan;
    };
    const Case cases[] = {
        {kTargetFtp, "10.1.2.3", 21, "/in", "u", 60},
        {kTargetUdp, "10.1.2.3", 21, "", "", 0},
        {kTargetFolder, "", 0, "/in", "", 60},
        {kTargetRemovable, "", 0, "", "", 0},
    };
    for (const Case& c : cases) {
        TargetFields f = all;
        f.type = c.type;
        MonObj_t o{};
        ASSERT_TRUE(CTargetPageModel::Build(f, o).Ok()) << c.type;
        EXPECT_EQ(o.nType, c.type);
        EXPECT_STREQ(o.szName, "n");
        EXPECT_STREQ(o.szComment, "c");
        EXPECT_STREQ(o.szIp, c.ip) << c.type;
        EXPECT_EQ(o.nPort, c.port) << c.type;
        EXPECT_STREQ(o.szPath, c.path) << c.type;
        EXPECT_STREQ(o.szUser, c.user) << c.type;
        EXPECT_STREQ(o.szPasswd, c.type == kTargetFtp ? "p" : "") << c.type;
        EXPECT_EQ(o.nTimeSpan, c.timeSpan) << c.type;
    }
    // An empty name is accepted; a removable disk needs nothing else.
    TargetFields disk;
    disk.type = kTargetRemovable;
    disk.port = "abc";
    CTargetPageModel model;
    ASSERT_TRUE(model.Load());
    PageCheck check;
    ASSERT_TRUE(model.Add(disk, check));
    const MonObj_t stored = StoredTargets().at(0);
    EXPECT_EQ(stored.nType, kTargetRemovable);
    EXPECT_STREQ(stored.szIp, "");
    EXPECT_STREQ(stored.szPath, "");
    EXPECT_EQ(stored.nPort, 0);
    EXPECT_EQ(stored.nTimeSpan, 0);
}

TEST_F(OptionModelsTest, TargetRangesAndWidthsAreRefusedNeverCut)
{
    struct Case {
        const char* what;
        int type;
        const char* port;
        const char* timeSpan;
        std::string path;
        std::string message;
        int field;
    };
    const std::string range1 = IntRangeText(kPortLow, kPortHigh);
    const std::string range2 = IntRangeText(kTimeSpanLow, kTimeSpanHigh);
    const std::string tooLong(sizeof(MonObj_t::szPath), 'p');
    const std::string fits(sizeof(MonObj_t::szPath) - 1, 'p');
    const Case cases[] = {
        {"port 0", kTargetUdp, "0", "", "", range1, CTargetPageModel::kPortField},
        {"port 1", kTargetUdp, "1", "", "", "", 0},
        {"port 65535", kTargetFtp, "65535", "5", "", "", 0},
        {"port 65536", kTargetFtp, "65536", "5", "", range1, CTargetPageModel::kPortField},
        {"port text", kTargetUdp, "x1", "", "", range1, CTargetPageModel::kPortField},
        {"interval 4", kTargetFolder, "", "4", "", range2, CTargetPageModel::kTimeSpanField},
        {"interval 3600", kTargetFolder, "", "3600", "", "", 0},
        {"interval 3601", kTargetFtp, "21", "3601", "", range2, CTargetPageModel::kTimeSpanField},
        {"folder too long", kTargetFolder, "", "30", tooLong, TooLongText("文件夹", sizeof(MonObj_t::szPath)),
         CTargetPageModel::kPathField},
        {"folder that fits", kTargetFolder, "", "30", fits, "", 0},
        {"remote path too long", kTargetFtp, "21", "30", tooLong, TooLongText("路径", sizeof(MonObj_t::szPath)),
         CTargetPageModel::kPathField},
    };
    for (const Case& c : cases) {
        TargetFields f = FolderTarget(c.path);
        f.type = c.type;
        f.port = c.port;
        f.timeSpan = c.timeSpan;
        MonObj_t o{};
        const PageCheck check = CTargetPageModel::Build(f, o);
        EXPECT_EQ(check.message, c.message) << c.what;
        EXPECT_EQ(check.field, c.field) << c.what;
        if (check.Ok()) {
            EXPECT_EQ(std::string(o.szPath), c.path) << c.what;
        }
    }
    EXPECT_EQ(IntRangeText(1, 65535), "请输入一个介于 1 和 65535 之间的整数。");
}

TEST_F(OptionModelsTest, TargetAddressMustBeWhole)
{
    const std::pair<const char*, bool> cases[] = {
        {"239.1.1.1", true}, {"", true},        {"10.1", false},         {"10.1.2.", false},
        {"256.1.1.1", false}, {"1.2.3.4.5", false}, {"1.2.3.4 ", false}, {"a.b.c.d", false},
    };
    for (const auto& [ip, accepted] : cases) {
        TargetFields f;
        f.type = kTargetUdp;
        f.ip = ip;
        f.port = "1234";
        MonObj_t o{};
        const PageCheck check = CTargetPageModel::Build(f, o);
        EXPECT_EQ(check.Ok(), accepted) << ip;
        if (!accepted) {
            EXPECT_EQ(check.message, kBadIpText) << ip;
            EXPECT_EQ(check.field, CTargetPageModel::kIpField);
        }
    }
}

TEST_F(OptionModelsTest, TargetUpdateAndDelete)
{
    CTargetPageModel model;
    ASSERT_TRUE(model.Load());
    PageCheck check;
    ASSERT_TRUE(model.Add(FolderTarget("/a"), check));
    ASSERT_TRUE(model.Add(FolderTarget("/b"), check));
    // A refused update leaves list and database as they were.
    EXPECT_FALSE(model.Update(0, FolderTarget(std::string(sizeof(MonObj_t::szPath), 'z')), check));
    EXPECT_FALSE(check.Ok());
    EXPECT_STREQ(model.Targets()[0].szPath, "/a");
    // The same values again still count as a changed row.
    ASSERT_TRUE(model.Update(0, FolderTarget("/a"), check));
    ASSERT_TRUE(model.Update(0, FolderTarget("/c"), check));
    EXPECT_STREQ(StoredTargets()[0].szPath, "/c");
    EXPECT_STREQ(model.Targets()[0].szPath, "/c");
    EXPECT_EQ(model.Targets()[0].nID, StoredTargets()[0].nID);
    // A row deleted behind the page's back: no changed row, nothing replaced.
    {
        CSqliteDb db;
        ASSERT_TRUE(db.OpenTemplDb());
        ASSERT_TRUE(db.DeleteTarget(model.Targets()[1].nID));
    }
    EXPECT_FALSE(model.Update(1, FolderTarget("/d"), check));
    EXPECT_TRUE(check.Ok());
    EXPECT_STREQ(model.Targets()[1].szPath, "/b");
    ASSERT_TRUE(model.Delete(0));
    EXPECT_EQ(model.Targets().size(), 1u);
}

TEST_F(OptionModelsTest, ContentRowsAndEdits)
{
    CContentPageModel model(HomeFile("ave.dat"));
    struct Row {
        const char* name;
        const char* duration;
        const char* t1;
        const char* t2;
    };
    const Row rows[] = {
        {"静帧", "75 帧", "5", "99 %"},          {"黑场", "1 帧", "5", "97 %"},
        {"彩条", "1 帧", "10", "80 %"},          {"彩场", "5 帧", "5", "95 %"},
        {"马赛克", "1 帧", "5", "95 %"},         {"静音(左声道)", "30 秒", "-99 dBFS", "-60 dBFS"},
        {"音频过低(左声道)", "60 秒", "-60 dBFS", "-38 dBFS"}, {"音频过高(左声道)", "1 秒", "-9 dBFS", "0 dBFS"},
        {"静音(右声道)", "30 秒", "-99 dBFS", "-60 dBFS"}, {"音频过低(右声道)", "60 秒", "-60 dBFS", "-38 dBFS"},
        {"音频过高(右声道)", "1 秒", "-9 dBFS", "0 dBFS"}, {"静音(其他声道)", "30 秒", "-99 dBFS", "-60 dBFS"},
        {"音频过低(其他声道)", "60 秒", "-60 dBFS", "-38 dBFS"}, {"音频过高(其他声道)", "1 秒", "-9 dBFS", "0 dBFS"},
        {"闪烁", "1 帧", "20 cd/m²", "25 %"},   {"红色闪烁", "1 帧", "20", "25 %"},
        {"规则图案", "13 帧", "20 cd/m²", "25 %"}, {"亮度越界", "1 帧", "-5 %", "103 %"},
        {"色域越界", "1 帧", "-5 %", "105 %"},    {"闪烁警告", "1 帧", "-", "-"},
    };
    ASSERT_EQ(CContentPageModel::RowCount(), 20);
    // The right channel's rows are listed while it is checked (off by default); the other
    // channels' rows while they are.
    EXPECT_TRUE(model.RowShown(7));
    EXPECT_FALSE(model.RowShown(8));
    EXPECT_TRUE(model.RowShown(11));
    model.SetSwitch(6, true);
    EXPECT_TRUE(model.RowShown(8));
    for (int r = 0; r < 20; ++r) {
        const ContentRowText text = model.RowText(r);
        EXPECT_EQ(text.name, rows[r].name);
        EXPECT_EQ(text.duration, rows[r].duration) << r;
        EXPECT_EQ(text.threshold1, rows[r].t1) << r;
        EXPECT_EQ(text.threshold2, rows[r].t2) << r;
    }
    EXPECT_STREQ(model.Edits(0).labels[2], "相似度(%):");
    EXPECT_STREQ(model.Edits(6).labels[0], "持续时间(秒):");
    EXPECT_STREQ(model.Edits(14).labels[0], "持续时间(帧):");
    EXPECT_STREQ(model.Edits(17).labels[2], "上限(%):");
    EXPECT_EQ(model.Edits(6).values[0], 60);
    EXPECT_STREQ(model.Edits(19).labels[1], "") << "the warning is judged with the flash rows' thresholds";

    // Seconds in, frames kept.
    ASSERT_TRUE(model.UpdateRow(6, {"2", "-50", "-30"}).Ok());
    EXPECT_EQ(model.Param(kFaultTooLowLeft).nDuration, 50);
    EXPECT_EQ(model.RowText(6).duration, "2 秒");
    ASSERT_TRUE(model.UpdateRow(0, {"100", "6", "98"}).Ok());
    EXPECT_EQ(model.Param(kFaultStillFrame).nDuration, 100);

    struct Bad {
        std::array<std::string, 3> typed;
        std::string message;
        int field;
    };
    const Bad bad[] = {
        {{"0", "1", "1"}, IntRangeText(1, 10000), CContentPageModel::kDurationField},
        {{"10001", "1", "1"}, IntRangeText(1, 10000), CContentPageModel::kDurationField},
        {{"5", "x", "1"}, kNotIntegerText, CContentPageModel::kThreshold1Field},
        {{"5", "1", ""}, kNotIntegerText, CContentPageModel::kThreshold2Field},
    };
    for (const Bad& b : bad) {
        const PageCheck check = model.UpdateRow(1, b.typed);
        EXPECT_EQ(check.message, b.message);
        EXPECT_EQ(check.field, b.field);
    }
    EXPECT_EQ(model.Param(kFaultBlack).nDuration, 1);

    model.RestoreDefaults();
    EXPECT_EQ(model.Param(kFaultTooLowLeft).nDuration, 1500);
    EXPECT_EQ(model.Param(kFaultStillFrame).nDuration, 75);
}

TEST_F(OptionModelsTest, AveDatWrittenOnlyBySave)
{
    const std::string path = HomeFile("ave.dat");
    {
        CContentPageModel model(path);
        ASSERT_TRUE(model.UpdateRow(5, {"10", "-90", "-50"}).Ok());
        model.SetSwitch(6, true);   // 右声道
        model.SetSwitch(3, false);  // 静帧
        EXPECT_FALSE(std::filesystem::exists(path));
        // A refused OK writes nothing either.
        EXPECT_FALSE(model.Save(5, {"", "-90", "-50"}).Ok());
        EXPECT_FALSE(std::filesystem::exists(path));
        ASSERT_TRUE(model.Save(5, {"10", "-90", "-50"}).Ok());
    }
    ContentParam_t table[kContentParamCount];
    ASSERT_TRUE(ReadContentParamsFile(path, table));
    EXPECT_EQ(table[kFaultSilenceLeft].nDuration, 250);
    EXPECT_EQ(table[kFaultSilenceLeft].nThreshold1, -90);
    EXPECT_EQ(table[kFaultSilenceRight].nEnable, 1);
    EXPECT_EQ(table[kFaultStillFrame].nEnable, 0);
    EXPECT_EQ(table[kFaultBlack].nEnable, 1);
    CContentPageModel again(path);
    EXPECT_TRUE(again.Switch(6));
    EXPECT_FALSE(again.Switch(3));
    EXPECT_EQ(again.RowText(5).duration, "10 秒");
}

MonSyntaxItem_t Condition(const char* kind, const char* name, int compare, const char* v1, const char* v2 = "")
{
    ConditionFields f{kind, name, compare, v1, v2};
    MonSyntaxItem_t item{};
    EXPECT_TRUE(BuildCondition(f, 0, item).Ok());
    return item;
}

std::string ItemText(const MonSyntaxItem_t& i)
{
    return std::string(i.szAvLevel) + "." + i.szName + (i.nCompare ? " in " : " = ") + i.szValue1 +
           (i.nCompare ? std::string("..") + i.szValue2 : "");
}

TEST_F(OptionModelsTest, SyntaxItemsBuiltInOrder)
{
    SyntaxFields f;
    f.name = "播出";
    f.container = "MXF";
    MonSyntax_t header{};
    std::vector<MonSyntaxItem_t> items;
    ASSERT_TRUE(BuildSyntaxItems(f, header, items).Ok());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(header.nCount, 1);
    EXPECT_EQ(ItemText(items[0]), "General.Format = MXF");

    f.container = "My Own Box";  // not in the list: stored as typed
    f.video = true;
    f.videoFormat = "AVC";
    f.audio = true;
    f.audioFormat = "PCM";
    f.conditions = {Condition("Video", "Width", 0, "1920"), Condition("Audio", "SamplingRate", 1, "44100", "48000")};
    ASSERT_TRUE(BuildSyntaxItems(f, header, items).Ok());
    std::vector<std::string> texts;
    for (const auto& i : items) texts.push_back(ItemText(i));
    EXPECT_EQ(texts, (std::vector<std::string>{"General.Format = My Own Box", "Video.Format = AVC",
                                               "Audio.Format = PCM", "Video.Width = 1920",
                                               "Audio.SamplingRate in 44100..48000"}));

    f.name.clear();
    const PageCheck check = BuildSyntaxItems(f, header, items);
    EXPECT_EQ(check.message, kNoSyntaxNameText);
    EXPECT_EQ(check.field, CSyntaxPageModel::kNameField);
    f.name = "n";
    f.container = std::string(sizeof(MonSyntaxItem_t::szValue1), 'c');
    EXPECT_EQ(BuildSyntaxItems(f, header, items).message, TooLongText("容器", sizeof(MonSyntaxItem_t::szValue1)));
}

TEST_F(OptionModelsTest, SyntaxSortedBackAndStored)
{
    CSyntaxPageModel model;
    ASSERT_TRUE(model.Load());
    SyntaxFields f;
    f.name = "模板";
    f.container = "MPEG-TS";
    f.conditions = {Condition("Video", "Format", 0, "MPEG Video"), Condition("Video", "Format", 0, "AVC"),
                    Condition("General", "Duration", 1, "1000", "")};
    PageCheck check;
    ASSERT_TRUE(model.Add(f, check));
    ASSERT_EQ(StoredItems(model.Syntaxes()[0].header.nID).size(), 4u);

    // Loaded again, the two Video/Format items sort back into the video combo: the later wins.
    CSyntaxPageModel loaded;
    ASSERT_TRUE(loaded.Load());
    ASSERT_EQ(loaded.Syntaxes().size(), 1u);
    const SyntaxEntry& entry = loaded.Syntaxes()[0];
    SyntaxFields shown = SortBackSyntax(entry.header, entry.items);
    EXPECT_EQ(shown.name, "模板");
    EXPECT_EQ(shown.container, "MPEG-TS");
    EXPECT_TRUE(shown.video);
    EXPECT_EQ(shown.videoFormat, "AVC");
    EXPECT_FALSE(shown.audio);
    ASSERT_EQ(shown.conditions.size(), 1u);
    EXPECT_EQ(ItemText(shown.conditions[0]), "General.Duration in 1000..");

    ASSERT_TRUE(loaded.Update(0, shown, check));
    std::vector<std::string> texts;
    for (const auto& i : StoredItems(entry.header.nID)) texts.push_back(ItemText(i));
    EXPECT_EQ(texts, (std::vector<std::string>{"General.Format = MPEG-TS", "Video.Format = AVC",
                                               "General.Duration in 1000.."}));

    // Deleting the last condition writes the template at once without it.
    shown.conditions.clear();
    ASSERT_TRUE(loaded.Update(0, shown, check));
    EXPECT_EQ(StoredItems(entry.header.nID).size(), 2u);
    EXPECT_EQ(loaded.Syntaxes()[0].items.size(), 2u);

    ASSERT_TRUE(loaded.Delete(0));
    EXPECT_TRUE(StoredItems(entry.header.nID).empty());
}

TEST_F(OptionModelsTest, ConditionDialogTexts)
{
    EXPECT_EQ(ConditionExpression("Video", "Width", 0, "720", "x"), "Video.Width = 720");
    EXPECT_EQ(ConditionExpression("Audio", "BitRate", 1, "64000", ""),
              "Audio.BitRate >= 64000  AND  Audio.BitRate <= ");
    MonSyntaxItem_t item{};
    item.nID = 9;
    EXPECT_EQ(BuildCondition({"General", "Format", 0, "", "x"}, 3, item).message, kConditionInputErrorText);
    EXPECT_EQ(item.nID, 9);
    ASSERT_TRUE(BuildCondition({"Audio", "BitRate", 1, "1", ""}, 3, item).Ok());
    EXPECT_EQ(item.nID, 3);
    EXPECT_EQ(item.nCompare, 1);
    EXPECT_FALSE(BuildCondition({"Audio", "BitRate", 0, std::string(sizeof(item.szValue1), '9'), ""}, 0, item).Ok());
    EXPECT_EQ(PropertyNames(0).size(), 10u);
    EXPECT_EQ(PropertyNames(1).size(), 14u);
    EXPECT_EQ(PropertyNames(2).size(), 13u);
    EXPECT_STREQ(PropertyNames(2)[8], "Channel(s)");
    EXPECT_EQ(CompareFromListText("等于"), 0);
    EXPECT_EQ(CompareFromListText("区间"), 1);
}

TEST_F(OptionModelsTest, ResultSettingsRoundTrip)
{
    ResultFields f{true, 0, "db1\\SQL", "sa", "p;w{d}"};
    ASSERT_TRUE(CResultPageModel::Write(f).Ok());
    const ResultFields read = CResultPageModel::Read();
    EXPECT_TRUE(read.convert);
    EXPECT_EQ(read.server, "db1\\SQL");
    EXPECT_EQ(read.user, "sa");
    EXPECT_EQ(read.password, "p;w{d}");
    // A password that could not be read back is refused before anything is written.
    ResultFields bad{false, 0, "other", "u", std::string(1, '\xff')};
    EXPECT_EQ(CResultPageModel::Write(bad).message, kDbPassNotStorableText);
    EXPECT_EQ(ReadSetting(kDbServer), "db1\\SQL");
    EXPECT_EQ(ReadSetting(kEnConvert), 1);
}

}  // namespace
}  // namespace quarvik
