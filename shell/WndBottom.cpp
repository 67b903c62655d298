#include "WndBottom.h"

#include "MySplitWnd.h"
#include "MyTabCtrl.h"
#include "Settings.h"
#include "TabIcons.h"

using namespace quarvik;

CWndBottom::CWndBottom(QWidget* parent)
    : CMyDialog(parent),
      m_taskTabs(new CMyTabCtrl(this)),
      m_resultTabs(new CMyTabCtrl(this)),
      // Taller than wide: the splitter decides its direction from its first rectangle.
      m_split(new CMySplitWnd(QRect(0, 0, kSplitWidth, kTabHeight), this, kSplitId)) {
    const QList<QPixmap> icons = TabIcons();
    m_taskTabs->SetImageList(icons);
    m_resultTabs->SetImageList(icons);
    m_resultTabs->InsertItem(0, QStringLiteral("检测结果"), kIconResults);
    m_resultTabs->InsertItem(1, QStringLiteral("历史查询"), kIconHistory);
    // The pages come with their own windows later; until then each is an empty page.
    m_resultPages = {new CMyDialog(this), new CMyDialog(this)};
    m_resultPages[1]->hide();
    m_taskTabs->InsertItem(0, QStringLiteral("手动检测"), kIconStopped);
    m_panes = {new CMyDialog(this)};

    connect(m_split, &CMySplitWnd::Moved, this, &CWndBottom::OnSplitMoved);
    connect(m_taskTabs, &QTabBar::currentChanged, this, &CWndBottom::SelectTask);
    connect(m_resultTabs, &QTabBar::currentChanged, this, &CWndBottom::SelectResult);
}

bool CWndBottom::IsAnyCheckRunning() const { return false; }

void CWndBottom::resizeEvent(QResizeEvent*) { Layout(); }

void CWndBottom::Layout() {
    const int w = width(), h = height();
    const int left = ReadLeftWidth(w);
    m_taskTabs->setGeometry(0, 0, left, kTabHeight);
    for (QWidget* pane : m_panes) pane->setGeometry(0, kTabHeight, left, h - kTabHeight);
    m_split->setGeometry(left, 0, kSplitWidth, h);
    m_split->SetRange(left / 2, w / 2);
    const int right = left + kSplitWidth;
    m_resultTabs->setGeometry(right, 0, w - right, kTabHeight);
    for (QWidget* page : m_resultPages) page->setGeometry(right, kTabHeight, w - right, h - kTabHeight);
}

void CWndBottom::OnSplitMoved(int, int distance) {
    CMySplitWnd::ChangeWidth(m_taskTabs, distance, 1);
    for (QWidget* pane : m_panes) CMySplitWnd::ChangeWidth(pane, distance, 1);
    CMySplitWnd::ChangeWidth(m_resultTabs, -distance, 2);
    for (QWidget* page : m_resultPages) CMySplitWnd::ChangeWidth(page, -distance, 2);
    WriteLeftWidth(static_cast<uint32_t>(m_taskTabs->width()));
}

void CWndBottom::SelectTask(int index) {
    for (int i = 0; i < m_panes.size(); ++i) m_panes[i]->setVisible(i == index);
    m_taskTabs->update();
}

void CWndBottom::SelectResult(int index) {
    for (int i = 0; i < m_resultPages.size(); ++i) m_resultPages[i]->setVisible(i == index);
}
