// The options dialog's loudness page: what it reads, its presets, what it refuses, what OK writes.
#include "QtTestSupport.h"

#include "DlgOption.h"
#include "MyTabCtrl.h"
#include "PageGeneral.h"
#include "PageLoudness.h"
#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace quarvik;

class LoudnessPageTest : public QObject {
    Q_OBJECT
private slots:
    void tabFollowsTheOthers() {
        TempHome home;
        CDlgOption full(nullptr, false);
        QCOMPARE(full.Tabs()->count(), 7);
        QCOMPARE(full.Tabs()->tabText(6), QStringLiteral("响度"));
        QCOMPARE(full.Page(6), static_cast<CMyDialog*>(full.Loudness()));
        CDlgOption general(nullptr, true);
        QVERIFY(!general.Loudness());
    }

    void readsTheSettingsAndShowsTheirPreset() {
        TempHome home;
        CPageLoudness defaults;
        QVERIFY(!defaults.EnableBox()->isChecked());
        QCOMPARE(defaults.PresetBox()->currentText(), QStringLiteral("EBU R128"));
        QCOMPARE(defaults.TargetEdit()->text(), QStringLiteral("-23.0"));

        WriteLoudnessLimits({true, -24.0, 2.0, -2.0});
        CPageLoudness atsc;
        QVERIFY(atsc.EnableBox()->isChecked());
        QCOMPARE(atsc.PresetBox()->currentText(), QStringLiteral("ATSC A/85"));

        WriteLoudnessLimits({false, -20.0, 1.0, -1.0});
        CPageLoudness custom;
        QCOMPARE(custom.PresetBox()->currentText(), QStringLiteral("自定义"));
    }

    void presetsFillTheFieldsAndEditingLeavesThem() {
        TempHome home;
        CPageLoudness page;
        page.PresetBox()->activated(1);  // as the operator's choice
        QCOMPARE(page.TargetEdit()->text(), QStringLiteral("-24.0"));
        QCOMPARE(page.ToleranceEdit()->text(), QStringLiteral("2.0"));
        QCOMPARE(page.TruePeakEdit()->text(), QStringLiteral("-2.0"));
        QCOMPARE(page.PresetBox()->currentIndex(), 1);
        page.TargetEdit()->setText(QStringLiteral("-22"));
        page.TargetEdit()->textEdited(page.TargetEdit()->text());
        QCOMPARE(page.PresetBox()->currentText(), QStringLiteral("自定义"));
    }

    void okWritesOrRefuses_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("tolerance");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("preset") << "-24" << "2" << true;
        QTest::newRow("fraction") << "-23.5" << "0.5" << true;
        QTest::newRow("text") << "loud" << "1" << false;
        QTest::newRow("positive target") << "3" << "1" << false;
        QTest::newRow("negative tolerance") << "-23" << "-1" << false;
    }
    void okWritesOrRefuses() {
        QFETCH(QString, target);
        QFETCH(QString, tolerance);
        QFETCH(bool, accepted);
        TempHome home;
        MessageLog log;
        CDlgOption dialog(nullptr, false);
        dialog.General()->CachePathEdit()->setText(home.Path());
        dialog.Loudness()->EnableBox()->setChecked(true);
        dialog.Loudness()->TargetEdit()->setText(target);
        dialog.Loudness()->ToleranceEdit()->setText(tolerance);
        dialog.accept();
        const LoudnessLimits limits = ReadLoudnessLimits();
        if (accepted) {
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QVERIFY(limits.enabled);
            QCOMPARE(limits.target, target.toDouble());
            QCOMPARE(limits.tolerance, tolerance.toDouble());
        } else {
            QVERIFY(dialog.result() != int(QDialog::Accepted));
            QCOMPARE(log.shown.size(), 1);
            QVERIFY(log.shown[0].text.startsWith(QStringLiteral("请输入一个介于 ")));
            QCOMPARE(dialog.Tabs()->currentIndex(), 6);
            // A refused OK writes nothing at all, the general page's settings neither.
            QVERIFY(!limits.enabled);
            QCOMPARE(ReadSetting(kCachePath), std::string());
        }
    }
};

int RunLoudnessPageTest(int argc, char** argv) {
    LoudnessPageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LoudnessPageTest.moc"
