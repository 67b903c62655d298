#include "BreakUp.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdlib>
#include <vector>

namespace quarvik {
namespace {

// Reads samples of one plane on an 8-bit scale.
template <typename T>
struct Samples {
    const LumaPlane& p;
    int shift;
    const T* Row(int y) const { return reinterpret_cast<const T*>(p.data + static_cast<ptrdiff_t>(y) * p.stride); }
    int At(int x, int y) const { return static_cast<int>(Row(y)[x]) >> shift; }
};

// A band's rows repeat one another while it has detail across: sums of the vertical and of
// the horizontal steps over the same samples.
bool Streaked(int64_t vertical, int64_t horizontal, int64_t samples)
{
    return 4 * horizontal >= samples && 20 * vertical < samples && 5 * vertical < horizontal;
}

// An edge with the step across it and the sums of the `inside` steps inside each of the blocks
// it parts: visible when the step is more than twice the mean step inside plus 3.
bool VisibleStep(int step, int insideBefore, int insideAfter, int inside)
{
    return step >= 4 && step < 64 && inside * step >= 2 * std::max(insideBefore, insideAfter) + 3 * inside;
}

// Rows read on each side of a horizontal block edge: the steps inside the blocks come from
// this many rows (two steps each side), few enough that a band of 16 rows reads 6 of them.
constexpr int kEdgeReach = 3;
// Bands of 16 rows sampled at most in a picture: all of an SD picture's.
constexpr int kSampledBands = 40;

struct Tally {
    int visible = 0, edges = 0;
    void Edge(int step, int insideBefore, int insideAfter, int inside)
    {
        ++edges;
        if (VisibleStep(step, insideBefore, insideAfter, inside))
            ++visible;
    }
};

// The steps along a row of width w (a multiple of 8) into and inside its 8-pixel blocks: for
// block b, into[b] is the step across its left edge (from b = 1 on) and inside[b] the sum of
// the 7 steps inside it.
template <typename T>
void RowSteps(const T* row, int w, int shift, int* into, int* inside)
{
    const auto at = [row, shift](int x) { return static_cast<int>(row[x]) >> shift; };
    const auto sum = [&](int b) {
        if (b > 0)
            into[b] = std::abs(at(8 * b) - at(8 * b - 1));
        int steps = 0;
        for (int x = 8 * b + 1; x < 8 * b + 8; ++x)
            steps += std::abs(at(x) - at(x - 1));
        inside[b] = steps;
    };
    const int blocks = w / 8;
    int b = 1;
#if defined(__SSE2__)
    // 8-bit samples: sums of absolute differences of the row against itself one pixel on,
    // two blocks at a time, give the step into each block and the 7 inside it.
    if constexpr (sizeof(T) == 1) {
        for (; shift == 0 && b + 1 < blocks; b += 2) {
            const __m128i sums = _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 8 * b)),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 8 * b - 1)));
            into[b] = std::abs(at(8 * b) - at(8 * b - 1));
            into[b + 1] = std::abs(at(8 * b + 8) - at(8 * b + 7));
            inside[b] = _mm_cvtsi128_si32(sums) - into[b];
            inside[b + 1] = _mm_extract_epi16(sums, 4) - into[b + 1];
        }
    }
#endif
    sum(0);
    for (; b < blocks; ++b)
        sum(b);
}

template <typename T>
int Measure(const LumaPlane& luma, int shift)
{
    const Samples<T> s{luma, shift};
    Tally tally;
    const int w = luma.width - luma.width % 8, h = luma.height - luma.height % 8;
    std::vector<int> into(static_cast<size_t>(w / 8)), inside(into.size());
    std::vector<int> previous(static_cast<size_t>(w / 16 + 1)), columns(3 * previous.size());
    // At most kSampledBands bands of 16 rows, spread evenly: enough edges for a steady share
    // at any size, while the lines fetched stop growing with the picture.
    const int bands = h / 16;
    const int bandStep = (bands + kSampledBands - 1) / kSampledBands;
    for (int band = 0, turn = 0; band < bands; band += bandStep, turn ^= 1) {
        const int edge = 16 * band + 16;
        const bool edgeBelow = edge + kEdgeReach <= h;
        // Vertical block edges along one row the horizontal edge below reads anyway, in the
        // lower 8-pixel blocks of this macroblock row and the upper ones of the next by turns.
        RowSteps(s.Row(edgeBelow && turn ? edge + kEdgeReach - 1 : edge - kEdgeReach), w, shift, into.data(),
                 inside.data());
        for (int b = 1; b < w / 8; ++b)
            tally.Edge(into[static_cast<size_t>(b)], inside[static_cast<size_t>(b - 1)], inside[static_cast<size_t>(b)], 7);
        // The horizontal edge below this macroblock row (a block edge for 8- and 16-pixel
        // blocks, and in field-coded pictures too), along one column in every 16, in the left
        // and the right 8-pixel blocks by turns. Only the rows next to the edge are read, row
        // by row for all the columns at once, so that each row is read once along its length.
        if (!edgeBelow)
            continue;
        const int x0 = 3 + turn * 8;
        const int n = (w - x0 - 1) / 16 + 1;
        std::fill_n(columns.begin(), 3 * n, 0);
        int* above = columns.data();
        int* across = above + n;
        int* below = across + n;
        for (int y = edge - kEdgeReach; y < edge + kEdgeReach; ++y) {
            const T* line = s.Row(y);
            int* sums = y < edge ? above : y == edge ? across : below;
            for (int k = 0; k < n; ++k) {
                const int v = static_cast<int>(line[x0 + 16 * k]) >> shift;
                if (y > edge - kEdgeReach)
                    sums[k] += std::abs(v - previous[static_cast<size_t>(k)]);
                previous[static_cast<size_t>(k)] = v;
            }
        }
        for (int k = 0; k < n; ++k)
            tally.Edge(across[k], above[k], below[k], kEdgeReach - 1);
    }
    return tally.edges > 0 ? tally.visible * 1000 / tally.edges : 0;
}

// Adds the steps of one row to the row above it (vertical) and to its left neighbours
// (horizontal), from column 1 on.
template <typename T>
void AddSteps(const T* row, const T* above, int width, int shift, int64_t& vertical, int64_t& horizontal)
{
    int down = 0, across = 0;  // a row's sums stay far below 2^31
    for (int x = 1; x < width; ++x) {
        const int v = static_cast<int>(row[x]) >> shift;
        down += std::abs(v - (static_cast<int>(above[x]) >> shift));
        across += std::abs(v - (static_cast<int>(row[x - 1]) >> shift));
    }
    vertical += down;
    horizontal += across;
}

// Adds |row - above| column by column to sums.
template <typename T>
void AddDown(const T* row, const T* above, int width, int shift, int* sums)
{
    for (int x = 0; x < width; ++x)
        sums[x] += std::abs((static_cast<int>(row[x]) >> shift) - (static_cast<int>(above[x]) >> shift));
}

template <typename T>
void SampleStreaks(const LumaPlane& luma, int shift, std::vector<uint8_t>& bands)
{
    const Samples<T> s{luma, shift};
    const int w = luma.width, h = luma.height - luma.height % 16;
    bands.clear();
    for (int y0 = 16; y0 + 16 <= h; y0 += 16) {
        int64_t vertical = 0, horizontal = 0;
        AddSteps(s.Row(y0 + 8), s.Row(y0 + 7), w, shift, vertical, horizontal);
        bands.push_back(Streaked(vertical, horizontal, w - 1) ? 1 : 0);
    }
}

template <typename T>
int CountBrokenBands(const LumaPlane& luma, int shift, const std::vector<uint8_t>& streakedBefore)
{
    const Samples<T> s{luma, shift};
    const int w = luma.width, h = luma.height - luma.height % 16;
    // Per column: the 7 steps inside the block above the band's top edge, the step across
    // it, the 7 steps inside the block below.
    std::vector<int> before(static_cast<size_t>(w)), across(static_cast<size_t>(w)), after(static_cast<size_t>(w));
    int broken = 0;
    for (int y0 = 16, band = 0; y0 + 16 <= h; y0 += 16, ++band) {
        std::fill(before.begin(), before.end(), 0);
        std::fill(across.begin(), across.end(), 0);
        std::fill(after.begin(), after.end(), 0);
        for (int y = y0 - 7; y < y0; ++y)
            AddDown(s.Row(y), s.Row(y - 1), w, shift, before.data());
        AddDown(s.Row(y0), s.Row(y0 - 1), w, shift, across.data());
        for (int y = y0 + 1; y < y0 + 8; ++y)
            AddDown(s.Row(y), s.Row(y - 1), w, shift, after.data());
        int visible = 0;
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(x);
            if (VisibleStep(across[i], before[i], after[i], 7))
                ++visible;
        }
        int64_t vertical = 0, horizontal = 0;
        for (int y = y0; y < y0 + 16; ++y)
            AddSteps(s.Row(y), s.Row(y - 1), w, shift, vertical, horizontal);
        const size_t b = static_cast<size_t>(band);
        const bool newStreaks = b < streakedBefore.size() && !streakedBefore[b] &&
                                Streaked(vertical, horizontal, int64_t{16} * (w - 1));
        if (visible * 1000 >= kBrokenEdgePerMille * w || newStreaks)
            ++broken;
    }
    return broken;
}

// Runs a measure on the plane's samples (1 or 2 bytes) with the shift to the 8-bit scale; 0
// for an empty plane.
template <typename MeasureOf>
int OnSamples(const LumaPlane& luma, MeasureOf measure)
{
    if (luma.Empty() || luma.stride <= 0)
        return 0;
    if (luma.bytes == 1)
        return measure(uint8_t{}, 0);
    return measure(uint16_t{}, std::max(luma.depth - 8, 0));
}

}  // namespace

LumaPlane LumaOf(const AVFrame* picture)
{
    LumaPlane luma;
    if (!picture || !picture->data[0] || picture->width <= 0 || picture->height <= 0)
        return luma;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL |
                                 AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_FLOAT | AV_PIX_FMT_FLAG_BAYER)))
        return luma;
    const AVComponentDescriptor& y = desc->comp[0];
    const int bytes = y.depth <= 8 ? 1 : 2;
    if (y.plane != 0 || y.offset != 0 || y.shift != 0 || y.step != bytes || y.depth > 16)
        return luma;
    luma.data = picture->data[0];
    luma.stride = picture->linesize[0];
    luma.width = picture->width;
    luma.height = picture->height;
    luma.bytes = bytes;
    luma.depth = y.depth;
    return luma;
}

int BreakUpPerMille(const LumaPlane& luma)
{
    return OnSamples(luma, [&luma](auto sample, int shift) { return Measure<decltype(sample)>(luma, shift); });
}

void StreakedBands(const LumaPlane& luma, std::vector<uint8_t>& bands)
{
    bands.clear();
    OnSamples(luma, [&luma, &bands](auto sample, int shift) {
        SampleStreaks<decltype(sample)>(luma, shift, bands);
        return 0;
    });
}

int BrokenBands(const LumaPlane& luma, const std::vector<uint8_t>& streakedBefore)
{
    return OnSamples(luma, [&luma, &streakedBefore](auto sample, int shift) {
        return CountBrokenBands<decltype(sample)>(luma, shift, streakedBefore);
    });
}

}  // namespace quarvik
