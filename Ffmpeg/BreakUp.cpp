#include "BreakUp.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstdlib>

namespace quarvik {
namespace {

// Reads samples of one plane on an 8-bit scale.
template <typename T>
struct Samples {
    const LumaPlane& p;
    int shift;
    int At(int x, int y) const
    {
        const T* row = reinterpret_cast<const T*>(p.data + static_cast<ptrdiff_t>(y) * p.stride);
        return static_cast<int>(row[x]) >> shift;
    }
};

// Sum of the 7 steps inside the block of 8 samples that starts at offset `first` along a line.
template <typename Get>
int InsideSteps(Get get, int first)
{
    int sum = 0;
    for (int i = first + 1; i < first + 8; ++i)
        sum += std::abs(get(i) - get(i - 1));
    return sum;
}

struct Tally {
    int visible = 0, edges = 0;
    // The edge between the blocks starting at first - 8 and first along a line.
    template <typename Get>
    void Edge(Get get, int first)
    {
        const int step = std::abs(get(first) - get(first - 1));
        const int inside = std::max(InsideSteps(get, first - 8), InsideSteps(get, first));
        ++edges;
        if (step >= 4 && step < 64 && 7 * step >= 2 * inside + 21)
            ++visible;
    }
};

template <typename T>
int Measure(const LumaPlane& luma, int shift)
{
    const Samples<T> s{luma, shift};
    Tally tally;
    const int w = luma.width - luma.width % 8, h = luma.height - luma.height % 8;
    for (int y0 = 0, band = 0; y0 + 16 <= h; y0 += 16, ++band) {
        // Vertical block edges along one row of this macroblock row.
        const int y = y0 + (band % 2 ? 11 : 3);
        const auto row = [&](int x) { return s.At(x, y); };
        for (int x = 8; x + 8 <= w; x += 8)
            tally.Edge(row, x);
        // Horizontal block edges along one column of each macroblock.
        for (int x0 = 0, col = 0; x0 + 16 <= w; x0 += 16, ++col) {
            const int x = x0 + ((band + col) % 2 ? 11 : 3);
            const auto column = [&](int yy) { return s.At(x, yy); };
            for (int yy = y0 + 8; yy <= y0 + 16 && yy + 8 <= h; yy += 8)
                tally.Edge(column, yy);
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
