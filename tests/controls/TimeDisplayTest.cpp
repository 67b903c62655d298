// Clocks, time and time-code displays and the time-code edit: the texts they show for times and
// frame counts, and what the edit takes.
#include "ControlsTest.h"

#include "DigitalClock.h"
#include "TimeCode.h"

#include <QTest>

using brindle::TimeCodeFrames;
using brindle::TimeCodeText;

namespace {

// What the cells of a digit string show, colons as ':'.
QString CellsText(const CDigistring& s) {
    QString text;
    for (QLCDNumber* cell : s.Cells()) {
        if (auto* digit = qobject_cast<CDigit*>(cell)) text += QString::number(digit->GetDigit());
        else if (qobject_cast<CColon*>(cell)) text += u':';
    }
    return text;
}

}  // namespace

class TimeDisplayTest : public QObject {
    Q_OBJECT
private slots:
    void TimeCodeOfFrameCounts_data() {
        QTest::addColumn<qint64>("frames");
        QTest::addColumn<int>("fps");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << 25 << "00:00:00:00";
        QTest::newRow("last frame of a second") << qint64(24) << 25 << "00:00:00:24";
        QTest::newRow("one second") << qint64(25) << 25 << "00:00:01:00";
        QTest::newRow("one of each") << qint64(25 * 3661 + 3) << 25 << "01:01:01:03";
        QTest::newRow("a day and more") << qint64(25) * 3600 * 100 << 25 << "100:00:00:00";
        QTest::newRow("30 frames a second") << qint64(59) << 30 << "00:00:01:29";
        QTest::newRow("negative shows zero") << qint64(-5) << 25 << "00:00:00:00";
        QTest::newRow("no frame rate counts as one") << qint64(61) << 0 << "00:01:01:00";
    }
    void TimeCodeOfFrameCounts() {
        QFETCH(qint64, frames);
        QFETCH(int, fps);
        QFETCH(QString, text);
        QCOMPARE(TimeCodeText(frames, fps), text);
        CTcWnd display(nullptr, fps);
        display.SetFrames(frames);
        QCOMPARE(display.GetText(), text);
        if (frames >= 0 && fps > 0) QCOMPARE(TimeCodeFrames(text, fps), frames);
    }

    void TimeCodeTextsAreReadOrRefused_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fps");
        QTest::addColumn<qint64>("frames");
        QTest::newRow("plain") << "01:01:01:03" << 25 << qint64(91528);
        QTest::newRow("frame 25 at 25") << "00:00:00:25" << 25 << qint64(-1);
        QTest::newRow("frame 29 at 30") << "00:00:01:29" << 30 << qint64(59);
        QTest::newRow("minute 60") << "00:60:00:00" << 25 << qint64(-1);
        QTest::newRow("one-digit hour") << "1:00:00:00" << 25 << qint64(-1);
        QTest::newRow("no frames") << "00:00:01" << 25 << qint64(-1);
        QTest::newRow("words") << "abc" << 25 << qint64(-1);
        QTest::newRow("no frame rate") << "00:00:00:00" << 0 << qint64(-1);
    }
    void TimeCodeTextsAreReadOrRefused() {
        QFETCH(QString, text);
        QFETCH(int, fps);
        QFETCH(qint64, frames);
        QCOMPARE(TimeCodeFrames(text, fps), frames);
    }

    void TimeEditTakesTimeCodes_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<qint64>("frames");
        QTest::newRow("complete") << "10203024" << "10:20:30:24" << qint64((10 * 3600 + 20 * 60 + 30) * 25 + 24);
        QTest::newRow("frame 25 refused") << "10203025" << "10:20:30:2_" << qint64(-1);
        QTest::newRow("hour 25 refused") << "25" << "2_:__:__:__" << qint64(-1);
        QTest::newRow("second 6x refused") << "000061" << "00:00:1_:__" << qint64(-1);
    }
    void TimeEditTakesTimeCodes() {
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(qint64, frames);
        CTimeEdit edit;
        edit.show();
        edit.setFocus();
        edit.setCursorPosition(0);
        QTest::keyClicks(&edit, keys);
        QCOMPARE(edit.displayText(), shown);
        QCOMPARE(edit.GetFrames(), frames);
        edit.SetFrames(qint64(25) * 86400 + 100);  // beyond a day: the day's last frame
        QCOMPARE(edit.text(), QStringLiteral("23:59:59:24"));
    }

    void PositionStaysWithinTheDuration() {
        CTcWnd2 pair;
        pair.SetDuration(100);
        pair.SetPosition(150);
        QCOMPARE(pair.GetPosition(), qint64(100));
        pair.SetPosition(-3);
        QCOMPARE(pair.GetPosition(), qint64(0));
        pair.SetPosition(80);
        pair.SetDuration(50);
        QCOMPARE(pair.GetPosition(), qint64(50));
        QCOMPARE(pair.GetText(), QStringLiteral("00:00:02:00 / 00:00:02:00"));
        CTimeWnd duration;
        duration.SetSeconds(5400);
        QCOMPARE(duration.GetText(), QStringLiteral("01:30:00"));
        QCOMPARE(duration.digitCount(), 8);
    }

    void ClockShowsTheTimeInItsDigits_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<bool>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("morning") << QTime(9, 5, 7) << true << "09:05:07";
        QTest::newRow("last second") << QTime(23, 59, 59) << true << "23:59:59";
        QTest::newRow("without seconds") << QTime(18, 30, 5) << false << "18:30";
        QTest::newRow("invalid shows midnight") << QTime() << true << "00:00:00";
    }
    void ClockShowsTheTimeInItsDigits() {
        QFETCH(QTime, time);
        QFETCH(bool, seconds);
        QFETCH(QString, text);
        CDigitalClock clock;
        clock.Start();
        clock.ShowSeconds(seconds);
        clock.SetTime(time);  // a fixed time stops following the clock
        QVERIFY(!clock.IsRunning());
        QCOMPARE(clock.GetText(), text);
        QCOMPARE(CellsText(clock), text);
    }

    void DigitStringRefusesOtherCharacters() {
        CDigistring s(QStringLiteral("12:34"));
        QVERIFY(!s.SetText(QStringLiteral("12:3a")));
        QCOMPARE(CellsText(s), QStringLiteral("12:34"));
        QVERIFY(s.SetText(QStringLiteral("7:8")));
        QCOMPARE(CellsText(s), QStringLiteral("7:8"));
        // A blinking clock darkens its colons and keeps its digits.
        s.SetColonsLit(false);
        auto* colon = qobject_cast<CColon*>(s.Cells().value(1));
        QVERIFY(colon && !colon->IsLit());
        QCOMPARE(CellsText(s), QStringLiteral("7:8"));
        CDigit digit;
        QVERIFY(!digit.SetDigit(10));
        QVERIFY(digit.SetDigit(9));
        QCOMPARE(digit.GetDigit(), 9);
    }
};

int RunTimeDisplayTest(int argc, char** argv) {
    TimeDisplayTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "TimeDisplayTest.moc"
