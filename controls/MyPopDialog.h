#pragma once
// A pop-up dialog of the dark theme: background (41, 41, 41), Brindle's caption with the buttons
// chosen at construction (the program uses close only) and a border set by SetBorderInfo.
// Derived dialogs put their layout on the dialog itself; it sits below the caption.
#include "BrindleExport.h"
#include "CaptionBar.h"

#include <QDialog>
#include <memory>

class CGdiplusButton;
class QHBoxLayout;
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
    // The dialog's "确定" / "取消" pair, 80 x 26 each, right-aligned in a row of their own for the
    // caller's layout. "取消" rejects the dialog; what "确定" does is the caller's to connect.
    struct OkCancel {
        CGdiplusButton* ok;
        CGdiplusButton* cancel;
        QHBoxLayout* row;
    };
    OkCancel MakeOkCancel();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<brindle::FrameChrome> m_chrome;
};
