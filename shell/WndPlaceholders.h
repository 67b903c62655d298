#pragma once
// Windows of the workspace whose contents come later: each is a plain dark page for now.
#include "FileDisplay.h"
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

// The preview player of the top bar. Until it plays, it names the file asked for.
class CWndPreview : public CWndOutlined {
    Q_OBJECT
public:
    using CWndOutlined::CWndOutlined;

    void Play(const QString& path) {
        m_path = path;
        update();
    }
    QString Address() const { return m_path; }
    // What it shows of the address: its display form.
    QString ShownName() const { return QString::fromStdString(quarvik::DisplayFileName(m_path.toStdString())); }

protected:
    void paintEvent(QPaintEvent* event) override {
        CWndOutlined::paintEvent(event);
        QPainter p(this);
        p.setPen(QColor(200, 200, 200));
        p.drawText(rect().adjusted(6, 6, -6, -6), Qt::AlignCenter | Qt::TextWrapAnywhere, ShownName());
    }

private:
    QString m_path;
};
