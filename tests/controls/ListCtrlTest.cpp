// The report list: per-row colours stay with their rows, and what is drawn follows them.
#include "ControlsTest.h"

#include "MyListCtrl.h"

#include <QImage>
#include <QTest>

namespace {

void Fill(CMyListCtrl& list, int rows) {
    list.InsertColumn(0, QStringLiteral("文件名"), Qt::AlignLeft, 150);
    list.InsertColumn(1, QStringLiteral("状态"), Qt::AlignLeft, 150);
    for (int i = 0; i < rows; ++i) {
        const int row = list.InsertItem(i, QStringLiteral("WWWWWWWW %1").arg(i));
        list.SetItemText(row, 1, QStringLiteral("MMMMMMMM"));
    }
}

bool IsRed(QRgb c) { return qRed(c) > 150 && qGreen(c) < 90 && qBlue(c) < 90; }

int RedPixels(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += IsRed(image.pixel(x, y));
    return n;
}

}  // namespace

class ListCtrlTest : public QObject {
    Q_OBJECT
private slots:
    void TextColourOfOneRowLeavesTheOthersAlone() {
        CMyListCtrl list;
        Fill(list, 3);
        const QColor before = list.GetItemTextColor(0);
        list.SetItemTextColor(1, Qt::red);
        QCOMPARE(list.GetItemTextColor(1), QColor(Qt::red));
        QCOMPARE(list.GetItemTextColor(0), before);
        QCOMPARE(list.GetItemTextColor(2), before);
        // Rows without their own colour follow the list's.
        list.SetTextColor(Qt::yellow);
        QCOMPARE(list.GetItemTextColor(0), QColor(Qt::yellow));
        QCOMPARE(list.GetItemTextColor(1), QColor(Qt::red));
    }

    void RowColourMovesWithItsRow() {
        CMyListCtrl list;
        Fill(list, 3);
        list.SetItemTextColor(1, Qt::red);
        list.InsertItem(0, QStringLiteral("new first"));
        QCOMPARE(list.GetItemTextColor(2), QColor(Qt::red));
        QVERIFY(list.GetItemTextColor(1) != QColor(Qt::red));
        list.DeleteItem(0);
        list.DeleteItem(0);
        QCOMPARE(list.GetItemTextColor(0), QColor(Qt::red));
    }

    void EveryCellOfTheColouredRowIsDrawnInItsColourAndNoOtherRow() {
        CMyListCtrl list;
        list.resize(320, 140);
        list.SetItemHeight(24);
        Fill(list, 3);
        list.SetItemTextColor(1, QColor(255, 0, 0));
        list.show();
        const QImage image = list.viewport()->grab().toImage();
        const auto cell = [&](int row, int column) { return list.visualRect(list.model()->index(row, column)); };
        QCOMPARE(cell(1, 0).height(), 24);
        QVERIFY(RedPixels(image, cell(1, 0)) > 0);
        QVERIFY(RedPixels(image, cell(1, 1)) > 0);
        QCOMPARE(RedPixels(image, cell(0, 0)) + RedPixels(image, cell(0, 1)), 0);
        QCOMPARE(RedPixels(image, cell(2, 0)) + RedPixels(image, cell(2, 1)), 0);
    }

    void GridLinesAreDrawnOnlyWhenEnabled() {
        CMyListCtrl list;
        list.resize(320, 140);
        Fill(list, 2);
        list.show();
        const QRect first = list.visualRect(list.model()->index(0, 0));
        const QPoint bottom(first.center().x(), first.bottom());
        QVERIFY(list.viewport()->grab().toImage().pixelColor(bottom) != QColor(30, 30, 30));
        list.EnableGridLine(true);
        QCOMPARE(list.viewport()->grab().toImage().pixelColor(bottom), QColor(30, 30, 30));
    }

    void InsertingOutsideTheListIsRefused() {
        CMyListCtrl list;
        QCOMPARE(list.InsertItem(0, QStringLiteral("no columns yet")), -1);
        Fill(list, 1);
        QCOMPARE(list.InsertItem(-1, QStringLiteral("x")), -1);
        QCOMPARE(list.InsertItem(99, QStringLiteral("appended")), 1);
        QVERIFY(!list.SetItemText(5, 0, QStringLiteral("x")));
        QVERIFY(!list.DeleteItem(5));
        QCOMPARE(list.GetItemCount(), 2);
    }
};

int RunListCtrlTest(int argc, char** argv) {
    ListCtrlTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "ListCtrlTest.moc"
