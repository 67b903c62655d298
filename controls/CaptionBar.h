#pragma once
// The caption that CMyFrameWnd and CMyPopDialog draw in place of the window manager's: icon,
// title and the caption buttons laid out from the right edge leftwards. It acts on its top-level
// window (close, maximise, restore, minimise, pop-up menu, system move) and follows that window's
// title, icon, activation and maximised state by itself.
#include "BrindleExport.h"
#include "CaptionPictures.h"

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <QMenu>

namespace brindle {

class BRINDLE_EXPORT CCaptionBar : public QWidget {
    Q_OBJECT
public:
    // buttons: CaptionButtonBits. The bar must be a child of the window it serves.
    CCaptionBar(int buttons, QWidget* window);

    void SetIcon(const QIcon& icon);
    // Popped up by the menu button; not owned (the window owns its menu).
    void SetMenu(QMenu* menu);
    QMenu* Menu() const { return m_menu; }

    // The buttons shown now, right to left, and what each shows; a button not shown has an
    // empty rectangle and picture number 0.
    QList<CaptionButton> Buttons() const;
    QRect ButtonRect(CaptionButton button) const;
    int ShownPicture(CaptionButton button) const;
    // Where a press on the caption is ignored by the double-click rule (the icon square).
    QRect IconSquare() const { return QRect(0, 0, 32, 32).intersected(rect()); }

    static int DefaultHeight();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Slot {
        CaptionButton button;
        QRect rect;
    };
    QList<Slot> Layout() const;
    int HitTest(QPoint pos) const;
    ButtonLook LookOf(int index) const;  // index into Layout(), or -1
    void Act(CaptionButton button);
    void ToggleMaximised();

    int m_bits;
    QIcon m_icon;
    QPointer<QMenu> m_menu;
    int m_hover = -1;
    int m_pressed = -1;
    bool m_dragging = false;  // a manual move where the platform offers no system move
    QPoint m_dragOffset;
};

}  // namespace brindle
