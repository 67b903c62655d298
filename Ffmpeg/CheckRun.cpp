#include "CheckRun.h"

#include <chrono>

namespace quarvik {
namespace {

CheckOutcome Run(CFFCheck& engine, const char* path, int32_t taskId, int32_t subTaskId, const CheckRunHooks& hooks)
{
    const auto stopped = [&] { return hooks.shouldStop && hooks.shouldStop(); };
    const auto waitStopped = [&] { return hooks.stopWaits && hooks.stopWaits(); };
    if (!engine.StartCheck(path, taskId, subTaskId)) {
        if (waitStopped())
            return CheckOutcome::kStopped;
        engine.NotifyOpenFailed();
        return CheckOutcome::kOpenFailed;
    }
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::seconds(hooks.progressSeconds);
    auto nextProgress = Clock::now() + period;
    for (unsigned step = 1;; ++step) {
        if (stopped()) {
            engine.Stop();
            return CheckOutcome::kStopped;
        }
        if (!engine.Step()) {
            // A stop that cut a read short ended the input: still a stop. An input that broke
            // off is never a clean end: video lost, or interrupted when that cannot be said.
            if (waitStopped() || (engine.InputBrokeOff() && !engine.CanReportBreak())) {
                engine.Stop();
                return CheckOutcome::kStopped;
            }
            break;
        }
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

}  // namespace

CheckOutcome RunContentCheck(CFFCheck& engine, const char* path, int32_t taskId,
                             int32_t subTaskId, const CheckRunHooks& hooks)
{
    // The stop also ends any wait inside the decoder's input at once.
    engine.SetStopCheck(hooks.stopWaits);
    const CheckOutcome outcome = Run(engine, path, taskId, subTaskId, hooks);
    engine.SetStopCheck({});
    return outcome;
}

}  // namespace quarvik
