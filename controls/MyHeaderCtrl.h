#pragma once
// The header of CMyListCtrl: titles (128, 128, 128) on (51, 51, 51).
#include "BrindleExport.h"

#include <QHeaderView>

class BRINDLE_EXPORT CMyHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CMyHeaderCtrl(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void paintEvent(QPaintEvent* event) override;
};
