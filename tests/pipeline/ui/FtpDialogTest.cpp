// The FTP browse dialog against a real pyftpdlib server on 127.0.0.1: listing anonymous and with
// a user, going down and up, what OK returns in both modes, the server history, a dead server,
// and the manual pane's FTP adds.
#include "QtTestSupport.h"

#include "FtpDialog.h"
#include "GdiplusButton.h"
#include "MyListCtrl.h"
#include "PyFtpServer.h"
#include "ResultRecorder.h"
#include "SubTaskList.h"
#include "WndManualChk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QThreadPool>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quarvik;

namespace {

void WriteFile(const QString& path, int bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'x'));
}

QStringList Column(const CMyListCtrl* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->GetItemCount(); ++row) texts << list->GetItemText(row, column);
    return texts;
}

// A port on 127.0.0.1 where nothing listens (it was free a moment ago).
int ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

int RowNamed(const CMyListCtrl* list, const QString& name) { return int(Column(list, 0).indexOf(name)); }

QStringList ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace

class FtpDialogTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<PyFtpServer> m_server;

    // The dialog with the test server in its fields, as the operator fills them.
    void Fill(CFtpDialog& dialog, bool anonymous, int port = 0) {
        dialog.HostCombo()->setCurrentText(QStringLiteral("127.0.0.1"));
        dialog.PortEdit()->setText(QString::number(port ? port : m_server->Port()));
        dialog.AnonymousCheck()->setChecked(anonymous);
        if (!anonymous) {
            dialog.UserEdit()->setText(QStringLiteral("quser"));
            dialog.PasswordEdit()->setText(QStringLiteral("qpass"));
        }
    }
    static bool Listed(CFtpDialog& dialog) {
        return QTest::qWaitFor([&] { return !dialog.IsListing(); }, 30000);
    }
    QString Address(bool anonymous, const QString& path) const {
        return QStringLiteral("ftp://%1@127.0.0.1:%2%3")
            .arg(anonymous ? QStringLiteral("anonymous:anonymous") : QStringLiteral("quser:qpass"))
            .arg(m_server->Port())
            .arg(path);
    }

private slots:
    void init() {
        m_home = std::make_unique<TempHome>();
        m_root = std::make_unique<QTemporaryDir>();
        const QDir root(m_root->path());
        QVERIFY(root.mkpath(QStringLiteral("news/deep")));
        QVERIFY(root.mkpath(QStringLiteral("empty")));
        WriteFile(root.filePath(QStringLiteral("a.ts")), 2048);
        WriteFile(root.filePath(QStringLiteral("b.mxf")), 5000);
        WriteFile(root.filePath(QStringLiteral("news/c.ts")), 3000);
        WriteFile(root.filePath(QStringLiteral("news/deep/d.ts")), 4000);
        m_server = std::make_unique<PyFtpServer>(m_root->path().toStdString());
        QVERIFY2(m_server->Port() > 0, "pyftpdlib did not start (python3-pyftpdlib installed?)");
    }
    void cleanup() {
        m_server.reset();
        m_root.reset();
        m_home.reset();
    }

    void listsFoldersAndFiles_data() {
        QTest::addColumn<bool>("anonymous");
        QTest::newRow("anonymous") << true;
        QTest::newRow("user") << false;
    }
    void listsFoldersAndFiles() {
        QFETCH(bool, anonymous);
        CFtpDialog dialog(CFtpDialog::kFiles);
        Fill(dialog, anonymous);
        QCOMPARE(dialog.UserEdit()->isEnabled(), !anonymous);
        dialog.Connect();
        QVERIFY(!dialog.ConnectButton()->isEnabled());
        QVERIFY(Listed(dialog));
        const CMyListCtrl* list = dialog.List();
        // Folders first, then files, each by name.
        QCOMPARE(Column(list, 0), (QStringList{"empty", "news", "a.ts", "b.mxf"}));
        QCOMPARE(Column(list, 1), (QStringList{"", "", "2 K", "4 K"}));
        QCOMPARE(Column(list, 2), (QStringList{"文件夹", "文件夹", "TS 文件", "MXF 文件"}));
        QVERIFY(!list->GetItemText(2, 3).isEmpty());
        QCOMPARE(list->GetItemData(1), 1);
        QCOMPARE(list->GetItemData(2), 0);
        QCOMPARE(dialog.CurrentFolder(), QStringLiteral("/"));
        QVERIFY(dialog.ConnectButton()->isEnabled());
        QVERIFY(!dialog.ParentButton()->isEnabled());
        // The icon view shows the same rows with their pictures.
        dialog.SetView(CFtpDialog::kIconView);
        QCOMPARE(dialog.IconList()->model()->rowCount(), 4);
        QVERIFY(!dialog.IconList()->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    }

    void navigatesDownAndUp() {
        CFtpDialog dialog(CFtpDialog::kFiles);
        Fill(dialog, false);
        dialog.Connect();
        QVERIFY(Listed(dialog));
        dialog.OpenFolderRow(RowNamed(dialog.List(), "news"));
        QVERIFY(Listed(dialog));
        QCOMPARE(dialog.CurrentFolder(), QStringLiteral("/news/"));
        QCOMPARE(Column(dialog.List(), 0), (QStringList{"deep", "c.ts"}));
        QVERIFY(dialog.ParentButton()->isEnabled());
        // A file row is not a folder to open.
        dialog.OpenFolderRow(1);
        QVERIFY(!dialog.IsListing());
        dialog.OpenFolderRow(0);
        QVERIFY(Listed(dialog));
        QCOMPARE(dialog.CurrentFolder(), QStringLiteral("/news/deep/"));
        QCOMPARE(Column(dialog.List(), 0), (QStringList{"d.ts"}));
        dialog.ParentButton()->click();
        QVERIFY(Listed(dialog));
        QCOMPARE(dialog.CurrentFolder(), QStringLiteral("/news/"));
        dialog.OpenParentFolder();
        QVERIFY(Listed(dialog));
        QCOMPARE(dialog.CurrentFolder(), QStringLiteral("/"));
        QCOMPARE(Column(dialog.List(), 0).size(), 4);
        QVERIFY(!dialog.ParentButton()->isEnabled());
    }

    void fileModeReturnsChosenFiles_data() {
        QTest::addColumn<bool>("anonymous");
        QTest::newRow("anonymous") << true;
        QTest::newRow("user") << false;
    }
    void fileModeReturnsChosenFiles() {
        QFETCH(bool, anonymous);
        CFtpDialog dialog(CFtpDialog::kFiles);
        Fill(dialog, anonymous);
        dialog.Connect();
        QVERIFY(Listed(dialog));
        dialog.OpenFolderRow(RowNamed(dialog.List(), "news"));
        QVERIFY(Listed(dialog));
        dialog.OpenParentFolder();
        QVERIFY(Listed(dialog));
        CMyListCtrl* list = dialog.List();
        // A file row chosen goes to the preview, whether it is selected before or after it is current.
        list->selectRow(RowNamed(list, "a.ts"));
        QCOMPARE(dialog.PreviewAddress(), Address(anonymous, "/a.ts"));
        list->setCurrentCell(RowNamed(list, "b.mxf"), 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(dialog.PreviewAddress(), Address(anonymous, "/b.mxf"));
        // A folder row among the chosen ones is not a file.
        for (const char* name : {"a.ts", "news"})
            list->selectionModel()->select(list->model()->index(RowNamed(list, name), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        dialog.OkButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Chosen().size(), size_t(2));
        QCOMPARE(QString::fromStdString(dialog.Chosen()[0].address), Address(anonymous, "/a.ts"));
        QCOMPARE(dialog.Chosen()[0].llFileSize, 2048);
        QCOMPARE(QString::fromStdString(dialog.Chosen()[1].address), Address(anonymous, "/b.mxf"));
        QCOMPARE(dialog.Chosen()[1].llFileSize, 5000);
    }

    void folderModeReturnsDirectFiles_data() {
        QTest::addColumn<bool>("selectRow");
        QTest::newRow("folder row chosen") << true;
        QTest::newRow("folder opened") << false;
    }
    void folderModeReturnsDirectFiles() {
        QFETCH(bool, selectRow);
        CFtpDialog dialog(CFtpDialog::kFolder);
        QVERIFY(!dialog.PreviewArea());
        Fill(dialog, false);
        dialog.Connect();
        QVERIFY(Listed(dialog));
        QCOMPARE(Column(dialog.List(), 0), (QStringList{"empty", "news"}));
        if (selectRow) {
            dialog.List()->selectRow(1);
        } else {
            dialog.OpenFolderRow(1);
            QVERIFY(Listed(dialog));
            QCOMPARE(Column(dialog.List(), 0), (QStringList{"deep"}));
        }
        dialog.accept();
        QVERIFY(QTest::qWaitFor([&] { return dialog.result() == QDialog::Accepted; }, 30000));
        QCOMPARE(dialog.Chosen().size(), size_t(1));
        QCOMPARE(QString::fromStdString(dialog.Chosen()[0].address), Address(false, "/news/c.ts"));
        QCOMPARE(dialog.Chosen()[0].llFileSize, 3000);
    }

    void historyKeepsHundredNames_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("new name goes first") << "127.0.0.1"
                                             << "127.0.0.1"
                                             << "h98";
        QTest::newRow("known name keeps its place") << "h50"
                                                    << "h0"
                                                    << "h99";
    }
    void historyKeepsHundredNames() {
        QFETCH(QString, server);
        QFETCH(QString, first);
        QFETCH(QString, last);
        const QString path = m_home->File(QString::fromUtf8(kFtpHistoryFile));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            // Windows line ends are cut off when read.
            for (int i = 0; i < 100; ++i) file.write(QStringLiteral("h%1\r\n").arg(i).toUtf8());
        }
        CFtpDialog dialog(CFtpDialog::kFiles);
        QCOMPARE(dialog.HostCombo()->count(), 100);
        QCOMPARE(dialog.HostCombo()->itemText(1), QStringLiteral("h1"));
        dialog.HostCombo()->setCurrentText(server);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QStringList lines = ReadLines(path);
        QCOMPARE(lines.size(), 100);
        QCOMPARE(lines.first(), first);
        QCOMPARE(lines.last(), last);
    }

    void deadServerSaysSoAndStaysUsable() {
        MessageLog messages;
        const int deadPort = ClosedPort();
        QVERIFY(deadPort > 0);
        CFtpDialog dialog(CFtpDialog::kFiles);
        Fill(dialog, true, deadPort);
        dialog.Connect();
        QVERIFY(Listed(dialog));
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY2(messages.shown[0].text.contains(QStringLiteral("无法列出FTP服务器上的文件夹 ftp://127.0.0.1/")),
                 qPrintable(messages.shown[0].text));
        QVERIFY(messages.shown[0].text.contains(QStringLiteral("连接服务器失败!")));
        QCOMPARE(dialog.List()->GetItemCount(), 0);
        QVERIFY(dialog.ConnectButton()->isEnabled());
        // Folder mode refuses OK on a dead server and stays open.
        CFtpDialog folders(CFtpDialog::kFolder);
        Fill(folders, true, deadPort);
        folders.accept();
        QVERIFY(Listed(folders));
        QCOMPARE(messages.shown.size(), 2);
        QCOMPARE(folders.result(), int(QDialog::Rejected));
        // The same dialog, pointed at the live server, lists it.
        dialog.PortEdit()->setText(QString::number(m_server->Port()));
        dialog.ConnectButton()->click();
        QVERIFY(Listed(dialog));
        QCOMPARE(dialog.List()->GetItemCount(), 4);
        QCOMPARE(messages.shown.size(), 2);
    }

    void closedWhileListing() {
        auto* dialog = new CFtpDialog(CFtpDialog::kFiles);
        Fill(*dialog, true);
        dialog->Connect();
        delete dialog;
        // The listing ends on its thread; its rows have nowhere to go and are dropped.
        QVERIFY(QThreadPool::globalInstance()->waitForDone(30000));
        QCoreApplication::processEvents();
    }

    void manualPaneAddsRemoteFiles() {
        CResultRecorder recorder;
        CWndManualChk pane(recorder);
        pane.AddFtpFiles({{Address(false, "/a.ts").toStdString(), 2048}, {Address(false, "/b.mxf").toStdString(), 5000}});
        QCOMPARE(pane.Tasks().Count(), 2);
        for (int row = 0; row < 2; ++row) QCOMPARE(pane.Tasks().Row(row).nType, 0);
        QCOMPARE(pane.Tasks().Row(1).llFileSize, 5000);
        QCOMPARE(QString::fromUtf8(pane.Tasks().Row(0).szFilename), Address(false, "/a.ts"));
        // Shown without user and password.
        QCOMPARE(pane.List()->GetItemText(0, 1), QStringLiteral("ftp://127.0.0.1/a.ts"));
    }
};

int RunFtpDialogTest(int argc, char** argv) {
    FtpDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FtpDialogTest.moc"
