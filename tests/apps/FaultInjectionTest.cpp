// Stored checks under faults injected from outside: task.db locked by another process for
// less and for longer than the retry bound, a program folder on a filesystem that fills up,
// and kill -9 at random moments. Each case asserts that nothing the check found is missing
// from task.db unless the run said so ("could not store") and exited 2, that no run waits
// past its bound, and that a rerun after a kill checks the file.
#include "SqliteDb.h"
#include "TaskQueries.h"
#include "TaskStates.h"
#include "TaskStore.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace quarvik {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Event = std::tuple<int, int, int>;  // code, first and last check frame

// The longest a stored check of the test file may take while faults are injected: checking it
// (a few seconds) plus the waits of its writes, each bounded by the retry bound or the busy
// timeout of one statement.
constexpr auto kRunBound = std::chrono::milliseconds(2 * kStoreRetryMs + 10000);

std::string Media(const std::string& name)
{
    const char* folder = std::getenv("QUARVIK_TEST_MEDIA");
    return std::string(folder ? folder : "test-media") + "/" + name;
}

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RunOutcome {
    int status = -1;  // exit status; -1 when killed
    std::string out, err;
    Clock::duration took{};
};

// A shell command in a process of its own, its output into files of dir.
class Process {
public:
    Process(const std::string& command, const fs::path& dir) : m_out(dir / "stdout"), m_err(dir / "stderr")
    {
        m_started = Clock::now();
        m_pid = fork();
        if (m_pid == 0) {
            const std::string line = "exec " + command + " >" + Quoted(m_out) + " 2>" + Quoted(m_err);
            execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    bool Exited()
    {
        if (m_done)
            return true;
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) != m_pid)
            return false;
        Finish(status);
        return true;
    }
    void Kill() { kill(m_pid, SIGKILL); }
    // Waits at most bound; a process still running then is killed (and the run fails).
    RunOutcome Wait(Clock::duration bound)
    {
        while (!Exited() && Clock::now() - m_started < bound)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!m_done) {
            ADD_FAILURE() << "still running after its bound";
            Kill();
            int status = 0;
            waitpid(m_pid, &status, 0);
            Finish(status);
        }
        return m_run;
    }

private:
    void Finish(int status)
    {
        m_done = true;
        m_run.took = Clock::now() - m_started;
        m_run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        m_run.out = ReadBytes(m_out);
        m_run.err = ReadBytes(m_err);
    }
    fs::path m_out, m_err;
    pid_t m_pid = -1;
    Clock::time_point m_started;
    bool m_done = false;
    RunOutcome m_run;
};

// Another process holding an exclusive lock on a database for ms milliseconds; returns
// once the lock is taken.
class LockHolder {
public:
    LockHolder(const fs::path& db, int ms)
    {
        int ready[2];
        EXPECT_EQ(pipe(ready), 0);
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            sqlite3* holder = nullptr;
            if (sqlite3_open(db.c_str(), &holder) != SQLITE_OK)
                _exit(1);
            sqlite3_busy_timeout(holder, 10000);
            if (sqlite3_exec(holder, "begin exclusive;", nullptr, nullptr, nullptr) != SQLITE_OK)
                _exit(1);
            (void)!write(ready[1], "x", 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            sqlite3_exec(holder, "commit;", nullptr, nullptr, nullptr);
            _exit(0);
        }
        close(ready[1]);
        pollfd entry{ready[0], POLLIN, 0};
        char byte = 0;
        m_locked = poll(&entry, 1, 15000) == 1 && read(ready[0], &byte, 1) == 1;
        close(ready[0]);
    }
    ~LockHolder()
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    bool Locked() const { return m_locked; }

private:
    pid_t m_pid = -1;
    bool m_locked = false;
};

bool IsOneJsonDocument(const std::string& text)
{
    char path[] = "/tmp/quarvik-json-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    const std::string command = "python3 -c 'import json,sys; json.load(open(sys.argv[1]))' " + std::string(path);
    const bool parsed = written && std::system(command.c_str()) == 0;
    unlink(path);
    return parsed;
}

std::vector<Event> EventsInJson(const std::string& json)
{
    static const std::regex kEvent(R"(\{"code":(\d+),"name":"[^"]*","begin":(\d+),"end":(\d+))");
    std::vector<Event> events;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), kEvent); it != std::sregex_iterator(); ++it)
        events.emplace_back(std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3]));
    return events;
}

// The result id a stored check printed; 0 when none.
int StoredResultId(const std::string& out)
{
    static const std::regex kStored(R"("result_id":(\d+))");
    std::smatch match;
    return std::regex_search(out, match, kStored) ? std::stoi(match[1]) : 0;
}

struct StoredResult {
    ResultInfo_t info;
    std::string name;
    std::vector<Event> events;
};

// Every result of the task database at path, with its stored fault events.
std::vector<StoredResult> StoredResults(const fs::path& taskDb)
{
    std::vector<StoredResult> results;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(taskDb.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return results;
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, "select nID,nState,tmEnd,szName from Results order by nID", -1, &query, nullptr);
    while (query && sqlite3_step(query) == SQLITE_ROW) {
        StoredResult r{};
        r.info.nID = sqlite3_column_int(query, 0);
        r.info.nState = sqlite3_column_int(query, 1);
        r.info.tmEnd = sqlite3_column_int(query, 2);
        r.name = reinterpret_cast<const char*>(sqlite3_column_text(query, 3));
        results.push_back(r);
    }
    sqlite3_finalize(query);
    for (StoredResult& r : results) {
        sqlite3_prepare_v2(db, "select nFault,tmBegin,tmEnd from Faults where nResultID=? order by nID", -1, &query,
                           nullptr);
        sqlite3_bind_int(query, 1, r.info.nID);
        while (sqlite3_step(query) == SQLITE_ROW)
            r.events.emplace_back(sqlite3_column_int(query, 0), sqlite3_column_int(query, 1),
                                  sqlite3_column_int(query, 2));
        sqlite3_finalize(query);
    }
    sqlite3_close(db);
    return results;
}

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quarvik-faults-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        fs::create_directories(dir_ / "home");
        fs::create_directories(dir_ / "cache");
        fs::create_directories(dir_ / "runs");
        ASSERT_EQ(Checker("--set-cache " + Quoted(dir_ / "cache")).Wait(kRunBound).status, 0);
        // What the engine finds in the file, from a check that stores nothing.
        const RunOutcome plain = Checker("--json " + Quoted(file_)).Wait(kRunBound);
        found_ = EventsInJson(plain.out);
        ASSERT_EQ(found_.size(), 5u) << plain.out;
    }
    void TearDown() override { fs::remove_all(dir_); }

    Process Checker(const std::string& arguments, const fs::path& home = {})
    {
        const fs::path runDir = dir_ / "runs" / std::to_string(runs_++);
        fs::create_directories(runDir);
        return Process("env QUARVIK_HOME=" + Quoted(home.empty() ? dir_ / "home" : home) + " " QUARVIK_CHECK_BINARY " " +
                           arguments,
                       runDir);
    }
    Process StoredCheck() { return Checker("--store --json " + Quoted(file_)); }

    // A run that ended: it stored all it found and says so, or it said what it could not
    // store and exited 2. Within its bound either way. Returns true when it stored all.
    bool ExpectHonest(const RunOutcome& run, const fs::path& taskDb)
    {
        EXPECT_LT(run.took, kRunBound);
        EXPECT_TRUE(IsOneJsonDocument(run.out)) << "diagnostics stay on stderr: " << run.out;
        const bool checked = run.out.find("\"frames\":0,") == std::string::npos;
        if (run.status != 2 || checked)
            EXPECT_EQ(EventsInJson(run.out), found_) << "the report is what the engine found";
        if (run.status == 2) {
            EXPECT_NE(run.err.find("could not store"), std::string::npos) << run.err;
            EXPECT_NE(run.out.find("\"store_error\":\"could not store"), std::string::npos) << run.out;
            return false;
        }
        EXPECT_EQ(run.status, 1) << run.err;
        const int id = StoredResultId(run.out);
        EXPECT_GT(id, 0) << run.out;
        bool stored = false;
        for (const StoredResult& r : StoredResults(taskDb)) {
            if (r.info.nID == id) {
                stored = true;
                EXPECT_EQ(ResultStateOf(r.info, false), kSubTaskDone);
                EXPECT_EQ(r.events, found_) << "result " << id;
            }
        }
        EXPECT_TRUE(stored) << "result " << id << " is in task.db";
        return true;
    }

    struct Tally {
        int marked = 0;  // results marked as not complete
        int lost = 0;    // results that look complete without all the engine finds
    };
    // Every result of the file that looks complete holds every event the engine finds; the
    // others are marked as not complete.
    Tally ExpectNoResultLooksCompleteWithoutItsFaults(const fs::path& taskDb)
    {
        Tally tally;
        for (const StoredResult& r : StoredResults(taskDb)) {
            if (r.name != fs::path(file_).filename())
                continue;
            if (ResultStateOf(r.info, false) != kSubTaskDone)
                ++tally.marked;
            else if (r.events != found_)
                ++tally.lost;
        }
        EXPECT_EQ(tally.lost, 0);
        return tally;
    }

    // Waits until task.db holds a result of this run (the check is under way).
    void WaitForResult(size_t resultsBefore)
    {
        const auto until = Clock::now() + std::chrono::seconds(20);
        while (StoredResults(dir_ / "home" / "task.db").size() <= resultsBefore && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    fs::path dir_;
    int runs_ = 0;
    const std::string file_ = Media("faults.mp4");
    std::vector<Event> found_;
};

// The lock comes while the check stores its faults: for less than the bound every write
// waits it out; for longer the run says what it could not store and exits 2.
TEST_F(FaultInjection, TaskDbLockedByAnotherProcessForLessAndForLongerThanTheBound)
{
    const fs::path taskDb = dir_ / "home" / "task.db";
    ASSERT_TRUE(ExpectHonest(StoredCheck().Wait(kRunBound), taskDb)) << "no lock: stored";
    int failuresDetected = 0;
    for (int holdMs : {kStoreRetryMs * 2 / 3, kStoreRetryMs + 6000}) {
        Process check = StoredCheck();
        WaitForResult(StoredResults(taskDb).size());
        LockHolder lock(taskDb, holdMs);
        ASSERT_TRUE(lock.Locked());
        const RunOutcome run = check.Wait(kRunBound);
        const bool stored = ExpectHonest(run, taskDb);
        EXPECT_EQ(stored, holdMs < kStoreRetryMs) << "held " << holdMs << " ms: " << run.err;
        failuresDetected += stored ? 0 : 1;
    }
    const Tally tally = ExpectNoResultLooksCompleteWithoutItsFaults(taskDb);
    std::cout << "locked task.db: 2 rounds, " << failuresDetected << " store failure(s) detected and reported, "
              << tally.lost << " results lost\n";
}

// The program folder on a small tmpfs of its own (not writable by others, as a program folder must
// be; in a mount namespace of its own, so it goes
// away with the test) that fills up; the database exists already.
class FullDisk : public FaultInjection, public ::testing::WithParamInterface<int> {};

TEST_P(FullDisk, ProgramFolderOnAFilesystemThatFillsUp)
{
    if (std::system("unshare -m true 2>/dev/null") != 0)
        GTEST_SKIP() << "mounting is not permitted here (needs root and unshare -m): full-disk case not run";
    const int freeBytes = GetParam();
    const fs::path home = dir_ / "small", saved = dir_ / "saved";
    fs::create_directories(home);
    fs::create_directories(saved);
    const std::string checker = "env QUARVIK_HOME=" + Quoted(home) + " " QUARVIK_CHECK_BINARY;
    const std::string script =
        "set -e; mount -t tmpfs -o size=1m,mode=0755 quarvik-test " + Quoted(home) + "; " + checker + " --set-cache " +
        Quoted(dir_ / "cache") + "; " + checker + " --store " + Quoted(Media("tone.wav")) + " >/dev/null 2>&1; " +
        "dd if=/dev/zero of=" + Quoted(home / "fill") + " bs=4k 2>/dev/null || true; truncate -s -" +
        std::to_string(freeBytes) + " " + Quoted(home / "fill") + "; set +e; " + checker + " --store --json " +
        Quoted(file_) + "; echo $? >" + Quoted(saved / "status") + "; cp " + Quoted(home) + "/task.db* " +
        Quoted(saved) + "; umount " + Quoted(home);
    Process inNamespace("unshare -m sh -c " + Quoted(script), saved);
    RunOutcome run = inNamespace.Wait(kRunBound + std::chrono::seconds(10));
    run.status = std::atoi(ReadBytes(saved / "status").c_str());
    const bool stored = ExpectHonest(run, saved / "task.db");
    const Tally tally = ExpectNoResultLooksCompleteWithoutItsFaults(saved / "task.db");
    EXPECT_FALSE(stored) << "the snapshots alone need more room than there is";
    std::cout << freeBytes << " bytes free: " << (stored ? "stored" : "store failure detected and reported") << ", "
              << tally.lost << " results lost\n";
}

INSTANTIATE_TEST_SUITE_P(FreeBytes, FullDisk, ::testing::Values(0, 8 * 1024, 64 * 1024));

// kill -9 at a random moment of a stored check, then the same command again: the rerun
// checks the file and stores all of it; the killed run's partial result is marked as never
// finished.
TEST_F(FaultInjection, KillNineAtRandomMomentsThenTheSameCommandAgain)
{
    const fs::path taskDb = dir_ / "home" / "task.db";
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> moment(0, 2000);  // a run takes about 2.5 s
    constexpr int kRounds = 10;
    int killedMidway = 0;
    for (int round = 0; round < kRounds; ++round) {
        Process check = StoredCheck();
        const int ms = moment(random);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        killedMidway += check.Exited() ? 0 : 1;
        check.Kill();
        check.Wait(kRunBound);
        const RunOutcome again = StoredCheck().Wait(kRunBound);
        EXPECT_EQ(again.out.find("\"duplicate\":true"), std::string::npos) << "round " << round << " (kill at " << ms << " ms)";
        EXPECT_TRUE(ExpectHonest(again, taskDb)) << "round " << round << " (kill at " << ms << " ms): " << again.err;
    }
    const Tally tally = ExpectNoResultLooksCompleteWithoutItsFaults(taskDb);
    std::cout << "kill -9 (seed " << seed << "): " << kRounds << " rounds, " << killedMidway << " killed mid-run, "
              << tally.marked << " partial results marked as never finished, " << tally.lost << " results lost\n";
}

}  // namespace
}  // namespace quarvik
