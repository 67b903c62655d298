#include "WndAutoChk.h"

#include "GdiplusButton.h"
#include "MessageBox.h"
#include "SqliteDb.h"
#include "TaskSetup.h"
#include "TemplReaders.h"

using namespace quarvik;

namespace {

// The task's target; nType -1 when its row is missing.
MonObj_t LoadTargetOf(const MonTask_t& task) {
    MonObj_t target{};
    CSqliteDb db;
    if (!db.OpenTemplDb() || !LoadTarget(db, task.nTargetID, target)) {
        target = MonObj_t{};
        target.nType = -1;
    }
    return target;
}

}  // namespace

CWndAutoChk::CWndAutoChk(const MonTask_t& task, CResultRecorder& recorder, CVolumeRouter* volumes, QWidget* parent)
    : CWndAutoChk(task, LoadTargetOf(task), recorder, volumes, parent) {}

CWndAutoChk::CWndAutoChk(const MonTask_t& task, const MonObj_t& target, CResultRecorder& recorder,
                         CVolumeRouter* volumes, QWidget* parent)
    : CSubTaskPane(ListKind::kTask, task.nID, target.nType, kStateWidth, QStringLiteral("检测监视窗口显示本任务"),
                   parent),
      m_task(task),
      m_target(target),
      m_volumes(volumes) {
    m_delete->setVisible(IsRemovable());
    connect(m_start, &QAbstractButton::clicked, this, &CWndAutoChk::Start);

    // A missing target takes its template with it: neither is loaded, and Start says why.
    CheckRunnerSetup setup;
    std::string error;
    if (IsRemovable()) m_mailbox = std::make_shared<CVolumeMailbox>();
    if (m_target.nType < 0)
        m_setupError = QStringLiteral("检测目标不存在，任务不能开始!");
    else if (!LoadTaskSetup(task, setup, error, m_mailbox))
        m_setupError = QStringLiteral("格式模板不存在，任务不能开始!");
    else
        SetRunner(recorder, std::move(setup));
}

CWndAutoChk::~CWndAutoChk() {
    if (m_volumes) m_volumes->Unregister(this);
    EndWorkers();
}

void CWndAutoChk::Start() {
    if (IsChecking()) return;
    if (!m_runner) {
        ShowMessage(this, m_setupError, MsgIcon::Exclamation);
        return;
    }
    // The disks present that no other task holds come at once, and every disk plugged in later.
    if (StartRunner() && IsRemovable() && m_volumes) m_volumes->Register(this);
}

void CWndAutoChk::OnStopping() {
    if (m_volumes) m_volumes->Unregister(this);
}

void CWndAutoChk::OnVolumeArrived(const std::string& mountPoint) { m_mailbox->Put({true, mountPoint}); }

// The source thread takes the disk's unfinished sub-tasks away once any scan of it has ended.
void CWndAutoChk::OnVolumeRemoved(const std::string& mountPoint) { m_mailbox->Put({false, mountPoint}); }
