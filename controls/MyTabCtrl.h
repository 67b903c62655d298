#pragma once
// Owner-drawn tab bar: the selected tab green (0, 136, 0) with white text, the others (72, 72, 72)
// with light grey text, each narrowed by 2 pixels on both sides. It paints no background of its
// own, so the owner's background shows between the tabs. The owner switches its pages on
// currentChanged.
#include "BrindleExport.h"

#include <QList>
#include <QPixmap>
#include <QTabBar>

class BRINDLE_EXPORT CMyTabCtrl : public QTabBar {
    Q_OBJECT
public:
    explicit CMyTabCtrl(QWidget* parent = nullptr);

    void SetImageList(const QList<QPixmap>& images);
    int InsertItem(int index, const QString& text, int image = -1);
    void SetItemImage(int index, int image);
    // -1 when the tab has no image.
    int GetItemImage(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;

private:
    QList<QPixmap> m_images;
};
