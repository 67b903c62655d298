#include "MyTreeCtrl.h"

#include "BrindleColors.h"

CMyTreeCtrl::CMyTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setFrameShape(QFrame::NoFrame);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, brindle::kTreeBack);
    pal.setColor(QPalette::Window, brindle::kTreeBack);
    pal.setColor(QPalette::Text, brindle::kTreeText);
    setPalette(pal);
}

void CMyTreeCtrl::SetImageList(const QList<QPixmap>& images) { m_images = images; }

QTreeWidgetItem* CMyTreeCtrl::InsertItem(const QString& text, int image, QTreeWidgetItem* parent) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    if (image >= 0 && image < m_images.size()) item->setIcon(0, QIcon(m_images[image]));
    return item;
}
