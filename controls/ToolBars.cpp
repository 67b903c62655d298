#include "ToolBars.h"

#include "BrindleColors.h"

#include <QAction>

using namespace brindle;

CMyToolBar::CMyToolBar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, kPopupBack);
    p.setColor(QPalette::Button, kPopupBack);
    p.setColor(QPalette::ButtonText, kListText);
    setPalette(p);
    connect(this, &QToolBar::actionTriggered, this, [this](QAction* a) {
        if (a->data().isValid()) emit Command(a->data().toInt());
    });
}

bool CMyToolBar::AddButton(int command, const QIcon& icon, const QString& text) {
    if (Button(command)) return false;
    addAction(icon, text)->setData(command);
    return true;
}

QAction* CMyToolBar::Button(int command) const {
    for (QAction* a : actions())
        if (a->data().isValid() && a->data().toInt() == command) return a;
    return nullptr;
}

void CMyToolBar::SetButtonEnabled(int command, bool on) {
    if (QAction* a = Button(command)) a->setEnabled(on);
}

bool CMyToolBar::IsButtonEnabled(int command) const {
    const QAction* a = Button(command);
    return a && a->isEnabled();
}

CToolBar24::CToolBar24(QWidget* parent) : CMyToolBar(parent) { setIconSize(QSize(24, 24)); }

bool CToolBar24::AddButton(int command, const QPixmap& picture, const QString& text) {
    // QIcon greys the disabled look from the normal picture itself.
    const QPixmap scaled = picture.scaled(24, 24, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return CMyToolBar::AddButton(command, QIcon(scaled), text);
}
