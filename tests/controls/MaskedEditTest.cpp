// The masked-edit family: which typed keys each edit takes, when its text is acceptable, and how
// numbers and amounts are shown.
#include "ControlsTest.h"

#include "MaskedEdit.h"

#include <QTest>

#include <functional>
#include <memory>

namespace {

using Maker = std::function<CAMSEdit*()>;

Maker Make(const QString& kind) {
    if (kind == "alnum") return [] { return new CAMSAlphanumericEdit(5, QStringLiteral("/:")); };
    if (kind == "masked") return [] { return new CAMSMaskedEdit(QStringLiteral("###-####")); };
    if (kind == "numeric")
        return [] {
            auto* e = new CAMSNumericEdit;
            e->Numeric().SetRange(-100, 100);
            e->Numeric().SetMaxWholeDigits(3);
            return e;
        };
    if (kind == "positive")
        return [] {
            auto* e = new CAMSNumericEdit;
            e->Numeric().SetRange(10, 500);
            return e;
        };
    if (kind == "integer") return [] { return new CAMSIntegerEdit; };
    if (kind == "currency") return [] { return new CAMSCurrencyEdit; };
    if (kind == "date") return [] { return new CAMSDateEdit; };
    if (kind == "time") return [] { return new CAMSTimeEdit; };
    if (kind == "datetime") return [] { return new CAMSDateTimeEdit; };
    return [kind] { return new CAMSMultiMaskedEdit(kind.mid(6)); };  // "multi:<mask>"
}

}  // namespace

class MaskedEditTest : public QObject {
    Q_OBJECT
private slots:
    void TypedKeysAreTakenOrRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("acceptable");
        QTest::newRow("alnum: refused characters and the length") << "alnum" << "ab/c:defg" << false << "abcde" << true;
        QTest::newRow("masked: letters refused") << "masked" << "12a3456x7" << false << "123-4567" << true;
        QTest::newRow("masked: incomplete") << "masked" << "12" << false << "12_-____" << false;
        QTest::newRow("numeric: decimals cut") << "numeric" << "-12.345" << false << "-12.34" << true;
        QTest::newRow("numeric: above the range") << "numeric" << "150" << false << "15" << true;
        QTest::newRow("numeric: letters and a second point") << "numeric" << "1a.2.3" << false << "1.23" << true;
        QTest::newRow("numeric: only a sign") << "numeric" << "-" << false << "-" << false;
        QTest::newRow("numeric: below a positive range") << "positive" << "-5" << false << "5" << false;
        QTest::newRow("integer: no point") << "integer" << "12.5" << false << "125" << true;
        QTest::newRow("integer: negative") << "integer" << "-7" << false << "-7" << true;
        QTest::newRow("currency: grouped on Enter") << "currency" << "1234.567" << true << "¥1,234.56" << true;
        QTest::newRow("currency: typed after its sign") << "currency" << "¥88" << true << "¥88.00" << true;
        QTest::newRow("date: month 13 and day 9x refused") << "date" << "20261309" << false << "2026-10-__" << false;
        QTest::newRow("date: no 30 February") << "date" << "20260230" << false << "2026-02-30" << false;
        QTest::newRow("date: complete") << "date" << "20261209" << false << "2026-12-09" << true;
        QTest::newRow("time: full, extra key ignored") << "time" << "2359597" << false << "23:59:59" << true;
        QTest::newRow("time: minute 6x refused") << "time" << "1761" << false << "17:1_:__" << false;
        QTest::newRow("time: hour 24 refused") << "time" << "2400" << false << "20:0_:__" << false;
        QTest::newRow("datetime: complete") << "datetime" << "202612091830059" << false << "2026-12-09 18:30:05" << true;
        QTest::newRow("multi number") << "multi:###.##" << "123.456" << false << "123.45" << true;
        QTest::newRow("multi number: four whole digits") << "multi:###.##" << "1234" << false << "123" << true;
        QTest::newRow("multi time: hour 9x refused") << "multi:##:##:##" << "99" << false << "__:__:__" << false;
        QTest::newRow("multi date") << "multi:####-##-##" << "20240229" << false << "2024-02-29" << true;
        QTest::newRow("multi masked") << "multi:AA-###" << "x1-234" << false << "x1-234" << true;
        QTest::newRow("multi masked: letter for a digit") << "multi:AA-###" << "x1-a23" << false << "x1-23_" << false;
    }
    void TypedKeysAreTakenOrRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, keys);
        QFETCH(bool, enter);
        QFETCH(QString, shown);
        QFETCH(bool, acceptable);
        std::unique_ptr<CAMSEdit> edit(Make(kind)());
        edit->show();
        edit->setFocus();
        edit->setCursorPosition(0);
        QTest::keyClicks(edit.get(), keys);
        if (enter) QTest::keyClick(edit.get(), Qt::Key_Return);
        QCOMPARE(edit->displayText(), shown);
        QCOMPARE(edit->IsValid(), acceptable);
        // Invalid input shows red, acceptable input the list's grey.
        QCOMPARE(edit->palette().color(QPalette::Text) == QColor(192, 192, 192), acceptable);
    }

    void MultiMaskPicksItsBehaviour_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<int>("kind");
        QTest::newRow("date") << "####-##-##" << int(CAMSMultiMaskedEdit::kDate);
        QTest::newRow("time") << "##:##:##" << int(CAMSMultiMaskedEdit::kTime);
        QTest::newRow("date and time") << "####-##-## ##:##:##" << int(CAMSMultiMaskedEdit::kDateTime);
        QTest::newRow("number") << "#####" << int(CAMSMultiMaskedEdit::kNumeric);
        QTest::newRow("decimal") << "##.#" << int(CAMSMultiMaskedEdit::kNumeric);
        QTest::newRow("two points") << "#.#.#" << int(CAMSMultiMaskedEdit::kMasked);
        QTest::newRow("phone") << "(###) ###-####" << int(CAMSMultiMaskedEdit::kMasked);
    }
    void MultiMaskPicksItsBehaviour() {
        QFETCH(QString, mask);
        QFETCH(int, kind);
        CAMSMultiMaskedEdit edit(QStringLiteral("##"));
        edit.setText(QStringLiteral("12"));
        edit.SetMask(mask);
        QCOMPARE(int(edit.GetKind()), kind);
        QVERIFY(edit.text().remove(QRegularExpression(QStringLiteral("[^0-9]"))).isEmpty());
    }

    void NumbersAreShownInTheEditsFormat_data() {
        QTest::addColumn<bool>("currency");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("amount") << true << 1234567.5 << "¥1,234,567.50";
        QTest::newRow("amount rounded up") << true << 999.999 << "¥1,000.00";
        QTest::newRow("negative amount") << true << -1234.567 << "¥-1,234.57";
        QTest::newRow("tiny negative is zero") << true << -0.001 << "¥0.00";
        QTest::newRow("zero amount") << true << 0.0 << "¥0.00";
        QTest::newRow("number keeps significant places") << false << 12.5 << "12.5";
        QTest::newRow("whole number") << false << 100.0 << "100";
        QTest::newRow("number rounded to its places") << false << 3.14159 << "3.14";
    }
    void NumbersAreShownInTheEditsFormat() {
        QFETCH(bool, currency);
        QFETCH(double, value);
        QFETCH(QString, shown);
        std::unique_ptr<CAMSNumericEdit> edit(currency ? new CAMSCurrencyEdit : new CAMSNumericEdit);
        edit->SetValue(value);
        QCOMPARE(edit->text(), shown);
        QVERIFY(edit->IsValid());
        // The shown text reads back as the rounded number.
        QCOMPARE(edit->GetValue(), QLocale::c().toDouble(shown.mid(currency ? 1 : 0).remove(u',')));
    }

    void DatesAndTimesReadBackAsSet() {
        CAMSDateEdit date;
        date.SetDate(QDate(2024, 2, 29));
        QCOMPARE(date.text(), QStringLiteral("2024-02-29"));
        QCOMPARE(date.GetDate(), QDate(2024, 2, 29));
        date.SetRange(QDate(2025, 1, 1), QDate(2025, 12, 31));
        QVERIFY(!date.IsValid());
        QVERIFY(!date.GetDate().isValid());
        CAMSTimeEdit time;
        time.SetTime(QTime(7, 5, 3));
        QCOMPARE(time.GetTime(), QTime(7, 5, 3));
        CAMSDateTimeEdit when;
        const QDateTime at(QDate(2026, 12, 9), QTime(18, 30, 5));
        when.SetDateTime(at);
        QCOMPARE(when.GetDateTime(), at);
        when.SetDateTime({});
        QVERIFY(!when.GetDateTime().isValid());
    }
};

int RunMaskedEditTest(int argc, char** argv) {
    MaskedEditTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "MaskedEditTest.moc"
