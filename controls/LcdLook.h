#pragma once
// The look every seven-segment display of the library shares. Internal to the library.
class QHBoxLayout;
class QLCDNumber;
class QWidget;

namespace brindle {

// Flat green segments on black, no frame, room for digits characters.
void StyleLcd(QLCDNumber* lcd, int digits);

// A strip of displays side by side: the widget on the displays' black, with a row of no margins
// or gaps as its layout.
QHBoxLayout* MakeLcdRow(QWidget* strip);

}  // namespace brindle
