// Break-up (mosaic) as decoders show it: blocks of 8 or 16 pixels of the decoded picture whose
// edges are steps that the blocks' insides do not explain (a starved encoder's flat blocks,
// concealed or misdecoded macroblocks of a damaged stream). Measured on the decoded luma at
// full resolution, where those edges lie on the 8-pixel coding grid; the 160 x 120 analysis
// picture no longer shows them.
#pragma once

#include <cstdint>
#include <vector>

struct AVFrame;

namespace quarvik {

// One luma plane as decoded: samples of 1 byte, or of 2 bytes (little-endian, depth bits).
struct LumaPlane {
    const uint8_t* data = nullptr;
    int stride = 0;  // bytes from one row to the next
    int width = 0, height = 0;
    int bytes = 1;   // per sample
    int depth = 8;   // significant bits per sample
    bool Empty() const { return data == nullptr || width < 32 || height < 32; }
};

// The luma plane of a decoded picture; empty when the picture has none in a form read here
// (RGB, packed or paletted pictures, hardware frames).
LumaPlane LumaOf(const AVFrame* picture);

// Share, in per mille, of the sampled 8-pixel block edges that are visible steps inside
// quiet blocks: a step of 4 to 63 grey levels (8-bit scale) across the edge that is more
// than twice the mean step inside both blocks it parts plus 3. Bigger steps are drawn
// edges, not coding. Sampled on bands of 16 rows (every band up to 640 lines, every other up
// to 1280, and so on: at most 40): at the edge below each, on one column in every 16 with the
// two steps inside each block beside it (the horizontal edges), and along one of those 6 rows
// (the vertical edges), alternating between the 8-pixel blocks of each macroblock. So at most
// 240 rows of a picture are read, whatever its size.
int BreakUpPerMille(const LumaPlane& luma);

// A picture shows break-up when at least this share of its block edges are visible steps;
// clean programme at broadcast bit rates stays below 50.
constexpr int kBreakUpPerMille = 120;

// Per band of 16 rows (a macroblock row) from the second on, whether its rows repeat one
// another while it has detail across: the mean vertical step is less than a fifth of the
// horizontal one and less than 1/20 grey level. Sampled on one pair of rows in the middle
// of the band: cheap enough for every picture.
void StreakedBands(const LumaPlane& luma, std::vector<uint8_t>& bands);

// The bands of 16 rows (a macroblock row: where a decoder loses a slice and conceals it) that
// show the break-up of a damaged picture. A band is broken when
// - its top edge is a visible step (as above) along at least kBrokenEdgePerMille of the
//   width: a slice concealed out of place or misdecoded, whose rows no longer join the band
//   above (clean programme stays below 150 on any band), or
// - its rows, from the row above it on, repeat one another (as StreakedBands judges, on all
//   of them) where streakedBefore, the bands of the picture before, did not: the streaks of
//   a slice concealed by drawing the row above it downwards. Programme with grain keeps a
//   ratio above 3/4 and coded stripes still step by a tenth; stripes drawn without grain
//   repeat their rows in every picture.
// Every row is read: meant for the few pictures near damage.
int BrokenBands(const LumaPlane& luma, const std::vector<uint8_t>& streakedBefore);

constexpr int kBrokenEdgePerMille = 200;
// A damaged picture shows break-up from this many broken bands on.
constexpr int kBrokenBands = 2;

}  // namespace quarvik
