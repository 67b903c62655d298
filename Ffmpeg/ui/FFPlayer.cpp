#include "FFPlayer.h"

#include "VlcCore.h"

#include <QWidget>

CFFPlayer::CFFPlayer() = default;

CFFPlayer::~CFFPlayer() { Close(); }

bool CFFPlayer::Play(QWidget* window, const QString& address) {
    if (address.isEmpty()) return false;
    Close();
    if (!m_vlc) m_vlc = std::make_unique<CVlcCore>();
    if (!m_vlc->Open(address, window)) return false;
    if (m_vlc->Start()) return true;
    m_vlc->Release();
    return false;
}

void CFFPlayer::Close() {
    if (m_vlc) m_vlc->Release();
}

bool CFFPlayer::IsPlaying() const { return m_vlc && m_vlc->IsActive(); }
