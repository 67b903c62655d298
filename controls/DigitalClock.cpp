#include "DigitalClock.h"

#include "BrindleColors.h"
#include "LcdLook.h"

#include <QHBoxLayout>

namespace brindle {

void StyleLcd(QLCDNumber* lcd, int digits) {
    lcd->setDigitCount(digits);
    lcd->setSegmentStyle(QLCDNumber::Flat);
    lcd->setFrameShape(QFrame::NoFrame);
    lcd->setAutoFillBackground(true);
    QPalette p = lcd->palette();
    p.setColor(QPalette::Window, kLcdBack);
    p.setColor(QPalette::WindowText, kLcdSegment);
    p.setColor(QPalette::Light, kLcdSegment);
    p.setColor(QPalette::Dark, kLcdSegment);
    lcd->setPalette(p);
}

QHBoxLayout* MakeLcdRow(QWidget* strip) {
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    strip->setAutoFillBackground(true);
    QPalette p = strip->palette();
    p.setColor(QPalette::Window, kLcdBack);
    p.setColor(QPalette::WindowText, kLcdSegment);
    strip->setPalette(p);
    return row;
}

}  // namespace brindle

CDigit::CDigit(int digit, QWidget* parent) : QLCDNumber(parent) {
    brindle::StyleLcd(this, 1);
    SetDigit(digit);
}

bool CDigit::SetDigit(int digit) {
    if (digit < 0 || digit > 9) return false;
    display(digit);
    return true;
}

CColon::CColon(QWidget* parent) : QLCDNumber(parent) {
    brindle::StyleLcd(this, 1);
    SetLit(true);
}

void CColon::SetLit(bool on) {
    m_lit = on;
    display(on ? QStringLiteral(":") : QStringLiteral(" "));
}

CDigistring::CDigistring(const QString& text, QWidget* parent) : QWidget(parent) {
    brindle::MakeLcdRow(this);
    SetText(text);
}

bool CDigistring::SetText(const QString& text) {
    for (QChar c : text)
        if (!c.isDigit() && c != u':') return false;
    auto* row = static_cast<QHBoxLayout*>(layout());
    // The cells are rebuilt only when the layout of digits and colons changes.
    bool sameLayout = m_text.size() == text.size();
    for (qsizetype i = 0; sameLayout && i < text.size(); ++i) sameLayout = (m_text[i] == u':') == (text[i] == u':');
    if (!sameLayout) {
        qDeleteAll(m_cells);
        m_cells.clear();
        for (QChar c : text) {
            QLCDNumber* cell = c == u':' ? static_cast<QLCDNumber*>(new CColon(this)) : new CDigit(0, this);
            row->addWidget(cell, c == u':' ? 1 : 2);
            m_cells << cell;
        }
    }
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] != u':') static_cast<CDigit*>(m_cells[i])->SetDigit(text[i].digitValue());
    m_text = text;
    return true;
}

void CDigistring::SetColonsLit(bool on) {
    for (qsizetype i = 0; i < m_cells.size(); ++i)
        if (m_text[i] == u':') static_cast<CColon*>(m_cells[i])->SetLit(on);
}

CDigitalClock::CDigitalClock(QWidget* parent) : CDigistring({}, parent) {
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_time = QTime::currentTime();
        Show();
        SetColonsLit(m_time.msec() < 500);
    });
    SetTime(QTime(0, 0, 0));
}

void CDigitalClock::ShowSeconds(bool on) {
    m_seconds = on;
    Show();
}

void CDigitalClock::SetTime(QTime time) {
    Stop();
    m_time = time.isValid() ? time : QTime(0, 0, 0);
    Show();
    SetColonsLit(true);
}

void CDigitalClock::Start() {
    m_timer.start();
    m_time = QTime::currentTime();
    Show();
}

void CDigitalClock::Show() { SetText(m_time.toString(m_seconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"))); }
