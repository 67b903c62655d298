#pragma once
// CMyMemDC: drawing off screen. It paints into a picture of one rectangle of the target (in the
// target's coordinates) and puts the finished picture on the target when it goes out of scope, so
// a drawing made of many parts appears at once and nothing spills outside the rectangle.
// CMyGraph: a strip chart of the last values added (a level over time), the newest on the right.
#include "BrindleExport.h"

#include <QColor>
#include <QList>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

class BRINDLE_EXPORT CMyMemDC : public QPainter {
public:
    // target must outlive this painter; the picture starts filled with back.
    CMyMemDC(QPainter* target, const QRect& rect, const QColor& back);
    ~CMyMemDC();
    CMyMemDC(const CMyMemDC&) = delete;
    CMyMemDC& operator=(const CMyMemDC&) = delete;

private:
    QPainter* m_target;
    QRect m_rect;
    QPixmap m_picture;
};

class BRINDLE_EXPORT CMyGraph : public QWidget {
    Q_OBJECT
public:
    explicit CMyGraph(QWidget* parent = nullptr);
    // Values outside the range are drawn at its edge (and kept so).
    void SetRange(double min, double max);
    // How many values the chart keeps; older ones drop off the left.
    void SetCapacity(int count);
    // A value that is not a number is ignored.
    void AddPoint(double value);
    void Clear();
    const QList<double>& Points() const { return m_points; }
    void SetLineColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<double> m_points;
    double m_min = 0, m_max = 100;
    int m_capacity = 100;
    QColor m_line;
};
