#pragma once
// A pop-up dialog of the dark theme: background (41, 41, 41), Brindle's caption with the buttons
// chosen at construction (the program uses close only) and a border set by SetBorderInfo.
// Derived dialogs put their layout on the dialog itself; it sits below the caption.
#include "BrindleExport.h"
#include "CaptionBar.h"

#include <QDialog>
#include <memory>

class QMenu;

namespace brindle {
class FrameChrome;
}

class BRINDLE_EXPORT CMyPopDialog : public QDialog {
    Q_OBJECT
public:
    // buttons: brindle::CaptionButtonBits; menu is not owned.
    explicit CMyPopDialog(QWidget* parent = nullptr, int buttons = brindle::kCaptionClose,
                          const QIcon& icon = {}, QMenu* menu = nullptr);
    ~CMyPopDialog() override;

    void SetBorderInfo(int width, const QColor& colour);
    brindle::CCaptionBar* Caption() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<brindle::FrameChrome> m_chrome;
};
