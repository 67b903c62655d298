#include "WndManualChk.h"

#include "FileOpenDialog.h"
#include "FtpDialog.h"
#include "GdiplusButton.h"
#include "LocalFile.h"
#include "MessageBox.h"
#include "Settings.h"
#include "TaskSetup.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

using namespace quarvik;

namespace {

// The size of a file that can be read; 0 for one that cannot (it is listed all the same).
// Asked without opening it: nothing here may wait on the file.
int64_t ReadableSize(const QString& path) {
    const QFileInfo info(path);
    return info.isReadable() ? info.size() : 0;
}

// What an entry says when the pane stands outside the workspace that gives it the dialog.
void SayNotAvailable(QWidget* parent, const QString& what) {
    ShowMessage(parent, what + QStringLiteral("尚不可用。"), MsgIcon::Information);
}

}  // namespace

CWndManualChk::CWndManualChk(CResultRecorder& recorder, QWidget* parent)
    : CSubTaskPane(ListKind::kManual, -1, kTargetFolder, 100, QStringLiteral("检测监视窗口显示手动检测"), parent),
      m_add(new CGdiplusButton(QStringLiteral("添加 ▾"), this)),
      m_addMenu(new QMenu(this)) {
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
    setTabOrder(m_add, m_start);

    CheckRunnerSetup setup = ManualCheckSetup();
    setup.fetcher = MakeRemoteFetcher();
    SetRunner(recorder, std::move(setup));
    m_runner->StartThumbnails();
}

void CWndManualChk::AddFiles(const QStringList& paths) {
    std::vector<CSubTaskList::Candidate_t> candidates;
    QString refused;
    for (const QString& path : paths) {
        // A FIFO or a device (a name typed in the file dialog) would block whoever reads it.
        if (!SpecialFileReason(path.toStdString()).empty())
            refused += path + QStringLiteral("\r\n");
        else
            candidates.push_back({path.toStdString(), ReadableSize(path)});
    }
    AddCandidates(candidates, kTargetFolder);
    if (!refused.isEmpty())
        ShowMessage(this, QStringLiteral("下列文件不是普通文件（管道、设备等），未添加：\r\n\r\n") + refused,
                    MsgIcon::Exclamation);
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
    if (!IsChecking()) StartRunner();
}

