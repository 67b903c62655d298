#include "WndManualChk.h"

#include "FileDisplay.h"
#include "FileOpenDialog.h"
#include "GdiplusButton.h"
#include "ListPictures.h"
#include "Settings.h"
#include "MessageBox.h"
#include "MyListCtrl.h"
#include "StateColours.h"
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

constexpr int kStateColumn = 2;
constexpr int kButtonWidth = 64, kButtonGap = 6, kButtonLine = 34;

QString SizeText(int64_t bytes) { return QString::asprintf("%.2f M", static_cast<double>(bytes) / 1048576.0); }

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
    m_list->InsertColumn(0, QStringLiteral("序号"), Qt::AlignLeft, 44);
    m_list->InsertColumn(1, QStringLiteral("文件"), Qt::AlignLeft, 240);
    m_list->InsertColumn(kStateColumn, QStringLiteral("状态"), Qt::AlignHCenter, 100);
    // Fonts wider than the list was laid out for get wider columns rather than cut progress texts.
    m_list->WidenColumnsToTitles();
    m_list->WidenColumnFor(kStateColumn, QStringLiteral("图像检测中: 100 %"));
    // The row number shows beside its thumbnail.
    m_list->WidenColumnFor(0, QStringLiteral("9999"), kListPictureSide);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->SetItemHeight(kListPictureSide + 2);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);

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
    m_addMenu->addAction(QStringLiteral("从FTP服务器添加文件"), this,
                         [this] { SayNotAvailable(this, QStringLiteral("FTP 服务器浏览")); });
    m_addMenu->addAction(QStringLiteral("从FTP服务器添加文件夹"), this,
                         [this] { SayNotAvailable(this, QStringLiteral("FTP 服务器浏览")); });
    m_addMenu->addAction(QStringLiteral("添加网络流"), this,
                         [this] { SayNotAvailable(this, QStringLiteral("网络流地址输入")); });

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
    // One line of buttons while the pane is wide enough; in a narrow one they become as narrow as
    // their texts allow, and what still does not fit goes on the next line.
    const std::initializer_list<CGdiplusButton*> buttons = {m_add, m_start, m_stop, m_delete, m_monitorButton};
    int buttonWidth = kButtonWidth;
    if (4 + static_cast<int>(buttons.size()) * (kButtonWidth + kButtonGap) - kButtonGap > width() - 4) {
        buttonWidth = 0;
        for (const CGdiplusButton* button : buttons)
            buttonWidth = qMax(buttonWidth, button->fontMetrics().horizontalAdvance(button->text()) + 16);
        buttonWidth = qMin(buttonWidth, kButtonWidth);
    }
    int x = 4, y = 6;
    for (CGdiplusButton* button : buttons) {
        if (x > 4 && x + buttonWidth > width() - 4) {
            x = 4;
            y += kButtonLine;
        }
        button->setGeometry(x, y, buttonWidth, 28);
        x += buttonWidth + kButtonGap;
    }
    const int top = y + kButtonLine;
    m_list->setGeometry(2, top, width() - 4, height() - top - 2);
}

void CWndManualChk::SetMonitor(CWndCheck* monitor, bool monitored) {
    m_monitored = monitored;
    m_runner->SetMonitor(monitor, monitored ? 1 : 0);
}

void CWndManualChk::AddFiles(const QStringList& paths) {
    std::vector<CSubTaskList::Candidate_t> candidates;
    for (const QString& path : paths) candidates.push_back({path.toStdString(), ReadableSize(path)});
    AddCandidates(candidates);
}

void CWndManualChk::AddFolder(const QString& folder) {
    std::vector<CSubTaskList::Candidate_t> candidates;
    const QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name))
        candidates.push_back({file.filePath().toStdString(), file.size()});
    AddCandidates(candidates);
}

void CWndManualChk::AddCandidates(const std::vector<CSubTaskList::Candidate_t>& candidates) {
    const std::string notice = DuplicatesNotice(m_tasks.AddCandidates(candidates, kTargetFolder));
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

void CWndManualChk::DeleteSelected() {
    std::vector<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) rows.push_back(index.row());
    if (rows.empty()) {
        ShowMessage(this, QStringLiteral("请选择要删除的记录！"), MsgIcon::Exclamation);
        return;
    }
    const QString question = QStringLiteral("%1 条记录将被删除，确信继续吗？").arg(rows.size());
    if (ShowMessage(this, question, MsgIcon::Question, MsgButtons::YesNoDefaultNo) != MsgAnswer::Yes) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_tasks.Delete(std::move(rows));
    QApplication::restoreOverrideCursor();
}

void CWndManualChk::ShowStateOf(const QPoint& pos) {
    const int row = m_list->rowAt(pos.y());
    if (row >= 0) ShowMessage(this, QString::fromStdString(m_tasks.StateText(row)));
}

void CWndManualChk::OnRowAdded(int row) {
    // New rows come into view unless the operator has scrolled up to older ones.
    const QScrollBar* bar = m_list->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    InsertRow(row);
    if (atEnd) m_list->scrollToBottom();
}

void CWndManualChk::InsertRow(int row) {
    m_list->InsertItem(row, QString::number(row + 1), m_list->AddImage(ThumbnailFromBgr(m_tasks.FaceImage(row))));
    m_list->SetItemText(row, 1, QString::fromStdString(DisplayFileName(m_tasks.Row(row).szFilename)));
    FillRow(row);
}

void CWndManualChk::OnRowChanged(int row) {
    m_list->SetImage(row, ThumbnailFromBgr(m_tasks.FaceImage(row)));
    FillRow(row);
}

void CWndManualChk::OnRowsReloaded() {
    setUpdatesEnabled(false);
    m_list->DeleteAllItems();
    m_list->SetImageList({});
    for (int row = 0; row < m_tasks.Count(); ++row) InsertRow(row);
    setUpdatesEnabled(true);
}

void CWndManualChk::FillRow(int row) {
    // Until a file has a state to show, its size stands in the state column.
    const std::string state = m_tasks.StateText(row);
    m_list->SetItemText(row, kStateColumn,
                        state.empty() ? SizeText(m_tasks.Row(row).llFileSize) : QString::fromStdString(state));
    const StateColour* failure = FailureColourOf(m_tasks.Row(row).nState);
    m_list->SetItemTextColor(row, failure ? ToQColor(*failure) : m_list->TextColour());
}
