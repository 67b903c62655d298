// The preview player on generated media (libvlc with dummy outputs): where a result's playback
// starts, that the same result only seeks, the seek answer, the error title, the buttons and the
// workspace's routes to it.
#include "ShellTest.h"

#include "ChildView.h"
#include "GdiplusButton.h"
#include "SqliteDb.h"
#include "TextField.h"
#include "VlcPlayer.h"
#include "WndBottom.h"
#include "WndDetail.h"
#include "WndGraph.h"
#include "WndManualChk.h"
#include "WndPreview.h"
#include "WndTop.h"

#include <QDir>
#include <QTest>

using namespace quarvik;

namespace {

QString Media(const char* name) { return QDir(qEnvironmentVariable("QUARVIK_TEST_MEDIA")).filePath(name); }

// A result of faults.ts (300 frames) stored with two fault spans; nPlayFrame as given.
ResultInfo_t StoredResult(int playFrame) {
    ResultInfo_t r{};
    CopyField(r.szFilename, Media("faults.ts").toStdString());
    CopyField(r.szName, std::string("faults.ts"));
    r.nFrame = 300;
    r.nPlayFrame = playFrame;
    CSqliteDb db;
    if (!db.OpenTaskDb() || !db.AddResult(r.nID, r)) qFatal("result not stored");
    db.AddFault({r.nID, 2, 0, 50, 74, 0, 0, 0, nullptr}, 1);
    db.AddFault({r.nID, 1, 0, 200, 298, 0, 0, 0, nullptr}, 1);
    return r;
}

// Waits until the player runs and its position lies in [low, high).
bool PlaysBetween(CWndPreview& preview, float low, float high) {
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        const float pos = preview.Player()->Position();
        if (preview.Player()->IsPlaying() && pos >= low && pos < high) return true;
        QTest::qWait(20);
    }
    qWarning("position %f, playing %d", preview.Player()->Position(), preview.Player()->IsPlaying());
    return false;
}

}  // namespace

class PreviewTest : public QObject {
    Q_OBJECT
private slots:
    void layoutFollowsTheSize() {
        const CWndPreview::Geometry g = CWndPreview::LayoutFor(400, 300);
        QCOMPARE(g.title, QRect(4, 2, 392, 18));
        QCOMPARE(g.video, QRect(4, 22, 392, 248));
        QCOMPARE(g.timeline, QRect(5, 282, 274, 8));
        QCOMPARE(g.time, QRect(286, 278, 50, 14));
        QCOMPARE(g.play, QRect(340, 276, 18, 18));
        QCOMPARE(g.pause, QRect(360, 276, 18, 18));
        QCOMPARE(g.stop, QRect(380, 276, 18, 18));
        // A wider clock pushes the timeline left rather than overlapping it.
        const CWndPreview::Geometry wide = CWndPreview::LayoutFor(400, 300, 70);
        QCOMPARE(wide.time, QRect(266, 278, 70, 14));
        QVERIFY(wide.timeline.right() < wide.time.left());
    }

    void startFrame_data() {
        QTest::addColumn<int>("playFrame");
        QTest::addColumn<int>("start");
        QTest::newRow("late fault") << 200 << 75;
        QTest::newRow("first frames") << 50 << 0;
        QTest::newRow("exactly the lead") << 125 << 0;
        QTest::newRow("one past the lead") << 126 << 1;
    }
    void startFrame() {
        QFETCH(int, playFrame);
        QFETCH(int, start);
        ResultInfo_t r{};
        r.nPlayFrame = playFrame;
        QCOMPARE(CWndPreview::StartFrame(r), start);
    }

    void resultPlaysFromBeforeItsFaultWithItsSpans() {
        TempHome home;
        CWndPreview preview;
        preview.resize(400, 300);
        preview.show();
        const ResultInfo_t r = StoredResult(200);
        QCOMPARE(preview.LoadAndPlay(Media("faults.ts"), &r), 1);
        QCOMPARE(preview.ShownName(), Media("faults.ts"));
        QCOMPARE(preview.Result().nID, r.nID);
        QCOMPARE(preview.Timeline()->Begins(), (std::vector<uint32_t>{50, 200}));
        QCOMPARE(preview.Timeline()->Ends(), (std::vector<uint32_t>{74, 298}));
        // Frame 75 of 300.
        QVERIFY(PlaysBetween(preview, 0.24f, 0.5f));
        QCOMPARE(preview.Player()->OpenCount(), 1);

        // Another fault of the same result: a seek, no second load (frame 155).
        ResultInfo_t other = r;
        other.nPlayFrame = 280;
        QCOMPARE(preview.LoadAndPlay(Media("faults.ts"), &other), 1);
        QVERIFY(PlaysBetween(preview, 0.51f, 0.8f));
        QCOMPARE(preview.Player()->OpenCount(), 1);

        // The same file without a result loads again and clears the timeline.
        QCOMPARE(preview.LoadAndPlay(Media("faults.ts")), 1);
        QCOMPARE(preview.Player()->OpenCount(), 2);
        QVERIFY(preview.Timeline()->Begins().empty());
        QCOMPARE(preview.Timeline()->Cursor(), 0);
        QCOMPARE(preview.Result().nID, 0);
    }

    void faultInTheFirstFramesStartsAtTheBeginning() {
        TempHome home;
        CWndPreview preview;
        preview.resize(400, 300);
        preview.show();
        // Played first from the middle, then the result with an early fault: back to the start.
        QCOMPARE(preview.LoadAndPlay(Media("faults.ts")), 1);
        QTRY_VERIFY_WITH_TIMEOUT(preview.Player()->IsPlaying(), 20000);
        QCOMPARE(preview.SeekTo(60), 1);
        QVERIFY(PlaysBetween(preview, 0.59f, 0.9f));
        const ResultInfo_t r = StoredResult(50);
        QCOMPARE(preview.LoadAndPlay(Media("faults.ts"), &r), 1);
        QVERIFY(PlaysBetween(preview, 0.0f, 0.2f));
    }

    void seekAnsweredOnlyWhilePlayingOrPaused() {
        TempHome home;
        CWndPreview preview;
        preview.resize(400, 300);
        preview.show();
        QCOMPARE(preview.SeekTo(50), 0);
        // Nothing loaded: the buttons do nothing.
        preview.PlayButton()->click();
        QVERIFY(!preview.Player()->HasPlayer());
        QCOMPARE(preview.PlayButton()->toolTip(), QStringLiteral("播放"));

        QCOMPARE(preview.LoadAndPlay(Media("faults.mp4")), 1);
        QTRY_VERIFY_WITH_TIMEOUT(preview.Player()->IsPlaying(), 20000);
        // A click on the timeline seeks and moves its cursor.
        QTest::mouseClick(preview.Timeline(), Qt::LeftButton, {}, QPoint(preview.Timeline()->width() / 2, 4));
        QCOMPARE(preview.Timeline()->Cursor(), 50);
        QVERIFY(PlaysBetween(preview, 0.49f, 0.8f));
        // The clock and the cursor follow playback once a second.
        QTRY_VERIFY_WITH_TIMEOUT(preview.TimeText() >= QStringLiteral("00:00:06"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(preview.Timeline()->Cursor() > 50, 5000);

        preview.PauseButton()->click();
        QVERIFY(preview.Player()->IsPaused());
        // libvlc pauses a moment later.
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Player()->IsPlaying(), 10000);
        QCOMPARE(preview.SeekTo(20), 1);
        preview.PlayButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(preview.Player()->IsPlaying(), 10000);
        QVERIFY(!preview.Player()->IsPaused());

        preview.StopButton()->click();
        QVERIFY(!preview.Player()->IsPlaying());
        QCOMPARE(preview.SeekTo(50), 0);
        const int cursor = preview.Timeline()->Cursor();
        QTest::mouseClick(preview.Timeline(), Qt::LeftButton, {}, QPoint(5, 4));
        QCOMPARE(preview.Timeline()->Cursor(), cursor);
    }

    // Played to its end, the material plays again: another fault of the same result, and the
    // play button, without Stop first.
    void playsAgainAfterItsEnd() {
        TempHome home;
        CWndPreview preview;
        preview.resize(400, 300);
        preview.show();
        const ResultInfo_t r = StoredResult(280);
        const auto playToTheEnd = [&] {
            QTRY_VERIFY_WITH_TIMEOUT(preview.Player()->IsPlaying(), 20000);
            QCOMPARE(preview.SeekTo(97), 1);
            QTRY_VERIFY_WITH_TIMEOUT(!preview.Player()->IsPlaying(), 20000);
        };
        QCOMPARE(preview.LoadAndPlay(Media("faults.ts"), &r), 1);
        playToTheEnd();
        ResultInfo_t other = r;
        other.nPlayFrame = 200;
        QCOMPARE(preview.LoadAndPlay(Media("faults.ts"), &other), 1);
        QVERIFY(PlaysBetween(preview, 0.24f, 0.5f));
        QCOMPARE(preview.Player()->OpenCount(), 1);

        playToTheEnd();
        preview.PlayButton()->click();
        QVERIFY(PlaysBetween(preview, 0.0f, 0.3f));
    }

    void unplayableMaterialShowsPlayError() {
        TempHome home;
        CWndPreview preview;
        preview.resize(400, 300);
        preview.show();
        QCOMPARE(preview.LoadAndPlay(QString()), 0);
        QVERIFY(preview.ShownName().isEmpty());
        QCOMPARE(preview.LoadAndPlay(home.File(QStringLiteral("missing.ts"))), 1);
        QTRY_COMPARE_WITH_TIMEOUT(preview.ShownName(), QStringLiteral("Play ERROR !"), 20000);
        // The window keeps its material: the next file plays as usual.
        QCOMPARE(preview.Address(), home.File(QStringLiteral("missing.ts")));
        QCOMPARE(preview.LoadAndPlay(Media("faults.ts")), 1);
        QCOMPARE(preview.ShownName(), Media("faults.ts"));
        QTRY_VERIFY_WITH_TIMEOUT(preview.Player()->IsPlaying(), 20000);
    }

    void detailPageAndManualListPlayInThePreview() {
        TempHome home;
        QDir(home.Path()).mkdir(QStringLiteral("cache"));
        CChildView view;
        view.resize(1400, 800);
        view.show();
        const ResultInfo_t r = StoredResult(200);
        emit view.Bottom()->Detail()->PlayRequested(Media("faults.ts"), r);
        CWndPreview* preview = view.Top()->Preview();
        QCOMPARE(preview->Result().nID, r.nID);
        QCOMPARE(preview->Timeline()->Begins().size(), size_t(2));
        QVERIFY(PlaysBetween(*preview, 0.24f, 0.5f));
        emit view.Bottom()->ManualCheck()->PlayRequested(Media("faults.mp4"));
        QCOMPARE(preview->Address(), Media("faults.mp4"));
        QVERIFY(preview->Timeline()->Begins().empty());
    }
};

int RunPreviewTest(int argc, char** argv) {
    PreviewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PreviewTest.moc"
