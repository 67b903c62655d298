#pragma once
// The pane of one monitoring task: the sub-tasks its source finds, as they are downloaded (FTP),
// prepared and checked, and the workers that do it between Start and Stop. A removable-disk task
// takes the disks handed to it by the workspace's one watcher of the mount table while it runs.
//
// The workspace makes one pane per active task and deletes it; deleting it stops its workers.
// GUI thread only; the recorder and the volume router must outlive the pane.
#include "SubTaskPane.h"

#include "MountNotifier.h"
#include "TemplRecords.h"

#include <memory>
#include <string>

class CWndAutoChk : public CSubTaskPane, private quarvik::IVolumeReceiver {
    Q_OBJECT
public:
    static constexpr int kStateWidth = 110;

    // Loads the task's target, its format template (with bSyntax) and its unfinished sub-tasks.
    // volumes: where a removable-disk task registers while it runs (none: it gets no disks).
    CWndAutoChk(const quarvik::MonTask_t& task, quarvik::CResultRecorder& recorder,
                quarvik::CVolumeRouter* volumes = nullptr, QWidget* parent = nullptr);
    ~CWndAutoChk() override;

    // Refuses with a message box when the cache folder is not usable or the task cannot run.
    void Start();

    const quarvik::MonTask_t& Task() const { return m_task; }
    const quarvik::MonObj_t& Target() const { return m_target; }

private:
    CWndAutoChk(const quarvik::MonTask_t& task, const quarvik::MonObj_t& target, quarvik::CResultRecorder& recorder,
                quarvik::CVolumeRouter* volumes, QWidget* parent);
    std::vector<CGdiplusButton*> Buttons() const override { return {m_start, m_stop, m_delete, m_monitorButton}; }
    void OnStopping() override;
    void OnVolumeArrived(const std::string& mountPoint) override;
    void OnVolumeRemoved(const std::string& mountPoint) override;

    bool IsRemovable() const { return m_target.nType == quarvik::kTargetRemovable; }

    const quarvik::MonTask_t m_task;
    quarvik::MonObj_t m_target{};
    // Why the task cannot run (its target or template is missing), for the operator; "" when it can.
    QString m_setupError;
    quarvik::CVolumeRouter* m_volumes;
    std::shared_ptr<quarvik::CVolumeMailbox> m_mailbox;
};
