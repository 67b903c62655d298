#include "QtDispatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>

#include "SqliteDb.h"

#include <chrono>

namespace {
// Lock waits of the GUI thread under way (nested ones included): workers' calls wait meanwhile.
int g_holdingCalls = 0;
// Dispatchers serving only their workers' calls (in destructors): no event is served then.
int g_servingOnly = 0;
}  // namespace

CQtDispatcher::CQtDispatcher(QObject* home) : m_home(home) {
    if (home) m_wakeUps.moveToThread(home->thread());
    if (OnHomeThread()) quarvik::SetLockWaitFn(&CQtDispatcher::ServeWhileLocked);
}

CQtDispatcher::~CQtDispatcher() { SetServeOnly(false); }

void CQtDispatcher::SetServeOnly(bool on) {
    if (on != m_serveOnly) g_servingOnly += on ? 1 : -1;
    m_serveOnly = on;
}

void CQtDispatcher::ServeWhileLocked(int ms) {
    if (g_servingOnly > 0) {
        QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    ++g_holdingCalls;
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    --g_holdingCalls;
}

bool CQtDispatcher::OnHomeThread() const { return m_home && QThread::currentThread() == m_home->thread(); }

void CQtDispatcher::Send(const std::function<void()>& fn) {
    if (OnHomeThread()) {
        fn();
        return;
    }
    if (!m_home) return;
    Call call{&fn};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(&call);
    }
    m_changed.notify_all();
    // Served by the event loop, or directly by a PumpWhile of the home thread.
    QMetaObject::invokeMethod(&m_wakeUps, [this] { ServeCalls(); }, Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&call] { return call.done; });
}

void CQtDispatcher::ServeCalls() {
    if (g_holdingCalls > 0) {
        // A write of a model waits for a lock further down this thread's stack.
        QTimer::singleShot(5, &m_wakeUps, [this] { ServeCalls(); });
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_calls.empty()) {
        Call* call = m_calls.front();
        m_calls.pop_front();
        lock.unlock();
        (*call->fn)();
        lock.lock();
        call->done = true;
        m_changed.notify_all();
    }
}

void CQtDispatcher::Post(std::function<void()> fn) {
    if (m_home) QMetaObject::invokeMethod(m_home, std::move(fn), Qt::QueuedConnection);
}

bool CQtDispatcher::PumpWhile(const std::function<bool()>& cond, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    // A worker may end without sending anything; the tick wakes the wait so cond is seen anyway.
    QTimer tick;
    tick.start(5);
    while (cond()) {
        if (deadline.hasExpired()) return false;
        ServeCalls();
        if (m_serveOnly) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::milliseconds(5), [this] { return !m_calls.empty(); });
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
    }
    return true;
}
