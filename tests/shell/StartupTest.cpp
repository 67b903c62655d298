// Start-up: the single instance and the cache-folder loop.
#include "ShellTest.h"

#include "MainFrame.h"
#include "QuarvikApp.h"
#include "Settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QToolTip>

using namespace quarvik;

namespace {

void SetCachePath(const QString& path) { QVERIFY(WriteSetting(kCachePath, path.toStdString())); }

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithValidCacheFolder() {
        TempHome home;
        SetCachePath(home.Path());
        MessageLog log;
        CQuarvikApp app;
        int dialogs = 0;
        app.SetOptionsDialogFn([&] { return ++dialogs, false; });
        QVERIFY(app.InitInstance());
        QVERIFY(app.MainFrame());
        QVERIFY(app.MainFrame()->isVisible());
        QVERIFY(app.MainFrame()->isMaximized());
        QCOMPARE(dialogs, 0);
        QVERIFY(log.shown.isEmpty());
    }

    void secondInstanceRefused() {
        TempHome home;
        SetCachePath(home.Path());
        MessageLog log;
        CQuarvikApp first;
        QVERIFY(first.InitInstance());
        CQuarvikApp second;
        int dialogs = 0;
        second.SetOptionsDialogFn([&] { return ++dialogs, true; });
        QVERIFY(!second.InitInstance());
        QVERIFY(!second.MainFrame());
        QCOMPARE(dialogs, 0);
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].text, QStringLiteral("Quarvik 已经运行!"));
        QVERIFY(log.shown[0].icon == MsgIcon::Exclamation);
        // The first copy keeps running and keeps its lock.
        QVERIFY(first.MainFrame()->isVisible());
        QVERIFY(first.HoldsInstance());
        first.ExitInstance();
        CQuarvikApp third;
        QVERIFY(third.InitInstance());
    }

    void lockHeldByAnotherOwnerRefuses() {
        TempHome home;
        SetCachePath(home.Path());
        QLockFile other(InstanceLockPath());
        QVERIFY(other.tryLock(0));
        MessageLog log;
        CQuarvikApp app;
        QVERIFY(!app.InitInstance());
        QCOMPARE(log.shown.size(), 1);
    }

    void fileAsCachePathIsInvalid() {
        TempHome home;
        QFile file(home.File("not-a-folder"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        SetCachePath(file.fileName());
        QVERIFY(!IsExistingFolder(file.fileName().toStdString()));
        MessageLog log;
        CQuarvikApp app;
        int dialogs = 0;
        app.SetOptionsDialogFn([&] {
            ++dialogs;
            SetCachePath(home.Path());
            return true;
        });
        QVERIFY(app.InitInstance());
        QCOMPARE(dialogs, 1);
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].text, QString::fromStdString(CacheFolderInvalidText(file.fileName().toStdString())));
    }

    void okWithoutValidFolderAsksAgain() {
        TempHome home;
        MessageLog log;
        int dialogs = 0;
        const bool started = EnsureCacheFolder([&] {
            ++dialogs;
            if (dialogs == 2) SetCachePath(home.File("missing"));
            if (dialogs == 3) SetCachePath(home.Path());
            return true;
        });
        QVERIFY(started);
        QCOMPARE(dialogs, 3);
        QCOMPARE(log.shown.size(), 3);
        QCOMPARE(log.shown[0].text, QString::fromStdString(CacheFolderInvalidText("")));
        QCOMPARE(log.shown[2].text, QString::fromStdString(CacheFolderInvalidText(home.File("missing").toStdString())));
    }

    // Qt's own boxes and menus speak the program's language and wear its theme; only the
    // program's texts are its own.
    void qtWindowsChineseAndDark() {
        PrepareApplication(*qApp);
        const auto question = MakeMessageBox(nullptr, QStringLiteral("确信退出吗?"), MsgIcon::Question,
                                             MsgButtons::YesNoDefaultNo);
        // Qt's Chinese buttons carry their keyboard shortcut: "是(&Y)".
        const auto caption = [&](QMessageBox::StandardButton b) {
            return question->button(b)->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
        };
        QCOMPARE(caption(QMessageBox::Yes), QStringLiteral("是"));
        QCOMPARE(caption(QMessageBox::No), QStringLiteral("否"));
        QCOMPARE(question->text(), QStringLiteral("确信退出吗?"));
        const auto notice = MakeMessageBox(nullptr, QStringLiteral("x"), MsgIcon::Information, MsgButtons::Ok);
        QCOMPARE(notice->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        const auto dark = [](const QColor& c) { return c.lightness() < 80; };
        QVERIFY(dark(question->palette().color(QPalette::Window)));
        QVERIFY(dark(QMenu().palette().color(QPalette::Window)));
        QVERIFY(dark(QToolTip::palette().color(QPalette::ToolTipBase)));
        QVERIFY(!dark(QToolTip::palette().color(QPalette::ToolTipText)));
    }

    void cancelEndsStartup() {
        TempHome home;
        MessageLog log;
        CQuarvikApp app;
        app.SetOptionsDialogFn([] { return false; });
        QVERIFY(!app.InitInstance());
        QVERIFY(!app.MainFrame());
        QVERIFY(!app.HoldsInstance());
        QCOMPARE(log.shown.size(), 1);
        // Nothing was written on the way out.
        QVERIFY(!QFile::exists(home.File("Quarvik.ini")));
    }
};

int RunStartupTest(int argc, char** argv) {
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StartupTest.moc"
