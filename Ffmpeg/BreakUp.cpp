#include "BreakUp.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
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

struct Tally {
    int visible = 0, edges = 0;
    // An edge with the step across it and the sums of the 7 steps inside the blocks it parts.
    void Edge(int step, int insideBefore, int insideAfter)
    {
        ++edges;
        if (step >= 4 && step < 64 && 7 * step >= 2 * std::max(insideBefore, insideAfter) + 21)
            ++visible;
    }
};

template <typename T>
int Measure(const LumaPlane& luma, int shift)
{
    const Samples<T> s{luma, shift};
    Tally tally;
    const int w = luma.width - luma.width % 8, h = luma.height - luma.height % 8;
    std::vector<int> steps(static_cast<size_t>(w));
    std::vector<int> previous(static_cast<size_t>(w / 32 + 1)), columns(3 * previous.size());
    for (int y0 = 0, band = 0; y0 + 16 <= h; y0 += 16, ++band) {
        // Vertical block edges along one row of this macroblock row: the steps between
        // neighbours first (one pass the compiler vectorises), then edge by edge.
        const T* row = s.Row(y0 + (band % 2 ? 11 : 3));
        steps[0] = 0;
        for (int x = 1; x < w; ++x)
            steps[static_cast<size_t>(x)] = std::abs((static_cast<int>(row[x]) >> shift) - (static_cast<int>(row[x - 1]) >> shift));
        int before = 0;
        for (int i = 1; i < 8; ++i)
            before += steps[static_cast<size_t>(i)];
        for (int x = 8; x + 8 <= w; x += 8) {
            int after = 0;
            for (int i = x + 1; i < x + 8; ++i)
                after += steps[static_cast<size_t>(i)];
            tally.Edge(steps[static_cast<size_t>(x)], before, after);
            before = after;
        }
        // Horizontal block edges along one column of every other macroblock. The 16 samples
        // of a column lie a line apart, so they are read row by row for all the columns at
        // once: rows stream from memory, where column by column every sample waited for its
        // own fetch.
        const int x0 = (band % 2) * 16 + 3 + (band % 4 < 2 ? 0 : 8);
        const int n = w >= (band % 2) * 16 + 16 ? (w - (band % 2) * 16 - 16) / 32 + 1 : 0;
        for (int edge = y0 + 8; edge <= y0 + 16 && edge + 8 <= h; edge += 8) {
            std::fill_n(columns.begin(), 3 * n, 0);
            int* before = columns.data();
            int* after = before + n;
            int* across = after + n;
            for (int i = 0; i < 16; ++i) {
                const T* line = s.Row(edge - 8 + i);
                int* sums = i < 8 ? before : i == 8 ? across : after;
                for (int k = 0; k < n; ++k) {
                    const int v = static_cast<int>(line[x0 + 32 * k]) >> shift;
                    if (i > 0)
                        sums[k] += std::abs(v - previous[static_cast<size_t>(k)]);
                    previous[static_cast<size_t>(k)] = v;
                }
            }
            for (int k = 0; k < n; ++k)
                tally.Edge(across[k], before[k], after[k]);
        }
    }
    return tally.edges > 0 ? tally.visible * 1000 / tally.edges : 0;
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
    if (luma.Empty() || luma.stride <= 0)
        return 0;
    if (luma.bytes == 1)
        return Measure<uint8_t>(luma, 0);
    return Measure<uint16_t>(luma, std::max(luma.depth - 8, 0));
}

}  // namespace quarvik
