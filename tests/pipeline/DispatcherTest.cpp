#include "Dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace quarvik {
namespace {

TEST(Dispatcher, SendRunsOnTheHomeThreadAndWaits)
{
    CEventLoop home;
    const std::thread::id homeId = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        home.Send([&] { ranOn = std::this_thread::get_id(); });
        returned = true;
        home.Quit();
    });
    EXPECT_TRUE(home.Run(10000));
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(ranOn, homeId);

    int direct = 0;
    home.Send([&] { ++direct; });  // on the home thread: at once
    EXPECT_EQ(direct, 1);
}

TEST(Dispatcher, StopServesAWorkerBlockedInSend)
{
    CEventLoop home;
    CWorkerThread worker;
    std::atomic<int> served{0};
    ASSERT_TRUE(worker.Start([&](CWorkerThread& self) {
        self.ConfirmStarted();
        while (!self.StopRequested())
            home.Send([&] { ++served; });
        home.Send([&] { ++served; });  // one more call after the stop: must not deadlock
    }));
    EXPECT_TRUE(worker.Running());
    home.PumpWhile([&] { return served < 3; }, 10000);
    worker.Stop(home);
    EXPECT_FALSE(worker.Running());
    EXPECT_GE(served.load(), 4);
}

// A body that does not look at its stop event keeps Stop no longer than asked; it is waited for
// again later.
TEST(Dispatcher, StopWaitsBoundedForABodyThatDoesNotEnd)
{
    CEventLoop home;
    CWorkerThread worker;
    ASSERT_TRUE(worker.Start([](CWorkerThread& self) {
        self.ConfirmStarted();
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    }));
    const auto started = std::chrono::steady_clock::now();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(worker.Stop(home, 200));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("did not stop within 200 ms"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    EXPECT_TRUE(worker.Running());
    EXPECT_TRUE(worker.Stop(home));
    EXPECT_FALSE(worker.Running());
}

TEST(Dispatcher, WorkerThatNeverConfirmsFailsToStart)
{
    CWorkerThread worker;
    EXPECT_FALSE(worker.Start([](CWorkerThread& self) { self.SleepUnlessStopped(10000); }, 50));
    EXPECT_FALSE(worker.Running());
}

TEST(Dispatcher, EventsWaitBoundedAndResetAutomatically)
{
    CSignalEvent automatic, manual(false);
    EXPECT_FALSE(automatic.Wait(1));
    automatic.Set();
    EXPECT_TRUE(automatic.Wait(1));
    EXPECT_FALSE(automatic.IsSet());
    manual.Set();
    EXPECT_TRUE(manual.Wait(1));
    EXPECT_TRUE(manual.IsSet());
}

}  // namespace
}  // namespace quarvik
