#include "FFCapture.h"

#include "LocalFile.h"
#include "NetBounds.h"
#include "TextField.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <strings.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

namespace quarvik {
namespace {

void InitNetworkOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { avformat_network_init(); });
}

// Decoders tell much of the damage they meet only in their log: an H.264 decoder working on
// several pictures at once conceals nothing and flags no picture. So the errors that a decoder
// of ours logs are counted, in the counter its context's opaque points to. The decoder's
// threads work on copies of its context, which keep that pointer; the contexts of other users
// of FFmpeg in the process (the player's) are told apart by the set of our counters.
std::mutex g_countersMutex;
std::set<const void*> g_counters;

void CountDecoderErrors(void* avcl, int level, const char* format, va_list args)
{
    if (level <= AV_LOG_ERROR && avcl && *static_cast<const AVClass* const*>(avcl) == avcodec_get_class()) {
        void* counter = static_cast<const AVCodecContext*>(avcl)->opaque;
        const std::lock_guard<std::mutex> lock(g_countersMutex);
        if (counter && g_counters.count(counter))
            static_cast<std::atomic<int>*>(counter)->fetch_add(1);
    }
    av_log_default_callback(avcl, level, format, args);
}

// Finds and opens a decoder for the stream; null when there is none or it does not open.
// Decoding runs on FFmpeg's automatic thread count, with frame and slice threading; the
// errors it logs are added to errors.
AVCodecContext* OpenDecoder(const AVStream* stream, std::atomic<int>* errors)
{
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return nullptr;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    if (!ctx)
        return nullptr;
    if (avcodec_parameters_to_context(ctx, stream->codecpar) < 0) {
        avcodec_free_context(&ctx);
        return nullptr;
    }
    ctx->pkt_timebase = stream->time_base;
    ctx->opaque = errors;
    ctx->thread_count = 0;
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return nullptr;
    }
    return ctx;
}

// Bounds every wait on a network input (connecting, then each read) to 6 seconds, in the
// option its protocol understands; local files get none. RTMP's own "timeout" would make it
// listen for a publisher instead of connecting to its server, so RTMP gets FFmpeg's generic
// I/O bound, which its TCP connection inherits.
// The scheme of an address in lower case; "" for a local path.
std::string SchemeOf(const char* path)
{
    const char* colon = std::strstr(path, "://");
    std::string scheme(path, colon ? colon : path);
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return scheme;
}

// True for an address of a network protocol (not "file://" or "pipe://").
bool IsNetworkInput(const char* path)
{
    const std::string scheme = SchemeOf(path);
    return !scheme.empty() && scheme != "file" && scheme != "pipe";
}

// A live datagram stream has no end of its own: when it ends, it stopped.
bool IsLiveDatagramInput(const char* path)
{
    const std::string scheme = SchemeOf(path);
    return scheme == "udp" || scheme == "rtp" || scheme == "udplite";
}

void SetWaitBound(AVDictionary** options, const char* path)
{
    if (!IsNetworkInput(path))
        return;
    if (strncasecmp(path, "rtmp", 4) == 0)
        av_dict_set(options, "rw_timeout", "6000000", 0);
    else
        av_dict_set(options, "timeout", "6000000", 0);
}

}  // namespace

void PrefetchRowsToScale(const AVFrame* in, int outRows)
{
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(in->format));
    if (!desc || outRows <= 0)
        return;
    for (int plane = 0; plane < 3; ++plane) {
        if (!in->data[plane] || in->linesize[plane] <= 0)
            continue;
        const bool chroma = (plane == 1 || plane == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        const int rows = chroma ? AV_CEIL_RSHIFT(in->height, desc->log2_chroma_h) : in->height;
        for (int y = 0; y < outRows; ++y) {
            const uint8_t* row =
                in->data[plane] + static_cast<ptrdiff_t>((2LL * y + 1) * rows / (2 * outRows)) * in->linesize[plane];
            for (int x = 0; x < in->linesize[plane]; x += 64)
                __builtin_prefetch(row + x);
        }
    }
}

CFFCapture::CFFCapture() = default;

CFFCapture::~CFFCapture()
{
    Close();  // the decoders and their threads end here: nothing counts after it
    FreeConverters();
    const std::lock_guard<std::mutex> lock(g_countersMutex);
    g_counters.erase(&m_videoErrors);
    g_counters.erase(&m_audioErrors);
}

int CFFCapture::Interrupt(void* opaque)
{
    auto* self = static_cast<CFFCapture*>(opaque);
    if (self->m_stop && self->m_stop())
        return 1;
    if (!self->m_bNetwork)
        return 0;
    const int64_t now = SteadyMs();
    if (!self->m_bReading)
        return now > self->m_llOpenDeadline ? 1 : 0;
    const AVIOContext* pb = self->m_pFormatCtx ? self->m_pFormatCtx->pb : nullptr;
    if (pb && !self->m_rate.Keeps(pb->bytes_read, now))
        self->m_bTooSlow = true;
    return self->m_bTooSlow ? 1 : 0;
}

bool CFFCapture::Open(const char* path)
{
    Close();
    CopyField(m_szPath, path ? path : "");
    InitNetworkOnce();
    {
        const std::lock_guard<std::mutex> lock(g_countersMutex);
        g_counters.insert(&m_videoErrors);
        g_counters.insert(&m_audioErrors);
    }
    // Again at every input: the player's library may have put in a callback of its own.
    av_log_set_callback(CountDecoderErrors);
    m_bBrokeOff = false;
    m_bTooSlow = false;
    m_llFurthest = 0;
    const std::string special = SpecialFileReason(m_szPath);
    if (!special.empty()) {
        std::fprintf(stderr, "%s\n", special.c_str());
        return false;
    }
    // Every wait of FFmpeg asks Interrupt: a stop ends it at once, and a network input must
    // open within one window and then keep the minimum rate (NetBounds.h).
    m_bNetwork = IsNetworkInput(m_szPath);
    m_bReading = false;
    m_llOpenDeadline = SteadyMs() + NetWindowMs();
    m_pFormatCtx = avformat_alloc_context();
    if (!m_pFormatCtx)
        return false;
    m_pFormatCtx->interrupt_callback = {&CFFCapture::Interrupt, this};

    AVDictionary* options = nullptr;
    SetWaitBound(&options, m_szPath);
    int ret = avformat_open_input(&m_pFormatCtx, m_szPath, nullptr, &options);
    av_dict_free(&options);
    if (ret < 0) {
        std::fprintf(stderr, "Could not open input file.\n");
        m_pFormatCtx = nullptr;
        return false;
    }
    if (avformat_find_stream_info(m_pFormatCtx, nullptr) < 0) {
        std::fprintf(stderr, "Failed to retrieve input stream information\n");
        Close();
        return false;
    }
    m_bReading = true;
    m_rate.Restart(SteadyMs());
    NoteFurthest();

    int opened = 0;
    for (unsigned i = 0; i < m_pFormatCtx->nb_streams; ++i) {
        if (opened >= 2 && !m_bAllSoundTracks)
            break;
        AVStream* stream = m_pFormatCtx->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && m_nVideoIndex < 0) {
            // Cover art is a still picture attached to a sound file, not a video stream.
            if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC)
                continue;
            m_pVideoDecoder = OpenDecoder(stream, &m_videoErrors);
            if (!m_pVideoDecoder)
                break;
            m_nVideoIndex = static_cast<int>(i);
            m_pVideoStream = stream;
            m_nInPixelFormat = m_pVideoDecoder->pix_fmt;
            m_nInWidth = m_pVideoDecoder->width;
            m_nInHeight = m_pVideoDecoder->height;
            ++opened;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && (m_tracks.empty() || m_bAllSoundTracks)) {
            const bool first = m_tracks.empty();
            const int got = OpenSoundTrack(stream, static_cast<int>(i));
            if (got > 0 && first)
                ++opened;
            if (got < 0 && first)
                break;  // no decoder for the programme's track: the walk ends there
        }
    }

    av_dump_format(m_pFormatCtx, 0, m_szPath, 0);
    m_llStartTime = -1;
    m_llPosition = 0;
    m_llPictureTime = kNoMediaTime;
    m_llPictureDuration = 0;
    m_bCleanPicture = m_bCleanSound = m_bPictureDamaged = false;
    m_nCleanRun = 0;
    m_nVideoErrorsSeen = m_videoErrors.load();
    m_nAudioErrorsSeen = m_audioErrors.load();
    m_llVideoPacket[0] = m_llVideoPacket[1] = m_llAudioPacket[0] = m_llAudioPacket[1] = kNoMediaTime;
    m_pPending = nullptr;
    m_drain = Drain::None;
    if (opened > 0) {
        m_pFrame = av_frame_alloc();
        m_pPacket = av_packet_alloc();
        if (!m_pFrame || !m_pPacket)
            opened = 0;
    }
    m_bOpen = opened > 0;
    if (!m_bOpen)
        Close();
    return m_bOpen;
}

// Opens the decoder of an audio stream and adds it as a track; a stream whose channels, rate
// or sample format are unknown is left out. The first track's form is the input form.
// 1 opened, 0 left out, -1 no decoder.
int CFFCapture::OpenSoundTrack(AVStream* stream, int index)
{
    AVCodecContext* decoder = OpenDecoder(stream, &m_audioErrors);
    if (!decoder)
        return -1;
    const int channels = decoder->ch_layout.nb_channels;
    if (channels <= 0 || decoder->sample_rate <= 0 || decoder->sample_fmt < 0) {
        avcodec_free_context(&decoder);
        return 0;
    }
    if (m_tracks.empty()) {
        m_nInChannels = channels;
        m_nInSampleRate = decoder->sample_rate;
        m_nInSampleFormat = decoder->sample_fmt;
    }
    SoundTrack_t track;
    track.nIndex = index;
    track.pStream = stream;
    track.pDecoder = decoder;
    m_tracks.push_back(track);
    return 1;
}

int CFFCapture::TrackOfStream(int streamIndex) const
{
    for (size_t t = 0; t < m_tracks.size(); ++t) {
        if (m_tracks[t].nIndex == streamIndex)
            return static_cast<int>(t);
    }
    return -1;
}

const AVChannelLayout* CFFCapture::SoundTrackLayout(int track) const
{
    if (track < 0 || track >= SoundTrackCount())
        return nullptr;
    return &m_tracks[static_cast<size_t>(track)].pDecoder->ch_layout;
}

int CFFCapture::SoundTrackRate(int track) const
{
    return track >= 0 && track < SoundTrackCount() ? m_tracks[static_cast<size_t>(track)].pDecoder->sample_rate : 0;
}

bool CFFCapture::Close()
{
    avcodec_free_context(&m_pVideoDecoder);
    for (SoundTrack_t& track : m_tracks) {
        avcodec_free_context(&track.pDecoder);
        av_frame_free(&track.pSound);
        swr_free(&track.pSwrCtx);
    }
    m_tracks.clear();
    avformat_close_input(&m_pFormatCtx);
    av_frame_free(&m_pFrame);
    av_frame_free(&m_pPicture);
    av_packet_free(&m_pPacket);
    m_nVideoIndex = -1;
    m_pVideoStream = nullptr;
    m_nSoundTrack = 0;
    m_nPendingTrack = -1;
    m_nDrainTrack = 0;
    m_pPending = nullptr;
    m_drain = Drain::None;
    m_bOpen = false;
    return true;
}

void CFFCapture::FreeConverters()
{
    sws_freeContext(m_pSwsCtx);
    m_pSwsCtx = nullptr;
    m_nSwsFormat = -1;
}

bool CFFCapture::GetAudioFormat(int& sampleFormat, int& channels, int& sampleRate)
{
    if (m_tracks.empty())
        return false;
    const AVCodecContext* decoder = m_tracks.front().pDecoder;
    sampleFormat = decoder->sample_fmt;
    channels = decoder->ch_layout.nb_channels;
    sampleRate = decoder->sample_rate;
    return true;
}

bool CFFCapture::GetVideoFormat(int& pixelFormat, int& width, int& height)
{
    if (!m_pVideoDecoder)
        return false;
    pixelFormat = m_pVideoDecoder->pix_fmt;
    width = m_pVideoDecoder->width;
    height = m_pVideoDecoder->height;
    return true;
}

int64_t CFFCapture::Duration() const
{
    if (!m_pFormatCtx || m_pFormatCtx->duration == AV_NOPTS_VALUE || m_pFormatCtx->duration < 0)
        return 0;
    return m_pFormatCtx->duration;
}

void CFFCapture::NoteFurthest()
{
    if (m_pFormatCtx && m_pFormatCtx->pb)
        m_llFurthest = std::max(m_llFurthest, m_pFormatCtx->pb->pos);
}

bool CFFCapture::ShortOfItsSize() const
{
    // The size an input announced (an FTP server's SIZE): the data must have reached it.
    const int64_t size = m_pFormatCtx && m_pFormatCtx->pb ? avio_size(m_pFormatCtx->pb) : -1;
    return size > 0 && m_llFurthest < size;
}

const AVFrame* CFFCapture::DecodedPicture() const
{
    return m_pFrame;
}

int64_t CFFCapture::MediaStart() const
{
    return m_pFormatCtx && m_pFormatCtx->start_time != AV_NOPTS_VALUE ? m_pFormatCtx->start_time : kNoMediaTime;
}

bool CFFCapture::SetAudioOut()
{
    m_nOutChannels = 2;
    m_nOutSampleRate = 48000;
    m_nOutSampleFormat = AV_SAMPLE_FMT_S16;
    for (SoundTrack_t& track : m_tracks) {
        const AVCodecContext* decoder = track.pDecoder;
        if (!PrepareResampler(track, decoder->sample_fmt, decoder->ch_layout.nb_channels, decoder->sample_rate))
            return false;
    }
    return true;
}

bool CFFCapture::SetVideoOut(int width, int height)
{
    m_nOutPixelFormat = AV_PIX_FMT_BGR24;
    m_nOutWidth = width;
    m_nOutHeight = height;
    av_frame_free(&m_pPicture);
    m_pPicture = av_frame_alloc();
    if (!m_pPicture)
        return false;
    m_pPicture->format = AV_PIX_FMT_BGR24;
    m_pPicture->width = width;
    m_pPicture->height = height;
    if (av_frame_get_buffer(m_pPicture, 4) < 0)
        return false;
    // A stream whose picture form is not known before decoding gets its scaler with the
    // first picture it gives (if it ever gives one).
    if (!m_pVideoDecoder || m_nInPixelFormat < 0 || m_nInWidth <= 0 || m_nInHeight <= 0)
        return true;
    return PrepareScaler(m_nInWidth, m_nInHeight, m_nInPixelFormat);
}

bool CFFCapture::PrepareScaler(int width, int height, int format)
{
    if (m_pSwsCtx && width == m_nSwsWidth && height == m_nSwsHeight && format == m_nSwsFormat)
        return true;
    sws_freeContext(m_pSwsCtx);
    m_pSwsCtx = nullptr;
    m_nSwsFormat = -1;
    if (width <= 0 || height <= 0 || format < 0)
        return false;
    m_pSwsCtx = sws_getContext(width, height, static_cast<AVPixelFormat>(format), m_nOutWidth,
                               m_nOutHeight, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr,
                               nullptr);
    if (!m_pSwsCtx)
        return false;
    m_nSwsWidth = width;
    m_nSwsHeight = height;
    m_nSwsFormat = format;
    return true;
}

// Each track keeps its own channels when every track is handed on; otherwise the one track is
// mixed to the fixed output channels.
bool CFFCapture::PrepareResampler(SoundTrack_t& track, int sampleFormat, int channels, int sampleRate)
{
    const int outChannels = m_bAllSoundTracks ? channels : m_nOutChannels;
    if (sampleFormat == m_nOutSampleFormat && channels == outChannels && sampleRate == m_nOutSampleRate) {
        swr_free(&track.pSwrCtx);
        track.nSwrFormat = -1;
        return true;  // handed on as decoded
    }
    if (track.pSwrCtx && sampleFormat == track.nSwrFormat && channels == track.nSwrChannels &&
        sampleRate == track.nSwrRate)
        return true;
    swr_free(&track.pSwrCtx);
    track.nSwrFormat = -1;
    // Channel counts only: the resampler mixes with the default layout of each count, and with
    // equal counts it passes every channel through on its own.
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, channels);
    av_channel_layout_default(&outLayout, outChannels);
    int ret = swr_alloc_set_opts2(&track.pSwrCtx, &outLayout,
                                  static_cast<AVSampleFormat>(m_nOutSampleFormat),
                                  m_nOutSampleRate, &inLayout,
                                  static_cast<AVSampleFormat>(sampleFormat), sampleRate, 0,
                                  nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (ret < 0 || swr_init(track.pSwrCtx) < 0) {
        swr_free(&track.pSwrCtx);
        return false;
    }
    track.nSwrFormat = sampleFormat;
    track.nSwrChannels = channels;
    track.nSwrRate = sampleRate;
    return true;
}

void CFFCapture::UpdatePosition(const AVPacket* packet, const AVStream* stream)
{
    if (packet->pts == AV_NOPTS_VALUE)
        return;
    const int64_t t =
        static_cast<int64_t>(packet->pts * av_q2d(stream->time_base) * 1000000.0);
    if (m_llStartTime < 0)
        m_llStartTime = t;
    m_llPosition = t - m_llStartTime;
}

void CFFCapture::ReportPacketTime(const AVPacket* packet, const AVStream* stream)
{
    const auto micros = [&](int64_t t) { return av_rescale_q(t, stream->time_base, AV_TIME_BASE_Q); };
    const int64_t pts = packet->pts == AV_NOPTS_VALUE ? kNoMediaTime : micros(packet->pts);
    const int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    const int64_t end = at == AV_NOPTS_VALUE ? kNoMediaTime : micros(at + std::max<int64_t>(packet->duration, 0));
    const bool video = stream == m_pVideoStream;
    int64_t* span = video ? m_llVideoPacket : m_llAudioPacket;
    span[0] = pts == kNoMediaTime ? (at == AV_NOPTS_VALUE ? kNoMediaTime : micros(at)) : pts;
    span[1] = end;
    OnPacketTime(video, pts, end);
    if (packet->flags & AV_PKT_FLAG_CORRUPT)
        ReportDamage(video);
}

// The last packet sent to that stream's decoder was damaged or did not decode; nothing
// counts before the stream's first clean unit.
void CFFCapture::ReportDamage(bool video)
{
    if (!(video ? m_bCleanPicture : m_bCleanSound))
        return;
    const int64_t* span = video ? m_llVideoPacket : m_llAudioPacket;
    OnDamage(video, span[0], span[1]);
}

bool CFFCapture::DurationDeclared() const
{
    return Duration() > 0 && m_pFormatCtx->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE;
}

MaterialClock CFFCapture::Clock() const
{
    MaterialClock clock;
    if (!m_pFormatCtx)
        return clock;
    if (m_pVideoStream) {
        // The nominal rate (that of a variable-rate stream too); interlaced H.264 may give its
        // field rate there (50 for 25 pictures a second), where the average counts pictures.
        AVRational rate = av_guess_frame_rate(m_pFormatCtx, m_pVideoStream, nullptr);
        const AVRational average = m_pVideoStream->avg_frame_rate;
        if (rate.num > 0 && rate.den > 0 && average.num > 0 && average.den > 0 &&
            std::abs(av_q2d(rate) - 2 * av_q2d(average)) < 0.01 * av_q2d(rate))
            rate = average;
        if (rate.num > 0 && rate.den > 0) {
            const AVRational reduced = av_mul_q(rate, AVRational{1, 1});
            clock.rateNum = reduced.num;
            clock.rateDen = reduced.den;
        }
    }
    // The container's own time code first (MXF), then the video stream's, then any stream's
    // (the time code track of a MOV).
    const auto tagOf = [](const AVDictionary* metadata) -> const char* {
        const AVDictionaryEntry* entry = av_dict_get(metadata, "timecode", nullptr, 0);
        return entry && entry->value && *entry->value ? entry->value : nullptr;
    };
    const char* timeCode = tagOf(m_pFormatCtx->metadata);
    if (!timeCode && m_pVideoStream)
        timeCode = tagOf(m_pVideoStream->metadata);
    for (unsigned i = 0; !timeCode && i < m_pFormatCtx->nb_streams; ++i)
        timeCode = tagOf(m_pFormatCtx->streams[i]->metadata);
    if (timeCode && TimeCodeFrames(timeCode, 60, false) >= 0)
        clock.startTimeCode = timeCode;
    return clock;
}

// The picture's own time, and how long it lasts: its duration in the container, else one
// frame of the stream's nominal rate.
void CFFCapture::TakePictureTime(const AVFrame* picture)
{
    const AVRational timeBase = m_pVideoStream->time_base;
    const int64_t pts = picture->best_effort_timestamp;
    m_llPictureTime = pts == AV_NOPTS_VALUE ? kNoMediaTime : av_rescale_q(pts, timeBase, AV_TIME_BASE_Q);
    if (picture->pkt_duration > 0) {
        m_llPictureDuration = av_rescale_q(picture->pkt_duration, timeBase, AV_TIME_BASE_Q);
        return;
    }
    const AVRational rate = av_guess_frame_rate(m_pFormatCtx, m_pVideoStream, nullptr);
    constexpr int64_t kOneTwentyFifth = AV_TIME_BASE / 25;
    m_llPictureDuration =
        rate.num > 0 && rate.den > 0 ? av_rescale_q(1, av_inv_q(rate), AV_TIME_BASE_Q) : kOneTwentyFifth;
}

int CFFCapture::ReadFrame(const AVFrame** unit)
{
    *unit = nullptr;
    if (!m_bOpen)
        return kReadEnd;

    // Frames still held from the last packet come first, one per call.
    if (m_pPending) {
        int got = ReceiveFrom(m_pPending, unit);
        if (got != kReadNothing || m_pPending)
            return got;
    }

    if (m_drain == Drain::None) {
        int ret = av_read_frame(m_pFormatCtx, m_pPacket);
        NoteFurthest();
        if (ret < 0)
            m_bBrokeOff = m_bNetwork && (m_bTooSlow || ShortOfItsSize() || IsLiveDatagramInput(m_szPath));
        if (ret >= 0) {
            AVCodecContext* decoder = nullptr;
            const int track = TrackOfStream(m_pPacket->stream_index);
            if (m_pPacket->stream_index == m_nVideoIndex) {
                decoder = m_pVideoDecoder;
                UpdatePosition(m_pPacket, m_pVideoStream);
                ReportPacketTime(m_pPacket, m_pVideoStream);
            } else if (track >= 0) {
                const SoundTrack_t& t = m_tracks[static_cast<size_t>(track)];
                decoder = t.pDecoder;
                // The programme's track gives the time of a file without pictures.
                if (track == 0) {
                    if (m_nVideoIndex < 0)
                        UpdatePosition(m_pPacket, t.pStream);
                    ReportPacketTime(m_pPacket, t.pStream);
                }
            }
            int sent = decoder ? avcodec_send_packet(decoder, m_pPacket) : -1;
            av_packet_unref(m_pPacket);
            if (sent < 0 && decoder && sent != AVERROR(EAGAIN))
                ReportDamage(decoder == m_pVideoDecoder);
            if (sent < 0)
                return kReadNothing;  // another stream, or a packet the decoder refused
            m_pPending = decoder;
            m_nPendingTrack = decoder == m_pVideoDecoder ? -1 : track;
            return ReceiveFrom(decoder, unit);
        }
        // End of input (or a read error, which ends it the same way): drain the decoders.
        m_drain = Drain::Video;
        m_nPendingTrack = -1;
        if (m_pVideoDecoder && avcodec_send_packet(m_pVideoDecoder, nullptr) >= 0)
            m_pPending = m_pVideoDecoder;
        return kReadNothing;
    }
    // Then every track's decoder, one after the other.
    if (m_drain == Drain::Video || m_drain == Drain::Audio) {
        m_drain = Drain::Audio;
        if (m_nDrainTrack < m_tracks.size()) {
            const size_t t = m_nDrainTrack++;
            m_nPendingTrack = static_cast<int>(t);
            if (avcodec_send_packet(m_tracks[t].pDecoder, nullptr) >= 0)
                m_pPending = m_tracks[t].pDecoder;
            return kReadNothing;
        }
    }
    m_drain = Drain::Done;
    return kReadEnd;
}

// Takes one frame out of the decoder. Clears m_pPending when the decoder wants more input
// or is drained; a decoding error costs that frame only.
int CFFCapture::ReceiveFrom(AVCodecContext* decoder, const AVFrame** unit)
{
    int ret = avcodec_receive_frame(decoder, m_pFrame);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
        m_pPending = nullptr;
        return kReadNothing;
    }
    if (ret < 0) {
        ReportDamage(decoder == m_pVideoDecoder);
        return kReadNothing;
    }
    if (decoder == m_pVideoDecoder)
        return HandPicture(unit);
    m_nSoundTrack = m_nPendingTrack;
    return HandSound(m_tracks[static_cast<size_t>(m_nPendingTrack)], unit);
}

int CFFCapture::HandPicture(const AVFrame** unit)
{
    const AVFrame* in = m_pFrame;
    TakePictureTime(in);
    const int errors = m_videoErrors.load();
    const bool damaged = in->decode_error_flags != 0 || (in->flags & AV_FRAME_FLAG_CORRUPT) || errors != m_nVideoErrorsSeen;
    m_nVideoErrorsSeen = errors;
    m_bPictureDamaged = damaged && m_bCleanPicture;
    // The stream counts as whole from its first clean key picture on (a stream joined midway
    // has its decoders complain until then), or after two seconds of clean pictures.
    m_nCleanRun = damaged ? 0 : m_nCleanRun + 1;
    if (!damaged && (in->key_frame || in->pict_type == AV_PICTURE_TYPE_I || m_nCleanRun >= 50))
        m_bCleanPicture = true;
    const bool asIs = in->format == m_nOutPixelFormat && in->width == m_nOutWidth &&
                      in->height == m_nOutHeight && in->linesize[0] == m_nOutWidth * 3;
    if (asIs) {
        *unit = in;
        return kReadPicture;
    }
    if (!m_pPicture || !PrepareScaler(in->width, in->height, in->format))
        return kReadNothing;
    PrefetchRowsToScale(in, m_nOutHeight);
    sws_scale(m_pSwsCtx, in->data, in->linesize, 0, in->height, m_pPicture->data,
              m_pPicture->linesize);
    *unit = m_pPicture;
    return kReadPicture;
}

int CFFCapture::HandSound(SoundTrack_t& track, const AVFrame** unit)
{
    const AVFrame* in = m_pFrame;
    const int errors = m_audioErrors.load();
    const bool logged = errors != m_nAudioErrorsSeen;
    m_nAudioErrorsSeen = errors;
    if (logged || in->decode_error_flags != 0 || (in->flags & AV_FRAME_FLAG_CORRUPT)) {
        if (m_bCleanSound && in->best_effort_timestamp != AV_NOPTS_VALUE) {
            const AVRational base = track.pStream->time_base;
            const int64_t at = av_rescale_q(in->best_effort_timestamp, base, AV_TIME_BASE_Q);
            OnDamage(false, at, at + av_rescale_q(in->nb_samples, AVRational{1, in->sample_rate > 0 ? in->sample_rate : 48000}, AV_TIME_BASE_Q));
        } else {
            ReportDamage(false);
        }
    } else {
        m_bCleanSound = true;
    }
    if (!PrepareResampler(track, in->format, in->ch_layout.nb_channels, in->sample_rate))
        return kReadNothing;
    if (!track.pSwrCtx) {
        *unit = in;
        return kReadSound;
    }
    if (!track.pSound) {
        track.pSound = av_frame_alloc();
        if (!track.pSound)
            return kReadNothing;
    }
    if (TransSample(track, in, track.pSound) < 0)
        return kReadNothing;
    *unit = track.pSound;
    return kReadSound;
}

// Converts one sound unit into out; out->nb_samples is the number of samples converted.
int CFFCapture::TransSample(SoundTrack_t& track, const AVFrame* in, AVFrame* out)
{
    if (!track.pSwrCtx) {
        std::fprintf(stderr, "pSwrCtx with out init!\n");
        return -1;
    }
    const int outChannels = m_bAllSoundTracks ? track.nSwrChannels : m_nOutChannels;
    const int capacity = static_cast<int>(
        av_rescale_rnd(swr_get_delay(track.pSwrCtx, in->sample_rate) + in->nb_samples,
                       m_nOutSampleRate, in->sample_rate, AV_ROUND_UP));
    if (capacity > track.nSoundCapacity || out->ch_layout.nb_channels != outChannels) {
        av_frame_unref(out);
        out->format = m_nOutSampleFormat;
        out->sample_rate = m_nOutSampleRate;
        av_channel_layout_default(&out->ch_layout, outChannels);
        out->nb_samples = capacity;
        if (av_frame_get_buffer(out, 0) < 0) {
            av_log(nullptr, AV_LOG_WARNING, "[%s.%d %s() Could not allocate samples Buffer\n",
                   "Ffmpeg/FFCapture", __LINE__, "CFFCapture::TransSample");
            track.nSoundCapacity = 0;
            return -1;
        }
        track.nSoundCapacity = capacity;
    }
    int converted = swr_convert(track.pSwrCtx, out->data, track.nSoundCapacity,
                                const_cast<const uint8_t**>(in->extended_data), in->nb_samples);
    if (converted < 0)
        return -1;
    out->nb_samples = converted;
    return 0;
}

}  // namespace quarvik
