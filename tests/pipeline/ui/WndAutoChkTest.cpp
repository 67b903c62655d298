// The task panes over the real runner: a watched folder, a pyftpdlib server on 127.0.0.1 that
// goes away mid-download, removable disks from a mount table and sysfs tree of the test's own.
#include "GdiplusButton.h"
#include "MountNotifier.h"
#include "MyListCtrl.h"
#include "PyFtpServer.h"
#include "QtTestSupport.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "SubTaskRows.h"
#include "TextField.h"
#include "WndAutoChk.h"
#include "WndResult.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace quarvik;
namespace fs = std::filesystem;

namespace {

QString Media(const char* name) { return QDir(qEnvironmentVariable("QUARVIK_TEST_MEDIA")).filePath(name); }

// pyftpdlib whose transfers run at 4 MB/s, so a download is seen under way.
const char kSlowServerScript[] = R"(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
a = DummyAuthorizer()
a.add_user("quser", "qpass", sys.argv[1], perm="elr")
ThrottledDTPHandler.read_limit = 4000000
FTPHandler.dtp_handler = ThrottledDTPHandler
FTPHandler.authorizer = a
s = FTPServer(("127.0.0.1", 0), FTPHandler)
print(s.address[1], flush=True)
s.serve_forever()
)";

// A program folder with a cache folder, and the result page the panes report to.
struct Home {
    Home() {
        QDir(home.Path()).mkdir(QStringLiteral("cache"));
        WriteSetting(kCachePath, home.File(QStringLiteral("cache")).toStdString());
    }
    // An active task over a new target of that kind.
    MonTask_t AddTask(MonObj_t target, bool picture = true) {
        CSqliteDb db;
        int targetId = 0, taskId = 0;
        CopyField(target.szName, "target " + std::to_string(++made));
        if (!db.OpenTemplDb() || !db.AddTarget(targetId, target)) return {};
        MonTask_t task{};
        task.bActive = 1;
        CopyField(task.szName, "task " + std::to_string(made));
        task.nTargetID = targetId;
        task.bPicute = picture ? 1 : 0;
        if (!db.AddTask(task, taskId)) return {};
        task.nID = taskId;
        return task;
    }
    std::string Path(const char* name) const { return home.File(QString::fromUtf8(name)).toStdString(); }

    TempHome home;
    CWndResult results;
    int made = 0;
};

MonObj_t Target(int32_t type, const std::string& path = {}) {
    MonObj_t target{};
    target.nType = type;
    target.nTimeSpan = 1;
    CopyField(target.szPath, path);
    return target;
}

QString StateText(const CWndAutoChk& pane, int row) { return pane.List()->GetItemText(row, kSubTaskStateColumn); }

// Every state row 0 of a pane goes through and every text its state column shows, in order,
// without repeats; taken as the list reports each change, after the pane has drawn it.
class RowHistory : private ISubTaskListObserver {
public:
    explicit RowHistory(const CWndAutoChk& pane) : m_pane(pane) { m_pane.Tasks().AddObserver(this); }
    ~RowHistory() { m_pane.Tasks().RemoveObserver(this); }

    std::vector<int32_t> states;
    QStringList texts;

private:
    void OnRowAdded(int row) override { OnRowChanged(row); }
    void OnRowChanged(int row) override {
        if (row != 0) return;
        const int32_t state = m_pane.Tasks().Row(0).nState;
        if (states.empty() || states.back() != state) states.push_back(state);
        const QString text = StateText(m_pane, 0);
        if (texts.isEmpty() || texts.back() != text) texts.append(text);
    }
    void OnRowsReloaded() override {}
    void OnEntersChecking(const SubTaskInfo_t&) override {}

    const CWndAutoChk& m_pane;
};

}  // namespace

class WndAutoChkTest : public QObject {
    Q_OBJECT
private slots:
    void folderPaneShowsADroppedFileFoundPreparedAndChecked() {
        Home h;
        const std::string folder = h.Path("in");
        fs::create_directory(folder);
        CWndAutoChk pane(h.AddTask(Target(kTargetFolder, folder)), h.results.Recorder());
        QCOMPARE(pane.List()->columnWidth(kSubTaskStateColumn) >= CWndAutoChk::kStateWidth, true);
        RowHistory history(pane);
        QSignalSpy started(&pane, &CWndAutoChk::Started);
        pane.Start();
        QVERIFY(pane.IsChecking());
        QCOMPARE(started.count(), 1);
        QCOMPARE(started.at(0).at(0).toBool(), true);
        QVERIFY(!pane.StartButton()->isEnabled());
        QVERIFY(pane.StopButton()->isEnabled());
        // 22 MB: the folder source offers files from 10 MB on.
        const std::string dropped = folder + "/news.mxf";
        fs::copy_file(Media("faults.mxf").toStdString(), dropped);

        QVERIFY(WaitFor([&] { return pane.Tasks().Count() == 1 && pane.Tasks().Row(0).nState == kSubTaskDone; }));
        QCOMPARE(history.states, (std::vector<int32_t>{kSubTaskNew, kSubTaskThumbnail, kSubTaskWaitCheck,
                                                       kSubTaskChecking, kSubTaskDone}));
        QVERIFY2(history.texts.contains(QStringLiteral("等待检测中")), qPrintable(history.texts.join('|')));
        QCOMPARE(StateText(pane, 0), QStringLiteral("检测完毕"));
        QCOMPARE(pane.List()->GetItemText(0, 1), QString::fromStdString(dropped));
        // Its result is in the result list, faults counted.
        QCOMPARE(h.results.List()->GetItemCount(), 1);
        QCOMPARE(std::string(h.results.Recorder().Row(0).info.szFilename), dropped);
        QCOMPARE(h.results.Recorder().Row(0).colour, RowColour::kRed);
        for (const int32_t count : h.results.Recorder().Row(0).counts) QVERIFY(count >= 0);  // all counted
        QCOMPARE(h.results.List()->GetItemText(0, CWndResult::kStateColumn), QStringLiteral("检测完毕"));

        QSignalSpy play(&pane, &CWndAutoChk::PlayRequested);
        emit pane.List()->cellDoubleClicked(0, 1);
        QCOMPARE(play.count(), 1);
        QCOMPARE(play.at(0).at(0).toString(), QString::fromStdString(dropped));
        {
            MessageLog messages;
            const QRect cell = pane.List()->visualRect(pane.List()->model()->index(0, 1));
            emit pane.List()->customContextMenuRequested(cell.center());
            QCOMPARE(messages.shown.size(), 1);
            QCOMPARE(messages.shown.at(0).text, QStringLiteral("检测完毕"));
        }
        pane.Stop();
        QVERIFY(!pane.IsChecking());
        QCOMPARE(started.count(), 2);
        QCOMPARE(started.at(1).at(0).toBool(), false);
        QVERIFY(pane.StartButton()->isEnabled());
    }

    void ftpPaneShowsTheDownloadUnderWayAndItsFailureWhenTheServerGoes() {
        Home h;
        const std::string root = h.Path("root");
        fs::create_directories(root + "/in");
        fs::copy_file(Media("faults.mxf").toStdString(), root + "/in/feed.mxf");  // 22 MB, offered from 10 MB on
        PyFtpServer server(root, kSlowServerScript);
        QVERIFY2(server.Port() > 0, "pyftpdlib did not start");
        MonObj_t target = Target(kTargetFtp, "/in");
        CopyField(target.szIp, "127.0.0.1");
        target.nPort = server.Port();
        CopyField(target.szUser, "quser");
        CopyField(target.szPasswd, "qpass");
        CWndAutoChk pane(h.AddTask(target), h.results.Recorder());
        RowHistory history(pane);
        pane.Start();
        QVERIFY(pane.IsChecking());
        const QRegularExpression underWay(QStringLiteral("^下载中:([1-9][0-9]*) %$"));
        QVERIFY(WaitFor([&] { return pane.Tasks().Count() == 1 && underWay.match(StateText(pane, 0)).hasMatch(); }));
        server.Kill();
        QVERIFY(WaitFor([&] { return pane.Tasks().Row(0).nState == kSubTaskDownloadFailed; }));
        QCOMPARE(StateText(pane, 0), QStringLiteral("下载失败"));
        QCOMPARE(pane.List()->GetItemTextColor(0) != pane.List()->TextColour(), true);
        QVERIFY(history.texts.contains(QStringLiteral("等待下载")));
        QCOMPARE(h.results.Recorder().Count(), 0);
        pane.Stop();
    }

    void startWithoutAUsableCacheFolderRefuses() {
        Home h;
        const std::string folder = h.Path("in");
        fs::create_directory(folder);
        CWndAutoChk pane(h.AddTask(Target(kTargetFolder, folder)), h.results.Recorder());
        QSignalSpy started(&pane, &CWndAutoChk::Started);
        // Not set, gone, a file: each is refused the same way.
        const std::string file = h.Path("cache.txt");
        std::ofstream(file) << "x";
        for (const std::string& cache : {std::string(), h.Path("gone"), file}) {
            WriteSetting(kCachePath, cache);
            MessageLog messages;
            pane.StartButton()->click();
            QCOMPARE(messages.shown.size(), 1);
            QCOMPARE(messages.shown.at(0).text, QStringLiteral("缓存文件夹未设置或者无效!"));
            QVERIFY(!pane.IsChecking());
            QVERIFY(pane.StartButton()->isEnabled());
            QVERIFY(!pane.StopButton()->isEnabled());
        }
        QCOMPARE(started.count(), 0);
    }

    void deleteShowsForRemovableDiskTasksOnlyAndBrokenTasksSayWhy() {
        Home h;
        const struct {
            int32_t type;
            bool deletable;
        } cases[] = {{kTargetFtp, false}, {kTargetUdp, false}, {kTargetFolder, false}, {kTargetRemovable, true}};
        for (const auto& c : cases) {
            CWndAutoChk pane(h.AddTask(Target(c.type, h.Path("in"))), h.results.Recorder());
            QCOMPARE(pane.DeleteButton()->isHidden(), !c.deletable);
            QVERIFY(!pane.MonitorButton()->isHidden());
            // Wide or narrow, the buttons shown lie whole in the pane, apart, above the list.
            for (const int width : {400, 150}) {
                pane.resize(width, 300);
                pane.show();
                QList<QRect> places;
                for (QWidget* button : {pane.StartButton(), pane.StopButton(), pane.DeleteButton(), pane.MonitorButton()}) {
                    if (button->isHidden()) continue;
                    QVERIFY2(pane.rect().contains(button->geometry()), qPrintable(QString::number(width)));
                    for (const QRect& other : places) QVERIFY(!other.intersects(button->geometry()));
                    QVERIFY(button->geometry().bottom() < pane.List()->geometry().top());
                    places << button->geometry();
                }
            }
        }
        // A task whose target or format template is gone says so rather than starting.
        MonTask_t orphan{};
        orphan.nID = 99;
        orphan.nTargetID = 12345;
        MonTask_t untemplated = h.AddTask(Target(kTargetFolder, h.Path("in")));
        untemplated.bSyntax = 1;
        untemplated.nSyntaxID = 54321;
        const std::pair<MonTask_t, QString> broken[] = {{orphan, QStringLiteral("检测目标不存在，任务不能开始!")},
                                                        {untemplated, QStringLiteral("格式模板不存在，任务不能开始!")}};
        for (const auto& [task, text] : broken) {
            CWndAutoChk pane(task, h.results.Recorder());
            MessageLog messages;
            pane.Start();
            QVERIFY(!pane.IsChecking());
            QCOMPARE(messages.shown.size(), 1);
            QCOMPARE(messages.shown.at(0).text, text);
        }
    }

    void aPluggedInDiskReachesOnlyTheRegisteredPane() {
        Home h;
        // A sysfs tree with a removable disk 8:16, a mount table the test rewrites, two sticks.
        const fs::path sys = h.Path("sys");
        fs::create_directories(sys / "devices/usb1/sdb");
        fs::create_directories(sys / "block/sdb");
        std::ofstream(sys / "block/sdb/removable") << "1\n";
        fs::create_directories(sys / "dev/block");
        fs::create_symlink("../../devices/usb1/sdb", sys / "dev/block/8:16");
        MountTablePaths paths;
        paths.mountInfo = h.Path("mountinfo");
        paths.sysfsRoot = sys.string();
        const auto mount = [&](const std::vector<std::string>& points) {
            std::ofstream out(paths.mountInfo, std::ios::trunc);
            out << "22 1 0:21 / /proc rw - proc proc rw\n";
            for (const std::string& point : points) out << "30 1 8:16 / " << point << " rw - vfat /dev/sdb rw\n";
        };
        const std::string one = h.Path("STICK1"), two = h.Path("STICK2");
        for (const std::string& stick : {one, two}) {
            fs::create_directories(stick);
            fs::copy_file(Media("tone.wav").toStdString(), stick + "/clip.wav");
        }
        mount({});
        // The workspace's way: one notifier, its reports taken to the router on the GUI thread.
        CVolumeRouter router;
        QObject context;
        CMountNotifier notifier(paths, [&](std::vector<MountEvent> events) {
            QMetaObject::invokeMethod(&context, [&router, events] { router.OnEvents(events); }, Qt::QueuedConnection);
        });
        // Both panes only list what they find.
        CWndAutoChk first(h.AddTask(Target(kTargetRemovable), false), h.results.Recorder(), &router);
        CWndAutoChk second(h.AddTask(Target(kTargetRemovable), false), h.results.Recorder(), &router);
        first.Start();
        QVERIFY(first.IsChecking());
        QVERIFY(!first.DeleteButton()->isEnabled());

        mount({one});
        QVERIFY(WaitFor([&] { return first.Tasks().Count() == 1; }, 20000));
        QCOMPARE(std::string(first.Tasks().Row(0).szFilename), one + "/clip.wav");
        QTest::qWait(500);
        QCOMPARE(second.Tasks().Count(), 0);  // stopped: nothing reaches it

        // The second pane starts: the first holds stick 1, the next stick is the second's.
        second.Start();
        mount({one, two});
        QVERIFY(WaitFor([&] { return second.Tasks().Count() == 1; }, 20000));
        QCOMPARE(std::string(second.Tasks().Row(0).szFilename), two + "/clip.wav");
        QTest::qWait(500);
        QCOMPARE(first.Tasks().Count(), 1);

        // Pulled out: stick 1's unfinished sub-task leaves the pane that had it.
        mount({two});
        QVERIFY(WaitFor([&] { return first.Tasks().Count() == 0; }, 20000));
        QCOMPARE(second.Tasks().Count(), 1);
        second.Stop();
        first.Stop();
        QCOMPARE(router.Current(), nullptr);
    }
};

int RunWndAutoChkTest(int argc, char** argv) {
    WndAutoChkTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WndAutoChkTest.moc"
