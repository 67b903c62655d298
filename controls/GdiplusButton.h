#pragma once
// A push button with a rounded (corner 5) gradient face: a one-pixel border, a vertical gradient
// between two back colours (reversed while pressed), an optional icon 3 pixels from the left and
// the word-wrapped text centred in the rest. The tooltip shows while the pointer hovers.
#include "BrindleExport.h"

#include <QAbstractButton>
#include <QColor>
#include <QIcon>

class BRINDLE_EXPORT CGdiplusButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CGdiplusButton(const QString& text = {}, QWidget* parent = nullptr);

    void SetBackColor(const QColor& first, const QColor& second);
    void SetDefaultBackColor();
    void SetBorderColor(const QColor& colour);
    void SetIconID(const QIcon& icon, int size);
    // activate false removes the tooltip (the button shows none until set again).
    void SetToolTipText(const QString& text, bool activate = true);
    // A button that is not clickable still draws and hovers, but emits no click.
    void SetClickable(bool on);
    bool IsClickable() const { return m_clickable; }
    bool IsHovered() const { return m_hover; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor m_first, m_second, m_border;
    QIcon m_icon;
    int m_iconSize = 0;
    bool m_clickable = true;
    bool m_hover = false;
};
