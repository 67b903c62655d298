#include "ColourBars.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quarvik {
namespace {

constexpr int kUnknown = -1;
// Red, green and blue bits of the seven bars, left to right.
constexpr std::array<int, 7> kBarSequence = {7, 6, 3, 2, 5, 4, 1};

// A saturated bar colour: each of red, green and blue either near the brightest of them or
// near zero, at 50 % amplitude or more; its red-green-blue bits, kUnknown for anything else.
int BarColour(const uchar* bgr)
{
    const int b = bgr[0], g = bgr[1], r = bgr[2];
    const int top = std::max({r, g, b});
    if (top < 120)
        return kUnknown;
    int bits = 0;
    for (const int c : {r, g, b}) {
        bits <<= 1;
        if (c * 10 >= top * 7)
            bits |= 1;
        else if (c * 10 > top * 3)
            return kUnknown;
    }
    return bits;
}

// The colour most rows of column x agree on (three in five at least), else kUnknown.
int ColumnColour(const cv::Mat& bgr, int rows, int x)
{
    std::array<int, 8> votes{};
    // Programme pictures are mostly no bar colour: once more than two rows in five are none,
    // no colour can reach three in five, and the column is left.
    int none = 0;
    for (int y = 0; y < rows && none * 5 <= rows * 2; ++y) {
        const int c = BarColour(bgr.ptr<uchar>(y) + 3 * x);
        if (c != kUnknown)
            ++votes[static_cast<size_t>(c)];
        else
            ++none;
    }
    int colour = kUnknown;
    for (int c = 1; c < 8; ++c) {
        if (votes[static_cast<size_t>(c)] * 5 >= rows * 3)
            colour = c;
    }
    return colour;
}

std::vector<int> ColumnColours(const cv::Mat& bgr, int rows)
{
    std::vector<int> colours(static_cast<size_t>(bgr.cols));
    for (int x = 0; x < bgr.cols; ++x)
        colours[static_cast<size_t>(x)] = ColumnColour(bgr, rows, x);
    return colours;
}

struct Run {
    int colour, begin, width;
};

// Runs of equal column colours; unknown runs of up to 3 columns (the smear of subsampled
// chroma at a bar edge) are dropped and the runs either side joined when they agree.
std::vector<Run> ColourRuns(const std::vector<int>& colours)
{
    std::vector<Run> raw;
    for (int x = 0; x < static_cast<int>(colours.size()); ++x) {
        if (!raw.empty() && raw.back().colour == colours[static_cast<size_t>(x)])
            ++raw.back().width;
        else
            raw.push_back({colours[static_cast<size_t>(x)], x, 1});
    }
    std::vector<Run> runs;
    for (const Run& run : raw) {
        if (run.colour == kUnknown && run.width <= 3)
            continue;
        if (!runs.empty() && runs.back().colour == run.colour)
            runs.back().width = run.begin + run.width - runs.back().begin;
        else
            runs.push_back(run);
    }
    return runs;
}

}  // namespace

bool IsColourBarSignal(const cv::Mat& bgr)
{
    if (bgr.empty() || bgr.type() != CV_8UC3 || bgr.cols < 56)
        return false;
    const int rows = bgr.rows * 45 / 100;
    if (rows < 4)
        return false;
    // Bars over 55 % of the width or more cover its middle tenth, where no four columns side
    // by side can all be without a colour (a longer gap would part the bars): most pictures
    // are told from bars by these four alone.
    const int middle = bgr.cols / 2 - 2;
    bool coloured = false;
    for (int x = middle; x < middle + 4 && !coloured; ++x)
        coloured = ColumnColour(bgr, rows, x) != kUnknown;
    if (!coloured)
        return false;
    const std::vector<Run> runs = ColourRuns(ColumnColours(bgr, rows));
    for (size_t i = 0; i + kBarSequence.size() <= runs.size(); ++i) {
        bool sequence = true;
        for (size_t k = 0; k < kBarSequence.size() && sequence; ++k)
            sequence = runs[i + k].colour == kBarSequence[k];
        if (!sequence)
            continue;
        const Run& last = runs[i + kBarSequence.size() - 1];
        const int span = last.begin + last.width - runs[i].begin;
        // Seven bars over more than half the width, each within 60 % to 150 % of the mean.
        if (span * 100 < bgr.cols * 55)
            continue;
        bool equal = true;
        for (size_t k = 0; k < kBarSequence.size() && equal; ++k)
            equal = runs[i + k].width * 7 * 10 >= span * 6 && runs[i + k].width * 7 * 10 <= span * 15;
        if (equal)
            return true;
    }
    return false;
}

}  // namespace quarvik
