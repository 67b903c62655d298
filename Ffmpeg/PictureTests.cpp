#include "PictureTests.h"

#include "ColourBars.h"
#include "FaultKinds.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace quarvik {
namespace {

// Share of marked pixels in whole percent, truncated, as every picture test counts it.
int Percent(int count, int area)
{
    return area > 0 ? count * 100 / area : 0;
}

// The sum of value(pixel) over an 8-bit picture (or a part of one), read 16 pixels at a time
// into a Chunk wide enough for 16 values, so that the compiler works on whole vectors. The
// pictures are small: what the tests cost is mostly the calls, so each sums in one pass
// without a mask.
template <typename Chunk, typename Value>
int64_t SumPixels(const cv::Mat& grey, Value value)
{
    int64_t sum = 0;
    for (int y = 0; y < grey.rows; ++y) {
        const uchar* p = grey.ptr<uchar>(y);
        int x = 0;
        for (; x + 16 <= grey.cols; x += 16) {
            Chunk chunk = 0;
            for (int i = 0; i < 16; ++i)
                chunk += value(p[x + i]);
            sum += chunk;
        }
        for (; x < grey.cols; ++x)
            sum += value(p[x]);
    }
    return sum;
}

// The pixels for which keep(value) is 1.
template <typename Keep>
int CountPixels(const cv::Mat& grey, Keep keep)
{
    return static_cast<int>(SumPixels<uchar>(grey, keep));
}

// Pixels below threshold (OpenCV's compare with CMP_LT).
int CountBelow(const cv::Mat& grey, int threshold)
{
    if (threshold <= 0)
        return 0;
    if (threshold > 255)
        return static_cast<int>(grey.total());
    const uchar t = static_cast<uchar>(threshold);
    return CountPixels(grey, [t](uchar v) { return static_cast<uchar>(v < t); });
}

// Pixels from low to high, both ends included.
int CountBetween(const cv::Mat& grey, int low, int high)
{
    low = std::max(low, 0);
    high = std::min(high, 255);
    if (low > high)
        return 0;
    const uchar lo = static_cast<uchar>(low), span = static_cast<uchar>(high - low);
    return CountPixels(grey, [lo, span](uchar v) { return static_cast<uchar>(static_cast<uchar>(v - lo) <= span); });
}

// The mean as cv::mean gives it: the sum times the reciprocal of the pixel count.
double MeanOf(const cv::Mat& grey)
{
    const int64_t sum = SumPixels<unsigned short>(grey, [](uchar v) { return v; });
    const size_t n = grey.total();
    return n > 0 ? static_cast<double>(sum) * (1.0 / static_cast<double>(n)) : 0.0;
}

// Pixels inside m - band ... m + band, both ends included, the ends rounded to the nearest
// level as OpenCV's range test on 8 bits does (half to even).
int CountInBand(const cv::Mat& grey, double mean, int band)
{
    return CountBetween(grey, cvRound(mean - band), cvRound(mean + band));
}

// A repeated picture: at least 998 of every 1000 pixels within one grey level.
constexpr int kRepeatPerMille = 998;

bool IsStillFrame(const cv::Mat& grey, cv::Mat& prevGrey, const ContentParam_t& param, bool* repeat)
{
    if (prevGrey.empty() || prevGrey.size() != grey.size()) {
        prevGrey = grey.clone();
        return false;
    }
    cv::Mat diff;
    cv::absdiff(grey, prevGrey, diff);
    const int unchanged = CountBelow(diff, param.nThreshold1);
    grey.copyTo(prevGrey);
    const int area = static_cast<int>(grey.total());
    if (Percent(unchanged, area) < param.nThreshold2)
        return false;
    if (repeat)
        *repeat = static_cast<int64_t>(CountBelow(diff, 2)) * 1000 >= static_cast<int64_t>(area) * kRepeatPerMille;
    return true;
}

// The eight stripes keep their levels down the picture: in at least six of them the upper
// and the lower half lie within the record's threshold of each other. A test card whose
// background is striped (a circle, a gradient band across it) is not colour bars.
bool StripesHoldDown(const cv::Mat& grey, const ContentParam_t& param)
{
    const int s = grey.cols / 8, half = grey.rows / 2;
    if (s == 0 || half == 0)
        return false;
    int holding = 0;
    for (int i = 0; i < 8; ++i) {
        const double upper = MeanOf(grey(cv::Rect(i * s, 0, s, half)));
        const double lower = MeanOf(grey(cv::Rect(i * s, half, s, grey.rows - half)));
        if (std::fabs(upper - lower) < param.nThreshold1)
            ++holding;
    }
    return holding >= 6;
}

bool IsMosaicOf(const cv::Mat& grey, PictureSample* sample)
{
    if (!sample || !sample->luma)
        return IsMosaic(grey);
    // Once seen, break-up lasts while the share stays above two thirds of the limit, so one
    // stretch of it is one run.
    const int limit = sample->blockyBefore ? kBreakUpPerMille * 2 / 3 : kBreakUpPerMille;
    // A damaged picture predicted from one that showed break-up shows it too, until a clean
    // key picture ends the damage.
    static const std::vector<uint8_t> kUnknown;
    const std::vector<uint8_t>& streakedBefore = sample->streakedBefore ? *sample->streakedBefore : kUnknown;
    const bool broken =
        sample->damaged && (sample->blockyBefore || BrokenBands(*sample->luma, streakedBefore) >= kBrokenBands);
    sample->blocky = broken || BreakUpPerMille(*sample->luma) >= limit;
    return broken || (sample->blocky && sample->blockyBefore);
}

// True when all eight pixels are edges (their sum reaches 8 x 255).
bool AllEdges(const cv::Mat& edges, int x0, int y0, int dx, int dy)
{
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += edges.at<uchar>(y0 + i * dy, x0 + i * dx);
    return sum >= 2040;
}

}  // namespace

cv::Rect AnalysisRegion(int width, int height)
{
    if (width <= 0 || height <= 40)
        return {};
    return {0, 20, width, height - 40};
}

bool IsBlack(const cv::Mat& grey, const ContentParam_t& param)
{
    return Percent(CountBelow(grey, param.nThreshold1), static_cast<int>(grey.total())) >= param.nThreshold2;
}

bool IsColourField(const cv::Mat& grey, const ContentParam_t& param)
{
    const double mean = MeanOf(grey);
    return Percent(CountInBand(grey, mean, param.nThreshold1), static_cast<int>(grey.total())) >=
           param.nThreshold2;
}

bool IsColourBars(const cv::Mat& grey, const ContentParam_t& param)
{
    const int s = grey.cols / 8;
    if (s == 0)
        return false;
    double means[8];
    int uniform = 0;
    for (int i = 0; i < 8; ++i) {
        const cv::Mat stripe = grey(cv::Rect(i * s, 0, s, grey.rows));
        means[i] = MeanOf(stripe);
        const int count = CountInBand(stripe, means[i], param.nThreshold1);
        // A stripe with no pixel near its own mean is made of levels far apart: it counts as
        // uniform, as a bar of two solid halves would.
        const int percent = count == 0 ? 100 : Percent(count, grey.rows * s);
        if (percent >= param.nThreshold2)
            ++uniform;
    }
    if (uniform < 6)
        return false;
    for (int i = 0; i < 8; ++i) {
        for (int j = i + 1; j < 8; ++j) {
            if (std::fabs(means[i] - means[j]) < 5.0)
                return false;
        }
    }
    return true;
}

bool IsMosaic(const cv::Mat& grey)
{
    const int width = grey.cols, height = grey.rows;
    if (width < 17 || height < 17)
        return false;
    cv::Mat edges, edgesF, colSums, rowSums;
    cv::Canny(grey, edges, 25, 75, 3);
    edges.convertTo(edgesF, CV_32F);
    cv::reduce(edgesF, colSums, 0, cv::REDUCE_SUM, CV_32F);
    cv::reduce(edgesF, rowSums, 1, cv::REDUCE_SUM, CV_32F);
    const float colLimit = static_cast<float>(0.1 * 255 * height);
    const float rowLimit = static_cast<float>(0.1 * 255 * width);

    int corners = 0;
    for (int y = 8; y <= height - 9; ++y) {
        if (!(rowSums.at<float>(y, 0) > rowLimit))
            continue;
        for (int x = 8; x <= width - 9; ++x) {
            if (!(colSums.at<float>(0, x) > colLimit))
                continue;
            const bool vertical = AllEdges(edges, x, y - 8, 0, 1) || AllEdges(edges, x, y + 1, 0, 1);
            const bool horizontal =
                AllEdges(edges, x - 8, y, 1, 0) || AllEdges(edges, x + 1, y, 1, 0);
            if (vertical && horizontal && ++corners == 5)
                return true;
        }
    }
    return false;
}

int ClassifyPicture(const cv::Mat& grey, cv::Mat& prevGrey,
                    const ContentParam_t params[kContentParamCount], PictureSample* sample)
{
    if (sample)
        sample->blocky = sample->repeat = false;
    if (grey.empty())
        return kNoFault;
    if (params[kFaultBlack].nEnable && IsBlack(grey, params[kFaultBlack]))
        return kFaultBlack;
    if (params[kFaultColourField].nEnable && IsColourField(grey, params[kFaultColourField]))
        return kFaultColourField;
    if (params[kFaultColourBars].nEnable &&
        ((IsColourBars(grey, params[kFaultColourBars]) && StripesHoldDown(grey, params[kFaultColourBars])) ||
         (sample && sample->colour && IsColourBarSignal(*sample->colour))))
        return kFaultColourBars;
    if (params[kFaultStillFrame].nEnable &&
        IsStillFrame(grey, prevGrey, params[kFaultStillFrame], sample ? &sample->repeat : nullptr))
        return kFaultStillFrame;
    if (params[kFaultMosaic].nEnable && IsMosaicOf(grey, sample))
        return kFaultMosaic;
    return kNoFault;
}

}  // namespace quarvik
