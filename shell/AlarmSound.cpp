#include "AlarmSound.h"

#include "AlertLight.h"

#include <QApplication>

#ifdef QUARVIK_HAVE_MULTIMEDIA
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QDir>
#include <QTemporaryFile>
#include <QUrl>
#endif

struct CAlarmSound::Impl {
#ifdef QUARVIK_HAVE_MULTIMEDIA
    QTemporaryFile file{QDir::tempPath() + QStringLiteral("/quarvik-alarm-XXXXXX.wav")};
    std::unique_ptr<QSoundEffect> effect;
#endif
    bool ready = false;
};

CAlarmSound::CAlarmSound(QObject* parent) : QObject(parent), m_impl(std::make_unique<Impl>()) {
#ifdef QUARVIK_HAVE_MULTIMEDIA
    if (QMediaDevices::audioOutputs().isEmpty()) return;
    if (!m_impl->file.open()) return;
    const QByteArray wave = AlarmWave();
    if (m_impl->file.write(wave) != wave.size() || !m_impl->file.flush()) return;
    m_impl->file.close();
    m_impl->effect = std::make_unique<QSoundEffect>();
    m_impl->effect->setSource(QUrl::fromLocalFile(m_impl->file.fileName()));
    m_impl->effect->setLoopCount(QSoundEffect::Infinite);
    connect(m_impl->effect.get(), &QSoundEffect::statusChanged, this, [this] {
        if (m_impl->effect->status() == QSoundEffect::Error) {
            m_impl->ready = false;
            if (m_playing) QApplication::beep();
        }
    });
    m_impl->ready = true;
#endif
}

CAlarmSound::~CAlarmSound() { Stop(); }

void CAlarmSound::Play() {
    if (m_playing) return;
    m_playing = true;
#ifdef QUARVIK_HAVE_MULTIMEDIA
    if (m_impl->ready && m_impl->effect) {
        m_impl->effect->play();
        return;
    }
#endif
    QApplication::beep();
}

void CAlarmSound::Stop() {
    if (!m_playing) return;
    m_playing = false;
#ifdef QUARVIK_HAVE_MULTIMEDIA
    if (m_impl->effect) m_impl->effect->stop();
#endif
}
