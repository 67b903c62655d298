#include "VlcPlayer.h"

#include "VlcCore.h"

CVlcPlayer::CVlcPlayer(QWidget* video) : m_vlc(std::make_unique<CVlcCore>()), m_video(video) {
    m_vlc->SetEventHandler([this](int event) {
        if (!m_report) return;
        switch (event) {
        case CVlcCore::kPlaying: m_report(kReportPlaying); break;
        case CVlcCore::kStopped:
        case CVlcCore::kEndReached: m_report(kReportStopped); break;
        case CVlcCore::kError: m_report(kReportError); break;
        default: break;
        }
    });
}

CVlcPlayer::~CVlcPlayer() = default;

bool CVlcPlayer::Open(const QString& path) {
    m_paused = false;
    if (!m_vlc->Open(path, m_video)) return false;
    ++m_opened;
    m_vlc->Start();
    return true;
}

bool CVlcPlayer::Play() {
    if (!m_vlc->HasPlayer()) return false;
    if (m_vlc->IsPlaying()) return true;
    m_paused = false;
    return m_vlc->Start();
}

void CVlcPlayer::Pause() {
    m_vlc->Pause();
    m_paused = m_vlc->HasPlayer();
}

void CVlcPlayer::Stop() {
    m_vlc->Stop();
    m_paused = false;
}

bool CVlcPlayer::HasPlayer() const { return m_vlc->HasPlayer(); }

bool CVlcPlayer::IsPlaying() const { return m_vlc->IsPlaying(); }

float CVlcPlayer::Position() const { return m_vlc->Position(); }

void CVlcPlayer::SetPosition(float position) { m_vlc->SetPosition(position); }

qint64 CVlcPlayer::TimeMs() const { return m_vlc->TimeMs(); }
