// quarvik-gui-latency FILE [ROWS [LOCK_MS]]: how responsive the desktop program stays while it
// checks FILE in the manual-check pane with the check monitor following it. A 10 ms timer on the
// GUI thread measures how late the event loop serves it; the delays are printed as mean, 99th
// percentile and maximum, with the check's speed. With ROWS, that many stored results of today
// are listed first, and the time the result page takes to load them is printed too. With
// LOCK_MS, another connection holds task.db locked for that long from the moment Start is
// pressed, so that the check's first writes on the GUI thread wait for it.
// Runs in a program folder of its own; without a display use QT_QPA_PLATFORM=offscreen.
#include "ChildView.h"
#include "GdiplusButton.h"
#include "MyListCtrl.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "WndBottom.h"
#include "WndManualChk.h"
#include "WndResult.h"

#include <sqlite3.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

using namespace quarvik;

namespace {

bool StoreResults(int rows) {
    CSqliteDb db;
    if (!db.OpenTaskDb() || !db.Exec("begin transaction;")) return false;
    ResultInfo_t r{};
    r.nTaskID = -1;
    r.nType = kTargetFolder;
    r.tmBegin = r.tmEnd = static_cast<int32_t>(std::time(nullptr));
    for (int i = 0; i < rows; ++i) {
        r.nSubTaskID = i + 1;
        std::snprintf(r.szFilename, sizeof(r.szFilename), "/media/archive/clip%05d.mxf", i);
        std::snprintf(r.szName, sizeof(r.szName), "clip%05d.mxf", i);
        r.nBBCount = i % 7 == 0 ? 1 : 0;
        int id = 0;
        if (!db.AddResult(id, r)) return false;
    }
    return db.Exec("commit;");
}

// Serves the GUI (sleeping while nothing happens) until cond holds or the time is up.
void ServeUntil(const std::function<bool()>& cond, int ms) {
    const QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.start(20);
    while (!cond() && !deadline.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quarvik-gui-latency FILE [ROWS]\n");
        return 2;
    }
    QTemporaryDir home;
    qputenv("QUARVIK_HOME", home.path().toLocal8Bit());
    QDir(home.path()).mkdir(QStringLiteral("cache"));
    WriteSetting(kCachePath, QDir(home.path()).filePath(QStringLiteral("cache")).toStdString());
    const int rows = argc > 2 ? std::atoi(argv[2]) : 0;
    const int lockMs = argc > 3 ? std::atoi(argv[3]) : 0;
    if (rows > 0 && !StoreResults(rows)) {
        std::fprintf(stderr, "cannot store %d results\n", rows);
        return 2;
    }

    QElapsedTimer built;
    built.start();
    CChildView view;
    view.resize(1600, 900);
    view.show();
    QApplication::processEvents();
    if (rows > 0)
        std::printf("workspace with %d results listed: %lld ms\n", view.Bottom()->Results()->List()->GetItemCount(),
                    static_cast<long long>(built.elapsed()));

    CWndManualChk* manual = view.Bottom()->ManualCheck();
    manual->AddFiles({QString::fromLocal8Bit(argv[1])});
    const auto state = [&] { return manual->List()->GetItemText(0, 2); };
    ServeUntil([&] { return state() == QStringLiteral("等待检测中"); }, 60000);
    manual->MonitorButton()->click();

    std::vector<qint64> delays;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        delays.push_back(std::max<qint64>(0, sinceTick.nsecsElapsed() / 1000 - 10000));
        sinceTick.start();
    });
    // Another program's lock on task.db, held from the moment Start is pressed.
    sqlite3* holder = nullptr;
    std::thread release;
    if (lockMs > 0) {
        if (sqlite3_open(QDir(home.path()).filePath(QStringLiteral("task.db")).toLocal8Bit().constData(), &holder) != SQLITE_OK ||
            sqlite3_exec(holder, "begin exclusive;", nullptr, nullptr, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "cannot lock task.db\n");
            return 2;
        }
        release = std::thread([holder, lockMs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(lockMs));
            sqlite3_exec(holder, "commit;", nullptr, nullptr, nullptr);
        });
    }
    sinceTick.start();
    tick.start(10);
    QElapsedTimer pressed;
    pressed.start();
    manual->Start();
    const qint64 startMs = pressed.elapsed();
    if (!manual->IsChecking()) return 2;
    // The check's own time: from the moment the pane shows it checking to its end.
    QElapsedTimer checking;
    ServeUntil(
        [&] {
            if (!checking.isValid() && state().startsWith(QStringLiteral("图像检测中"))) checking.start();
            return state() == QStringLiteral("检测完毕");
        },
        30 * 60 * 1000);
    tick.stop();
    const double seconds = checking.isValid() ? checking.elapsed() / 1000.0 : 0;
    manual->Stop();
    if (release.joinable()) {
        release.join();
        sqlite3_close(holder);
        std::printf("task.db locked by another connection for the first %d ms of the check; Start took %lld ms\n",
                    lockMs, static_cast<long long>(startMs));
    }
    const CResultRecorder& results = view.Bottom()->Results()->Recorder();
    const int frames = results.Count() > 0 ? results.Row(results.Count() - 1).info.nFrame + 1 : 0;
    if (delays.empty() || frames <= 1 || seconds <= 0) {
        std::fprintf(stderr, "the check did not run\n");
        return 2;
    }
    std::sort(delays.begin(), delays.end());
    double sum = 0;
    for (qint64 d : delays) sum += static_cast<double>(d);
    std::printf("checked %d pictures in %.1f s (%.0f fps) with the monitor following\n", frames, seconds,
                frames / seconds);
    std::printf("GUI timer lateness over %zu ticks: mean %.1f ms, 99th percentile %.1f ms, max %.1f ms\n",
                delays.size(), sum / delays.size() / 1000.0, delays[delays.size() * 99 / 100] / 1000.0,
                delays.back() / 1000.0);
    return 0;
}
