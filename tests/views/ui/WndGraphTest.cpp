// The fault timeline: what it paints for a result and its fault spans, and how a click becomes
// a seek that the owner may refuse.
#include "QtTestSupport.h"

#include "FaultChannelDb.h"
#include "FaultKinds.h"
#include "SqliteDb.h"
#include "WndGraph.h"

#include <QMouseEvent>
#include <QTest>

using namespace quarvik;

namespace {

// Orange, green, grey or blue: the brush a pixel of the bar came from.
enum class Paint { Fault, Material, Unknown, Cursor };

Paint PaintAt(const QImage& image, int x) {
    const QColor c = image.pixelColor(x, 4);
    if (c.blue() > c.red() + 60) return Paint::Cursor;
    if (c.red() > c.green() + 30) return Paint::Fault;
    if (c.green() > c.red() + 30) return Paint::Material;
    return Paint::Unknown;
}

ResultInfo_t Result(int frames) {
    ResultInfo_t r{};
    r.nFrame = frames;
    return r;
}

}  // namespace

class WndGraphTest : public QObject {
    Q_OBJECT

private slots:
    void spansAndCursorWhereTheFramesLie() {
        CWndGraph graph;
        graph.resize(300, 8);
        graph.SetFrameCount(1000);
        graph.AppendSpan(100, 200);  // x 30..60
        graph.AppendSpan(500, 500);  // zero width
        graph.SetCursor(50);         // x 149..150
        const QImage image = graph.Render();
        QCOMPARE(image.size(), QSize(301, 9));
        QCOMPARE(PaintAt(image, 29), Paint::Material);
        QCOMPARE(PaintAt(image, 30), Paint::Fault);
        QCOMPARE(PaintAt(image, 59), Paint::Fault);
        QCOMPARE(PaintAt(image, 60), Paint::Material);
        QCOMPARE(PaintAt(image, 148), Paint::Material);
        QCOMPARE(PaintAt(image, 149), Paint::Cursor);
        QCOMPARE(PaintAt(image, 150), Paint::Cursor);
        for (int x = 151; x < 300; ++x) QCOMPARE(PaintAt(image, x), Paint::Material);
    }

    void unknownLengthPaintsGreyWithoutSpans() {
        CWndGraph graph;
        graph.resize(300, 8);
        graph.AppendSpan(0, 1000);
        graph.SetCursor(CWndGraph::kNoCursor);
        const QImage image = graph.Render();
        for (int x = 0; x <= 300; x += 10) QCOMPARE(PaintAt(image, x), Paint::Unknown);
    }

    void longMaterialOnAWideBar() {
        // A day of material: frame x width does not fit in 32 bits.
        CWndGraph graph;
        graph.resize(2000, 8);
        graph.SetFrameCount(2160000);
        graph.AppendSpan(1620000, 2160000);  // the last quarter
        graph.SetCursor(CWndGraph::kNoCursor);
        const QImage image = graph.Render();
        QCOMPARE(PaintAt(image, 1499), Paint::Material);
        QCOMPARE(PaintAt(image, 1500), Paint::Fault);
        QCOMPARE(PaintAt(image, 1999), Paint::Fault);
    }

    void clickSeeksOnlyWhenTheOwnerDid() {
        CWndGraph graph;
        graph.resize(300, 8);
        QList<QPair<int, int>> asked;
        int answer = 0;
        graph.SetSeekFn([&](int percent, int cursor) {
            asked.append({percent, cursor});
            return answer;
        });
        graph.SetCursor(10);
        QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(299, 4));
        QCOMPARE(asked, (QList<QPair<int, int>>{{99, 10}}));
        QCOMPARE(graph.Cursor(), 10);
        answer = 1;
        QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(150, 4));
        QCOMPARE(asked.last(), (QPair<int, int>{50, 10}));
        QCOMPARE(graph.Cursor(), 50);
        QTest::mouseClick(&graph, Qt::RightButton, {}, QPoint(30, 4));
        QCOMPARE(asked.size(), 2);
    }

    void resultBringsItsStoredSpans() {
        TempHome home;
        int id = 0;
        {
            CSqliteDb db;
            QVERIFY(db.OpenTaskDb());
            ResultInfo_t r = Result(750);
            QVERIFY(db.AddResult(id, r));
            QVERIFY(db.AddFault({id, 2, 0, 100, 149, 0, 0, 0, nullptr}, 1));
            QVERIFY(db.AddFault({id, 16, -60, 250, 300, 0, 0, 0, nullptr}, 1));
            QVERIFY(StoreFaultWithChannel(db, {id, kFaultSilenceOther, -90, 280, 600, 0, 0, 0, nullptr}, 1,
                                          {3, 1, "音轨3"}));
        }
        CWndGraph graph;
        graph.SetCursor(70);
        ResultInfo_t r = Result(750);
        r.nID = id;
        graph.SetResult(&r);
        QCOMPARE(graph.Begins(), (std::vector<uint32_t>{100, 250, 280}));
        QCOMPARE(graph.Ends(), (std::vector<uint32_t>{149, 300, 600}));
        QCOMPARE(graph.Result().nFrame, 750);
        QCOMPARE(graph.Cursor(), 0);

        // Pointing at a span names its events, the channel of a sound event included.
        graph.resize(750, 8);
        QCOMPARE(graph.TipAt(120), QStringLiteral("黑场  00:00:04.00 - 00:00:05.24"));
        QCOMPARE(graph.TipAt(290), QStringLiteral("静音(左)  00:00:10.00 - 00:00:12.00\n"
                                                  "静音 音轨3  00:00:11.05 - 00:00:24.00"));
        QCOMPARE(graph.TipAt(700), QString());
        graph.SetCursor(70);
        graph.SetResult(nullptr);
        QVERIFY(graph.Begins().empty());
        QCOMPARE(graph.Result().nFrame, 0);
        QCOMPARE(graph.Cursor(), 0);
    }
};

int RunWndGraphTest(int argc, char** argv) {
    WndGraphTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WndGraphTest.moc"
