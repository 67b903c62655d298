// The loop a check thread runs over one file with its engine, shared by every caller so the
// order of start, steps, flush and notices is the same everywhere.
#pragma once

#include "FFCheck.h"

#include <functional>

namespace quarvik {

enum class CheckOutcome {
    kFinished,    // end of input: runs flushed, check-finished notice sent
    kOpenFailed,  // the input could not be opened: open-failure notice sent
    kStopped,     // told to stop midway (or the input broke off and could not be reported as
                  // video lost): no flush, no finished notice
};

struct CheckRunHooks {
    // Asked before every step; true stops the check.
    std::function<bool()> shouldStop;
    // Asked during every wait of the input, many times a second: true ends the wait at once
    // and the check as stopped. Cheap and without side effects.
    std::function<bool()> stopWaits;
    // Called about every progressSeconds of wall-clock time while stepping.
    std::function<void(CFFCheck&)> onProgress;
    int progressSeconds = 2;
    // Called at the end of input, before the open runs are closed.
    std::function<void()> atEnd;
};

CheckOutcome RunContentCheck(CFFCheck& engine, const char* path, int32_t taskId,
                             int32_t subTaskId, const CheckRunHooks& hooks = {});

}  // namespace quarvik
