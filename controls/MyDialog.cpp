#include "MyDialog.h"

#include "BrindleColors.h"
#include "DarkPalette.h"

#include <QPainter>

CMyDialog::CMyDialog(QWidget* parent) : QWidget(parent) {
    setPalette(brindle::DarkPalette(brindle::kPageBack));
}

void CMyDialog::SetDrawMode(bool selfPainted) {
    m_selfPainted = selfPainted;
    update();
}

void CMyDialog::paintEvent(QPaintEvent*) {
    if (m_selfPainted) return;
    QPainter p(this);
    p.fillRect(rect(), brindle::kPageBack);
}
