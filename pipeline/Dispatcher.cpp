#include "Dispatcher.h"

#include <cstdio>

namespace quarvik {

CEventLoop::CEventLoop() : m_home(std::this_thread::get_id()) {}

void CEventLoop::Send(const std::function<void()>& fn)
{
    if (OnHomeThread()) {
        fn();
        return;
    }
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;
    Post([&] {
        fn();
        std::lock_guard<std::mutex> lock(doneMutex);
        done = true;
        doneChanged.notify_one();
    });
    std::unique_lock<std::mutex> lock(doneMutex);
    doneChanged.wait(lock, [&] { return done; });
}

void CEventLoop::Post(std::function<void()> fn)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(fn));
    m_wake.notify_one();
}

bool CEventLoop::ServeOne(std::chrono::steady_clock::time_point deadline, bool wakeOnQuit)
{
    std::function<void()> call;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_wake.wait_until(lock, deadline,
                               [&] { return !m_calls.empty() || (wakeOnQuit && m_quit); }))
            return false;
        if (m_calls.empty())
            return false;
        call = std::move(m_calls.front());
        m_calls.pop_front();
    }
    call();  // outside the lock: the call may Post or Send itself
    return true;
}

bool CEventLoop::PumpWhile(const std::function<bool()>& cond, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (cond()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        // Wake at least every 10 ms to look at cond() again: it may change without a call.
        ServeOne(std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(10)),
                 false);
    }
    return true;
}

bool CEventLoop::Run(int timeoutMs)
{
    const auto deadline = timeoutMs < 0
                              ? std::chrono::steady_clock::time_point::max()
                              : std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_quit) {
                m_quit = false;
                return true;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        ServeOne(deadline, true);
    }
}

void CEventLoop::Quit()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_quit = true;
    m_wake.notify_all();
}

void CSignalEvent::Set()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_set = true;
    m_changed.notify_all();
}

void CSignalEvent::Reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_set = false;
}

bool CSignalEvent::Wait(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_set; }))
        return false;
    if (m_autoReset)
        m_set = false;
    return true;
}

bool CSignalEvent::IsSet() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_set;
}

CWorkerThread::~CWorkerThread()
{
    if (m_thread.joinable()) {
        m_stop.Set();
        m_thread.join();
    }
}

namespace {

// The worker whose body runs on this thread; none on the home thread and foreign threads.
thread_local const CWorkerThread* t_currentWorker = nullptr;
std::atomic<bool (*)()> g_programStop{nullptr};

}  // namespace

void SetProgramStop(bool (*stop)())
{
    g_programStop = stop;
}

bool CurrentWorkerStopRequested()
{
    bool (*const programStop)() = g_programStop.load();
    return (t_currentWorker && t_currentWorker->StopRequested()) || (programStop && programStop());
}

bool CWorkerThread::Start(std::function<void(CWorkerThread&)> body, int confirmMs)
{
    if (m_thread.joinable())
        return false;
    m_stop.Reset();
    m_started.Reset();
    m_ended = false;
    m_thread = std::thread([this, body = std::move(body)] {
        t_currentWorker = this;
        body(*this);
        m_ended = true;
    });
    if (m_started.Wait(confirmMs))
        return true;
    // The body never confirmed: stop it and report the failure.
    m_stop.Set();
    m_thread.join();
    return false;
}

bool CWorkerThread::Stop(IDispatcher& home, int timeoutMs)
{
    if (!m_thread.joinable())
        return true;
    m_stop.Set();
    if (!home.PumpWhile([this] { return !m_ended; }, timeoutMs)) {
        std::fprintf(stderr, "a worker did not stop within %d ms; it is left to end by itself\n", timeoutMs);
        return false;
    }
    m_thread.join();
    return true;
}

}  // namespace quarvik
