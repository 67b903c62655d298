#include "MaskedEdit.h"

#include "BrindleColors.h"

#include <QRegularExpression>

using namespace brindle;

namespace {

// The character shown in an empty position of a mask.
constexpr QChar kBlank = u'_';

using Field = CAMSEdit::FieldsBehavior::Field;

QList<Field> DateFields() { return {{4, 1, 9999}, {2, 1, 12}, {2, 1, 31}}; }
QList<Field> TimeFields() { return {{2, 0, 23}, {2, 0, 59}, {2, 0, 59}}; }

CAMSEdit::FieldsBehavior* NewTimeBehavior(CAMSEdit* edit) {
    return new CAMSEdit::FieldsBehavior(edit, TimeFields(), QStringLiteral("::"));
}

}  // namespace

// --- behaviours

QValidator::State CAMSEdit::AlphanumericBehavior::validate(QString& text, int&) const {
    if (m_max > 0 && text.size() > m_max) return Invalid;
    for (QChar c : text)
        if (m_invalid.contains(c)) return Invalid;
    return Acceptable;
}

QString CAMSEdit::MaskedBehavior::InputMask() const {
    if (m_mask.isEmpty()) return {};
    static const QString meta = QStringLiteral("AaNnXx90DdHhBb#><!\\[]{}");
    QString out;
    for (QChar c : m_mask) {
        if (c == u'#') out += u'9';
        else if (c == u'A') out += u'N';
        else if (c == u'?') out += u'A';
        else if (meta.contains(c)) out += QStringLiteral("\\") + c;
        else out += c;
    }
    return out + u';' + kBlank;
}

void CAMSEdit::NumericBehavior::SetRange(double min, double max) {
    m_min = qMin(min, max);
    m_max = qMax(min, max);
}

QString CAMSEdit::NumericBehavior::Plain(const QString& text) const {
    QString s = !m_prefix.isEmpty() && text.startsWith(m_prefix) ? text.mid(m_prefix.size()) : text;
    if (!m_group.isNull()) s.remove(m_group);
    return s.trimmed();
}

QValidator::State CAMSEdit::NumericBehavior::validate(QString& text, int&) const {
    const QString s = Plain(text);
    if (s.isEmpty()) return Intermediate;
    static const QRegularExpression number(QStringLiteral("^(-?)(\\d*)(\\.(\\d*))?$"));
    const QRegularExpressionMatch m = number.match(s);
    if (!m.hasMatch()) return Invalid;
    if (!m.captured(1).isEmpty() && m_min >= 0) return Invalid;
    if (m.captured(2).size() > m_whole) return Invalid;
    if (!m.captured(3).isEmpty() && (m_decimals == 0 || m.captured(4).size() > m_decimals)) return Invalid;
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (!ok) return Intermediate;  // "-" or "." on the way to a number
    // More digits only take the number further from zero.
    if ((v > m_max && v > 0) || (v < m_min && v < 0)) return Invalid;
    return v < m_min || v > m_max ? Intermediate : Acceptable;
}

double CAMSEdit::NumericBehavior::Value(const QString& text, bool* ok) const {
    return Plain(text).toDouble(ok);
}

QString CAMSEdit::NumericBehavior::Format(double value) const {
    const QString digits = QString::number(qAbs(value), 'f', m_decimals);
    QString whole = digits.section(u'.', 0, 0);
    QString fraction = digits.section(u'.', 1);
    if (!m_fixed)
        while (fraction.endsWith(u'0')) fraction.chop(1);
    if (!m_group.isNull())
        for (qsizetype at = whole.size() - 3; at > 0; at -= 3) whole.insert(at, m_group);
    const bool negative = value < 0 && digits.contains(QRegularExpression(QStringLiteral("[1-9]")));
    return m_prefix + (negative ? QStringLiteral("-") : QString()) + whole +
           (fraction.isEmpty() ? QString() : u'.' + fraction);
}

CAMSEdit::FieldsBehavior::FieldsBehavior(CAMSEdit* edit, QList<Field> fields, const QString& separators)
    : Behavior(edit), m_fields(std::move(fields)), m_separators(separators) {}

QString CAMSEdit::FieldsBehavior::InputMask() const {
    QString mask;
    for (int i = 0; i < m_fields.size(); ++i) {
        mask += QString(m_fields[i].width, u'9');
        if (i < m_separators.size()) mask += m_separators[i];
    }
    return mask + u';' + kBlank;
}

QValidator::State CAMSEdit::FieldsBehavior::validate(QString& text, int&) const {
    QList<int> values;
    bool complete = true;
    int at = 0;
    for (const Field& f : m_fields) {
        const QString part = text.mid(at, f.width);
        at += f.width + 1;
        if (part.size() < f.width) return Intermediate;
        // Empty positions as zeros: the least value the field can still reach.
        bool ok = false;
        const int least = QString(part).replace(kBlank, u'0').replace(u' ', u'0').toInt(&ok);
        if (!ok || least > f.max) return Invalid;
        if (part.contains(kBlank) || part.contains(u' ')) {
            complete = false;
            continue;
        }
        if (least < f.min) return Invalid;
        values << least;
    }
    if (!complete) return Intermediate;
    return ValuesValid(values) ? Acceptable : Intermediate;
}

QList<int> CAMSEdit::FieldsBehavior::Values(const QString& text) const {
    QString copy = text;
    int pos = 0;
    if (validate(copy, pos) != Acceptable) return {};
    QList<int> values;
    int at = 0;
    for (const Field& f : m_fields) {
        values << text.mid(at, f.width).toInt();
        at += f.width + 1;
    }
    return values;
}

QString CAMSEdit::FieldsBehavior::Text(const QList<int>& values) const {
    QString text;
    for (int i = 0; i < m_fields.size() && i < values.size(); ++i) {
        text += QStringLiteral("%1").arg(values[i], m_fields[i].width, 10, QLatin1Char('0'));
        if (i < m_separators.size()) text += m_separators[i];
    }
    return text;
}

bool CAMSEdit::FieldsBehavior::ValuesValid(const QList<int>&) const { return true; }

CAMSEdit::DateBehavior::DateBehavior(CAMSEdit* edit, bool withTime)
    : FieldsBehavior(edit, withTime ? DateFields() + TimeFields() : DateFields(),
                     withTime ? QStringLiteral("-- ::") : QStringLiteral("--")) {}

void CAMSEdit::DateBehavior::SetRange(QDate min, QDate max) {
    m_min = qMin(min, max);
    m_max = qMax(min, max);
}

bool CAMSEdit::DateBehavior::ValuesValid(const QList<int>& values) const {
    const QDate date(values[0], values[1], values[2]);
    return date.isValid() && date >= m_min && date <= m_max;
}

// --- edits

CAMSEdit::CAMSEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &CAMSEdit::ShowValidity);
}

void CAMSEdit::SetBehavior(Behavior* behavior) {
    setValidator(nullptr);
    delete m_behavior;
    m_behavior = behavior;
    setInputMask(behavior->InputMask());
    setValidator(behavior);
    ShowValidity();
}

void CAMSEdit::ShowValidity() {
    QPalette p = palette();
    p.setColor(QPalette::Text, hasAcceptableInput() ? kListText : kInvalidText);
    setPalette(p);
}

CAMSAlphanumericEdit::CAMSAlphanumericEdit(int maxCharacters, const QString& invalidCharacters, QWidget* parent)
    : CAMSEdit(parent) {
    auto* behavior = new AlphanumericBehavior(this);
    behavior->SetMaxCharacters(maxCharacters);
    behavior->SetInvalidCharacters(invalidCharacters);
    SetBehavior(behavior);
}

CAMSMaskedEdit::CAMSMaskedEdit(const QString& mask, QWidget* parent) : CAMSEdit(parent) { SetMask(mask); }

void CAMSMaskedEdit::SetMask(const QString& mask) { SetBehavior(new MaskedBehavior(this, mask)); }

QString CAMSMaskedEdit::GetMask() const { return static_cast<MaskedBehavior*>(GetBehavior())->Mask(); }

CAMSNumericEdit::CAMSNumericEdit(QWidget* parent) : CAMSEdit(parent), m_numeric(new NumericBehavior(this)) {
    SetBehavior(m_numeric);
    setAlignment(Qt::AlignRight);
    // The typed number is shown in the edit's own format once it is complete.
    connect(this, &QLineEdit::editingFinished, this, [this] { SetValue(GetValue()); });
}

void CAMSNumericEdit::SetValue(double value) { setText(m_numeric->Format(value)); }

double CAMSNumericEdit::GetValue() const {
    bool ok = false;
    const double v = m_numeric->Value(text(), &ok);
    return ok ? v : 0;
}

CAMSIntegerEdit::CAMSIntegerEdit(QWidget* parent) : CAMSNumericEdit(parent) {
    Numeric().SetMaxDecimalPlaces(0);
    Numeric().SetMaxWholeDigits(18);
}

CAMSCurrencyEdit::CAMSCurrencyEdit(const QString& sign, QWidget* parent) : CAMSNumericEdit(parent) {
    Numeric().SetPrefix(sign);
    Numeric().SetGroupSeparator(u',');
    Numeric().SetMaxDecimalPlaces(2);
    Numeric().SetMaxWholeDigits(13);
    Numeric().SetFixedDecimals(true);
}

CAMSDateEdit::CAMSDateEdit(QWidget* parent) : CAMSEdit(parent), m_date(new DateBehavior(this)) {
    SetBehavior(m_date);
}

void CAMSDateEdit::SetDate(QDate date) {
    setText(date.isValid() ? m_date->Text({date.year(), date.month(), date.day()}) : QString());
}

QDate CAMSDateEdit::GetDate() const {
    const QList<int> v = m_date->Values(text());
    return v.isEmpty() ? QDate() : QDate(v[0], v[1], v[2]);
}

CAMSTimeEdit::CAMSTimeEdit(QWidget* parent) : CAMSEdit(parent), m_time(NewTimeBehavior(this)) {
    SetBehavior(m_time);
}

void CAMSTimeEdit::SetTime(QTime time) {
    setText(time.isValid() ? m_time->Text({time.hour(), time.minute(), time.second()}) : QString());
}

QTime CAMSTimeEdit::GetTime() const {
    const QList<int> v = m_time->Values(text());
    return v.isEmpty() ? QTime() : QTime(v[0], v[1], v[2]);
}

CAMSDateTimeEdit::CAMSDateTimeEdit(QWidget* parent) : CAMSEdit(parent), m_dateTime(new DateBehavior(this, true)) {
    SetBehavior(m_dateTime);
}

void CAMSDateTimeEdit::SetDateTime(const QDateTime& value) {
    const QDate d = value.date();
    const QTime t = value.time();
    setText(value.isValid() ? m_dateTime->Text({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()})
                            : QString());
}

QDateTime CAMSDateTimeEdit::GetDateTime() const {
    const QList<int> v = m_dateTime->Values(text());
    return v.isEmpty() ? QDateTime() : QDateTime(QDate(v[0], v[1], v[2]), QTime(v[3], v[4], v[5]));
}

CAMSMultiMaskedEdit::CAMSMultiMaskedEdit(const QString& mask, QWidget* parent) : CAMSEdit(parent) { SetMask(mask); }

void CAMSMultiMaskedEdit::SetMask(const QString& mask) {
    static const QRegularExpression number(QStringLiteral("^(#+)(\\.(#+))?$"));
    m_mask = mask;
    clear();
    if (mask == QStringLiteral("####-##-##")) {
        m_kind = kDate;
        SetBehavior(new DateBehavior(this));
    } else if (mask == QStringLiteral("##:##:##")) {
        m_kind = kTime;
        SetBehavior(NewTimeBehavior(this));
    } else if (mask == QStringLiteral("####-##-## ##:##:##")) {
        m_kind = kDateTime;
        SetBehavior(new DateBehavior(this, true));
    } else if (const QRegularExpressionMatch m = number.match(mask); m.hasMatch()) {
        m_kind = kNumeric;
        auto* numeric = new NumericBehavior(this);
        numeric->SetMaxWholeDigits(static_cast<int>(m.captured(1).size()));
        numeric->SetMaxDecimalPlaces(static_cast<int>(m.captured(3).size()));
        numeric->SetRange(0, 1e15);
        SetBehavior(numeric);
    } else {
        m_kind = kMasked;
        SetBehavior(new MaskedBehavior(this, mask));
    }
}
