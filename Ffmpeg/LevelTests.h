// Signal levels of a decoded picture, read on a grid of sample points: luma and R, G, B against
// broadcast-safe limits, and the screen luminance and colour that the flash and pattern tests
// judge.
//
// The grid: kGridColumns x kGridRows points at the centres of equal cells of the picture, so
// every point stands for the same share of the screen whatever the picture size (1/5184). That
// is fine enough for the rules it serves: 1 % of the screen is 52 points, a quarter 1296, and a
// stripe needs two points (a pattern of six pairs across a quarter of the width still has
// them). Reading and converting 5184 points costs about 45 µs a picture, a small part of what
// decoding an SD picture does (2-3 ms) but not nothing, so the grid is no finer than the rules
// need.
#pragma once

#include <cstdint>
#include <vector>

struct AVFrame;

namespace quarvik {

constexpr int kGridColumns = 96;
constexpr int kGridRows = 54;
// Flash cells: blocks of 3 x 3 grid points (32 x 18 cells), so that film grain and noise
// average out before a change of brightness counts.
constexpr int kCellPoints = 3;
constexpr int kCellColumns = kGridColumns / kCellPoints;
constexpr int kCellRows = kGridRows / kCellPoints;

// Limits in percent of the nominal range (0 % black or zero colour, 100 % white or full colour).
struct LevelLimits {
    int lumaLow = -5, lumaHigh = 103;
    int rgbLow = -5, rgbHigh = 105;
};

struct PictureSamples {
    bool valid = false;         // false: the picture's pixel format could not be read
    double lumaOutside = 0.0;   // share (0..1) of the points whose luma lies outside the limits
    double rgbOutside = 0.0;    // share of the points with R, G or B outside the limits
    // Per grid point, row by row: screen luminance in cd/m² of a standard display.
    std::vector<float> luminance;
    // Per flash cell, row by row: mean luminance (cd/m²) and the red-flash measure of its
    // mean colour.
    std::vector<float> cellLuminance;
    std::vector<float> cellRed;
    // Working space: the three components as read at each grid point, and the luma averaged
    // over the footprint of a colour sample; then per point the nominal luma, R, G and B.
    std::vector<float> raw[4];
    std::vector<float> nominal[4];
};

// The screen luminance of a standard display for an 8-bit studio-range luma code (16 black,
// 235 white): 413.435 * (0.002745 Y + 0.0189623)^2.2 cd/m², about 1 for black and 168 for white.
float ScreenLuminance(double luma8);

// The red-flash measure of a colour in linear light (0..1 each): (R - G - B) x 320 when the
// colour is a saturated red (R / (R + G + B) >= 0.8), else 0.
float RedMeasure(double r, double g, double b);

// Reads the picture (any planar or packed YUV or RGB format of 8 to 16 bits, studio or full
// range, with the matrix the frame names; unnamed: BT.709 from 720 lines up, else BT.601).
// Luma is judged per point; R, G and B at the resolution of the colour samples.
void SamplePicture(const AVFrame* picture, const LevelLimits& limits, PictureSamples& out);

}  // namespace quarvik
