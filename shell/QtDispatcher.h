#pragma once
// The GUI's home thread for the pipeline models: the thread of the given object (the GUI thread).
// Send blocks the calling worker until fn has run there; called on the home thread it runs fn at
// once, so a model's own handlers may Send without deadlocking. Must outlive every worker using it.
#include "Dispatcher.h"

#include <QPointer>

class QObject;

class CQtDispatcher : public quarvik::IDispatcher {
public:
    explicit CQtDispatcher(QObject* home);

    void Send(const std::function<void()>& fn) override;
    void Post(std::function<void()> fn) override;
    // Serves every GUI event meanwhile, input included, so the window stays usable during Stop;
    // handlers reached from here must not start another Stop of the same worker.
    bool PumpWhile(const std::function<bool()>& cond, int timeoutMs) override;

private:
    bool OnHomeThread() const;

    QPointer<QObject> m_home;
};
