#pragma once
// Seven-segment displays: green segments on black.
//   CDigit         one digit 0-9
//   CColon         the separator between digit pairs; unlit it shows nothing (a blinking clock)
//   CDigistring    a row of digits and colons spelling a text such as "12:34:56"
//   CDigitalClock  a CDigistring showing the time of day, hh:mm:ss or hh:mm
#include "BrindleExport.h"

#include <QLCDNumber>
#include <QList>
#include <QTime>
#include <QTimer>

class BRINDLE_EXPORT CDigit : public QLCDNumber {
    Q_OBJECT
public:
    explicit CDigit(int digit = 0, QWidget* parent = nullptr);
    // false (and the digit unchanged) for anything but 0-9.
    bool SetDigit(int digit);
    int GetDigit() const { return intValue(); }
};

class BRINDLE_EXPORT CColon : public QLCDNumber {
    Q_OBJECT
public:
    explicit CColon(QWidget* parent = nullptr);
    void SetLit(bool on);
    bool IsLit() const { return m_lit; }

private:
    bool m_lit = true;
};

class BRINDLE_EXPORT CDigistring : public QWidget {
    Q_OBJECT
public:
    explicit CDigistring(const QString& text = {}, QWidget* parent = nullptr);
    // Only digits and ':' are shown; any other text is refused (false) and the display unchanged.
    bool SetText(const QString& text);
    QString GetText() const { return m_text; }
    // The cells left to right: a CDigit for each digit, a CColon for each ':'.
    const QList<QLCDNumber*>& Cells() const { return m_cells; }
    // Lights or darkens every colon.
    void SetColonsLit(bool on);

private:
    QList<QLCDNumber*> m_cells;
    QString m_text;
};

class BRINDLE_EXPORT CDigitalClock : public CDigistring {
    Q_OBJECT
public:
    explicit CDigitalClock(QWidget* parent = nullptr);
    void ShowSeconds(bool on);
    // Shows a fixed time and stops following the clock.
    void SetTime(QTime time);
    QTime GetTime() const { return m_time; }
    // Follows the time of day, the colons blinking each second.
    void Start();
    void Stop() { m_timer.stop(); }
    bool IsRunning() const { return m_timer.isActive(); }

private:
    void Show();
    QTimer m_timer;
    QTime m_time;
    bool m_seconds = true;
};
