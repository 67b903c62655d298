#pragma once
// The looping alarm of the alert light. With Qt Multimedia and an audio output it plays the
// tone of AlarmWave() from a temporary file; otherwise it rings the system bell once.
#include <QObject>

#include <memory>

class CAlarmSound : public QObject {
    Q_OBJECT
public:
    explicit CAlarmSound(QObject* parent = nullptr);
    ~CAlarmSound() override;

    void Play();
    void Stop();
    bool IsPlaying() const { return m_playing; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_playing = false;
};
