#pragma once
// The dark tree: background (17, 17, 17), items (128, 128, 128) with icons from the image list.
// Expanding and collapsing are QTreeWidget's own.
#include "BrindleExport.h"

#include <QList>
#include <QPixmap>
#include <QTreeWidget>

class BRINDLE_EXPORT CMyTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    explicit CMyTreeCtrl(QWidget* parent = nullptr);

    void SetImageList(const QList<QPixmap>& images);
    // parent null inserts a top-level item. The item is owned by the tree.
    QTreeWidgetItem* InsertItem(const QString& text, int image = -1, QTreeWidgetItem* parent = nullptr);

private:
    QList<QPixmap> m_images;
};
