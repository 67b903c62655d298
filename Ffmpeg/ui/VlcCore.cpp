#include "VlcCore.h"

#include <QGuiApplication>
#include <QObject>
#include <QRegularExpression>
#include <QWidget>

#include <vlc/vlc.h>

#include <cstdio>
#include <vector>

namespace {
constexpr libvlc_event_e kEvents[] = {libvlc_MediaPlayerPlaying, libvlc_MediaPlayerStopped,
                                      libvlc_MediaPlayerEndReached, libvlc_MediaPlayerEncounteredError};
static_assert(int(libvlc_MediaPlayerPlaying) == CVlcCore::kPlaying && int(libvlc_MediaPlayerStopped) == CVlcCore::kStopped &&
              int(libvlc_MediaPlayerEndReached) == CVlcCore::kEndReached &&
              int(libvlc_MediaPlayerEncounteredError) == CVlcCore::kError);

bool DrawsIntoX() { return QGuiApplication::platformName() == QLatin1String("xcb"); }
}  // namespace

// What a libvlc callback needs: whom to tell and which player it was.
struct CVlcCore::Link {
    CVlcCore* core;
    quint64 generation;
    QObject* receiver;
};

QStringList CVlcCore::InstanceArguments() {
    // The system's plugins are found without a plugin path; the program brings none of its own.
    QStringList args{"-v", "-I", "dummy", "--file-caching=300", "--ignore-config"};
    if (qEnvironmentVariableIsSet("QUARVIK_VLC_ARGS"))
        args += qEnvironmentVariable("QUARVIK_VLC_ARGS").split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    else if (!DrawsIntoX())
        args += QStringList{"--vout=dummy", "--aout=dummy"};
    return args;
}

bool CVlcCore::IsLocation(const QString& address) {
    static const QRegularExpression scheme("^[A-Za-z][A-Za-z0-9+.-]*://");
    return scheme.match(address).hasMatch();
}

CVlcCore::CVlcCore() : m_receiver(std::make_unique<QObject>()) {
    const QStringList args = InstanceArguments();
    std::vector<QByteArray> bytes;
    for (const QString& a : args) bytes.push_back(a.toUtf8());
    std::vector<const char*> argv;
    for (const QByteArray& b : bytes) argv.push_back(b.constData());
    m_instance = libvlc_new(static_cast<int>(argv.size()), argv.data());
    if (!m_instance) std::fprintf(stderr, "libvlc: could not create an instance\n");
}

CVlcCore::~CVlcCore() {
    Release();
    if (m_instance) libvlc_release(m_instance);
}

void CVlcCore::Attach(bool attach) {
    libvlc_event_manager_t* events = libvlc_media_player_event_manager(m_player);
    for (libvlc_event_e e : kEvents) {
        if (attach)
            libvlc_event_attach(events, e, &CVlcCore::OnVlcEvent, m_link.get());
        else
            libvlc_event_detach(events, e, &CVlcCore::OnVlcEvent, m_link.get());
    }
}

void CVlcCore::OnVlcEvent(const libvlc_event_t* event, void* data) {
    // On a libvlc thread: read only the link, which outlives the player it belongs to.
    const Link* link = static_cast<const Link*>(data);
    const int type = event->type;
    CVlcCore* core = link->core;
    const quint64 generation = link->generation;
    QMetaObject::invokeMethod(
        link->receiver,
        [core, generation, type] {
            if (core->m_generation == generation && core->m_player && core->m_handler) core->m_handler(type);
        },
        Qt::QueuedConnection);
}

bool CVlcCore::Open(const QString& address, QWidget* video) {
    Release();
    if (!m_instance || address.isEmpty()) return false;
    const QByteArray utf8 = address.toUtf8();
    m_media = IsLocation(address) ? libvlc_media_new_location(m_instance, utf8.constData())
                                  : libvlc_media_new_path(m_instance, utf8.constData());
    if (!m_media) return false;
    m_player = libvlc_media_player_new_from_media(m_media);
    if (!m_player) {
        libvlc_media_release(m_media);
        m_media = nullptr;
        return false;
    }
    if (video && DrawsIntoX()) libvlc_media_player_set_xwindow(m_player, static_cast<uint32_t>(video->winId()));
    m_link = std::make_unique<Link>(Link{this, ++m_generation, m_receiver.get()});
    Attach(true);
    return true;
}

void CVlcCore::Release() {
    if (m_player) {
        Attach(false);
        // Stopping waits for libvlc's threads, so no callback runs on the link afterwards.
        libvlc_media_player_stop(m_player);
        libvlc_media_player_release(m_player);
        m_player = nullptr;
    }
    if (m_media) {
        libvlc_media_release(m_media);
        m_media = nullptr;
    }
    m_link.reset();
    m_started = false;
    ++m_generation;
}

bool CVlcCore::Start() {
    if (!m_player) return false;
    // A player that reached the end (or failed) keeps its finished input, and play would only
    // resume that: it has to be stopped before it plays again, from the start.
    const libvlc_state_t state = libvlc_media_player_get_state(m_player);
    if (state == libvlc_Ended || state == libvlc_Error) libvlc_media_player_stop(m_player);
    if (libvlc_media_player_play(m_player) != 0) return false;
    m_started = true;
    return true;
}

void CVlcCore::Pause() {
    if (m_player) libvlc_media_player_set_pause(m_player, 1);
}

void CVlcCore::Stop() {
    if (m_player) libvlc_media_player_stop(m_player);
}

bool CVlcCore::IsPlaying() const { return m_player && libvlc_media_player_get_state(m_player) == libvlc_Playing; }

bool CVlcCore::IsActive() const {
    if (!m_player) return false;
    switch (libvlc_media_player_get_state(m_player)) {
    case libvlc_Opening:
    case libvlc_Buffering:
    case libvlc_Playing:
    case libvlc_Paused: return true;
    // libvlc opens asynchronously: a new player reports nothing until its input runs.
    case libvlc_NothingSpecial: return m_started;
    default: return false;
    }
}

bool CVlcCore::IsPaused() const { return m_player && libvlc_media_player_get_state(m_player) == libvlc_Paused; }

float CVlcCore::Position() const { return m_player ? qMax(0.0f, libvlc_media_player_get_position(m_player)) : 0.0f; }

void CVlcCore::SetPosition(float position) {
    if (m_player) libvlc_media_player_set_position(m_player, qBound(0.0f, position, 1.0f));
}

qint64 CVlcCore::TimeMs() const { return m_player ? qMax<qint64>(0, libvlc_media_player_get_time(m_player)) : 0; }
