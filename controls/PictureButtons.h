#pragma once
// Buttons drawn from pictures or from the gradient face.
//   CGdipButton          shows one of its pictures by state: normal, hover, pressed, disabled
//                        (the normal picture greyed when none is given); a background picture set
//                        with SetBkGnd is drawn first, so a picture with transparent parts sits
//                        on the page's own background
//   CGdiplusCheckButton  a CGdiplusButton that stays pressed while checked
#include "BrindleExport.h"
#include "CaptionPictures.h"
#include "GdiplusButton.h"

#include <QPixmap>

class BRINDLE_EXPORT CGdipButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CGdipButton(QWidget* parent = nullptr);
    void SetImages(const QPixmap& normal, const QPixmap& hover = {}, const QPixmap& pressed = {},
                   const QPixmap& disabled = {});
    void SetBkGnd(const QPixmap& background);
    // The picture drawn now.
    QPixmap CurrentPicture() const;
    brindle::ButtonLook Look() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap m_normal, m_hover, m_pressed, m_disabled, m_background;
    bool m_hovered = false;
};

class BRINDLE_EXPORT CGdiplusCheckButton : public CGdiplusButton {
    Q_OBJECT
public:
    explicit CGdiplusCheckButton(const QString& text = {}, QWidget* parent = nullptr);
    void SetCheck(bool checked) { setChecked(checked); }
    bool GetCheck() const { return isChecked(); }
};
