#pragma once
// Caption-button pictures, drawn in code. Each button has three pictures (normal, hover, pressed),
// 23 pixels high and as wide as its kind requires. Pictures keep the numbers the program's
// resources know them by (465-479), so a caller can ask which picture a caption shows.
#include "BrindleExport.h"

#include <QPixmap>

namespace brindle {

enum class CaptionButton { Close, Maximise, Restore, Minimise, Menu };
enum class ButtonLook { Normal, Hover, Pressed };

// Bits of the buttons argument of CMyPopDialog; restore shares the maximise bit.
enum CaptionButtonBits : int { kCaptionClose = 1, kCaptionMaxRestore = 2, kCaptionMinimise = 8, kCaptionMenu = 16 };

inline constexpr int kCaptionButtonHeight = 23;

BRINDLE_EXPORT int CaptionButtonWidth(CaptionButton button);
BRINDLE_EXPORT int CaptionPictureNumber(CaptionButton button, ButtonLook look);
// Cached; the same number always yields the same picture.
BRINDLE_EXPORT QPixmap CaptionPicture(CaptionButton button, ButtonLook look);

}  // namespace brindle
