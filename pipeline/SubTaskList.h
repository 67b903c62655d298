// CSubTaskList: the sub-tasks of one monitoring task or of the manual check list.
//
// It owns the array (array index = list row = nIndex) and makes every state change and every
// SubTasks write. Threading: all calls run on the home thread of the list; workers reach it
// through IDispatcher::Send and work on their own copies of the records. Records handed out
// carry pFaceImage = nullptr: the thumbnail pixels stay with the list (FaceImage()).
#pragma once

#include "CheckNotify.h"
#include "TaskRecords.h"
#include "TaskStates.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvik {

// What the state column shows: the state name, with the progress of a running content
// check ("图像检测中: %d %%") or of a download ("下载中:%d %%").
std::string SubTaskStateText(ListKind kind, const SubTaskInfo_t& subTask, bool checking,
                             bool downloading);

// The operator's notice of candidates ignored as duplicates; "" when there are none.
std::string DuplicatesNotice(const std::vector<std::string>& ignored);

// The thumbnail record a thumbnail worker reports.
struct ThumbnailReport_t {
    int32_t nSerial;            // of the sub-task taken for the thumbnail
    BitmapInfoHeader_t header;  // 40 x -40, 24 bits
    const uint8_t* pixels;      // borrowed for the call; null when no thumbnail
    int32_t nLength;            // 4800 or 0
    char szLocalFile[kPathFieldBytes];     // wParam 2: the local copy made for the thumbnail
};

// Thumbnail report codes. "Taken" without pixels: a sound file, checked without a picture.
enum ThumbnailCode : int32_t { kThumbnailFailed = 0, kThumbnailTaken = 1, kThumbnailLocalCopy = 2 };

// Check report codes of the check workers.
enum CheckReportCode : int32_t {
    kReportFormatValid = 0,  // also: the content check begins (manual list)
    kReportFormatInvalid = 1,
    kReportProgress = 2,
    kReportDone = 3,
    kReportPictureError = 4,
    kReportPictureError2 = 5,
    kReportStopped = 6,      // the check was stopped midway
    kReportOpenFailed = 7,   // the material could not be opened
    kReportStoreFailed = 8,  // the result could not be stored whole
    kReportCopyGone = 9,     // a task's download vanished before its check: downloaded again
};

// Who hears about the list: the window that draws it, the result recorder, a log.
class ISubTaskListObserver {
public:
    virtual void OnRowAdded(int row) = 0;
    virtual void OnRowChanged(int row) = 0;
    virtual void OnRowsReloaded() = 0;
    // A sub-task enters checking: the result list stores a new result for it.
    virtual void OnEntersChecking(const SubTaskInfo_t& subTask) = 0;
    // The sub-task could not be stored (StoreError(row) says why); it goes no further.
    virtual void OnStoreFailed(int /*row*/) {}
    // Something the operator must know that belongs to no row (the cache folder is full).
    virtual void OnNotice(const std::string& /*text*/) {}

protected:
    ~ISubTaskListObserver() = default;
};

class CSubTaskList {
public:
    // taskId -1 and targetType 2 for the manual list.
    CSubTaskList(ListKind kind, int32_t taskId, int32_t targetType);
    ~CSubTaskList();
    CSubTaskList(const CSubTaskList&) = delete;
    CSubTaskList& operator=(const CSubTaskList&) = delete;

    // Watching a list does not change it: whoever may read it may watch it.
    void AddObserver(ISubTaskListObserver* observer) const { m_observers.push_back(observer); }
    void RemoveObserver(ISubTaskListObserver* observer) const
    {
        m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
    }
    ListKind Kind() const { return m_kind; }
    int32_t TaskId() const { return m_nTaskID; }

    // Reads the unfinished SubTasks rows and resets half-finished states (not written back).
    void Load();
    // Start: sub-tasks left midway are queued for checking again (memory only).
    void ResetForStart();

    int Count() const { return static_cast<int>(m_rows.size()); }
    const SubTaskInfo_t& Row(int row) const { return m_rows[static_cast<size_t>(row)].info; }
    const std::vector<uint8_t>& FaceImage(int row) const { return m_rows[static_cast<size_t>(row)].face; }
    std::string StateText(int row) const;

    // Empty, or "could not store ..." when the row's sub-task could not be inserted into the
    // database: it then stays in state 2 and is offered to no worker.
    const std::string& StoreError(int row) const { return m_rows[static_cast<size_t>(row)].storeError; }

    // A found or chosen file becomes a sub-task in state 1 (memory only); returns its row.
    int Add(const std::string& path, int64_t fileSize, int32_t type);
    // The path (or its name with this size) is waiting or being worked on in this list. A
    // sub-task that ended (checked, failed, not stored) does not count: its file may be
    // added again. Nor do rows stored by other runs: a list loads its own (Load), and those
    // of a run that died must not keep a file from ever being checked again.
    bool IsDuplicate(const std::string& path, int64_t fileSize) const;
    struct Candidate_t {
        std::string path;
        int64_t fileSize;
    };
    // Adds each candidate that is no duplicate (Add); returns the paths of those ignored.
    std::vector<std::string> AddCandidates(const std::vector<Candidate_t>& candidates, int32_t type);
    // Removes rows (any order) from list, array and database; the rest are renumbered.
    void Delete(std::vector<int> rows);
    // A removable volume went away: its sub-tasks (szFilename below mountPoint) that have not
    // reached state 12 are deleted as Delete does.
    void RemoveUnfinishedUnder(const std::string& mountPoint);

    // Worker requests; each hands out a copy of the record, false when there is no work.
    bool TakeNextNew(SubTaskInfo_t& out);       // 1 -> 2
    bool TakeNextDownload(SubTaskInfo_t& out);  // 4 -> 5
    bool TakeNextForCheck(SubTaskInfo_t& out);  // 7 -> 8, announced to OnEntersChecking

    // Worker reports. Each finds its sub-task by nSerial, wherever rows removed meanwhile
    // have moved it; a report for a sub-task no longer in the list is dropped (-1).
    void OnThumbnail(int32_t code, const ThumbnailReport_t& report);
    void OnDownload(int32_t code, const SubTaskInfo_t& subTask);
    int OnCheckReport(int32_t code, const SubTaskInfo_t& subTask);
    // The download thread's word on the cache folder: a shortage notice, or "" once there is
    // room again. Observers hear a notice when the shortage begins, not at every download.
    void OnCacheShortage(const std::string& notice);

private:
    struct Row_t {
        SubTaskInfo_t info;
        std::vector<uint8_t> face;
        bool checking = false;
        bool downloading = false;
        std::string storeError;
    };

    bool Take(int32_t from, int32_t to, SubTaskInfo_t& out, bool writeState);
    bool Valid(int row) const { return row >= 0 && row < Count(); }
    // The row holding the sub-task, -1 when it is gone.
    int RowOf(int32_t serial) const;
    void Append(Row_t row);
    void WriteState(Row_t& row);
    void NotifyChanged(int row);
    // Tells the cache clean-up which local copies the rows still need.
    void PublishNeededFiles() const;

    const ListKind m_kind;
    const int32_t m_nTaskID;
    const int32_t m_nTargetType;
    std::vector<Row_t> m_rows;
    int32_t m_nLastSerial = 0;
    bool m_cacheShort = false;
    mutable std::vector<ISubTaskListObserver*> m_observers;
};

}  // namespace quarvik
