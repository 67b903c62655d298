#pragma once
// The dark theme in one place: every control reads its colours from here, so a page, a list and a
// dialog cannot drift apart.
#include <QColor>

namespace brindle {

inline const QColor kPageBack{51, 51, 51};        // child dialogs (CMyDialog)
inline const QColor kPopupBack{41, 41, 41};       // pop-up dialogs (CMyPopDialog)
inline const QColor kStaticText{128, 128, 128};   // labels, on a transparent background
inline const QColor kTreeBack{17, 17, 17};
inline const QColor kTreeText{128, 128, 128};
inline const QColor kListBack{17, 17, 17};
inline const QColor kListText{192, 192, 192};
inline const QColor kGridLine{30, 30, 30};
inline const QColor kCheckFrame{87, 147, 211};
inline const QColor kHeaderBack{51, 51, 51};
inline const QColor kHeaderText{128, 128, 128};
inline const QColor kGroupFrame{128, 128, 128};
inline const QColor kGroupTitle{32, 128, 192};
inline const QColor kGroupDisabled{64, 64, 64};
inline const QColor kSplitBar{31, 31, 31};
inline const QColor kTabSelected{0, 136, 0};
inline const QColor kTabSelectedText{255, 255, 255};
inline const QColor kTabOther{72, 72, 72};
inline const QColor kTabOtherText{192, 192, 192};
inline const QColor kCaptionBack{0, 0, 0};        // caption and borders of frames and pop-ups
inline const QColor kTitleActive{192, 192, 192};
inline const QColor kTitleInactive{128, 128, 128};
inline const QColor kButtonBack1{192, 192, 192};  // CGdiplusButton gradient, top
inline const QColor kButtonBack2{64, 64, 64};     // CGdiplusButton gradient, bottom
inline const QColor kButtonText{255, 255, 255};
inline const QColor kButtonTextDisabled{192, 192, 192};
inline const QColor kEditBack{30, 30, 30};        // edits, list boxes, combo boxes (the palette's base)
inline const QColor kInvalidText{255, 80, 80};    // an edit's text while its input is not acceptable
inline const QColor kLcdBack{0, 0, 0};            // clocks and time-code displays
inline const QColor kLcdSegment{0, 200, 0};
inline const QColor kGraphLine{0, 200, 0};        // CMyGraph's curve and CMyProgressCtrl's bar

}  // namespace brindle
