// The GUI's dispatcher: worker calls run on the GUI thread, and Stop's pump serves them.
#include "QtTestSupport.h"

#include "QtDispatcher.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

class QtDispatcherTest : public QObject {
    Q_OBJECT
private slots:
    void sendRunsOnGuiThreadWhilePumping() {
        CQtDispatcher dispatcher(qApp);
        QThread* gui = QThread::currentThread();
        std::atomic<bool> done{false};
        QThread* ranOn = nullptr;
        int value = 0;
        std::thread worker([&] {
            for (int i = 0; i < 50; ++i)
                dispatcher.Send([&] {
                    ranOn = QThread::currentThread();
                    ++value;  // no lock: only the GUI thread touches it
                });
            done = true;
        });
        QVERIFY(dispatcher.PumpWhile([&] { return !done; }, 30000));
        worker.join();
        QCOMPARE(value, 50);
        QCOMPARE(ranOn, gui);
    }

    void sendOnGuiThreadRunsAtOnce() {
        CQtDispatcher dispatcher(qApp);
        bool ran = false;
        dispatcher.Send([&] { ran = true; });
        QVERIFY(ran);
    }

    void postIsQueued() {
        CQtDispatcher dispatcher(qApp);
        bool ran = false;
        dispatcher.Post([&] { ran = true; });
        QVERIFY(!ran);
        QCoreApplication::processEvents();
        QVERIFY(ran);
    }

    void pumpGivesUpAtTimeout() {
        CQtDispatcher dispatcher(qApp);
        QVERIFY(!dispatcher.PumpWhile([] { return true; }, 20));
        QVERIFY(dispatcher.PumpWhile([] { return false; }, 0));
    }
};

int RunQtDispatcherTest(int argc, char** argv) {
    QtDispatcherTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "QtDispatcherTest.moc"
