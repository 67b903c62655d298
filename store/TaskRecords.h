// Records of the task database: sub-tasks, results and fault events.
//
// Plain data copied by value; text fields are fixed-size, NUL-terminated UTF-8 (fill them with
// CopyField). Picture pointers are borrowed: the record never owns the pixels it points to.
#pragma once

#include <cstdint>

namespace quarvik {

// Sub-task states; 12 is final. Display names belong to the windows that show them.
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
};

// Face pictures: 40 x 40, 3 bytes per pixel (blue, green, red), top row first, no padding.
constexpr int32_t kFaceImageSize = 40 * 40 * 3;

// One piece of material to check; its persistent fields are a SubTasks row.
struct SubTaskInfo_t {
    int32_t nIndex;   // list row; memory only
    int32_t nTaskID;  // owning AutoTask.nID; -1 for the manual check list
    int32_t nID;      // SubTasks.nID; 0 until inserted
    int32_t nType;    // TargetType of the source (2 for files added by hand)
    char szName[64];
    char szFilename[260];
    char szNewFilename[260];
    char szLocalFile[260];  // memory only
    int64_t llFileSize;
    int32_t nFacePicState;  // 1: pFaceImage holds a face picture
    int32_t nState;         // SubTaskState
    int32_t nFaceImageSize;
    const uint8_t* pFaceImage;  // borrowed; null when none
    char szSmgIP[128];
    char szPolicy[128];
    int32_t nProgress;  // memory only
    int32_t nDownload;  // memory only
};

// Format verdicts of a result.
enum FormatVerdict : int32_t {
    kFormatNotChecked = 0,
    kFormatInvalid = 1,
    kFormatValid = 2,
};

// One check of a sub-task; its persistent fields are a Results row.
//
// nState is the state of the result. A result is made in the state of its sub-task then,
// 8 (checking), and keeps it until its check ends: so a check whose program ended first
// (killed, crashed, power lost) leaves its partial result marked as never finished without
// writing anything. The end of the check writes one of the other states.
struct ResultInfo_t;
enum ResultState : int32_t {
    kResultChecking = kSubTaskChecking,  // begun and not ended: still running, or never finished
    kResultComplete = kSubTaskDone,      // reached the end of its input (or of its format check,
                                         // when that was all); everything it found is stored
                                         // (read back and compared)
    kResultStopped = 13,                 // stopped before the end of its input (Stop, a signal)
    kResultNotStored = 14,               // what the check found could not all be stored
};
// The state of a result. Results stored before the end of a check wrote its state kept the 8
// they were made with; their end time tells that they are complete.
ResultState ResultStateOf(const ResultInfo_t& result);

struct ResultInfo_t {
    int32_t nID;
    int32_t nTaskID;
    int32_t nSubTaskID;
    int32_t nType;  // not stored: the sub-task's nType
    char szName[64];
    char szFilename[260];
    char szNewFilename[260];
    int64_t llFileSize;
    int32_t nFacePicState;
    int32_t nState;  // ResultState
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
};

inline ResultState ResultStateOf(const ResultInfo_t& result)
{
    if (result.nState == kResultChecking && result.tmEnd != 0)
        return kResultComplete;
    return static_cast<ResultState>(result.nState);
}

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
