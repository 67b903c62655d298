#include "TimeCode.h"

#include "BrindleColors.h"
#include "LcdLook.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>

namespace brindle {

QString TimeCodeText(qint64 frames, int fps) {
    fps = qMax(1, fps);
    frames = qMax<qint64>(0, frames);
    const qint64 seconds = frames / fps;
    return QStringLiteral("%1:%2").arg(DurationText(seconds)).arg(frames % fps, 2, 10, QLatin1Char('0'));
}

qint64 TimeCodeFrames(const QString& text, int fps) {
    static const QRegularExpression code(QStringLiteral("^(\\d{2,9}):([0-5]\\d):([0-5]\\d):(\\d{2})$"));
    const QRegularExpressionMatch m = code.match(text);
    if (fps < 1 || !m.hasMatch() || m.captured(4).toInt() >= fps) return -1;
    const qint64 seconds = m.captured(1).toLongLong() * 3600 + m.captured(2).toInt() * 60 + m.captured(3).toInt();
    return seconds * fps + m.captured(4).toInt();
}

QString DurationText(qint64 seconds) {
    seconds = qMax<qint64>(0, seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace brindle

CTimeWnd::CTimeWnd(QWidget* parent) : QLCDNumber(parent) {
    brindle::StyleLcd(this, 8);
    SetSeconds(0);
}

void CTimeWnd::SetSeconds(qint64 seconds) {
    m_seconds = qMax<qint64>(0, seconds);
    const QString text = GetText();
    setDigitCount(static_cast<int>(text.size()));
    display(text);
}

CTcWnd::CTcWnd(QWidget* parent, int fps) : QLCDNumber(parent), m_fps(qMax(1, fps)) {
    brindle::StyleLcd(this, 11);
    Show();
}

void CTcWnd::SetFrames(qint64 frames) {
    m_frames = qMax<qint64>(0, frames);
    Show();
}

void CTcWnd::SetFps(int fps) {
    m_fps = qMax(1, fps);
    Show();
}

void CTcWnd::Show() {
    const QString text = GetText();
    setDigitCount(static_cast<int>(text.size()));
    display(text);
}

CTcWnd2::CTcWnd2(QWidget* parent, int fps)
    : QWidget(parent), m_position(new CTcWnd(this, fps)), m_duration(new CTcWnd(this, fps)) {
    QHBoxLayout* row = brindle::MakeLcdRow(this);
    auto* slash = new QLabel(QStringLiteral("/"), this);
    slash->setAlignment(Qt::AlignCenter);
    row->addWidget(m_position, 11);
    row->addWidget(slash, 1);
    row->addWidget(m_duration, 11);
}

void CTcWnd2::SetDuration(qint64 frames) {
    m_duration->SetFrames(frames);
    SetPosition(GetPosition());
}

void CTcWnd2::SetPosition(qint64 frames) { m_position->SetFrames(qBound<qint64>(0, frames, GetDuration())); }

QString CTcWnd2::GetText() const { return m_position->GetText() + QStringLiteral(" / ") + m_duration->GetText(); }

CTimeEdit::CTimeEdit(QWidget* parent, int fps) : CAMSEdit(parent), m_fps(qBound(1, fps, 100)) {
    SetBehavior(new FieldsBehavior(this, {{2, 0, 23}, {2, 0, 59}, {2, 0, 59}, {2, 0, m_fps - 1}}, QStringLiteral(":::")));
}

void CTimeEdit::SetFrames(qint64 frames) {
    const qint64 day = qint64(24) * 3600 * m_fps;
    setText(brindle::TimeCodeText(qBound<qint64>(0, frames, day - 1), m_fps));
}

qint64 CTimeEdit::GetFrames() const { return IsValid() ? brindle::TimeCodeFrames(text(), m_fps) : -1; }
