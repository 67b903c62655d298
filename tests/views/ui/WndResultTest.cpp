// The result list page: rows made from a check's reports, their colours, icons and counts, and the
// ways an operator opens a result.
#include "QtTestSupport.h"

#include "FaultKinds.h"
#include "GdiplusButton.h"
#include "ListPictures.h"
#include "MyListCtrl.h"
#include "Settings.h"
#include "WndHistory.h"
#include "WndResult.h"
#include "ResultColumns.h"

#include <cstring>

#include <QHeaderView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using namespace quarvik;

namespace {

SubTaskInfo_t SubTask(int32_t id, const char* file) {
    SubTaskInfo_t s{};
    s.nTaskID = -1;
    s.nID = id;
    s.nType = kTargetFolder;
    std::strncpy(s.szFilename, file, sizeof(s.szFilename) - 1);
    std::strncpy(s.szNewFilename, file, sizeof(s.szNewFilename) - 1);
    const char* slash = std::strrchr(file, '/');
    std::strncpy(s.szName, slash ? slash + 1 : file, sizeof(s.szName) - 1);
    s.llFileSize = 1000;
    return s;
}

ResultNotify_t Notice(int32_t subTaskId) {
    ResultNotify_t n;
    std::memset(&n, 0, sizeof(n));
    n.nTaskID = -1;
    n.nSubTaskID = subTaskId;
    return n;
}

ResultNotify_t Verdict(int32_t subTaskId, int32_t verdict) {
    ResultNotify_t n = Notice(subTaskId);
    n.nKind = verdict;
    return n;
}

ResultNotify_t Fault(int32_t subTaskId, int32_t kind) {
    ResultNotify_t n = Notice(subTaskId);
    n.nFault = kind;
    n.tmBegin = 10;
    n.tmEnd = 20;
    return n;
}

QStringList Counts(const CMyListCtrl* list, int row) {
    QStringList texts;
    for (int c = CWndResult::kFirstCountColumn; c < CWndResult::kStateColumn; ++c)
        texts << list->GetItemText(row, c);
    return texts;
}

int FormatIconAt(const CMyListCtrl* list, int row) { return list->GetItemImage(row, 4); }

QString StateAt(const CMyListCtrl* list, int row) { return list->GetItemText(row, CWndResult::kStateColumn); }

// Drags the title of column from onto the first quarter of column onto (it then takes that
// column's place), as the operator does with the mouse.
void DragTitle(QHeaderView* header, int from, int onto) {
    QWidget* area = header->viewport();
    const int y = header->height() / 2;
    const QPoint start(header->sectionViewportPosition(from) + header->sectionSize(from) / 2, y);
    const QPoint end(header->sectionViewportPosition(onto) + header->sectionSize(onto) / 4, y);
    QTest::mousePress(area, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 8; ++step) {
        const QPoint at = start + (end - start) * step / 8;
        QMouseEvent move(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &move);
    }
    QTest::mouseRelease(area, Qt::LeftButton, {}, end);
}

}  // namespace

class WndResultTest : public QObject {
    Q_OBJECT
private slots:
    void columnsAsOperatorsKnowThem() {
        TempHome home;
        CWndResult page;
        const CMyListCtrl* list = page.List();
        QCOMPARE(list->columnCount(), 28);
        const QStringList titles = {"", "检测时间", "文件", "名称", "格式", "静帧", "黑场", "彩场", "彩条", "马赛克",
                                    "静音(L)", "音弱(L)", "音强(L)", "静音(R)", "音弱(R)", "音强(R)", "视频丢失",
                                    "静音(其他)", "音弱(其他)", "音强(其他)", "闪烁", "红闪", "图案", "亮度", "色域",
                                    "解码", "闪烁警告", "状态"};
        for (int c = 0; c < titles.size(); ++c) QCOMPARE(list->horizontalHeaderItem(c)->text(), titles[c]);
        // Seen without scrolling: the state stands right after the name.
        QCOMPARE(list->horizontalHeader()->visualIndex(CWndResult::kStateColumn), 4);
        // The row number is not hidden behind the thumbnail.
        QVERIFY(list->columnWidth(0) >= kListPictureSide + 10 + list->fontMetrics().horizontalAdvance(QStringLiteral("9999")));
        QCOMPARE(list->ItemHeight(), 42);
        QCOMPARE(list->columnWidth(2), 100);
        QVERIFY(list->columnWidth(1) >= 125);
    }

    // Widths the operator dragged come back in the next result list; the row number keeps its
    // room beside the thumbnail whatever was dragged.
    void draggedColumnWidthsKept() {
        TempHome home;
        int numberWidth = 0;
        {
            CWndResult page;
            QHeaderView* header = page.List()->horizontalHeader();
            numberWidth = page.List()->columnWidth(0);
            header->resizeSection(CWndResult::kFileColumn, 260);
            header->resizeSection(CWndResult::kStateColumn, 90);
            header->resizeSection(0, 12);
        }
        QCOMPARE(ReadResultColumnWidth(CWndResult::kFileColumn, 0), 260);
        QCOMPARE(ReadResultColumnWidth(CWndResult::kNameColumn, -1), -1);  // not dragged: not stored
        CWndResult again;
        const CMyListCtrl* list = again.List();
        QCOMPARE(list->columnWidth(CWndResult::kFileColumn), 260);
        QCOMPARE(list->columnWidth(CWndResult::kStateColumn), 90);
        QCOMPARE(list->columnWidth(CWndResult::kNameColumn), 100);
        QCOMPARE(list->columnWidth(0), numberWidth);
    }

    // Both lists of results take their columns in a new order from a drag of their titles; a
    // moved column keeps its kept width under its own key.
    void columnsReorderedByDraggingTheirTitles() {
        TempHome home;
        CWndResult results;
        CWndHistory history;
        for (QWidget* page : {static_cast<QWidget*>(&results), static_cast<QWidget*>(&history)}) {
            CMyListCtrl* list = page == &results ? results.List() : history.List();
            page->resize(1400, 400);
            page->show();
            QVERIFY(QTest::qWaitForWindowExposed(page));
            QHeaderView* header = list->horizontalHeader();
            QVERIFY(header->visualIndex(CWndResult::kNameColumn) > header->visualIndex(CWndResult::kFileColumn));
            DragTitle(header, CWndResult::kNameColumn, CWndResult::kFileColumn);
            QCOMPARE(header->visualIndex(CWndResult::kNameColumn), 2);
            QCOMPARE(header->visualIndex(CWndResult::kFileColumn), 3);
            page->hide();
        }
        results.List()->horizontalHeader()->resizeSection(CWndResult::kNameColumn, 230);
        QCOMPARE(ReadResultColumnWidth(CWndResult::kNameColumn, 0), 230);
        CWndResult again;
        QCOMPARE(again.List()->columnWidth(CWndResult::kNameColumn), 230);
    }

    void cleanCheckLeavesBlackRowWithTickAndZeros() {
        TempHome home;
        CWndResult page;
        page.resize(900, 400);
        page.show();
        CResultRecorder& recorder = page.Recorder();
        SubTaskInfo_t remote = SubTask(4, "ftp://op:pw@10.0.0.9/in/clip.ts");
        // The copy checked is local (the test reaches no server).
        std::strcpy(remote.szNewFilename, "/nonexistent/clip.ts");
        recorder.OnNewResult(remote);
        const CMyListCtrl* list = page.List();
        QCOMPARE(list->GetItemCount(), 1);
        QCOMPARE(list->GetItemText(0, 0), QStringLiteral("1"));
        QCOMPARE(list->GetItemText(0, 2), QStringLiteral("ftp://10.0.0.9/in/clip.ts"));
        QCOMPARE(list->item(0, 2)->toolTip(), QStringLiteral("ftp://10.0.0.9/in/clip.ts"));
        QCOMPARE(list->GetItemText(0, 3), QStringLiteral("clip.ts"));
        QCOMPARE(list->item(0, 3)->toolTip(), QStringLiteral("clip.ts"));
        QCOMPARE(Counts(list, 0), QStringList(kCountColumns, QStringLiteral("-")));
        QCOMPARE(FormatIconAt(list, 0), int(kFormatIconNone));
        QCOMPARE(StateAt(list, 0), QStringLiteral("正在检测"));
        QVERIFY(list->GetItemData(0) > 0);  // stored: the result's id

        recorder.OnFormatNotice(Verdict(4, kFormatValid));
        ResultNotify_t end = Notice(4);
        end.nFrame = 299;
        recorder.OnCheckFinished(end);
        QCOMPARE(Counts(list, 0), QStringList(kCountColumns, QStringLiteral("0")));
        QCOMPARE(FormatIconAt(list, 0), int(kFormatIconPassed));
        QCOMPARE(StateAt(list, 0), QStringLiteral("检测完毕"));
        QCOMPARE(list->GetItemTextColor(0), list->TextColour());
    }

    void failedChecksShowTheirStateInTheirColour() {
        // A file that could not be opened, a check stopped after a fault, and a clean one.
        TempHome home;
        CWndResult page;
        CResultRecorder& recorder = page.Recorder();
        const CMyListCtrl* list = page.List();
        for (int32_t id : {1, 2, 3}) {
            recorder.OnNewResult(SubTask(id, "/media/a.ts"));
            recorder.OnFormatNotice(Notice(id));
        }
        recorder.OnOpenFailed(Notice(1));
        recorder.OnFaultNotice(Fault(2, kFaultBlack));
        recorder.OnCheckStopped(Notice(2));
        recorder.OnCheckFinished(Notice(3));
        const auto check = [&] {
            QCOMPARE(StateAt(list, 0), QStringLiteral("无法打开"));
            QCOMPARE(list->GetItemTextColor(0), QColor(224, 0, 224));
            QCOMPARE(Counts(list, 0), QStringList(kCountColumns, QStringLiteral("-")));
            QCOMPARE(StateAt(list, 1), QStringLiteral("检测中断"));
            QCOMPARE(list->GetItemTextColor(1), QColor(255, 128, 0));
            QCOMPARE(list->GetItemText(1, 6), QStringLiteral("1"));
            QCOMPARE(StateAt(list, 2), QStringLiteral("检测完毕"));
            QCOMPARE(list->GetItemTextColor(2), list->TextColour());
        };
        check();
        page.RefreshButton()->click();
        check();
    }

    void formatFailureThenFaultTurnsDarkRedThenRed() {
        TempHome home;
        CWndResult page;
        CResultRecorder& recorder = page.Recorder();
        const CMyListCtrl* list = page.List();
        recorder.OnNewResult(SubTask(7, "/media/a.mxf"));
        recorder.OnFormatNotice(Verdict(7, kFormatInvalid));
        QCOMPARE(list->GetItemTextColor(0), CWndResult::kFormatFailedText);
        QCOMPARE(FormatIconAt(list, 0), int(kFormatIconFailed));
        recorder.OnFaultNotice(Fault(7, kFaultBlack));
        recorder.OnFaultNotice(Fault(7, kFaultBlack));
        recorder.OnFaultNotice(Fault(7, kFaultTooHighRight));
        QCOMPARE(list->GetItemTextColor(0), CWndResult::kFaultyText);
        QCOMPARE(list->GetItemText(0, 6), QStringLiteral("2"));
        QCOMPARE(list->GetItemText(0, 15), QStringLiteral("1"));
        QCOMPARE(list->GetItemText(0, 5), QStringLiteral("0"));
    }

    void strangersChangeNothing() {
        TempHome home;
        CWndResult page;
        CResultRecorder& recorder = page.Recorder();
        const CMyListCtrl* list = page.List();
        recorder.OnNewResult(SubTask(1, "/media/a.ts"));
        recorder.OnFaultNotice(Fault(99, kFaultBlack));
        recorder.OnFaultNotice(Fault(1, 13));  // a code without a column
        QCOMPARE(Counts(list, 0), QStringList(kCountColumns, QStringLiteral("-")));
        QCOMPARE(list->GetItemTextColor(0), list->TextColour());
    }

    void videoLostCountsInTheLastColumnAndColoursTheRow() {
        TempHome home;
        CWndResult page;
        CResultRecorder& recorder = page.Recorder();
        const CMyListCtrl* list = page.List();
        recorder.OnNewResult(SubTask(1, "/media/a.ts"));
        recorder.OnFaultNotice(Fault(1, kFaultVideoLost));
        QCOMPARE(list->GetItemText(0, 16), QStringLiteral("1"));
        QCOMPARE(list->GetItemText(0, 5), QStringLiteral("-"));
        QCOMPARE(list->GetItemTextColor(0), CWndResult::kFaultyText);
    }

    void laterRowOfTheSameSubTaskIsAddressed() {
        TempHome home;
        CWndResult page;
        CResultRecorder& recorder = page.Recorder();
        recorder.OnNewResult(SubTask(3, "/media/a.ts"));
        recorder.OnNewResult(SubTask(3, "/media/a.ts"));
        recorder.OnFaultNotice(Fault(3, kFaultStillFrame));
        QCOMPARE(page.List()->GetItemText(0, 5), QStringLiteral("-"));
        QCOMPARE(page.List()->GetItemText(1, 5), QStringLiteral("1"));
        QCOMPARE(page.List()->GetItemText(1, 0), QStringLiteral("2"));
    }

    void reportsPassedOnExceptABeginning() {
        TempHome home;
        CWndResult page;
        QSignalSpy reports(&page, &CWndResult::CheckReport);
        CResultRecorder& recorder = page.Recorder();
        recorder.OnNewResult(SubTask(2, "/media/a.ts"));
        recorder.OnFormatNotice(Notice(2));  // the check begins: no verdict, no alarm
        QCOMPARE(reports.count(), 0);
        recorder.OnFaultNotice(Fault(2, kFaultMosaic));
        recorder.OnCheckFinished(Notice(2));
        QCOMPARE(reports.count(), 2);
        QCOMPARE(reports[0][0].toInt(), 1);
        QCOMPARE(reports[1][0].toInt(), 2);
    }

    void detailsNeedASelection() {
        TempHome home;
        MessageLog messages;
        CWndResult page;
        page.resize(900, 400);
        page.show();
        QSignalSpy opened(&page, &CWndResult::OpenResult);
        page.DetailButton()->click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("没有记录选择！"));
        QCOMPARE(opened.count(), 0);

        page.Recorder().OnNewResult(SubTask(5, "/media/five.ts"));
        page.Recorder().OnNewResult(SubTask(6, "/media/six.ts"));
        page.List()->selectRow(1);
        page.DetailButton()->click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened[0][0].value<ResultInfo_t>().nSubTaskID, 6);

        emit page.List()->cellDoubleClicked(0, 3);
        QCOMPARE(opened.count(), 2);
        QCOMPARE(opened[1][0].value<ResultInfo_t>().nSubTaskID, 5);
    }

    void todaysResultsBackAfterRestart() {
        TempHome home;
        {
            CWndResult page;
            page.Recorder().OnNewResult(SubTask(1, "/media/one.ts"));
            page.Recorder().OnNewResult(SubTask(2, "/media/two.ts"));
            page.Recorder().OnFaultNotice(Fault(2, kFaultColourBars));
            ResultNotify_t end = Notice(2);
            page.Recorder().OnCheckFinished(end);
        }
        CWndResult again;
        const CMyListCtrl* list = again.List();
        QCOMPARE(list->GetItemCount(), 2);
        QCOMPARE(list->GetItemText(1, 3), QStringLiteral("two.ts"));
        QCOMPARE(list->GetItemText(1, 8), QStringLiteral("1"));
        QCOMPARE(list->GetItemTextColor(1), CWndResult::kFaultyText);
        // The first check never ended: no clean pass, but an interrupted one.
        QCOMPARE(StateAt(list, 0), QStringLiteral("检测中断"));
        QCOMPARE(list->GetItemTextColor(0), QColor(255, 128, 0));
        QCOMPARE(list->ImageCount(), 2);
        again.Recorder().OnNewResult(SubTask(3, "/media/three.ts"));
        again.RefreshButton()->click();
        QCOMPARE(list->GetItemCount(), 3);
        QCOMPARE(list->ImageCount(), 3);
    }
};

int RunWndResultTest(int argc, char** argv) {
    WndResultTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WndResultTest.moc"
