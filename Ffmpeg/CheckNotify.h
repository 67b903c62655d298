// What a content check tells its listeners: fault notices for the result list, preview
// pictures and progress for the check monitor.
//
// Records and pixels passed to a listener are borrowed: they are valid only during the call,
// which runs on the check's own thread. A listener copies what it keeps and hands its own
// data to its home thread itself.
#pragma once

#include "Loudness.h"
#include "MaterialClock.h"
#include "TextField.h"

#include <cstdint>

namespace cv {
class Mat;
}

namespace quarvik {

// The notice record of the result list. Zero-filled before any field is set; texts are
// truncated to their fields.
struct ResultNotify_t {
    int32_t nTaskID;
    int32_t nSubTaskID;
    int32_t nKind;          // format notices only: 0 result begins, 1 deviation, 2 format passed
    char szType[32];
    char szName[32];
    char szValue1[64];
    char szValue2[64];
    char szRealValue[64];
    int32_t nFault;         // fault code
    int32_t tmBegin;        // first check frame of the run
    int32_t tmEnd;          // last check frame of the run
    int32_t nValue;         // 0 for picture codes, level in dBFS for sound codes
    int32_t nFrame;         // check finished / open failed: index of the last analysed picture
    const cv::Mat* pImage;  // picture codes: 160 x 120 BGR snapshot of the run's first picture
    // Sound codes: the channel of the event, track and channel counted from 1, and its name.
    int32_t nTrack;
    int32_t nChannel;
    char szChannel[64];
};

// The receiver of a check's results (the result list, the checker, a test).
class ICheckResultSink {
public:
    virtual void OnFaultNotice(const ResultNotify_t& notice) = 0;
    virtual void OnCheckFinished(const ResultNotify_t& notice) = 0;
    virtual void OnOpenFailed(const ResultNotify_t& notice) = 0;
    // The programme loudness of a finished check, sent just before its check-finished
    // notice; not sent for a file without sound.
    virtual void OnLoudness(int32_t /*taskId*/, int32_t /*subTaskId*/, const LoudnessInfo_t& /*loudness*/) {}
    // The material's own clock, sent when the check starts and only when it differs from the
    // check-frame clock (another frame rate, or a start time code other than 00:00:00:00).
    virtual void OnMaterialClock(int32_t /*taskId*/, int32_t /*subTaskId*/, const MaterialClock& /*clock*/) {}

protected:
    ~ICheckResultSink() = default;
};

// A Windows BITMAPINFOHEADER, as the monitor receives it with each preview picture.
struct BitmapInfoHeader_t {
    uint32_t biSize;        // 40
    int32_t biWidth;
    int32_t biHeight;       // negative: rows run top-down
    uint16_t biPlanes;      // 1
    uint16_t biBitCount;    // 24
    uint32_t biCompression; // 0, BI_RGB
    uint32_t biSizeImage;   // width x height x 3
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader_t) == 40);

// The progress record of the check monitor.
struct CheckProgress_t {
    char szFile[kPathFieldBytes];  // the address the check opened
    int32_t nProgress;   // percent
    int32_t nPictures;   // time analysed so far in this file, in check frames (at 25 pictures
                         // a second: the pictures analysed)
    int32_t nSpeed;      // pictures per second
    char szTimeCode[16]; // the material's own time code there; empty when it reads like the
                         // check-frame clock
};

// The check monitor: preview pictures from the engine, progress from the check thread.
class ICheckMonitor {
public:
    virtual void OnPreviewPicture(const BitmapInfoHeader_t& header, const uint8_t* pixels) = 0;
    virtual void OnCheckProgress(bool checking, const CheckProgress_t& progress) = 0;
    // A fault run of the monitored check was reported, first to last check frame, with the
    // event's name (FaultEventName: its kind and, beyond the first two channels, its channel).
    virtual void OnFaultMark(int32_t /*tmBegin*/, int32_t /*tmEnd*/, const char* /*name*/) {}

protected:
    ~ICheckMonitor() = default;
};

}  // namespace quarvik
