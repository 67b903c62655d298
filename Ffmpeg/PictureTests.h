// The picture tests: classify one analysis picture into at most one picture fault.
#pragma once

#include "BreakUp.h"
#include "ContentParams.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <vector>

namespace quarvik {

// The analysed part of a picture: rows 20 to height - 21 (the top and bottom 20 rows carry
// no picture information worth judging); empty when the picture is too small.
cv::Rect AnalysisRegion(int width, int height);

// What the engine gives the tests beyond the grey analysis area, and what they tell back.
struct PictureSample {
    // In: the colour analysis area (BGR); colour bars are also known by their colours.
    const cv::Mat* colour = nullptr;
    // In: the decoded luma; when given, mosaic is judged there (never on an empty plane)
    // instead of on the analysis picture.
    const LumaPlane* luma = nullptr;
    // In: the picture before showed break-up. Break-up is mosaic from its second picture on,
    // so a blocky graphic cut in and then held is a still frame, never mosaic.
    bool blockyBefore = false;
    // In: the decoder met damage in this picture or in the pictures it is predicted from
    // (corrupt or missing slices, concealed). Its broken bands are break-up, and mosaic at
    // once: such a picture is no graphic cut in.
    bool damaged = false;
    // In: StreakedBands of the picture before, when known.
    const std::vector<uint8_t>* streakedBefore = nullptr;
    // Out: this picture shows break-up on its decoded luma.
    bool blocky = false;
    // Out: the still-frame test fired and found the picture a repeat of the one before (at
    // least 99.8 % of its pixels within one grey level): a held source picture, which camera
    // noise never gives.
    bool repeat = false;
};

// Runs black, colour field, colour bars, still frame and mosaic in that order on the grey
// analysis area (8-bit, one channel, continuous); the first test that fires gives the verdict,
// kNoFault (100) when none does. prevGrey is the still-frame reference: it is replaced by this
// picture whenever the still-frame test runs, and seeded by the first picture that reaches it.
int ClassifyPicture(const cv::Mat& grey, cv::Mat& prevGrey,
                    const ContentParam_t params[kContentParamCount],
                    PictureSample* sample = nullptr);

// The single tests, for callers that need one of them.
bool IsBlack(const cv::Mat& grey, const ContentParam_t& param);
bool IsColourField(const cv::Mat& grey, const ContentParam_t& param);
bool IsColourBars(const cv::Mat& grey, const ContentParam_t& param);
bool IsMosaic(const cv::Mat& grey);

}  // namespace quarvik
