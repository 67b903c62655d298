#pragma once
// The preview's player: one libvlc instance and media player drawing into the preview's video
// area. The owner hears of playing (0), stopped or ended (1) and errors (2) on the GUI thread.
// Used on the GUI thread only.
#include <QString>

#include <functional>
#include <memory>

class CVlcCore;
class QWidget;

class CVlcPlayer {
public:
    enum Report { kReportPlaying = 0, kReportStopped = 1, kReportError = 2 };

    // video: the widget the pictures go into; it must outlive the player.
    explicit CVlcPlayer(QWidget* video);
    ~CVlcPlayer();

    void SetReportFn(std::function<void(int report)> fn) { m_report = std::move(fn); }

    // Replaces the material with the path and starts playing it. False for an empty path or one
    // libvlc refuses; a path that cannot be played is reported as an error later.
    bool Open(const QString& path);
    // When a player exists and is not playing: starts it. True when it already played or started.
    bool Play();
    void Pause();
    void Stop();

    bool HasPlayer() const;
    bool IsPlaying() const;
    bool IsPaused() const { return m_paused; }
    float Position() const;
    void SetPosition(float position);
    qint64 TimeMs() const;
    // How many times material was opened: a seek within the same material does not open it.
    int OpenCount() const { return m_opened; }

private:
    std::unique_ptr<CVlcCore> m_vlc;
    QWidget* m_video;
    bool m_paused = false;
    int m_opened = 0;
    std::function<void(int)> m_report;
};
