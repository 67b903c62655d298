#pragma once
// What the manual-check pane and the task panes share: a sub-task list drawn in a CMyListCtrl,
// Start, Stop, Delete and the monitor button over it, and the workers of a CCheckRunner between
// Start and Stop. A double-click asks for the file in the preview, a right-click shows its state,
// new rows come into view while the list is at its end. GUI thread only.
#include "MyDialog.h"

#include "CheckRunner.h"
#include "QtDispatcher.h"
#include "SubTaskList.h"

#include <memory>
#include <vector>

class CGdiplusButton;
class CMyListCtrl;
class CWndCheck;

class CSubTaskPane : public CMyDialog, private quarvik::ISubTaskListObserver {
    Q_OBJECT
public:
    ~CSubTaskPane() override;

    bool IsChecking() const { return m_runner && m_runner->Running(); }
    // The check monitor shows this pane's checks while monitored is set.
    void SetMonitor(CWndCheck* monitor, bool monitored);
    bool IsMonitored() const { return m_monitored; }

    void Stop();
    // Deletes the selected rows after the operator's confirmation.
    void DeleteSelected();

    const quarvik::CSubTaskList& Tasks() const { return m_tasks; }
    CMyListCtrl* List() const { return m_list; }
    CGdiplusButton* StartButton() const { return m_start; }
    CGdiplusButton* StopButton() const { return m_stop; }
    CGdiplusButton* DeleteButton() const { return m_delete; }
    CGdiplusButton* MonitorButton() const { return m_monitorButton; }

signals:
    // Checking began (true) or ended (false).
    void Started(bool running);
    // The operator asks the check monitor to follow this pane.
    void MonitorRequested(QWidget* pane);
    // The operator asks to see a file in the preview.
    void PlayRequested(const QString& path);

protected:
    // stateWidth: of the state column; monitorTip: the monitor button's tooltip.
    CSubTaskPane(quarvik::ListKind kind, int32_t taskId, int32_t targetType, int stateWidth,
                 const QString& monitorTip, QWidget* parent);

    // The workers, once the pane knows its setup; the list's rows are loaded by then.
    void SetRunner(quarvik::CResultRecorder& recorder, quarvik::CheckRunnerSetup setup);
    // Starts the workers, or says why they could not start (a source that fails without a reason
    // leaves the pane stopped without a word). True when they run.
    bool StartRunner();
    // The workers end, their last calls answered meanwhile, and nothing else is dispatched while
    // the windows around may be half destroyed. A pane whose own members the workers use calls it
    // first in its destructor; calling it again does nothing.
    void EndWorkers();
    // Called by Stop before the workers are asked to end.
    virtual void OnStopping() {}
    // The buttons in the order they stand, the pane's own first.
    virtual std::vector<CGdiplusButton*> Buttons() const = 0;

    void resizeEvent(QResizeEvent* event) override;

    CGdiplusButton* m_start;
    CGdiplusButton* m_stop;
    CGdiplusButton* m_delete;
    CGdiplusButton* m_monitorButton;
    CMyListCtrl* m_list;
    CQtDispatcher m_home;
    quarvik::CSubTaskList m_tasks;
    std::unique_ptr<quarvik::CCheckRunner> m_runner;

private:
    void SetButtonsRunning(bool running);
    void OnRowAdded(int row) override;
    void OnRowChanged(int row) override;
    void OnRowsReloaded() override;
    void OnNotice(const std::string& text) override;
    void OnEntersChecking(const quarvik::SubTaskInfo_t&) override {}

    bool m_monitored = false;
};
