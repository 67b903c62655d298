#pragma once
// A splitter bar between sibling windows. A bar narrower than tall moves sideways, otherwise up and
// down. Dragging shows a tracking line clamped to the range; on release the bar moves there and
// Moved reports the distance, new centre minus the centre at press. The bar moves only itself:
// the parent lays out its other children from the reported distance (ChangeWidth and kin).
#include "BrindleExport.h"

#include <QPointer>
#include <QWidget>

class BRINDLE_EXPORT CMySplitWnd : public QWidget {
    Q_OBJECT
public:
    // rect in the parent's coordinates; the range starts as the bar's centre only.
    CMySplitWnd(const QRect& rect, QWidget* parent, int id = 0);

    bool IsVertical() const { return m_vertical; }
    int Id() const { return m_id; }
    // The centre of the bar along its direction of movement, in the parent's coordinates.
    int Centre() const;

    void SetRange(int min, int max);
    // centre - below .. centre + above; a negative centre means the bar's current centre.
    void SetRange(int below, int above, int centre);
    int RangeMin() const { return m_min; }
    int RangeMax() const { return m_max; }

    // Layout helpers for the parent. how: 1 moves the right (bottom) edge by d, 2 moves the left
    // (top) edge by -d, 5 shifts the window by d.
    static void ChangeWidth(QWidget* window, int d, int how);
    static void ChangeHeight(QWidget* window, int d, int how);
    static void ChangePos(QWidget* window, int dx, int dy);

signals:
    void Moved(int id, int distance);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int Clamped(QPointF localPos) const;
    void PlaceLine(int pos);

    bool m_vertical;
    int m_id;
    int m_min, m_max;
    int m_start = 0;
    QPointer<QWidget> m_line;  // the tracking line, a child of the parent above its siblings
};
