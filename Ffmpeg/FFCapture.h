// CFFCapture: opens one file or stream address with FFmpeg, picks one video and one audio
// stream and hands decoded units on in one fixed form: pictures as BGR24 of the size asked for
// with SetVideoOut (rows top-down, no gaps), sound as interleaved S16 stereo at 48 000 Hz.
//
// Calling order: Open -> SetAudioOut -> SetVideoOut -> ReadFrame until kReadEnd -> Close.
// One packet may give several frames; ReadFrame hands them on one per call. At the end of the
// input the decoders are drained, so the last pictures and sound they hold are handed on too.
// Not thread-safe: one thread owns the object.
#pragma once

#include "CaptureBase.h"
#include "NetBounds.h"
#include "TextField.h"

#include <cstdint>
#include <functional>

struct AVCodecContext;
struct AVFormatContext;
struct AVPacket;
struct AVStream;
struct SwrContext;
struct SwsContext;

namespace quarvik {

class CFFCapture : public CCaptureBase {
public:
    CFFCapture();
    CFFCapture(const CFFCapture&) = delete;
    CFFCapture& operator=(const CFFCapture&) = delete;
    ~CFFCapture();

    // A local file or any address FFmpeg reads; on a network input, connecting and every
    // read wait at most 6 seconds, and a read that times out ends the input. A network input
    // must open within one window and then keep the minimum rate (NetBounds.h). A special file
    // (a FIFO, a device) is refused with a message on stderr.
    bool Open(const char* path) override;
    // Asked during every wait inside FFmpeg; true ends the wait (and with it the input) at once.
    // Set by the owning thread before Open.
    void SetStopCheck(std::function<bool()> stop) { m_stop = std::move(stop); }
    // The network input ended before its end: it fell below the minimum rate, it brought fewer
    // bytes than the size it announced, or it is a live datagram stream (UDP, RTP), which has
    // no end of its own.
    bool InputBrokeOff() const { return m_bBrokeOff; }
    bool Close() override;
    bool GetAudioFormat(int& sampleFormat, int& channels, int& sampleRate) override;
    bool GetVideoFormat(int& pixelFormat, int& width, int& height) override;
    bool Start() override { return true; }
    bool Stop() override { return true; }
    int ReadFrame(const AVFrame** unit) override;

    // Sound out as 2 channels, 48 000 Hz, S16; false when the resampler cannot be set up.
    bool SetAudioOut();
    // Pictures out as BGR24 of this size; false when the scaler cannot be created.
    bool SetVideoOut(int width, int height);

    bool IsOpen() const { return m_bOpen; }
    bool HasVideo() const { return m_nVideoIndex >= 0; }
    bool HasAudio() const { return m_nAudioIndex >= 0; }
    // Media time of the last timestamped unit minus the first timestamp, in microseconds.
    int64_t Position() const { return m_llPosition; }
    int64_t StartTime() const { return m_llStartTime; }
    // Duration of the opened input in microseconds; 0 when unknown (a live stream).
    int64_t Duration() const;
    // The sound unit last handed on, as decoded (its own layout, rate and sample format);
    // valid only until the next ReadFrame, and only when that returned kReadSound.
    const AVFrame* DecodedSound() const { return m_pFrame; }
    // The picture last handed on, as decoded (its own size and pixel format, before scaling);
    // valid only until the next ReadFrame, and only when that returned kReadPicture.
    const AVFrame* DecodedPicture() const;
    // The first media time of the opened input as its container gives it, in microseconds on
    // the clock of OnPacketTime; kNoMediaTime when unknown.
    int64_t MediaStart() const;
    // Media time and duration of the last picture handed on, in microseconds on the clock of
    // OnPacketTime; the time is kNoMediaTime when the picture has none.
    int64_t PictureTime() const { return m_llPictureTime; }
    int64_t PictureDuration() const { return m_llPictureDuration; }
    static constexpr int64_t kNoMediaTime = INT64_MIN;

protected:
    // Called by ReadFrame for every packet of a chosen stream, before it is decoded: pts is its
    // presentation time (kNoMediaTime when it has none), end the time it reaches (presentation
    // or decoding time plus duration). Microseconds, one clock for all streams.
    virtual void OnPacketTime(bool video, int64_t pts, int64_t end)
    {
        (void)video, (void)pts, (void)end;
    }

private:
    enum class Drain { None, Video, Audio, Done };

    static int Interrupt(void* opaque);
    void NoteFurthest();
    bool ShortOfItsSize() const;

    int ReceiveFrom(AVCodecContext* decoder, const AVFrame** unit);
    int HandPicture(const AVFrame** unit);
    int HandSound(const AVFrame** unit);
    bool PrepareScaler(int width, int height, int format);
    bool PrepareResampler(int sampleFormat, int channels, int sampleRate);
    int TransSample(const AVFrame* in, AVFrame* out);
    void UpdatePosition(const AVPacket* packet, const AVStream* stream);
    void ReportPacketTime(const AVPacket* packet, const AVStream* stream);
    void TakePictureTime(const AVFrame* picture);
    void FreeConverters();

    bool m_bOpen = false;
    char m_szPath[kPathFieldBytes] = {};
    std::function<bool()> m_stop;
    bool m_bNetwork = false;
    bool m_bReading = false;   // opened: the minimum rate applies from now on
    int64_t m_llOpenDeadline = 0;
    CRateFloor m_rate;
    int64_t m_llFurthest = 0;  // the furthest byte position the input reached
    bool m_bBrokeOff = false;
    bool m_bTooSlow = false;   // the minimum rate was not kept: the input is cut
    AVFormatContext* m_pFormatCtx = nullptr;
    int m_nVideoIndex = -1;
    int m_nAudioIndex = -1;
    AVCodecContext* m_pVideoDecoder = nullptr;
    AVCodecContext* m_pAudioDecoder = nullptr;
    AVStream* m_pVideoStream = nullptr;
    AVStream* m_pAudioStream = nullptr;
    int64_t m_llStartTime = -1;
    int64_t m_llPosition = 0;
    int64_t m_llPictureTime = kNoMediaTime;
    int64_t m_llPictureDuration = 0;

    int m_nOutPixelFormat = 0, m_nOutWidth = 80, m_nOutHeight = 60;
    int m_nOutChannels = 2, m_nOutSampleRate = 48000, m_nOutSampleFormat = 1;  // S16
    int m_nInPixelFormat = 0, m_nInWidth = 720, m_nInHeight = 576;
    int m_nInChannels = 2, m_nInSampleRate = 48000, m_nInSampleFormat = 1;

    // The converters follow the form of the frames actually decoded, so a stream that changes
    // picture size or sound layout midway is converted, not misread.
    SwsContext* m_pSwsCtx = nullptr;
    int m_nSwsWidth = 0, m_nSwsHeight = 0, m_nSwsFormat = -1;
    SwrContext* m_pSwrCtx = nullptr;
    int m_nSwrFormat = -1, m_nSwrChannels = 0, m_nSwrRate = 0;

    AVFrame* m_pFrame = nullptr;         // decoder output, reused
    AVFrame* m_pPicture = nullptr;       // converted picture, reused
    AVFrame* m_pSound = nullptr;         // converted sound, reused (buffer grows as needed)
    int m_nSoundCapacity = 0;
    AVPacket* m_pPacket = nullptr;

    AVCodecContext* m_pPending = nullptr;  // decoder that may still hold frames of its last packet
    Drain m_drain = Drain::None;
};

}  // namespace quarvik
