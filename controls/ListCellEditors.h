#pragma once
// The in-place editors of CMyListCtrl's cells. The list opens one over a cell of a column with an
// edit type, on a double-click or on CMyListCtrl::EditCell; Enter or leaving the editor writes its
// text into the cell, Escape leaves the cell as it was, and the editor closes either way.
//   CListCellEdit   a one-line edit (edit types 1, 2 and 3; lines are joined, cells show one line)
//   CListCellCombo  a drop-down of the column's choices (edit type 4)
#include "BrindleExport.h"

#include <QComboBox>
#include <QLineEdit>

class BRINDLE_EXPORT CListCellEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CListCellEdit(QWidget* parent = nullptr);
};

class BRINDLE_EXPORT CListCellCombo : public QComboBox {
    Q_OBJECT
public:
    explicit CListCellCombo(const QStringList& choices, QWidget* parent = nullptr);
    // Selects the choice; a text that is no choice is offered first, so that confirming the
    // editor unchanged keeps the cell as it was.
    void SetText(const QString& text);
};
