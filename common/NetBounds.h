// How long a network peer may hold a worker: the bounds every network wait of the program
// shares (the FTP client and listing, the decoding engine's network inputs).
//
// A peer must finish a whole step (connecting and logging on, a reply, opening a stream) within
// the window, and a transfer must bring at least kMinBytesPerSecond over every window, so a
// server that trickles bytes cannot hold a check for ever. The window is 30 s;
// QUARVIK_NET_WINDOW_MS sets another (tests use short windows against hostile peers).
#pragma once

#include <cstdint>

namespace quarvik {

inline constexpr int64_t kMinBytesPerSecond = 256;

// The window in milliseconds, read once.
int NetWindowMs();

// Counts the bytes of one transfer against the minimum rate. Plain data; one thread.
class CRateFloor {
public:
    // Starts a window at nowMs.
    void Restart(int64_t nowMs);
    // The transfer has moved total bytes by nowMs; false when the window that just ended
    // brought less than the minimum rate.
    bool Keeps(int64_t total, int64_t nowMs);
    // When the current window ends (the latest time to look again).
    int64_t WindowEnd() const { return m_llWindowStart + NetWindowMs(); }

private:
    int64_t m_llWindowStart = 0;
    int64_t m_llWindowBytes = 0;
};

// Milliseconds of a steady clock.
int64_t SteadyMs();

}  // namespace quarvik
