#include "TaskStore.h"

#include "ProgramFolder.h"

#include <algorithm>
#include <chrono>

namespace quarvik {

bool StoreInTaskDb(const std::function<bool(CSqliteDb&)>& unit, std::string& reason)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kStoreRetryMs);
    const auto msLeft = [&] {
        return static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    };
    int pauseMs = 50;
    for (;;) {
        CSqliteDb db;
        if (db.OpenTaskDb()) {
            // A lock held by another connection is waited for within the bound, not beyond.
            db.SetBusyTimeout(std::max(msLeft(), 1));
            if (db.RunInTransaction([&] { return unit(db); }))
                return true;
        }
        const char* why = db.LastError();
        reason = ProgramFilePath("task.db") + ": " + (why && *why ? why : "the write failed");
        if (!db.LastErrorPasses() || msLeft() <= 0)
            return false;
        db.Close();
        WaitForLock(std::min(pauseMs, std::max(msLeft(), 0)));
        pauseMs = std::min(pauseMs * 2, 1000);
    }
}

}  // namespace quarvik
