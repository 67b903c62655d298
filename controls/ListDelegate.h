#pragma once
// Draws every cell of CMyListCtrl and opens its in-place editors. Internal to the library.
#include <QStyledItemDelegate>

class CMyListCtrl;

namespace brindle {

// Per-row values live on the row's column-0 item under these roles.
enum ListRole : int {
    kRowTextRole = Qt::UserRole + 1,
    kRowBackRole,
    kCheckRole,
    kImageRole,  // on every cell: index into the image list (column 0) or sub-image list
    kItemDataRole,
};

// The check-box square of a row's first cell.
QRect CheckSquare(const QRect& cell);

class ListDelegate : public QStyledItemDelegate {
public:
    explicit ListDelegate(CMyListCtrl* list);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The editor of the column's edit type; none for type 0.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // Right of the check box, which stays visible and clickable.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    bool checkBoxes = false;

private:
    CMyListCtrl* m_list;
};

}  // namespace brindle
