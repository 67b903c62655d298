#pragma once
// Time and time-code displays and the time-code edit of a broadcast tool. A time code is
// "hh:mm:ss:ff": hours, minutes, seconds and the frame within the second, 25 frames a second
// unless told otherwise.
//   CTimeWnd   a duration, hh:mm:ss
//   CTcWnd     a time code of a frame count
//   CTcWnd2    position and duration: "position / duration", the position kept within the duration
//   CTimeEdit  a time code typed in (hh below 24, two-digit frames: at most 100 a second), as a
//              frame count
#include "BrindleExport.h"
#include "MaskedEdit.h"

#include <QLCDNumber>

namespace brindle {

// "hh:mm:ss:ff" of a frame count (hours as many digits as they need, at least two); a negative
// count shows as zero, fps below 1 counts as 1.
BRINDLE_EXPORT QString TimeCodeText(qint64 frames, int fps = 25);
// The frame count of a time code, -1 when the text is none at fps.
BRINDLE_EXPORT qint64 TimeCodeFrames(const QString& text, int fps = 25);
// "hh:mm:ss" of a number of seconds (negative as zero).
BRINDLE_EXPORT QString DurationText(qint64 seconds);

}  // namespace brindle

class BRINDLE_EXPORT CTimeWnd : public QLCDNumber {
    Q_OBJECT
public:
    explicit CTimeWnd(QWidget* parent = nullptr);
    void SetSeconds(qint64 seconds);
    qint64 GetSeconds() const { return m_seconds; }
    QString GetText() const { return brindle::DurationText(m_seconds); }

private:
    qint64 m_seconds = 0;
};

class BRINDLE_EXPORT CTcWnd : public QLCDNumber {
    Q_OBJECT
public:
    explicit CTcWnd(QWidget* parent = nullptr, int fps = 25);
    void SetFrames(qint64 frames);
    qint64 GetFrames() const { return m_frames; }
    void SetFps(int fps);
    int Fps() const { return m_fps; }
    QString GetText() const { return brindle::TimeCodeText(m_frames, m_fps); }

private:
    void Show();
    qint64 m_frames = 0;
    int m_fps;
};

class BRINDLE_EXPORT CTcWnd2 : public QWidget {
    Q_OBJECT
public:
    explicit CTcWnd2(QWidget* parent = nullptr, int fps = 25);
    // A shorter duration pulls the position back to it.
    void SetDuration(qint64 frames);
    void SetPosition(qint64 frames);
    qint64 GetPosition() const { return m_position->GetFrames(); }
    qint64 GetDuration() const { return m_duration->GetFrames(); }
    QString GetText() const;

private:
    CTcWnd* m_position;
    CTcWnd* m_duration;
};

class BRINDLE_EXPORT CTimeEdit : public CAMSEdit {
    Q_OBJECT
public:
    explicit CTimeEdit(QWidget* parent = nullptr, int fps = 25);
    // Frames within a day; beyond it the last frame of the day.
    void SetFrames(qint64 frames);
    // -1 while the time code is incomplete.
    qint64 GetFrames() const;

private:
    int m_fps;
};
