#include "PageHelpers.h"

#include "GdiplusButton.h"
#include "MessageBox.h"

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

}  // namespace quarvik
