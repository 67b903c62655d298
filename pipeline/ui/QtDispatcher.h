#pragma once
// The GUI's home thread for the pipeline models: the thread of the given object (the GUI thread).
// Send blocks the calling worker until fn has run there; called on the home thread it runs fn at
// once, so a model's own handlers may Send without deadlocking. Must outlive every worker using it.
//
// Made on its home thread, it also makes that thread's waits for a database lock (SqliteDb.h)
// serve the thread's events, the operator's input excepted, so the windows keep drawing and their
// timers running while another program holds task.db. Meanwhile the workers' calls wait: the
// model whose write waits is not entered again. Input is served once the write is over.
#include "Dispatcher.h"

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <mutex>

class CQtDispatcher : public quarvik::IDispatcher {
public:
    explicit CQtDispatcher(QObject* home);
    ~CQtDispatcher();

    void Send(const std::function<void()>& fn) override;
    void Post(std::function<void()> fn) override;
    // Serves every GUI event meanwhile, input included, so the window stays usable during Stop;
    // handlers reached from here must not start another Stop of the same worker.
    bool PumpWhile(const std::function<bool()>& cond, int timeoutMs) override;
    // While set, PumpWhile answers the workers' calls only and leaves every other event queued:
    // for waits in destructors, where the widgets around may be half gone. Lock waits of the
    // home thread then sleep as well.
    void SetServeOnly(bool on);

private:
    struct Call {
        const std::function<void()>* fn;
        bool done = false;
    };
    bool OnHomeThread() const;
    // Runs the workers' waiting calls on the home thread (later while a lock wait holds them).
    void ServeCalls();
    // The lock wait of the home thread: its events for ms, input excepted, workers' calls held.
    static void ServeWhileLocked(int ms);

    QPointer<QObject> m_home;
    // The receiver of the wake-ups posted to the home thread: they go with the dispatcher.
    QObject m_wakeUps;
    bool m_serveOnly = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Call*> m_calls;
};
