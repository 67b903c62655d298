// CResultRecorder: the day's result list as data, and the writer of every check report into
// "task.db" (Results, Faults, SyntaxErr rows and the media properties).
//
// The result page draws it; quarvik-check and the tests drive it directly. Threading: every
// call runs on its home thread; check workers reach it through IDispatcher::Send, so the
// records and pictures of a report are borrowed for the call only.
//
// Storing: every write is one unit that is tried again for a while when task.db is busy,
// locked or full (TaskStore.h), so a call may block its home thread for up to kStoreRetryMs.
// A write that still fails is not hidden: the row gets the state kResultNotStored and its
// storeError message, observers hear OnStoreFailed, and nothing more is written for that
// result. The end of a check is stored only after the stored faults and deviations were
// read back and found equal to what the check reported; only then is the result complete.
#pragma once

#include "CheckNotify.h"
#include "FileDisplay.h"
#include "TaskQueries.h"
#include "TaskRecords.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quarvik {

// The clip name of a file in the playout system; yields nothing unless that link is enabled.
class IClipNameLookup {
public:
    // baseName: the file name without folder and extension.
    virtual bool LookupClipName(const std::string& baseName, std::string& clipName) = 0;

protected:
    ~IClipNameLookup() = default;
};

enum class RowColour { kNormal, kDarkRed, kRed };

// The fault kinds of the list's eleven count columns, in column order.
inline constexpr std::array<int32_t, 11> kCountColumnKinds = {1, 2, 4, 3, 5, 16, 17, 18, 19, 20, 21};

// Column (0-10) of a kind among the count columns; -1 for a kind without one.
int CountColumnOfKind(int32_t kind);

struct ResultRow_t {
    ResultInfo_t info;              // pFaceImage null; the pixels are in face; nState: ResultState
    std::vector<uint8_t> face;
    std::array<int32_t, 11> counts{};  // -1 shows "-": nothing reported for the column yet
    RowColour colour = RowColour::kNormal;
    // What this run's check reported, whether or not it could be stored, in the order it
    // came: the fault events it counted (snapshots not kept) and the format deviations.
    // Empty for rows loaded from the database.
    std::vector<FaultInfo_t> events;
    std::vector<SyntaxErrRow> deviations;
    // Empty while everything reported is stored; otherwise "could not store ..." naming
    // the database and the reason.
    std::string storeError;
};

class IResultListObserver {
public:
    virtual void OnRowAppended(int row) = 0;
    virtual void OnRowChanged(int row) = 0;
    virtual void OnReloaded() = 0;
    // Every check report is passed on (to the alarm light); code 0-4. The notice that a
    // result begins without a format check is no verdict and is not passed on.
    virtual void OnReport(int code) = 0;
    // A fault event was counted in a row (and stored when the row has a result id).
    virtual void OnFaultRecorded(int row, const ResultNotify_t& notice) = 0;
    // A write of the row's result failed for good: Row(row).storeError tells what and why
    // (the row's OnRowChanged follows).
    virtual void OnStoreFailed(int /*row*/) {}

protected:
    ~IResultListObserver() = default;
};

class CResultRecorder : public ICheckResultSink {
public:
    // Stores the media properties of a new result; false with storeError set ("<task.db>:
    // <reason>") when they could not be stored, false with it empty when there were none.
    using StoreMediaInfoFn = std::function<bool(const std::string& path, int32_t resultId, std::string& storeError)>;

    CResultRecorder() = default;
    void AddObserver(IResultListObserver* observer) { m_observers.push_back(observer); }
    void SetClipNameLookup(IClipNameLookup* lookup) { m_pClipNames = lookup; }
    // Writes the media properties of a new result; none set: nothing is written.
    void SetStoreMediaInfo(StoreMediaInfoFn fn) { m_storeMediaInfo = std::move(fn); }

    // The results begun today (local time, 00:00:00 to 23:59:59).
    void Reload();
    // nowSeconds: the current time; tests pass their own.
    void ReloadDay(int64_t nowSeconds);

    // A sub-task enters checking: a new row and a new Results row.
    void OnNewResult(const SubTaskInfo_t& subTask);
    // Format notices: nKind 0 a result begins (no verdict yet), 1 a deviation, 2 format valid.
    void OnFormatNotice(const ResultNotify_t& notice);
    void OnFaultNotice(const ResultNotify_t& notice) override;
    void OnCheckFinished(const ResultNotify_t& notice) override;
    void OnOpenFailed(const ResultNotify_t& notice) override;
    // The check of this task and sub-task ended without a finished content check: stopped
    // before the end of its input (kResultStopped), or done after its format check alone
    // (kResultComplete: the format was invalid, or the content check is off).
    void OnCheckEnded(int32_t taskId, int32_t subTaskId, ResultState state);

    int Count() const { return static_cast<int>(m_rows.size()); }
    const ResultRow_t& Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    // Row of the latest result of this task and sub-task; -1 when none.
    int FindRow(int32_t taskId, int32_t subTaskId) const;

private:
    // Runs one write unit for a row whose writes have all succeeded so far (none for a row
    // that failed before). True when it failed now: the row is then marked as not stored,
    // with a message naming what (and why: mismatch when the unit set it, else the
    // database's reason), and StoreFailed must follow once the row's observers know it.
    bool Fails(ResultRow_t& row, const char* what, const std::function<bool(CSqliteDb&)>& unit,
               const std::string* mismatch = nullptr);
    static void MarkNotStored(ResultRow_t& row, const char* what, const std::string& reason);
    void StoreFailed(int index);
    void PassOn(int code);
    void Changed(int row);

    std::vector<ResultRow_t> m_rows;
    std::vector<IResultListObserver*> m_observers;
    IClipNameLookup* m_pClipNames = nullptr;
    StoreMediaInfoFn m_storeMediaInfo;
};


}  // namespace quarvik
