// Colour bars by their colours: the seven bars white, yellow, cyan, green, magenta, red, blue
// in that order and of equal width that every bar signal shares (EBU 75 % and 100 % with
// their black eighth bar, SMPTE SD bars above their castellation and PLUGE rows, SMPTE HD
// bars between their grey side pillars), at any picture size and aspect ratio.
#pragma once

#include <opencv2/core/mat.hpp>

namespace quarvik {

// bgr: the colour analysis area (8-bit, three channels, blue-green-red). The bars are looked
// for in its upper 45 % (the rows every one of those signals fills with its bars); a column
// takes the colour most of those rows agree on, so a caption or logo over a small part does
// not hide them. Programme, stripes in other colours or orders, and test cards without the
// bar sequence never match.
bool IsColourBarSignal(const cv::Mat& bgr);

}  // namespace quarvik
