// The decoding interface that the check engine and the thumbnail grabbers pull units from.
#pragma once

struct AVFrame;

namespace quarvik {

// What ReadFrame handed on.
enum ReadResult : int {
    kReadEnd = -1,      // end of input (or a read error), every decoder drained
    kReadNothing = 0,   // nothing to hand on this time (a damaged packet, another stream, ...)
    kReadPicture = 1,   // a picture unit
    kReadSound = 2,     // a sound unit
};

class CCaptureBase {
public:
    virtual bool Open(const char* path) = 0;
    virtual bool Close() = 0;
    virtual bool GetAudioFormat(int& sampleFormat, int& channels, int& sampleRate) = 0;
    virtual bool GetVideoFormat(int& pixelFormat, int& width, int& height) = 0;
    virtual bool Start() = 0;
    virtual bool Stop() = 0;
    // The unit stays owned by the capture object and valid until the next ReadFrame or Close.
    virtual int ReadFrame(const AVFrame** unit) = 0;

protected:
    ~CCaptureBase() = default;
};

}  // namespace quarvik
