#pragma once
// The look every seven-segment display of the library shares. Internal to the library.
class QLCDNumber;

namespace brindle {

// Flat green segments on black, no frame, room for digits characters.
void StyleLcd(QLCDNumber* lcd, int digits);

}  // namespace brindle
