// The fault picture: how a stored fault event is shown, in the detail list (160 x 120) and in
// the report (80 x 60).
//
// Text drawing needs a QGuiApplication (GuiApp.h gives one on the offscreen platform); call
// from the thread that owns it.
#pragma once

#include <QImage>

#include <cstdint>
#include <string>

namespace quarvik {

constexpr int kSnapshotWidth = 160;
constexpr int kSnapshotHeight = 120;
constexpr int kReportPictureWidth = 80;
constexpr int kReportPictureHeight = 60;

// A width x height picture. With source pixels (blue-green-red, top row first, no gaps,
// sourceWidth x sourceHeight) the snapshot is stretched inside a 2-pixel border; without them
// (sound faults) a ten-segment level meter shows |value| and the text "<value> dBFS".
// frame draws a raised push-button frame under it; a sound fault's channel, when given, is
// written in white along the meter's foot.
QImage MakeFaultBitmap(const uint8_t* source, int sourceWidth, int sourceHeight, int width, int height,
                       int32_t value, bool frame, const std::string& channel = {});

// Level-meter geometry, shared by the drawing and its readers: segment i (0 at the top) of a
// meter in a picture of that size, and whether it shows grey (reached by the level).
struct MeterSegment {
    int x, y, width, height;
    bool grey;
};
MeterSegment LevelMeterSegment(int i, int width, int height, int32_t value);
constexpr int kMeterSegments = 10;

}  // namespace quarvik
