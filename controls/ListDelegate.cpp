#include "ListDelegate.h"

#include "BrindleColors.h"
#include "ListCellEditors.h"
#include "MyListCtrl.h"

#include <QPainter>

namespace brindle {

QRect CheckSquare(const QRect& cell) {
    const int side = qMax(6, qMin(cell.height(), 20) - 6);
    return QRect(cell.left() + 3, cell.top() + (cell.height() - side) / 2, side, side);
}

ListDelegate::ListDelegate(CMyListCtrl* list) : QStyledItemDelegate(list), m_list(list) {}

void ListDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QModelIndex first = index.siblingAtColumn(0);
    const bool selected = option.state & QStyle::State_Selected;
    const QVariant rowBack = first.data(kRowBackRole);
    const QVariant rowText = first.data(kRowTextRole);
    QRect r = option.rect;
    p->save();
    if (selected)
        p->fillRect(r, option.palette.color(QPalette::Highlight));
    else if (rowBack.isValid())
        p->fillRect(r, rowBack.value<QColor>());
    // else the viewport's own background shows through.

    if (checkBoxes && index.column() == 0) {
        const QRect box = CheckSquare(r);
        p->setPen(kCheckFrame);
        p->drawRect(box.adjusted(0, 0, -1, -1));
        if (first.data(kCheckRole).toBool()) p->fillRect(box.adjusted(2, 2, -2, -2), kCheckFrame);
        r.setLeft(box.right() + 4);
    }
    const QVariant image = index.data(kImageRole);
    if (image.isValid()) {
        const QPixmap pm = m_list->ImageFor(index.column(), image.toInt());
        if (!pm.isNull()) {
            const QSize size = pm.deviceIndependentSize().toSize().boundedTo(r.size());
            p->drawPixmap(QRect(QPoint(r.left() + 2, r.top() + (r.height() - size.height()) / 2), size), pm);
            r.setLeft(r.left() + 2 + size.width() + 2);
        }
    }
    const QColor ink = selected            ? option.palette.color(QPalette::HighlightedText)
                       : rowText.isValid() ? rowText.value<QColor>()
                                           : m_list->TextColour();
    p->setPen(ink);
    p->setFont(option.font);
    const QVariant align = index.model()->headerData(index.column(), Qt::Horizontal, Qt::TextAlignmentRole);
    const Qt::Alignment h = align.isValid() ? Qt::Alignment(align.toInt()) & Qt::AlignHorizontal_Mask : Qt::AlignLeft;
    const QString text = p->fontMetrics().elidedText(index.data().toString(), option.textElideMode, r.width() - 6);
    p->drawText(r.adjusted(3, 0, -3, 0), h | Qt::AlignVCenter | Qt::TextSingleLine, text);

    if (m_list->GridLines()) {
        p->setPen(kGridLine);
        p->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        p->drawLine(option.rect.topRight(), option.rect.bottomRight());
    }
    p->restore();
}

QWidget* ListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    switch (m_list->ColumnEditType(index.column())) {
    case 1:
    case 2:
    case 3: return new CListCellEdit(parent);
    case 4: return new CListCellCombo(m_list->ColumnChoices(index.column()), parent);
    default: return nullptr;
    }
}

void ListDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* combo = qobject_cast<CListCellCombo*>(editor)) combo->SetText(index.data().toString());
    else QStyledItemDelegate::setEditorData(editor, index);
}

void ListDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QRect r = option.rect;
    if (checkBoxes && index.column() == 0) r.setLeft(CheckSquare(r).right() + 4);
    editor->setGeometry(r);
}

}  // namespace brindle
