// The small controls: slider and progress ranges, the list box's search, the label's background,
// the edit's limit, the font chooser, the list tree's check boxes, the graph's points and the tool
// bars' commands.
#include "ControlsTest.h"

#include "MyGraph.h"
#include "SimpleControls.h"
#include "ToolBars.h"

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <cmath>

class SimpleControlsTest : public QObject {
    Q_OBJECT
private slots:
    void SliderStaysInItsRange_data() {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("pos");
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("shown");
        QTest::newRow("inside") << 0 << 100 << 50 << 0 << 100 << 50;
        QTest::newRow("ends swapped, above") << 100 << 0 << 150 << 0 << 100 << 100;
        QTest::newRow("below") << -10 << 10 << -20 << -10 << 10 << -10;
    }
    void SliderStaysInItsRange() {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, pos);
        QFETCH(int, lo);
        QFETCH(int, hi);
        QFETCH(int, shown);
        CMySliderCtrl slider;
        slider.SetRange(min, max);
        slider.SetPos(pos);
        QCOMPARE(slider.GetRangeMin(), lo);
        QCOMPARE(slider.GetRangeMax(), hi);
        QCOMPARE(slider.GetPos(), shown);
        // Narrowing the range pulls the position inside.
        slider.SetRange(lo, lo + 1);
        QVERIFY(slider.GetPos() <= lo + 1);
    }

    void ProgressWritesItsPercentage_data() {
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << 0 << 100 << 65 << "65%";
        QTest::newRow("wider range") << 0 << 200 << 50 << "25%";
        QTest::newRow("ends swapped, above") << 200 << 0 << 250 << "100%";
        QTest::newRow("below") << 0 << 100 << -5 << "0%";
        QTest::newRow("offset range") << 100 << 300 << 150 << "25%";
    }
    void ProgressWritesItsPercentage() {
        QFETCH(int, lower);
        QFETCH(int, upper);
        QFETCH(int, pos);
        QFETCH(QString, text);
        CMyProgressCtrl progress;
        progress.SetRange(lower, upper);
        progress.SetPos(pos);
        QCOMPARE(progress.text(), text);
    }

    void ListBoxFindsByPrefix_data() {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("found");
        QTest::newRow("first") << "news" << -1 << 0;
        QTest::newRow("after the first") << "news" << 0 << 1;
        QTest::newRow("wraps round") << "news" << 1 << 0;
        QTest::newRow("ignores case") << "MUS" << -1 << 2;
        QTest::newRow("none") << "x" << -1 << -1;
        QTest::newRow("empty prefix: the next") << "" << 2 << 3;
    }
    void ListBoxFindsByPrefix() {
        QFETCH(QString, prefix);
        QFETCH(int, start);
        QFETCH(int, found);
        CMyListBox box;
        QCOMPARE(box.FindString(prefix, start), -1);
        for (const char* s : {"news_1.ts", "News_2.ts", "music.wav", "report.txt"}) box.AddString(QString::fromUtf8(s));
        QCOMPARE(box.FindString(prefix, start), found);
    }

    void ListBoxSelectionAndDeletion() {
        CMyListBox box;
        QCOMPARE(box.InsertString(5, QStringLiteral("b")), 0);  // past the end appends
        QCOMPARE(box.InsertString(0, QStringLiteral("a")), 0);
        box.SetCurSel(1);
        QCOMPARE(box.GetCurSel(), 1);
        box.SetCurSel(-1);
        QCOMPARE(box.GetCurSel(), -1);
        QVERIFY(!box.DeleteString(2));
        QVERIFY(box.DeleteString(0));
        QCOMPARE(box.GetText(0), QStringLiteral("b"));
        QCOMPARE(box.GetCount(), 1);
    }

    void LabelIsTransparentUntilGivenABackground() {
        QWidget page;
        page.setAutoFillBackground(true);
        QPalette p = page.palette();
        p.setColor(QPalette::Window, Qt::red);
        page.setPalette(p);
        page.resize(100, 40);
        auto* label = new CLabel(QString(), &page);
        label->setGeometry(0, 0, 100, 40);
        page.show();
        const QPoint inside(50, 20);
        QCOMPARE(page.grab().toImage().pixelColor(inside), QColor(Qt::red));
        label->SetBkColor(QColor(0, 136, 0));
        QCOMPARE(page.grab().toImage().pixelColor(inside), QColor(0, 136, 0));
        label->SetBkColor({});
        QCOMPARE(page.grab().toImage().pixelColor(inside), QColor(Qt::red));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    }

    void EditTakesAtMostItsLimit() {
        CMyEdit edit;
        edit.show();
        edit.SetLimitText(5);
        QTest::keyClicks(&edit, QStringLiteral("abcdefgh"));
        QCOMPARE(edit.text(), QStringLiteral("abcde"));
        edit.SetLimitText(0);
        QTest::keyClicks(&edit, QStringLiteral("fgh"));
        QCOMPARE(edit.text(), QStringLiteral("abcdefgh"));
    }

    void FontChooserSelectsInstalledFamiliesOnly() {
        CFontPreviewCombo fonts;
        if (fonts.count() < 1) QSKIP("no fonts installed");
        const QString last = fonts.itemText(fonts.count() - 1);
        QVERIFY(fonts.SelectFont(last.toUpper()));
        QCOMPARE(fonts.GetSelectedFont(), last);
        QVERIFY(!fonts.SelectFont(QStringLiteral("No Such Family 4711")));
        QCOMPARE(fonts.GetSelectedFont(), last);
    }

    void ParentCheckBoxFollowsItsChildren() {
        CListTreeCtrl tree;
        tree.SetColumns({QStringLiteral("任务"), QStringLiteral("文件数")}, {120, 40});
        QTreeWidgetItem* parent = tree.InsertRow({QStringLiteral("本地文件夹"), QStringLiteral("2")});
        QTreeWidgetItem* a = tree.InsertRow({QStringLiteral("/in/a"), QStringLiteral("1")}, parent);
        QTreeWidgetItem* b = tree.InsertRow({QStringLiteral("/in/b"), QStringLiteral("1")}, parent);
        QCOMPARE(a->text(1), QStringLiteral("1"));
        QCOMPARE(tree.GetCheck(parent), Qt::Unchecked);
        tree.SetCheck(a, true);
        QCOMPARE(tree.GetCheck(parent), Qt::PartiallyChecked);
        tree.SetCheck(b, true);
        QCOMPARE(tree.GetCheck(parent), Qt::Checked);
        tree.SetCheck(parent, false);
        QCOMPARE(tree.GetCheck(a), Qt::Unchecked);
        QCOMPARE(tree.GetCheck(b), Qt::Unchecked);
    }

    void GraphKeepsTheLastPointsWithinItsRange() {
        CMyGraph graph;
        graph.SetRange(10, 0);
        graph.SetCapacity(3);
        for (double v : {5.0, 20.0, -3.0, std::nan(""), 7.0}) graph.AddPoint(v);
        QCOMPARE(graph.Points(), (QList<double>{10, 0, 7}));
        graph.SetCapacity(2);
        QCOMPARE(graph.Points(), (QList<double>{0, 7}));
        graph.SetRange(2, 5);
        QCOMPARE(graph.Points(), (QList<double>{2, 5}));
        graph.resize(120, 40);
        QVERIFY(!graph.grab().isNull());
    }

    void ToolBarButtonsReportTheirCommands() {
        CMyToolBar bar;
        QVERIFY(bar.AddButton(7, QIcon(), QStringLiteral("开始")));
        QVERIFY(bar.AddButton(8, QIcon(), QStringLiteral("停止")));
        QVERIFY(!bar.AddButton(7, QIcon(), QStringLiteral("again")));
        bar.show();
        QSignalSpy commands(&bar, &CMyToolBar::Command);
        auto* start = qobject_cast<QToolButton*>(bar.widgetForAction(bar.Button(7)));
        QVERIFY(start);
        QTest::mouseClick(start, Qt::LeftButton);
        bar.SetButtonEnabled(8, false);
        QVERIFY(!bar.IsButtonEnabled(8));
        QTest::mouseClick(bar.widgetForAction(bar.Button(8)), Qt::LeftButton);
        QCOMPARE(commands.size(), 1);
        QCOMPARE(commands[0][0].toInt(), 7);
        QVERIFY(!bar.Button(9));
    }

    void ToolBar24ShowsPicturesAt24() {
        CToolBar24 bar;
        QPixmap big(64, 32);
        big.fill(Qt::blue);
        QVERIFY(bar.AddButton(1, big, QStringLiteral("预览")));
        QCOMPARE(bar.iconSize(), QSize(24, 24));
        const QSize shown = bar.Button(1)->icon().availableSizes().value(0);
        QCOMPARE(shown, QSize(24, 12));
    }
};

int RunSimpleControlsTest(int argc, char** argv) {
    SimpleControlsTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "SimpleControlsTest.moc"
