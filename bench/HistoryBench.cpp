// quarvik-history-bench [RESULTS] [EVENTS]: how fast the history and detail pages are with a big
// task.db. It stores RESULTS results (default 100 000) spread over the year up to today, each
// with a face picture, and one more result with EVENTS fault events (default 2000) with their
// pictures, in a program folder of its own. Then it times, on the GUI thread:
//   - the history page's query of one day and of the whole year (what the wait cursor covers),
//     and the same queries reading every face picture, as a query of whole rows would;
//   - the longest the GUI thread is busy while the operator scrolls through the year's list
//     (the rows and pictures are filled as they scroll into view);
//   - opening the detail page of the result with EVENTS fault events.
// Figures are printed, never checked. Without a display use QT_QPA_PLATFORM=offscreen.
#include "HistoryQuery.h"
#include "MyListCtrl.h"
#include "SqliteDb.h"
#include "TextField.h"
#include "WndDetail.h"
#include "WndHistory.h"

#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace quarvik;

namespace {

constexpr int kDaySeconds = 24 * 3600;

// Milliseconds of fn on the wall clock, and in cpu those of this thread's processor time: on a
// shared machine the wall clock also counts the time other programs had the processor.
double Ms(const std::function<void()>& fn, double* cpu = nullptr) {
    timespec cpuStart{}, cpuEnd{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuStart);
    QElapsedTimer timer;
    timer.start();
    fn();
    const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuEnd);
    if (cpu) *cpu = double(cpuEnd.tv_sec - cpuStart.tv_sec) * 1e3 + double(cpuEnd.tv_nsec - cpuStart.tv_nsec) / 1e6;
    return wall;
}

bool StoreYear(int results, int32_t yearStart, int32_t now) {
    CSqliteDb db;
    if (!db.OpenTaskDb() || !db.Exec("begin transaction;")) return false;
    std::mt19937 random(7);
    std::vector<uint8_t> face(kFaceImageSize);
    for (uint8_t& b : face) b = static_cast<uint8_t>(random());
    for (int i = 0; i < results; ++i) {
        ResultInfo_t r{};
        const std::string name = "clip" + std::to_string(i) + ".mxf";
        CopyField(r.szName, name);
        CopyField(r.szFilename, "/media/archive/" + name);
        CopyField(r.szNewFilename, "/media/archive/" + name);
        r.nTaskID = -1;
        r.tmBegin = yearStart + static_cast<int32_t>(int64_t(i) * (now - yearStart) / results);
        r.tmEnd = r.tmBegin + 60;
        r.nFrame = 1500;
        r.nFmtError = i % 50 == 0 ? kFormatInvalid : kFormatValid;
        r.nBBCount = i % 7 == 0 ? 1 : 0;
        r.nFacePicState = 1;
        r.pFaceImage = face.data();
        r.nFaceImageSize = kFaceImageSize;
        int id = 0;
        if (!db.AddResult(id, r)) return false;
    }
    return db.Exec("commit;");
}

// The result with many fault events: picture faults with snapshots, every fourth a sound fault.
// Each fault is stored in a transaction of its own, as a check stores it; the bench's folder
// need not survive a power cut.
bool StoreEvents(int events, int32_t now, ResultInfo_t& r) {
    CSqliteDb db;
    if (!db.OpenTaskDb() || !db.Exec("PRAGMA synchronous=OFF;")) return false;
    r = ResultInfo_t{};
    CopyField(r.szName, "long-news.mxf");
    CopyField(r.szFilename, "/media/long-news.mxf");
    CopyField(r.szNewFilename, "/media/long-news.mxf");
    r.tmBegin = now;
    r.nFrame = events * 100;
    r.nFmtError = kFormatValid;
    if (!db.AddResult(r.nID, r)) return false;
    std::vector<uint8_t> snapshot(160 * 120 * 3);
    for (size_t i = 0; i < snapshot.size(); ++i) snapshot[i] = static_cast<uint8_t>(i * 7);
    for (int i = 0; i < events; ++i) {
        const bool sound = i % 4 == 3;
        const FaultInfo_t f{r.nID, sound ? 16 : 1 + i % 5, sound ? -60 : 0, i * 100, i * 100 + 50,
                            sound ? 0 : 24, sound ? 0 : 160, sound ? 0 : 120, sound ? nullptr : snapshot.data()};
        if (!db.AddFault(f, i + 1)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int results = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int events = argc > 2 ? std::atoi(argv[2]) : 2000;
    QTemporaryDir home;
    qputenv("QUARVIK_HOME", home.path().toLocal8Bit());
    const QDate today = QDate::currentDate();
    const QDate yearAgo = today.addDays(-364);
    const int32_t now = static_cast<int32_t>(std::time(nullptr));
    const int32_t yearStart = LocalDayStart({yearAgo.year(), yearAgo.month(), yearAgo.day()});
    ResultInfo_t eventful{};
    std::printf("storing %d results over a year and one with %d fault events ...\n", results, events);
    if (!StoreYear(results, yearStart, now) || !StoreEvents(events, now, eventful)) {
        std::fprintf(stderr, "quarvik-history-bench: the results could not be stored\n");
        return 2;
    }

    CWndHistory page;
    page.resize(1200, 700);
    page.show();
    QApplication::processEvents();
    const auto setRange = [&](const QDate& from) {
        const QSignalBlocker block(page.FromDate());
        page.FromDate()->setDate(from);
    };
    double dayCpu = 0, yearCpu = 0, yearModelCpu = 0;
    setRange(today);
    const double dayMs = Ms([&] { page.Query(); }, &dayCpu);
    const size_t dayRows = page.Rows().size();
    setRange(yearAgo);
    const double yearMs = Ms([&] { page.Query(); }, &yearCpu);
    const size_t yearRows = page.Rows().size();
    // The query alone, without the list.
    const double yearModelMs = Ms(
        [&] {
            CSqliteDb db;
            db.OpenTaskDb();
            QueryHistory(db, page.Filter(), {today.year(), today.month(), today.day()});
        },
        &yearModelCpu);

    // The same queries reading every face picture, as "select *" does.
    const auto wholeRows = [&](const QDate& from) {
        CSqliteDb db;
        db.OpenTaskDb();
        return Ms([&] {
            LoadResultsBetween(db, LocalDayStart({from.year(), from.month(), from.day()}),
                               LocalDayEnd({today.year(), today.month(), today.day()}), true, FacePictures::kWith);
        });
    };
    const double dayWholeMs = wholeRows(today);
    const double yearWholeMs = wholeRows(yearAgo);

    // Scrolling through the year's list a page at a time, and jumps to its middle and end.
    QScrollBar* bar = page.List()->verticalScrollBar();
    double longestScrollMs = 0;
    int scrolls = 0;
    for (int step = 0; step < 200; ++step) {
        longestScrollMs = std::max(longestScrollMs, Ms([&] {
                                       bar->setValue(bar->value() + bar->pageStep());
                                       QApplication::processEvents();
                                   }));
        ++scrolls;
    }
    for (int value : {bar->maximum() / 2, bar->maximum()}) {
        longestScrollMs = std::max(longestScrollMs, Ms([&] {
                                       bar->setValue(value);
                                       QApplication::processEvents();
                                   }));
        ++scrolls;
    }

    CWndDetail detail;
    detail.resize(1200, 700);
    detail.show();
    detail.SetResult(eventful, QString::fromUtf8(eventful.szNewFilename));
    double detailCpu = 0;
    const double detailMs = Ms(
        [&] {
            detail.ShowResult();
            QApplication::processEvents();
        },
        &detailCpu);

    std::printf("history, one day:   %6zu rows in %7.1f ms, %7.1f ms processor (target < 300 ms); "
                "reading every face picture %7.1f ms\n",
                dayRows, dayMs, dayCpu, dayWholeMs);
    std::printf("history, the year:  %6zu rows in %7.1f ms, %7.1f ms processor (target < 2000 ms); "
                "reading every face picture %7.1f ms\n",
                yearRows, yearMs, yearCpu, yearWholeMs);
    std::printf("  of which the query: %7.1f ms, %7.1f ms processor\n", yearModelMs, yearModelCpu);
    std::printf("scrolling the year: longest GUI-thread step of %d: %.1f ms (target < 100 ms)\n", scrolls,
                longestScrollMs);
    std::printf("detail page, %d fault events: %.1f ms, %.1f ms processor (target < 1000 ms)\n",
                detail.Events()->rowCount(), detailMs, detailCpu);
    return 0;
}
