// The network-address dialog: the scheme check, the history file and the auto-complete edit; and
// the manual pane taking the address as a network stream.
#include "ShellTest.h"

#include "ACEdit.h"
#include "ChildView.h"
#include "GdiplusButton.h"
#include "MyListCtrl.h"
#include "NetworkDlg.h"
#include "WndBottom.h"
#include "WndManualChk.h"

#include "ResultRecorder.h"
#include "Settings.h"
#include "WndResult.h"

#include <QAction>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quarvik;

namespace {

void WriteHistory(const TempHome& home, const QByteArray& text) {
    QFile file(home.File(QStringLiteral("url.txt")));
    if (!file.open(QIODevice::WriteOnly)) qFatal("url.txt not written");
    file.write(text);
}

QStringList HistoryLines(const TempHome& home) {
    QFile file(home.File(QStringLiteral("url.txt")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

// python3's HTTP server on loopback, serving a folder; its port once it listens, else 0.
class HttpServer {
public:
    explicit HttpServer(const QString& root) {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("python3"), {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", root});
        static const QRegularExpression listening("port (\\d+)");
        QByteArray said;
        const QDeadlineTimer deadline(15000);
        while (m_port == 0 && !deadline.hasExpired() && m_process.waitForReadyRead(int(deadline.remainingTime()))) {
            said += m_process.readAll();
            const QRegularExpressionMatch m = listening.match(QString::fromUtf8(said));
            if (m.hasMatch()) m_port = m.captured(1).toInt();
        }
    }
    ~HttpServer() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    int Port() const { return m_port; }

private:
    QProcess m_process;
    int m_port = 0;
};

// A UDP port of loopback that nothing listens on just now.
int FreeUdpPort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    if (fd >= 0) ::close(fd);
    return bound ? ntohs(address.sin_port) : 0;
}

QStringList Shown(const CACEdit& edit) {
    QStringList rows;
    const QAbstractItemModel* model = edit.List()->model();
    for (int row = 0; row < model->rowCount(); ++row) rows.append(model->index(row, 0).data().toString());
    return rows;
}

}  // namespace

class NetworkDlgTest : public QObject {
    Q_OBJECT
private slots:
    void schemes_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("udp") << "udp://@:1234" << true;
        QTest::newRow("udp group") << "UDP://@239.1.1.1:1234" << true;
        QTest::newRow("udp without @") << "udp://239.1.1.1:1234" << false;
        QTest::newRow("http mixed case") << "Http://127.0.0.1/a.avi" << true;
        QTest::newRow("mms") << "mms://media.example.com/a.asx" << true;
        QTest::newRow("rtp") << "rtp://@:1234" << true;
        QTest::newRow("ftp") << "ftp://127.0.0.1/a.ts" << true;
        QTest::newRow("dvd") << "dvd:///dev/sr0" << true;
        QTest::newRow("rtsp") << "rtsp://127.0.0.1/live" << false;
        QTest::newRow("https") << "https://127.0.0.1/a.ts" << false;
        QTest::newRow("local") << "/srv/a.ts" << false;
        QTest::newRow("empty") << "" << false;
    }
    void schemes() {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(CNetworkDlg::IsValidAddress(address), valid);
    }

    void invalidAddressKeepsTheDialogOpen() {
        TempHome home;
        WriteHistory(home, "udp://@:1234\n");
        MessageLog messages;
        CNetworkDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("网络码流"));
        dialog.show();
        dialog.Edit()->setText(QStringLiteral("rtsp://127.0.0.1/live"));
        dialog.OkButton()->click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("无效的网络地址！"));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.Address().isEmpty());
        QCOMPARE(HistoryLines(home), QStringList{"udp://@:1234"});
    }

    void acceptedAddressGoesFirstInAHistoryOfAtMost100() {
        TempHome home;
        QByteArray text;
        for (int i = 0; i < 120; ++i) text += QStringLiteral("udp://@239.1.1.%1:1234\r\n").arg(i).toUtf8();
        WriteHistory(home, text);
        QCOMPARE(CNetworkDlg::LoadHistory().size(), 120);
        QCOMPARE(CNetworkDlg::LoadHistory().first(), QStringLiteral("udp://@239.1.1.0:1234"));
        MessageLog messages;
        CNetworkDlg dialog;
        dialog.show();
        dialog.Edit()->setText(QStringLiteral("Http://127.0.0.1:8000/a.ts"));
        dialog.OkButton()->click();
        QVERIFY(messages.shown.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Address(), QStringLiteral("Http://127.0.0.1:8000/a.ts"));
        const QStringList lines = HistoryLines(home);
        QCOMPARE(lines.size(), 100);
        QCOMPARE(lines.first(), QStringLiteral("Http://127.0.0.1:8000/a.ts"));
        QCOMPARE(lines[1], QStringLiteral("udp://@239.1.1.0:1234"));
        QCOMPARE(lines.last(), QStringLiteral("udp://@239.1.1.98:1234"));
    }

    void knownAddressIsNotWrittenTwice() {
        TempHome home;
        WriteHistory(home, "udp://@:1234\nhttp://127.0.0.1/a.ts\n");
        QVERIFY(CNetworkDlg::SaveHistory(QStringLiteral("HTTP://127.0.0.1/A.TS"), CNetworkDlg::LoadHistory()));
        QCOMPARE(HistoryLines(home), (QStringList{"udp://@:1234", "http://127.0.0.1/a.ts"}));
        // No file yet: the first address makes it.
        QVERIFY(QFile::remove(home.File(QStringLiteral("url.txt"))));
        QVERIFY(CNetworkDlg::LoadHistory().isEmpty());
        QVERIFY(CNetworkDlg::SaveHistory(QStringLiteral("rtp://@:5004"), {}));
        QCOMPARE(HistoryLines(home), QStringList{"rtp://@:5004"});
    }

    void unwritableHistoryStillAcceptsTheAddress() {
        TempHome home;
        // A folder where the file should be: it cannot be written.
        QVERIFY(QDir(home.Path()).mkdir(QStringLiteral("url.txt")));
        MessageLog messages;
        CNetworkDlg dialog;
        dialog.show();
        dialog.Edit()->setText(QStringLiteral("udp://@:1234"));
        dialog.OkButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Address(), QStringLiteral("udp://@:1234"));
        QVERIFY(messages.shown.isEmpty());
    }

    void completerOffersMatchesInHistoryOrder() {
        TempHome home;
        WriteHistory(home, "udp://@:1234\nhttp://127.0.0.1/a.ts\nUDP://@239.1.1.1:5004\nrtp://@:5004\n");
        CNetworkDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        CACEdit* edit = dialog.Edit();
        edit->setFocus();
        QCOMPARE(edit->Entries(), (QStringList{"udp://@:1234", "http://127.0.0.1/a.ts", "UDP://@239.1.1.1:5004", "rtp://@:5004"}));
        QCOMPARE(edit->Matches(QStringLiteral("uD")), (QStringList{"udp://@:1234", "UDP://@239.1.1.1:5004"}));
        QVERIFY(edit->Matches(QString()).isEmpty());

        QTest::keyClicks(edit, QStringLiteral("uD"));
        QTRY_VERIFY(edit->List()->isVisible());
        QCOMPARE(Shown(*edit), (QStringList{"udp://@:1234", "UDP://@239.1.1.1:5004"}));
        // Moving in the list puts the entry into the edit, caret at its end.
        QTest::keyClick(edit->List(), Qt::Key_Down);
        QCOMPARE(edit->text(), QStringLiteral("udp://@:1234"));
        QCOMPARE(edit->cursorPosition(), edit->text().size());
        QTest::keyClick(edit->List(), Qt::Key_End);
        QCOMPARE(edit->text(), QStringLiteral("UDP://@239.1.1.1:5004"));
        QTest::keyClick(edit->List(), Qt::Key_Home);
        QCOMPARE(edit->text(), QStringLiteral("udp://@:1234"));
        // Escape closes the list, not the dialog.
        QTest::keyClick(edit->List(), Qt::Key_Escape);
        QVERIFY(!edit->List()->isVisible());
        QVERIFY(dialog.isVisible());

        // No match closes it; an empty edit too; Down in an empty edit opens the whole list.
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("x"));
        QVERIFY(!edit->List()->isVisible());
        QTest::keyClick(edit, Qt::Key_Backspace);
        QVERIFY(!edit->List()->isVisible());
        QTest::keyClick(edit, Qt::Key_Down);
        QTRY_VERIFY(edit->List()->isVisible());
        QCOMPARE(Shown(*edit), edit->Entries());
        QCOMPARE(edit->Completer()->maxVisibleItems(), 8);
    }

    void manualPaneAddsTheAddressAsANetworkStream() {
        TempHome home;
        QDir(home.Path()).mkdir(QStringLiteral("cache"));
        CChildView view;
        view.resize(1400, 800);
        view.show();
        CWndManualChk* manual = view.Bottom()->ManualCheck();
        QAction* entry = nullptr;
        for (QAction* action : manual->AddMenu()->actions())
            if (action->text() == QStringLiteral("添加网络流")) entry = action;
        QVERIFY(entry);
        // Nothing listens on port 9 of loopback: the stream fails at once when it is looked at.
        std::optional<QString> answer = QStringLiteral("http://127.0.0.1:9/live.ts");
        manual->SetNetworkAddressAsker([&](QWidget*) { return answer; });
        entry->trigger();
        QCOMPARE(manual->Tasks().Count(), 1);
        QCOMPARE(QString::fromUtf8(manual->Tasks().Row(0).szFilename), *answer);
        QCOMPARE(manual->Tasks().Row(0).nType, 1);
        QCOMPARE(manual->Tasks().Row(0).llFileSize, 0);
        QCOMPARE(manual->List()->GetItemText(0, 1), *answer);
        // Cancelled: nothing added.
        answer.reset();
        entry->trigger();
        QCOMPARE(manual->Tasks().Count(), 1);
    }

    // A live stream from the ffmpeg tool, unicast to a port of loopback: checked until the sender
    // stops, then ended by the read bound.
    void udpStreamIsChecked() {
        TempHome home;
        QDir(home.Path()).mkdir(QStringLiteral("cache"));
        WriteSetting(kCachePath, home.File(QStringLiteral("cache")).toStdString());
        MessageLog messages;
        const int port = FreeUdpPort();
        QVERIFY(port > 0);
        CChildView view;
        view.resize(1400, 800);
        view.show();
        CWndManualChk* manual = view.Bottom()->ManualCheck();
        manual->AddNetworkStream(QStringLiteral("udp://@127.0.0.1:%1").arg(port));
        manual->Start();
        QProcess sender;
        sender.start(QStringLiteral("ffmpeg"),
                     {"-v", "error", "-re", "-i", QDir(qEnvironmentVariable("QUARVIK_TEST_MEDIA")).filePath("faults.ts"),
                      "-c", "copy", "-f", "mpegts", QStringLiteral("udp://127.0.0.1:%1?pkt_size=1316").arg(port)});
        QVERIFY(sender.waitForStarted(10000));
        QTRY_COMPARE_WITH_TIMEOUT(manual->List()->GetItemText(0, 2), QStringLiteral("检测完毕"), 90000);
        sender.waitForFinished(30000);
        manual->Stop();
        const CResultRecorder& results = view.Bottom()->Results()->Recorder();
        QCOMPARE(results.Count(), 1);
        QCOMPARE(results.Row(0).info.nType, 1);
        QVERIFY(results.Row(0).info.nFrame > 0);
        QVERIFY(messages.shown.isEmpty());
    }

    void httpStreamIsChecked() {
        TempHome home;
        QDir(home.Path()).mkdir(QStringLiteral("cache"));
        WriteSetting(kCachePath, home.File(QStringLiteral("cache")).toStdString());
        MessageLog messages;
        HttpServer server(qEnvironmentVariable("QUARVIK_TEST_MEDIA"));
        QVERIFY2(server.Port() > 0, "python3 -m http.server did not start");
        CChildView view;
        view.resize(1400, 800);
        view.show();
        CWndManualChk* manual = view.Bottom()->ManualCheck();
        const QString address = QStringLiteral("http://127.0.0.1:%1/faults.ts").arg(server.Port());
        manual->AddNetworkStream(address);
        QCOMPARE(manual->Tasks().Row(0).nType, 1);
        QTRY_COMPARE_WITH_TIMEOUT(manual->List()->GetItemText(0, 2), QStringLiteral("等待检测中"), 60000);
        manual->Start();
        QVERIFY(manual->IsChecking());
        QTRY_COMPARE_WITH_TIMEOUT(manual->List()->GetItemText(0, 2), QStringLiteral("检测完毕"), 120000);
        manual->Stop();
        const CResultRecorder& results = view.Bottom()->Results()->Recorder();
        QCOMPARE(results.Count(), 1);
        QCOMPARE(results.Row(0).info.nType, 1);
        QVERIFY(results.Row(0).info.nFrame > 0);
        QCOMPARE(results.Row(0).colour, RowColour::kRed);
        QVERIFY(messages.shown.isEmpty());
    }
};

int RunNetworkDlgTest(int argc, char** argv) {
    NetworkDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "NetworkDlgTest.moc"
