#pragma once
// The bottom workspace: task tabs and their panes on the left, result tabs and pages on the
// right, the splitter between. The column width survives a restart as LeftWidth in "system.ini".
#include "MyDialog.h"

#include "MountNotifier.h"
#include "TaskRecords.h"
#include "TemplRecords.h"

#include <QList>
#include <memory>
#include <vector>

class CMySplitWnd;
class CMyTabCtrl;
class CWndDetail;
class CWndHistory;
class CWndManualChk;
class CWndResult;
class CWndTop;

class CWndBottom : public CMyDialog {
    Q_OBJECT
public:
    static constexpr int kTabHeight = 24;
    static constexpr int kSplitWidth = 5;
    static constexpr int kSplitId = 310;
    // The least widths that keep each column usable: the task column its buttons (on two lines
    // at most) and list, the result column the history page's buttons.
    static constexpr int kMinLeftWidth = 200;
    static constexpr int kMinRightWidth = 360;

    // The task column's width in a bottom of the given width, from the stored one: clamped so that
    // both columns keep their least widths (shared in proportion when the bottom is too narrow for
    // both). The stored width itself is left as the operator set it.
    static int UsableLeftWidth(int stored, int width);

    // The top bar receives the check reports (its light) and holds the check monitor and the
    // preview; without one the bottom works alone.
    explicit CWndBottom(QWidget* parent = nullptr, CWndTop* top = nullptr);
    // The task windows end their checks before the result page they report to goes.
    ~CWndBottom() override;

    // The manual-check window or a task window is running a check.
    bool IsAnyCheckRunning() const;

    CMyTabCtrl* TaskTabs() const { return m_taskTabs; }
    CMyTabCtrl* ResultTabs() const { return m_resultTabs; }
    CMySplitWnd* Splitter() const { return m_split; }
    QWidget* Pane(int index) const { return m_panes.value(index); }
    CWndManualChk* ManualCheck() const { return m_manual; }
    CWndResult* Results() const { return m_results; }
    QWidget* ResultPage(int index) const { return m_resultPages.value(index); }
    int PaneCount() const { return static_cast<int>(m_panes.size()); }
    // The active tasks shown, in tab order after the manual check.
    const std::vector<quarvik::MonTask_t>& Tasks() const { return m_tasks; }

    // The task list changed: every task tab and pane is built again and tab 0 selected. The
    // manual check stays as it is.
    void RebuildTaskTabs();
    // The check monitor follows the given task pane's check only; every other pane is unmonitored.
    void SelectMonitor(QWidget* pane);
    // The pane the check monitor follows, or null.
    QWidget* MonitoredPane() const { return m_monitored; }
    // Shows a result in the detail page, adding its tab on first use, and selects that tab.
    void OpenResult(const quarvik::ResultInfo_t& result);
    CWndDetail* Detail() const { return m_detail; }
    CWndHistory* History() const { return m_history; }
    // The result the detail page shows (valid once OpenResult ran).
    const quarvik::ResultInfo_t& DetailResult() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    void BuildTaskTabs();
    void DestroyTaskTabs();
    void OnSplitMoved(int id, int distance);
    void SelectTask(int index);
    void SelectResult(int index);
    void OnPaneStarted(QWidget* pane, bool running);
    void OnResultsDeleted(const std::vector<int32_t>& resultIds);

    CMyTabCtrl* m_taskTabs;
    CMyTabCtrl* m_resultTabs;
    CMySplitWnd* m_split;
    CWndTop* m_top;
    CWndResult* m_results;
    CWndManualChk* m_manual = nullptr;
    QList<QWidget*> m_panes;        // one per task tab; 0 is the manual check
    QList<QWidget*> m_resultPages;  // result list, history, detail
    CWndHistory* m_history;
    CWndDetail* m_detail;
    std::vector<quarvik::MonTask_t> m_tasks;
    QWidget* m_monitored = nullptr;
    // Where the removable-disk task panes that run take the disks from, and what reports them;
    // the panes register while they exist, so both go after them.
    quarvik::CVolumeRouter m_volumes;
    std::unique_ptr<quarvik::CMountNotifier> m_mounts;
};
