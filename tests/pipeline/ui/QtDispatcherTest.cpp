// The GUI's dispatcher: worker calls run on the GUI thread, and Stop's pump serves them.
#include "QtTestSupport.h"

#include "QtDispatcher.h"
#include "TaskQueries.h"
#include "TaskStore.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QTest>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
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

    // A write on the GUI thread waits for another program's lock: the GUI's timers keep
    // running, while a worker's call waits until the write is over.
    void guiServedWhileAWriteWaitsForALock() {
        TempHome home;
        CQtDispatcher dispatcher(qApp);
        {
            quarvik::CSqliteDb db;
            QVERIFY(db.OpenTaskDb());
        }
        sqlite3* holder = nullptr;
        QCOMPARE(sqlite3_open(home.File("task.db").toLocal8Bit().constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "begin exclusive;", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread release([holder] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            sqlite3_exec(holder, "commit;", nullptr, nullptr, nullptr);
        });
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, sinceTick.restart());
        });
        bool writing = true, calledDuringWrite = false, called = false;
        std::thread worker([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            dispatcher.Send([&] {
                calledDuringWrite = writing;
                called = true;
            });
        });
        sinceTick.start();
        tick.start(10);
        std::string reason;
        int id = 0;
        quarvik::SubTaskInfo_t subTask{};
        subTask.nTaskID = 1;
        const bool stored =
            quarvik::StoreInTaskDb([&](quarvik::CSqliteDb& db) { return db.AddSubTask(id, subTask); }, reason);
        writing = false;
        tick.stop();
        QVERIFY2(stored, reason.c_str());
        QVERIFY(WaitFor([&] { return called; }, 5000));
        worker.join();
        release.join();
        sqlite3_close(holder);
        QVERIFY(!calledDuringWrite);
        QVERIFY2(longestGap < 100, qPrintable(QStringLiteral("the GUI waited %1 ms").arg(longestGap)));
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
