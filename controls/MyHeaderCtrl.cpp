#include "MyHeaderCtrl.h"

#include "BrindleColors.h"

#include <QPainter>

CMyHeaderCtrl::CMyHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CMyHeaderCtrl::paintEvent(QPaintEvent* event) {
    // The part right of the last section belongs to the header too.
    QPainter(viewport()).fillRect(viewport()->rect(), brindle::kHeaderBack);
    QHeaderView::paintEvent(event);
}

void CMyHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    painter->fillRect(rect, brindle::kHeaderBack);
    painter->setPen(brindle::kGridLine);
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->setPen(brindle::kHeaderText);
    const auto align = model() ? model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt() : 0;
    const QString title = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    painter->drawText(rect.adjusted(4, 0, -4, 0),
                      (align ? Qt::Alignment(align) : Qt::AlignLeft) | Qt::AlignVCenter | Qt::TextSingleLine, title);
    painter->restore();
}
