#include "QtDispatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>

CQtDispatcher::CQtDispatcher(QObject* home) : m_home(home) {}

bool CQtDispatcher::OnHomeThread() const { return m_home && QThread::currentThread() == m_home->thread(); }

void CQtDispatcher::Send(const std::function<void()>& fn) {
    if (OnHomeThread()) {
        fn();
        return;
    }
    if (m_home) QMetaObject::invokeMethod(m_home, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
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
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
