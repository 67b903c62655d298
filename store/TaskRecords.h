// Records of the task database: sub-tasks, results and fault events.
//
// Plain data copied by value; text fields are fixed-size, NUL-terminated UTF-8 (fill them with
// CopyField). Picture pointers are borrowed: the record never owns the pixels it points to.
#pragma once

#include "FaultKinds.h"
#include "TextField.h"

#include <cstdint>

namespace quarvik {

// Sub-task states. 12 is the clean end; 13-15 are the ends of a check that failed, and a result
// records them too (ResultInfo_t below). Names and colours: TaskStates.h.
enum SubTaskState : int32_t {
    kSubTaskNew = 1,
    kSubTaskThumbnail = 2,
    kSubTaskInfoError = 3,
    kSubTaskWaitDownload = 4,
    kSubTaskDownloading = 5,
    kSubTaskDownloadFailed = 6,
    kSubTaskWaitCheck = 7,
    kSubTaskChecking = 8,
    kSubTaskFormatInvalid = 9,
    kSubTaskFormatValid = 10,
    kSubTaskPictureError = 11,
    kSubTaskDone = 12,
    kSubTaskInterrupted = 13,  // stopped midway: by the operator, or its run never finished
    kSubTaskOpenFailed = 14,   // the material could not be opened (or fetched)
    kSubTaskStoreFailed = 15,  // what the check found could not be stored whole
};

// Face pictures: 40 x 40, 3 bytes per pixel (blue, green, red), top row first, no padding.
constexpr int32_t kFaceImageSize = 40 * 40 * 3;

// One piece of material to check; its persistent fields are a SubTasks row.
struct SubTaskInfo_t {
    int32_t nIndex;   // list row; memory only
    int32_t nTaskID;  // owning AutoTask.nID; -1 for the manual check list
    int32_t nID;      // SubTasks.nID; 0 until inserted
    int32_t nType;    // TargetType of the source (2 for files added by hand)
    char szName[kNameFieldBytes];
    char szFilename[kPathFieldBytes];
    char szNewFilename[kPathFieldBytes];
    char szLocalFile[kPathFieldBytes];  // memory only
    int64_t llFileSize;
    int32_t nFacePicState;  // 1: pFaceImage holds a face picture
    int32_t nState;         // SubTaskState
    int32_t nFaceImageSize;
    const uint8_t* pFaceImage;  // borrowed; null when none
    char szSmgIP[128];
    char szPolicy[128];
    int32_t nProgress;  // memory only
    int32_t nDownload;  // memory only
    // Memory only: the list's own id of the sub-task, given when it enters the list and never
    // given again by that list. Worker reports name their sub-task by it, not by its row.
    int32_t nSerial;
};

// Format verdicts of a result.
enum FormatVerdict : int32_t {
    kFormatNotChecked = 0,
    kFormatInvalid = 1,
    kFormatValid = 2,
};

// One check of a sub-task; its persistent fields are a Results row.
//
// How a result ended is read from two of its columns (the schema has no column of its own):
// - nState is the sub-task's state when the result was made (8) while the check runs. A check
//   that ends without finishing writes its failure state there, before anything else of its
//   end: kSubTaskInterrupted (stopped by the operator, or found left by a run that is gone),
//   kSubTaskOpenFailed, kSubTaskStoreFailed. Such a result is kept, never deleted, with the
//   counts and faults stored until then.
// - tmEnd is 0 until the check has ended; every check that ends sets it, the format-only ones
//   and the failed ones included. A result with tmEnd 0 that no one is checking is a run that
//   never finished: it counts as interrupted even while its nState is still 8.
// A result whose nState is none of 13-15 and whose tmEnd is set finished cleanly: its counts
// and nFmtError tell whether it passed. ResultStateOf (TaskStates.h) derives this state.
// Writers: CSqliteDb::SetResultState, then UpdateResultEnd (CResultRecorder::EndResult does
// both); a sub-task reaches 13-15 through the check reports kReportStopped, kReportOpenFailed
// and kReportStoreFailed (SubTaskList.h).
struct ResultInfo_t {
    int32_t nID;
    int32_t nTaskID;
    int32_t nSubTaskID;
    int32_t nType;  // not stored: the sub-task's nType
    char szName[kNameFieldBytes];
    char szFilename[kPathFieldBytes];
    char szNewFilename[kPathFieldBytes];
    int64_t llFileSize;
    int32_t nFacePicState;
    int32_t nState;
    int32_t nFrame;
    int32_t tmBegin;  // seconds since 1970-01-01 UTC
    int32_t tmEnd;
    double fSpeed;
    int32_t nNVCount;
    int32_t nSFCount;
    int32_t nBBCount;
    int32_t nCFCount;
    int32_t nCBCount;
    int32_t nMSCCount;
    int32_t nNA1Count;
    int32_t nNA2Count;
    int32_t nNA3Count;
    int32_t nNA4Count;
    int32_t nAL1Count;
    int32_t nAL2Count;
    int32_t nAL3Count;
    int32_t nAL4Count;
    int32_t nAH1Count;
    int32_t nAH2Count;
    int32_t nAH3Count;
    int32_t nAH4Count;
    int32_t nFmtError;  // FormatVerdict
    char szFEDesc[64];
    int32_t nFaceImageSize;
    const uint8_t* pFaceImage;  // borrowed; null when none
    int32_t nPlayFrame;         // not stored
    // Not Results columns: the counters of the kinds without one, by code (FaultCounts).
    int32_t nKindCounts[kFaultCodeCount];
};

// One fault event; a Faults row.
struct FaultInfo_t {
    int32_t nResultID;
    int32_t nFault;  // FaultCode
    int32_t nValue;
    int32_t tmBegin;  // first check frame
    int32_t tmEnd;    // last check frame
    int32_t nBitCount;  // 24 with a snapshot, 0 without
    int32_t nImageWidth;
    int32_t nImageHeight;
    const uint8_t* pImage;  // borrowed; null without snapshot
};

}  // namespace quarvik
