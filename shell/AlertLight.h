#pragma once
// The alert light: a red lamp drawn in code whose glow cycles through a few frames on a timer,
// with a looping two-tone alarm while it is lit.
#include <QByteArray>
#include <QTimer>
#include <QWidget>

#include <memory>

class CAlarmSound;

// The alarm tone as a complete WAV file: mono, 16-bit PCM, 22050 Hz, 880 Hz then 660 Hz.
QByteArray AlarmWave();

class CAlertLight : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameCount = 6;
    static constexpr int kFrameMs = 120;

    explicit CAlertLight(QWidget* parent = nullptr);
    ~CAlertLight() override;

    // Starts the animation and the sound, and shows the lamp; Stop undoes all three.
    void Start();
    void Stop();
    bool IsOn() const { return m_on; }

    int Frame() const { return m_frame; }
    // Moves to the next frame, as the timer does.
    void Advance();
    QTimer* Timer() { return &m_timer; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_frame = 0;
    bool m_on = false;
    std::unique_ptr<CAlarmSound> m_sound;
};
