#pragma once
// The bottom workspace: task tabs and their panes on the left, result tabs and pages on the
// right, the splitter between. The column width survives a restart as LeftWidth in "system.ini".
#include "MyDialog.h"

#include "TaskRecords.h"
#include "TemplRecords.h"

#include <QList>
#include <vector>

class CMySplitWnd;
class CMyTabCtrl;
class CWndDetail;

class CWndBottom : public CMyDialog {
    Q_OBJECT
public:
    static constexpr int kTabHeight = 24;
    static constexpr int kSplitWidth = 5;
    static constexpr int kSplitId = 310;

    explicit CWndBottom(QWidget* parent = nullptr);

    // The manual-check window or a task window is running a check (none can yet).
    bool IsAnyCheckRunning() const;

    CMyTabCtrl* TaskTabs() const { return m_taskTabs; }
    CMyTabCtrl* ResultTabs() const { return m_resultTabs; }
    CMySplitWnd* Splitter() const { return m_split; }
    QWidget* Pane(int index) const { return m_panes.value(index); }
    QWidget* ResultPage(int index) const { return m_resultPages.value(index); }
    int PaneCount() const { return static_cast<int>(m_panes.size()); }
    // The active tasks shown, in tab order after the manual check.
    const std::vector<quarvik::MonTask_t>& Tasks() const { return m_tasks; }

    // The task list changed: every task tab and pane is built again and tab 0 selected.
    void RebuildTaskTabs();
    // The check monitor follows the given task pane's check only; every other pane is unmonitored.
    void SelectMonitor(QWidget* pane);
    // The pane the check monitor follows, or null.
    QWidget* MonitoredPane() const { return m_monitored; }
    // Shows a result in the detail page, adding its tab on first use, and selects that tab.
    void OpenResult(const quarvik::ResultInfo_t& result);
    CWndDetail* Detail() const { return m_detail; }
    // The result the detail page shows (valid once OpenResult ran).
    const quarvik::ResultInfo_t& DetailResult() const { return m_detailResult; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    void BuildTaskTabs();
    void DestroyTaskTabs();
    void OnSplitMoved(int id, int distance);
    void SelectTask(int index);
    void SelectResult(int index);

    CMyTabCtrl* m_taskTabs;
    CMyTabCtrl* m_resultTabs;
    CMySplitWnd* m_split;
    QList<QWidget*> m_panes;        // one per task tab; 0 is the manual check
    QList<QWidget*> m_resultPages;  // result list, history, detail
    CWndDetail* m_detail;
    std::vector<quarvik::MonTask_t> m_tasks;
    QWidget* m_monitored = nullptr;
    quarvik::ResultInfo_t m_detailResult{};
};
