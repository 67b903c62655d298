#include "MyTabCtrl.h"

#include "BrindleColors.h"

#include <QFontDatabase>
#include <QPainter>

using namespace brindle;

CMyTabCtrl::CMyTabCtrl(QWidget* parent) : QTabBar(parent) {
    setDrawBase(false);
    setExpanding(false);
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

void CMyTabCtrl::SetImageList(const QList<QPixmap>& images) {
    m_images = images;
    update();
}

int CMyTabCtrl::InsertItem(int index, const QString& text, int image) {
    index = insertTab(index, text);
    setTabData(index, image);
    return index;
}

void CMyTabCtrl::SetItemImage(int index, int image) {
    setTabData(index, image);
    update();
}

int CMyTabCtrl::GetItemImage(int index) const {
    const QVariant image = tabData(index);
    return image.isValid() ? image.toInt() : -1;
}

QSize CMyTabCtrl::tabSizeHint(int index) const {
    const QVariant image = tabData(index);
    const int imageWidth = image.isValid() && image.toInt() >= 0 && image.toInt() < m_images.size()
                               ? m_images[image.toInt()].width() + 4 : 0;
    const QFontMetrics fm(font());
    return QSize(4 + imageWidth + fm.horizontalAdvance(tabText(index)) + 12 + 4, qMax(24, fm.height() + 10));
}

void CMyTabCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int i = 0; i < count(); ++i) {
        const QRect tab = tabRect(i).adjusted(2, 0, -2, 0);
        const bool selected = i == currentIndex();
        p.fillRect(tab, selected ? kTabSelected : kTabOther);
        int left = tab.left() + 4;
        const int image = tabData(i).isValid() ? tabData(i).toInt() : -1;
        if (image >= 0 && image < m_images.size()) {
            p.drawPixmap(left, tab.top() + 2, m_images[image]);
            left += m_images[image].width() + 4;
        }
        p.setPen(selected ? kTabSelectedText : kTabOtherText);
        p.drawText(QRect(left, tab.top(), tab.right() - left, tab.height()),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, tabText(i));
    }
}
