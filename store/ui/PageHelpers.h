#pragma once
// Shared by the options pages: showing what a page model refused (the message box, then the
// focus on the offending control), the typed text of a control, the pages' row buttons.
#include "PageCheck.h"

#include <QString>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class CGdiplusButton;
class QLineEdit;
class QVBoxLayout;
class QWidget;

namespace quarvik {

// False when check accepted; otherwise shows its message and focuses the control that the
// check's field names among fields (selecting an edit's text), and returns true.
bool ShowRefusal(QWidget* page, const PageCheck& check, std::initializer_list<std::pair<int, QWidget*>> fields = {});

inline std::string Typed(const QString& text) { return text.toStdString(); }
std::string Typed(const QLineEdit* edit);

// An "添加" / "删除" / "更新" button of a page, 72 x 26.
CGdiplusButton* PageButton(const QString& text, QWidget* parent);

// The layout of a page of rows: the titled list on the left, and right of it the page's fields
// (right, filled by the caller) with the row buttons under them, right-aligned.
void LayOutRowPage(QWidget* page, const QString& listTitle, QWidget* list, int listStretch, QVBoxLayout* right,
                   int rightStretch, std::initializer_list<QWidget*> rowButtons);

// The index of the row whose id (idOf(row)) is id, or -1: how a page finds the row to select.
template <class Row, class IdOf>
int RowWithId(const std::vector<Row>& rows, int id, IdOf idOf) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (idOf(rows[i]) == id) return static_cast<int>(i);
    return -1;
}

}  // namespace quarvik
