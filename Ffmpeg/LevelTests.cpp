#include "LevelTests.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace quarvik {
namespace {

constexpr int kPoints = kGridColumns * kGridRows;
constexpr int kCells = kCellColumns * kCellRows;

// One colour component of a picture as its pixel-format descriptor lays it out.
struct Component {
    const uint8_t* data = nullptr;
    int linesize = 0, shift = 0;
    unsigned mask = 0;
    bool wide = false, bigEndian = false;
    int log2h = 0;
    std::array<int, kGridColumns> offsets{};  // byte offset of each grid column in a row
};

const uint8_t* GridRow(const Component& c, const std::array<int, kGridRows>& ys, int j)
{
    return c.data + static_cast<ptrdiff_t>(ys[j] >> c.log2h) * c.linesize;
}

// Reads a component at every grid point into values, row by row. The points of a row lie on
// as many memory lines, which the decoder wrote a while ago: the next row's are asked for
// while this one is read, so that the waits overlap.
template <bool Wide>
void Gather(const Component& c, const std::array<int, kGridRows>& ys, std::vector<float>& values)
{
    for (int j = 0; j < kGridRows; ++j) {
        const uint8_t* row = GridRow(c, ys, j);
        if (j + 1 < kGridRows) {
            const uint8_t* next = GridRow(c, ys, j + 1);
            for (int i = 0; i < kGridColumns; ++i)
                __builtin_prefetch(next + c.offsets[i]);
        }
        float* out = &values[static_cast<size_t>(j) * kGridColumns];
        for (int i = 0; i < kGridColumns; ++i) {
            const uint8_t* p = row + c.offsets[i];
            unsigned v = p[0];
            if constexpr (Wide)
                v = c.bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
            out[i] = static_cast<float>((v >> c.shift) & c.mask);
        }
    }
}

// The mean luma over the chroma sample's footprint along the point's line (2 pixels in 4:2:0
// and 4:2:2): R, G and B are judged at the colour's resolution, so a sharp colour edge does not
// pair the luma of one side with the colour of the other. The line below is left out: it would
// cost a fetch of its own for little.
template <bool Wide>
void GatherBlocks(const Component& c, const std::array<int, kGridColumns>& xs, const std::array<int, kGridRows>& ys,
                  int step, int offset, int log2w, int width, std::vector<float>& values)
{
    const int bw = 1 << log2w;
    for (int j = 0; j < kGridRows; ++j) {
        const uint8_t* row = c.data + static_cast<ptrdiff_t>(ys[j]) * c.linesize + offset;
        float* out = &values[static_cast<size_t>(j) * kGridColumns];
        for (int i = 0; i < kGridColumns; ++i) {
            const int x0 = xs[i] >> log2w << log2w;
            const int count = std::min(bw, width - x0);
            const uint8_t* p = row + x0 * step;
            unsigned sum = 0;
            for (int x = 0; x < count; ++x, p += step) {
                unsigned v = p[0];
                if constexpr (Wide)
                    v = c.bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
                sum += (v >> c.shift) & c.mask;
            }
            out[i] = static_cast<float>(sum) / static_cast<float>(count);
        }
    }
}

// Tables of a display's response, indexed by an 8-bit code.
struct DisplayTables {
    std::array<float, 256> luminance{};  // studio-range luma code -> cd/m²
    std::array<float, 256> linear{};     // full-range R', G' or B' code -> linear light 0..1
    DisplayTables()
    {
        for (int i = 0; i < 256; ++i) {
            luminance[i] = ScreenLuminance(i);
            linear[i] = static_cast<float>(std::pow(i / 255.0, 2.2));
        }
    }
};

const DisplayTables& Tables()
{
    static const DisplayTables tables;
    return tables;
}

int Code8(float nominal)  // 0..1 nominal -> 0..255, clamped
{
    return std::clamp(static_cast<int>(nominal * 255.0f + 0.5f), 0, 255);
}

// The luma and colour-difference weights of the picture's matrix.
void MatrixOf(const AVFrame* picture, double& kr, double& kb)
{
    switch (picture->colorspace) {
    case AVCOL_SPC_BT709: kr = 0.2126, kb = 0.0722; return;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL: kr = 0.2627, kb = 0.0593; return;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
    case AVCOL_SPC_FCC: kr = 0.299, kb = 0.114; return;
    default:
        if (picture->height >= 720)
            kr = 0.2126, kb = 0.0722;
        else
            kr = 0.299, kb = 0.114;
    }
}

// False for formats the sampler does not read (palettes, bit fields, floats, hardware frames).
bool Readable(const AVPixFmtDescriptor* desc)
{
    if (!desc || desc->nb_components < 1 ||
        (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_FLOAT)))
        return false;
    for (int c = 0; c < std::min<int>(desc->nb_components, 3); ++c) {
        const AVComponentDescriptor& comp = desc->comp[c];
        if (comp.depth < 8 || comp.depth > 16 || comp.shift + comp.depth > (comp.depth > 8 ? 16 : 8))
            return false;
    }
    return true;
}

}  // namespace

float ScreenLuminance(double luma8)
{
    return static_cast<float>(413.435 * std::pow(std::max(0.0, 0.002745 * luma8 + 0.0189623), 2.2));
}

float RedMeasure(double r, double g, double b)
{
    const double sum = r + g + b;
    if (sum <= 0.0 || r / sum < 0.8)
        return 0.0f;
    return static_cast<float>(std::max(0.0, (r - g - b) * 320.0));
}

void SamplePicture(const AVFrame* picture, const LevelLimits& limits, PictureSamples& out)
{
    out.valid = false;
    out.lumaOutside = out.rgbOutside = 0.0;
    if (!picture || picture->width <= 0 || picture->height <= 0)
        return;
    const auto* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
    if (!Readable(desc))
        return;

    const bool rgb = desc->flags & AV_PIX_FMT_FLAG_RGB;
    const int components = std::min<int>(desc->nb_components, 3);
    std::array<int, kGridColumns> xs{};
    for (int i = 0; i < kGridColumns; ++i)
        xs[i] = static_cast<int>((2LL * i + 1) * picture->width / (2 * kGridColumns));
    std::array<int, kGridRows> ys{};
    for (int j = 0; j < kGridRows; ++j)
        ys[j] = static_cast<int>((2LL * j + 1) * picture->height / (2 * kGridRows));
    std::vector<float>* values[3] = {&out.raw[0], &out.raw[1], &out.raw[2]};
    for (std::vector<float>& v : out.raw)
        v.assign(kPoints, 0.0f);
    const bool subsampled = !rgb && components == 3 && desc->log2_chroma_w > 0;
    for (int c = 0; c < components; ++c) {
        const AVComponentDescriptor& d = desc->comp[c];
        const bool chroma = !rgb && c > 0;
        Component comp;
        comp.data = picture->data[d.plane];
        comp.linesize = picture->linesize[d.plane];
        comp.shift = d.shift;
        comp.mask = (1u << d.depth) - 1;
        comp.wide = d.depth > 8;
        comp.bigEndian = desc->flags & AV_PIX_FMT_FLAG_BE;
        comp.log2h = chroma ? desc->log2_chroma_h : 0;
        for (int i = 0; i < kGridColumns; ++i)
            comp.offsets[i] = (xs[i] >> (chroma ? desc->log2_chroma_w : 0)) * d.step + d.offset;
        if (comp.wide)
            Gather<true>(comp, ys, *values[c]);
        else
            Gather<false>(comp, ys, *values[c]);
        if (c == 0 && subsampled) {
            const auto gather = comp.wide ? GatherBlocks<true> : GatherBlocks<false>;
            gather(comp, xs, ys, d.step, d.offset, desc->log2_chroma_w, picture->width, out.raw[3]);
        }
    }
    const std::vector<float>& colourLuma = subsampled ? out.raw[3] : out.raw[0];

    const int depth = desc->comp[0].depth;
    const float full = static_cast<float>((1 << depth) - 1), unit = static_cast<float>(1 << (depth - 8));
    const bool fullRange = rgb || picture->color_range == AVCOL_RANGE_JPEG || std::strncmp(desc->name, "yuvj", 4) == 0;
    const float yOff = fullRange ? 0.0f : 16 * unit;
    const float yGain = 1.0f / (fullRange ? full : 219 * unit);
    // Without colour components the colour differences stay at zero.
    const float cOff = components == 3 ? static_cast<float>(1 << (depth - 1)) : 0.0f;
    const float cGain = 1.0f / (fullRange ? full : 224 * unit);
    double kr = 0, kb = 0;
    MatrixOf(picture, kr, kb);
    const float fr = static_cast<float>(kr), fb = static_cast<float>(kb), fg = 1.0f - fr - fb;
    const float toR = 2 * (1 - fr), toB = 2 * (1 - fb);
    const float gFromB = 2 * fb * (1 - fb) / fg, gFromR = 2 * fr * (1 - fr) / fg;
    const float lumaLow = limits.lumaLow / 100.0f, lumaHigh = limits.lumaHigh / 100.0f;
    const float rgbLow = limits.rgbLow / 100.0f, rgbHigh = limits.rgbHigh / 100.0f;

    const DisplayTables& t = Tables();
    out.luminance.resize(kPoints);
    std::array<float, kCells> sumL{}, sumR{}, sumG{}, sumB{};
    int lumaOut = 0, rgbOut = 0;
    for (int p = 0; p < kPoints; ++p) {
        float yn, r, g, b;
        if (rgb) {
            r = out.raw[0][p] / full;
            g = out.raw[1][p] / full;
            b = out.raw[2][p] / full;
            yn = fr * r + fg * g + fb * b;
        } else {
            yn = (out.raw[0][p] - yOff) * yGain;
            const float yc = (colourLuma[p] - yOff) * yGain;
            const float pb = (out.raw[1][p] - cOff) * cGain, pr = (out.raw[2][p] - cOff) * cGain;
            r = yc + toR * pr;
            b = yc + toB * pb;
            g = yc - gFromB * pb - gFromR * pr;
        }
        lumaOut += yn < lumaLow || yn > lumaHigh;
        rgbOut += std::min({r, g, b}) < rgbLow || std::max({r, g, b}) > rgbHigh;
        const float l = t.luminance[std::clamp(static_cast<int>(16.0f + 219.0f * yn + 0.5f), 0, 255)];
        out.luminance[p] = l;
        const int cell = (p / kGridColumns / kCellPoints) * kCellColumns + (p % kGridColumns) / kCellPoints;
        sumL[cell] += l;
        sumR[cell] += r;
        sumG[cell] += g;
        sumB[cell] += b;
    }
    constexpr float kPerCell = 1.0f / (kCellPoints * kCellPoints);
    out.cellLuminance.resize(kCells);
    out.cellRed.resize(kCells);
    for (int c = 0; c < kCells; ++c) {
        out.cellLuminance[c] = sumL[c] * kPerCell;
        // The red measure of the cell's mean colour, in linear light.
        out.cellRed[c] = RedMeasure(t.linear[Code8(sumR[c] * kPerCell)], t.linear[Code8(sumG[c] * kPerCell)],
                                    t.linear[Code8(sumB[c] * kPerCell)]);
    }
    out.lumaOutside = static_cast<double>(lumaOut) / kPoints;
    out.rgbOutside = static_cast<double>(rgbOut) / kPoints;
    out.valid = true;
}

}  // namespace quarvik
