// The main frame: its menu, its least size and the close rule.
#include "ShellTest.h"

#include "MainFrame.h"
#include "Settings.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QUrl>

using namespace quarvik;

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

    void leastSize() {
        TempHome home;
        CMainFrame frame;
        frame.show();
        frame.resize(100, 100);
        QVERIFY(frame.width() >= 640);
        QVERIFY(frame.height() >= 480);
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
