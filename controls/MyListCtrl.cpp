#include "MyListCtrl.h"

#include "BrindleColors.h"
#include "ListDelegate.h"
#include "MyHeaderCtrl.h"

#include <QHeaderView>
#include <QMouseEvent>

using namespace brindle;

CMyListCtrl::CMyListCtrl(QWidget* parent) : QTableWidget(parent), m_text(kListText), m_back(kListBack) {
    setHorizontalHeader(new CMyHeaderCtrl(this));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(false);
    // Cells are edited in place only in columns with an edit type (mouseDoubleClickEvent, EditCell).
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    setFrameShape(QFrame::NoFrame);
    setItemDelegate(new ListDelegate(this));
    SetBkColor(m_back);
    SetItemHeight(20);
}

QTableWidgetItem* CMyListCtrl::Cell(int row, int column) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return nullptr;
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    return cell;
}

int CMyListCtrl::InsertColumn(int index, const QString& title, Qt::Alignment format, int width, int editType,
                              const QStringList& choices, int) {
    index = qBound(0, index, columnCount());
    insertColumn(index);
    auto* head = new QTableWidgetItem(title);
    head->setTextAlignment(format | Qt::AlignVCenter);
    setHorizontalHeaderItem(index, head);
    setColumnWidth(index, width);
    m_columns.insert(index, ColumnInfo{editType, choices});
    return index;
}

bool CMyListCtrl::DeleteColumn(int index) {
    if (index < 0 || index >= columnCount()) return false;
    removeColumn(index);
    m_columns.removeAt(index);
    return true;
}

void CMyListCtrl::WidenColumnsToTitles() {
    const QFontMetrics metrics(horizontalHeader()->font());
    for (int c = 0; c < columnCount(); ++c) {
        const QTableWidgetItem* head = horizontalHeaderItem(c);
        const int needed = head ? metrics.horizontalAdvance(head->text()) + 12 : 0;
        if (columnWidth(c) < needed) setColumnWidth(c, needed);
    }
}

void CMyListCtrl::WidenColumnFor(int column, const QString& sample, int picture) {
    const int needed = picture + fontMetrics().horizontalAdvance(sample) + 12;
    if (columnWidth(column) < needed) setColumnWidth(column, needed);
}

int CMyListCtrl::ColumnEditType(int index) const {
    return index >= 0 && index < m_columns.size() ? m_columns[index].editType : 0;
}

QStringList CMyListCtrl::ColumnChoices(int index) const {
    return index >= 0 && index < m_columns.size() ? m_columns[index].choices : QStringList();
}

bool CMyListCtrl::EditCell(int row, int column) {
    if (row < 0 || row >= rowCount() || ColumnEditType(column) == 0) return false;
    const QModelIndex at = model()->index(row, column);
    setCurrentIndex(at);
    edit(at);
    return CellEditor() != nullptr;
}

QWidget* CMyListCtrl::CellEditor() const {
    return state() == EditingState ? indexWidget(currentIndex()) : nullptr;
}

void CMyListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && at.isValid() && EditCell(at.row(), at.column())) return;
    QTableWidget::mouseDoubleClickEvent(event);
}

void CMyListCtrl::commitData(QWidget* editor) {
    const QModelIndex at = indexAt(editor->geometry().center());
    const QString before = at.data().toString();
    QTableWidget::commitData(editor);
    const QString after = at.data().toString();
    if (after != before) emit CellEdited(at.row(), at.column(), after);
}

int CMyListCtrl::InsertItem(int index, const QString& text, int image) {
    if (index < 0 || columnCount() == 0) return -1;
    index = qMin(index, rowCount());
    insertRow(index);
    QTableWidgetItem* first = Cell(index, 0);
    first->setText(text);
    if (image >= 0) first->setData(kImageRole, image);
    return index;
}

bool CMyListCtrl::SetItemText(int row, int column, const QString& text) {
    QTableWidgetItem* cell = Cell(row, column);
    if (cell) cell->setText(text);
    return cell;
}

QString CMyListCtrl::GetItemText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

bool CMyListCtrl::SetItemImage(int row, int column, int image) {
    QTableWidgetItem* cell = Cell(row, column);
    if (cell) cell->setData(kImageRole, image < 0 ? QVariant() : QVariant(image));
    return cell;
}

int CMyListCtrl::GetItemImage(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    const QVariant v = cell ? cell->data(kImageRole) : QVariant();
    return v.isValid() ? v.toInt() : -1;
}

bool CMyListCtrl::SetItemData(int row, qint64 data) {
    QTableWidgetItem* first = Cell(row, 0);
    if (first) first->setData(kItemDataRole, data);
    return first;
}

qint64 CMyListCtrl::GetItemData(int row) const {
    const QTableWidgetItem* first = item(row, 0);
    return first ? first->data(kItemDataRole).toLongLong() : 0;
}

bool CMyListCtrl::DeleteItem(int row) {
    if (row < 0 || row >= rowCount()) return false;
    removeRow(row);
    return true;
}

void CMyListCtrl::DeleteAllItems() { setRowCount(0); }

void CMyListCtrl::SetItemHeight(int pixels) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(qMax(1, pixels));
}

int CMyListCtrl::ItemHeight() const { return verticalHeader()->defaultSectionSize(); }

void CMyListCtrl::SetImageList(const QList<QPixmap>& images) {
    m_images = images;
    viewport()->update();
}

int CMyListCtrl::AddImage(const QPixmap& image) {
    m_images.append(image);
    return static_cast<int>(m_images.size()) - 1;
}

void CMyListCtrl::SetImage(int index, const QPixmap& image) {
    if (index < 0 || index >= m_images.size()) return;
    m_images[index] = image;
    viewport()->update();
}

void CMyListCtrl::SetSubImageList(const QList<QPixmap>& images) {
    m_subImages = images;
    viewport()->update();
}

QPixmap CMyListCtrl::ImageFor(int column, int image) const {
    const QList<QPixmap>& list = column == 0 ? m_images : m_subImages;
    return image >= 0 && image < list.size() ? list[image] : QPixmap();
}

void CMyListCtrl::SetItemTextColor(int row, const QColor& colour) {
    if (QTableWidgetItem* first = Cell(row, 0)) first->setData(kRowTextRole, colour);
    // Sub-item cells read the row's colour from column 0, so the whole row must repaint.
    if (row >= 0 && row < rowCount()) viewport()->update(visualRect(model()->index(row, 0)).united(
                                           visualRect(model()->index(row, columnCount() - 1))));
}

QColor CMyListCtrl::GetItemTextColor(int row) const {
    const QTableWidgetItem* first = item(row, 0);
    const QVariant v = first ? first->data(kRowTextRole) : QVariant();
    return v.isValid() ? v.value<QColor>() : m_text;
}

void CMyListCtrl::SetItemBkColor(int row, const QColor& colour) {
    if (QTableWidgetItem* first = Cell(row, 0)) first->setData(kRowBackRole, colour);
    viewport()->update();
}

void CMyListCtrl::SetTextColor(const QColor& colour) {
    m_text = colour;
    viewport()->update();
}

void CMyListCtrl::SetBkColor(const QColor& colour) {
    m_back = colour;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
}

void CMyListCtrl::EnableGridLine(bool on) {
    m_grid = on;
    viewport()->update();
}

void CMyListCtrl::EnableCheckBoxes(bool on) {
    m_checkBoxes = on;
    static_cast<ListDelegate*>(itemDelegate())->checkBoxes = on;
    viewport()->update();
}

void CMyListCtrl::SetCheck(int row, bool checked) {
    if (QTableWidgetItem* first = Cell(row, 0)) first->setData(kCheckRole, checked);
}

bool CMyListCtrl::GetCheck(int row) const {
    const QTableWidgetItem* first = item(row, 0);
    return first && first->data(kCheckRole).toBool();
}

void CMyListCtrl::mousePressEvent(QMouseEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    if (m_checkBoxes && at.isValid() && at.column() == 0 &&
        CheckSquare(visualRect(at)).contains(event->position().toPoint()))
        SetCheck(at.row(), !GetCheck(at.row()));
    QTableWidget::mousePressEvent(event);
}
