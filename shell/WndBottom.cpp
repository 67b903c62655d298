#include "WndBottom.h"

#include "MySplitWnd.h"
#include "MyTabCtrl.h"
#include "NetworkDlg.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "TabIcons.h"
#include "TemplReaders.h"
#include "WndAutoChk.h"
#include "WndCheck.h"
#include "WndDetail.h"
#include "WndHistory.h"
#include "WndManualChk.h"
#include "WndPreview.h"
#include "WndResult.h"
#include "WndTop.h"

#include "FileDisplay.h"

#include <QApplication>

#include <algorithm>

using namespace quarvik;

CWndBottom::CWndBottom(QWidget* parent, CWndTop* top)
    : CMyDialog(parent),
      m_taskTabs(new CMyTabCtrl(this)),
      m_resultTabs(new CMyTabCtrl(this)),
      // Taller than wide: the splitter decides its direction from its first rectangle.
      m_split(new CMySplitWnd(QRect(0, 0, kSplitWidth, kTabHeight), this, kSplitId)),
      m_top(top),
      m_results(new CWndResult(this)) {
    const QList<QPixmap> icons = TabIcons();
    m_taskTabs->SetImageList(icons);
    m_resultTabs->SetImageList(icons);
    m_resultTabs->InsertItem(0, QStringLiteral("检测结果"), kIconResults);
    m_resultTabs->InsertItem(1, QStringLiteral("历史查询"), kIconHistory);
    m_history = new CWndHistory(this);
    m_detail = new CWndDetail(this);
    m_resultPages = {m_results, m_history, m_detail};
    m_resultPages[1]->hide();
    m_detail->hide();
    BuildTaskTabs();

    connect(m_split, &CMySplitWnd::Moved, this, &CWndBottom::OnSplitMoved);
    connect(m_taskTabs, &QTabBar::currentChanged, this, &CWndBottom::SelectTask);
    connect(m_resultTabs, &QTabBar::currentChanged, this, &CWndBottom::SelectResult);
    connect(m_results, &CWndResult::OpenResult, this, &CWndBottom::OpenResult);
    connect(m_history, &CWndHistory::OpenResult, this, &CWndBottom::OpenResult);
    // Every page shows what task.db holds, whichever page changed it.
    connect(m_results, &CWndResult::ResultsStored, m_history, &CWndHistory::OnResultsStored);
    connect(m_history, &CWndHistory::ResultsDeleted, this, &CWndBottom::OnResultsDeleted);
    if (m_top) connect(m_results, &CWndResult::CheckReport, m_top, &CWndTop::OnCheckReport);
    if (m_top)
        connect(m_detail, &CWndDetail::PlayRequested, this,
                [this](const QString& path, const ResultInfo_t& record) { m_top->Preview()->LoadAndPlay(path, &record); });
}

CWndBottom::~CWndBottom() {
    DestroyTaskTabs();
    delete m_manual;
}

bool CWndBottom::IsAnyCheckRunning() const {
    if (m_manual && m_manual->IsChecking()) return true;
    for (QWidget* pane : m_panes.mid(1)) {
        if (const auto* task = qobject_cast<const CWndAutoChk*>(pane); task && task->IsChecking()) return true;
    }
    return false;
}

void CWndBottom::resizeEvent(QResizeEvent*) { Layout(); }

int CWndBottom::UsableLeftWidth(int stored, int width) {
    const int room = width - kSplitWidth;
    if (room < kMinLeftWidth + kMinRightWidth) return qMax(0, room * kMinLeftWidth / (kMinLeftWidth + kMinRightWidth));
    return qBound(kMinLeftWidth, stored, room - kMinRightWidth);
}

void CWndBottom::Layout() {
    const int w = width(), h = height();
    const int left = UsableLeftWidth(ReadLeftWidth(w), w);
    m_taskTabs->setGeometry(0, 0, left, kTabHeight);
    for (QWidget* pane : m_panes) pane->setGeometry(0, kTabHeight, left, h - kTabHeight);
    m_split->setGeometry(left, 0, kSplitWidth, h);
    // Half the column's width to half the bottom's, as far as both columns keep their least widths.
    const int centre = kSplitWidth / 2;
    const int room = w - kSplitWidth;
    m_split->SetRange(qMax(left / 2, qMin(kMinLeftWidth, left) + centre),
                      qMin(w / 2, qMax(room - kMinRightWidth, left) + centre));
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

void CWndBottom::OnPaneStarted(QWidget* pane, bool running) {
    const int index = static_cast<int>(m_panes.indexOf(pane));
    if (index >= 0) m_taskTabs->SetItemImage(index, running ? kIconRunning : kIconStopped);
}

void CWndBottom::BuildTaskTabs() {
    // The manual-check pane is made once: a change of the task list must not end its check.
    if (!m_manual) {
        m_taskTabs->InsertItem(0, QStringLiteral("手动检测"), kIconStopped);
        m_manual = new CWndManualChk(m_results->Recorder(), this);
        connect(m_manual, &CWndManualChk::Started, this, [this](bool running) { OnPaneStarted(m_manual, running); });
        connect(m_manual, &CWndManualChk::MonitorRequested, this, &CWndBottom::SelectMonitor);
        m_manual->SetNetworkAddressAsker(&CNetworkDlg::Ask);
        if (m_top) connect(m_manual, &CWndManualChk::PlayRequested, m_top->Preview(), &CWndPreview::PlayFile);
        m_manual->show();
    }
    m_panes = {m_manual};
    CSqliteDb db;
    if (db.OpenTemplDb()) m_tasks = LoadTasks(db, true);
    CWndCheck* monitor = m_top ? m_top->Check() : nullptr;
    for (const MonTask_t& task : m_tasks) {
        auto* pane = new CWndAutoChk(task, m_results->Recorder(), &m_volumes, this);
        pane->hide();
        pane->SetMonitor(monitor, false);
        connect(pane, &CWndAutoChk::Started, this, [this, pane](bool running) { OnPaneStarted(pane, running); });
        connect(pane, &CWndAutoChk::MonitorRequested, this, &CWndBottom::SelectMonitor);
        if (m_top) connect(pane, &CWndAutoChk::PlayRequested, m_top->Preview(), &CWndPreview::PlayFile);
        // The one watcher of the mount table comes with the first removable-disk task; its
        // reports reach the panes on this thread.
        if (pane->Target().nType == kTargetRemovable && !m_mounts) {
            m_mounts = std::make_unique<CMountNotifier>(
                MountTablePathsFromEnvironment(), [this](std::vector<MountEvent> events) {
                    QMetaObject::invokeMethod(this, [this, events] { m_volumes.OnEvents(events); }, Qt::QueuedConnection);
                });
        }
        m_panes.append(pane);
        m_taskTabs->InsertItem(m_taskTabs->count(), QString::fromUtf8(task.szName), kIconStopped);
    }
}

void CWndBottom::DestroyTaskTabs() {
    const QSignalBlocker block(m_taskTabs);
    while (m_taskTabs->count() > 1) m_taskTabs->removeTab(m_taskTabs->count() - 1);
    const QList<QWidget*> taskPanes = m_panes.mid(1);
    if (taskPanes.contains(m_monitored)) m_monitored = nullptr;
    qDeleteAll(taskPanes);
    m_panes = {m_manual};
    m_tasks.clear();
}

void CWndBottom::RebuildTaskTabs() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DestroyTaskTabs();
    {
        const QSignalBlocker block(m_taskTabs);
        BuildTaskTabs();
    }
    Layout();
    m_taskTabs->setCurrentIndex(0);
    SelectTask(0);
    QApplication::restoreOverrideCursor();
}

void CWndBottom::SelectMonitor(QWidget* pane) {
    CWndCheck* monitor = m_top ? m_top->Check() : nullptr;
    if (monitor) monitor->Clear();
    m_monitored = m_panes.contains(pane) ? pane : nullptr;
    m_manual->SetMonitor(monitor, m_manual == m_monitored);
    for (QWidget* p : m_panes.mid(1)) {
        if (auto* task = qobject_cast<CWndAutoChk*>(p)) task->SetMonitor(monitor, p == m_monitored);
    }
}

void CWndBottom::OnResultsDeleted(const std::vector<int32_t>& resultIds) {
    m_results->ForgetResults(resultIds);
    // A detail page of a deleted result would show nothing: it closes.
    if (m_resultTabs->count() > 2 &&
        std::find(resultIds.begin(), resultIds.end(), m_detail->CurrentResult().nID) != resultIds.end()) {
        m_resultTabs->removeTab(2);
        m_detail->hide();
    }
}

const ResultInfo_t& CWndBottom::DetailResult() const { return m_detail->CurrentResult(); }

void CWndBottom::OpenResult(const ResultInfo_t& result) {
    if (m_resultTabs->count() < 3) m_resultTabs->InsertItem(2, QStringLiteral("Detail List"), kIconDetail);
    m_resultPages[0]->hide();
    m_resultPages[1]->hide();
    m_detail->show();
    m_detail->SetResult(result, QString::fromUtf8(result.szNewFilename));
    {
        const QSignalBlocker block(m_resultTabs);
        m_resultTabs->setCurrentIndex(2);
    }
    const std::string name = DisplayFileName(result.szFilename);
    if (!name.empty()) m_resultTabs->setTabText(2, QString::fromStdString(name));
    m_resultTabs->update();
}
