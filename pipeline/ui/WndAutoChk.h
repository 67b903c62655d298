#pragma once
// The pane of one monitoring task: the sub-tasks its source finds, as they are downloaded (FTP),
// prepared and checked, and the workers that do it between Start and Stop. A removable-disk task
// takes the disks handed to it by the workspace's one watcher of the mount table while it runs.
//
// The workspace makes one pane per active task and deletes it; deleting it stops its workers.
// GUI thread only; the recorder and the volume router must outlive the pane.
#include "MyDialog.h"

#include "CheckRunner.h"
#include "MountNotifier.h"
#include "QtDispatcher.h"
#include "SubTaskList.h"
#include "TemplRecords.h"

#include <memory>
#include <string>

class CGdiplusButton;
class CMyListCtrl;
class CWndCheck;

class CWndAutoChk : public CMyDialog,
                    private quarvik::ISubTaskListObserver,
                    private quarvik::IVolumeReceiver {
    Q_OBJECT
public:
    static constexpr int kStateWidth = 110;

    // Loads the task's target, its format template (with bSyntax) and its unfinished sub-tasks.
    // volumes: where a removable-disk task registers while it runs (none: it gets no disks).
    CWndAutoChk(const quarvik::MonTask_t& task, quarvik::CResultRecorder& recorder,
                quarvik::CVolumeRouter* volumes = nullptr, QWidget* parent = nullptr);
    ~CWndAutoChk() override;

    bool IsChecking() const { return m_runner && m_runner->Running(); }
    // The check monitor shows this pane's checks while monitored is set.
    void SetMonitor(CWndCheck* monitor, bool monitored);
    bool IsMonitored() const { return m_monitored; }

    // Refuses with a message box when the cache folder is not usable or the task cannot run.
    void Start();
    void Stop();
    // Deletes the selected rows after the operator's confirmation (removable-disk tasks).
    void DeleteSelected();

    const quarvik::MonTask_t& Task() const { return m_task; }
    const quarvik::MonObj_t& Target() const { return m_target; }
    const quarvik::CSubTaskList& Tasks() const { return m_tasks; }
    CMyListCtrl* List() const { return m_list; }
    CGdiplusButton* StartButton() const { return m_start; }
    CGdiplusButton* StopButton() const { return m_stop; }
    CGdiplusButton* DeleteButton() const { return m_delete; }
    CGdiplusButton* MonitorButton() const { return m_monitorButton; }

signals:
    // The task began (true) or stopped (false).
    void Started(bool running);
    // The operator asks the check monitor to follow this pane.
    void MonitorRequested(QWidget* pane);
    // The operator asks to see a file in the preview.
    void PlayRequested(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnRowAdded(int row) override;
    void OnRowChanged(int row) override;
    void OnRowsReloaded() override;
    void OnEntersChecking(const quarvik::SubTaskInfo_t&) override {}
    void OnVolumeArrived(const std::string& mountPoint) override;
    void OnVolumeRemoved(const std::string& mountPoint) override;

    void SetButtonsRunning(bool running);
    bool IsRemovable() const { return m_target.nType == quarvik::kTargetRemovable; }

    const quarvik::MonTask_t m_task;
    quarvik::MonObj_t m_target{};
    // Why the task cannot run (its target or template is missing), for the operator; "" when it can.
    QString m_setupError;
    quarvik::CVolumeRouter* m_volumes;
    std::shared_ptr<quarvik::CVolumeMailbox> m_mailbox;
    CGdiplusButton* m_start;
    CGdiplusButton* m_stop;
    CGdiplusButton* m_delete;
    CGdiplusButton* m_monitorButton;
    CMyListCtrl* m_list;
    CQtDispatcher m_home;
    quarvik::CSubTaskList m_tasks;
    std::unique_ptr<quarvik::CCheckRunner> m_runner;
    bool m_monitored = false;
};
