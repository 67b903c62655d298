#include "ChildView.h"

#include "WndBottom.h"
#include "WndTop.h"

CChildView::CChildView(QWidget* parent) : QWidget(parent), m_top(new CWndTop(this)), m_bottom(new CWndBottom(this, m_top)) {}

// The bottom goes first: its checks end while the monitor of the top bar still takes their pictures.
CChildView::~CChildView() { delete m_bottom; }

bool CChildView::IsAnyCheckRunning() const { return m_bottom->IsAnyCheckRunning(); }

void CChildView::OnTasksChanged() { m_bottom->RebuildTaskTabs(); }

CWndTop* CChildView::Top() const { return m_top; }
CWndBottom* CChildView::Bottom() const { return m_bottom; }

void CChildView::resizeEvent(QResizeEvent*) {
    const int w = width(), h = height();
    m_top->setGeometry(0, 0, w, 2 * h / 5);
    m_bottom->setGeometry(0, 2 * h / 5, w, h - 2 * h / 5);
}
