// The splitter bar: orientation from its shape, the range, and the clamped distance it reports.
#include "ControlsTest.h"

#include "MySplitWnd.h"

#include <QSignalSpy>
#include <QTest>

class SplitWndTest : public QObject {
    Q_OBJECT
private slots:
    void DragIsClampedToTheRangeAndReportsTheMovedDistance_data() {
        QTest::addColumn<QRect>("bar");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<QPoint>("release");  // in the parent's coordinates
        QTest::addColumn<int>("centre");
        QTest::addColumn<int>("distance");
        // A vertical bar: centre x = 102.
        QTest::newRow("inside the range") << QRect(100, 0, 4, 200) << 50 << 150 << QPoint(130, 90) << 130 << 28;
        QTest::newRow("past the maximum") << QRect(100, 0, 4, 200) << 50 << 150 << QPoint(380, 90) << 150 << 48;
        QTest::newRow("past the minimum") << QRect(100, 0, 4, 200) << 50 << 150 << QPoint(-40, 90) << 50 << -52;
        QTest::newRow("no range set") << QRect(100, 0, 4, 200) << -1 << -1 << QPoint(300, 90) << 102 << 0;
        // A horizontal bar moves up and down: centre y = 62.
        QTest::newRow("horizontal") << QRect(0, 60, 300, 4) << 20 << 100 << QPoint(150, 250) << 100 << 38;
    }
    void DragIsClampedToTheRangeAndReportsTheMovedDistance() {
        QFETCH(QRect, bar);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(QPoint, release);
        QFETCH(int, centre);
        QFETCH(int, distance);
        QWidget parent;
        parent.resize(400, 300);
        CMySplitWnd split(bar, &parent, 7);
        if (min >= 0) split.SetRange(min, max);
        parent.show();
        QSignalSpy moved(&split, &CMySplitWnd::Moved);

        Press(&split, QPoint(2, 2));
        Move(&split, split.mapFromParent(release), Qt::LeftButton);
        Release(&split, split.mapFromParent(release));

        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.at(0).at(0).toInt(), 7);
        QCOMPARE(moved.at(0).at(1).toInt(), distance);
        QCOMPARE(split.Centre(), centre);
        // The bar keeps its size; only its position along the movement changes.
        QCOMPARE(split.size(), bar.size());
        QCOMPARE(split.IsVertical() ? split.y() : split.x(), split.IsVertical() ? bar.y() : bar.x());
    }

    void RangeAroundTheCentre() {
        QWidget parent;
        CMySplitWnd split(QRect(100, 0, 4, 200), &parent);
        split.SetRange(30, 60, -1);
        QCOMPARE(split.RangeMin(), 72);
        QCOMPARE(split.RangeMax(), 162);
        split.SetRange(10, 20, 300);
        QCOMPARE(split.RangeMin(), 290);
        QCOMPARE(split.RangeMax(), 320);
    }

    void ASecondDragStartsFromWhereTheFirstEnded() {
        QWidget parent;
        parent.resize(400, 300);
        CMySplitWnd split(QRect(100, 0, 4, 200), &parent);
        split.SetRange(0, 400);
        parent.show();
        QSignalSpy moved(&split, &CMySplitWnd::Moved);
        for (int target : {200, 150}) {
            Press(&split, QPoint(2, 2));
            Release(&split, split.mapFromParent(QPoint(target, 5)));
        }
        QCOMPARE(moved.at(0).at(1).toInt(), 98);
        QCOMPARE(moved.at(1).at(1).toInt(), -50);
    }

    void LayoutHelpersMoveTheNamedEdge() {
        QWidget parent;
        QWidget child(&parent);
        child.setGeometry(10, 10, 100, 50);
        CMySplitWnd::ChangeWidth(&child, 20, 1);
        QCOMPARE(child.geometry(), QRect(10, 10, 120, 50));
        CMySplitWnd::ChangeWidth(&child, 5, 2);
        QCOMPARE(child.geometry(), QRect(5, 10, 125, 50));
        CMySplitWnd::ChangeHeight(&child, -10, 5);
        QCOMPARE(child.geometry(), QRect(5, 0, 125, 50));
        CMySplitWnd::ChangePos(&child, 3, 4);
        QCOMPARE(child.pos(), QPoint(8, 4));
    }
};

int RunSplitWndTest(int argc, char** argv) {
    SplitWndTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "SplitWndTest.moc"
