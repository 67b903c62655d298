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
    std::array<int, kGridColumns> lines{};    // the memory lines those offsets fall in, each once
    int lineCount = 0;
    void SetOffsets(const std::array<int, kGridColumns>& columnOffsets)
    {
        offsets = columnOffsets;
        lineCount = 0;
        for (const int offset : offsets)
            if (lineCount == 0 || offset / kLineBytes != lines[lineCount - 1] / kLineBytes)
                lines[lineCount++] = offset;
    }
    static constexpr int kLineBytes = 64;
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
            for (int i = 0; i < c.lineCount; ++i)
                __builtin_prefetch(next + c.lines[i]);
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
    // Per grid column: where its footprint starts in a row and how many samples it spans (fewer
    // at the picture's right edge).
    const int bw = 1 << log2w;
    std::array<int, kGridColumns> first{}, count{};
    for (int i = 0; i < kGridColumns; ++i) {
        const int x0 = xs[i] >> log2w << log2w;
        first[i] = x0 * step;
        count[i] = std::min(bw, width - x0);
    }
    for (int j = 0; j < kGridRows; ++j) {
        const uint8_t* row = c.data + static_cast<ptrdiff_t>(ys[j]) * c.linesize + offset;
        float* out = &values[static_cast<size_t>(j) * kGridColumns];
        for (int i = 0; i < kGridColumns; ++i) {
            const uint8_t* p = row + first[i];
            unsigned sum = 0;
            for (int x = 0; x < count[i]; ++x, p += step) {
                unsigned v = p[0];
                if constexpr (Wide)
                    v = c.bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
                sum += (v >> c.shift) & c.mask;
            }
            // Halving is exact: the same figure as the division, without its wait.
            out[i] = count[i] == 2 ? static_cast<float>(sum) * 0.5f : static_cast<float>(sum) / static_cast<float>(count[i]);
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

// From studio- or full-range Y'CbCr to nominal luma and R', G', B' (0..1 for black to white).
struct Conversion {
    float yOff, yGain, cOff, cGain;
    float toR, toB, gFromB, gFromR;
};

// The nominal luma of each grid point from its luma, and its R, G and B from the luma over its
// colour sample's footprint and the colour differences. Plain arithmetic over whole arrays:
// the compiler works on four points at a time.
void ConvertPoints(const Conversion& k, const float* __restrict y, const float* __restrict yColour,
                   const float* __restrict cb, const float* __restrict cr, float* __restrict yn,
                   float* __restrict r, float* __restrict g, float* __restrict b)
{
    for (int p = 0; p < kPoints; ++p) {
        yn[p] = (y[p] - k.yOff) * k.yGain;
        const float yc = (yColour[p] - k.yOff) * k.yGain;
        const float pb = (cb[p] - k.cOff) * k.cGain, pr = (cr[p] - k.cOff) * k.cGain;
        r[p] = yc + k.toR * pr;
        b[p] = yc + k.toB * pb;
        g[p] = yc - k.gFromB * pb - k.gFromR * pr;
    }
}

// Grid points whose value lies below low or above high.
int CountOutside(const float* __restrict v, float low, float high)
{
    int outside = 0;
    for (int p = 0; p < kPoints; ++p)
        outside += (v[p] < low) | (v[p] > high);
    return outside;
}

// Grid points with R, G or B below low or above high.
int CountOutside(const float* __restrict r, const float* __restrict g, const float* __restrict b, float low,
                 float high)
{
    int outside = 0;
    for (int p = 0; p < kPoints; ++p)
        outside += (r[p] < low) | (g[p] < low) | (b[p] < low) | (r[p] > high) | (g[p] > high) | (b[p] > high);
    return outside;
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
        std::array<int, kGridColumns> offsets{};
        for (int i = 0; i < kGridColumns; ++i)
            offsets[i] = (xs[i] >> (chroma ? desc->log2_chroma_w : 0)) * d.step + d.offset;
        comp.SetOffsets(offsets);
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
    double kr = 0, kb = 0;
    MatrixOf(picture, kr, kb);
    const float fr = static_cast<float>(kr), fb = static_cast<float>(kb), fg = 1.0f - fr - fb;
    for (std::vector<float>& v : out.nominal)
        v.resize(kPoints);
    float* yn = out.nominal[0].data();
    float* r = out.nominal[1].data();
    float* g = out.nominal[2].data();
    float* b = out.nominal[3].data();
    if (rgb) {
        for (int p = 0; p < kPoints; ++p) {
            r[p] = out.raw[0][p] / full;
            g[p] = out.raw[1][p] / full;
            b[p] = out.raw[2][p] / full;
            yn[p] = fr * r[p] + fg * g[p] + fb * b[p];
        }
    } else {
        Conversion k;
        k.yOff = fullRange ? 0.0f : 16 * unit;
        k.yGain = 1.0f / (fullRange ? full : 219 * unit);
        // Without colour components the colour differences stay at zero.
        k.cOff = components == 3 ? static_cast<float>(1 << (depth - 1)) : 0.0f;
        k.cGain = 1.0f / (fullRange ? full : 224 * unit);
        k.toR = 2 * (1 - fr);
        k.toB = 2 * (1 - fb);
        k.gFromB = 2 * fb * (1 - fb) / fg;
        k.gFromR = 2 * fr * (1 - fr) / fg;
        ConvertPoints(k, out.raw[0].data(), colourLuma.data(), out.raw[1].data(), out.raw[2].data(), yn, r, g, b);
    }
    const int lumaOut = CountOutside(yn, limits.lumaLow / 100.0f, limits.lumaHigh / 100.0f);
    const int rgbOut = CountOutside(r, g, b, limits.rgbLow / 100.0f, limits.rgbHigh / 100.0f);

    const DisplayTables& t = Tables();
    out.luminance.resize(kPoints);
    std::array<float, kCells> sumL{}, sumR{}, sumG{}, sumB{};
    for (int j = 0, p = 0; j < kGridRows; ++j) {
        const int cellRow = (j / kCellPoints) * kCellColumns;
        for (int cell = cellRow; cell < cellRow + kCellColumns; ++cell) {
            for (int i = 0; i < kCellPoints; ++i, ++p) {
                const float l = t.luminance[std::clamp(static_cast<int>(16.0f + 219.0f * yn[p] + 0.5f), 0, 255)];
                out.luminance[p] = l;
                sumL[cell] += l;
                sumR[cell] += r[p];
                sumG[cell] += g[p];
                sumB[cell] += b[p];
            }
        }
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
