#pragma once
// What a frameless Brindle window needs besides its caption: the border it paints and the edges
// by which it is resized. CMyFrameWnd and CMyPopDialog own one and forward their events to it;
// the window's layout lives inside the margins the chrome sets.
#include "CaptionBar.h"

#include <QColor>

class QMouseEvent;
class QPainter;

namespace brindle {

class FrameChrome {
public:
    FrameChrome(QWidget* window, int buttons);

    CCaptionBar* Caption() const { return m_caption; }
    void SetBorder(int width, const QColor& colour);
    int BorderWidth() const { return m_border; }

    void Resized();               // from the window's resizeEvent
    void Paint(QPainter& p);      // from the window's paintEvent, after its background
    // From the window's mouse handlers; true when the chrome took the event.
    bool MousePress(QMouseEvent* event);
    bool MouseMove(QMouseEvent* event);
    void MouseRelease();

private:
    Qt::Edges EdgesAt(QPoint pos) const;
    void ApplyMargins();

    QWidget* m_window;
    CCaptionBar* m_caption;
    int m_border = 4;
    QColor m_borderColour{0, 0, 0};
    // A manual resize where the platform offers no system resize.
    Qt::Edges m_resizing;
    QPoint m_pressGlobal;
    QRect m_pressGeometry;
};

}  // namespace brindle
