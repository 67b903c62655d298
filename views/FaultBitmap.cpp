#include "FaultBitmap.h"

#include <QColor>
#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace quarvik {
namespace {

// The classic raised push button: light outer and inner top-left edges, dark outer and grey
// inner bottom-right edges, button face inside.
void DrawPushButtonFrame(QPainter& painter, int width, int height)
{
    painter.fillRect(0, 0, width, height, QColor(240, 240, 240));
    auto edge = [&](int inset, const QColor& topLeft, const QColor& bottomRight) {
        const int right = width - 1 - inset;
        const int bottom = height - 1 - inset;
        painter.fillRect(inset, inset, right - inset, 1, topLeft);
        painter.fillRect(inset, inset, 1, bottom - inset, topLeft);
        painter.fillRect(inset, bottom, right - inset + 1, 1, bottomRight);
        painter.fillRect(right, inset, 1, bottom - inset + 1, bottomRight);
    };
    edge(0, QColor(255, 255, 255), QColor(105, 105, 105));
    edge(1, QColor(227, 227, 227), QColor(160, 160, 160));
}

void DrawLevelMeter(QPainter& painter, int width, int height, int32_t value, const std::string& channel)
{
    const QRect inner(2, 2, width - 4, height - 4);
    painter.fillRect(inner, QColor(64, 64, 64));
    for (int i = 0; i < kMeterSegments; ++i) {
        const MeterSegment s = LevelMeterSegment(i, width, height, value);
        painter.fillRect(s.x, s.y, s.width, s.height, s.grey ? QColor(192, 192, 192) : QColor(0, 255, 0));
    }
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine, QString::asprintf("%d dBFS", value));
    if (channel.empty())
        return;
    const int pixels = std::max(8, height / 10);
    font.setPixelSize(pixels);
    painter.setFont(font);
    const QRect foot(2, height - 2 - pixels - 3, width - 4, pixels + 3);
    painter.fillRect(foot, QColor(64, 64, 64));
    painter.setPen(QColor(255, 255, 255));
    painter.drawText(foot, Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(channel));
}

}  // namespace

MeterSegment LevelMeterSegment(int i, int width, int height, int32_t value)
{
    const int step = (height - 7) / 10;
    const int meterWidth = width / 2;
    // Segments down to |value| * 10 / (height / 2) are grey, the rest lit green: at 160 x 120,
    // -9 dBFS lights eight, -30 four and -60 none.
    const long long reached = std::llabs(static_cast<long long>(value) * 10) / (height / 2);
    return {((width - meterWidth) - 4) / 2 + 2, 6 + i * step, meterWidth, step - 3, i <= reached};
}

QImage MakeFaultBitmap(const uint8_t* source, int sourceWidth, int sourceHeight, int width, int height,
                       int32_t value, bool frame, const std::string& channel)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    if (frame)
        DrawPushButtonFrame(painter, width, height);
    if (source && sourceWidth > 0 && sourceHeight > 0) {
        // Colour-on-colour stretching: nearest pixel, no smoothing.
        const QImage snapshot(source, sourceWidth, sourceHeight, sourceWidth * 3, QImage::Format_BGR888);
        painter.drawImage(QRect(2, 2, width - 4, height - 4), snapshot);
    } else {
        DrawLevelMeter(painter, width, height, value, channel);
    }
    painter.end();
    return picture;
}

}  // namespace quarvik
