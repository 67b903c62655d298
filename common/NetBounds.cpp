#include "NetBounds.h"

#include <chrono>
#include <cstdlib>

namespace quarvik {

int NetWindowMs()
{
    static const int window = [] {
        const char* text = std::getenv("QUARVIK_NET_WINDOW_MS");
        const long value = text ? std::strtol(text, nullptr, 10) : 0;
        return value >= 100 && value <= 3600000 ? static_cast<int>(value) : 30000;
    }();
    return window;
}

int64_t SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CRateFloor::Restart(int64_t nowMs)
{
    m_llWindowStart = nowMs;
    m_llWindowBytes = -1;
}

bool CRateFloor::Keeps(int64_t total, int64_t nowMs)
{
    if (m_llWindowBytes < 0)
        m_llWindowBytes = total;
    const int64_t window = NetWindowMs();
    if (nowMs - m_llWindowStart < window)
        return true;
    const bool kept = total - m_llWindowBytes >= kMinBytesPerSecond * window / 1000;
    m_llWindowStart = nowMs;
    m_llWindowBytes = total;
    return kept;
}

}  // namespace quarvik
