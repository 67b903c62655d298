#include "ChildView.h"

#include "MyDialog.h"
#include "WndBottom.h"

CChildView::CChildView(QWidget* parent) : QWidget(parent), m_top(new CMyDialog(this)), m_bottom(new CWndBottom(this)) {}

bool CChildView::IsAnyCheckRunning() const { return m_bottom->IsAnyCheckRunning(); }

QWidget* CChildView::Top() const { return m_top; }
CWndBottom* CChildView::Bottom() const { return m_bottom; }

void CChildView::resizeEvent(QResizeEvent*) {
    const int w = width(), h = height();
    m_top->setGeometry(0, 0, w, 2 * h / 5);
    m_bottom->setGeometry(0, 2 * h / 5, w, h - 2 * h / 5);
}
