// The embedded player and the libvlc core under it, on generated media with dummy outputs: events
// reach the GUI thread, a second Play replaces the first, errors end a playback, Close is final.
#include "FFPlayer.h"
#include "VlcCore.h"

#include <QCoreApplication>
#include <QDir>
#include <QList>
#include <QTest>
#include <QThread>
#include <QWidget>

namespace {

QString Media(const char* name) { return QDir(qEnvironmentVariable("QUARVIK_TEST_MEDIA")).filePath(name); }

}  // namespace

class FFPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void instanceArgumentsEndWithTheExtraOnes() {
        const bool wasSet = qEnvironmentVariableIsSet("QUARVIK_VLC_ARGS");
        const QByteArray previous = qgetenv("QUARVIK_VLC_ARGS");
        qputenv("QUARVIK_VLC_ARGS", "--vout=dummy  --aout=dummy --no-audio");
        const QStringList args = CVlcCore::InstanceArguments();
        if (wasSet)
            qputenv("QUARVIK_VLC_ARGS", previous);
        else
            qunsetenv("QUARVIK_VLC_ARGS");
        QCOMPARE(args, (QStringList{"-v", "-I", "dummy", "--file-caching=300", "--ignore-config", "--vout=dummy",
                                    "--aout=dummy", "--no-audio"}));
        // Offscreen there is no window to draw into: dummy outputs unless told otherwise.
        if (!wasSet) QVERIFY(CVlcCore::InstanceArguments().endsWith("--aout=dummy"));
    }

    void addressKinds_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("location");
        QTest::newRow("local") << "/tmp/a b.ts" << false;
        QTest::newRow("relative with colon") << "clips/a://b.ts" << false;
        QTest::newRow("udp") << "udp://@:1234" << true;
        QTest::newRow("ftp with user") << "ftp://u:p@127.0.0.1:21/a.ts" << true;
        QTest::newRow("upper case") << "HTTP://127.0.0.1/a.avi" << true;
    }
    void addressKinds() {
        QFETCH(QString, address);
        QFETCH(bool, location);
        QCOMPARE(CVlcCore::IsLocation(address), location);
    }

    void eventsArriveOnTheGuiThread() {
        CVlcCore vlc;
        QVERIFY(vlc.IsValid());
        QList<int> events;
        bool onGui = true;
        vlc.SetEventHandler([&](int e) {
            onGui = onGui && QThread::currentThread() == QCoreApplication::instance()->thread();
            events.append(e);
        });
        QWidget video;
        QVERIFY(vlc.Open(Media("faults.ts"), &video));
        QVERIFY(vlc.Start());
        QTRY_VERIFY_WITH_TIMEOUT(events.contains(CVlcCore::kPlaying), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(vlc.Position() > 0.0f, 20000);
        vlc.SetPosition(0.97f);
        QTRY_VERIFY_WITH_TIMEOUT(events.contains(CVlcCore::kEndReached), 30000);
        QVERIFY(onGui);
        QVERIFY(!vlc.IsActive());
    }

    void eventsOfAReleasedPlayerAreDropped() {
        CVlcCore vlc;
        QList<int> events;
        vlc.SetEventHandler([&](int e) { events.append(e); });
        QVERIFY(vlc.Open(Media("faults.ts"), nullptr));
        QVERIFY(vlc.Start());
        // Released at once: whatever the first player said before is not delivered afterwards.
        vlc.Release();
        QVERIFY(!vlc.HasPlayer());
        QTest::qWait(300);
        QVERIFY(events.isEmpty());
        QVERIFY(!vlc.Start());
    }

    void playTwiceReplacesTheFirstPlayback() {
        CFFPlayer player;
        QWidget window;
        QVERIFY(!player.Play(&window, QString()));
        QVERIFY(!player.IsPlaying());
        QVERIFY(player.Play(&window, Media("faults.ts")));
        QVERIFY(player.IsPlaying());
        QVERIFY(player.Play(&window, Media("faults.mp4")));
        QVERIFY(player.IsPlaying());
        QTest::qWait(500);
        QVERIFY(player.IsPlaying());
        player.Close();
        QVERIFY(!player.IsPlaying());
        player.Close();
        // Closed, it plays again.
        QVERIFY(player.Play(&window, Media("faults.mp4")));
        QVERIFY(player.IsPlaying());
    }

    void unplayableAddressEndsThePlayback() {
        CFFPlayer player;
        QWidget window;
        const QString missing = QDir(qEnvironmentVariable("QUARVIK_TEST_MEDIA")).filePath("no-such-file.ts");
        // libvlc opens asynchronously: the failure ends the playback soon after.
        player.Play(&window, missing);
        QTRY_VERIFY_WITH_TIMEOUT(!player.IsPlaying(), 20000);
        player.Close();
    }
};

int RunFFPlayerTest(int argc, char** argv) {
    FFPlayerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FFPlayerTest.moc"
