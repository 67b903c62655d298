// The detail page over results stored with the store's own code: the summary tree, both modes
// of the event list with their time codes, the pictures, playback requests, the selection kept
// in step between the lists and the export into a chosen folder.
#include "QtTestSupport.h"

#include "ChosenFolder.h"
#include "DetailIcons.h"
#include "FaultKinds.h"
#include "GdiplusButton.h"
#include "LoudnessDb.h"
#include "LoudnessView.h"
#include "MyListCtrl.h"
#include "MyTreeCtrl.h"
#include "SqliteDb.h"
#include "TextField.h"
#include "WndDetail.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace quarvik;

Q_DECLARE_METATYPE(quarvik::ResultInfo_t)

namespace {

ResultInfo_t NewResult(const char* name, int32_t fmtError) {
    ResultInfo_t r{};
    CopyField(r.szName, name);
    CopyField(r.szFilename, std::string("/media/") + name);
    CopyField(r.szNewFilename, std::string("/cache/") + name);
    r.tmBegin = 1700000000;
    r.nFrame = 100000;
    r.nFmtError = fmtError;
    return r;
}

// Stores r with media rows, and returns it with its id.
ResultInfo_t Store(CSqliteDb& db, ResultInfo_t r, bool media = true) {
    if (!db.AddResult(r.nID, r)) qFatal("result not stored");
    if (media) {
        db.AddMediaInfo(r.nID, 0, "General", "");
        db.AddMediaInfo(r.nID, 0, " Format", "MXF");
        db.AddMediaInfo(r.nID, 1, "Video #1", "");
        db.AddMediaInfo(r.nID, 1, " Width", "720");
    }
    return r;
}

QStringList Children(QTreeWidgetItem* item) {
    QStringList texts;
    for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
    return texts;
}

QStringList RowTexts(CMyListCtrl* list, int row) {
    QStringList texts;
    for (int c = 0; c < list->columnCount(); ++c) texts << list->GetItemText(row, c);
    return texts;
}

QStringList Titles(CMyListCtrl* list) {
    QStringList titles;
    for (int c = 0; c < list->columnCount(); ++c) titles << list->horizontalHeaderItem(c)->text();
    return titles;
}

}  // namespace

class WndDetailTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<quarvik::ResultInfo_t>(); }

    void faultModeTreeListAndPictures() {
        TempHome home;
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        ResultInfo_t r = Store(db, NewResult("news.mxf", kFormatValid));
        const std::vector<uint8_t> snapshot(160 * 120 * 3, 90);
        QVERIFY(db.AddFault({r.nID, kFaultBlack, 0, 90061, 90061 + 49, 24, 160, 120, snapshot.data()}, 1));
        QVERIFY(db.AddFault({r.nID, kFaultSilenceLeft, -60, 250, 1000, 0, 0, 0, nullptr}, 1));
        QVERIFY(db.AddFault({r.nID, kFaultBlack, 0, 5000, 5000, 24, 160, 120, snapshot.data()}, 2));
        QVERIFY(db.AddFault({r.nID, 13, 0, 7000, 7010, 0, 0, 0, nullptr}, 1));  // no kind of ours

        CWndDetail page;
        page.resize(1000, 400);
        page.SetResult(r, QStringLiteral("/cache/news.mxf"));
        page.ShowResult();

        QCOMPARE(Titles(page.Events()), (QStringList{"", "开始时间", "结束时间", "长度", "类型"}));
        QCOMPARE(page.Events()->rowCount(), 4);
        QCOMPARE(RowTexts(page.Events(), 0),
                 (QStringList{"1", "01:00:02.11", "01:00:04.10", "00:00:02.00", "黑场"}));
        QCOMPARE(RowTexts(page.Events(), 1), (QStringList{"2", "00:00:10.00", "00:00:40.00", "00:00:30.01", "静音(左)"}));
        QCOMPARE(RowTexts(page.Events(), 3).last(), QStringLiteral("UN"));
        QCOMPARE(page.Events()->GetItemImage(0, 0), int(kFaultBlack));
        QCOMPARE(page.Events()->GetItemImage(1, 0), 6);
        QCOMPARE(page.Events()->GetItemImage(3, 0), -1);

        QCOMPARE(page.Pictures()->rowCount(), 4);
        QCOMPARE(page.Pictures()->ImageCount(), 4);
        QCOMPARE(page.Pictures()->ImageFor(0, 0).size(), QSize(160, 120));

        CMyTreeCtrl* tree = page.Tree();
        QCOMPARE(tree->topLevelItemCount(), 4);
        QCOMPARE(tree->topLevelItem(3)->text(0), QStringLiteral("响度"));
        QCOMPARE(Children(tree->topLevelItem(3)), (QStringList{"未测量"}));
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("媒体信息"));
        QCOMPARE(Children(tree->topLevelItem(0)), (QStringList{"General", "Video #1"}));
        QCOMPARE(Children(tree->topLevelItem(0)->child(1)), (QStringList{" Width : 720"}));
        QCOMPARE(Children(tree->topLevelItem(1)), (QStringList{"语法正确"}));
        QCOMPARE(Children(tree->topLevelItem(2)), (QStringList{"黑场 : 2", "静音(左) : 1"}));
        QVERIFY(tree->topLevelItem(1)->isExpanded());
        QVERIFY(tree->topLevelItem(2)->isExpanded());

        // Layout of a 1000 x 400 page.
        page.show();
        QCOMPARE(tree->geometry(), QRect(2, 40, 240, 358));
        QCOMPARE(page.Events()->geometry(), QRect(247, 40, 556, 358));
        QCOMPARE(page.Pictures()->geometry(), QRect(806, 40, 190, 358));
    }

    // Each picture kind has a picture of its own in the strip (the sound kinds of the other
    // channels share the left channel's level bars).
    void everyPictureKindHasAnIconOfItsOwn() {
        const QList<QPixmap> icons = DetailIcons();
        QCOMPARE(icons.size(), int(kDetailIconCount));
        QList<QImage> seen;
        for (const FaultKind& kind : kFaultKinds) {
            const int icon = DetailIconOfKind(kind.code);
            QVERIFY2(icon >= 0 && icon < icons.size(), kind.detailName);
            if (IsSoundFault(kind.code))
                continue;
            const QImage image = icons[icon].toImage();
            QVERIFY2(!seen.contains(image), kind.detailName);
            seen << image;
        }
    }

    // A value wider than the tree is cut there; its tip gives it whole.
    void cutPropertiesHaveTheirWholeTextAsTip() {
        TempHome home;
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        ResultInfo_t r = Store(db, NewResult("news.mxf", kFormatValid));
        db.AddMediaInfo(r.nID, 1, " ChromaSubsampling", "4:2:0 (Type 2) with a long explanation of its siting");
        CWndDetail page;
        page.resize(800, 400);
        page.SetResult(r, QStringLiteral("/cache/news.mxf"));
        page.ShowResult();
        page.show();
        QTreeWidgetItem* video = page.Tree()->topLevelItem(0)->child(1);
        video->setExpanded(true);
        QTreeWidgetItem* chroma = video->child(1);
        QCOMPARE(chroma->text(0), QStringLiteral(" ChromaSubsampling : 4:2:0 (Type 2) with a long explanation of its siting"));
        QVERIFY(page.Tree()->visualItemRect(chroma).right() >= page.Tree()->viewport()->width() - 1 ||
                page.Tree()->fontMetrics().horizontalAdvance(chroma->text(0)) > page.Tree()->viewport()->width());
        QCOMPARE(chroma->toolTip(0), chroma->text(0));
    }

    void loudnessNodeAndGraphShowTheStoredFigures() {
        TempHome home;
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        ResultInfo_t r = Store(db, NewResult("loud.mxf", kFormatValid));
        LoudnessRow loudness;
        loudness.info = {-18.0, 6.2, -0.4, -15.0, -16.0, {}};
        QVERIFY(StoreLoudness(db, r.nID, loudness));
        CWndDetail page;
        page.SetResult(r, QStringLiteral("/cache/loud.mxf"));
        page.ShowResult();
        QTreeWidgetItem* node = page.Tree()->topLevelItem(page.Tree()->topLevelItemCount() - 1);
        QCOMPARE(node->text(0), QStringLiteral("响度"));
        QStringList expected;
        for (const std::string& text : LoudnessNodeTexts(SummarizeLoudness(loudness)))
            expected << QString::fromStdString(text);
        QCOMPARE(Children(node), expected);
        QCOMPARE(Children(node).first(), QStringLiteral("综合响度 : -18.0 LUFS"));
        // The graph under the tree, which makes room for it; gone again for a result without one.
        page.resize(1000, 400);
        QVERIFY(!page.LoudnessGraph()->isHidden());
        QVERIFY(page.LoudnessGraph()->Loudness().has_value());
        QVERIFY(page.Tree()->geometry().bottom() < page.LoudnessGraph()->geometry().top());
        QVERIFY(!page.LoudnessGraph()->grab().isNull());
        page.SetResult(Store(db, NewResult("quiet.mxf", kFormatValid)), QStringLiteral("/cache/quiet.mxf"));
        page.ShowResult();
        QVERIFY(page.LoudnessGraph()->isHidden());
        QCOMPARE(page.Tree()->height(), 400 - 42);
    }

    void deviationModeAndTheTreeWithoutMedia() {
        TempHome home;
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        ResultInfo_t r = Store(db, NewResult("bad.ts", kFormatInvalid), false);
        QVERIFY(db.AddSyntaxErr(r.nID, "Video", "Width", "1920", "", "720"));
        QVERIFY(db.AddSyntaxErr(r.nID, "Audio", "Channels", "2", "6", "1"));
        CWndDetail page;
        page.SetResult(r, QStringLiteral("/cache/bad.ts"));
        page.ShowResult();
        QCOMPARE(Titles(page.Events()), (QStringList{"", "错误对象", "有效值1", "有效值2", "实际值"}));
        QCOMPARE(RowTexts(page.Events(), 0), (QStringList{"1", "Video.Width", "1920", " ", "720"}));
        QCOMPARE(RowTexts(page.Events(), 1), (QStringList{"2", "Audio.Channels", "2", "6", "1"}));
        QCOMPARE(page.Pictures()->rowCount(), 0);
        QCOMPARE(Children(page.Tree()->topLevelItem(0)), (QStringList{"Unknown!"}));
        QCOMPARE(Children(page.Tree()->topLevelItem(1)), (QStringList{"发现错误"}));
        QCOMPARE(Children(page.Tree()->topLevelItem(2)), (QStringList{"未检测"}));

        // Playback from a deviation starts at the beginning.
        QSignalSpy played(&page, &CWndDetail::PlayRequested);
        page.Events()->selectRow(1);
        page.OnPlayback();
        QCOMPARE(played.size(), 1);
        QCOMPARE(played[0][0].toString(), QStringLiteral("/cache/bad.ts"));
        QCOMPARE(played[0][1].value<ResultInfo_t>().nPlayFrame, 0);
    }

    void verdictsWithoutFaults_data() {
        QTest::addColumn<int>("fmtError");
        QTest::addColumn<QStringList>("format");
        QTest::addColumn<QStringList>("content");
        QTest::newRow("not checked") << int(kFormatNotChecked) << QStringList{"未检测"} << QStringList{"内容正确"};
        QTest::newRow("valid") << int(kFormatValid) << QStringList{"语法正确"} << QStringList{"内容正确"};
        QTest::newRow("unknown verdict") << 7 << QStringList{} << QStringList{"内容正确"};
    }
    void verdictsWithoutFaults() {
        QFETCH(int, fmtError);
        QFETCH(QStringList, format);
        QFETCH(QStringList, content);
        TempHome home;
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        ResultInfo_t r = Store(db, NewResult("clean.mxf", fmtError));
        CWndDetail page;
        page.SetResult(r, QStringLiteral("/cache/clean.mxf"));
        page.ShowResult();
        QCOMPARE(Children(page.Tree()->topLevelItem(1)), format);
        QCOMPARE(Children(page.Tree()->topLevelItem(2)), content);
        QCOMPARE(page.Events()->rowCount(), 0);
    }

    void playbackFromEitherList() {
        TempHome home;
        MessageLog messages;
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        ResultInfo_t r = Store(db, NewResult("news.mxf", kFormatValid));
        QVERIFY(db.AddFault({r.nID, kFaultBlack, 0, 100, 149, 0, 0, 0, nullptr}, 1));
        QVERIFY(db.AddFault({r.nID, kFaultStillFrame, 0, 300, 400, 0, 0, 0, nullptr}, 1));
        CWndDetail page;
        page.SetResult(r, QStringLiteral("/cache/news.mxf"));
        page.ShowResult();
        QSignalSpy played(&page, &CWndDetail::PlayRequested);

        page.PlaybackButton()->click();
        QCOMPARE(played.size(), 0);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("请选择回放的记录！"));

        page.Events()->selectRow(1);
        page.PlaybackButton()->click();
        QCOMPARE(played.size(), 1);
        QCOMPARE(played[0][1].value<ResultInfo_t>().nPlayFrame, 300);
        QCOMPARE(played[0][1].value<ResultInfo_t>().nID, r.nID);

        emit page.Events()->cellDoubleClicked(0, 2);
        QCOMPARE(played.last()[1].value<ResultInfo_t>().nPlayFrame, 100);
        emit page.Pictures()->cellDoubleClicked(1, 0);
        QCOMPARE(played.last()[1].value<ResultInfo_t>().nPlayFrame, 300);
        QCOMPARE(played.size(), 3);
    }

    void selectionKeptInStep() {
        TempHome home;
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        ResultInfo_t r = Store(db, NewResult("news.mxf", kFormatValid));
        for (int i = 0; i < 30; ++i) QVERIFY(db.AddFault({r.nID, kFaultBlack, 0, i * 100, i * 100 + 50, 0, 0, 0, nullptr}, i + 1));
        CWndDetail page;
        page.resize(1000, 400);
        page.SetResult(r, QStringLiteral("/cache/news.mxf"));
        page.ShowResult();
        page.show();
        page.Events()->setFocus();
        page.Events()->setCurrentCell(20, 1);
        QCOMPARE(page.Pictures()->currentRow(), 20);
        QCOMPARE(page.focusWidget(), page.Pictures());
        QVERIFY(page.Pictures()->visualItemRect(page.Pictures()->item(20, 0)).intersects(page.Pictures()->viewport()->rect()));

        page.Pictures()->setCurrentCell(3, 0);
        QCOMPARE(page.Events()->currentRow(), 3);
        QCOMPARE(page.Events()->selectedRanges().first().topRow(), 3);
        QCOMPARE(page.focusWidget(), page.Pictures());
    }

    void exportWritesTheReportIntoTheChosenFolder() {
        TempHome home;
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        ResultInfo_t r = Store(db, NewResult("news.mxf", kFormatValid));
        QVERIFY(db.AddFault({r.nID, kFaultSilenceLeft, -60, 250, 1000, 0, 0, 0, nullptr}, 1));
        CWndDetail page;
        page.SetResult(r, QStringLiteral("/cache/news.mxf"));
        page.ShowResult();
        QCOMPARE(page.ExportMenu()->actions().size(), 1);
        QCOMPARE(page.ExportMenu()->title(), QStringLiteral("Export"));
        QCOMPARE(page.ExportMenu()->actions().first()->text(), QStringLiteral("导出为HTML文件"));

        {
            ChosenFolder cancelled{QString()};
            page.ExportMenu()->actions().first()->trigger();
            QCOMPARE(cancelled.titles, QStringList{"选择目标文件夹..."});
        }
        QVERIFY(!QFile::exists(home.File("index.html")));

        const QString folder = home.File("report");
        QVERIFY(QDir().mkpath(folder));
        ChosenFolder chosen(folder);
        page.ExportMenu()->actions().first()->trigger();
        // The report of this result, with the material played back as its "FileName".
        QFile html(folder + "/index.html");
        QVERIFY(html.open(QIODevice::ReadOnly));
        const QByteArray bytes = html.readAll();
        QVERIFY(bytes.contains("/cache/news.mxf"));
        QVERIFY(bytes.contains("00:00:10.00"));
        QVERIFY(QFile::exists(folder + "/images/0.bmp"));

        // The report there is replaced only when the operator agrees.
        QVERIFY(QFile::remove(folder + "/images/0.bmp"));
        MessageLog messages(MsgAnswer::No);
        page.ExportMenu()->actions().first()->trigger();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("该文件夹中已有报告，确信替换吗？"));
        QVERIFY(messages.shown[0].buttons == MsgButtons::YesNoDefaultNo);
        QVERIFY(!QFile::exists(folder + "/images/0.bmp"));
        messages.Answer(MsgAnswer::Yes);
        page.ExportMenu()->actions().first()->trigger();
        QCOMPARE(messages.shown.size(), 2);
        QVERIFY(QFile::exists(folder + "/images/0.bmp"));
    }
};

int RunWndDetailTest(int argc, char** argv) {
    WndDetailTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WndDetailTest.moc"
