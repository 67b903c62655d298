#pragma once
// The masked-edit family: one-line edits that take only the text their behaviour allows. A
// behaviour is the edit's validator (and, for fixed layouts, its input mask): a key that would make
// the text invalid is refused, and the text shows red while it is incomplete or out of range.
//   CAMSAlphanumericEdit  any text up to a length, without the refused characters
//   CAMSMaskedEdit        a fixed layout: '#' a digit, 'A' a letter or digit, '?' a letter, the rest literal
//   CAMSNumericEdit       a decimal number with limits on whole and decimal digits and a range
//   CAMSIntegerEdit       a whole number
//   CAMSCurrencyEdit      an amount with a currency sign, thousands grouped, two decimals
//   CAMSDateEdit "yyyy-MM-dd", CAMSTimeEdit "hh:mm:ss", CAMSDateTimeEdit both
//   CAMSMultiMaskedEdit   takes the behaviour its mask describes
#include "BrindleExport.h"

#include <QDateTime>
#include <QLineEdit>
#include <QList>
#include <QValidator>

class BRINDLE_EXPORT CAMSEdit : public QLineEdit {
    Q_OBJECT
public:
    // Decides which texts the edit accepts. Owned by its edit.
    class BRINDLE_EXPORT Behavior : public QValidator {
    public:
        explicit Behavior(CAMSEdit* edit) : QValidator(edit) {}
        // The input mask the layout needs; empty for free text.
        virtual QString InputMask() const { return {}; }
    };

    class BRINDLE_EXPORT AlphanumericBehavior : public Behavior {
    public:
        using Behavior::Behavior;
        void SetMaxCharacters(int count) { m_max = count; }  // 0: no limit
        void SetInvalidCharacters(const QString& characters) { m_invalid = characters; }
        State validate(QString& text, int& pos) const override;

    private:
        int m_max = 0;
        QString m_invalid;
    };

    class BRINDLE_EXPORT MaskedBehavior : public Behavior {
    public:
        MaskedBehavior(CAMSEdit* edit, const QString& mask) : Behavior(edit), m_mask(mask) {}
        QString Mask() const { return m_mask; }
        QString InputMask() const override;
        // The input mask checks every position.
        State validate(QString&, int&) const override { return Acceptable; }

    private:
        QString m_mask;
    };

    class BRINDLE_EXPORT NumericBehavior : public Behavior {
    public:
        using Behavior::Behavior;
        void SetMaxWholeDigits(int digits) { m_whole = digits; }
        void SetMaxDecimalPlaces(int places) { m_decimals = places; }
        // Negative numbers are typed only when min is below zero.
        void SetRange(double min, double max);
        void SetPrefix(const QString& prefix) { m_prefix = prefix; }
        void SetGroupSeparator(QChar separator) { m_group = separator; }
        // Always show every decimal place (amounts) instead of only the significant ones.
        void SetFixedDecimals(bool on) { m_fixed = on; }
        State validate(QString& text, int& pos) const override;
        // The number a text holds (prefix and group separators ignored); ok false when there is none.
        double Value(const QString& text, bool* ok = nullptr) const;
        QString Format(double value) const;

    private:
        QString Plain(const QString& text) const;
        int m_whole = 9, m_decimals = 2;
        double m_min = -1e15, m_max = 1e15;
        QString m_prefix;
        QChar m_group;
        bool m_fixed = false;
    };

    // Numeric fields in a fixed layout: a field that cannot come into its range is refused as it is
    // typed; the text is acceptable when every field is complete and the values are valid together.
    class BRINDLE_EXPORT FieldsBehavior : public Behavior {
    public:
        struct Field {
            int width, min, max;
        };
        // separators: the one literal character after each field but the last.
        FieldsBehavior(CAMSEdit* edit, QList<Field> fields, const QString& separators);
        QString InputMask() const override;
        State validate(QString& text, int& pos) const override;
        // The values of a complete, valid text; empty otherwise.
        QList<int> Values(const QString& text) const;
        QString Text(const QList<int>& values) const;
        void SetFieldMax(int field, int max) { m_fields[field].max = max; }

    protected:
        virtual bool ValuesValid(const QList<int>& values) const;

    private:
        QList<Field> m_fields;
        QString m_separators;
    };

    // yyyy-MM-dd, a real date within the range.
    class BRINDLE_EXPORT DateBehavior : public FieldsBehavior {
    public:
        explicit DateBehavior(CAMSEdit* edit, bool withTime = false);
        void SetRange(QDate min, QDate max);

    protected:
        bool ValuesValid(const QList<int>& values) const override;

    private:
        QDate m_min{1900, 1, 1}, m_max{9999, 12, 31};
    };

    explicit CAMSEdit(QWidget* parent = nullptr);
    // The mask is complete and the behaviour accepts the text.
    bool IsValid() const { return hasAcceptableInput(); }

protected:
    // Replaces the behaviour (and the input mask with it); the edit owns it.
    void SetBehavior(Behavior* behavior);
    Behavior* GetBehavior() const { return m_behavior; }

private:
    void ShowValidity();
    Behavior* m_behavior = nullptr;
};

class BRINDLE_EXPORT CAMSAlphanumericEdit : public CAMSEdit {
    Q_OBJECT
public:
    explicit CAMSAlphanumericEdit(int maxCharacters = 0, const QString& invalidCharacters = {},
                                  QWidget* parent = nullptr);
};

class BRINDLE_EXPORT CAMSMaskedEdit : public CAMSEdit {
    Q_OBJECT
public:
    explicit CAMSMaskedEdit(const QString& mask = {}, QWidget* parent = nullptr);
    void SetMask(const QString& mask);
    QString GetMask() const;
};

class BRINDLE_EXPORT CAMSNumericEdit : public CAMSEdit {
    Q_OBJECT
public:
    explicit CAMSNumericEdit(QWidget* parent = nullptr);
    NumericBehavior& Numeric() { return *m_numeric; }
    void SetValue(double value);
    // 0 when the text holds no number.
    double GetValue() const;

private:
    NumericBehavior* m_numeric;
};

class BRINDLE_EXPORT CAMSIntegerEdit : public CAMSNumericEdit {
    Q_OBJECT
public:
    explicit CAMSIntegerEdit(QWidget* parent = nullptr);
    qint64 GetInteger() const { return qRound64(GetValue()); }
};

class BRINDLE_EXPORT CAMSCurrencyEdit : public CAMSNumericEdit {
    Q_OBJECT
public:
    explicit CAMSCurrencyEdit(const QString& sign = QStringLiteral("¥"), QWidget* parent = nullptr);
};

class BRINDLE_EXPORT CAMSDateEdit : public CAMSEdit {
    Q_OBJECT
public:
    explicit CAMSDateEdit(QWidget* parent = nullptr);
    void SetRange(QDate min, QDate max) { m_date->SetRange(min, max); }
    void SetDate(QDate date);
    // Invalid while the text is incomplete or no date.
    QDate GetDate() const;

private:
    DateBehavior* m_date;
};

class BRINDLE_EXPORT CAMSTimeEdit : public CAMSEdit {
    Q_OBJECT
public:
    explicit CAMSTimeEdit(QWidget* parent = nullptr);
    void SetTime(QTime time);
    QTime GetTime() const;

private:
    FieldsBehavior* m_time;
};

class BRINDLE_EXPORT CAMSDateTimeEdit : public CAMSEdit {
    Q_OBJECT
public:
    explicit CAMSDateTimeEdit(QWidget* parent = nullptr);
    void SetDateTime(const QDateTime& value);
    QDateTime GetDateTime() const;

private:
    DateBehavior* m_dateTime;
};

class BRINDLE_EXPORT CAMSMultiMaskedEdit : public CAMSEdit {
    Q_OBJECT
public:
    enum Kind { kMasked, kNumeric, kDate, kTime, kDateTime };
    explicit CAMSMultiMaskedEdit(const QString& mask = {}, QWidget* parent = nullptr);
    // "####-##-##" a date, "##:##:##" a time, both with a space between them a date and time,
    // '#'s with at most one '.' a number of that many digits, anything else a masked layout.
    void SetMask(const QString& mask);
    QString GetMask() const { return m_mask; }
    Kind GetKind() const { return m_kind; }

private:
    QString m_mask;
    Kind m_kind = kMasked;
};
