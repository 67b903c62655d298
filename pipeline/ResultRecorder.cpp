#include "ResultRecorder.h"

#include "FaultChannelDb.h"

#include "FaultKinds.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "SqlText.h"
#include "TaskQueries.h"
#include "TaskStore.h"
#include "TemplRecords.h"
#include "TextField.h"

#include <opencv2/core/mat.hpp>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

namespace quarvik {
namespace {

// How long the mark of a result that could not be stored waits for a lock: it is one try.
constexpr int kMarkTimeoutMs = 1000;

std::string BaseName(const std::string& file)
{
    const size_t slash = file.find_last_of("/\\");
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

void CResultRecorder::Reload()
{
    ReloadDay(static_cast<int64_t>(std::time(nullptr)));
}

void CResultRecorder::ReloadDay(int64_t nowSeconds)
{
    const std::time_t now = static_cast<std::time_t>(nowSeconds);
    std::tm day{};
    localtime_r(&now, &day);
    day.tm_hour = 0;
    day.tm_min = 0;
    day.tm_sec = 0;
    day.tm_isdst = -1;
    std::tm end = day;
    const std::time_t from = std::mktime(&day);
    end.tm_hour = 23;
    end.tm_min = 59;
    end.tm_sec = 59;
    const std::time_t to = std::mktime(&end);

    // Checks still running here keep their rows as they are: what a running check reported
    // (events, deviations, a failed write) lives only here until its end compares it with
    // what is stored, so a reload must not replace it with the stored rows.
    std::vector<ResultRow_t> running;
    for (ResultRow_t& row : m_rows) {
        if (row.running)
            running.push_back(std::move(row));
    }
    m_rows.clear();
    CSqliteDb db;
    const bool opened = db.OpenTaskDb();
    if (opened) {
        for (ResultRow& stored : LoadResultsBetween(db, static_cast<int>(from), static_cast<int>(to), false)) {
            const auto live = std::find_if(running.begin(), running.end(), [&](const ResultRow_t& r) {
                return r.info.nID == stored.info.nID;
            });
            if (live != running.end()) {
                m_rows.push_back(std::move(*live));
                running.erase(live);
                continue;
            }
            ResultRow_t row;
            row.info = stored.info;
            row.info.pFaceImage = nullptr;
            row.face = std::move(stored.faceImage);
            bool faulty = row.info.nFmtError == kFormatInvalid;
            for (size_t c = 0; c < kCountColumnKinds.size(); ++c) {
                row.counts[c] = ResultCount(row.info, kCountColumnKinds[c]);
                faulty = faulty || (row.counts[c] != 0 && FailsResult(kCountColumnKinds[c]));
            }
            LoudnessRow loudness;
            if (LoadLoudness(db, row.info.nID, loudness)) {
                faulty = faulty || loudness.nVerdict == kLoudnessFailed;
                row.loudness = std::move(loudness);
            }
            row.colour = faulty ? RowColour::kRed : RowColour::kNormal;
            if (row.info.nState == kSubTaskOpenFailed)
                row.counts.fill(-1);
            m_rows.push_back(std::move(row));
        }
    }
    // A running check whose result could not be stored at all (or, when task.db cannot be read
    // now, any running check) is listed still, at the end.
    for (ResultRow_t& row : running) {
        if (!opened || row.info.nID <= 0)
            m_rows.push_back(std::move(row));
    }
    for (IResultListObserver* o : m_observers)
        o->OnReloaded();
}

void CResultRecorder::Forget(const std::vector<int32_t>& resultIds)
{
    const auto gone = std::remove_if(m_rows.begin(), m_rows.end(), [&](const ResultRow_t& row) {
        return !row.running && row.info.nID > 0 &&
               std::find(resultIds.begin(), resultIds.end(), row.info.nID) != resultIds.end();
    });
    if (gone == m_rows.end())
        return;
    m_rows.erase(gone, m_rows.end());
    for (IResultListObserver* o : m_observers)
        o->OnReloaded();
}

int CResultRecorder::FindRow(int32_t taskId, int32_t subTaskId) const
{
    for (int i = Count() - 1; i >= 0; --i) {
        const ResultInfo_t& r = m_rows[static_cast<size_t>(i)].info;
        if (r.nTaskID == taskId && r.nSubTaskID == subTaskId)
            return i;
    }
    return -1;
}

void CResultRecorder::OnNewResult(const SubTaskInfo_t& subTask)
{
    ResultRow_t row;
    row.counts.fill(-1);
    row.running = true;
    ResultInfo_t& r = row.info;
    std::memset(&r, 0, sizeof(r));
    r.tmBegin = static_cast<int32_t>(std::time(nullptr));
    {
        CSqliteDb db;
        if (db.OpenTaskDb())
            LoadSubTaskFaceImage(db, subTask.nID, row.face);
    }

    r.nTaskID = subTask.nTaskID;
    r.nSubTaskID = subTask.nID;
    r.nType = subTask.nType;
    std::string clipName;
    if (ReadSetting(kEnConvert) != 0 && m_pClipNames &&
        m_pClipNames->LookupClipName(BaseName(subTask.szFilename), clipName) && !clipName.empty())
        CopyField(r.szName, clipName);
    else
        CopyField(r.szName, subTask.szName);
    CopyField(r.szFilename, subTask.szFilename);
    CopyField(r.szNewFilename, subTask.szNewFilename);
    r.llFileSize = subTask.llFileSize;
    r.nFacePicState = subTask.nFacePicState;
    r.nState = kSubTaskChecking;  // the sub-task's state as it enters checking
    r.nFaceImageSize = static_cast<int32_t>(row.face.size());

    m_rows.push_back(std::move(row));
    const int index = Count() - 1;
    ResultRow_t& added = m_rows.back();
    int newId = 0;
    added.info.pFaceImage = added.face.empty() ? nullptr : added.face.data();
    bool failed = Fails(added, "the result", [&](CSqliteDb& db) { return db.AddResult(newId, added.info); });
    added.info.pFaceImage = nullptr;
    std::string mediaError;
    if (!failed) {
        added.info.nID = newId;
        if (m_storeMediaInfo && !m_storeMediaInfo(added.info.szNewFilename, newId, mediaError) && !mediaError.empty()) {
            MarkNotStored(added, "the media properties", mediaError);
            failed = true;
        }
    }
    for (IResultListObserver* o : m_observers)
        o->OnRowAppended(index);
    if (failed)
        StoreFailed(index);
}

void CResultRecorder::OnFormatNotice(const ResultNotify_t& notice)
{
    // A result that merely begins carries no verdict: the alarm hears only of verdicts.
    if (notice.nKind != kFormatNotChecked)
        PassOn(0);
    const int index = FindRow(notice.nTaskID, notice.nSubTaskID);
    if (index < 0)
        return;
    ResultRow_t& row = m_rows[static_cast<size_t>(index)];
    const int32_t verdict = notice.nKind;
    row.info.nFmtError = verdict;
    row.counts.fill(0);
    if (verdict == kFormatInvalid) {
        if (row.colour != RowColour::kRed)
            row.colour = RowColour::kDarkRed;
        row.deviations.push_back({notice.szType, notice.szName, notice.szValue1, notice.szValue2, notice.szRealValue});
    }
    const char* what = verdict == kFormatInvalid ? "a format deviation" : "the format verdict";
    const bool failed = row.info.nID > 0 && Fails(row, what, [&](CSqliteDb& db) {
        return db.SetResultFmtError(row.info.nID, verdict) &&
               (verdict != kFormatInvalid || db.AddSyntaxErr(row.info.nID, notice.szType, notice.szName,
                                                              notice.szValue1, notice.szValue2, notice.szRealValue));
    });
    Changed(index);
    if (failed)
        StoreFailed(index);
}

void CResultRecorder::OnFaultNotice(const ResultNotify_t& notice)
{
    // A warning is listed and counted but rings no alarm and turns no row red.
    const bool fails = FailsResult(notice.nFault);
    if (fails)
        PassOn(1);
    const int index = FindFaultKind(notice.nFault) ? FindRow(notice.nTaskID, notice.nSubTaskID) : -1;
    if (index < 0)
        return;
    ResultRow_t& row = m_rows[static_cast<size_t>(index)];
    // A kind without a count column of the list is stored and shown all the same.
    const int column = CountColumnOfKind(notice.nFault);
    int32_t count = 0;
    if (column >= 0) {
        int32_t& counter = row.counts[static_cast<size_t>(column)];
        count = counter = std::max(counter, 0) + 1;
    }
    if (fails)
        row.colour = RowColour::kRed;

    FaultInfo_t fault{};
    fault.nResultID = row.info.nID;
    fault.nFault = notice.nFault;
    fault.nValue = notice.nValue;
    fault.tmBegin = notice.tmBegin;
    fault.tmEnd = notice.tmEnd;
    row.events.push_back(fault);
    SoundChannel_t channel{notice.nTrack, notice.nChannel, notice.szChannel};
    if (channel.nTrack <= 0)
        channel = KnownSoundChannel(notice.nFault);
    row.eventChannels.push_back(channel);
    cv::Mat snapshot;
    if (notice.pImage && !notice.pImage->empty()) {
        snapshot = notice.pImage->isContinuous() ? *notice.pImage : notice.pImage->clone();
        fault.nBitCount = static_cast<int32_t>(snapshot.elemSize() * 8);
        fault.nImageWidth = snapshot.cols;
        fault.nImageHeight = snapshot.rows;
        fault.pImage = snapshot.data;
    }
    const bool failed = row.info.nID > 0 && Fails(row, "a fault event", [&](CSqliteDb& db) {
        return StoreFaultWithChannel(db, fault, count, channel);
    });
    for (IResultListObserver* o : m_observers)
        o->OnFaultRecorded(index, notice);
    Changed(index);
    if (failed)
        StoreFailed(index);
}

namespace {

// The stored faults and deviations of a result are those the check reported, in order.
// False otherwise: with mismatch saying how, or with the failed query as the last error.
bool StoredAsReported(CSqliteDb& db, const ResultRow_t& row, std::string& mismatch)
{
    if (!db.Query(SqlPrintf("select nFault,tmBegin,tmEnd from Faults where nResultID=%d order by nID", row.info.nID)))
        return false;
    size_t stored = 0;
    bool same = true;
    int rc;
    while ((rc = db.Step()) == SQLITE_ROW) {
        FaultInfo_t f{};
        db.GetInt(0, f.nFault);
        db.GetInt(1, f.tmBegin);
        db.GetInt(2, f.tmEnd);
        const FaultInfo_t* reported = stored < row.events.size() ? &row.events[stored] : nullptr;
        same = same && reported && reported->nFault == f.nFault && reported->tmBegin == f.tmBegin &&
               reported->tmEnd == f.tmEnd;
        ++stored;
    }
    db.EndQuery();
    if (rc != SQLITE_DONE)
        return false;
    const size_t deviations = LoadSyntaxErrs(db, row.info.nID).size();
    if (same && stored == row.events.size() && deviations == row.deviations.size())
        return true;
    mismatch = "the stored result holds " + std::to_string(stored) + " of " + std::to_string(row.events.size()) +
               " fault events and " + std::to_string(deviations) + " of " + std::to_string(row.deviations.size()) +
               " format deviations";
    return false;
}

}  // namespace

void CResultRecorder::OnCheckFinished(const ResultNotify_t& notice)
{
    PassOn(2);
    const int index = FindRow(notice.nTaskID, notice.nSubTaskID);
    if (index >= 0)
        EndResult(index, notice, 0);
}

void CResultRecorder::OnCheckStopped(const ResultNotify_t& notice)
{
    const int index = FindRow(notice.nTaskID, notice.nSubTaskID);
    if (index >= 0)
        EndResult(index, notice, kSubTaskInterrupted);
}

void CResultRecorder::OnLoudness(int32_t taskId, int32_t subTaskId, const LoudnessInfo_t& loudness)
{
    const int index = FindRow(taskId, subTaskId);
    if (index < 0)
        return;
    ResultRow_t& row = m_rows[static_cast<size_t>(index)];
    const LoudnessLimits limits = ReadLoudnessLimits();
    row.loudness = LoudnessRow{loudness, JudgeLoudness(loudness, limits), limits};
    const bool failed = row.info.nID > 0 && Fails(row, "the loudness", [&](CSqliteDb& db) {
        return StoreLoudness(db, row.info.nID, *row.loudness);
    });
    if (row.loudness->nVerdict == kLoudnessFailed) {
        row.colour = RowColour::kRed;
        PassOn(1);
    }
    Changed(index);
    if (failed)
        StoreFailed(index);
}

void CResultRecorder::OnMaterialClock(int32_t taskId, int32_t subTaskId, const MaterialClock& clock)
{
    const int index = FindRow(taskId, subTaskId);
    if (index < 0)
        return;
    ResultRow_t& row = m_rows[static_cast<size_t>(index)];
    row.clock = clock;
    if (row.info.nID > 0 &&
        Fails(row, "the material's time code", [&](CSqliteDb& db) { return StoreMaterialClock(db, row.info.nID, clock); }))
        StoreFailed(index);
}

bool CResultRecorder::Fails(ResultRow_t& row, const char* what, const std::function<bool(CSqliteDb&)>& unit,
                            const std::string* mismatch)
{
    if (!row.storeError.empty())
        return false;
    std::string reason;
    if (StoreInTaskDb(unit, reason))
        return false;
    if (mismatch && !mismatch->empty())
        reason = ProgramFilePath("task.db") + ": " + *mismatch;
    MarkNotStored(row, what, reason);
    return true;
}

void CResultRecorder::MarkNotStored(ResultRow_t& row, const char* what, const std::string& reason)
{
    row.storeError = std::string("could not store ") + what + " of " + DisplayFileName(row.info.szFilename) +
                     " in " + reason;
    row.info.nState = kSubTaskStoreFailed;
}

void CResultRecorder::StoreFailed(int index)
{
    const ResultRow_t& row = m_rows[static_cast<size_t>(index)];
    // One quick try to leave the mark in the database as well; when even that fails, the
    // result keeps the state it was made with, which says it never finished.
    if (row.info.nID > 0) {
        CSqliteDb db;
        if (db.OpenTaskDb()) {
            db.SetBusyTimeout(kMarkTimeoutMs);
            db.SetResultState(row.info.nID, kSubTaskStoreFailed);
        }
    }
    for (IResultListObserver* o : m_observers)
        o->OnStoreFailed(index);
}

void CResultRecorder::OnOpenFailed(const ResultNotify_t& notice)
{
    PassOn(3);
    // The result stays, marked, so that the failure shows wherever the result does; the
    // sub-task's own failure state is the list's business.
    const int index = FindRow(notice.nTaskID, notice.nSubTaskID);
    if (index < 0)
        return;
    m_rows[static_cast<size_t>(index)].counts.fill(-1);  // nothing was counted: "-", not "0"
    EndResult(index, notice, kSubTaskOpenFailed);
}

void CResultRecorder::EndResult(int index, const ResultNotify_t& notice, int32_t failedState)
{
    ResultRow_t& row = m_rows[static_cast<size_t>(index)];
    ResultInfo_t& r = row.info;
    row.running = false;
    if (failedState != 0 && row.storeError.empty())
        r.nState = failedState;
    r.tmEnd = static_cast<int32_t>(std::time(nullptr));
    r.nFrame = notice.nFrame;
    for (size_t c = 0; c < kCountColumnKinds.size(); ++c)
        *ResultCounter(r, kCountColumnKinds[c]) = std::max(row.counts[c], 0);
    // The average speed of the check, in pictures per second of wall-clock time.
    const int32_t seconds = r.tmEnd - r.tmBegin;
    r.fSpeed = seconds > 0 ? static_cast<double>(r.nFrame) / seconds : 0.0;
    // The failure first: should the end not be written, the result still is no clean one. A
    // finished check's end goes with it only once what is stored has been read back and found
    // to be what the check reported.
    std::string mismatch;
    const char* what = failedState == kSubTaskInterrupted ? "the stop of the check" : "the end of the check";
    const bool failed = r.nID > 0 && Fails(row, what, [&](CSqliteDb& db) {
        return (failedState == 0 || db.SetResultState(r.nID, failedState)) &&
               db.UpdateResultEnd(r.nID, r.tmEnd, r.fSpeed, r.nFrame, r) &&
               (failedState != 0 || StoredAsReported(db, row, mismatch));
    }, &mismatch);
    Changed(index);
    if (failed)
        StoreFailed(index);
}

void CResultRecorder::PassOn(int code)
{
    for (IResultListObserver* o : m_observers)
        o->OnReport(code);
}

void CResultRecorder::Changed(int row)
{
    for (IResultListObserver* o : m_observers)
        o->OnRowChanged(row);
}

}  // namespace quarvik
