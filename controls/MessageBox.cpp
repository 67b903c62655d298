#include "MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace quarvik {
namespace {

MsgAnswer RealMessageBox(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) {
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, text, icon, buttons);
    const int answer = box->exec();
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

MessageBoxFn& Current() {
    static MessageBoxFn fn = RealMessageBox;
    return fn;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(QStringLiteral("Quarvik"));
    box->setText(text);
    // Addresses and paths in a message can be copied.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    switch (icon) {
        case MsgIcon::Information: box->setIcon(QMessageBox::Information); break;
        case MsgIcon::Exclamation: box->setIcon(QMessageBox::Warning); break;
        case MsgIcon::Stop: box->setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box->setIcon(QMessageBox::Question); break;
    }
    if (buttons == MsgButtons::YesNoDefaultNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::No);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
    }
    return box;
}

MsgAnswer ShowMessage(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) {
    return Current()(parent, text, icon, buttons);
}

MessageBoxFn SetMessageBoxFn(MessageBoxFn fn) {
    MessageBoxFn previous = Current();
    Current() = fn ? std::move(fn) : MessageBoxFn(RealMessageBox);
    return previous;
}

}  // namespace quarvik
