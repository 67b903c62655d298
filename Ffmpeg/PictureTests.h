// The picture tests: classify one analysis picture into at most one picture fault.
#pragma once

#include "ContentParams.h"

#include <opencv2/core/mat.hpp>

namespace quarvik {

// The analysed part of a picture: rows 20 to height - 21 (the top and bottom 20 rows carry
// no picture information worth judging); empty when the picture is too small.
cv::Rect AnalysisRegion(int width, int height);

// Runs black, colour field, colour bars, still frame and mosaic in that order on the grey
// analysis area (8-bit, one channel, continuous); the first test that fires gives the verdict,
// kNoFault (100) when none does. prevGrey is the still-frame reference: it is replaced by this
// picture whenever the still-frame test runs, and seeded by the first picture that reaches it.
int ClassifyPicture(const cv::Mat& grey, cv::Mat& prevGrey,
                    const ContentParam_t params[kContentParamCount]);

// The single tests, for callers that need one of them.
bool IsBlack(const cv::Mat& grey, const ContentParam_t& param);
bool IsColourField(const cv::Mat& grey, const ContentParam_t& param);
bool IsColourBars(const cv::Mat& grey, const ContentParam_t& param);
bool IsMosaic(const cv::Mat& grey);

}  // namespace quarvik
