// The report list: per-row colours stay with their rows, and what is drawn follows them; cells
// edited in place take the editor's text on Enter and keep theirs on Escape.
#include "ControlsTest.h"

#include "ListCellEditors.h"
#include "MyListCtrl.h"

#include <QImage>
#include <QSignalSpy>
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

// Column 0 edits in a line, column 1 from a drop-down, column 2 not at all.
void FillEditable(CMyListCtrl& list) {
    list.InsertColumn(0, QStringLiteral("文件名"), Qt::AlignLeft, 150, 1);
    list.InsertColumn(1, QStringLiteral("状态"), Qt::AlignLeft, 120, 4,
                      {QStringLiteral("等待检测中"), QStringLiteral("检测完毕"), QStringLiteral("格式非法")});
    list.InsertColumn(2, QStringLiteral("黑场"), Qt::AlignRight, 60);
    for (int i = 0; i < 2; ++i) {
        const int row = list.InsertItem(i, QStringLiteral("news_%1.ts").arg(i + 1));
        list.SetItemText(row, 1, QStringLiteral("自定义"));
        list.SetItemText(row, 2, QStringLiteral("0"));
    }
    list.resize(400, 120);
    list.show();
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

    void CellEditorsCommitOrCancel_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");  // for the drop-down: the choice to pick, empty for none
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("edited");
        QTest::newRow("edit, Enter") << 0 << "new.ts" << int(Qt::Key_Return) << "new.ts" << 1;
        QTest::newRow("edit, Escape") << 0 << "new.ts" << int(Qt::Key_Escape) << "news_2.ts" << 0;
        QTest::newRow("edit, Enter unchanged") << 0 << "" << int(Qt::Key_Enter) << "news_2.ts" << 0;
        QTest::newRow("drop-down, Enter") << 1 << "格式非法" << int(Qt::Key_Return) << "格式非法" << 1;
        QTest::newRow("drop-down, Escape") << 1 << "检测完毕" << int(Qt::Key_Escape) << "自定义" << 0;
        // A text that is no choice is kept when the editor is confirmed unchanged.
        QTest::newRow("drop-down, Enter unchanged") << 1 << "" << int(Qt::Key_Return) << "自定义" << 0;
    }
    void CellEditorsCommitOrCancel() {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, cell);
        QFETCH(int, edited);
        CMyListCtrl list;
        FillEditable(list);
        QSignalSpy spy(&list, &CMyListCtrl::CellEdited);
        QVERIFY(list.EditCell(1, column));
        QWidget* editor = list.CellEditor();
        QVERIFY(editor);
        if (auto* line = qobject_cast<CListCellEdit*>(editor)) {
            QVERIFY(column == 0);
            if (!typed.isEmpty()) {
                line->selectAll();
                QTest::keyClicks(line, typed);
            }
        } else {
            auto* combo = qobject_cast<CListCellCombo*>(editor);
            QVERIFY(combo && column == 1);
            QCOMPARE(combo->currentText(), QStringLiteral("自定义"));
            if (!typed.isEmpty()) combo->setCurrentIndex(combo->findText(typed));
        }
        QTest::keyClick(editor, Qt::Key(key));
        QTRY_VERIFY_WITH_TIMEOUT(!list.CellEditor(), 5000);
        QCOMPARE(list.GetItemText(1, column), cell);
        QCOMPARE(list.GetItemText(0, column), column == 0 ? QStringLiteral("news_1.ts") : QStringLiteral("自定义"));
        QCOMPARE(spy.size(), edited);
        if (edited) QCOMPARE(spy[0], (QVariantList{1, column, cell}));
    }

    void DoubleClickEditsOnlyColumnsWithAnEditType() {
        CMyListCtrl list;
        FillEditable(list);
        QVERIFY(!list.EditCell(0, 2));
        QVERIFY(!list.EditCell(5, 0));
        // A column without an edit type keeps the list's own double-click (the program's preview).
        QSignalSpy doubleClicked(&list, &QAbstractItemView::doubleClicked);
        const QRect plain = list.visualRect(list.model()->index(0, 2));
        DoubleClick(list.viewport(), plain.center());
        QVERIFY(!list.CellEditor());
        QCOMPARE(doubleClicked.size(), 1);
        const QRect name = list.visualRect(list.model()->index(0, 0));
        DoubleClick(list.viewport(), name.center());
        QVERIFY(qobject_cast<CListCellEdit*>(list.CellEditor()));
        QVERIFY(list.CellEditor()->geometry().intersects(name));
    }
};

int RunListCtrlTest(int argc, char** argv) {
    ListCtrlTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "ListCtrlTest.moc"
