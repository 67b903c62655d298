// CSqliteDb: one short-lived connection to one of the program's SQLite databases.
//
// Every database operation makes its own object on the stack, opens it, runs its statements
// and lets it close; nothing stays open between operations. An object belongs to the thread
// that made it and is never shared or handed on. Concurrent writers on other connections are
// arbitrated by SQLite's file locks: every connection waits up to kBusyTimeoutMs for a lock
// before a statement fails, so a write is not lost to a momentary lock. Writes of task.db
// that must not be lost go through StoreInTaskDb (TaskStore.h), which tries for longer.
//
// Errors: operations return false (or -1) and write the diagnostic lines below to stderr
// (never stdout, which belongs to the programs' own output); LastError() and LastErrorCode()
// keep the reason of the latest failure. Nothing is shown to the operator here and nothing
// throws, except std::bad_alloc.
//   "EXECUTE: %s\nERROR:%s\n"        a failed Exec or Rollback
//   "sqlite3_prepare  ERROR! %d \n"  ExecBlob; likewise bind, step, finalize
//   "sqlite3_prepare  return  %d !\n" Query
//
// Text values are embedded quote-safe (SqlPrintf, "%q"), so stored texts equal the given texts.
#pragma once

#include "FtpFileItem.h"
#include "TaskRecords.h"
#include "TemplRecords.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace quarvik {

constexpr int kBusyTimeoutMs = 5000;

// How the calling thread waits for another connection's lock and between the tries of a write
// (TaskStore.h): by default it sleeps. A thread that must stay responsive (the GUI thread)
// installs a function that serves it for about ms instead; SQLite then waits in slices of at
// most kLockWaitSliceMs. The function is not entered again while it runs (a wait within it
// sleeps). An empty function restores sleeping. Affects the calling thread only.
using LockWaitFn = std::function<void(int ms)>;
constexpr int kLockWaitSliceMs = 20;
void SetLockWaitFn(LockWaitFn fn);
// Waits ms the calling thread's way.
void WaitForLock(int ms);

class CSqliteDb {
public:
    CSqliteDb() = default;
    ~CSqliteDb();
    CSqliteDb(const CSqliteDb&) = delete;
    CSqliteDb& operator=(const CSqliteDb&) = delete;

    // Open "Templ.db", "task.db" or "<listName>.db" in the program folder, creating a missing
    // file with its schema first. True when open; already open: true, nothing done. A list
    // name must be a plain file name (no '/').
    bool OpenTemplDb();
    bool OpenTaskDb();
    bool OpenFtpList(const std::string& listName);
    // Opens the database at path, first creating it with the schema statements when no file
    // exists there. The file is built under a temporary name and linked into place only when
    // every statement succeeded, so a failing schema leaves no file and two connections that
    // create at once end with one complete database. An existing file without tables (0 bytes)
    // gets the schema; a path that is not a regular file (a FIFO, a device) is refused.
    bool OpenOrCreate(const std::string& path, std::span<const char* const> schema);

    // Runs one or more statements; false (with the diagnostic) on failure.
    bool Exec(const std::string& sql);
    // Runs one statement with a single '?' bound to data/length as a blob, not copied: data must
    // stay valid for the call. A null data leaves the parameter NULL. True on SQLITE_DONE.
    bool ExecBlob(const std::string& sql, const void* data, int length);

    // Prepares sql as the query statement, finalizing any earlier one. Then call Step() until
    // it returns something other than SQLITE_ROW (100), reading columns in between, and
    // EndQuery() when done; SQLITE_DONE (101) means every row was read, anything else is a
    // failure (kept as the last error). Close() ends a query that is still open.
    bool Query(const std::string& sql);
    int Step();
    void EndQuery();

    // Column readers on the current row (0-based select-list order); false without a query.
    // bytes receives the value's size as SQLite reports it (0 for NULL).
    bool GetInt(int col, int32_t& value, int* bytes = nullptr);
    bool GetInt64(int col, int64_t& value, int* bytes = nullptr);
    bool GetDouble(int col, double& value, int* bytes = nullptr);
    // Copies the text, cut to fit dest with its NUL; a NULL column copies nothing -> false.
    bool GetText(int col, char* dest, size_t capacity, int* bytes = nullptr);
    template <size_t N>
    bool GetString(int col, char (&dest)[N], int* bytes = nullptr)
    {
        return GetText(col, dest, N, bytes);
    }
    bool GetString(int col, std::string& dest, int* bytes = nullptr);
    // The blob bytes stay owned by SQLite until the next Step() or EndQuery(); copy them.
    bool GetBlob(int col, const void*& data, int& bytes);

    int GetLastInsertId();  // -1 when not connected
    // Whether the database has a table of this name (false when not connected).
    bool TableExists(const char* table);
    int GetChanges();       // -1 when not connected
    void Rollback();
    void Close();

    bool IsOpen() const { return m_opened && m_db; }
    // The latest failure of an open, statement or query: SQLite's message (or the file
    // error) and its result code; null and SQLITE_OK (0) before any.
    const char* LastError() const { return m_lastError; }
    int LastErrorCode() const { return m_lastCode; }
    // The latest failure may pass by itself: the file busy or locked by another connection,
    // the disk full, an I/O error, a file that could not be opened or created.
    bool LastErrorPasses() const;
    // How long a statement waits for another connection's lock (kBusyTimeoutMs by default).
    void SetBusyTimeout(int ms);

    // "begin transaction;", body, "commit transaction;" as one unit, written whole or not at
    // all: body returns false at its first failed statement, and then, as when body throws
    // or the commit fails, the transaction is rolled back. False: nothing of it was written.
    // Called inside another unit, body simply becomes part of that one.
    bool RunInTransaction(const std::function<bool()>& body);

    // Templ.db
    bool AddTask(const MonTask_t& task, int& newId);
    bool UpdateTask(int nID, const MonTask_t& task);
    bool DeleteTask(int nID);
    bool AddTarget(int& newId, const MonObj_t& target);
    bool UpdateTarget(int nID, const MonObj_t& target);  // true only when a row changed
    bool DeleteTarget(int nID);
    bool AddSyntax(const MonSyntax_t& syntax, int& newId);
    bool UpdateSyntax(int nID, const MonSyntax_t& syntax);
    bool DeleteSyntax(int nID);

    // task.db
    bool AddSubTask(int& newId, const SubTaskInfo_t& subTask);
    bool SetSubTaskState(int nID, int state);
    bool DeleteSubTask(int nID);
    bool AddResult(int& newId, const ResultInfo_t& result);
    bool SetResultFmtError(int nID, int verdict);
    // The state a check ended in, when it did not finish (ResultInfo_t tells which).
    bool SetResultState(int nID, int state);
    // Writes tmEnd, fSpeed, nFrame and the 18 counters of counters.
    bool UpdateResultEnd(int nID, int tmEnd, double fSpeed, int nFrame, const ResultInfo_t& counters);
    bool DeleteResult(int nID);
    // Stores the event and, for a kind with a counter column, sets it to newCount.
    bool AddFault(const FaultInfo_t& fault, int newCount);
    // Stores the event row alone with length bytes of image as its picture (none: NULL).
    bool InsertFault(const FaultInfo_t& fault, const uint8_t* image, int length);
    bool AddSyntaxErr(int nResultID, const char* szType, const char* szName, const char* szVaildValue1,
                      const char* szVaildValue2, const char* szRealValue);
    // Meant to run inside the caller's RunInTransaction.
    bool AddMediaInfo(int nResultID, int nType, const char* szFeature, const char* szValue);
    // A SubTasks row in state 0 with this size whose szFilename is path or whose szName is the
    // file-name part of path.
    bool FindPendingSubTask(const std::string& path, int64_t llFileSize);

    // ftp%d.db / dir%d.db
    bool AddFtpFile(const char* szUrl, int64_t llFileSize, int& newId, uint32_t lastWriteLow,
                    uint32_t lastWriteHigh);
    bool SetFtpFileState(int nID, int nState);

private:
    bool Connect(const std::string& path, int flags);
    // SQLite's busy handler: waits (WaitForLock) until m_busyTimeoutMs have passed since the
    // first call of this wait.
    static int OnBusy(void* self, int count);
    // Gives a database without any table (an empty file) the schema; false when that failed.
    bool CreateSchemaIfEmpty(std::span<const char* const> schema);
    void ReportExecError(const std::string& sql, char* error);
    void NoteFailure(int code);
    void NoteFailure(int code, const std::string& reason);

    sqlite3* m_db = nullptr;
    char* m_lastError = nullptr;
    int m_lastCode = 0;
    sqlite3_stmt* m_query = nullptr;
    bool m_opened = false;
    int m_busyTimeoutMs = kBusyTimeoutMs;
    long long m_busySinceMs = 0;
};

}  // namespace quarvik
