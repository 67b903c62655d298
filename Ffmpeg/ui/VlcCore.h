#pragma once
// One libvlc instance and one media player drawing into a native widget: what the preview player
// and the embedded player share.
//
// Threads: create, use and destroy it on the GUI thread. libvlc reports its media-player events on
// its own threads; they are handed to the GUI thread (queued) and reach the event handler there,
// never while a libvlc call of this object runs. Events of a player that has since been released
// (another Open, Release, destruction) are dropped.
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QObject;
class QWidget;
struct libvlc_instance_t;
struct libvlc_media_t;
struct libvlc_media_player_t;

class CVlcCore {
public:
    // The events reported, with libvlc's numbers.
    enum Event { kPlaying = 260, kStopped = 262, kEndReached = 265, kError = 266 };

    // The instance arguments: "-v", "-I", "dummy", "--file-caching=300", "--ignore-config", then the
    // extra ones. Extra arguments come from QUARVIK_VLC_ARGS (separated by spaces) when it is set;
    // otherwise, when the windows have no X display to draw into (offscreen, Wayland), dummy video
    // and sound outputs.
    static QStringList InstanceArguments();
    // A local path or a URL ("scheme://..."), as libvlc is to open it.
    static bool IsLocation(const QString& address);

    CVlcCore();
    ~CVlcCore();
    CVlcCore(const CVlcCore&) = delete;
    CVlcCore& operator=(const CVlcCore&) = delete;

    // False when libvlc could not start (no plugins found): nothing plays then.
    bool IsValid() const { return m_instance != nullptr; }
    // Called on the GUI thread with one of the events above.
    void SetEventHandler(std::function<void(int)> handler) { m_handler = std::move(handler); }

    // Releases the current player and media, then opens the address in a new player that draws
    // into the video widget (a native window of it) and reports its events. Does not start it.
    // False for an empty address or when libvlc refuses it.
    bool Open(const QString& address, QWidget* video);
    // Stops and releases the player and its media; afterwards HasPlayer() is false.
    void Release();
    bool HasPlayer() const { return m_player != nullptr; }

    // Plays the media, from the start again when the player had reached its end.
    bool Start();
    void Pause();
    void Stop();
    // Playing in the strict sense: not opening, buffering, paused, stopped or ended.
    bool IsPlaying() const;
    // Opening, buffering, playing or paused: a playback is under way.
    bool IsActive() const;
    bool IsPaused() const;
    // The position as a fraction of the length (0 to 1), and the playing time in milliseconds.
    float Position() const;
    void SetPosition(float position);
    qint64 TimeMs() const;

private:
    struct Link;
    static void OnVlcEvent(const struct libvlc_event_t* event, void* data);
    void Attach(bool attach);

    libvlc_instance_t* m_instance = nullptr;
    libvlc_media_t* m_media = nullptr;
    libvlc_media_player_t* m_player = nullptr;
    std::unique_ptr<Link> m_link;
    // Lives on the GUI thread: queued events go through it and die with it.
    std::unique_ptr<QObject> m_receiver;
    quint64 m_generation = 0;
    // Start was called on the current player.
    bool m_started = false;
    std::function<void(int)> m_handler;
};
