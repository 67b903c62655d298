#include "PageHelpers.h"

#include "GdiplusButton.h"
#include "MessageBox.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace quarvik {

bool ShowRefusal(QWidget* page, const PageCheck& check, std::initializer_list<std::pair<int, QWidget*>> fields)
{
    if (check.Ok()) return false;
    ShowMessage(page, QString::fromStdString(check.message), MsgIcon::Exclamation);
    for (const auto& [field, widget] : fields) {
        if (field != check.field || !widget) continue;
        widget->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
    }
    return true;
}

std::string Typed(const QLineEdit* edit) { return edit->text().toStdString(); }

CGdiplusButton* PageButton(const QString& text, QWidget* parent)
{
    auto* button = new CGdiplusButton(text, parent);
    button->setFixedSize(72, 26);
    return button;
}

void LayOutRowPage(QWidget* page, const QString& listTitle, QWidget* list, int listStretch, QVBoxLayout* right,
                   int rightStretch, std::initializer_list<QWidget*> rowButtons)
{
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QWidget* button : rowButtons) buttons->addWidget(button);
    right->addLayout(buttons);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(listTitle, page));
    left->addWidget(list, 1);

    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(16);
    layout->addLayout(left, listStretch);
    layout->addLayout(right, rightStretch);
}

}  // namespace quarvik
