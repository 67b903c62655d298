#include "MyGroupBox.h"

#include "BrindleColors.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QRadioButton>

using namespace brindle;

namespace {
constexpr int kTitleLeft = 20;
}

CMyGroupBox::CMyGroupBox(const QString& title, QWidget* parent, int id)
    : QWidget(parent), m_title(title), m_id(id), m_border(kGroupFrame), m_text(kGroupTitle) {
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    const int top = TitleHeight() + 2;
    setContentsMargins(8, top, 8, 6);
}

void CMyGroupBox::SetTitle(const QString& title) {
    m_title = title;
    if (m_button) m_button->setText(title);
    PlaceButton();
    update();
}

void CMyGroupBox::SetThicknes(int pixels) {
    m_thickness = qMax(1, pixels);
    update();
}

void CMyGroupBox::SetBorderColor(const QColor& colour) {
    m_border = colour;
    update();
}

void CMyGroupBox::SetTextColor(const QColor& colour) {
    m_text = colour;
    if (m_button) {
        QPalette pal = m_button->palette();
        pal.setColor(QPalette::WindowText, colour);
        pal.setColor(QPalette::Disabled, QPalette::WindowText, kGroupDisabled);
        m_button->setPalette(pal);
    }
    update();
}

int CMyGroupBox::TitleHeight() const { return fontMetrics().height(); }

QRect CMyGroupBox::ContentsRect() const { return contentsRect(); }

void CMyGroupBox::SetTitleStyle(int style) {
    delete m_button;
    m_button = nullptr;
    m_style = style;
    if (style == kCheckTitle) m_button = new QCheckBox(m_title, this);
    if (style == kRadioTitle) {
        auto* radio = new QRadioButton(m_title, this);
        // Exclusivity is among boxes of one group number, not among the title's siblings.
        radio->setAutoExclusive(false);
        m_button = radio;
    }
    if (m_button) {
        SetTextColor(m_text);
        connect(m_button, &QAbstractButton::clicked, this, &CMyGroupBox::OnTitleClicked);
        PlaceButton();
        m_button->show();
        UpdateInside();
    }
    update();
}

void CMyGroupBox::PlaceButton() {
    if (!m_button) return;
    const int width = fontMetrics().horizontalAdvance(m_title) + 25;
    m_button->setGeometry(kTitleLeft - 6, 0, width, TitleHeight() + 2);
}

bool CMyGroupBox::GetCheck() const { return m_button && m_button->isChecked(); }

void CMyGroupBox::SetCheck(bool checked) {
    if (!m_button) return;
    m_button->setChecked(checked);
    UpdateInside();
}

void CMyGroupBox::OnTitleClicked() {
    if (m_style == kRadioTitle) {
        m_button->setChecked(true);  // a radio stays selected when clicked again
        if (parentWidget())
            for (CMyGroupBox* other : parentWidget()->findChildren<CMyGroupBox*>(Qt::FindDirectChildrenOnly))
                if (other != this && other->m_style == kRadioTitle && other->m_group == m_group)
                    other->SetCheck(false);
    }
    UpdateInside();
    emit Clicked(m_id);
}

QList<QWidget*> CMyGroupBox::Inside() const {
    QList<QWidget*> inside;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != m_button) inside << child;
    if (parentWidget()) {
        for (QWidget* sibling : parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (sibling != this && !sibling->isWindow() && geometry().contains(sibling->geometry()))
                inside << sibling;
    }
    inside.removeIf([](QWidget* w) { return qobject_cast<QLabel*>(w) != nullptr; });
    return inside;
}

void CMyGroupBox::UpdateInside() {
    if (m_button && m_autoChange) SetInsideEnabled(m_button->isChecked() && isEnabled());
}

void CMyGroupBox::SetInsideEnabled(bool on) {
    for (QWidget* w : Inside()) {
        w->setEnabled(on);
        if (auto* nested = qobject_cast<CMyGroupBox*>(w); nested && on) nested->UpdateInside();
    }
}

void CMyGroupBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

void CMyGroupBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor frame = isEnabled() ? m_border : kGroupDisabled;
    const QColor text = isEnabled() ? m_text : kGroupDisabled;
    const int mid = TitleHeight() / 2;
    const QRect box = rect().adjusted(0, mid, -m_thickness, -m_thickness);
    // The top line leaves a gap where the title (or its button) sits.
    const int titleWidth = m_button ? m_button->width() : fontMetrics().horizontalAdvance(m_title);
    const int gapLeft = (m_button ? m_button->x() : kTitleLeft) - 2;
    const int gapRight = gapLeft + titleWidth + 4;
    p.setPen(QPen(frame, m_thickness));
    const QPointF o(m_thickness / 2.0, m_thickness / 2.0);
    QPolygonF outline{QPointF(gapLeft, box.top()), QPointF(box.left(), box.top()), QPointF(box.bottomLeft()),
                      QPointF(box.bottomRight()), QPointF(box.topRight()), QPointF(gapRight, box.top())};
    if (m_title.isEmpty()) outline << QPointF(gapLeft, box.top());
    p.drawPolyline(outline.translated(o));
    if (!m_button && !m_title.isEmpty()) {
        p.setPen(text);
        p.drawText(QRect(kTitleLeft, 0, titleWidth + 2, TitleHeight()), Qt::AlignLeft | Qt::AlignVCenter, m_title);
    }
}
