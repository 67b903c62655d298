// The material's own clock: its frame rate and the time code its first picture carries, so that
// a time in check frames (1/25 s from the start of the material) can also be shown as the time
// code an edit system shows for the same picture.
//
// Plain data, copied by value.
#pragma once

#include <cstdint>
#include <string>

namespace quarvik {

struct MaterialClock {
    // Frame rate as a fraction (25/1, 30000/1001, ...); 0/0 when the material has no pictures.
    int32_t rateNum = 25;
    int32_t rateDen = 1;
    // The start time code as the file carries it ("10:00:00:00"; ';' before the frames marks
    // drop-frame counting); empty when it carries none (counting starts at 00:00:00:00).
    std::string startTimeCode;

    // False when the material's time codes read like the check-frame clock: 25 frames a
    // second from 00:00:00:00. Only then is its own time code worth showing beside it.
    bool Differs() const;
    // The material time code at a check frame, "HH:MM:SS:FF" (";" before FF when drop-frame),
    // wrapping at 24 hours; empty when the rate is unknown.
    std::string TimeCodeAt(int32_t checkFrame) const;
    // The frame rate as text: "25", "29.97", "23.976", "59.94".
    std::string RateText() const;
};

// A time code "HH:MM:SS:FF" (or with ';' / '.' before FF) as frames from midnight at a nominal
// rate of fps frames a second; drop-frame counting (fps 30 or 60 with ';') drops the first two
// (four) frame numbers of every minute except each tenth. -1 when the text is not a time code.
int64_t TimeCodeFrames(const std::string& text, int fps, bool dropFrame);

}  // namespace quarvik
