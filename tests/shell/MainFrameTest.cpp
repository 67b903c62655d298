// The main frame: its menu, its least size and the close rule.
#include "ShellTest.h"

#include "ChildView.h"
#include "GdiplusButton.h"
#include "MainFrame.h"
#include "MyListCtrl.h"
#include "MyTabCtrl.h"
#include "QuarvikApp.h"
#include "WndBottom.h"
#include "Settings.h"

#include <QAction>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QScreen>
#include <QHeaderView>
#include <QScrollBar>
#include <QMenu>
#include <QTest>
#include <QUrl>

using namespace quarvik;

namespace {

// The whole widget shows: no window it lies in cuts it off.
bool ShowsWhole(const QWidget* widget) {
    for (const QWidget* outer = widget->parentWidget(); outer; outer = outer->parentWidget())
        if (!outer->rect().contains(QRect(widget->mapTo(outer, QPoint()), widget->size()))) return false;
    return true;
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void menuEntries() {
        TempHome home;
        CMainFrame frame;
        QStringList captions;
        for (QAction* a : frame.FileMenu()->actions())
            if (!a->isSeparator()) captions << a->text();
        QCOMPARE(captions, (QStringList{"设置", "声光报警", "软件主页", "技术支持", "关于"}));
        QCOMPARE(frame.FileMenu()->title(), QStringLiteral("文件"));
        QCOMPARE(frame.windowTitle(), QStringLiteral("Quarvik自动技审系统"));
    }

    void alertCheckFollowsSetting() {
        TempHome home;
        CMainFrame frame;
        QVERIFY(frame.AlertAction()->isChecked());  // absent from the file: on
        frame.OnAlertLight();
        QCOMPARE(ReadSetting(kEnAlertLight), 0);
        QVERIFY(!frame.AlertAction()->isChecked());
        frame.OnAlertLight();
        QCOMPARE(ReadSetting(kEnAlertLight), 1);
        WriteSetting(kEnAlertLight, 0);
        emit frame.FileMenu()->aboutToShow();
        QVERIFY(!frame.AlertAction()->isChecked());
    }

    void restoredFrameIsSmallerThanTheScreen() {
        const QRect screen(0, 0, 1600, 1000);
        QCOMPARE(NormalFrameGeometry(screen), QRect(160, 100, 1280, 800));
        QCOMPARE(NormalFrameGeometry(QRect(0, 0, 700, 500)), QRect(30, 10, 640, 480));
        QCOMPARE(NormalFrameGeometry(QRect(0, 0, 600, 400)), QRect(0, 0, 600, 400));
    }

    // Without a window manager the frame maximises itself, and Restore gives the smaller window back.
    void maximisesAndRestoresItself() {
        TempHome home;
        CMainFrame frame;
        frame.SetMaximisesItself(true);
        const QRect screen = frame.screen()->availableGeometry();
        const QRect normal = NormalFrameGeometry(screen);
        frame.setGeometry(normal);
        frame.showMaximized();
        QTRY_COMPARE(frame.geometry(), screen);
        QVERIFY(frame.isMaximized());
        frame.showNormal();
        QTRY_COMPARE(frame.geometry(), normal);
        QVERIFY(frame.width() < screen.width() || screen.width() <= CMainFrame::kMinWidth);
    }

    void leastSize() {
        TempHome home;
        CMainFrame frame;
        frame.show();
        frame.resize(100, 100);
        QVERIFY(frame.width() >= 640);
        QVERIFY(frame.height() >= 480);
    }

    // In the least frame, and in one a little larger, every button and query field of every page
    // lies inside the window, apart from the others, and every list shows its titles or scrolls to them.
    void smallFramesKeepEveryButtonAndTitle() {
        for (const QSize size : {QSize(640, 480), QSize(700, 500), QSize(760, 560)}) {
            TempHome home;
            CMainFrame frame;
            frame.show();
            frame.resize(size);
            QCOMPARE(frame.size(), size);
            CWndBottom* bottom = frame.View()->Bottom();
            bottom->OpenResult(quarvik::ResultInfo_t{});
            for (int page = 0; page < 3; ++page) {
                bottom->ResultTabs()->setCurrentIndex(page);
                QApplication::processEvents();
                QList<QRect> placed;
                for (const QWidget* control : frame.findChildren<QWidget*>()) {
                    const bool field = qobject_cast<const QLineEdit*>(control) &&
                                       !qobject_cast<const QAbstractSpinBox*>(control->parentWidget());
                    if (!control->isVisible() || !(qobject_cast<const CGdiplusButton*>(control) || qobject_cast<const QCheckBox*>(control) ||
                                                   qobject_cast<const QDateEdit*>(control) || field))
                        continue;
                    const QRect r(control->mapTo(&frame, QPoint()), control->size());
                    const QString name = QStringLiteral("%1 on page %2").arg(control->metaObject()->className()).arg(page);
                    QVERIFY2(ShowsWhole(control), qPrintable(name));
                    for (const QRect& other : placed) QVERIFY2(!other.intersects(r), qPrintable(name));
                    placed << r;
                }
                QVERIFY(placed.size() >= 7);
                for (CMyListCtrl* list : frame.findChildren<CMyListCtrl*>()) {
                    if (!list->isVisible()) continue;
                    QVERIFY(ShowsWhole(list));
                    const QHeaderView* header = list->horizontalHeader();
                    QVERIFY(header->isVisible() && header->height() > 0);
                    QVERIFY(list->viewport()->height() > header->height());
                    // Scrolled to its end, the last title shows (those before it come on the way).
                    QScrollBar* bar = list->horizontalScrollBar();
                    bar->setValue(bar->maximum());
                    const int last = header->logicalIndex(header->count() - 1);
                    const int from = qMax(0, header->sectionViewportPosition(last));
                    const int to = qMin(list->viewport()->width(), header->sectionViewportPosition(last) + header->sectionSize(last));
                    const QString title = header->model()->headerData(last, Qt::Horizontal).toString();
                    QVERIFY2(to - from >= header->fontMetrics().horizontalAdvance(title),
                             qPrintable(QStringLiteral("%1 in %2, page %3").arg(title, list->parentWidget()->metaObject()->className()).arg(page)));
                    bar->setValue(0);
                }
            }
        }
    }

    void closeRefusedWhileChecking() {
        TempHome home;
        MessageLog log(MsgAnswer::Yes);
        CMainFrame frame;
        frame.SetCheckRunningQuery([] { return true; });
        frame.show();
        QVERIFY(!frame.close());
        QVERIFY(frame.isVisible());
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].text, QStringLiteral("检测正在进行！现在不能退出！"));
        QVERIFY(log.shown[0].icon == MsgIcon::Stop);
    }

    // Without a browser or mail program the address is shown instead of nothing happening.
    void linksFallBackToTheAddress() {
        TempHome home;
        MessageLog log;
        CMainFrame frame;
        QList<QUrl> opened;
        bool canOpen = true;
        frame.SetUrlOpener([&](const QUrl& url) { return opened << url, canOpen; });
        frame.OnHomePage();
        frame.OnSupport();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[1].scheme(), QStringLiteral("mailto"));
        QVERIFY(log.shown.isEmpty());
        canOpen = false;
        frame.OnHomePage();
        frame.OnSupport();
        QCOMPARE(log.shown.size(), 2);
        QVERIFY(log.shown[0].text.contains(opened[0].toString()));
        QVERIFY(log.shown[1].text.contains(opened[1].path()));
    }

    void closeAsksFirst() {
        TempHome home;
        MessageLog log(MsgAnswer::No);
        CMainFrame frame;
        frame.SetCheckRunningQuery([] { return false; });
        frame.show();
        QVERIFY(!frame.close());
        QVERIFY(frame.isVisible());
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].text, QStringLiteral("确信退出吗?"));
        QVERIFY(log.shown[0].icon == MsgIcon::Question);
        QVERIFY(log.shown[0].buttons == MsgButtons::YesNoDefaultNo);
        log.Answer(MsgAnswer::Yes);
        QVERIFY(frame.close());
        QVERIFY(!frame.isVisible());
    }
};

int RunMainFrameTest(int argc, char** argv) {
    MainFrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainFrameTest.moc"
