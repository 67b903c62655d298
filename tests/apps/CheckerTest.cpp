// quarvik-check as a user runs it: arguments, output and exit status.
#include "CheckReport.h"
#include "ContentParams.h"
#include "SqliteDb.h"
#include "TaskQueries.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace quarvik {
namespace {

struct CheckerRun {
    int status;
    std::string out;
};

std::string Media(const std::string& name)
{
    const char* folder = std::getenv("QUARVIK_TEST_MEDIA");
    return std::string(folder ? folder : "test-media") + "/" + name;
}

// Runs a shell command; its standard output and exit status.
CheckerRun RunCommand(const std::string& command)
{
    CheckerRun run{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Runs the checker with its program folder in a fresh temporary folder (default parameters).
CheckerRun Checker(const std::string& arguments)
{
    return RunCommand("QUARVIK_HOME=$(mktemp -d) " QUARVIK_CHECK_BINARY " " + arguments + " 2>/dev/null");
}

// text as one shell word.
std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// The reports are written in GBK: these are the GBK bytes of the texts looked for.
constexpr const char* kGbkContentHeading = "\xcd\xbc\xcf\xf1\xbc\xec\xb2\xe2\xbd\xe1\xb9\xfb";  // 图像检测结果
constexpr const char* kGbkBlack = "\xba\xda\xb3\xa1";                                              // 黑场

// An FTP user and password made of every character that delimits an address, and how an
// address carries them (percent-encoded user information).
constexpr const char* kOddUser = "Uu1/Yy2@Jj3:Hh4%";
constexpr const char* kOddPassword = "Zq9/Wx7@Kp3:Mv5%41";
constexpr const char* kOddUserInfo = "Uu1%2FYy2%40Jj3%3AHh4%25:Zq9%2FWx7%40Kp3%3AMv5%2541";

// No piece of that user or password, however an output cuts it, shows in text.
void ExpectNoCredentials(const std::string& text, const char* where)
{
    for (const char* piece : {"Uu1", "Yy2", "Jj3", "Hh4", "Zq9", "Wx7", "Kp3", "Mv5"})
        EXPECT_EQ(text.find(piece), std::string::npos) << where << " shows " << piece << ":\n" << text;
}

// Stored checks with reports, in a program folder of their own with a cache folder set.
class StoredReports : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quarvik-reports-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::filesystem::create_directories(dir_ / "home");
        std::filesystem::create_directories(dir_ / "cache");
        ASSERT_EQ(Run("--set-cache " + Quoted(dir_ / "cache")).status, 0) << errors_;
    }
    void TearDown() override
    {
        StopPeers();
        std::filesystem::remove_all(dir_);
    }

    // The checker with QUARVIK_HOME in the test's folder; its standard error in errors_.
    CheckerRun Run(const std::string& arguments) { return RunProgram(QUARVIK_CHECK_BINARY, arguments); }
    CheckerRun RunProgram(const char* program, const std::string& arguments)
    {
        const std::filesystem::path errFile = dir_ / "stderr.txt";
        const CheckerRun run = RunCommand("QUARVIK_HOME=" + Quoted(dir_ / "home") + " " + program + " " +
                                          arguments + " 2>" + Quoted(errFile));
        errors_ = ReadBytes(errFile);
        return run;
    }

    // A pyftpdlib server on 127.0.0.1 in the background, serving root to one user (read only);
    // its port. The server ends with the test.
    int StartFtpServer(const std::filesystem::path& root, const std::string& user, const std::string& password)
    {
        const std::string server =
            "from pyftpdlib.authorizers import DummyAuthorizer\n"
            "from pyftpdlib.handlers import FTPHandler\n"
            "from pyftpdlib.servers import FTPServer\n"
            "import sys\n"
            "a = DummyAuthorizer()\n"
            "a.add_user(sys.argv[2], sys.argv[3], sys.argv[1], perm='elr')\n"
            "FTPHandler.authorizer = a\n"
            "s = FTPServer(('127.0.0.1', 0), FTPHandler)\n"
            "print(s.address[1], flush=True)\n"
            "s.serve_forever()\n";
        return StartPeer(server, Quoted(root) + " " + Quoted(user) + " " + Quoted(password));
    }
    // Runs a Python script (the Debian interpreter, for which python3-pyftpdlib is installed)
    // in the background; the port it prints first, 0 when none came within 15 s. It is killed
    // at the end of the test.
    int StartPeer(const std::string& script, const std::string& arguments)
    {
        const std::string name = "peer" + std::to_string(peers_++);
        const std::filesystem::path portFile = dir_ / (name + ".port");
        std::ofstream(dir_ / (name + ".py")) << script;
        const std::string start = "/usr/bin/python3 " + Quoted(dir_ / (name + ".py")) + " " + arguments + " >" +
                                  Quoted(portFile) + " 2>/dev/null & echo $! >" + Quoted(dir_ / (name + ".pid")) +
                                  "; for i in $(seq 150); do [ -s " + Quoted(portFile) +
                                  " ] && break; sleep 0.1; done";
        RunCommand("sh -c " + Quoted(start));
        return std::atoi(ReadBytes(portFile).c_str());
    }
    void StopPeers()
    {
        for (int i = 0; i < peers_; ++i)
            RunCommand("kill $(cat " + Quoted(dir_ / ("peer" + std::to_string(i) + ".pid")) + ") 2>/dev/null");
        peers_ = 0;
    }

    struct StoredSubTask {
        std::string file;
        int32_t type;
        int64_t size;
        int32_t state;
    };
    // The SubTasks rows of the test's task database, in the order they were stored.
    std::vector<StoredSubTask> StoredSubTasks()
    {
        std::vector<StoredSubTask> rows;
        CSqliteDb db;
        if (!db.OpenOrCreate((dir_ / "home/task.db").string(), {}) ||
            !db.Query("select szFilename, nType, llFileSize, nState from SubTasks order by nID"))
            return rows;
        while (db.Step() == 100) {  // SQLITE_ROW
            StoredSubTask row{};
            db.GetString(0, row.file);
            db.GetInt(1, row.type);
            db.GetInt64(2, row.size);
            db.GetInt(3, row.state);
            rows.push_back(row);
        }
        db.EndQuery();
        return rows;
    }
    // The number of stored results of a file or address.
    int StoredResults(const std::string& file)
    {
        CSqliteDb db;
        int32_t count = -1;
        if (db.OpenOrCreate((dir_ / "home/task.db").string(), {}) &&
            db.Query("select count(*) from Results where szFilename = '" + file + "'") && db.Step() == 100)
            db.GetInt(0, count);
        db.EndQuery();
        return count;
    }

    std::filesystem::path dir_;
    std::string errors_;
    int peers_ = 0;
};

TEST_F(StoredReports, EachStoredFileGetsItsReportFolder)
{
    const std::filesystem::path out = dir_ / "out";
    const CheckerRun run = Run("--store --report " + Quoted(out) + " " + Quoted(Media("faults.ts")));
    EXPECT_EQ(run.status, 1) << run.out << errors_;
    EXPECT_NE(run.out.find("  stored as result "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n  report " + (out / "faults.ts").string() + "\n"), std::string::npos) << run.out;

    const std::string html = ReadBytes(out / "faults.ts/index.html");
    ASSERT_FALSE(html.empty());
    EXPECT_NE(html.find(kGbkContentHeading), std::string::npos);
    EXPECT_NE(html.find(std::string("<td>") + kGbkBlack + "</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>00:00:02.00</td>"), std::string::npos);
    // One picture for each of the five faults, each a 24-bit 80 x 60 bitmap, and the graph of
    // the programme's loudness.
    ASSERT_NE(run.out.find("  5 fault events"), std::string::npos) << run.out;
    EXPECT_EQ(CountOf(html, "<img border=\"0\" src=\"images/"), 6u);
    EXPECT_NE(html.find("src=\"images/loudness.bmp\""), std::string::npos);
    EXPECT_EQ(ReadBytes(out / "faults.ts/images/loudness.bmp").size(), 54u + 600 * 3 * 160);
    for (int i = 0; i < 5; ++i) {
        const std::string picture = ReadBytes(out / "faults.ts/images" / (std::to_string(i) + ".bmp"));
        EXPECT_EQ(picture.size(), 54u + 80 * 3 * 60) << i;
        EXPECT_EQ(picture.rfind("BM", 0), 0u) << i;
    }
}

// A format check that cannot compare an item (an audio item on a file without sound) fails:
// stored invalid with the reason as its deviation, exit 1, never reported as a clean file.
TEST_F(StoredReports, AFormatCheckThatCannotCompareAnItemFails)
{
    ASSERT_EQ(Run("--add-template snd Audio:SamplingRate=48000..48000").status, 0) << errors_;
    const std::filesystem::path out = dir_ / "out";
    const CheckerRun run =
        Run("--store --template snd --report " + Quoted(out) + " " + Quoted(Media("video-only.mkv")));
    EXPECT_EQ(run.status, 1) << run.out << errors_;
    EXPECT_NE(run.out.find("  format invalid\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  deviation Audio SamplingRate: 无此属性"), std::string::npos) << run.out;
    CSqliteDb db;
    int32_t verdict = -1;
    ASSERT_TRUE(db.OpenOrCreate((dir_ / "home/task.db").string(), {}));
    ASSERT_TRUE(db.Query("select nFmtError from Results"));
    ASSERT_EQ(db.Step(), 100);
    db.GetInt(0, verdict);
    db.EndQuery();
    EXPECT_EQ(verdict, 1);
    const std::string html = ReadBytes(out / "video-only.mkv/index.html");
    ASSERT_FALSE(html.empty());
    EXPECT_NE(html.find("\xce\xde\xb4\xcb\xca\xf4\xd0\xd4"), std::string::npos);  // 无此属性
    EXPECT_EQ(html.find("\xcd\xbc\xcf\xf1\xce\xde\xd2\xec\xb3\xa3"), std::string::npos);  // 图像无异常
}

// A file named relative to the working folder is stored with its whole path, and its finished
// result keeps the state it was made with (8) beside its end time.
TEST_F(StoredReports, ARelativeNameIsStoredWithItsWholePath)
{
    std::filesystem::copy_file(Media("video-only.mkv"), dir_ / "rel.mkv");
    const CheckerRun run = RunCommand("cd " + Quoted(dir_) + " && QUARVIK_HOME=" + Quoted(dir_ / "home") +
                                      " " QUARVIK_CHECK_BINARY " --store rel.mkv 2>/dev/null");
    EXPECT_EQ(run.status, 0) << run.out;
    CSqliteDb db;
    ASSERT_TRUE(db.OpenOrCreate((dir_ / "home/task.db").string(), {}));
    ASSERT_TRUE(db.Query("select szFilename, nState, tmEnd from Results"));
    ASSERT_EQ(db.Step(), 100);
    std::string file;
    int32_t state = 0, end = 0;
    db.GetString(0, file);
    db.GetInt(1, state);
    db.GetInt(2, end);
    db.EndQuery();
    EXPECT_EQ(file, (dir_ / "rel.mkv").string());
    EXPECT_EQ(state, 8);
    EXPECT_GT(end, 0);
}

TEST_F(StoredReports, MarkupInAFileNameShowsAsText)
{
    const std::string name = "a'b \"c\" <b>&.ts";
    std::filesystem::copy_file(Media("faults.ts"), dir_ / name);
    const std::filesystem::path out = dir_ / "out";
    // --report stores by itself.
    const CheckerRun run = Run("--json --report " + Quoted(out) + " " + Quoted(dir_ / name));
    EXPECT_EQ(run.status, 1) << run.out << errors_;
    EXPECT_NE(run.out.find("\"result_id\":"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(",\"report\":" + JsonString((out / name).string()) + "}"), std::string::npos) << run.out;

    const std::string html = ReadBytes(out / name / "index.html");
    ASSERT_FALSE(html.empty());
    EXPECT_NE(html.find(">a'b &quot;c&quot; &lt;b&gt;&amp;.ts</td>"), std::string::npos);
    EXPECT_EQ(html.find("<b>&"), std::string::npos);
    EXPECT_NE(html.find(kGbkBlack), std::string::npos);
}

TEST_F(StoredReports, AReportNotWrittenLeavesTheResultStored)
{
    const std::filesystem::path notAFolder = dir_ / "file";
    std::ofstream(notAFolder) << "x";
    const CheckerRun run = Run("--report " + Quoted(notAFolder) + " " + Quoted(Media("faults.ts")));
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_EQ(run.out.find("  report "), std::string::npos) << run.out;
    const size_t stored = run.out.find("  stored as result ");
    ASSERT_NE(stored, std::string::npos) << run.out;
    const std::string id = std::to_string(std::atoi(run.out.c_str() + stored + 19));
    EXPECT_NE(errors_.find("report of " + Media("faults.ts") + " not written (it stays stored as result " + id +
                           "): cannot create folder " + (notAFolder / "faults.ts").string()),
              std::string::npos)
        << errors_;

    const std::filesystem::path again = dir_ / "again";
    EXPECT_EQ(RunProgram(QUARVIK_EXPORT_BINARY, "--result " + id + " " + Quoted(again)).status, 0) << errors_;
    EXPECT_NE(ReadBytes(again / "faults.ts/index.html").find(kGbkBlack), std::string::npos);
}

TEST_F(StoredReports, ALaterFileOfTheSameNameDoesNotReplaceAReport)
{
    std::filesystem::create_directories(dir_ / "x");
    std::filesystem::create_directories(dir_ / "y");
    std::filesystem::copy_file(Media("faults.ts"), dir_ / "x/same.ts");
    std::filesystem::copy_file(Media("tone.wav"), dir_ / "y/same.ts");
    const std::filesystem::path out = dir_ / "out";
    const CheckerRun run = Run("--report " + Quoted(out) + " " + Quoted(dir_ / "x/same.ts") + " " +
                               Quoted(dir_ / "y/same.ts"));
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_EQ(CountOf(run.out, "  stored as result "), 2u) << run.out;
    EXPECT_EQ(CountOf(run.out, "  report "), 1u) << run.out;
    EXPECT_NE(errors_.find((out / "same.ts").string() + " already holds the report of " + (dir_ / "x/same.ts").string()),
              std::string::npos)
        << errors_;
    EXPECT_NE(ReadBytes(out / "same.ts/index.html").find(kGbkBlack), std::string::npos);
}

TEST_F(StoredReports, A300BytePathIsCheckedAndStoredWhole)
{
    // 83 Chinese characters (249 bytes) in a name, in a folder: more than 300 bytes in all.
    std::string name;
    for (int i = 0; i < 83; ++i)
        name += "新";
    name += ".ts";
    const std::filesystem::path file = dir_ / "长路径测试文件夹" / name;
    ASSERT_GE(file.string().size(), 300u);
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::copy_file(Media("faults.ts"), file);

    const CheckerRun plain = Run(Quoted(file));
    EXPECT_EQ(plain.status, 1) << plain.out << errors_;
    EXPECT_EQ(plain.out.rfind(file.string() + "\n", 0), 0u) << plain.out;
    EXPECT_NE(plain.out.find("300 frames analysed"), std::string::npos) << plain.out;

    const CheckerRun stored = Run("--store " + Quoted(file));
    EXPECT_EQ(stored.status, 1) << stored.out << errors_;
    EXPECT_NE(stored.out.find("  stored as result "), std::string::npos) << stored.out;
    EXPECT_NE(stored.out.find(" fault events, 300 frames analysed"), std::string::npos) << stored.out;
    setenv("QUARVIK_HOME", (dir_ / "home").c_str(), 1);
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    const std::vector<ResultRow> results = LoadResultsBetween(db, 0, 0x7fffffff, false);
    unsetenv("QUARVIK_HOME");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].info.szFilename, file.string());
    EXPECT_EQ(results[0].info.szNewFilename, file.string());
    EXPECT_EQ(results[0].info.szName, name);
    EXPECT_GT(results[0].info.nBBCount, 0);
}

TEST_F(StoredReports, AWatchedFolderIsTakenWholeOrRefused)
{
    std::filesystem::path folder = dir_;
    while (folder.string().size() < 300)
        folder /= "监视文件夹";
    std::filesystem::create_directories(folder);
    const CheckerRun added = Run("--add-task 长路径 folder path=" + Quoted(folder));
    EXPECT_EQ(added.status, 0) << added.out << errors_;
    const CheckerRun listed = Run("--list-tasks");
    EXPECT_NE(listed.out.find("(" + folder.string() + ", type 2)"), std::string::npos) << listed.out;

    const CheckerRun tooLong = Run("--add-task x folder path=/" + std::string(4096, 'a'));
    EXPECT_EQ(tooLong.status, 2);
    EXPECT_NE(errors_.find("a value too long for its field"), std::string::npos) << errors_;
    const CheckerRun longName = Run("--add-task " + std::string(256, 'n') + " folder path=" + Quoted(folder));
    EXPECT_EQ(longName.status, 2);
    EXPECT_NE(errors_.find("a task name has at most 255 bytes"), std::string::npos) << errors_;
    EXPECT_EQ(Run("--list-tasks").out, listed.out) << "nothing stored cut";
}

TEST_F(StoredReports, ANameWithALineFeedTakesOneLine)
{
    const std::filesystem::path file = dir_ / "two\nlines\x1b[2J.ts";
    std::filesystem::copy_file(Media("faults.ts"), file);
    for (const char* store : {"", "--store "}) {
        const CheckerRun run = Run(store + Quoted(file));
        EXPECT_EQ(run.status, 1) << store << run.out << errors_;
        EXPECT_EQ(run.out.rfind((dir_ / "two\\nlines\\x1B[2J.ts").string() + "\n  ", 0), 0u) << store << run.out;
    }
}

TEST(CheckReport, LineTextEscapesWhatWouldBreakALine)
{
    const struct {
        const char* text;
        const char* line;
    } cases[] = {
        {"plain 新闻.ts", "plain 新闻.ts"},
        {"a\nb\r\tc", "a\\nb\\r\\tc"},
        {"back\\slash", "back\\\\slash"},
        {"esc\x1b[31m del\x7f", "esc\\x1B[31m del\\x7F"},
        {"next\xc2\x85line \xc2\xa0nbsp", "next\\u0085line \xc2\xa0nbsp"},
        {"ls\xe2\x80\xa8ps\xe2\x80\xa9 dash\xe2\x80\x94", "ls\\u2028ps\\u2029 dash\xe2\x80\x94"},
        {"cut\xc2", "cut\xc2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LineText(c.text), c.line) << c.text;
}

TEST(Checker, ReportsEventsAsTextAndJson)
{
    const CheckerRun text = Checker("'" + Media("faults.ts") + "'");
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.out.find("黑场"), std::string::npos);
    EXPECT_NE(text.out.find("00:00:02.00 - 00:00:02.24"), std::string::npos);
    EXPECT_NE(text.out.find("高音(左)"), std::string::npos);
    EXPECT_NE(text.out.find("dBFS"), std::string::npos);
    EXPECT_NE(text.out.find("300 frames analysed"), std::string::npos);

    const CheckerRun json = Checker("--json '" + Media("faults.ts") + "'");
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.out.rfind("{\"files\":[{\"path\":", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("\"opened\":true,\"frames\":300,\"speed_fps\":"), std::string::npos);
    EXPECT_NE(json.out.find("{\"code\":2,\"name\":\"黑场\",\"begin\":50,\"end\":74,\"value\":0}"),
              std::string::npos);
    EXPECT_NE(json.out.find("{\"code\":3,\"name\":\"彩条\",\"begin\":0,\"end\":49,\"value\":0}"),
              std::string::npos);
}

TEST(Checker, AnInterruptedCheckSaysSo)
{
    // An input that does not end (standard input fed for at most 30 s), interrupted as Ctrl-C
    // would. (A FIFO given by name is refused: see SpecialFilesAreRefusedWithoutWaiting.)
    const std::string script =
        "dir=$(mktemp -d); "
        "(end=$(($(date +%s) + 30)); while [ $(date +%s) -lt $end ]; do cat " + Quoted(Media("faults.ts")) +
        " || break; done) | QUARVIK_HOME=$dir " QUARVIK_CHECK_BINARY " pipe:0 2>/dev/null & pid=$!; "
        "sleep 2; kill -INT $pid; wait $pid; status=$?; rm -rf $dir; exit $status";
    const CheckerRun run = RunCommand("sh -c " + Quoted(script));
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_NE(run.out.find("\n  interrupted: the check stopped before the end of the input\n"), std::string::npos)
        << run.out;
}

TEST_F(StoredReports, PicturesThatCannotBeDecodedAreVideoLost)
{
    // Cut right behind the index: the file opens, its video stream gives no picture.
    const std::string whole = ReadBytes(Media("intra.mp4"));
    const size_t data = whole.find("mdat", whole.find("moov"));
    ASSERT_NE(data, std::string::npos);
    const std::filesystem::path cut = dir_ / "cut.mp4";
    std::ofstream(cut, std::ios::binary) << whole.substr(0, data + 4);

    const CheckerRun text = Run(Quoted(cut));
    EXPECT_EQ(text.status, 1) << text.out << errors_;
    EXPECT_NE(text.out.find("    0 Video Lost         0       0"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("1 fault events, 0 frames analysed"), std::string::npos) << text.out;
    const CheckerRun json = Run("--json " + Quoted(cut));
    EXPECT_EQ(json.status, 1);
    EXPECT_NE(json.out.find("{\"code\":0,\"name\":\"Video Lost\",\"begin\":0,\"end\":0,\"value\":0}"),
              std::string::npos) << json.out;

    // Stored, it is read back from task.db and listed in the report.
    const std::filesystem::path out = dir_ / "out";
    const CheckerRun stored = Run("--store --report " + Quoted(out) + " " + Quoted(cut));
    EXPECT_EQ(stored.status, 1) << stored.out << errors_;
    EXPECT_NE(stored.out.find("    0 Video Lost"), std::string::npos) << stored.out;
    EXPECT_NE(ReadBytes(out / "cut.mp4/index.html").find("<td>Video Lost</td>"), std::string::npos);

    // Pictures that end 2 s before the sound.
    const CheckerRun shortVideo = Run(Quoted(Media("short-video.ts")));
    EXPECT_EQ(shortVideo.status, 1);
    EXPECT_NE(shortVideo.out.find("    0 Video Lost        50"), std::string::npos) << shortVideo.out;
}

// Material at 23.976 with a start time code: every output gives its own time code beside the
// check frames; material cut short is a decoding error and a fault like any other.
TEST_F(StoredReports, TheMaterialsTimeCodeAndDecodingErrorsInEveryOutput)
{
    const std::string mov = Quoted(Media("time-23976.mov"));
    const CheckerRun text = Run(mov);
    EXPECT_EQ(text.status, 1) << text.out << errors_;
    EXPECT_NE(text.out.find("\n  time code: 23.976 fps from 10:00:00:00\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("00:00:04.00 - 00:00:04.24  [10:00:04:00 - 10:00:04:23]"), std::string::npos) << text.out;
    const CheckerRun json = Run("--json " + mov);
    EXPECT_NE(json.out.find("\"time_code_begin\":\"10:00:04:00\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"material_clock\":{\"rate\":\"23.976\",\"start\":\"10:00:00:00\"}"), std::string::npos)
        << json.out;

    // Stored, the clock is read back with the result, into the report and the checker's text.
    const std::filesystem::path out = dir_ / "out";
    const CheckerRun stored = Run("--store --report " + Quoted(out) + " " + mov);
    EXPECT_EQ(stored.status, 1) << stored.out << errors_;
    EXPECT_NE(stored.out.find("[10:00:04:00 - 10:00:04:23]"), std::string::npos) << stored.out;
    EXPECT_NE(ReadBytes(out / "time-23976.mov/index.html").find("<td>00:00:04.00 (10:00:04:00)</td>"), std::string::npos);

    // The first half of an MXF file: the rest is missing.
    const std::string whole = ReadBytes(Media("clean-mpeg2.mxf"));
    const std::filesystem::path cut = dir_ / "cut.mxf";
    std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() / 2);
    const CheckerRun damaged = Run(Quoted(cut));
    EXPECT_EQ(damaged.status, 1) << damaged.out << errors_;
    EXPECT_NE(damaged.out.find("   11 解码错误"), std::string::npos) << damaged.out;
    const CheckerRun clean = Run(Quoted(Media("clean-mpeg2.mxf")));
    EXPECT_EQ(clean.status, 0) << clean.out << errors_;
}

TEST(Checker, ExitStatusTellsCleanFaultyAndUnreadable)
{
    EXPECT_EQ(Checker("'" + Media("tone.wav") + "'").status, 0);
    EXPECT_EQ(Checker("'" + Media("cover.m4a") + "'").status, 0) << "sound without video is not video lost";
    const CheckerRun mixed = Checker("--json '" + Media("faults.ts") + "' '" + Media("random.mxf") + "'");
    EXPECT_EQ(mixed.status, 2);
    EXPECT_NE(mixed.out.find("\"opened\":false"), std::string::npos);
    EXPECT_NE(mixed.out.find("\"opened\":true"), std::string::npos);

    EXPECT_EQ(Checker("").status, 2);
    EXPECT_EQ(Checker("--colour '" + Media("tone.wav") + "'").status, 2);
    EXPECT_EQ(Checker("--params").status, 2);
    EXPECT_EQ(Checker("--report").status, 2);
    EXPECT_EQ(Checker("--params '" + Media("notes.txt") + "' '" + Media("tone.wav") + "'").status, 2);
}

TEST(Checker, ParameterFileChangesTheVerdicts)
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    table[2].nEnable = 0;  // black off
    table[16].nDuration = 25;
    const std::string path = "/tmp/quarvik-checker-params.dat";
    ASSERT_TRUE(SaveContentParams(table, path));
    const CheckerRun run = Checker("--json --params " + path + " '" + Media("faults.ts") + "'");
    std::remove(path.c_str());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.find("\"code\":2,"), std::string::npos);
    EXPECT_NE(run.out.find("\"code\":16,\"name\":\"静音(左)\""), std::string::npos);
}

TEST_F(StoredReports, LoudnessIsShownAndJudgedOnlyWhenEnabled)
{
    // tone.wav: a 440 Hz tone at -21.1 dBFS per channel, -21.8 LUFS.
    const std::string tone = Quoted(Media("tone.wav"));
    CheckerRun run = Run(tone);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("\n  响度: -21.8 LUFS  LRA 0.0 LU  真峰值 -21.1 dBTP\n"), std::string::npos) << run.out;

    std::ofstream(dir_ / "home/Quarvik.ini", std::ios::app) << "[Loudness]\nEnable=1\n";
    run = Run(tone);
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("真峰值 -21.1 dBTP  不合格\n"), std::string::npos) << run.out;
    run = Run("--json --store " + tone);
    EXPECT_EQ(run.status, 1) << run.out << errors_;
    EXPECT_NE(run.out.find("\"loudness\":{\"integrated\":-21.8,\"range\":0.0,\"true_peak\":-21.1,"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"verdict\":\"failed\",\"short_term\":["), std::string::npos) << run.out;

    std::ofstream(dir_ / "home/Quarvik.ini", std::ios::app) << "Target=-22\n";
    run = Run("--json " + tone + " " + Quoted(Media("video-only.mkv")));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("\"verdict\":\"passed\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"events\":[],\"loudness\":null}"), std::string::npos) << "no sound, no loudness";
}

TEST_F(StoredReports, TemplateRangesThatCouldNeverPassAreRefused)
{
    struct Case {
        const char* item;
        const char* reason;
    };
    for (const Case& c : {Case{"Video:Width=9..1", "a range gives its low end first"},
                          Case{"Audio:SamplingRate=abc..", "both ends of a range must be whole numbers"},
                          Case{"Audio:SamplingRate=48000..4800x", "both ends of a range must be whole numbers"}}) {
        EXPECT_EQ(Run("--add-template t " + Quoted(c.item)).status, 2) << c.item;
        EXPECT_NE(errors_.find(std::string(c.item) + ": " + c.reason), std::string::npos) << errors_;
    }
    EXPECT_EQ(Run("--add-template t Video:Width=1..9 Audio:SamplingRate=48000..48000 General:Format=MXF").status, 0)
        << errors_;
}

TEST_F(StoredReports, FolderTaskRunsUnattendedUntilInterrupted)
{
    const std::filesystem::path folder = dir_ / "in";
    std::filesystem::create_directories(folder);
    ASSERT_EQ(Run("--add-template pal Video:Width=720 Audio:SamplingRate=48000..48000").status, 0) << errors_;
    ASSERT_EQ(Run("--add-task incoming folder path=" + Quoted(folder) + " interval=1 template=pal").status, 0)
        << errors_;
    std::filesystem::copy_file(Media("faults.avi"), folder / "a.avi");

    // Runs until the file is checked (at most a minute), then interrupts it as Ctrl-C would.
    const std::filesystem::path log = dir_ / "run.txt";
    const std::string script =
        "QUARVIK_HOME=" + Quoted(dir_ / "home") + " " QUARVIK_CHECK_BINARY " --run-tasks >" + Quoted(log) +
        " 2>&1 & pid=$!; for i in $(seq 600); do grep -q '检测完毕' " + Quoted(log) +
        " && break; sleep 0.1; done; kill -INT $pid; wait $pid";
    const CheckerRun run = RunCommand("sh -c " + Quoted(script));
    const std::string out = ReadBytes(log);
    EXPECT_EQ(run.status, 0) << out;
    EXPECT_NE(out.find("[task 1] incoming: running"), std::string::npos) << out;
    const std::string file = (folder / "a.avi").string();
    EXPECT_NE(out.find("[task 1] " + file + ": 格式合法"), std::string::npos) << out;
    EXPECT_NE(out.find("[task 1] " + file + ": 黑场 00:00:02.00 - 00:00:02.24"), std::string::npos) << out;
    EXPECT_NE(out.find("[task 1] " + file + ": 检测完毕"), std::string::npos) << out;
    EXPECT_NE(out.find("[task 1] " + file + ": 新文件\n"), std::string::npos) << out;
    EXPECT_EQ(out.find(": state "), std::string::npos) << "every state by its name:\n" << out;
    EXPECT_NE(out.find("stopped"), std::string::npos) << out;
    EXPECT_EQ(Run("--list-tasks").out.find("1\tincoming\tactive"), 0u);
}

// Runs --run-tasks in the test's program folder while the given shell lines set the scene,
// until the log shows a finished check (at most a minute), then interrupts it as Ctrl-C would.
CheckerRun RunTasksUntilChecked(const std::filesystem::path& dir, const std::string& environment,
                                const std::string& scene, std::string& log)
{
    const std::filesystem::path logFile = dir / "run.txt";
    const std::string script = environment + " QUARVIK_HOME=" + Quoted(dir / "home") + " " QUARVIK_CHECK_BINARY
                               " --run-tasks >" + Quoted(logFile) + " 2>&1 & pid=$!; " + scene +
                               "; for i in $(seq 600); do grep -q '检测完毕' " + Quoted(logFile) +
                               " && break; sleep 0.1; done; kill -INT $pid; wait $pid";
    const CheckerRun run = RunCommand("sh -c " + Quoted(script));
    log = ReadBytes(logFile);
    return run;
}

TEST_F(StoredReports, FtpTaskDownloadsAndChecksANewFile)
{
    const std::filesystem::path root = dir_ / "ftp";
    std::filesystem::create_directories(root / "in");
    std::filesystem::copy_file(Media("faults.avi"), root / "in/a.avi");
    const int port = StartFtpServer(root, kOddUser, kOddPassword);
    ASSERT_GT(port, 0) << "pyftpdlib did not start (python3-pyftpdlib installed?)";

    ASSERT_EQ(Run("--add-task feed ftp host=127.0.0.1 port=" + std::to_string(port) + " user=" + Quoted(kOddUser) +
                  " password=" + Quoted(kOddPassword) + " path=/in interval=1").status, 0) << errors_;
    std::string log;
    const CheckerRun run = RunTasksUntilChecked(dir_, "", ":", log);
    StopPeers();
    EXPECT_EQ(run.status, 0) << log;
    const std::string shown = "ftp://127.0.0.1/in/a.avi";
    EXPECT_NE(log.find(shown + ": 等待下载"), std::string::npos) << log;
    EXPECT_NE(log.find(shown + ": 黑场 00:00:02.00 - 00:00:02.24"), std::string::npos) << log;
    EXPECT_NE(log.find(shown + ": 检测完毕"), std::string::npos) << log;
    ExpectNoCredentials(log, "the task's state and fault lines");
}

// An FTP input is checked straight from the server as the manual list does it: stored as an FTP
// sub-task with its remote size, and its address shows nowhere with the user or password.
TEST_F(StoredReports, FtpInputsAreStoredWithTheirRemoteSizeAndShowNoCredentials)
{
    const std::filesystem::path root = dir_ / "ftp";
    std::filesystem::create_directories(root / "in");
    std::filesystem::create_directories(root / "other");
    std::filesystem::copy_file(Media("faults.ts"), root / "in/a.ts");
    std::ofstream(root / "in/bad.ts") << std::string(5000, 'x');
    std::ofstream(root / "other/bad.ts") << std::string(6000, 'x');
    const int port = StartFtpServer(root, kOddUser, kOddPassword);
    ASSERT_GT(port, 0) << "pyftpdlib did not start (python3-pyftpdlib installed?)";
    const auto address = [&](const std::string& path) {
        return "ftp://" + std::string(kOddUserInfo) + "@127.0.0.1:" + std::to_string(port) + path;
    };

    const std::filesystem::path out = dir_ / "out";
    const CheckerRun first = Run("--store --report " + Quoted(out) + " " + Quoted(address("/in/a.ts")) + " " +
                                 Quoted(address("/in/bad.ts")));
    const std::string firstErrors = errors_;
    EXPECT_EQ(first.status, 2) << first.out << firstErrors;
    EXPECT_NE(first.out.find("ftp://127.0.0.1/in/a.ts\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("黑场"), std::string::npos) << first.out << firstErrors;
    EXPECT_NE(first.out.find("ftp://127.0.0.1/in/bad.ts\n  could not open"), std::string::npos) << first.out;
    const std::string html = ReadBytes(out / "a.ts/index.html");
    EXPECT_NE(html.find(kGbkBlack), std::string::npos) << firstErrors;
    EXPECT_NE(html.find(">ftp://127.0.0.1/in/a.ts</td>"), std::string::npos) << "the FileName row:\n" << html;

    // bad.ts never got past its thumbnail: the same address again is tried again (it may have
    // been replaced), as is the file of that name elsewhere.
    const CheckerRun second =
        Run("--store --json " + Quoted(address("/in/bad.ts")) + " " + Quoted(address("/other/bad.ts")));
    const std::string secondErrors = errors_;
    EXPECT_EQ(secondErrors.find("已被忽略"), std::string::npos) << secondErrors;
    EXPECT_NE(second.out.find("{\"path\":\"ftp://127.0.0.1/in/bad.ts\""), std::string::npos) << second.out;
    EXPECT_NE(second.out.find("{\"path\":\"ftp://127.0.0.1/other/bad.ts\""), std::string::npos) << second.out;
    // Checked without storing, an address that does not open says so on standard error.
    EXPECT_EQ(Run(Quoted(address("/in/missing.ts"))).status, 2);
    EXPECT_NE(errors_.find("could not open ftp://127.0.0.1/in/missing.ts\n"), std::string::npos) << errors_;
    ExpectNoCredentials(errors_, "the could-not-open line");
    ExpectNoCredentials(first.out, "the text output");
    ExpectNoCredentials(firstErrors, "the standard error");
    ExpectNoCredentials(html, "the report");
    ExpectNoCredentials(second.out, "the JSON output");
    ExpectNoCredentials(secondErrors, "the standard error of the second run");

    const std::vector<StoredSubTask> rows = StoredSubTasks();
    ASSERT_EQ(rows.size(), 4u);
    const int64_t sizes[] = {static_cast<int64_t>(std::filesystem::file_size(Media("faults.ts"))), 5000, 5000, 6000};
    const char* paths[] = {"/in/a.ts", "/in/bad.ts", "/in/bad.ts", "/other/bad.ts"};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].file, address(paths[i]));
        EXPECT_EQ(rows[i].type, 0) << paths[i];
        EXPECT_EQ(rows[i].size, sizes[i]) << paths[i];
    }
}

// A stream that gave its thumbnail but cannot be opened for the check ends as a failure that says
// so ("无法打开"), never as a finished check; its result stays.
TEST_F(StoredReports, StreamInputThatFailsToOpenEndsAsAStream)
{
    // Serves one connection with the file, then takes no more.
    const std::string once =
        "import socket, sys\n"
        "s = socket.socket()\n"
        "s.bind(('127.0.0.1', 0))\n"
        "s.listen(1)\n"
        "s.settimeout(60)\n"
        "print(s.getsockname()[1], flush=True)\n"
        "c, _ = s.accept()\n"
        "s.close()\n"
        "try:\n"
        "    c.sendall(open(sys.argv[1], 'rb').read())\n"
        "except OSError:\n"
        "    pass\n"
        "c.close()\n";
    const int port = StartPeer(once, Quoted(Media("faults.ts")));
    ASSERT_GT(port, 0);
    const std::string address = "tcp://127.0.0.1:" + std::to_string(port);
    const CheckerRun run = Run("--store " + Quoted(address));
    EXPECT_EQ(run.status, 2) << run.out << errors_;
    const std::vector<StoredSubTask> rows = StoredSubTasks();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].type, 1);
    EXPECT_EQ(rows[0].size, 0);
    EXPECT_EQ(rows[0].state, 14);
    EXPECT_EQ(StoredResults(address), 1);
}

TEST_F(StoredReports, UdpTaskRecordsAndChecksALiveStream)
{
    const int port = 20000 + static_cast<int>(getpid() % 20000);
    ASSERT_EQ(Run("--add-task live udp ip=127.0.0.1 port=" + std::to_string(port)).status, 0) << errors_;
    // A sender of MPEG-TS at four times real time, for a minute at most.
    const std::string sender = "timeout 60 ffmpeg -nostdin -v error -readrate 4 -stream_loop 2 -i " +
                               Quoted(Media("faults.ts")) + " -c copy -f mpegts 'udp://127.0.0.1:" +
                               std::to_string(port) + "?pkt_size=1316' >/dev/null 2>&1 & echo $! >" +
                               Quoted(dir_ / "sender.pid");
    std::string log;
    const CheckerRun run = RunTasksUntilChecked(dir_, "", "sleep 1; " + sender, log);
    RunCommand("kill $(cat " + Quoted(dir_ / "sender.pid") + ") 2>/dev/null");
    EXPECT_EQ(run.status, 0) << log;
    const std::string address = "udp://@127.0.0.1:" + std::to_string(port);
    EXPECT_NE(log.find(address + ": 等待检测中"), std::string::npos) << log;
    EXPECT_NE(log.find(address + ": 检测完毕"), std::string::npos) << log;
}

TEST_F(StoredReports, RemovableDiskTaskChecksAPluggedInVolume)
{
    // A sysfs tree with one removable disk partition, 8:17, and a mount table without it.
    const std::filesystem::path sys = dir_ / "sys";
    std::filesystem::create_directories(sys / "devices/usb1/sdb/sdb1");
    std::ofstream(sys / "devices/usb1/sdb/sdb1/partition") << "1\n";
    std::filesystem::create_directories(sys / "block/sdb");
    std::ofstream(sys / "block/sdb/removable") << "1\n";
    std::filesystem::create_directories(sys / "dev/block");
    std::filesystem::create_symlink("../../devices/usb1/sdb/sdb1", sys / "dev/block/8:17");
    const std::filesystem::path mountInfo = dir_ / "mountinfo";
    std::ofstream(mountInfo) << "22 1 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n";
    const std::filesystem::path stick = dir_ / "STICK";
    std::filesystem::create_directories(stick);
    std::filesystem::copy_file(Media("faults.ts"), stick / "clip.ts");

    ASSERT_EQ(Run("--add-task usb removable").status, 0) << errors_;
    const std::string plugIn = "sleep 1; echo '30 1 8:17 / " + stick.string() +
                               " rw,relatime shared:1 - vfat /dev/sdb1 rw' >>" + Quoted(mountInfo);
    std::string log;
    const CheckerRun run = RunTasksUntilChecked(
        dir_, "QUARVIK_MOUNTINFO=" + Quoted(mountInfo) + " QUARVIK_SYSFS=" + Quoted(sys), plugIn, log);
    EXPECT_EQ(run.status, 0) << log;
    const std::string file = (stick / "clip.ts").string();
    EXPECT_NE(log.find(file + ": 彩条 00:00:00.00 - 00:00:01.24"), std::string::npos) << log;
    EXPECT_NE(log.find(file + ": 检测完毕"), std::string::npos) << log;
}

// An FTP server on 127.0.0.1 that misbehaves as its first argument says (the file it serves is
// the second): "greeting" sends "220-" lines without end; "slow-reply" sends each reply one
// byte every 2 s; "trickle" sends the file's data one byte a second.
const char kHostileFtpServer[] = R"(
import socket, sys, threading, time
mode, data = sys.argv[1], open(sys.argv[2], 'rb').read()
def say(c, text):
    if mode == 'slow-reply':
        for b in text.encode():
            c.sendall(bytes([b]))
            time.sleep(2)
    else:
        c.sendall(text.encode())
def send_data(d, offset):
    if mode == 'trickle':
        for i in range(offset, len(data)):
            d.sendall(data[i:i + 1])
            time.sleep(1)
    else:
        d.sendall(data[offset:])
def serve(c):
    try:
        if mode == 'greeting':
            while True:
                c.sendall(b'220-welcome\r\n')
                time.sleep(0.01)
        say(c, '220 ready\r\n')
        f = c.makefile('rb')
        listener, active, offset = None, None, 0
        while True:
            line = f.readline().decode().strip()
            if not line:
                return
            verb, _, arg = line.partition(' ')
            verb = verb.upper()
            if verb == 'USER': say(c, '331 password\r\n')
            elif verb == 'PASS': say(c, '230 in\r\n')
            elif verb == 'SIZE': say(c, '213 %d\r\n' % len(data))
            elif verb == 'PWD': say(c, '257 "/"\r\n')
            elif verb == 'EPSV': say(c, '500 no\r\n')
            elif verb == 'PASV':
                listener = socket.socket()
                listener.bind(('127.0.0.1', 0))
                listener.listen(1)
                p = listener.getsockname()[1]
                say(c, '227 passive (127,0,0,1,%d,%d)\r\n' % (p >> 8, p & 255))
            elif verb == 'PORT':
                n = [int(x) for x in arg.split(',')]
                active = ('.'.join(map(str, n[:4])), n[4] * 256 + n[5])
                say(c, '200 port\r\n')
            elif verb == 'REST':
                offset = int(arg)
                say(c, '350 restart\r\n')
            elif verb == 'RETR':
                say(c, '150 opening\r\n')
                d = listener.accept()[0] if listener else socket.create_connection(active)
                try:
                    send_data(d, offset)
                except OSError:
                    pass
                d.close()
                offset = 0
                say(c, '226 done\r\n')
            elif verb == 'QUIT':
                say(c, '221 bye\r\n')
                return
            else: say(c, '200 ok\r\n')
    except OSError:
        pass
    finally:
        c.close()
s = socket.socket()
s.bind(('127.0.0.1', 0))
s.listen(8)
print(s.getsockname()[1], flush=True)
while True:
    threading.Thread(target=serve, args=(s.accept()[0],), daemon=True).start()
)";

// pyftpdlib serving its first argument anonymously, every file cut to its first half while
// SIZE gives the whole: the data connection ends early with a clean 226.
const char kHalfFtpServer[] = R"(
import io, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
class HalfFS(AbstractedFS):
    def open(self, filename, mode):
        with super().open(filename, mode) as whole:
            data = whole.read()
        half = io.BytesIO(data[:len(data) // 2])
        half.name = filename
        return half
a = DummyAuthorizer()
a.add_anonymous(sys.argv[1])
FTPHandler.authorizer = a
FTPHandler.abstracted_fs = HalfFS
s = FTPServer(('127.0.0.1', 0), FTPHandler)
print(s.address[1], flush=True)
s.serve_forever()
)";

// Seconds a shell command takes.
double SecondsOf(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Hostile servers cannot hold the checker: every network wait has an overall bound (a window of
// 2 s here) and transfers a minimum rate.
TEST_F(StoredReports, HostileFtpServersEndTheCheckWithinTheirBound)
{
    struct Case {
        const char* mode;
        const char* arguments;
    };
    for (const Case& c : {Case{"greeting", "--json"}, Case{"slow-reply", "--json"}, Case{"trickle", "--json"},
                          Case{"greeting", "--store"}, Case{"slow-reply", "--store"}, Case{"trickle", "--store"}}) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.arguments);
        const int port = StartPeer(kHostileFtpServer, std::string(c.mode) + " " + Quoted(Media("faults.ts")));
        ASSERT_GT(port, 0);
        CheckerRun run;
        const double seconds = SecondsOf([&] {
            // Killed after a minute, should it hang after all.
            run = RunProgram("QUARVIK_NET_WINDOW_MS=2000 timeout -s KILL 60 " QUARVIK_CHECK_BINARY,
                             std::string(c.arguments) + " ftp://127.0.0.1:" + std::to_string(port) + "/a.ts");
        });
        EXPECT_LT(seconds, 30.0);
        EXPECT_NE(run.status, 0) << run.out << errors_;
        StopPeers();
    }
}

TEST_F(StoredReports, InterruptEndsAnFtpCheckAtOnceAndKeepsItsResult)
{
    const int port = StartPeer(kHostileFtpServer, "trickle " + Quoted(Media("faults.ts")));
    ASSERT_GT(port, 0);
    for (const char* arguments : {"--json", "--store"}) {
        SCOPED_TRACE(arguments);
        // The default window (30 s): only the interrupt can end it this soon.
        const std::string script = "QUARVIK_HOME=" + Quoted(dir_ / "home") + " " QUARVIK_CHECK_BINARY " " +
                                   arguments + " ftp://127.0.0.1:" + std::to_string(port) +
                                   "/a.ts >/dev/null 2>&1 & pid=$!; sleep 2; kill -TERM $pid; wait $pid";
        CheckerRun run;
        const double seconds = SecondsOf([&] { run = RunCommand("sh -c " + Quoted(script)); });
        EXPECT_LT(seconds, 7.0);
        EXPECT_EQ(run.status, 2);
    }
}

// The data connection closes after half the file that SIZE announced: never a clean pass.
TEST_F(StoredReports, AShortFtpTransferIsNoCleanPass)
{
    const std::filesystem::path clip = dir_ / "clean.ts";
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i 'testsrc2=size=720x576:rate=25:duration=6,noise=alls=12:allf=t' "
                         "-f lavfi -i 'sine=frequency=440:sample_rate=48000:duration=6' -c:v mpeg2video -b:v 8M "
                         "-c:a mp2 -b:a 192k -f mpegts " + Quoted(clip) + " && echo ok").out, "ok\n");
    const CheckerRun whole = Run("--json " + Quoted(clip));
    ASSERT_EQ(whole.out.find("\"Video Lost\""), std::string::npos) << "the whole clip loses no picture";
    const int port = StartPeer(kHalfFtpServer, Quoted(dir_));
    ASSERT_GT(port, 0);
    const CheckerRun run = Run("--json ftp://127.0.0.1:" + std::to_string(port) + "/clean.ts");
    EXPECT_NE(run.status, 0) << run.out << errors_;
    EXPECT_NE(run.out.find("{\"code\":0,\"name\":\"Video Lost\""), std::string::npos) << run.out;
}

// A stream that stops by itself, before anyone stopped it, is video lost from there on.
TEST_F(StoredReports, AStreamThatStopsIsNoCleanPass)
{
    const int port = 20000 + static_cast<int>((getpid() + 7) % 20000);
    const std::string sender = "(sleep 1; ffmpeg -nostdin -v error -re -t 3 -i " + Quoted(Media("faults.ts")) +
                               " -map 0:v -c copy -f mpegts 'udp://127.0.0.1:" + std::to_string(port) +
                               "?pkt_size=1316') >/dev/null 2>&1 &";
    CheckerRun run;
    RunCommand("sh -c " + Quoted(sender));
    run = Run("--json udp://127.0.0.1:" + std::to_string(port));
    EXPECT_NE(run.out.find("{\"code\":0,\"name\":\"Video Lost\""), std::string::npos) << run.out << errors_;
    EXPECT_NE(run.status, 0);
}

// Sound that outlasts the pictures by one picture's time is no video lost.
TEST_F(StoredReports, SoundOnePictureLongerIsNoVideoLost)
{
    const std::filesystem::path clip = dir_ / "tail.mp4";
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i 'testsrc2=size=720x576:rate=25:duration=4,hue=s=0.6,noise=alls=12:allf=t' "
                         "-f lavfi -i 'sine=frequency=440:sample_rate=48000:duration=4.04' -c:v libx264 -preset veryfast "
                         "-b:v 4M -c:a aac -b:a 128k " + Quoted(clip) + " && echo ok").out, "ok\n");
    const CheckerRun run = Run("--json " + Quoted(clip));
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("\"events\":[]"), std::string::npos) << run.out;
}

// Programme with a box over 42 % of it that flashes two and a half times a second for 2 s: a
// warning in every output, but the file passes (exit 0, a clean report).
TEST_F(StoredReports, AWarningAloneLetsTheFilePass)
{
    const std::filesystem::path clip = dir_ / "flicker.ts";
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -f lavfi -i 'testsrc2=size=720x576:rate=25:duration=4,hue=s=0.6,"
                         "noise=alls=12:allf=t,drawbox=w=iw*0.6:h=ih*0.7:c=white:t=fill:enable=between(t\\,1\\,3)*lt(mod(t*5\\,2)\\,1)' "
                         "-f lavfi -i 'sine=frequency=440:sample_rate=48000:duration=4' -c:v libx264 -preset veryfast "
                         "-b:v 8M -c:a aac -b:a 128k -f mpegts " + Quoted(clip) + " && echo ok").out, "ok\n");
    const CheckerRun text = Run(Quoted(clip));
    EXPECT_EQ(text.status, 0) << text.out << errors_;
    EXPECT_NE(text.out.find("闪烁警告"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  warning\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  1 fault events (1 warnings), "), std::string::npos) << text.out;
    const CheckerRun json = Run("--json " + Quoted(clip));
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"code\":12,\"name\":\"闪烁警告\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"warning\":true"), std::string::npos) << json.out;

    const std::filesystem::path out = dir_ / "out";
    const CheckerRun stored = Run("--store --report " + Quoted(out) + " " + Quoted(clip));
    EXPECT_EQ(stored.status, 0) << stored.out << errors_;
    const std::string html = ReadBytes(out / "flicker.ts/index.html");
    EXPECT_NE(html.find("\xcd\xbc\xcf\xf1\xce\xde\xd2\xec\xb3\xa3"), std::string::npos);  // 图像无异常
    EXPECT_NE(html.find("<td>\xc9\xc1\xcb\xb8\xbe\xaf\xb8\xe6</td>"), std::string::npos);  // 闪烁警告
}

// Special files would block an open for ever: refused at once, with the reason.
TEST_F(StoredReports, SpecialFilesAreRefusedWithoutWaiting)
{
    const std::filesystem::path fifo = dir_ / "f.mp4";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CheckerRun run = Run("--json " + Quoted(fifo));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(errors_.find(fifo.string() + " is a FIFO, not a regular file: refused"), std::string::npos) << errors_;
    run = Run("--store " + Quoted(fifo));
    EXPECT_EQ(run.status, 2) << run.out << errors_;

    // In the program folder: the parameters and settings are read as if missing.
    ASSERT_EQ(::mkfifo((dir_ / "home/ave.dat").c_str(), 0600), 0);
    std::filesystem::remove(dir_ / "home/Quarvik.ini");
    ASSERT_EQ(::mkfifo((dir_ / "home/Quarvik.ini").c_str(), 0600), 0);
    run = Run("--json " + Quoted(Media("tone.wav")));
    EXPECT_EQ(run.status, 0) << run.out << errors_;
    EXPECT_NE(errors_.find("ave.dat is a FIFO, not a regular file: refused"), std::string::npos) << errors_;
    EXPECT_NE(errors_.find("Quarvik.ini is a FIFO, not a regular file: refused"), std::string::npos) << errors_;
}

TEST(CheckReport, JsonStringsAreAlwaysValid)
{
    EXPECT_EQ(JsonString("it's \"a\\b\""), "\"it's \\\"a\\\\b\\\"\"");
    EXPECT_EQ(JsonString("a\nb\x01"), "\"a\\u000ab\\u0001\"");
    EXPECT_EQ(JsonString("静音(左)"), "\"静音(左)\"");
    EXPECT_EQ(JsonString("bad\xff\xe9!"), "\"bad\xEF\xBF\xBD\xEF\xBF\xBD!\"");
    EXPECT_EQ(JsonString("cut\xe9\x9d"), "\"cut\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

}  // namespace
}  // namespace quarvik
