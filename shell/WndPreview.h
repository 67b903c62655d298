#pragma once
// The preview player of the top bar: plays a listed file, or a checked result from a few seconds
// before one of its faults with the result's fault spans on the timeline; a click on the timeline
// seeks. Title line (the display form of the material), black video area, timeline, playing time
// in green and play, pause and stop buttons. Lives on the GUI thread.
#include "MyDialog.h"
#include "TaskRecords.h"

#include <QRect>
#include <QTimer>

#include <memory>

class CGdiplusButton;
class CVlcPlayer;
class CWndGraph;
class QLabel;

class CWndPreview : public CMyDialog {
    Q_OBJECT
public:
    static inline const QColor kTextGreen{0, 192, 0};
    // Playback of a result starts this many frames (5 s) before its fault.
    static constexpr int kLeadFrames = 125;

    struct Geometry {
        QRect title, video, timeline, time, play, pause, stop;
    };
    // Where the parts go at the given size; the time label grows to timeWidth when its font needs it.
    static Geometry LayoutFor(int width, int height, int timeWidth = 0);
    // The frame playback of a result starts at: its play frame less the lead, at least 0.
    static int StartFrame(const quarvik::ResultInfo_t& result);

    explicit CWndPreview(QWidget* parent = nullptr);
    ~CWndPreview() override;

    // Loads and plays the material; with a result, from before its play frame (nPlayFrame) and
    // with its fault spans on the timeline. The same file of the same result only seeks.
    // 1, or 0 when the material did not load.
    int LoadAndPlay(const QString& path, const quarvik::ResultInfo_t* result = nullptr);
    // A listed file asked for by a task pane or the manual check: plays it as it is.
    void PlayFile(const QString& path) { LoadAndPlay(path); }
    // The timeline's seek, percent 0-100: 1 while playing or paused, else 0.
    int SeekTo(int percent);

    // The loaded material, its title as shown, and the result it belongs to (zero when none).
    QString Address() const { return m_path; }
    QString ShownName() const { return m_title; }
    const quarvik::ResultInfo_t& Result() const { return m_result; }
    QString TimeText() const;
    CWndGraph* Timeline() const { return m_timeline; }
    CVlcPlayer* Player() const { return m_player.get(); }
    QWidget* VideoArea() const { return m_video; }
    CGdiplusButton* PlayButton() const { return m_play; }
    CGdiplusButton* PauseButton() const { return m_pause; }
    CGdiplusButton* StopButton() const { return m_stop; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnPlayerReport(int report);
    void OnTick();
    void ApplyPendingStart();

    QWidget* m_video;
    CWndGraph* m_timeline;
    QLabel* m_time;
    CGdiplusButton* m_play;
    CGdiplusButton* m_pause;
    CGdiplusButton* m_stop;
    std::unique_ptr<CVlcPlayer> m_player;
    QTimer m_tick;
    QString m_path;
    QString m_title;
    QRect m_titleRect;
    quarvik::ResultInfo_t m_result{};
    // Where a newly loaded result is to start, as a fraction, until the player runs; < 0: none.
    float m_pendingStart = -1.0f;
};
