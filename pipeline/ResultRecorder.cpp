#include "ResultRecorder.h"

#include "FaultKinds.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "TaskQueries.h"
#include "TextField.h"

#include <opencv2/core/mat.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

namespace quarvik {
namespace {

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

    // Checks still running here are still running after the reload.
    std::vector<int32_t> running;
    for (const ResultRow_t& row : m_rows) {
        if (row.running && row.info.nID > 0)
            running.push_back(row.info.nID);
    }
    m_rows.clear();
    CSqliteDb db;
    if (db.OpenTaskDb()) {
        for (ResultRow& stored : LoadResultsBetween(db, static_cast<int>(from), static_cast<int>(to), false)) {
            ResultRow_t row;
            row.info = stored.info;
            row.info.pFaceImage = nullptr;
            row.face = std::move(stored.faceImage);
            bool faulty = row.info.nFmtError == kFormatInvalid;
            for (size_t c = 0; c < kCountColumnKinds.size(); ++c) {
                row.counts[c] = ResultCount(row.info, kCountColumnKinds[c]);
                faulty = faulty || row.counts[c] != 0;
            }
            LoudnessRow loudness;
            if (LoadLoudness(db, row.info.nID, loudness)) {
                faulty = faulty || loudness.nVerdict == kLoudnessFailed;
                row.loudness = std::move(loudness);
            }
            row.colour = faulty ? RowColour::kRed : RowColour::kNormal;
            if (row.info.nState == kSubTaskOpenFailed)
                row.counts.fill(-1);
            row.running = std::find(running.begin(), running.end(), row.info.nID) != running.end();
            m_rows.push_back(std::move(row));
        }
    }
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
    CSqliteDb db;
    const bool open = db.OpenTaskDb();
    if (open)
        LoadSubTaskFaceImage(db, subTask.nID, row.face);

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
    r.nState = subTask.nState;
    r.nFaceImageSize = static_cast<int32_t>(row.face.size());
    r.pFaceImage = row.face.empty() ? nullptr : row.face.data();

    int newId = 0;
    if (open && db.AddResult(newId, r)) {
        r.nID = newId;
        db.Close();  // the media properties are written on a connection of their own
        if (m_storeMediaInfo)
            m_storeMediaInfo(r.szNewFilename, newId);
    }
    r.pFaceImage = nullptr;
    m_rows.push_back(std::move(row));
    for (IResultListObserver* o : m_observers)
        o->OnRowAppended(Count() - 1);
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
    CSqliteDb db;
    const bool open = row.info.nID > 0 && db.OpenTaskDb();
    if (open)
        db.SetResultFmtError(row.info.nID, verdict);
    if (verdict == kFormatInvalid) {
        if (row.colour != RowColour::kRed)
            row.colour = RowColour::kDarkRed;
        if (open)
            db.AddSyntaxErr(row.info.nID, notice.szType, notice.szName, notice.szValue1,
                            notice.szValue2, notice.szRealValue);
    }
    Changed(index);
}

void CResultRecorder::OnFaultNotice(const ResultNotify_t& notice)
{
    PassOn(1);
    const int column = CountColumnOfKind(notice.nFault);
    const int index = column < 0 ? -1 : FindRow(notice.nTaskID, notice.nSubTaskID);
    if (index < 0)
        return;
    ResultRow_t& row = m_rows[static_cast<size_t>(index)];
    int32_t& count = row.counts[static_cast<size_t>(column)];
    count = std::max(count, 0) + 1;
    row.colour = RowColour::kRed;

    FaultInfo_t fault{};
    fault.nResultID = row.info.nID;
    fault.nFault = notice.nFault;
    fault.nValue = notice.nValue;
    fault.tmBegin = notice.tmBegin;
    fault.tmEnd = notice.tmEnd;
    cv::Mat snapshot;
    if (notice.pImage && !notice.pImage->empty()) {
        snapshot = notice.pImage->isContinuous() ? *notice.pImage : notice.pImage->clone();
        fault.nBitCount = static_cast<int32_t>(snapshot.elemSize() * 8);
        fault.nImageWidth = snapshot.cols;
        fault.nImageHeight = snapshot.rows;
        fault.pImage = snapshot.data;
    }
    CSqliteDb db;
    if (row.info.nID > 0 && db.OpenTaskDb())
        db.AddFault(fault, count);
    for (IResultListObserver* o : m_observers)
        o->OnFaultRecorded(index, notice);
    Changed(index);
}

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
    CSqliteDb db;
    if (row.info.nID > 0 && db.OpenTaskDb())
        StoreLoudness(db, row.info.nID, *row.loudness);
    if (row.loudness->nVerdict == kLoudnessFailed) {
        row.colour = RowColour::kRed;
        PassOn(1);
    }
    Changed(index);
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
    if (failedState != 0)
        r.nState = failedState;
    r.tmEnd = static_cast<int32_t>(std::time(nullptr));
    r.nFrame = notice.nFrame;
    for (size_t c = 0; c < kCountColumnKinds.size(); ++c)
        *ResultCounter(r, kCountColumnKinds[c]) = std::max(row.counts[c], 0);
    // The average speed of the check, in pictures per second of wall-clock time.
    const int32_t seconds = r.tmEnd - r.tmBegin;
    r.fSpeed = seconds > 0 ? static_cast<double>(r.nFrame) / seconds : 0.0;
    CSqliteDb db;
    if (r.nID > 0 && db.OpenTaskDb()) {
        // The failure first: should the end not be written, the result still is no clean one.
        if (failedState != 0)
            db.SetResultState(r.nID, failedState);
        db.UpdateResultEnd(r.nID, r.tmEnd, r.fSpeed, r.nFrame, r);
    }
    Changed(index);
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
