// CResultRecorder: the day's result list as data, and the writer of every check report into
// "task.db" (Results, Faults, SyntaxErr rows and the media properties).
//
// The result page draws it; quarvik-check and the tests drive it directly. Threading: every
// call runs on its home thread; check workers reach it through IDispatcher::Send, so the
// records and pictures of a report are borrowed for the call only.
//
// Storing: every write is one unit that is tried again for a while when task.db is busy,
// locked or full (TaskStore.h), so a call may block its home thread for up to kStoreRetryMs.
// A write that still fails is not hidden: the row gets the state kSubTaskStoreFailed and its
// storeError message, observers hear OnStoreFailed, and nothing more is written for that
// result. The end of a check is stored only after the stored faults and deviations were
// read back and found equal to what the check reported; only then is the result complete.
#pragma once

#include "CheckNotify.h"
#include "FaultKinds.h"
#include "FileDisplay.h"
#include "LoudnessDb.h"
#include "MaterialClockDb.h"
#include "TaskQueries.h"
#include "TaskRecords.h"
#include "TaskStates.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
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

struct ResultRow_t {
    ResultInfo_t info;              // pFaceImage null; the pixels are in face
    std::vector<uint8_t> face;
    // Per count column (kCountColumnKinds); -1 shows "-": nothing reported for it yet.
    std::array<int32_t, kCountColumnKinds.size()> counts{};
    RowColour colour = RowColour::kNormal;  // what the counts, the format and the loudness verdicts say
    std::optional<LoudnessRow> loudness;  // none: not measured (yet), or a file without sound
    std::optional<MaterialClock> clock;   // none: the material reads like the check-frame clock
    bool running = false;  // its check has begun here and not ended yet
    // What this run's check reported, whether or not it could be stored, in the order it
    // came: the fault events it counted (snapshots not kept) and the format deviations.
    // Empty for rows loaded from the database.
    std::vector<FaultInfo_t> events;
    std::vector<SoundChannel_t> eventChannels;  // by the index of events; track 0 when not a sound event
    std::vector<SyntaxErrRow> deviations;
    // Empty while everything reported is stored; otherwise "could not store ..." naming
    // the database and the reason (the state is then kSubTaskStoreFailed).
    std::string storeError;

    // How the result stands (ResultStateOf); a failure state outweighs the colour above.
    int32_t State() const { return ResultStateOf(info, running); }
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

    // These results were deleted from task.db elsewhere: their rows go (a row whose check still
    // runs here stays), and observers hear OnReloaded when any went.
    void Forget(const std::vector<int32_t>& resultIds);

    // A sub-task enters checking: a new row and a new Results row.
    void OnNewResult(const SubTaskInfo_t& subTask);
    // Format notices: nKind 0 a result begins (no verdict yet), 1 a deviation, 2 format valid.
    void OnFormatNotice(const ResultNotify_t& notice);
    void OnFaultNotice(const ResultNotify_t& notice) override;
    void OnCheckFinished(const ResultNotify_t& notice) override;
    void OnOpenFailed(const ResultNotify_t& notice) override;
    // Judged with the loudness settings of the moment and stored with the verdict; a failure
    // turns the row red and is passed on as a fault report (code 1).
    void OnLoudness(int32_t taskId, int32_t subTaskId, const LoudnessInfo_t& loudness) override;
    void OnMaterialClock(int32_t taskId, int32_t subTaskId, const MaterialClock& clock) override;
    // The check was stopped midway: the result keeps what was found and is marked interrupted.
    void OnCheckStopped(const ResultNotify_t& notice);

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
    // Ends a result: its end time, frames, speed and counters, and first, unless the check
    // finished, the state it failed in.
    void EndResult(int row, const ResultNotify_t& notice, int32_t failedState);
    void Changed(int row);

    std::vector<ResultRow_t> m_rows;
    std::vector<IResultListObserver*> m_observers;
    IClipNameLookup* m_pClipNames = nullptr;
    StoreMediaInfoFn m_storeMediaInfo;
};


}  // namespace quarvik
