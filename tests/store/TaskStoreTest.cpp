#include "SqliteDb.h"
#include "TaskQueries.h"
#include "TaskStore.h"
#include "TempHome.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace quarvik {
namespace {

class TaskStoreTest : public TempHomeTest {
protected:
    // Another connection to task.db (made first when missing) that holds it exclusively.
    void HoldTaskDb(sqlite3*& holder)
    {
        {
            CSqliteDb db;
            ASSERT_TRUE(db.OpenTaskDb());
        }
        ASSERT_EQ(sqlite3_open(HomeFile("task.db").c_str(), &holder), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(holder, "begin exclusive;", nullptr, nullptr, nullptr), SQLITE_OK);
    }
};
using Clock = std::chrono::steady_clock;

SubTaskInfo_t SubTask()
{
    SubTaskInfo_t s{};
    s.nTaskID = 1;
    s.nState = kSubTaskWaitCheck;
    return s;
}

// Another connection holds task.db longer than a statement waits by itself: the unit is
// tried again and written once the lock is gone, within the bound.
TEST_F(TaskStoreTest, LockHeldPastTheBusyTimeoutIsWaitedOutWithinTheBound)
{
    sqlite3* holder = nullptr;
    ASSERT_NO_FATAL_FAILURE(HoldTaskDb(holder));
    static constexpr int kHoldMs = kBusyTimeoutMs + 1000;
    static_assert(kHoldMs < kStoreRetryMs);
    std::thread release([holder] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kHoldMs));
        sqlite3_exec(holder, "commit;", nullptr, nullptr, nullptr);
    });
    const auto started = Clock::now();
    std::string reason;
    int id = 0;
    testing::internal::CaptureStderr();
    const bool stored = StoreInTaskDb([&](CSqliteDb& db) { return db.AddSubTask(id, SubTask()); }, reason);
    testing::internal::GetCapturedStderr();
    const auto waited = Clock::now() - started;
    release.join();
    sqlite3_close(holder);
    EXPECT_TRUE(stored) << reason;
    EXPECT_GE(waited, std::chrono::milliseconds(kHoldMs - 100));
    EXPECT_LT(waited, std::chrono::milliseconds(kStoreRetryMs));
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    EXPECT_EQ(LoadUnfinishedSubTasks(db, 1).size(), 1u);
}

// A thread with a wait of its own (the GUI thread) is never kept longer than a short slice
// while another connection holds task.db: every wait, SQLite's for the lock and the pause
// between tries, goes through it.
TEST_F(TaskStoreTest, LockWaitsGoThroughTheThreadsOwnWait)
{
    sqlite3* holder = nullptr;
    ASSERT_NO_FATAL_FAILURE(HoldTaskDb(holder));
    static constexpr int kHoldMs = kBusyTimeoutMs + 1000;
    const auto started = Clock::now();
    auto left = Clock::now();  // when the thread last left its wait
    Clock::duration longestAway{};
    int waits = 0;
    SetLockWaitFn([&](int ms) {
        longestAway = std::max(longestAway, Clock::now() - left);
        ++waits;
        EXPECT_LE(ms, 1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        if (holder && Clock::now() - started > std::chrono::milliseconds(kHoldMs)) {
            sqlite3_exec(holder, "commit;", nullptr, nullptr, nullptr);
            sqlite3_close(holder);
            holder = nullptr;
        }
        left = Clock::now();
    });
    std::string reason;
    int id = 0;
    testing::internal::CaptureStderr();
    const bool stored = StoreInTaskDb([&](CSqliteDb& db) { return db.AddSubTask(id, SubTask()); }, reason);
    testing::internal::GetCapturedStderr();
    SetLockWaitFn({});
    if (holder)
        sqlite3_close(holder);
    EXPECT_TRUE(stored) << reason;
    EXPECT_GT(waits, 10);
    EXPECT_LT(longestAway, std::chrono::milliseconds(50));
}

// A failure that cannot pass by itself is not tried again; its reason names the database.
TEST_F(TaskStoreTest, LastingFailureGivesUpAtOnceWithItsReason)
{
    std::string reason;
    int tries = 0;
    testing::internal::CaptureStderr();
    const auto started = Clock::now();
    EXPECT_FALSE(StoreInTaskDb(
        [&](CSqliteDb& db) {
            ++tries;
            int id = 0;
            return db.AddSubTask(id, SubTask()) && db.Exec("insert into Nowhere values (1)");
        },
        reason));
    testing::internal::GetCapturedStderr();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(tries, 1);
    EXPECT_EQ(reason, HomeFile("task.db") + ": no such table: Nowhere");
    CSqliteDb db;
    ASSERT_TRUE(db.OpenTaskDb());
    EXPECT_TRUE(LoadUnfinishedSubTasks(db, 1).empty()) << "nothing of the failed unit stays";
}

}  // namespace
}  // namespace quarvik
