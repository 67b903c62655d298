// The top bar: where its windows go, and the alert light lit by reports and put out by a click.
#include "ShellTest.h"

#include "AlertLight.h"
#include "Settings.h"
#include "WndCheck.h"
#include "WndPreview.h"
#include "WndTop.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTest>

namespace {

void Click(QWidget* w, QPoint pos) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton, {},
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

}  // namespace

class WndTopTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAt1200x300() {
        TempHome home;
        CWndTop top;
        top.resize(1200, 300);
        top.show();
        // pane (1200 - 200) / 3 = 333, gap 534, light 178 * 1.5 = 267, margin 133
        QCOMPARE(top.Preview()->geometry(), QRect(133, 0, 333, 300));
        QCOMPARE(top.Check()->geometry(), QRect(733, 0, 333, 300));
        QCOMPARE(top.Light()->geometry(), QRect(481, 31, 237, 237));
    }

    void layoutAt1600x400() {
        TempHome home;
        CWndTop top;
        top.resize(1600, 400);
        top.show();
        // pane 466, gap 668, light 222 * 1.5 = 333, margin 167
        QCOMPARE(top.Preview()->geometry(), QRect(167, 0, 466, 400));
        QCOMPARE(top.Check()->geometry(), QRect(966, 0, 466, 400));
        QCOMPARE(top.Light()->geometry(), QRect(648, 48, 303, 303));
        QCOMPARE(CWndTop::LayoutFor(1600, 400).light, QRect(648, 48, 303, 303));
    }

    // Bars narrower than their height asks for: the panes give way instead of covering each other,
    // and the monitor keeps room for its speed and time.
    void narrowBarsKeepThePanesApart() {
        const QSize bars[] = {{760, 388}, {640, 180}, {700, 190}, {760, 600}, {900, 400}};
        for (const QSize& bar : bars) {
            const CWndTop::Geometry g = CWndTop::LayoutFor(bar.width(), bar.height());
            QVERIFY(g.preview.left() >= 0);
            QVERIFY(g.check.right() < bar.width());
            QVERIFY(g.check.left() - g.preview.right() > CWndTop::kMinLightGap / 2);
            QVERIFY(g.preview.right() < g.light.left() && g.light.right() < g.check.left());
            QVERIFY(g.light.width() > 0);
            const CWndCheck::Geometry monitor = CWndCheck::LayoutFor(g.check.width(), g.check.height(), 70, 60);
            QVERIFY(monitor.time.left() > 0 && monitor.speed.right() < g.check.width());
            QVERIFY(monitor.timeline.width() > 0);
        }
        // Wide enough for the height: as before.
        QCOMPARE(CWndTop::LayoutFor(1600, 400).check, QRect(966, 0, 466, 400));
    }

    void faultLightsOnlyWithSettingOn() {
        TempHome home;
        QVERIFY(quarvik::WriteSetting(quarvik::kEnAlertLight, 0));
        CWndTop top;
        top.resize(1200, 300);
        top.show();
        top.OnCheckReport(1);
        QVERIFY(!top.IsLightOn());
        QVERIFY(!top.Light()->isVisible());

        QVERIFY(quarvik::WriteSetting(quarvik::kEnAlertLight, 1));
        top.OnCheckReport(2);
        QVERIFY(!top.IsLightOn());
        top.OnCheckReport(1);
        QVERIFY(top.IsLightOn());
        QVERIFY(top.Light()->isVisible());
        QVERIFY(top.Light()->Timer()->isActive());
    }

    void formatVerdictLightsToo() {
        TempHome home;
        QVERIFY(quarvik::WriteSetting(quarvik::kEnAlertLight, 1));
        CWndTop top;
        top.resize(1200, 300);
        top.show();
        top.OnCheckReport(0);
        QVERIFY(top.IsLightOn());
    }

    void clickOnLightPutsItOut() {
        TempHome home;
        QVERIFY(quarvik::WriteSetting(quarvik::kEnAlertLight, 1));
        CWndTop top;
        top.resize(1200, 300);
        top.show();
        top.OnCheckReport(1);
        QVERIFY(top.IsLightOn());
        Click(&top, QPoint(20, 20));  // on the preview's side, not the lamp
        QVERIFY(top.IsLightOn());
        Click(&top, top.Light()->geometry().center());
        QVERIFY(!top.IsLightOn());
        QVERIFY(!top.Light()->isVisible());
        QVERIFY(!top.Light()->Timer()->isActive());
    }

    void resizeWithSettingOffPutsItOut() {
        TempHome home;
        QVERIFY(quarvik::WriteSetting(quarvik::kEnAlertLight, 1));
        CWndTop top;
        top.resize(1200, 300);
        top.show();
        top.OnCheckReport(1);
        top.resize(1600, 400);
        QVERIFY(top.IsLightOn());
        QCOMPARE(top.Light()->geometry(), QRect(648, 48, 303, 303));
        QVERIFY(quarvik::WriteSetting(quarvik::kEnAlertLight, 0));
        top.resize(1200, 300);
        QVERIFY(!top.IsLightOn());
    }

    void animationCyclesFrames() {
        CAlertLight light;
        QCOMPARE(light.Frame(), 0);
        light.Advance();
        QCOMPARE(light.Frame(), 1);
        for (int i = 1; i < CAlertLight::kFrameCount; ++i) light.Advance();
        QCOMPARE(light.Frame(), 0);
    }

    void alarmWaveIsPcm16() {
        const QByteArray wave = AlarmWave();
        QVERIFY(wave.startsWith("RIFF"));
        QCOMPARE(wave.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(wave.mid(36, 4), QByteArray("data"));
        auto u16 = [&](int at) { return static_cast<uint8_t>(wave[at]) | static_cast<uint8_t>(wave[at + 1]) << 8; };
        QCOMPARE(u16(20), 1);   // PCM
        QCOMPARE(u16(34), 16);  // bits per sample
        QCOMPARE(wave.size(), 44 + 2 * 2 * (22050 / 5));
    }
};

int RunWndTopTest(int argc, char** argv) {
    WndTopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WndTopTest.moc"
