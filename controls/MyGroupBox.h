#pragma once
// A group frame with a blue title. With a title style of check box (3) or radio button (9) the
// title becomes a button that, with automatic state change on, enables what lies inside the box
// when checked and disables it when unchecked. "Inside" means the box's own child widgets and
// the sibling widgets whose rectangles lie within the box's rectangle, labels excepted (they
// stay readable); nested group boxes are enabled with the rest and then apply their own title
// state to their contents. Clicked(id) reports every click on the title button.
#include "BrindleExport.h"

#include <QColor>
#include <QWidget>

class QAbstractButton;

class BRINDLE_EXPORT CMyGroupBox : public QWidget {
    Q_OBJECT
public:
    enum TitleStyle { kPlainTitle = 0, kCheckTitle = 3, kRadioTitle = 9 };

    explicit CMyGroupBox(const QString& title = {}, QWidget* parent = nullptr, int id = 0);

    void SetTitle(const QString& title);
    QString Title() const { return m_title; }
    int Id() const { return m_id; }
    void SetThicknes(int pixels);
    void SetBorderColor(const QColor& colour);
    void SetTextColor(const QColor& colour);
    void SetTitleStyle(int style);
    void SetAutoChangeState(bool on) { m_autoChange = on; }
    void SetGroupID(int group) { m_group = group; }
    int GroupID() const { return m_group; }

    bool GetCheck() const;
    // Also updates the controls inside when automatic state change is on.
    void SetCheck(bool checked);
    QAbstractButton* TitleButton() const { return m_button; }
    // The client area for a layout: inside the frame, below the title.
    QRect ContentsRect() const;

signals:
    void Clicked(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void OnTitleClicked();
    void UpdateInside();
    void SetInsideEnabled(bool on);
    QList<QWidget*> Inside() const;
    int TitleHeight() const;
    void PlaceButton();

    QString m_title;
    int m_id;
    int m_thickness = 1;
    QColor m_border, m_text;
    int m_style = kPlainTitle;
    bool m_autoChange = true;
    int m_group = 0;
    QAbstractButton* m_button = nullptr;
};
