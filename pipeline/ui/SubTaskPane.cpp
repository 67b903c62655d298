#include "SubTaskPane.h"

#include "GdiplusButton.h"
#include "MessageBox.h"
#include "MyListCtrl.h"
#include "SubTaskRows.h"
#include "WndCheck.h"

#include <QApplication>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>

using namespace quarvik;

CSubTaskPane::CSubTaskPane(ListKind kind, int32_t taskId, int32_t targetType, int stateWidth,
                           const QString& monitorTip, QWidget* parent)
    : CMyDialog(parent),
      m_start(new CGdiplusButton(QStringLiteral("开始"), this)),
      m_stop(new CGdiplusButton(QStringLiteral("停止"), this)),
      m_delete(new CGdiplusButton(QStringLiteral("删除"), this)),
      m_monitorButton(new CGdiplusButton(QStringLiteral("监视"), this)),
      m_list(new CMyListCtrl(this)),
      m_home(this),
      m_tasks(kind, taskId, targetType) {
    SetUpSubTaskColumns(*m_list, stateWidth);
    m_monitorButton->SetToolTipText(monitorTip);
    m_stop->setEnabled(false);

    connect(m_stop, &QAbstractButton::clicked, this, &CSubTaskPane::Stop);
    connect(m_delete, &QAbstractButton::clicked, this, &CSubTaskPane::DeleteSelected);
    connect(m_monitorButton, &QAbstractButton::clicked, this, [this] { emit MonitorRequested(this); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { emit PlayRequested(QString::fromUtf8(m_tasks.Row(row).szFilename)); });
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowSubTaskStateAt(this, *m_list, m_tasks, pos); });
    auto* deleteKey = new QShortcut(QKeySequence::Delete, m_list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, [this] {
        if (m_delete->isVisibleTo(this) && m_delete->isEnabled()) DeleteSelected();
    });

    m_tasks.AddObserver(this);
    m_tasks.Load();
}

CSubTaskPane::~CSubTaskPane() {
    EndWorkers();
    m_tasks.RemoveObserver(this);
}

void CSubTaskPane::EndWorkers() {
    m_home.SetServeOnly(true);
    m_runner.reset();
}

void CSubTaskPane::SetRunner(CResultRecorder& recorder, CheckRunnerSetup setup) {
    m_runner = std::make_unique<CCheckRunner>(m_home, m_tasks, recorder, std::move(setup));
}

void CSubTaskPane::resizeEvent(QResizeEvent*) { LayOutSubTaskPane(*this, Buttons(), *m_list); }

void CSubTaskPane::SetMonitor(CWndCheck* monitor, bool monitored) {
    m_monitored = monitored;
    if (m_runner) m_runner->SetMonitor(monitor, monitored ? 1 : 0);
}

bool CSubTaskPane::StartRunner() {
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool started = m_runner->Start(&error);
    QApplication::restoreOverrideCursor();
    if (!started) {
        if (!error.empty()) ShowMessage(this, QString::fromStdString(error), MsgIcon::Exclamation);
        return false;
    }
    SetButtonsRunning(true);
    emit Started(true);
    return true;
}

void CSubTaskPane::Stop() {
    if (!IsChecking()) return;
    // The window keeps serving while the workers end; a second Stop meanwhile has no button.
    m_stop->setEnabled(false);
    OnStopping();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_runner->Stop();
    QApplication::restoreOverrideCursor();
    SetButtonsRunning(false);
    emit Started(false);
}

void CSubTaskPane::SetButtonsRunning(bool running) {
    m_start->setEnabled(!running);
    m_delete->setEnabled(!running);
    m_stop->setEnabled(running);
}

void CSubTaskPane::DeleteSelected() { DeleteSelectedSubTasks(this, *m_list, m_tasks); }

void CSubTaskPane::OnRowAdded(int row) {
    // New rows come into view unless the operator has scrolled up to older ones.
    const QScrollBar* bar = m_list->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    InsertSubTaskRow(*m_list, m_tasks, row);
    if (atEnd) m_list->scrollToBottom();
}

void CSubTaskPane::OnRowChanged(int row) { UpdateSubTaskRow(*m_list, m_tasks, row); }

void CSubTaskPane::OnRowsReloaded() { ReloadSubTaskRows(*m_list, m_tasks); }

void CSubTaskPane::OnNotice(const std::string& text) {
    // A worker is waiting for this call: the message is shown once it has returned.
    const QString message = QString::fromStdString(text);
    QTimer::singleShot(0, this, [this, message] { ShowMessage(this, message, MsgIcon::Exclamation); });
}
