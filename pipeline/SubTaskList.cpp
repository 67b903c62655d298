#include "SubTaskList.h"

#include "CacheFolder.h"
#include "FileDisplay.h"
#include "SqliteDb.h"
#include "TaskQueries.h"
#include "TaskStore.h"
#include "TextField.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace quarvik {
namespace {

// A sub-task in this state is still to be worked on by its list; the others have ended.
bool IsPendingState(ListKind kind, int32_t state)
{
    switch (state) {
    case kSubTaskInfoError:
    case kSubTaskDownloadFailed:
    case kSubTaskPictureError:
    case kSubTaskDone:
    case kSubTaskInterrupted:  // a run that is gone, or stopped: the file may be checked again
    case kSubTaskOpenFailed:   // the file may have been replaced since
    case kSubTaskStoreFailed:
        return false;
    case kSubTaskFormatInvalid:  // a task's file that changed is checked again at its next start
        return kind == ListKind::kTask;
    default:
        return true;
    }
}

std::string LastPathComponent(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void CopyOut(const SubTaskInfo_t& from, SubTaskInfo_t& out)
{
    out = from;
    out.pFaceImage = nullptr;
}

// A task's sub-task whose check ended with the verdict "format invalid" keeps it at a restart
// unless its file changed since that check began: another size, or written since. Remote
// material cannot be compared from here and keeps its verdict; so does a file that is gone.
bool ChangedSinceItsCheck(CSqliteDb& db, const SubTaskInfo_t& info)
{
    if (std::strstr(info.szFilename, "://"))
        return false;
    struct stat st;
    if (stat(info.szFilename, &st) != 0)
        return false;
    return st.st_size != info.llFileSize || st.st_mtime >= LatestCheckBegin(db, info.nTaskID, info.nID);
}

// States in which a sub-task still needs its local copies (the fetched start of remote
// material, a whole download): from its thumbnail to the end of its check.
bool NeedsLocalCopies(int32_t state)
{
    switch (state) {
    case kSubTaskThumbnail:
    case kSubTaskWaitDownload:
    case kSubTaskDownloading:
    case kSubTaskWaitCheck:
    case kSubTaskChecking:
    case kSubTaskFormatValid:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string SubTaskStateText(ListKind kind, const SubTaskInfo_t& subTask, bool checking,
                             bool downloading)
{
    char text[96];
    if (checking) {
        if (subTask.nProgress >= 0 && subTask.nProgress <= 100) {
            std::snprintf(text, sizeof(text), "图像检测中: %d %%", subTask.nProgress);
            return text;
        }
        return "图像检测中";
    }
    if (downloading && subTask.nState == kSubTaskDownloading) {
        std::snprintf(text, sizeof(text), "%s:%d %%", SubTaskStateName(kind, kSubTaskDownloading),
                      subTask.nDownload);
        return text;
    }
    return SubTaskStateName(kind, subTask.nState);
}

CSubTaskList::CSubTaskList(ListKind kind, int32_t taskId, int32_t targetType)
    : m_kind(kind), m_nTaskID(taskId), m_nTargetType(targetType)
{
}

CSubTaskList::~CSubTaskList()
{
    PublishNeededCacheFiles(this, {});
}

void CSubTaskList::PublishNeededFiles() const
{
    std::vector<std::string> paths;
    for (const Row_t& row : m_rows) {
        if (!NeedsLocalCopies(row.info.nState))
            continue;
        for (const char* path : {row.info.szNewFilename, row.info.szLocalFile}) {
            if (*path && !std::strstr(path, "://"))
                paths.emplace_back(path);
        }
    }
    PublishNeededCacheFiles(this, std::move(paths));
}

void CSubTaskList::Load()
{
    m_rows.clear();
    CSqliteDb db;
    if (db.OpenTaskDb()) {
        for (SubTaskRow& stored : LoadUnfinishedSubTasks(db, m_nTaskID)) {
            Row_t row;
            row.info = stored.info;
            row.face = std::move(stored.faceImage);
            SubTaskInfo_t& info = row.info;
            info.pFaceImage = nullptr;
            const int32_t s = info.nState;
            const bool task = m_kind == ListKind::kTask;
            if (task && (s == kSubTaskDownloading || s == kSubTaskDownloadFailed)) {
                info.nState = kSubTaskWaitDownload;
            } else if (s == kSubTaskChecking || s == kSubTaskFormatValid || s == kSubTaskPictureError ||
                       s == kSubTaskInterrupted || (task && s == kSubTaskFormatInvalid && ChangedSinceItsCheck(db, info))) {
                info.nState = kSubTaskWaitCheck;
                CopyField(info.szNewFilename, info.szFilename);
            }
            Append(std::move(row));
        }
    }
    PublishNeededFiles();
    for (ISubTaskListObserver* o : m_observers)
        o->OnRowsReloaded();
}

void CSubTaskList::Append(Row_t row)
{
    row.info.nIndex = Count();
    row.info.nSerial = ++m_nLastSerial;
    m_rows.push_back(std::move(row));
}

void CSubTaskList::ResetForStart()
{
    CSqliteDb db;
    const bool dbOpen = m_kind == ListKind::kTask && db.OpenTaskDb();
    for (int i = 0; i < Count(); ++i) {
        Row_t& row = m_rows[static_cast<size_t>(i)];
        const int32_t s = row.info.nState;
        const bool midway = s == kSubTaskChecking || s == kSubTaskFormatValid ||
                            s == kSubTaskPictureError || s == kSubTaskInterrupted ||
                            (dbOpen && s == kSubTaskFormatInvalid && ChangedSinceItsCheck(db, row.info));
        row.checking = false;
        if (midway) {
            row.info.nState = kSubTaskWaitCheck;
            NotifyChanged(i);
        }
    }
}

std::string CSubTaskList::StateText(int row) const
{
    const Row_t& r = m_rows[static_cast<size_t>(row)];
    return SubTaskStateText(m_kind, r.info, r.checking, r.downloading);
}

int CSubTaskList::Add(const std::string& path, int64_t fileSize, int32_t type)
{
    Row_t row;
    std::memset(&row.info, 0, sizeof(row.info));
    SubTaskInfo_t& info = row.info;
    info.nTaskID = m_nTaskID;
    info.nType = type;
    CopyField(info.szFilename, path);
    CopyField(info.szName, LastPathComponent(path));
    info.llFileSize = fileSize;
    info.nState = kSubTaskNew;
    Append(std::move(row));
    for (ISubTaskListObserver* o : m_observers)
        o->OnRowAdded(Count() - 1);
    return Count() - 1;
}

bool CSubTaskList::IsDuplicate(const std::string& path, int64_t fileSize) const
{
    const std::string name = LastPathComponent(path);
    for (const Row_t& row : m_rows) {
        if (!row.storeError.empty() || !IsPendingState(m_kind, row.info.nState))
            continue;
        if (path == row.info.szFilename || (name == row.info.szName && fileSize == row.info.llFileSize))
            return true;
    }
    return false;
}

std::vector<std::string> CSubTaskList::AddCandidates(const std::vector<Candidate_t>& candidates, int32_t type)
{
    std::vector<std::string> ignored;
    for (const Candidate_t& c : candidates) {
        if (IsDuplicate(c.path, c.fileSize))
            ignored.push_back(c.path);
        else
            Add(c.path, c.fileSize, type);
    }
    return ignored;
}

std::string DuplicatesNotice(const std::vector<std::string>& ignored)
{
    if (ignored.empty())
        return {};
    std::string notice = "The following files exist in the task list, has been ignored!\r\n\r\n";
    for (const std::string& path : ignored)
        notice += DisplayFileName(path) + "\r\n";
    return notice;
}

void CSubTaskList::Delete(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    CSqliteDb db;
    const bool open = db.OpenTaskDb();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (!Valid(*it))
            continue;
        const SubTaskInfo_t& info = m_rows[static_cast<size_t>(*it)].info;
        if (open && info.nID > 0)
            db.DeleteSubTask(info.nID);
        m_rows.erase(m_rows.begin() + *it);
    }
    for (int i = 0; i < Count(); ++i)
        m_rows[static_cast<size_t>(i)].info.nIndex = i;
    PublishNeededFiles();
    for (ISubTaskListObserver* o : m_observers)
        o->OnRowsReloaded();
}

void CSubTaskList::RemoveUnfinishedUnder(const std::string& mountPoint)
{
    std::string prefix = mountPoint;
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    std::vector<int> rows;
    for (int i = 0; i < Count(); ++i) {
        const SubTaskInfo_t& info = Row(i);
        if (info.nState != kSubTaskDone && std::string_view(info.szFilename).starts_with(prefix))
            rows.push_back(i);
    }
    if (!rows.empty())
        Delete(std::move(rows));
}

bool CSubTaskList::Take(int32_t from, int32_t to, SubTaskInfo_t& out, bool writeState)
{
    for (int i = 0; i < Count(); ++i) {
        Row_t& row = m_rows[static_cast<size_t>(i)];
        if (row.info.nState != from)
            continue;
        row.info.nState = to;
        if (writeState)
            WriteState(row);
        CopyOut(row.info, out);
        NotifyChanged(i);
        return true;
    }
    return false;
}

bool CSubTaskList::TakeNextNew(SubTaskInfo_t& out)
{
    return Take(kSubTaskNew, kSubTaskThumbnail, out, false);
}

bool CSubTaskList::TakeNextDownload(SubTaskInfo_t& out)
{
    for (Row_t& row : m_rows) {
        if (row.info.nState == kSubTaskWaitDownload) {
            row.info.nDownload = 0;
            break;
        }
    }
    return Take(kSubTaskWaitDownload, kSubTaskDownloading, out, true);
}

bool CSubTaskList::TakeNextForCheck(SubTaskInfo_t& out)
{
    if (!Take(kSubTaskWaitCheck, kSubTaskChecking, out, true))
        return false;
    for (ISubTaskListObserver* o : m_observers)
        o->OnEntersChecking(out);
    return true;
}

void CSubTaskList::OnThumbnail(int32_t code, const ThumbnailReport_t& report)
{
    const int index = RowOf(report.nSerial);
    if (index < 0)
        return;
    Row_t& row = m_rows[static_cast<size_t>(index)];
    if (row.info.nState != kSubTaskThumbnail)
        return;
    if (code == kThumbnailLocalCopy) {
        CopyField(row.info.szLocalFile, report.szLocalFile);
        return;
    }
    SubTaskInfo_t info = row.info;
    std::vector<uint8_t> face;
    if (code == kThumbnailTaken && report.pixels && report.nLength > 0)
        face.assign(report.pixels, report.pixels + report.nLength);
    info.nFacePicState = face.empty() ? 0 : 1;
    info.nFaceImageSize = static_cast<int32_t>(face.size());
    info.pFaceImage = face.empty() ? nullptr : face.data();
    if (code != kThumbnailTaken) {
        info.nState = kSubTaskInfoError;
    } else if (m_kind == ListKind::kTask && info.nType == 0) {
        info.nState = kSubTaskWaitDownload;  // an FTP file is downloaded before its check
    } else {
        info.nState = kSubTaskWaitCheck;
        CopyField(info.szNewFilename, info.szFilename);
    }
    int newId = 0;
    std::string reason;
    if (!StoreInTaskDb([&](CSqliteDb& db) { return db.AddSubTask(newId, info); }, reason)) {
        // Stays in state 2, offered to no worker again: a failure with its message, not a wait.
        row.storeError = "could not store the sub-task of " + DisplayFileName(info.szFilename) + " in " + reason;
        NotifyChanged(index);
        for (ISubTaskListObserver* o : m_observers)
            o->OnStoreFailed(index);
        return;
    }
    info.nID = newId;
    info.pFaceImage = nullptr;
    row.info = info;
    row.face = std::move(face);
    NotifyChanged(index);
}

int CSubTaskList::RowOf(int32_t serial) const
{
    // Rows removed while a worker held its copy renumbered the rest, so the row is searched.
    const auto found = std::find_if(m_rows.begin(), m_rows.end(),
                                    [serial](const Row_t& row) { return row.info.nSerial == serial; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

void CSubTaskList::OnDownload(int32_t code, const SubTaskInfo_t& subTask)
{
    const int index = RowOf(subTask.nSerial);
    if (index < 0)
        return;
    Row_t& row = m_rows[static_cast<size_t>(index)];
    row.info.nDownload = subTask.nDownload;
    if (code == 0) {
        row.downloading = true;
    } else {
        row.downloading = false;
        row.info.nState = subTask.nDownload != 0 ? kSubTaskWaitCheck : kSubTaskDownloadFailed;
        if (subTask.nDownload != 0)
            CopyField(row.info.szNewFilename, subTask.szNewFilename);
        WriteState(row);
    }
    NotifyChanged(index);
}

int CSubTaskList::OnCheckReport(int32_t code, const SubTaskInfo_t& subTask)
{
    const int index = RowOf(subTask.nSerial);
    if (index < 0)
        return -1;
    Row_t& row = m_rows[static_cast<size_t>(index)];
    if (code == kReportProgress) {
        row.info.nProgress = subTask.nProgress;
        row.checking = true;
        NotifyChanged(index);
        return 0;
    }
    int32_t state;
    switch (code) {
    case kReportFormatValid: state = kSubTaskFormatValid; break;
    case kReportFormatInvalid: state = kSubTaskFormatInvalid; break;
    case kReportDone: state = kSubTaskDone; break;
    case kReportPictureError:
    case kReportPictureError2: state = kSubTaskPictureError; break;
    case kReportStopped: state = kSubTaskInterrupted; break;
    case kReportOpenFailed: state = kSubTaskOpenFailed; break;
    case kReportStoreFailed: state = kSubTaskStoreFailed; break;
    case kReportCopyGone: state = kSubTaskWaitDownload; break;
    default: return -1;
    }
    row.checking = false;
    row.info.nState = state;
    WriteState(row);
    NotifyChanged(index);
    return 0;
}

void CSubTaskList::WriteState(Row_t& row)
{
    // A failed update is not retried: the list already shows the new state.
    CSqliteDb db;
    if (row.info.nID > 0 && db.OpenTaskDb())
        db.SetSubTaskState(row.info.nID, row.info.nState);
}

void CSubTaskList::OnCacheShortage(const std::string& notice)
{
    const bool began = !notice.empty() && !m_cacheShort;
    m_cacheShort = !notice.empty();
    if (began) {
        for (ISubTaskListObserver* o : m_observers)
            o->OnNotice(notice);
    }
}

void CSubTaskList::NotifyChanged(int row)
{
    PublishNeededFiles();
    for (ISubTaskListObserver* o : m_observers)
        o->OnRowChanged(row);
}

}  // namespace quarvik
