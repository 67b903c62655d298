#pragma once
// Work that may take seconds (network look-ups) runs on a thread of its own; its result comes
// back to the GUI thread through context's event queue. When context is gone by then, the
// result is dropped. work must not touch context or any widget: it gets copies only.
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <functional>
#include <utility>

namespace quarvik {

template <class Result>
void RunOffGuiThread(QObject* context, std::function<Result()> work, std::function<void(Result)> done) {
    QPointer<QObject> guard(context);
    QThread* thread = QThread::create([guard, work = std::move(work), done = std::move(done)]() mutable {
        Result result = work();
        if (!guard) return;
        QMetaObject::invokeMethod(
            guard.data(), [done = std::move(done), result = std::move(result)]() mutable { done(std::move(result)); },
            Qt::QueuedConnection);
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

}  // namespace quarvik
