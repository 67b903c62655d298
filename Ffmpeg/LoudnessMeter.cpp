#include "LoudnessMeter.h"

#include "TruePeakScan.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
}

#include <ebur128.h>

#include <algorithm>
#include <iterator>
#include <cmath>

namespace quarvik {
namespace {

constexpr size_t kMaxQueuedChunks = 16;
// Sample frames gathered before they go to the true-peak thread: a few hand-overs a second
// rather than one per sound unit, each of which wakes a thread.
constexpr size_t kChunkFrames = 8192;
constexpr int kMaxLayoutChannels = 8;  // 7.1
const double kNoValue = std::nan("");

// BS.1770 weights by position: fronts 1, every surround (side or back) 1.41, LFE none.
int ChannelWeightOf(AVChannel channel)
{
    switch (channel) {
    case AV_CHAN_LOW_FREQUENCY:
    case AV_CHAN_LOW_FREQUENCY_2:
        return EBUR128_UNUSED;
    case AV_CHAN_FRONT_RIGHT:
        return EBUR128_RIGHT;
    case AV_CHAN_FRONT_CENTER:
        return EBUR128_CENTER;
    case AV_CHAN_BACK_LEFT:
    case AV_CHAN_SIDE_LEFT:
    case AV_CHAN_BACK_CENTER:
    case AV_CHAN_TOP_BACK_LEFT:
    case AV_CHAN_TOP_BACK_CENTER:
        return EBUR128_LEFT_SURROUND;
    case AV_CHAN_BACK_RIGHT:
    case AV_CHAN_SIDE_RIGHT:
    case AV_CHAN_TOP_BACK_RIGHT:
        return EBUR128_RIGHT_SURROUND;
    default:
        return EBUR128_LEFT;  // weight 1
    }
}

std::vector<int> ChannelMapOf(const AVChannelLayout& given)
{
    AVChannelLayout layout{};
    // A layout without positions gets the usual one of its channel count.
    if (given.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&layout, given.nb_channels);
    else
        av_channel_layout_copy(&layout, &given);
    std::vector<int> map(static_cast<size_t>(given.nb_channels));
    for (int i = 0; i < given.nb_channels; ++i)
        map[static_cast<size_t>(i)] = ChannelWeightOf(av_channel_layout_channel_from_index(&layout, i));
    av_channel_layout_uninit(&layout);
    return map;
}

// The first `channels` channels of the unit, interleaved.
template <typename T>
void Interleave(const AVFrame* in, int channels, bool planar, double scale, double offset, float* out)
{
    const int frames = in->nb_samples;
    const int stride = planar ? 1 : in->ch_layout.nb_channels;
    for (int c = 0; c < channels; ++c) {
        const T* src = reinterpret_cast<const T*>(in->extended_data[planar ? c : 0]) + (planar ? 0 : c);
        for (int i = 0; i < frames; ++i)
            out[static_cast<size_t>(i) * channels + c] =
                static_cast<float>((static_cast<double>(src[i * stride]) - offset) * scale);
    }
}

// The first `channels` channels of the unit as interleaved float in [-1, 1]; false for a sample
// format not known here.
bool ToFloat(const AVFrame* in, int channels, std::vector<float>& out)
{
    out.resize(static_cast<size_t>(in->nb_samples) * static_cast<size_t>(channels));
    const auto format = static_cast<AVSampleFormat>(in->format);
    const bool planar = av_sample_fmt_is_planar(format);
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8: Interleave<uint8_t>(in, channels, planar, 1.0 / 128, 128, out.data()); return true;
    case AV_SAMPLE_FMT_S16: Interleave<int16_t>(in, channels, planar, 1.0 / 32768, 0, out.data()); return true;
    case AV_SAMPLE_FMT_S32: Interleave<int32_t>(in, channels, planar, 1.0 / 2147483648.0, 0, out.data()); return true;
    case AV_SAMPLE_FMT_S64:
        Interleave<int64_t>(in, channels, planar, 1.0 / 9223372036854775808.0, 0, out.data());
        return true;
    case AV_SAMPLE_FMT_FLT: Interleave<float>(in, channels, planar, 1.0, 0, out.data()); return true;
    case AV_SAMPLE_FMT_DBL: Interleave<double>(in, channels, planar, 1.0, 0, out.data()); return true;
    default: return false;
    }
}

double FiniteOrNone(double value)
{
    return std::isfinite(value) ? value : kNoValue;
}

}  // namespace

CLoudnessMeter::~CLoudnessMeter()
{
    Reset();
}

void CLoudnessMeter::Reset()
{
    StopPeakWorker();
    m_meter = CKWeightedMeter{};
    m_bMeasuring = false;
    m_nChannels = m_nRate = 0;
    m_channelMap.clear();
    m_pair[0].clear();
    m_pair[1].clear();
    m_nHop = m_nSinceHop = 0;
    m_llHops = 0;
    std::fill(std::begin(m_blockEnergy), std::end(m_blockEnergy), 0.0);
    m_fMaxMomentary = m_fMaxShortTerm = -kInfinity;
    m_shortTerm.clear();
    m_queue.clear();
    m_pending = Chunk{};
    m_bEndOfInput = false;
    m_fTruePeak = 0.0;
}

bool CLoudnessMeter::Configure(int channels, int rate, std::vector<int> map)
{
    if (channels <= 0 || rate < 10)
        return false;
    if (m_bMeasuring && channels == m_nChannels && rate == m_nRate && map == m_channelMap)
        return true;
    if (!m_meter.Configure(channels, static_cast<unsigned long>(rate)))
        return false;
    if (!m_bMeasuring) {
        m_bMeasuring = true;
        m_peakThread = std::thread([this] { PeakWorker(); });
    }
    for (int c = 0; c < channels; ++c)
        m_meter.SetChannel(c, map[static_cast<size_t>(c)]);
    m_nChannels = channels;
    m_nRate = rate;
    m_channelMap = std::move(map);
    m_nHop = rate / 10;
    m_nSinceHop = 0;
    return true;
}

void CLoudnessMeter::Add(const AVFrame* sound, int track)
{
    if (m_bEndOfInput || !sound || sound->nb_samples <= 0)
        return;
    if (m_bPairedMono) {
        AddPaired(sound, track);
        return;
    }
    if (track != 0)
        return;
    // More channels than a surround layout has, without positions, are tracks side by side (16
    // channels of a WAV or an SDI capture): the programme is their first pair.
    const AVChannelLayout& layout = sound->ch_layout;
    const bool firstPair = layout.nb_channels > kMaxLayoutChannels && layout.order == AV_CHANNEL_ORDER_UNSPEC;
    const int channels = firstPair ? 2 : layout.nb_channels;
    if (!Configure(channels, sound->sample_rate,
                   firstPair ? std::vector<int>{EBUR128_LEFT, EBUR128_RIGHT} : ChannelMapOf(layout)) ||
        !ToFloat(sound, channels, m_interleaved))
        return;
    Measure(m_interleaved.data(), sound->nb_samples);
}

void CLoudnessMeter::Measure(const float* samples, int frames)
{
    QueueForPeak(samples, frames);
    Feed(samples, frames);
}

// The two tracks arrive unit by unit in the container's order; what both have is measured.
void CLoudnessMeter::AddPaired(const AVFrame* sound, int track)
{
    if (track < 0 || track > 1 || sound->ch_layout.nb_channels != 1 ||
        !Configure(2, sound->sample_rate, {EBUR128_LEFT, EBUR128_RIGHT}) || !ToFloat(sound, 1, m_interleaved))
        return;
    std::vector<float>& pending = m_pair[track];
    pending.insert(pending.end(), m_interleaved.begin(), m_interleaved.end());
    FeedPair(std::min(m_pair[0].size(), m_pair[1].size()));
}

// Measures the first frames of both tracks as one stereo pair; a track that has fewer is
// silent there.
void CLoudnessMeter::FeedPair(size_t frames)
{
    if (frames == 0)
        return;
    m_interleaved.resize(2 * frames);
    for (size_t c = 0; c < 2; ++c) {
        std::vector<float>& pending = m_pair[c];
        const size_t have = std::min(frames, pending.size());
        for (size_t i = 0; i < frames; ++i)
            m_interleaved[2 * i + c] = i < have ? pending[i] : 0.0f;
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(have));
    }
    Measure(m_interleaved.data(), static_cast<int>(frames));
}

// Feeds the meter up to each 100 ms mark, reading the momentary and short-term loudness there.
void CLoudnessMeter::Feed(const float* samples, int frames)
{
    while (frames > 0) {
        const int n = std::min(frames, m_nHop - m_nSinceHop);
        m_meter.Add(samples, static_cast<size_t>(n));
        samples += static_cast<size_t>(n) * static_cast<size_t>(m_nChannels);
        frames -= n;
        m_nSinceHop += n;
        if (m_nSinceHop < m_nHop)
            break;
        m_nSinceHop = 0;
        const double block = m_meter.Window(100);
        m_blockEnergy[m_llHops % kShortTermBlocks] = std::isfinite(block) ? std::pow(10.0, (block + 0.691) / 10.0) : 0.0;
        ++m_llHops;
        // Windows that reach before the start hold silence there, as libebur128's own do.
        const double shortTerm = WindowLoudness(kShortTermBlocks);
        if (m_llHops >= kMomentaryBlocks)
            m_fMaxMomentary = std::max(m_fMaxMomentary, WindowLoudness(kMomentaryBlocks));
        if (m_llHops >= kShortTermBlocks)
            m_fMaxShortTerm = std::max(m_fMaxShortTerm, shortTerm);
        if (m_llHops % 10 == 0)
            m_shortTerm.push_back(static_cast<float>(FiniteOrNone(shortTerm)));
    }
}

// Loudness of the last `blocks` 100 ms blocks, -inf for digital silence.
double CLoudnessMeter::WindowLoudness(int blocks) const
{
    double sum = 0.0;
    for (int i = 1; i <= blocks; ++i)
        sum += m_blockEnergy[static_cast<size_t>(((m_llHops - i) % kShortTermBlocks + kShortTermBlocks) % kShortTermBlocks)];
    return sum > 0.0 ? -0.691 + 10.0 * std::log10(sum / blocks) : -kInfinity;
}

void CLoudnessMeter::QueueForPeak(const float* samples, int frames)
{
    if (m_pending.channels != m_nChannels || m_pending.rate != m_nRate)
        SendPending();
    m_pending.channels = m_nChannels;
    m_pending.rate = m_nRate;
    m_pending.samples.insert(m_pending.samples.end(), samples,
                             samples + static_cast<size_t>(frames) * static_cast<size_t>(m_nChannels));
    if (m_pending.samples.size() >= kChunkFrames * static_cast<size_t>(m_nChannels))
        SendPending();
}

void CLoudnessMeter::SendPending()
{
    if (m_pending.samples.empty())
        return;
    std::unique_lock<std::mutex> lock(m_mutex);
    // The queue is bounded: a true peak slower than the check holds the check back rather
    // than growing without end.
    m_changed.wait(lock, [&] { return m_queue.size() < kMaxQueuedChunks; });
    m_queue.push_back(std::move(m_pending));
    m_pending = Chunk{};
    m_changed.notify_all();
}

void CLoudnessMeter::PeakWorker()
{
    CTruePeakScan scan;
    for (;;) {
        Chunk chunk;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [&] { return !m_queue.empty() || m_bEndOfInput; });
            if (m_queue.empty())
                break;
            chunk = std::move(m_queue.front());
            m_queue.pop_front();
            m_changed.notify_all();
        }
        scan.Add(chunk.samples.data(), chunk.samples.size() / static_cast<size_t>(chunk.channels), chunk.channels,
                 chunk.rate);
    }
    const double peak = scan.Peak();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fTruePeak = peak;
}

void CLoudnessMeter::StopPeakWorker()
{
    if (!m_peakThread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bEndOfInput = true;
        m_changed.notify_all();
    }
    m_peakThread.join();
}

LoudnessInfo_t CLoudnessMeter::Result()
{
    if (m_bMeasuring && !m_bEndOfInput) {
        FeedPair(std::max(m_pair[0].size(), m_pair[1].size()));
        SendPending();
    }
    StopPeakWorker();
    LoudnessInfo_t result{kNoValue, kNoValue, kNoValue, kNoValue, kNoValue, m_shortTerm};
    if (!m_bMeasuring)
        return result;
    result.fIntegrated = FiniteOrNone(m_meter.Integrated());
    // A programme below the gate has no range either.
    if (HasLoudnessValue(result.fIntegrated))
        result.fRange = FiniteOrNone(m_meter.Range());
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        result.fTruePeak = m_fTruePeak > 0.0 ? 20.0 * std::log10(m_fTruePeak) : kNoValue;
    }
    result.fMaxMomentary = FiniteOrNone(m_fMaxMomentary);
    result.fMaxShortTerm = FiniteOrNone(m_fMaxShortTerm);
    return result;
}

}  // namespace quarvik
