// How workers reach the thread that owns a model (its home thread).
//
// A model (a sub-task list, the result recorder) is changed only on its home thread. Workers
// never touch its data: they Send() a call and wait for it to have run there, or Post() one
// and go on. Records handed over by a Send are borrowed for the duration of the call.
//
// The GUI implements this on the Qt GUI thread; quarvik-check and the tests use CEventLoop.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quarvik {

class IDispatcher {
public:
    // Runs fn on the home thread and returns when it has run (at once when called there).
    virtual void Send(const std::function<void()>& fn) = 0;
    // Queues fn for the home thread and returns at once.
    virtual void Post(std::function<void()> fn) = 0;
    // On the home thread: serves queued calls until cond() is false or timeoutMs has passed;
    // true when cond() became false. Used while stopping workers that may be blocked in Send.
    virtual bool PumpWhile(const std::function<bool()>& cond, int timeoutMs) = 0;

protected:
    ~IDispatcher() = default;
};

// A plain event loop: the thread that constructs it is the home thread.
class CEventLoop : public IDispatcher {
public:
    CEventLoop();

    void Send(const std::function<void()>& fn) override;
    void Post(std::function<void()> fn) override;
    bool PumpWhile(const std::function<bool()>& cond, int timeoutMs) override;

    // On the home thread: serves calls until Quit() (from any thread) or timeoutMs (-1: none).
    // True when Quit() ended it.
    bool Run(int timeoutMs = -1);
    void Quit();
    bool OnHomeThread() const { return std::this_thread::get_id() == m_home; }

private:
    // Serves at most one call, waiting up to the deadline for one (or for Quit when
    // wakeOnQuit); false when none came.
    bool ServeOne(std::chrono::steady_clock::time_point deadline, bool wakeOnQuit);

    std::thread::id m_home;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_calls;
    bool m_quit = false;
};

// A manual- or auto-reset event, the stop and started signals of the workers.
class CSignalEvent {
public:
    explicit CSignalEvent(bool autoReset = true) : m_autoReset(autoReset) {}
    void Set();
    void Reset();
    // True when the event was (or became) set within timeoutMs; an auto-reset event is then
    // cleared again.
    bool Wait(int timeoutMs);
    bool IsSet() const;

private:
    const bool m_autoReset;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_set = false;
};

// One worker thread with its started and stop events.
//
// Start() returns once the body has confirmed it runs (it calls ConfirmStarted() first).
// Stop() signals the stop event and keeps serving the home thread's calls until the body has
// returned, so a worker blocked in a Send can finish; then it joins. It waits kStopWaitMs at
// most: a body that has not returned by then is reported on stderr and left to end by itself
// (Stop again, or the destructor, which must wait for it: the body uses what its owner holds).
// The body polls StopRequested() or sleeps with SleepUnlessStopped().
class CWorkerThread;

// True on a worker's thread once its stop event is set, and on every thread once the whole
// program stops (SetProgramStop). Network waits deep below a worker (the FTP client, the
// listing) ask it, so a stop reaches them without being handed down.
bool CurrentWorkerStopRequested();
// Installs the predicate that tells the whole program stops (the checker's SIGINT and
// SIGTERM); it must be cheap and safe on any thread. nullptr removes it.
void SetProgramStop(bool (*stop)());

class CWorkerThread {
public:
    static constexpr int kStopWaitMs = 20000;

    CWorkerThread() = default;
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;
    ~CWorkerThread();

    bool Start(std::function<void(CWorkerThread&)> body, int confirmMs = 10000);
    // True when the body returned (or never ran) and the thread was joined within timeoutMs.
    bool Stop(IDispatcher& home, int timeoutMs = kStopWaitMs);

    void ConfirmStarted() { m_started.Set(); }
    bool StopRequested() const { return m_stop.IsSet(); }
    // Sleeps up to ms; true when the stop event is set (at once or during the sleep).
    bool SleepUnlessStopped(int ms) { return m_stop.Wait(ms); }
    bool Running() const { return m_thread.joinable() && !m_ended; }

private:
    std::thread m_thread;
    CSignalEvent m_started;
    CSignalEvent m_stop{false};
    std::atomic<bool> m_ended{false};
};

}  // namespace quarvik
