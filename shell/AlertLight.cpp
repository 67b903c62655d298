#include "AlertLight.h"

#include "AlarmSound.h"

#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

void PutU16(QByteArray& out, uint16_t v) {
    out.append(static_cast<char>(v & 0xff));
    out.append(static_cast<char>(v >> 8));
}

void PutU32(QByteArray& out, uint32_t v) {
    PutU16(out, static_cast<uint16_t>(v & 0xffff));
    PutU16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace

QByteArray AlarmWave() {
    constexpr uint32_t rate = 22050;
    constexpr uint32_t toneSamples = rate / 5;  // 200 ms per tone
    constexpr uint32_t samples = 2 * toneSamples;
    constexpr uint32_t dataBytes = samples * 2;
    QByteArray out;
    out.reserve(44 + static_cast<int>(dataBytes));
    out.append("RIFF", 4);
    PutU32(out, 36 + dataBytes);
    out.append("WAVEfmt ", 8);
    PutU32(out, 16);
    PutU16(out, 1);         // PCM
    PutU16(out, 1);         // mono
    PutU32(out, rate);
    PutU32(out, rate * 2);  // bytes per second
    PutU16(out, 2);         // block align
    PutU16(out, 16);        // bits per sample
    out.append("data", 4);
    PutU32(out, dataBytes);
    constexpr uint32_t fade = rate / 200;  // 5 ms ramps keep the joins from clicking
    for (uint32_t i = 0; i < samples; ++i) {
        const uint32_t inTone = i % toneSamples;
        const double freq = i < toneSamples ? 880.0 : 660.0;
        double gain = 0.45;
        if (inTone < fade) gain *= static_cast<double>(inTone) / fade;
        if (toneSamples - inTone < fade) gain *= static_cast<double>(toneSamples - inTone) / fade;
        const double t = static_cast<double>(i) / rate;
        const auto v = static_cast<int16_t>(std::lround(gain * 32767.0 * std::sin(2.0 * std::numbers::pi * freq * t)));
        PutU16(out, static_cast<uint16_t>(v));
    }
    return out;
}

CAlertLight::CAlertLight(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);  // the bar decides what a click means
    // Drawn over the bar's own background, which shows around the lamp. No translucent window:
    // beside the preview's native video window the lamp is a native window too, and X draws a
    // translucent (32-bit) child of the bar's window as nothing at all.
    m_timer.setInterval(kFrameMs);
    connect(&m_timer, &QTimer::timeout, this, &CAlertLight::Advance);
    hide();
}

CAlertLight::~CAlertLight() = default;

void CAlertLight::Start() {
    if (m_on) return;
    m_on = true;
    m_frame = 0;
    m_timer.start();
    show();
    if (!m_sound) m_sound = std::make_unique<CAlarmSound>();
    m_sound->Play();
}

void CAlertLight::Stop() {
    hide();
    if (m_sound) m_sound->Stop();
    m_timer.stop();
    m_on = false;
}

void CAlertLight::Advance() {
    m_frame = (m_frame + 1) % kFrameCount;
    update();
}

void CAlertLight::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    const QPointF c = box.center();
    const double r = std::min(box.width(), box.height()) / 2.0;
    // Glow rises over the first half of the cycle and falls over the second.
    const int half = kFrameCount / 2;
    const double level = static_cast<double>(m_frame <= half ? m_frame : kFrameCount - m_frame) / half;

    QRadialGradient halo(c, r);
    halo.setColorAt(0.55, QColor(255, 40, 20, static_cast<int>(60 + 140 * level)));
    halo.setColorAt(1.0, QColor(255, 40, 20, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(c, r, r);

    const double lamp = r * 0.62;
    QRadialGradient body(c - QPointF(lamp * 0.3, lamp * 0.3), lamp * 1.3);
    body.setColorAt(0.0, QColor(255, static_cast<int>(150 + 90 * level), static_cast<int>(120 + 80 * level)));
    body.setColorAt(0.45, QColor(static_cast<int>(200 + 55 * level), 20, 10));
    body.setColorAt(1.0, QColor(90, 0, 0));
    p.setBrush(body);
    p.setPen(QPen(QColor(60, 0, 0), std::max(1.0, r * 0.04)));
    p.drawEllipse(c, lamp, lamp);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, static_cast<int>(90 + 110 * level)));
    p.drawEllipse(c - QPointF(lamp * 0.35, lamp * 0.38), lamp * 0.22, lamp * 0.14);
}
