#include "WndManualChk.h"

#include "FileOpenDialog.h"
#include "FtpDialog.h"
#include "GdiplusButton.h"
#include "Settings.h"
#include "MessageBox.h"
#include "MyListCtrl.h"
#include "SubTaskRows.h"
#include "TaskSetup.h"
#include "WndCheck.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QShortcut>

using namespace quarvik;

namespace {

// The size of a file that can be read; 0 for one that cannot (it is listed all the same).
int64_t ReadableSize(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.size() : 0;
}

// The stand-in entries for dialogs that the program does not have yet.
void SayNotAvailable(QWidget* parent, const QString& what) {
    ShowMessage(parent, what + QStringLiteral("尚不可用。"), MsgIcon::Information);
}

}  // namespace

CWndManualChk::CWndManualChk(CResultRecorder& recorder, QWidget* parent)
    : CMyDialog(parent),
      m_add(new CGdiplusButton(QStringLiteral("添加 ▾"), this)),
      m_start(new CGdiplusButton(QStringLiteral("开始"), this)),
      m_stop(new CGdiplusButton(QStringLiteral("停止"), this)),
      m_delete(new CGdiplusButton(QStringLiteral("删除"), this)),
      m_monitorButton(new CGdiplusButton(QStringLiteral("监视"), this)),
      m_addMenu(new QMenu(this)),
      m_list(new CMyListCtrl(this)),
      m_home(this),
      m_tasks(ListKind::kManual, -1, kTargetFolder) {
    SetUpSubTaskColumns(*m_list, 100);

    m_monitorButton->SetToolTipText(QStringLiteral("检测监视窗口显示手动检测"));
    m_stop->setEnabled(false);

    m_addMenu->addAction(QStringLiteral("从本地计算机添加文件"), this, [this] {
        // The dialog opens where the operator last took files from.
        const QStringList files = ChooseFiles(this, QString::fromStdString(ReadLastFolder()));
        if (!files.isEmpty()) WriteLastFolder(QFileInfo(files.first()).absolutePath().toStdString());
        AddFiles(files);
    });
    m_addMenu->addAction(QStringLiteral("从本地计算机添加文件夹"), this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("选择目标文件夹..."));
        if (!folder.isEmpty()) AddFolder(folder);
    });
    m_addMenu->addAction(QStringLiteral("从FTP服务器添加文件"), this, [this] { AddFromFtp(CFtpDialog::kFiles); });
    m_addMenu->addAction(QStringLiteral("从FTP服务器添加文件夹"), this, [this] { AddFromFtp(CFtpDialog::kFolder); });
    m_addMenu->addAction(QStringLiteral("添加网络流"), this, [this] {
        if (!m_askNetworkAddress) return SayNotAvailable(this, QStringLiteral("网络流地址输入"));
        if (const std::optional<QString> address = m_askNetworkAddress(this)) AddNetworkStream(*address);
    });

    connect(m_add, &QAbstractButton::clicked, this,
            [this] { m_addMenu->popup(m_add->mapToGlobal(m_add->rect().bottomLeft())); });
    connect(m_start, &QAbstractButton::clicked, this, &CWndManualChk::Start);
    connect(m_stop, &QAbstractButton::clicked, this, &CWndManualChk::Stop);
    connect(m_delete, &QAbstractButton::clicked, this, &CWndManualChk::DeleteSelected);
    connect(m_monitorButton, &QAbstractButton::clicked, this, [this] { emit MonitorRequested(this); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { emit PlayRequested(QString::fromUtf8(m_tasks.Row(row).szFilename)); });
    connect(m_list, &QWidget::customContextMenuRequested, this, &CWndManualChk::ShowStateOf);
    auto* deleteKey = new QShortcut(QKeySequence::Delete, m_list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, [this] {
        if (m_delete->isEnabled()) DeleteSelected();
    });

    m_tasks.AddObserver(this);
    m_tasks.Load();
    CheckRunnerSetup setup = ManualCheckSetup();
    setup.fetcher = MakeRemoteFetcher();
    m_runner = std::make_unique<CCheckRunner>(m_home, m_tasks, recorder, std::move(setup));
    m_runner->StartThumbnails();
}

CWndManualChk::~CWndManualChk() {
    // The workers end first; their last calls are answered meanwhile, and nothing else is
    // dispatched while the windows around may be half destroyed.
    m_home.SetServeOnly(true);
    m_runner.reset();
    m_tasks.RemoveObserver(this);
}

void CWndManualChk::resizeEvent(QResizeEvent*) {
    LayOutSubTaskPane(*this, {m_add, m_start, m_stop, m_delete, m_monitorButton}, *m_list);
}

void CWndManualChk::SetMonitor(CWndCheck* monitor, bool monitored) {
    m_monitored = monitored;
    m_runner->SetMonitor(monitor, monitored ? 1 : 0);
}

void CWndManualChk::AddFiles(const QStringList& paths) {
    std::vector<CSubTaskList::Candidate_t> candidates;
    for (const QString& path : paths) candidates.push_back({path.toStdString(), ReadableSize(path)});
    AddCandidates(candidates, kTargetFolder);
}

void CWndManualChk::AddFolder(const QString& folder) {
    std::vector<CSubTaskList::Candidate_t> candidates;
    const QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name))
        candidates.push_back({file.filePath().toStdString(), file.size()});
    AddCandidates(candidates, kTargetFolder);
}

void CWndManualChk::AddFtpFiles(const std::vector<FtpCandidate>& files) {
    std::vector<CSubTaskList::Candidate_t> candidates;
    for (const FtpCandidate& file : files) candidates.push_back({file.address, file.llFileSize});
    AddCandidates(candidates, kTargetFtp);
}

void CWndManualChk::AddFromFtp(int mode) {
    CFtpDialog dialog(mode == CFtpDialog::kFolder ? CFtpDialog::kFolder : CFtpDialog::kFiles, this);
    if (dialog.exec() == QDialog::Accepted) AddFtpFiles(dialog.Chosen());
}

void CWndManualChk::AddNetworkStream(const QString& address) { AddCandidates({{address.toStdString(), 0}}, kTargetUdp); }

void CWndManualChk::AddCandidates(const std::vector<CSubTaskList::Candidate_t>& candidates, int32_t type) {
    const std::string notice = DuplicatesNotice(m_tasks.AddCandidates(candidates, type));
    if (!notice.empty()) ShowMessage(this, QString::fromStdString(notice), MsgIcon::Exclamation);
}

void CWndManualChk::Start() {
    if (m_runner->Running()) return;
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool started = m_runner->Start(&error);
    QApplication::restoreOverrideCursor();
    if (!started) {
        ShowMessage(this, QString::fromStdString(error), MsgIcon::Exclamation);
        return;
    }
    SetButtonsRunning(true);
    emit Started(true);
}

void CWndManualChk::Stop() {
    if (!m_runner->Running()) return;
    // The window keeps serving while the check ends; a second Stop meanwhile has no button.
    m_stop->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_runner->Stop();
    QApplication::restoreOverrideCursor();
    SetButtonsRunning(false);
    emit Started(false);
}

void CWndManualChk::SetButtonsRunning(bool running) {
    m_start->setEnabled(!running);
    m_delete->setEnabled(!running);
    m_stop->setEnabled(running);
}

void CWndManualChk::DeleteSelected() { DeleteSelectedSubTasks(this, *m_list, m_tasks); }

void CWndManualChk::ShowStateOf(const QPoint& pos) { ShowSubTaskStateAt(this, *m_list, m_tasks, pos); }

void CWndManualChk::OnRowAdded(int row) {
    // New rows come into view unless the operator has scrolled up to older ones.
    const QScrollBar* bar = m_list->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    InsertSubTaskRow(*m_list, m_tasks, row);
    if (atEnd) m_list->scrollToBottom();
}

void CWndManualChk::OnRowChanged(int row) { UpdateSubTaskRow(*m_list, m_tasks, row); }

void CWndManualChk::OnRowsReloaded() { ReloadSubTaskRows(*m_list, m_tasks); }
