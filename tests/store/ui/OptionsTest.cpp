// The options dialog's general page: what it reads, what it refuses, what OK writes.
#include "QtTestSupport.h"

#include "DiskSpaceText.h"
#include "DlgOption.h"
#include "MyTabCtrl.h"
#include "PageGeneral.h"
#include "Settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace quarvik;

class OptionsTest : public QObject {
    Q_OBJECT
private slots:
    void generalOnlyHasOneTab() {
        TempHome home;
        CDlgOption general(nullptr, true);
        QCOMPARE(general.Tabs()->count(), 1);
        QCOMPARE(general.Tabs()->tabText(0), QStringLiteral("通用"));
        CDlgOption full(nullptr, false);
        QCOMPARE(full.Tabs()->count(), 6);
        QCOMPARE(full.PageCount(), 6);
        QCOMPARE(full.Tabs()->tabText(5), QStringLiteral("检测结果"));
    }

    void readsSettings() {
        TempHome home;
        WriteSetting(kEnAlertLight, 0);
        WriteSetting(kCachePath, home.Path().toStdString());
        WriteSetting(kCacheMinSpace, 42);
        CDlgOption dialog(nullptr, true);
        QVERIFY(!dialog.General()->AlertBox()->isChecked());
        QCOMPARE(dialog.General()->CachePathEdit()->text(), home.Path());
        QCOMPARE(dialog.General()->MinSpaceEdit()->text(), QStringLiteral("42"));
        QVERIFY(dialog.General()->CacheInfo()->text().startsWith(QStringLiteral("总共: ")));
    }

    void minSpaceRange_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("0") << "0" << false;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("1000") << "1000" << true;
        QTest::newRow("1001") << "1001" << false;
        QTest::newRow("-5") << "-5" << false;
        QTest::newRow("text") << "abc" << false;
        QTest::newRow("empty") << "" << false;
    }
    void minSpaceRange() {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        TempHome home;
        WriteSetting(kCacheMinSpace, 7);
        MessageLog log;
        CDlgOption dialog(nullptr, true);
        dialog.General()->AlertBox()->setChecked(false);
        dialog.General()->CachePathEdit()->setText(home.Path());
        dialog.General()->MinSpaceEdit()->setText(typed);
        dialog.accept();
        if (accepted) {
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(log.shown.isEmpty());
            QCOMPARE(ReadSetting(kCacheMinSpace), typed.toInt());
            QCOMPARE(ReadSetting(kEnAlertLight), 0);
            QCOMPARE(QString::fromStdString(ReadSetting(kCachePath)), home.Path());
        } else {
            QVERIFY(dialog.result() != int(QDialog::Accepted));
            QCOMPARE(log.shown.size(), 1);
            QCOMPARE(log.shown[0].text, QStringLiteral("请输入一个介于 1 和 1000 之间的整数。"));
            // A refused OK writes nothing at all.
            QCOMPARE(ReadSetting(kCacheMinSpace), 7);
            QCOMPARE(ReadSetting(kCachePath), std::string());
        }
    }

    void diskSpaceText() {
        QCOMPARE(DiskSpaceText(QString()), QStringLiteral("缓存路径未设置"));
        const auto fails = [](const std::string&, double&, double&) { return false; };
        QCOMPARE(DiskSpaceText(QStringLiteral("/x"), fails), QStringLiteral("获取磁盘空间信息失败！"));
        const auto known = [](const std::string&, double& total, double& free) {
            total = 3.0 * 1024 * 1024 * 1024;
            free = 1.5 * 1024 * 1024 * 1024;
            return true;
        };
        QCOMPARE(DiskSpaceText(QStringLiteral("/x"), known), QStringLiteral("总共: 3.00 GB  剩余: 1.50 GB "));
        QCOMPARE(DiskSpaceText(QStringLiteral("/no/such/folder/here")), QStringLiteral("获取磁盘空间信息失败！"));
    }
};

int RunOptionsTest(int argc, char** argv) {
    OptionsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionsTest.moc"
