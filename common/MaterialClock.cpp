#include "MaterialClock.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quarvik {
namespace {

constexpr int32_t kCheckFramesPerSecondHere = 25;

bool IsDropFrame(const std::string& timeCode)
{
    return timeCode.find(';') != std::string::npos;
}

// Frames dropped from the count per minute (drop-frame counting), 0 when none.
int DroppedPerMinute(int fps, bool dropFrame)
{
    return dropFrame && fps % 30 == 0 ? fps / 15 : 0;
}

}  // namespace

int64_t TimeCodeFrames(const std::string& text, int fps, bool dropFrame)
{
    int h = 0, m = 0, s = 0, f = 0;
    char sep[4] = {};
    if (fps <= 0 || std::sscanf(text.c_str(), "%d:%d:%d%1[:;.]%d", &h, &m, &s, sep, &f) != 5 || h < 0 || m < 0 ||
        m > 59 || s < 0 || s > 59 || f < 0 || f >= fps)
        return -1;
    const int64_t minutes = int64_t(h) * 60 + m;
    const int drop = DroppedPerMinute(fps, dropFrame);
    return (minutes * 60 + s) * fps + f - drop * (minutes - minutes / 10);
}

bool MaterialClock::Differs() const
{
    const bool twentyFive = rateDen > 0 && rateNum == kCheckFramesPerSecondHere * rateDen;
    return !twentyFive || (!startTimeCode.empty() && TimeCodeFrames(startTimeCode, 25, false) != 0);
}

std::string MaterialClock::RateText() const
{
    if (rateNum <= 0 || rateDen <= 0)
        return {};
    char text[32];
    const double rate = double(rateNum) / rateDen;
    std::snprintf(text, sizeof(text), "%.3f", rate);
    std::string out = text;
    while (out.back() == '0')
        out.pop_back();
    if (out.back() == '.')
        out.pop_back();
    return out;
}

std::string MaterialClock::TimeCodeAt(int32_t checkFrame) const
{
    if (rateNum <= 0 || rateDen <= 0)
        return {};
    const int fps = static_cast<int>(std::lround(double(rateNum) / rateDen));
    if (fps <= 0)
        return {};
    const bool dropFrame = IsDropFrame(startTimeCode);
    const int drop = DroppedPerMinute(fps, dropFrame);
    const int64_t start = startTimeCode.empty() ? 0 : std::max<int64_t>(TimeCodeFrames(startTimeCode, fps, dropFrame), 0);
    // The first picture that begins within that check frame.
    const int64_t per = int64_t(kCheckFramesPerSecondHere) * rateDen;
    const int64_t elapsed = (int64_t(std::max(checkFrame, 0)) * rateNum + per - 1) / per;
    const int64_t perDay = (int64_t(24) * 3600 * fps) - drop * (24 * 60 - 24 * 6);
    int64_t n = (start + elapsed) % perDay;
    if (drop > 0) {
        // Back from a frame count to the numbers drop-frame time code shows.
        const int64_t perTenMinutes = int64_t(600) * fps - 9 * drop;
        const int64_t perMinute = int64_t(60) * fps - drop;
        const int64_t tens = n / perTenMinutes, rest = n % perTenMinutes;
        n += 9 * drop * tens + (rest > drop ? drop * ((rest - drop) / perMinute) : 0);
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%02d:%02d:%02d%c%02d", static_cast<int>(n / (3600 * int64_t(fps))),
                  static_cast<int>(n / (60 * fps) % 60), static_cast<int>(n / fps % 60), dropFrame ? ';' : ':',
                  static_cast<int>(n % fps));
    return text;
}

}  // namespace quarvik
