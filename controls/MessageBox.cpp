#include "MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace quarvik {
namespace {

MsgAnswer RealMessageBox(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Quarvik"));
    box.setText(text);
    switch (icon) {
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Stop: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    // The program speaks Chinese, its buttons too.
    if (buttons == MsgButtons::YesNoDefaultNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
    return MsgAnswer::Ok;
}

MessageBoxFn& Current() {
    static MessageBoxFn fn = RealMessageBox;
    return fn;
}

}  // namespace

MsgAnswer ShowMessage(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) {
    return Current()(parent, text, icon, buttons);
}

MessageBoxFn SetMessageBoxFn(MessageBoxFn fn) {
    MessageBoxFn previous = Current();
    Current() = fn ? std::move(fn) : MessageBoxFn(RealMessageBox);
    return previous;
}

}  // namespace quarvik
