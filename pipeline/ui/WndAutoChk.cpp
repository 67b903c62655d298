#include "WndAutoChk.h"

#include "GdiplusButton.h"
#include "MessageBox.h"
#include "MyListCtrl.h"
#include "SqliteDb.h"
#include "SubTaskRows.h"
#include "TaskSetup.h"
#include "TemplReaders.h"
#include "WndCheck.h"

#include <QApplication>
#include <QShortcut>

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
    : CMyDialog(parent),
      m_task(task),
      m_target(LoadTargetOf(task)),
      m_volumes(volumes),
      m_start(new CGdiplusButton(QStringLiteral("开始"), this)),
      m_stop(new CGdiplusButton(QStringLiteral("停止"), this)),
      m_delete(new CGdiplusButton(QStringLiteral("删除"), this)),
      m_monitorButton(new CGdiplusButton(QStringLiteral("监视"), this)),
      m_list(new CMyListCtrl(this)),
      m_home(this),
      m_tasks(ListKind::kTask, task.nID, m_target.nType) {
    SetUpSubTaskColumns(*m_list, kStateWidth);
    m_delete->setVisible(IsRemovable());
    m_monitorButton->SetToolTipText(QStringLiteral("检测监视窗口显示本任务"));
    m_stop->setEnabled(false);

    connect(m_start, &QAbstractButton::clicked, this, &CWndAutoChk::Start);
    connect(m_stop, &QAbstractButton::clicked, this, &CWndAutoChk::Stop);
    connect(m_delete, &QAbstractButton::clicked, this, &CWndAutoChk::DeleteSelected);
    connect(m_monitorButton, &QAbstractButton::clicked, this, [this] { emit MonitorRequested(this); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { emit PlayRequested(QString::fromUtf8(m_tasks.Row(row).szFilename)); });
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowSubTaskStateAt(this, *m_list, m_tasks, pos); });
    if (IsRemovable()) {
        auto* deleteKey = new QShortcut(QKeySequence::Delete, m_list, nullptr, nullptr, Qt::WidgetShortcut);
        connect(deleteKey, &QShortcut::activated, this, [this] {
            if (m_delete->isEnabled()) DeleteSelected();
        });
    }

    m_tasks.AddObserver(this);
    m_tasks.Load();
    // A missing target takes its template with it: neither is loaded, and Start says why.
    CheckRunnerSetup setup;
    std::string error;
    if (IsRemovable()) m_mailbox = std::make_shared<CVolumeMailbox>();
    if (m_target.nType < 0)
        m_setupError = QStringLiteral("检测目标不存在，任务不能开始!");
    else if (!LoadTaskSetup(task, setup, error, m_mailbox))
        m_setupError = QStringLiteral("格式模板不存在，任务不能开始!");
    else
        m_runner = std::make_unique<CCheckRunner>(m_home, m_tasks, recorder, std::move(setup));
}

CWndAutoChk::~CWndAutoChk() {
    if (m_volumes) m_volumes->Unregister(this);
    // The workers end first; their last calls are answered meanwhile, and nothing else is
    // dispatched while the windows around may be half destroyed.
    m_home.SetServeOnly(true);
    m_runner.reset();
    m_tasks.RemoveObserver(this);
}

void CWndAutoChk::resizeEvent(QResizeEvent*) {
    LayOutSubTaskPane(*this, {m_start, m_stop, m_delete, m_monitorButton}, *m_list);
}

void CWndAutoChk::SetMonitor(CWndCheck* monitor, bool monitored) {
    m_monitored = monitored;
    if (m_runner) m_runner->SetMonitor(monitor, monitored ? 1 : 0);
}

void CWndAutoChk::Start() {
    if (IsChecking()) return;
    if (!m_runner) {
        ShowMessage(this, m_setupError, MsgIcon::Exclamation);
        return;
    }
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool started = m_runner->Start(&error);
    QApplication::restoreOverrideCursor();
    if (!started) {
        // A source that cannot start leaves the task stopped without a word; the cache folder does not.
        if (!error.empty()) ShowMessage(this, QString::fromStdString(error), MsgIcon::Exclamation);
        return;
    }
    // The disks present that no other task holds come at once, and every disk plugged in later.
    if (IsRemovable() && m_volumes) m_volumes->Register(this);
    SetButtonsRunning(true);
    emit Started(true);
}

void CWndAutoChk::Stop() {
    if (!IsChecking()) return;
    // The window keeps serving while the workers end; a second Stop meanwhile has no button.
    m_stop->setEnabled(false);
    if (m_volumes) m_volumes->Unregister(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_runner->Stop();
    QApplication::restoreOverrideCursor();
    SetButtonsRunning(false);
    emit Started(false);
}

void CWndAutoChk::SetButtonsRunning(bool running) {
    m_start->setEnabled(!running);
    m_delete->setEnabled(!running);
    m_stop->setEnabled(running);
}

void CWndAutoChk::DeleteSelected() { DeleteSelectedSubTasks(this, *m_list, m_tasks); }

void CWndAutoChk::OnVolumeArrived(const std::string& mountPoint) { m_mailbox->Put({true, mountPoint}); }

// The source thread takes the disk's unfinished sub-tasks away once any scan of it has ended.
void CWndAutoChk::OnVolumeRemoved(const std::string& mountPoint) { m_mailbox->Put({false, mountPoint}); }

void CWndAutoChk::OnRowAdded(int row) { InsertSubTaskRow(*m_list, m_tasks, row); }

void CWndAutoChk::OnRowChanged(int row) { UpdateSubTaskRow(*m_list, m_tasks, row); }

void CWndAutoChk::OnRowsReloaded() { ReloadSubTaskRows(*m_list, m_tasks); }
