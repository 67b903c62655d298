#pragma once
// The fault timeline: a thin bar that shows where a result's fault events lie in its material
// (orange spans over a green bar; grey while the length is unknown) and where playback is (a blue
// cursor). A click asks the owner to seek there; the cursor moves only when the owner did.
// Hovering over a span names its events (kind, channel) and their times.
// The bar is drawn into an image first, so it never flickers while the cursor moves.
#include "TaskRecords.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class CWndGraph : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNoCursor = -1;
    // The owner's answer to a click: percent is where the operator clicked, cursor where the
    // cursor stands. Non-zero means the owner has sought there.
    using SeekFn = std::function<int(int percent, int cursor)>;

    explicit CWndGraph(QWidget* parent = nullptr);

    // With a result: a copy of it and the spans of its fault events from task.db; null clears
    // both. The cursor goes to 0 either way.
    void SetResult(const quarvik::ResultInfo_t* result);
    // For an owner that learns the spans as they are found (the check monitor): the length of
    // the material in frames (0: unknown) and one more span with its event's name.
    void SetFrameCount(int32_t frames);
    void AppendSpan(uint32_t begin, uint32_t end, const QString& name = {});

    const quarvik::ResultInfo_t& Result() const { return m_result; }
    const std::vector<uint32_t>& Begins() const { return m_begins; }
    const std::vector<uint32_t>& Ends() const { return m_ends; }
    // The tip at x: one line per event whose span covers it ("静音 音轨3  00:00:12.00 - 00:00:22.00"),
    // empty where there is none.
    QString TipAt(int x) const;

    // Percent 0-100, or kNoCursor.
    int Cursor() const { return m_cursor; }
    void SetCursor(int percent);
    void SetSeekFn(SeekFn fn) { m_seek = std::move(fn); }

    // The bar as painted at its current size: (width + 1) x (height + 1).
    QImage Render() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    quarvik::ResultInfo_t m_result{};
    std::vector<uint32_t> m_begins, m_ends;
    std::vector<QString> m_names;
    int m_cursor = 0;
    SeekFn m_seek;
};
