#include "CheckRun.h"

#include <chrono>

namespace quarvik {

CheckOutcome RunContentCheck(CFFCheck& engine, const char* path, int32_t taskId,
                             int32_t subTaskId, const CheckRunHooks& hooks)
{
    if (!engine.StartCheck(path, taskId, subTaskId)) {
        engine.NotifyOpenFailed();
        return CheckOutcome::kOpenFailed;
    }
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::seconds(hooks.progressSeconds);
    auto nextProgress = Clock::now() + period;
    for (unsigned step = 1;; ++step) {
        if (hooks.shouldStop && hooks.shouldStop()) {
            engine.Stop();
            return CheckOutcome::kStopped;
        }
        if (!engine.Step())
            break;
        // Look at the clock every 16 units only; a unit takes well under a millisecond.
        if (hooks.onProgress && step % 16 == 0 && Clock::now() >= nextProgress) {
            hooks.onProgress(engine);
            nextProgress = Clock::now() + period;
        }
    }
    if (hooks.atEnd)
        hooks.atEnd();
    engine.Flush();
    engine.NotifyCheckFinished();
    return CheckOutcome::kFinished;
}

}  // namespace quarvik
