#include "ListCellEditors.h"

#include "BrindleColors.h"
#include "DarkPalette.h"

using namespace brindle;

CListCellEdit::CListCellEdit(QWidget* parent) : QLineEdit(parent) {
    setPalette(DarkPalette(kEditBack));
    setFrame(false);
}

CListCellCombo::CListCellCombo(const QStringList& choices, QWidget* parent) : QComboBox(parent) {
    setPalette(DarkPalette(kEditBack));
    addItems(choices);
}

void CListCellCombo::SetText(const QString& text) {
    int at = findText(text, Qt::MatchExactly);
    if (at < 0) {
        insertItem(0, text);
        at = 0;
    }
    setCurrentIndex(at);
}
