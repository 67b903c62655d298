#include "FtpDialog.h"

#include "BrindleColors.h"
#include "FFPlayer.h"
#include "FileDisplay.h"
#include "GdiPlusBitmap.h"
#include "GdiplusButton.h"
#include "MessageBox.h"
#include "MyListCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QStackedWidget>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>

using namespace quarvik;

namespace {

enum Column { kNameColumn, kSizeColumn, kTypeColumn, kDateColumn };
enum RowData { kFileRow = 0, kFolderRow = 1 };

// What the logon uses for "匿名"; the chosen addresses carry "anonymous" as the password.
constexpr char kAnonymousUser[] = "anonymous";
constexpr char kAnonymousListPassword[] = "kqzmtr";
constexpr char kAnonymousAddressPassword[] = "anonymous";

// A server that does not answer ends a listing within these bounds.
const FtpTimeouts kBrowseTimeouts{10000, 15000, 15000};

constexpr int kSmallIcon = 16;
constexpr int kLargeIcon = 32;

// The tool buttons' pictures: parent folder, icon view, details view.
QIcon ParentFolderIcon(int side) { return QIcon(CSystemImageList(side).Pixmap(CSystemImageList::kParentFolder)); }

QIcon IconViewIcon(int side) {
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const int half = side / 2;
    for (int x : {1, half + 1})
        for (int y : {1, half + 1}) p.fillRect(x, y, half - 2, half - 2, brindle::kListText);
    return QIcon(pm);
}

QIcon DetailsViewIcon(int side) {
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const int step = side / 4;
    for (int i = 0; i < 4; ++i) {
        const int y = i * step + step / 2 - 1;
        p.fillRect(1, y, 2, 2, brindle::kCheckFrame);
        p.fillRect(5, y, side - 6, 2, brindle::kListText);
    }
    return QIcon(pm);
}

// The type column in the manner of the system's names: "文件夹", "MXF 文件", "文件".
QString TypeName(const FtpEntry& entry) {
    if (entry.bFolder) return QStringLiteral("文件夹");
    const QString suffix = QFileInfo(QString::fromStdString(entry.name)).suffix();
    return suffix.isEmpty() ? QStringLiteral("文件") : suffix.toUpper() + QStringLiteral(" 文件");
}

QString DateText(int64_t seconds) {
    return seconds > 0 ? QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                       : QString();
}

QString SizeText(int64_t bytes) { return QString::number(bytes / 1024) + QStringLiteral(" K"); }

// The logon that the chosen addresses carry: an anonymous one gives "anonymous" as its password.
FtpAddress ForAddresses(FtpAddress server) {
    if (server.user == kAnonymousUser && server.password == kAnonymousListPassword)
        server.password = kAnonymousAddressPassword;
    return server;
}

}  // namespace

// Carries a listing's result from its pool thread to the dialog, unless the dialog is gone:
// the dialog detaches it first thing in its destructor, and a queued call to a deleted dialog
// is dropped by Qt.
class CFtpDialog::Mailbox {
public:
    explicit Mailbox(CFtpDialog* dialog) : m_dialog(dialog) {}
    void Detach() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_dialog = nullptr;
    }
    void Deliver(Job job, std::shared_ptr<const Listing> listing) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_dialog) return;
        CFtpDialog* dialog = m_dialog;
        QMetaObject::invokeMethod(
            dialog, [dialog, job, listing] { dialog->OnListed(job, *listing); }, Qt::QueuedConnection);
    }

private:
    std::mutex m_mutex;
    CFtpDialog* m_dialog;
};

CFtpDialog::CFtpDialog(Mode mode, QWidget* parent)
    : CMyPopDialog(parent),
      m_mode(mode),
      m_mailbox(std::make_shared<Mailbox>(this)),
      m_host(new QComboBox(this)),
      m_port(new QLineEdit(QStringLiteral("21"), this)),
      m_user(new QLineEdit(this)),
      m_password(new QLineEdit(this)),
      m_anonymous(new QCheckBox(QStringLiteral("匿名"), this)),
      m_folderText(new QLineEdit(QString::fromStdString(m_folder), this)),
      m_parent(new CGdiplusButton({}, this)),
      m_iconButton(new CGdiplusButton({}, this)),
      m_detailsButton(new CGdiplusButton({}, this)),
      m_connect(new CGdiplusButton(QStringLiteral("连接"), this)),
      m_views(new QStackedWidget(this)),
      m_list(new CMyListCtrl(this)),
      m_icons(new QListView(this)) {
    setWindowTitle(mode == kFiles ? QStringLiteral("打开FTP服务器文件") : QStringLiteral("打开FTP服务器文件夹"));

    m_host->setEditable(true);
    for (const std::string& name : LoadFtpHistory()) m_host->addItem(QString::fromStdString(name));
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_port->setFixedWidth(64);
    m_password->setEchoMode(QLineEdit::Password);
    m_folderText->setReadOnly(true);
    const std::pair<CGdiplusButton*, std::pair<QIcon, const char*>> tools[] = {
        {m_parent, {ParentFolderIcon(18), "上一级文件夹"}},
        {m_iconButton, {IconViewIcon(18), "大图标"}},
        {m_detailsButton, {DetailsViewIcon(18), "详细信息"}}};
    for (const auto& [button, look] : tools) {
        button->SetIconID(look.first, 18);
        button->SetToolTipText(QString::fromUtf8(look.second));
        button->setFixedSize(24, 24);
    }
    m_parent->setEnabled(false);
    m_connect->setFixedSize(72, 26);

    m_list->InsertColumn(kNameColumn, QStringLiteral("文件名"), Qt::AlignLeft, 200);
    m_list->InsertColumn(kSizeColumn, QStringLiteral("大小"), Qt::AlignRight, 100);
    m_list->InsertColumn(kTypeColumn, QStringLiteral("类型"), Qt::AlignLeft, 130);
    m_list->InsertColumn(kDateColumn, QStringLiteral("建立日期"), Qt::AlignLeft, 150);
    m_list->WidenColumnsToTitles();
    m_list->WidenColumnFor(kDateColumn, QStringLiteral("2026-12-31 23:59:59"));
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->SetImageList(CSystemImageList(kSmallIcon).Pixmaps());
    const auto selection = mode == kFiles ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
    m_list->setSelectionMode(selection);

    // The icon view shows the same rows and selection as the details view.
    m_icons->setModel(m_list->model());
    m_icons->setSelectionModel(m_list->selectionModel());
    m_icons->setModelColumn(kNameColumn);
    m_icons->setViewMode(QListView::IconMode);
    m_icons->setIconSize(QSize(kLargeIcon, kLargeIcon));
    m_icons->setGridSize(QSize(104, 76));
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_icons->setWordWrap(true);
    m_icons->setTextElideMode(Qt::ElideMiddle);
    m_icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_icons->setSelectionMode(selection);
    m_icons->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_icons->setFrameShape(QFrame::NoFrame);
    QPalette dark = m_icons->palette();
    dark.setColor(QPalette::Base, brindle::kListBack);
    dark.setColor(QPalette::Text, brindle::kListText);
    m_icons->setPalette(dark);
    m_views->addWidget(m_icons);
    m_views->addWidget(m_list);
    SetView(kDetailsView);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(8);
    fields->addWidget(new QLabel(QStringLiteral("服务器:"), this), 0, 0);
    fields->addWidget(m_host, 0, 1, 1, 3);
    fields->addWidget(new QLabel(QStringLiteral("端口:"), this), 0, 4);
    fields->addWidget(m_port, 0, 5);
    fields->addWidget(new QLabel(QStringLiteral("用户名:"), this), 1, 0);
    fields->addWidget(m_user, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("密码:"), this), 1, 2);
    fields->addWidget(m_password, 1, 3);
    fields->addWidget(m_anonymous, 1, 4);
    fields->addWidget(m_connect, 1, 5);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("当前文件夹:"), this));
    folderRow->addWidget(m_folderText, 1);
    for (CGdiplusButton* button : {m_parent, m_iconButton, m_detailsButton}) folderRow->addWidget(button);

    auto* body = new QHBoxLayout;
    body->addWidget(m_views, 1);
    if (mode == kFiles) {
        m_player = std::make_unique<CFFPlayer>();
        m_preview = new QWidget(this);
        m_preview->setFixedSize(320, 240);
        m_preview->setAutoFillBackground(true);
        QPalette black = m_preview->palette();
        black.setColor(QPalette::Window, Qt::black);
        m_preview->setPalette(black);
        // The file that plays, under its picture.
        m_previewName = new QLabel(this);
        m_previewName->setFixedWidth(320);
        m_previewName->setWordWrap(true);
        m_previewName->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        auto* side = new QVBoxLayout;
        side->addWidget(new QLabel(QStringLiteral("预览:"), this));
        side->addWidget(m_preview);
        side->addWidget(m_previewName);
        side->addStretch(1);
        body->addLayout(side);
    }

    const OkCancel buttons = MakeOkCancel();
    m_ok = buttons.ok;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->addLayout(fields);
    layout->addLayout(folderRow);
    layout->addLayout(body, 1);
    layout->addLayout(buttons.row);

    connect(m_anonymous, &QCheckBox::toggled, this, [this](bool on) {
        m_user->setEnabled(!on);
        m_password->setEnabled(!on);
    });
    connect(m_connect, &QAbstractButton::clicked, this, &CFtpDialog::Connect);
    connect(m_parent, &QAbstractButton::clicked, this, &CFtpDialog::OpenParentFolder);
    connect(m_iconButton, &QAbstractButton::clicked, this, [this] { SetView(kIconView); });
    connect(m_detailsButton, &QAbstractButton::clicked, this, [this] { SetView(kDetailsView); });
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_list), static_cast<QAbstractItemView*>(m_icons)})
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
            if (m_list->GetItemData(index.row()) == kFolderRow) OpenFolderRow(index.row());
        });
    if (mode == kFiles) {
        // A click makes the row current and then selects it; a key press may do it the other way round.
        connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &CFtpDialog::PreviewSelected);
        connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CFtpDialog::PreviewSelected);
    }
    connect(m_ok, &QAbstractButton::clicked, this, &CFtpDialog::accept);
    connect(this, &QDialog::finished, this, [this] {
        if (m_player) m_player->Close();
    });
    resize(mode == kFiles ? 980 : 660, 540);
}

CFtpDialog::~CFtpDialog() {
    m_mailbox->Detach();
    if (m_player) m_player->Close();
}

FtpAddress CFtpDialog::FieldsServer() const {
    FtpAddress server;
    server.server = m_host->currentText().trimmed().toStdString();
    server.port = m_port->text().toInt();
    if (server.port <= 0 || server.port > 65535) server.port = 21;
    if (m_anonymous->isChecked()) {
        server.user = kAnonymousUser;
        server.password = kAnonymousListPassword;
    } else {
        server.user = m_user->text().toStdString();
        server.password = m_password->text().toStdString();
    }
    return server;
}

void CFtpDialog::Connect() {
    if (m_busy) return;
    const FtpAddress server = FieldsServer();
    if (server.server.empty()) {
        ShowMessage(this, QStringLiteral("请输入FTP服务器地址！"), MsgIcon::Exclamation);
        m_host->setFocus();
        return;
    }
    m_listed = server;
    m_haveListing = false;
    StartJob(Job::kList, server, "/");
}

void CFtpDialog::OpenFolderRow(int row) {
    if (m_busy || row < 0 || row >= static_cast<int>(m_names.size()) || m_list->GetItemData(row) != kFolderRow) return;
    StartJob(Job::kList, m_listed, m_folder + m_names[row] + "/");
}

void CFtpDialog::OpenParentFolder() {
    if (m_busy || m_folder == "/") return;
    const size_t cut = m_folder.rfind('/', m_folder.size() - 2);
    StartJob(Job::kList, m_listed, m_folder.substr(0, cut + 1));
}

void CFtpDialog::SetView(View view) { m_views->setCurrentIndex(view == kIconView ? 0 : 1); }

void CFtpDialog::StartJob(Job job, const FtpAddress& server, const std::string& folder) {
    m_busy = true;
    setCursor(Qt::BusyCursor);
    for (QWidget* w : std::initializer_list<QWidget*>{m_connect, m_parent, m_ok}) w->setEnabled(false);
    if (job == Job::kList) {
        m_folder = folder;
        m_folderText->setText(QString::fromStdString(folder));
        FillRows({});
    } else {
        m_expandFolder = folder;
    }
    const bool foldersOnly = m_mode == kFolder;
    QThreadPool::globalInstance()->start([mailbox = m_mailbox, job, server, folder, foldersOnly] {
        auto listing = std::make_shared<Listing>();
        if (job == Job::kList) {
            listing->ok = ListFtpFolder(server, folder, listing->entries, kBrowseTimeouts, &listing->error);
            if (foldersOnly)
                std::erase_if(listing->entries, [](const FtpEntry& entry) { return !entry.bFolder; });
        } else {
            listing->ok = ExpandFtpFolder(server, folder, listing->files, kBrowseTimeouts, &listing->error);
        }
        mailbox->Deliver(job, std::move(listing));
    });
}

void CFtpDialog::OnListed(Job job, const Listing& listing) {
    m_busy = false;
    unsetCursor();
    m_connect->setEnabled(true);
    m_parent->setEnabled(m_folder != "/");
    m_ok->setEnabled(true);
    if (job == Job::kList) {
        if (listing.ok) {
            m_haveListing = true;
            FillRows(listing.entries);
        } else {
            ShowFailure(m_folder, listing.error);
        }
        return;
    }
    if (!listing.ok) {
        ShowFailure(m_expandFolder, listing.error);
        return;
    }
    m_chosen = listing.files;
    SaveHistory();
    CMyPopDialog::accept();
}

void CFtpDialog::FillRows(std::vector<FtpEntry> entries) {
    if (m_player) m_player->Close();
    m_previewAddress.clear();
    if (m_previewName) m_previewName->clear();
    // Folders first, each part by name, as a file manager lists them.
    std::sort(entries.begin(), entries.end(), [](const FtpEntry& a, const FtpEntry& b) {
        return a.bFolder != b.bFolder ? a.bFolder : a.name < b.name;
    });
    m_list->setUpdatesEnabled(false);
    m_list->DeleteAllItems();
    m_names.clear();
    m_sizes.clear();
    const CSystemImageList large(kLargeIcon);
    for (const FtpEntry& entry : entries) {
        const QString name = QString::fromStdString(entry.name);
        const CSystemImageList::Kind kind = CSystemImageList::KindOf(name, entry.bFolder);
        const int row = m_list->InsertItem(m_list->GetItemCount(), name, kind);
        m_list->item(row, kNameColumn)->setIcon(QIcon(large.Pixmap(kind)));
        m_list->SetItemData(row, entry.bFolder ? kFolderRow : kFileRow);
        m_list->SetItemText(row, kSizeColumn, entry.bFolder ? QString() : SizeText(entry.llSize));
        m_list->SetItemText(row, kTypeColumn, TypeName(entry));
        m_list->SetItemText(row, kDateColumn, DateText(entry.tmModified));
        m_names.push_back(entry.name);
        m_sizes.push_back(entry.bFolder ? 0 : entry.llSize);
    }
    m_list->setUpdatesEnabled(true);
}

void CFtpDialog::ShowFailure(const std::string& folder, const std::string& error) {
    FtpAddress where = m_listed;
    where.path = folder;
    const QString text = QStringLiteral("无法列出FTP服务器上的文件夹 %1\n%2")
                             .arg(QString::fromStdString(DisplayFileName(MakeFtpAddress(where))),
                                  QString::fromStdString(error));
    ShowMessage(this, text, MsgIcon::Exclamation);
}

std::string CFtpDialog::RowAddress(int row) const {
    FtpAddress file = ForAddresses(m_listed);
    file.path = m_folder + m_names[row];
    return MakeFtpAddress(file);
}

void CFtpDialog::PreviewSelected() {
    const QModelIndex current = m_list->selectionModel()->currentIndex();
    const int row = current.row();
    if (row < 0 || row >= static_cast<int>(m_names.size()) || m_list->GetItemData(row) != kFileRow ||
        !m_list->selectionModel()->isRowSelected(row))
        return;
    const QString address = QString::fromStdString(RowAddress(row));
    if (address == m_previewAddress) return;
    m_previewAddress = address;
    m_previewName->setText(m_list->GetItemText(row, kNameColumn) + QStringLiteral("\n") +
                           m_list->GetItemText(row, kSizeColumn));
    m_player->Play(m_preview, address);
}

void CFtpDialog::SaveHistory() {
    std::vector<std::string> entries;
    for (int i = 0; i < m_host->count(); ++i) entries.push_back(m_host->itemText(i).toStdString());
    const std::string server = m_haveListing ? m_listed.server : FieldsServer().server;
    if (!server.empty() && !SaveFtpHistory(server, entries))
        std::fprintf(stderr, "could not write the FTP server history %s\n", kFtpHistoryFile);
}

void CFtpDialog::accept() {
    if (m_busy) return;
    if (m_mode == kFolder) {
        // The chosen folder row, or, with none chosen, the folder the operator has opened.
        const QModelIndexList rows = m_list->selectionModel()->selectedIndexes();
        std::string folder = m_folder;
        if (!rows.isEmpty() && rows.first().row() < static_cast<int>(m_names.size()))
            folder += m_names[rows.first().row()] + "/";
        const FtpAddress server = ForAddresses(m_haveListing ? m_listed : FieldsServer());
        if (server.server.empty()) {
            ShowMessage(this, QStringLiteral("请输入FTP服务器地址！"), MsgIcon::Exclamation);
            return;
        }
        if (!m_haveListing) m_listed = server;
        StartJob(Job::kExpand, server, folder);
        return;
    }
    std::set<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes()) rows.insert(index.row());
    m_chosen.clear();
    for (int row : rows)
        if (row < static_cast<int>(m_names.size()) && m_list->GetItemData(row) == kFileRow)
            m_chosen.push_back({RowAddress(row), m_sizes[row]});
    SaveHistory();
    CMyPopDialog::accept();
}
