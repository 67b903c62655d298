#pragma once
// Frameless top-level window with Brindle's own caption (icon, title, close, maximise/restore,
// minimise and menu buttons) and black borders by which it is resized. Closing from the caption
// goes through close(), so a derived frame decides in closeEvent whether it may close.
#include "BrindleExport.h"
#include "CaptionBar.h"

#include <QIcon>
#include <QWidget>
#include <memory>

class QMenu;

namespace brindle {
class FrameChrome;
}

class BRINDLE_EXPORT CMyFrameWnd : public QWidget {
    Q_OBJECT
public:
    // menu: popped up by the menu button (its first sub-menu if it has any); not owned.
    explicit CMyFrameWnd(const QIcon& icon = {}, QMenu* menu = nullptr, QWidget* parent = nullptr);
    ~CMyFrameWnd() override;

    void SetMenu(QMenu* menu);
    // Puts widget (now owned by the frame) into the client area, filling it.
    void SetCentralWidget(QWidget* widget);
    QWidget* CentralWidget() const { return m_central; }
    brindle::CCaptionBar* Caption() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<brindle::FrameChrome> m_chrome;
    QWidget* m_central = nullptr;
};
