#include "FormatCheck.h"
#include "Settings.h"
#include "SqlText.h"
#include "SqliteDb.h"
#include "TextField.h"

#include "../store/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <set>
#include <thread>
#include <vector>

namespace quarvik {
namespace {

namespace fs = std::filesystem;

constexpr int kTaskID = 7;
constexpr int kSubTaskID = 42;

std::string Media(const std::string& name)
{
    const char* folder = std::getenv("QUARVIK_TEST_MEDIA");
    return std::string(folder ? folder : "") + "/" + name;
}

MonSyntaxItem_t Item(const char* level, const char* name, int compare, const char* value1,
                     const char* value2 = "")
{
    MonSyntaxItem_t item{};
    item.nCompare = compare;
    CopyField(item.szAvLevel, level);
    CopyField(item.szName, name);
    CopyField(item.szValue1, value1);
    CopyField(item.szValue2, value2);
    return item;
}

MonSyntax_t Template(std::vector<MonSyntaxItem_t>& items)
{
    MonSyntax_t templ{};
    templ.nID = 1;
    templ.nCount = static_cast<int32_t>(items.size());
    templ.pItems = items.empty() ? nullptr : items.data();
    return templ;
}

SubTaskInfo_t SubTask(const std::string& source, const std::string& localFile = "")
{
    SubTaskInfo_t subTask{};
    subTask.nTaskID = kTaskID;
    subTask.nID = kSubTaskID;
    CopyField(subTask.szFilename, source);
    CopyField(subTask.szLocalFile, localFile);
    return subTask;
}

// What a notice said, in a comparable form.
struct Notice {
    int kind;
    std::string type, name, value1, value2, real;
    bool operator==(const Notice&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Notice& n)
{
    return out << n.kind << " [" << n.type << "|" << n.name << "|" << n.value1 << "|" << n.value2 << "|"
               << n.real << "]";
}

class RecordingSink : public IFormatNoticeSink {
public:
    void OnFormatNotice(const ResultNotify_t& n) override
    {
        EXPECT_EQ(n.nTaskID, kTaskID);
        EXPECT_EQ(n.nSubTaskID, kSubTaskID);
        EXPECT_EQ(n.nFault | n.tmBegin | n.tmEnd | n.nValue | n.nFrame, 0);
        EXPECT_EQ(n.pImage, nullptr);
        notices.push_back({n.nKind, n.szType, n.szName, n.szValue1, n.szValue2, n.szRealValue});
    }
    std::vector<Notice> notices;
};

struct ItemCase {
    const char* label;
    const char* file;
    std::vector<MonSyntaxItem_t> items;
    bool passes;
    std::vector<Notice> notices;
};

TEST(FormatCheckTest, ItemsAgainstRealFiles)
{
    const std::vector<ItemCase> cases = {
        {"equal passes", "faults.mp4", {Item("Video", "Width", 0, "720")}, true, {}},
        {"equal fails with the real value", "faults.mp4", {Item("Video", "Width", 0, "1920")}, false,
         {{1, "Video", "Width", "1920", "", "720"}}},
        {"equal needs equal length", "faults.mp4", {Item("Video", "Width", 0, "72")}, false,
         {{1, "Video", "Width", "72", "", "720"}}},
        {"general level", "faults.ts", {Item("General", "Format", 0, "MPEG-TS")}, true, {}},
        {"range inside", "mono44k.m4a", {Item("Audio", "SamplingRate", 1, "32000", "48000")}, true, {}},
        {"range lower limit included", "mono44k.m4a", {Item("Audio", "SamplingRate", 1, "44100", "48000")},
         true, {}},
        {"range upper limit included", "tone.wav", {Item("Audio", "SamplingRate", 1, "44100", "48000")},
         true, {}},
        {"range below", "mono44k.m4a", {Item("Audio", "SamplingRate", 1, "44101", "48000")}, false,
         {{1, "Audio", "SamplingRate", "44101", "48000", "44100"}}},
        {"range above", "tone.wav", {Item("Audio", "SamplingRate", 1, "32000", "47999")}, false,
         {{1, "Audio", "SamplingRate", "32000", "47999", "48000"}}},
        {"limits with units", "tone.wav", {Item("Audio", "SamplingRate/String", 1, "44 kHz", "48 kHz")},
         true, {}},
        {"frame rate against whole-number limits", "faults.mp4",
         {Item("Video", "FrameRate", 1, "25 fps", "25 fps")}, true, {}},
        {"unknown level fails and says so", "faults.mp4",
         {Item("Video", "Width", 0, "720"), Item("video", "Width", 0, "1920")}, false,
         {{1, "video", "Width", "1920", "", "未知类别"}}},
        {"missing audio stream fails and says so", "video-only.mkv",
         {Item("Video", "Width", 0, "320"), Item("Audio", "SamplingRate", 1, "44100", "48000")}, false,
         {{1, "Audio", "SamplingRate", "44100", "48000", "无此属性"}}},
        {"unreadable file fails every item", "no-such-file.mp4", {Item("General", "Format", 0, "MPEG-4")},
         false, {{1, "General", "Format", "MPEG-4", "", "无此属性"}}},
        {"empty template passes", "faults.mp4", {}, true, {}},
        {"empty template passes on an unreadable file", "no-such-file.mp4", {}, true, {}},
        {"every failing item is reported in order", "faults.mp4",
         {Item("Video", "Height", 0, "1080"), Item("Audio", "Channel(s)", 1, "6", "8")}, false,
         {{1, "Video", "Height", "1080", "", "576"}, {1, "Audio", "Channel(s)", "6", "8", "2"}}},
    };
    for (ItemCase c : cases) {
        SCOPED_TRACE(c.label);
        RecordingSink sink;
        const MonSyntax_t templ = Template(c.items);
        EXPECT_EQ(FormatCheck(SubTask(Media(c.file), Media(c.file)), templ, sink), c.passes);
        EXPECT_EQ(sink.notices, c.notices);
    }
}

TEST(FormatCheckTest, MissingLibraryReportsEveryItem)
{
    CMediaInfoLib lib("libquarvik-no-such-library.so.0");
    std::vector<MonSyntaxItem_t> items = {Item("General", "Format", 0, "MPEG-4"),
                                          Item("Video", "Width", 0, "720"),
                                          Item("Other", "Width", 0, "720"),
                                          Item("Audio", "SamplingRate", 1, "44100", "48000")};
    RecordingSink sink;
    EXPECT_FALSE(FormatCheck(SubTask(Media("faults.mp4"), Media("faults.mp4")), Template(items), sink, lib));
    const std::vector<Notice> expected = {
        {1, "General", "Format", "MPEG-4", "", kMediaInfoMissingText},
        {1, "Video", "Width", "720", "", kMediaInfoMissingText},
        {1, "Other", "Width", "720", "", "未知类别"},
        {1, "Audio", "SamplingRate", "44100", "48000", kMediaInfoMissingText},
    };
    EXPECT_EQ(sink.notices, expected);
    EXPECT_EQ(lib.LoadCount(), 0);
}

TEST(MediaInfoLibTest, RefusesMissingLibraryAndMissingEntryPoints)
{
    CMediaInfoLib missing("libquarvik-no-such-library.so.0");
    EXPECT_EQ(missing.Load(), -1);
    EXPECT_FALSE(missing.IsModuleOpen());
    EXPECT_EQ(missing.LoadCount(), 0);

    // A real library that has none of MediaInfo's entry points.
    CMediaInfoLib incomplete("libm.so.6");
    EXPECT_EQ(incomplete.Load(), -1);
    EXPECT_TRUE(incomplete.IsModuleOpen());
    EXPECT_EQ(incomplete.LoadCount(), 0);
    EXPECT_FALSE(incomplete.EnsureLoaded());
    CMediaInfo info(incomplete);
    info.Open(Media("faults.mp4"));
    EXPECT_EQ(info.Get(kStreamGeneral, 0, "Format"), kMediaInfoMissingText);
}

TEST(MediaInfoLibTest, ConcurrentLoadsCountEveryCaller)
{
    CMediaInfoLib lib(kMediaInfoLibraryName);
    std::vector<int> results(8, 0);
    std::vector<std::thread> threads;
    for (int& result : results)
        threads.emplace_back([&lib, &result] { result = lib.Load(); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(std::count(results.begin(), results.end(), 1), 8);
    EXPECT_EQ(lib.LoadCount(), 8);
}

TEST(MediaInfoLibTest, LegacyNamesAnswer)
{
    CMediaInfo info;
    info.Open(Media("faults.mp4"));
    EXPECT_EQ(info.Get(kStreamVideo, 0, "Width"), "720");
    EXPECT_FALSE(info.Get(kStreamVideo, 0, "Codec/String").empty());
    EXPECT_FALSE(info.Get(kStreamAudio, 0, "Codec/String").empty());
    EXPECT_FALSE(info.Get(kStreamVideo, 0, "PlayTime/String").empty());
    EXPECT_EQ(info.Get(kStreamAudio, 1, "SamplingRate"), "");
}

// Copies the start of a local file, as the FTP client or the UDP recorder would the remote one.
class CopyingFetcher : public ICheckFetcher {
public:
    explicit CopyingFetcher(std::string source, bool succeed = true)
        : m_source(std::move(source)), m_succeed(succeed)
    {
    }
    bool Fetch(const SubTaskInfo_t&, const std::string& localPath, int64_t maxBytes) override
    {
        std::lock_guard lock(m_mutex);
        paths.push_back(localPath);
        limit = maxBytes;
        if (!m_source.empty()) {
            std::ifstream in(m_source, std::ios::binary);
            std::vector<char> bytes(static_cast<size_t>(maxBytes));
            in.read(bytes.data(), maxBytes);
            std::ofstream(localPath, std::ios::binary).write(bytes.data(), in.gcount());
        }
        return m_succeed;
    }
    std::vector<std::string> paths;
    int64_t limit = 0;

private:
    std::mutex m_mutex;
    std::string m_source;
    bool m_succeed;
};

class CheckFileFormatTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        cache_ = HomeFile("cache");
        fs::create_directory(cache_);
        ASSERT_TRUE(WriteSetting(kCachePath, cache_));
    }
    bool CacheEmpty() const { return fs::is_empty(cache_); }

    std::string cache_;
    std::vector<MonSyntaxItem_t> width720_ = {Item("Video", "Width", 0, "720")};
};

TEST_F(CheckFileFormatTest, LocalFileIsCheckedInPlaceAndKept)
{
    // A UTF-8 name reaches MediaInfo intact whatever the process locale.
    const std::string copy = HomeFile("素材 it's.ts");
    fs::copy_file(Media("faults.ts"), copy);
    RecordingSink sink;
    EXPECT_TRUE(CheckFileFormat(SubTask(copy), Template(width720_), sink, nullptr));
    EXPECT_EQ(sink.notices, (std::vector<Notice>{{2, "", "", "", "", ""}}));
    EXPECT_TRUE(fs::exists(copy));

    // A local source is never deleted, even when szLocalFile names another existing file.
    const std::string other = HomeFile("other.ts");
    fs::copy_file(Media("faults.ts"), other);
    std::vector<MonSyntaxItem_t> wide = {Item("Video", "Width", 0, "1920")};
    RecordingSink failing;
    EXPECT_FALSE(CheckFileFormat(SubTask(copy, other), Template(wide), failing, nullptr));
    EXPECT_EQ(failing.notices, (std::vector<Notice>{{1, "Video", "Width", "1920", "", "720"}}));
    EXPECT_TRUE(fs::exists(copy));
    EXPECT_TRUE(fs::exists(other));
}

TEST_F(CheckFileFormatTest, RemoteSourceIsFetchedIntoTheCacheAndDeleted)
{
    CopyingFetcher fetcher(Media("faults.ts"));
    RecordingSink sink;
    EXPECT_TRUE(CheckFileFormat(SubTask("ftp://u:p@127.0.0.1:21/in/a.ts"), Template(width720_), sink, &fetcher));
    ASSERT_EQ(fetcher.paths.size(), 1u);
    EXPECT_EQ(fetcher.limit, 4194304);
    const fs::path fetched(fetcher.paths[0]);
    EXPECT_EQ(fetched.parent_path(), fs::path(cache_));
    EXPECT_TRUE(std::regex_match(fetched.filename().string(), std::regex("[0-9]+\\.tmp")));
    EXPECT_EQ(sink.notices, (std::vector<Notice>{{2, "", "", "", "", ""}}));
    EXPECT_TRUE(CacheEmpty());
}

TEST_F(CheckFileFormatTest, FailedOrImpossibleFetchFailsWithItsReason)
{
    RecordingSink sink;
    EXPECT_FALSE(CheckFileFormat(SubTask("ftp://u:p@127.0.0.1:21/a.ts"), Template(width720_), sink, nullptr));
    CopyingFetcher failing("", false);
    EXPECT_FALSE(CheckFileFormat(SubTask("udp://@239.1.1.1:1234"), Template(width720_), sink, &failing));
    EXPECT_EQ(failing.paths.size(), 1u);
    const Notice unreadable{1, "General", "File", "", "", "无法读取"};
    EXPECT_EQ(sink.notices, (std::vector<Notice>{unreadable, unreadable}));
    EXPECT_TRUE(CacheEmpty());
}

TEST_F(CheckFileFormatTest, ExistingTemporaryCopyIsUsedThenDeleted)
{
    const std::string copy = cache_ + "/123.tmp";
    fs::copy_file(Media("faults.ts"), copy);
    CopyingFetcher fetcher(Media("faults.ts"));
    RecordingSink sink;
    std::vector<MonSyntaxItem_t> wide = {Item("Video", "Width", 0, "1920")};
    EXPECT_FALSE(CheckFileFormat(SubTask("udp://@239.1.1.1:1234", copy), Template(wide), sink, &fetcher));
    EXPECT_TRUE(fetcher.paths.empty());
    EXPECT_EQ(sink.notices.size(), 1u);
    EXPECT_FALSE(fs::exists(copy));
}

TEST_F(CheckFileFormatTest, TemporaryNamesAreUniqueAcrossThreads)
{
    CopyingFetcher fetcher("");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&fetcher] {
            for (int i = 0; i < 25; ++i) {
                std::string local;
                EXPECT_TRUE(FetchForChecking(SubTask("ftp://h/a.ts"), &fetcher, local));
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    const std::set<std::string> distinct(fetcher.paths.begin(), fetcher.paths.end());
    EXPECT_EQ(distinct.size(), 100u);
}

struct StoredRow {
    int type;
    std::string feature, value;
};

class StoreMediaInfoTest : public TempHomeTest {
protected:
    std::vector<StoredRow> Rows(int nResultID)
    {
        std::vector<StoredRow> rows;
        CSqliteDb db;
        EXPECT_TRUE(db.OpenTaskDb());
        EXPECT_TRUE(db.Query(SqlPrintf("select nType,szFeature,szValue from MediaInfo where nResultID=%d "
                                       "order by nID",
                                       nResultID)));
        while (db.Step() == 100) {
            StoredRow row{};
            db.GetInt(0, row.type);
            db.GetString(1, row.feature);
            db.GetString(2, row.value);
            rows.push_back(row);
        }
        return rows;
    }
    static std::vector<std::string> Features(const std::vector<StoredRow>& rows)
    {
        std::vector<std::string> features;
        for (const StoredRow& row : rows)
            features.push_back(std::to_string(row.type) + ":" + row.feature);
        return features;
    }
    static std::string Value(const std::vector<StoredRow>& rows, int type, const std::string& feature)
    {
        for (const StoredRow& row : rows) {
            if (row.type == type && row.feature == feature)
                return row.value;
        }
        return "<absent>";
    }
};

TEST_F(StoreMediaInfoTest, RealFileGetsHeadingsAndValuesInOrder)
{
    EXPECT_TRUE(StoreMediaInfo(Media("faults.mp4"), 5));
    const std::vector<StoredRow> rows = Rows(5);
    const std::vector<std::string> expected = {
        "0:General", "0:  FileSize", "0:  Format", "1:Video #1", "1:  BitRate", "1:  Codec", "1:  Codec",
        "1:  Width", "1:  Height", "1:  PlayTime", "1:  FrameRate", "1:  AspectRatio",
        "1:  ChromaSubsampling", "1:  ColorSpace", "2:Audio #1", "2:  Codec", "2:  BitRate",
        "2:  Channel(s)", "2:  SamplingRate"};
    EXPECT_EQ(Features(rows), expected);
    EXPECT_EQ(Value(rows, 0, "General"), "");
    EXPECT_EQ(Value(rows, 0, "  Format"), "MPEG-4");
    EXPECT_EQ(Value(rows, 1, "Video #1"), "");
    EXPECT_EQ(Value(rows, 1, "  Width"), "720");
    EXPECT_EQ(Value(rows, 1, "  Height"), "576");
    EXPECT_EQ(Value(rows, 2, "  SamplingRate"), "48000");
    EXPECT_EQ(Value(rows, 2, "  Channel(s)"), "2");
}

TEST_F(StoreMediaInfoTest, FileWithoutSoundHasNoAudioHeading)
{
    EXPECT_TRUE(StoreMediaInfo(Media("video-only.mkv"), 6));
    const std::vector<StoredRow> rows = Rows(6);
    EXPECT_EQ(Value(rows, 1, "  Width"), "320");
    EXPECT_TRUE(std::none_of(rows.begin(), rows.end(), [](const StoredRow& r) { return r.type == 2; }));
}

TEST_F(StoreMediaInfoTest, UnreadableFileLeavesNoRows)
{
    EXPECT_FALSE(StoreMediaInfo(HomeFile("no-such-file.mp4"), 7));
    EXPECT_TRUE(Rows(7).empty());
}

TEST_F(StoreMediaInfoTest, MissingLibraryStoresTheFallbackText)
{
    CMediaInfoLib lib("libquarvik-no-such-library.so.0");
    EXPECT_TRUE(StoreMediaInfo(Media("faults.mp4"), 8, lib));
    const std::vector<StoredRow> rows = Rows(8);
    EXPECT_EQ(Features(rows), (std::vector<std::string>{"0:General", "0:  FileSize", "0:  Format"}));
    EXPECT_EQ(Value(rows, 0, "  FileSize"), kMediaInfoMissingText);
    EXPECT_EQ(Value(rows, 0, "  Format"), kMediaInfoMissingText);
}

}  // namespace
}  // namespace quarvik
