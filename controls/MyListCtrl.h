#pragma once
// The dark report list: rows of cells with per-row text and background colours, images in any
// column, optional grid lines and check boxes, all drawn by the list's own delegate.
//
// Built on QTableWidget: the program drives it like a report list, cell by cell (insert a row,
// set a sub-item's text and image), which is QTableWidget's item API exactly; its own grid,
// vertical header and edit triggers are switched off and the delegate draws every cell.
// Per-row state is kept on the row's first item, so it moves with the row when rows are
// inserted or deleted above it. Cells of columns with an edit type are edited in place
// (ListCellEditors.h), opened by a double-click or EditCell; other columns never edit.
#include "BrindleExport.h"

#include <QList>
#include <QPixmap>
#include <QStringList>
#include <QTableWidget>

class BRINDLE_EXPORT CMyListCtrl : public QTableWidget {
    Q_OBJECT
public:
    explicit CMyListCtrl(QWidget* parent = nullptr);

    // editType: how a double-click edits the column's cells in place: 0 not at all, 1, 2 or 3 in a
    // one-line edit (CListCellEdit), 4 in a drop-down of the choices (CListCellCombo).
    int InsertColumn(int index, const QString& title, Qt::Alignment format = Qt::AlignLeft, int width = 80,
                     int editType = 0, const QStringList& choices = {}, int subItem = -1);
    bool DeleteColumn(int index);
    // Columns narrower than their titles in the header's font are widened to show them.
    void WidenColumnsToTitles();
    // A column narrower than the sample text in the list's font is widened to show it.
    // picture: the width of a picture drawn beside the text in that column (the row pictures).
    void WidenColumnFor(int column, const QString& sample, int picture = 0);
    int ColumnEditType(int index) const;
    QStringList ColumnChoices(int index) const;
    // Opens the column's editor over the cell; false when the column has no edit type or the cell
    // does not exist. CellEdited reports a text the editor changed.
    bool EditCell(int row, int column);
    // The open in-place editor, null when none is open.
    QWidget* CellEditor() const;

    // Returns the row index, or -1 when index is out of range (past the end appends).
    int InsertItem(int index, const QString& text, int image = -1);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    // The image of a cell: from the image list in column 0, from the sub-image list elsewhere.
    bool SetItemImage(int row, int column, int image);
    // -1 when the cell has no image.
    int GetItemImage(int row, int column) const;
    // The caller's value kept with a row (a record id).
    bool SetItemData(int row, qint64 data);
    qint64 GetItemData(int row) const;
    bool DeleteItem(int row);
    void DeleteAllItems();
    int GetItemCount() const { return rowCount(); }

    void SetItemHeight(int pixels);
    int ItemHeight() const;
    void SetImageList(const QList<QPixmap>& images);
    // One picture of the image list: appended (its index returned) or replaced.
    int AddImage(const QPixmap& image);
    void SetImage(int index, const QPixmap& image);
    int ImageCount() const { return static_cast<int>(m_images.size()); }
    void SetSubImageList(const QList<QPixmap>& images);

    // A row without its own colour follows the list's text colour (and its changes).
    void SetItemTextColor(int row, const QColor& colour);
    QColor GetItemTextColor(int row) const;
    void SetItemBkColor(int row, const QColor& colour);
    void SetTextColor(const QColor& colour);
    void SetBkColor(const QColor& colour);

    void EnableGridLine(bool on);
    bool GridLines() const { return m_grid; }
    void EnableCheckBoxes(bool on);
    void SetCheck(int row, bool checked);
    bool GetCheck(int row) const;

    // Used by the delegate.
    QPixmap ImageFor(int column, int image) const;
    QColor TextColour() const { return m_text; }

signals:
    void CellEdited(int row, int column, const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void commitData(QWidget* editor) override;

private:
    QTableWidgetItem* Cell(int row, int column);
    struct ColumnInfo {
        int editType = 0;
        QStringList choices;
    };
    QList<ColumnInfo> m_columns;
    QList<QPixmap> m_images, m_subImages;
    QColor m_text, m_back;
    bool m_grid = false;
    bool m_checkBoxes = false;
};
