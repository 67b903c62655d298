#include "SqliteDb.h"

#include "FileDisplay.h"
#include "SqlText.h"
#include "TextField.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>

namespace quarvik {
namespace {

long long SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// A database is a regular file: SQLite would wait for ever on a FIFO and read nonsense from a
// device. True for a regular file or nothing at all.
bool RegularOrMissing(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

// Reports a failed file operation; the SQLite code that stands for it (a full disk or not).
int ReportFileError(const char* what, const std::string& path, std::string& reason)
{
    const int error = errno;
    std::fprintf(stderr, "%s: %s\nERROR:%s\n", what, path.c_str(), std::strerror(error));
    reason = std::strerror(error);
    return error == ENOSPC || error == EDQUOT ? SQLITE_FULL : SQLITE_CANTOPEN;
}

// Puts the finished file at path unless another connection got there first, in which case its
// file stands. A hard link never replaces; renameat2 covers filesystems without hard links.
int PublishFile(const std::string& temp, const std::string& path, std::string& reason)
{
    if (link(temp.c_str(), path.c_str()) == 0 || errno == EEXIST)
        return SQLITE_OK;
    if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0 || errno == EEXIST)
        return SQLITE_OK;
    return ReportFileError("CREATE", path, reason);
}

// SQLITE_OK, or the code of the failure with its reason.
int CreateDatabaseFile(const std::string& path, std::span<const char* const> schema, std::string& reason)
{
    std::string temp = path + ".new-XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return ReportFileError("CREATE", path, reason);
    close(fd);
    int code = SQLITE_OK;
    {
        CSqliteDb creator;
        if (creator.OpenOrCreate(temp, {})) {
            for (const char* statement : schema) {
                if (!creator.Exec(statement)) {
                    code = creator.LastErrorCode();
                    reason = creator.LastError() ? creator.LastError() : "";
                    break;
                }
            }
        } else {
            code = creator.LastErrorCode();
            reason = creator.LastError() ? creator.LastError() : "";
        }
    }
    if (code == SQLITE_OK)
        code = PublishFile(temp, path, reason);
    unlink(temp.c_str());
    return code;
}

}  // namespace

CSqliteDb::~CSqliteDb()
{
    Close();
    sqlite3_free(m_lastError);
}

bool CSqliteDb::Connect(const std::string& path, int flags)
{
    const int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "OPEN: %s\nERROR:%s\n", path.c_str(), m_db ? sqlite3_errmsg(m_db) : "out of memory");
        NoteFailure(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_handler(m_db, &CSqliteDb::OnBusy, this);
    return true;
}

void CSqliteDb::SetBusyTimeout(int ms)
{
    m_busyTimeoutMs = ms;
}

int CSqliteDb::OnBusy(void* self, int count)
{
    auto* db = static_cast<CSqliteDb*>(self);
    const long long now = SteadyMs();
    if (count == 0)
        db->m_busySinceMs = now;
    const long long left = db->m_busyTimeoutMs - (now - db->m_busySinceMs);
    if (left <= 0)
        return 0;
    // Short waits first, as SQLite's own busy timeout does: most locks pass quickly.
    static constexpr int kDelays[] = {1, 2, 5, 10, 15, 20};
    const int delay = count < static_cast<int>(std::size(kDelays)) ? kDelays[count] : kLockWaitSliceMs;
    WaitForLock(static_cast<int>(std::min<long long>(delay, left)));
    return 1;
}

namespace {
thread_local LockWaitFn t_lockWait;
thread_local bool t_inLockWait = false;
}  // namespace

void SetLockWaitFn(LockWaitFn fn)
{
    t_lockWait = std::move(fn);
}

void WaitForLock(int ms)
{
    if (ms <= 0)
        return;
    if (!t_lockWait || t_inLockWait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    t_inLockWait = true;
    t_lockWait(ms);
    t_inLockWait = false;
}

bool CSqliteDb::LastErrorPasses() const
{
    switch (m_lastCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL:
        return true;
    default:
        return false;
    }
}

bool CSqliteDb::OpenOrCreate(const std::string& path, std::span<const char* const> schema)
{
    if (IsOpen())
        return true;
    if (!RegularOrMissing(path)) {
        std::fprintf(stderr, "OPEN: %s\nERROR:not a regular file\n", path.c_str());
        NoteFailure(SQLITE_CANTOPEN, "not a regular file");
        return false;
    }
    if (!FileExists(path)) {
        std::string reason;
        const int code = CreateDatabaseFile(path, schema, reason);
        if (code != SQLITE_OK) {
            NoteFailure(code, "cannot create the file: " + reason);
            return false;
        }
    }
    // Without CREATE: a file removed since the test above must not come back as an empty
    // database without tables, which no later open would ever repair.
    m_opened = Connect(path, SQLITE_OPEN_READWRITE);
    if (m_opened && !schema.empty() && !CreateSchemaIfEmpty(schema))
        Close();
    return m_opened;
}

bool CSqliteDb::CreateSchemaIfEmpty(std::span<const char* const> schema)
{
    // A file of 0 bytes (cut by a crash, or made by hand) is a database without tables; it gets
    // the schema under a write lock, so two connections that find it empty create it once.
    const auto tableCount = [this] {
        int32_t count = -1;
        if (Query("select count(*) from sqlite_master") && Step() == SQLITE_ROW)
            GetInt(0, count);
        EndQuery();
        return count;
    };
    if (tableCount() != 0)
        return true;
    if (!Exec("BEGIN IMMEDIATE"))
        return false;
    bool created = tableCount() == 0;
    for (size_t i = 0; created && i < schema.size(); ++i)
        created = Exec(schema[i]);
    if (created)
        return Exec("COMMIT");
    Exec("ROLLBACK");
    return tableCount() > 0;
}

void CSqliteDb::NoteFailure(int code)
{
    NoteFailure(code, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code));
}

void CSqliteDb::NoteFailure(int code, const std::string& reason)
{
    m_lastCode = code;
    sqlite3_free(m_lastError);
    m_lastError = sqlite3_mprintf("%s", reason.c_str());
}

void CSqliteDb::ReportExecError(const std::string& sql, char* error)
{
    m_lastCode = m_db ? sqlite3_errcode(m_db) : SQLITE_ERROR;
    sqlite3_free(m_lastError);
    m_lastError = error;
    std::fprintf(stderr, "EXECUTE: %s\nERROR:%s\n", HideFtpUserInfo(sql).c_str(), error ? error : "");
}

bool CSqliteDb::Exec(const std::string& sql)
{
    if (!IsOpen())
        return false;
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ReportExecError(sql, error);
        return false;
    }
    return true;
}

bool CSqliteDb::ExecBlob(const std::string& sql, const void* data, int length)
{
    if (!IsOpen())
        return false;
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare(m_db, sql.c_str(), -1, &statement, nullptr);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "sqlite3_prepare  ERROR! %d \n", rc);
        NoteFailure(rc);
        sqlite3_finalize(statement);
        return false;
    }
    if (data) {
        rc = sqlite3_bind_blob(statement, 1, data, length, SQLITE_STATIC);
        if (rc != SQLITE_OK) {
            std::fprintf(stderr, "sqlite3_bind_blob  ERROR! %d\n", rc);
            NoteFailure(rc);
            sqlite3_finalize(statement);
            return false;
        }
    }
    rc = sqlite3_step(statement);
    bool done = rc == SQLITE_DONE;
    if (!done)
        std::fprintf(stderr, "sqlite3_step  ERROR! %d\n", rc);
    // The legacy interface's step says only SQLITE_ERROR; finalize gives the specific code.
    const int finalized = sqlite3_finalize(statement);
    if (finalized != SQLITE_OK || !done)
        std::fprintf(stderr, "sqlite3_finalize  ERROR! %d\n", rc);
    if (!done)
        NoteFailure(finalized != SQLITE_OK ? finalized : rc);
    return done;
}

bool CSqliteDb::Query(const std::string& sql)
{
    if (!IsOpen())
        return false;
    EndQuery();
    int rc = sqlite3_prepare(m_db, sql.c_str(), -1, &m_query, nullptr);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "sqlite3_prepare  return  %d !\n", rc);
        NoteFailure(rc);
        EndQuery();
        return false;
    }
    return true;
}

int CSqliteDb::Step()
{
    if (!m_query)
        return SQLITE_MISUSE;
    const int rc = sqlite3_step(m_query);
    // The legacy interface's step says only SQLITE_ERROR; reset gives the specific code.
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        NoteFailure(rc == SQLITE_ERROR ? sqlite3_reset(m_query) : rc);
    return rc;
}

void CSqliteDb::EndQuery()
{
    sqlite3_finalize(m_query);
    m_query = nullptr;
}

namespace {

// The current row's value of a column through one of SQLite's column readers; false without
// a query.
template <typename T, typename Reader>
bool ReadColumn(sqlite3_stmt* query, int col, T& value, int* bytes, Reader read)
{
    if (!query)
        return false;
    value = static_cast<T>(read(query, col));
    if (bytes)
        *bytes = sqlite3_column_bytes(query, col);
    return true;
}

}  // namespace

bool CSqliteDb::GetInt(int col, int32_t& value, int* bytes)
{
    return ReadColumn(m_query, col, value, bytes, sqlite3_column_int);
}

bool CSqliteDb::GetInt64(int col, int64_t& value, int* bytes)
{
    return ReadColumn(m_query, col, value, bytes, sqlite3_column_int64);
}

bool CSqliteDb::GetDouble(int col, double& value, int* bytes)
{
    return ReadColumn(m_query, col, value, bytes, sqlite3_column_double);
}

namespace {

// The current row's text of a column; false without a query or for NULL.
bool ColumnText(sqlite3_stmt* query, int col, std::string_view& text, int* bytes)
{
    if (!query)
        return false;
    const unsigned char* chars = sqlite3_column_text(query, col);
    const int size = sqlite3_column_bytes(query, col);
    if (bytes)
        *bytes = size;
    if (!chars)
        return false;
    text = std::string_view(reinterpret_cast<const char*>(chars), static_cast<size_t>(size));
    return true;
}

}  // namespace

bool CSqliteDb::GetText(int col, char* dest, size_t capacity, int* bytes)
{
    std::string_view text;
    if (!ColumnText(m_query, col, text, bytes))
        return false;
    CopyText(dest, capacity, text);
    return true;
}

bool CSqliteDb::GetString(int col, std::string& dest, int* bytes)
{
    std::string_view text;
    if (!ColumnText(m_query, col, text, bytes))
        return false;
    dest.assign(text);
    return true;
}

bool CSqliteDb::GetBlob(int col, const void*& data, int& bytes)
{
    if (!m_query)
        return false;
    data = sqlite3_column_blob(m_query, col);
    bytes = sqlite3_column_bytes(m_query, col);
    return true;
}

int CSqliteDb::GetLastInsertId()
{
    return m_db ? static_cast<int>(sqlite3_last_insert_rowid(m_db)) : -1;
}

int CSqliteDb::GetChanges()
{
    return m_db ? sqlite3_changes(m_db) : -1;
}

void CSqliteDb::Rollback()
{
    if (!m_db)
        return;
    static const char kRollback[] = "rollback transaction;";
    char* error = nullptr;
    // The diagnostic only: the failure that made the caller roll back stays the last error.
    if (sqlite3_exec(m_db, kRollback, nullptr, nullptr, &error) != SQLITE_OK)
        std::fprintf(stderr, "EXECUTE: %s\nERROR:%s\n", kRollback, error ? error : "");
    sqlite3_free(error);
}

bool CSqliteDb::RunInTransaction(const std::function<bool()>& body)
{
    if (!IsOpen())
        return false;
    // Inside a unit already: this one is part of it, written or undone with it.
    if (!sqlite3_get_autocommit(m_db))
        return body();
    if (!Exec("begin transaction;"))
        return false;
    bool written = false;
    try {
        written = body() && Exec("commit transaction;");
    } catch (...) {
        written = false;
    }
    // A failed statement or commit, an exception: nothing of the unit stays. SQLite may have
    // ended the transaction itself (a full disk rolls back at once).
    if (!written && !sqlite3_get_autocommit(m_db))
        Rollback();
    return written;
}

bool CSqliteDb::TableExists(const char* table)
{
    int32_t count = 0;
    if (!Query(SqlPrintf("select count(*) from sqlite_master where type='table' and name='%q'", table)))
        return false;
    if (Step() == SQLITE_ROW)
        GetInt(0, count);
    EndQuery();
    return count > 0;
}

void CSqliteDb::Close()
{
    // An unfinalized statement would keep the connection, and with it the file lock, alive.
    EndQuery();
    sqlite3_close(m_db);
    m_db = nullptr;
    m_opened = false;
}

}  // namespace quarvik
