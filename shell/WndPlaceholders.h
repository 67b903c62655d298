#pragma once
// Windows of the workspace whose contents come later: each is an empty dark page for now.
#include "MyDialog.h"

#include <QPainter>

// An empty dark page outlined so that its place in the bar can be seen.
class CWndOutlined : public CMyDialog {
    Q_OBJECT
public:
    using CMyDialog::CMyDialog;

protected:
    void paintEvent(QPaintEvent* event) override {
        CMyDialog::paintEvent(event);
        QPainter p(this);
        p.setPen(QColor(90, 90, 90));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// The preview player of the top bar.
class CWndPreview : public CWndOutlined {
    Q_OBJECT
public:
    using CWndOutlined::CWndOutlined;
};

// The check monitor of the top bar.
class CWndCheck : public CWndOutlined {
    Q_OBJECT
public:
    using CWndOutlined::CWndOutlined;
};

// The detail page of the result column.
class CWndDetail : public CMyDialog {
    Q_OBJECT
public:
    using CMyDialog::CMyDialog;
};
