#include "FlashTests.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <limits>

namespace quarvik {
namespace {

constexpr int64_t kWindow = CFlashRate::kSecond;
constexpr int64_t kSustainWindow = 5 * CFlashRate::kSecond;
constexpr int64_t kSustained = 4 * CFlashRate::kSecond;
constexpr size_t kFlashTransitions = 7;     // more than three flashes in a second
constexpr size_t kRapidTransitions = 4;     // two flashes a second or more
constexpr int kPatternExtremes = 12;        // six light and six dark stripes: more than five pairs

struct Extreme {
    int pos;
    float value;
};

// Alternating maxima and minima of one line of the grid, each differing from the one before
// by at least contrast.
void FindExtremes(const float* v, int n, int stride, float contrast, std::vector<Extreme>& out)
{
    out.clear();
    if (n <= 0)
        return;
    int direction = 0;
    Extreme lo{0, v[0]}, hi{0, v[0]}, candidate{0, v[0]};
    for (int k = 1; k < n; ++k) {
        const float x = v[static_cast<ptrdiff_t>(k) * stride];
        if (direction == 0) {
            if (x < lo.value)
                lo = {k, x};
            if (x > hi.value)
                hi = {k, x};
            if (hi.value - lo.value >= contrast) {
                const bool rising = hi.pos > lo.pos;
                out.push_back(rising ? lo : hi);
                candidate = rising ? hi : lo;
                direction = rising ? 1 : -1;
            }
        } else if (direction > 0) {
            if (x > candidate.value) {
                candidate = {k, x};
            } else if (candidate.value - x >= contrast) {
                out.push_back(candidate);
                candidate = {k, x};
                direction = -1;
            }
        } else {
            if (x < candidate.value) {
                candidate = {k, x};
            } else if (x - candidate.value >= contrast) {
                out.push_back(candidate);
                candidate = {k, x};
                direction = 1;
            }
        }
    }
    if (direction != 0)
        out.push_back(candidate);
}

// Grid points of one line that lie in evenly spaced stripes of at least six pairs: stripes at
// least two points wide whose widths stay within a point or 30 % of each other, light stripes
// alike and dark stripes alike (within the contrast or a quarter of the swing), the darker
// below the limit. Widths are measured between the edges (where the line crosses halfway
// between two extremes), which noise on a stripe's level hardly moves. Noise and detail have
// extremes too, but neither steady nor alike.
int StripedPoints(const float* v, int stride, const std::vector<Extreme>& e, float contrast, float darkLimit)
{
    const size_t m = e.size();
    if (m < kPatternExtremes)
        return 0;
    std::vector<int> edge(m, 0);  // edge[k]: first point past halfway from extreme k - 1 to k
    for (size_t k = 1; k < m; ++k) {
        const float mid = (e[k - 1].value + e[k].value) / 2;
        const bool rising = e[k].value > e[k - 1].value;
        int j = e[k - 1].pos + 1;
        while (j < e[k].pos && (rising ? v[static_cast<ptrdiff_t>(j) * stride] < mid
                                       : v[static_cast<ptrdiff_t>(j) * stride] > mid))
            ++j;
        edge[k] = j;
    }
    int striped = 0;
    size_t first = 0;
    const auto continues = [&](size_t k) {  // does extreme k continue the run from first?
        if (std::min(e[k].value, e[k - 1].value) >= darkLimit)
            return false;
        if (k - first < 2)
            return true;
        const float swing = std::fabs(e[k - 1].value - e[k - 2].value);
        const int width = edge[k] - edge[k - 1];
        if (width < 2 || std::fabs(e[k].value - e[k - 2].value) > std::max(contrast, swing / 4))
            return false;
        const int before = edge[k - 1] - edge[k - 2];
        return k - first < 3 || std::abs(width - before) <= std::max(1, before * 3 / 10);
    };
    const auto close = [&](size_t end) {  // the run first .. end - 1
        const size_t count = end - first;
        if (count >= kPatternExtremes) {
            const int inner = edge[end - 1] - edge[first + 1];
            striped += inner + 2 * inner / static_cast<int>(count - 2);  // and the two outer stripes
        }
    };
    for (size_t k = 1; k < m; ++k) {
        if (!continues(k)) {
            close(k);
            // A run broken by its widths or levels may start again with the last pair.
            first = std::min(e[k].value, e[k - 1].value) < darkLimit ? k - 1 : k;
        }
    }
    close(m);
    return striped;
}

}  // namespace

void CTransitionTracker::Reset()
{
    m_prev.clear();
    m_run.clear();
    m_counted.clear();
    m_lastDirection = 0;
}

int CTransitionTracker::Update(const std::vector<float>& cells, float step, float darkLimit, float share)
{
    const size_t n = cells.size();
    if (m_prev.size() != n) {
        m_prev = cells;
        m_run.assign(n, 0.0f);
        m_counted.assign(n, 0);
        return 0;
    }
    const float noise = step / 10;
    size_t up = 0, down = 0;
    for (size_t c = 0; c < n; ++c) {
        const float v = cells[c], d = v - m_prev[c];
        float& run = m_run[c];
        if (run == 0.0f || (d > 0) == (run > 0)) {
            run += d;
        } else if (std::fabs(d) >= noise) {
            run = d;
            m_counted[c] = 0;
        }
        m_prev[c] = v;
        // Each run of a cell takes part in one transition: the one on the picture where it
        // first reaches the step.
        if (m_counted[c])
            continue;
        if (run >= step && v - run < darkLimit) {
            ++up;
            m_counted[c] = 1;
        } else if (-run >= step && v < darkLimit) {
            ++down;
            m_counted[c] = 1;
        }
    }
    const double need = share * static_cast<double>(n);
    int direction = 0;
    if (up > need && up >= down && m_lastDirection != 1)
        direction = 1;
    else if (down > need && m_lastDirection != -1)
        direction = -1;
    if (direction != 0)
        m_lastDirection = direction;
    return direction;
}

void CFlashRate::Reset()
{
    m_transitions.clear();
    m_flashing.clear();
    m_retired.clear();
    m_began = false;
}

bool CFlashRate::Add(int64_t t, bool transition, TimeSpan& failing)
{
    while (!m_transitions.empty() && m_transitions.front() <= t - kWindow)
        m_transitions.pop_front();
    if (transition)
        m_transitions.push_back(t);
    bool fails = false;
    if (m_transitions.size() >= kFlashTransitions) {
        failing = {m_transitions.front(), m_transitions.back()};
        fails = true;
    }
    const bool rapidNow = m_transitions.size() >= kRapidTransitions;
    m_began = false;
    if (rapidNow) {
        const TimeSpan rapid{m_transitions.front(), m_transitions.back()};
        if (!m_flashing.empty() && rapid.begin <= m_flashing.back().span.end) {
            m_flashing.back().span.end = rapid.end;
        } else {
            m_flashing.push_back({rapid, false});
            m_began = true;
        }
    }
    // A stretch that ended five seconds ago lies outside every later sustained window.
    Retire(t - kSustainWindow);
    int64_t covered = 0, first = t;
    for (const FlashStretch& stretch : m_flashing) {
        const int64_t begin = std::max(stretch.span.begin, t - kSustainWindow);
        covered += stretch.span.end - begin;
        first = std::min(first, begin);
    }
    if (rapidNow && covered >= kSustained) {
        failing = {fails ? std::min(failing.begin, first) : first, m_transitions.back()};
        fails = true;
    }
    if (fails)
        Cover(failing);
    return fails;
}

void CFlashRate::Cover(const TimeSpan& span)
{
    for (FlashStretch& stretch : m_flashing) {
        if (stretch.span.begin <= span.end && stretch.span.end >= span.begin)
            stretch.failed = true;
    }
}

void CFlashRate::Retire(int64_t before)
{
    while (!m_flashing.empty() && m_flashing.front().span.end <= before) {
        m_retired.push_back(m_flashing.front());
        m_flashing.pop_front();
    }
}

bool CFlashRate::TakeRetired(FlashStretch& stretch)
{
    if (m_retired.empty())
        return false;
    stretch = m_retired.front();
    m_retired.pop_front();
    return true;
}

void CFlashRate::Finish()
{
    Retire(std::numeric_limits<int64_t>::max());
}

double StripedShare(const std::vector<float>& luminance, int columns, int rows, float contrast, float darkLimit)
{
    if (columns <= 0 || rows <= 0 || luminance.size() < static_cast<size_t>(columns) * rows)
        return 0.0;
    std::vector<Extreme> extremes;
    long across = 0, down = 0;
    // Every other line each way: a pattern over a quarter of the screen spans many of them.
    for (int y = 0; y < rows; y += 2) {
        const float* line = &luminance[static_cast<size_t>(y) * columns];
        FindExtremes(line, columns, 1, contrast, extremes);
        across += StripedPoints(line, 1, extremes, contrast, darkLimit);
    }
    for (int x = 0; x < columns; x += 2) {
        const float* line = &luminance[static_cast<size_t>(x)];
        FindExtremes(line, rows, columns, contrast, extremes);
        down += StripedPoints(line, columns, extremes, contrast, darkLimit);
    }
    const double scannedRows = (rows + 1) / 2, scannedColumns = (columns + 1) / 2;
    return std::max(across / (scannedRows * columns), down / (scannedColumns * rows));
}

}  // namespace quarvik
