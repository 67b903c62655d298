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
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace quarvik {
namespace {

void InitNetworkOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { avformat_network_init(); });
}

// Finds and opens a decoder for the stream; null when there is none or it does not open.
// Decoding runs on FFmpeg's automatic thread count, with frame and slice threading.
AVCodecContext* OpenDecoder(const AVStream* stream)
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

CFFCapture::CFFCapture() = default;

CFFCapture::~CFFCapture()
{
    Close();
    FreeConverters();
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
    for (unsigned i = 0; i < m_pFormatCtx->nb_streams && opened < 2; ++i) {
        AVStream* stream = m_pFormatCtx->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && m_nVideoIndex < 0) {
            // Cover art is a still picture attached to a sound file, not a video stream.
            if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC)
                continue;
            m_pVideoDecoder = OpenDecoder(stream);
            if (!m_pVideoDecoder)
                break;
            m_nVideoIndex = static_cast<int>(i);
            m_pVideoStream = stream;
            m_nInPixelFormat = m_pVideoDecoder->pix_fmt;
            m_nInWidth = m_pVideoDecoder->width;
            m_nInHeight = m_pVideoDecoder->height;
            ++opened;
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && m_nAudioIndex < 0) {
            AVCodecContext* decoder = OpenDecoder(stream);
            if (!decoder)
                break;
            const int channels = decoder->ch_layout.nb_channels;
            if (channels > 0 && decoder->sample_rate > 0 && decoder->sample_fmt >= 0) {
                m_pAudioDecoder = decoder;
                m_nAudioIndex = static_cast<int>(i);
                m_pAudioStream = stream;
                m_nInChannels = channels;
                m_nInSampleRate = decoder->sample_rate;
                m_nInSampleFormat = decoder->sample_fmt;
                ++opened;
            } else {
                avcodec_free_context(&decoder);
            }
        }
    }

    av_dump_format(m_pFormatCtx, 0, m_szPath, 0);
    m_llStartTime = -1;
    m_llPosition = 0;
    m_llPictureTime = kNoMediaTime;
    m_llPictureDuration = 0;
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

bool CFFCapture::Close()
{
    avcodec_free_context(&m_pVideoDecoder);
    avcodec_free_context(&m_pAudioDecoder);
    avformat_close_input(&m_pFormatCtx);
    av_frame_free(&m_pFrame);
    av_frame_free(&m_pPicture);
    av_frame_free(&m_pSound);
    av_packet_free(&m_pPacket);
    m_nSoundCapacity = 0;
    m_nVideoIndex = m_nAudioIndex = -1;
    m_pVideoStream = m_pAudioStream = nullptr;
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
    swr_free(&m_pSwrCtx);
    m_nSwrFormat = -1;
}

bool CFFCapture::GetAudioFormat(int& sampleFormat, int& channels, int& sampleRate)
{
    if (!m_pAudioDecoder)
        return false;
    sampleFormat = m_pAudioDecoder->sample_fmt;
    channels = m_pAudioDecoder->ch_layout.nb_channels;
    sampleRate = m_pAudioDecoder->sample_rate;
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
    if (!m_pAudioDecoder)
        return true;
    return PrepareResampler(m_nInSampleFormat, m_nInChannels, m_nInSampleRate);
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

bool CFFCapture::PrepareResampler(int sampleFormat, int channels, int sampleRate)
{
    if (sampleFormat == m_nOutSampleFormat && channels == m_nOutChannels &&
        sampleRate == m_nOutSampleRate) {
        swr_free(&m_pSwrCtx);
        m_nSwrFormat = -1;
        return true;  // handed on as decoded
    }
    if (m_pSwrCtx && sampleFormat == m_nSwrFormat && channels == m_nSwrChannels &&
        sampleRate == m_nSwrRate)
        return true;
    swr_free(&m_pSwrCtx);
    m_nSwrFormat = -1;
    // Channel counts only: the resampler mixes with the default layout of each count.
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, channels);
    av_channel_layout_default(&outLayout, m_nOutChannels);
    int ret = swr_alloc_set_opts2(&m_pSwrCtx, &outLayout,
                                  static_cast<AVSampleFormat>(m_nOutSampleFormat),
                                  m_nOutSampleRate, &inLayout,
                                  static_cast<AVSampleFormat>(sampleFormat), sampleRate, 0,
                                  nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (ret < 0 || swr_init(m_pSwrCtx) < 0) {
        swr_free(&m_pSwrCtx);
        return false;
    }
    m_nSwrFormat = sampleFormat;
    m_nSwrChannels = channels;
    m_nSwrRate = sampleRate;
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
    OnPacketTime(stream == m_pVideoStream, pts, end);
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
            if (m_pPacket->stream_index == m_nVideoIndex) {
                decoder = m_pVideoDecoder;
                UpdatePosition(m_pPacket, m_pVideoStream);
                ReportPacketTime(m_pPacket, m_pVideoStream);
            } else if (m_pPacket->stream_index == m_nAudioIndex) {
                decoder = m_pAudioDecoder;
                if (m_nVideoIndex < 0)
                    UpdatePosition(m_pPacket, m_pAudioStream);
                ReportPacketTime(m_pPacket, m_pAudioStream);
            }
            int sent = decoder ? avcodec_send_packet(decoder, m_pPacket) : -1;
            av_packet_unref(m_pPacket);
            if (sent < 0)
                return kReadNothing;  // another stream, or a packet the decoder refused
            m_pPending = decoder;
            return ReceiveFrom(decoder, unit);
        }
        // End of input (or a read error, which ends it the same way): drain the decoders.
        m_drain = Drain::Video;
        if (m_pVideoDecoder && avcodec_send_packet(m_pVideoDecoder, nullptr) >= 0)
            m_pPending = m_pVideoDecoder;
        return kReadNothing;
    }
    if (m_drain == Drain::Video) {
        m_drain = Drain::Audio;
        if (m_pAudioDecoder && avcodec_send_packet(m_pAudioDecoder, nullptr) >= 0)
            m_pPending = m_pAudioDecoder;
        return kReadNothing;
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
    if (ret < 0)
        return kReadNothing;
    return decoder == m_pVideoDecoder ? HandPicture(unit) : HandSound(unit);
}

int CFFCapture::HandPicture(const AVFrame** unit)
{
    const AVFrame* in = m_pFrame;
    TakePictureTime(in);
    const bool asIs = in->format == m_nOutPixelFormat && in->width == m_nOutWidth &&
                      in->height == m_nOutHeight && in->linesize[0] == m_nOutWidth * 3;
    if (asIs) {
        *unit = in;
        return kReadPicture;
    }
    if (!m_pPicture || !PrepareScaler(in->width, in->height, in->format))
        return kReadNothing;
    sws_scale(m_pSwsCtx, in->data, in->linesize, 0, in->height, m_pPicture->data,
              m_pPicture->linesize);
    *unit = m_pPicture;
    return kReadPicture;
}

int CFFCapture::HandSound(const AVFrame** unit)
{
    const AVFrame* in = m_pFrame;
    if (!PrepareResampler(in->format, in->ch_layout.nb_channels, in->sample_rate))
        return kReadNothing;
    if (!m_pSwrCtx) {
        *unit = in;
        return kReadSound;
    }
    if (!m_pSound) {
        m_pSound = av_frame_alloc();
        if (!m_pSound)
            return kReadNothing;
    }
    if (TransSample(in, m_pSound) < 0)
        return kReadNothing;
    *unit = m_pSound;
    return kReadSound;
}

// Converts one sound unit into out; out->nb_samples is the number of samples converted.
int CFFCapture::TransSample(const AVFrame* in, AVFrame* out)
{
    if (!m_pSwrCtx) {
        std::fprintf(stderr, "pSwrCtx with out init!\n");
        return -1;
    }
    const int capacity = static_cast<int>(
        av_rescale_rnd(swr_get_delay(m_pSwrCtx, in->sample_rate) + in->nb_samples,
                       m_nOutSampleRate, in->sample_rate, AV_ROUND_UP));
    if (capacity > m_nSoundCapacity) {
        av_frame_unref(out);
        out->format = m_nOutSampleFormat;
        out->sample_rate = m_nOutSampleRate;
        av_channel_layout_default(&out->ch_layout, m_nOutChannels);
        out->nb_samples = capacity;
        if (av_frame_get_buffer(out, 0) < 0) {
            av_log(nullptr, AV_LOG_WARNING, "[%s.%d %s() Could not allocate samples Buffer\n",
                   "Ffmpeg/FFCapture", __LINE__, "CFFCapture::TransSample");
            m_nSoundCapacity = 0;
            return -1;
        }
        m_nSoundCapacity = capacity;
    }
    int converted = swr_convert(m_pSwrCtx, out->data, m_nSoundCapacity,
                                const_cast<const uint8_t**>(in->extended_data), in->nb_samples);
    if (converted < 0)
        return -1;
    out->nb_samples = converted;
    return 0;
}

}  // namespace quarvik
