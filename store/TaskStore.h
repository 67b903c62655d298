// Writing task.db so that nothing is lost to a passing failure, and nothing waits for ever.
//
// A write unit opens task.db and runs its statements as one transaction, written whole or
// not at all. When it fails for a reason that may pass by itself (the file busy or locked by
// another connection, the disk full, an I/O error, a file that could not be created) it is
// tried again, with growing pauses, until kStoreRetryMs have passed since its first try;
// then it gives up. Any other failure gives up at once.
//
// Threading: runs on the calling thread and keeps it for up to kStoreRetryMs (the home
// thread of the writer, as every task.db write of the program). Its waits for locks and
// between tries are the thread's (WaitForLock, SqliteDb.h): a GUI thread stays served.
#pragma once

#include "SqliteDb.h"

#include <functional>
#include <string>

namespace quarvik {

constexpr int kStoreRetryMs = 15000;

// Runs unit(db) on a fresh connection to task.db inside a transaction; unit returns false at
// its first failed statement. True once a try was committed. Otherwise false, with reason
// set to "<path of task.db>: <why>" (SQLite's message or the file error of the last try).
bool StoreInTaskDb(const std::function<bool(CSqliteDb&)>& unit, std::string& reason);

}  // namespace quarvik
