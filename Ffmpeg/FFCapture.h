// CFFCapture: opens one file or stream address with FFmpeg, picks one video and one audio
// stream (or every audio stream, see SetAllSoundTracks) and hands decoded units on in one fixed
// form: pictures as BGR24 of the size asked for with SetVideoOut (rows top-down, no gaps), sound
// as interleaved S16 at 48 000 Hz, stereo or in each track's own channels.
//
// Calling order: Open -> SetAudioOut -> SetVideoOut -> ReadFrame until kReadEnd -> Close.
// One packet may give several frames; ReadFrame hands them on one per call. At the end of the
// input the decoders are drained, so the last pictures and sound they hold are handed on too.
// Not thread-safe: one thread owns the object.
#pragma once

#include "CaptureBase.h"
#include "MaterialClock.h"
#include "NetBounds.h"
#include "TextField.h"

#include <atomic>
#include <cstdint>
#include <vector>
#include <functional>

struct AVChannelLayout;
struct AVCodecContext;
struct AVFormatContext;
struct AVPacket;
struct AVStream;
struct SwrContext;
struct SwsContext;

namespace quarvik {

// The scaler picks one source line for each of the outRows lines it makes and reads it at points
// across its whole width, one memory fetch after another, from a picture the decoder wrote a
// while ago. Asking for those lines beforehand lets the fetches run side by side: the scaling
// then costs about half as much.
void PrefetchRowsToScale(const AVFrame* in, int outRows);

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

    // Before Open: open every audio stream (a track), not only the first, and hand the sound of
    // each on in its own channels, unmixed (SetAudioOut then keeps the channel count).
    void SetAllSoundTracks(bool all) { m_bAllSoundTracks = all; }
    // Sound out as 48 000 Hz, S16, 2 channels (or each track's own); false when the resampler
    // cannot be set up.
    bool SetAudioOut();
    // Tracks opened, in stream order; the first is the one GetAudioFormat describes.
    int SoundTrackCount() const { return static_cast<int>(m_tracks.size()); }
    // The track (from 0) of the sound unit last handed on.
    int SoundTrack() const { return m_nSoundTrack; }
    // The channel layout a track was opened with (positions may be unknown).
    const AVChannelLayout* SoundTrackLayout(int track) const;
    int SoundTrackRate(int track) const;
    // Pictures out as BGR24 of this size; false when the scaler cannot be created.
    bool SetVideoOut(int width, int height);

    bool IsOpen() const { return m_bOpen; }
    bool HasVideo() const { return m_nVideoIndex >= 0; }
    bool HasAudio() const { return !m_tracks.empty(); }
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
    // The container states the input's duration (or FFmpeg read it from the timestamps at the
    // input's end); false when it is only estimated from the bit rate, or unknown.
    bool DurationDeclared() const;
    // The material's frame rate (25/1 without a video stream) and the start time code its
    // container or one of its streams carries (the "timecode" tag; MXF and MOV have one).
    MaterialClock Clock() const;
    // The picture last handed on was decoded with errors (corrupt or missing slices, missing
    // references, concealment, or errors its decoder logged meanwhile). Only after the video
    // stream gave a clean key picture: a stream joined midway begins with pictures that cannot
    // be whole, and they are no damage.
    bool PictureDamaged() const { return m_bPictureDamaged; }

protected:
    // Called by ReadFrame for every packet of a chosen stream, before it is decoded: pts is its
    // presentation time (kNoMediaTime when it has none), end the time it reaches (presentation
    // or decoding time plus duration). Microseconds, one clock for all streams.
    virtual void OnPacketTime(bool video, int64_t pts, int64_t end)
    {
        (void)video, (void)pts, (void)end;
    }
    // Called by ReadFrame when a unit of a chosen stream could not be decoded cleanly, once
    // that stream gave a clean unit (see PictureDamaged): a packet marked damaged by its
    // demuxer or refused by its decoder, a decoding error, or a sound unit decoded with
    // errors. time and end bound it on the clock of OnPacketTime (kNoMediaTime: unknown). A
    // damaged picture is told through PictureDamaged instead.
    virtual void OnDamage(bool video, int64_t time, int64_t end)
    {
        (void)video, (void)time, (void)end;
    }

private:
    enum class Drain { None, Video, Audio, Done };

    // One audio stream with its decoder and its converter to the output form.
    struct SoundTrack_t {
        int nIndex = -1;
        AVStream* pStream = nullptr;
        AVCodecContext* pDecoder = nullptr;
        SwrContext* pSwrCtx = nullptr;
        int nSwrFormat = -1, nSwrChannels = 0, nSwrRate = 0;
        AVFrame* pSound = nullptr;  // converted sound, reused (buffer grows as needed)
        int nSoundCapacity = 0;
    };
    static int Interrupt(void* opaque);
    void NoteFurthest();
    bool ShortOfItsSize() const;

    int ReceiveFrom(AVCodecContext* decoder, const AVFrame** unit);
    int HandPicture(const AVFrame** unit);
    int HandSound(SoundTrack_t& track, const AVFrame** unit);
    bool PrepareScaler(int width, int height, int format);
    bool PrepareResampler(SoundTrack_t& track, int sampleFormat, int channels, int sampleRate);
    int TransSample(SoundTrack_t& track, const AVFrame* in, AVFrame* out);
    int OpenSoundTrack(AVStream* stream, int index);
    int TrackOfStream(int streamIndex) const;
    void UpdatePosition(const AVPacket* packet, const AVStream* stream);
    void ReportPacketTime(const AVPacket* packet, const AVStream* stream);
    void ReportDamage(bool video);
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
    AVCodecContext* m_pVideoDecoder = nullptr;
    AVStream* m_pVideoStream = nullptr;
    bool m_bAllSoundTracks = false;
    std::vector<SoundTrack_t> m_tracks;  // the first is the programme's
    int m_nSoundTrack = 0;
    int m_nPendingTrack = -1;            // track of m_pPending, -1 for the video decoder
    size_t m_nDrainTrack = 0;
    int64_t m_llStartTime = -1;
    int64_t m_llPosition = 0;
    int64_t m_llPictureTime = kNoMediaTime;
    int64_t m_llPictureDuration = 0;
    // Damage tracking: whether each stream gave a clean unit yet, and the span of the last
    // packet sent to each decoder (the place of a decoding error).
    bool m_bCleanPicture = false, m_bCleanSound = false;
    bool m_bPictureDamaged = false;
    int m_nCleanRun = 0;  // clean pictures in a row
    // Errors the decoders logged (counted on their threads), and how many were seen so far.
    std::atomic<int> m_videoErrors{0}, m_audioErrors{0};
    int m_nVideoErrorsSeen = 0, m_nAudioErrorsSeen = 0;
    int64_t m_llVideoPacket[2] = {kNoMediaTime, kNoMediaTime};
    int64_t m_llAudioPacket[2] = {kNoMediaTime, kNoMediaTime};

    int m_nOutPixelFormat = 0, m_nOutWidth = 80, m_nOutHeight = 60;
    int m_nOutChannels = 2, m_nOutSampleRate = 48000, m_nOutSampleFormat = 1;  // S16
    int m_nInPixelFormat = 0, m_nInWidth = 720, m_nInHeight = 576;
    int m_nInChannels = 2, m_nInSampleRate = 48000, m_nInSampleFormat = 1;

    // The converters follow the form of the frames actually decoded, so a stream that changes
    // picture size or sound layout midway is converted, not misread.
    SwsContext* m_pSwsCtx = nullptr;
    int m_nSwsWidth = 0, m_nSwsHeight = 0, m_nSwsFormat = -1;

    AVFrame* m_pFrame = nullptr;         // decoder output, reused
    AVFrame* m_pPicture = nullptr;       // converted picture, reused
    AVPacket* m_pPacket = nullptr;

    AVCodecContext* m_pPending = nullptr;  // decoder that may still hold frames of its last packet
    Drain m_drain = Drain::None;
};

}  // namespace quarvik
