#pragma once
// The embedded player: plays one media address (a local path or a URL such as ftp://...) with
// picture and sound inside a given widget, through libvlc. Used on the GUI thread only. The
// widget must outlive the playback: Close (or destroy the player) before the widget goes.
#include <QString>

#include <memory>

class CVlcCore;
class QWidget;

class CFFPlayer {
public:
    CFFPlayer();
    ~CFFPlayer();
    // Stops a playback that runs, then plays the address in the window. False for an empty address
    // or when the address cannot be opened; errors found later end the playback (IsPlaying false).
    bool Play(QWidget* window, const QString& address);
    // Ends the playback, if any. Never ends the process.
    void Close();
    // A playback is opening, playing or paused.
    bool IsPlaying() const;

private:
    // libvlc starts on the first Play: a dialog that never plays costs nothing.
    std::unique_ptr<CVlcCore> m_vlc;
};
