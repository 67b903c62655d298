// The history page over results stored with the store's own code: the queries its boxes choose,
// the rows it lists, opening, deleting and exporting results.
#include "QtTestSupport.h"

#include "ChosenFolder.h"
#include "HistoryQuery.h"
#include "MyListCtrl.h"
#include "SqliteDb.h"
#include "TextField.h"
#include "WndHistory.h"
#include "WndResult.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace quarvik;

Q_DECLARE_METATYPE(quarvik::ResultInfo_t)

namespace {

int32_t At(const QDate& day, int hour, int minute = 0, int second = 0) {
    return static_cast<int32_t>(QDateTime(day, QTime(hour, minute, second)).toSecsSinceEpoch());
}

int Store(CSqliteDb& db, const char* name, int32_t tmBegin, int32_t fmtError = kFormatValid, int blackCount = 0) {
    ResultInfo_t r{};
    CopyField(r.szName, name);
    CopyField(r.szFilename, std::string("/media/") + name);
    r.tmBegin = tmBegin;
    r.tmEnd = tmBegin + 10;  // a check that finished
    r.nFmtError = fmtError;
    r.nBBCount = blackCount;
    const std::vector<uint8_t> face(kFaceImageSize, 200);
    r.pFaceImage = face.data();
    r.nFaceImageSize = kFaceImageSize;
    r.nFacePicState = 1;
    int id = 0;
    if (!db.AddResult(id, r)) qFatal("result not stored");
    return id;
}

QStringList Names(const CWndHistory& page) {
    QStringList names;
    for (const ResultRow& row : page.Rows()) names << QString::fromUtf8(row.info.szName);
    return names;
}

}  // namespace

class WndHistoryTest : public QObject {
    Q_OBJECT

    const QDate today = QDate::currentDate();

    // A week of results up to today, one at noon each day, and a few at the edges of today.
    void StoreWeek() {
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        for (int d = 6; d >= 1; --d)
            Store(db, QStringLiteral("day%1.mxf").arg(d).toUtf8().constData(), At(today.addDays(-d), 12));
        Store(db, "first.mxf", At(today, 0, 0, 0));
        Store(db, "xabcx.ts", At(today, 12), kFormatValid, 2);
        Store(db, "last.mxf", At(today, 23, 59, 59), kFormatInvalid, 3);
        Store(db, "tomorrow.mxf", At(today.addDays(1), 0, 0, 0));
    }

private slots:
    void initTestCase() { qRegisterMetaType<quarvik::ResultInfo_t>(); }

    void opensOnTodayNewestFirst() {
        TempHome home;
        StoreWeek();
        CWndHistory page;
        QVERIFY(page.TimeRangeBox()->isChecked());
        QVERIFY(!page.NameBox()->isChecked());
        QCOMPARE(Names(page), (QStringList{"last.mxf", "xabcx.ts", "first.mxf"}));
    }

    void boxesChooseTheQuery() {
        TempHome home;
        StoreWeek();
        CWndHistory page;
        // A date chosen: its box checked, the name box cleared; both whole days included.
        page.NameBox()->setChecked(true);
        page.FromDate()->setDate(today.addDays(-2));
        QVERIFY(page.TimeRangeBox()->isChecked());
        QVERIFY(!page.NameBox()->isChecked());
        QCOMPARE(Names(page), (QStringList{"last.mxf", "xabcx.ts", "first.mxf", "day1.mxf", "day2.mxf"}));

        // A name typed: substring match over all days.
        QTest::keyClicks(page.NameEdit(), "abc");
        QVERIFY(page.NameBox()->isChecked());
        QVERIFY(!page.TimeRangeBox()->isChecked());
        QCOMPARE(Names(page), QStringList{"xabcx.ts"});

        // An empty name lists nothing.
        page.NameEdit()->clear();
        QVERIFY(page.NameBox()->isChecked());
        QVERIFY(page.Rows().empty());

        // Clicking a box clears the other; both cleared: today.
        page.TimeRangeBox()->click();
        QVERIFY(!page.NameBox()->isChecked());
        QCOMPARE(page.Rows().size(), size_t(5));
        page.TimeRangeBox()->click();
        QVERIFY(!page.TimeRangeBox()->isChecked());
        QCOMPARE(Names(page), (QStringList{"last.mxf", "xabcx.ts", "first.mxf"}));
        page.NameBox()->click();
        QVERIFY(page.Rows().empty());
    }

    void dayBoundsAreLocalAndWhole() {
        const LocalDay day{today.year(), today.month(), today.day()};
        QCOMPARE(LocalDayStart(day), At(today, 0));
        QCOMPARE(LocalDayEnd(day), At(today, 23, 59, 59));
    }

    void rowsInTheResultListsColumns() {
        TempHome home;
        StoreWeek();
        CWndHistory page;
        page.resize(1000, 400);
        page.show();
        CMyListCtrl* list = page.List();
        QCOMPARE(list->columnCount(), CWndResult::kColumnCount);
        QCOMPARE(list->horizontalHeaderItem(5)->text(), QStringLiteral("静帧"));
        QCOMPARE(list->ItemHeight(), 42);
        // last.mxf: the format check failed, so its counts read 0, and it is red.
        QCOMPARE(list->GetItemText(0, CWndResult::kNameColumn), QStringLiteral("last.mxf"));
        QCOMPARE(list->GetItemText(0, CWndResult::kFileColumn), QStringLiteral("/media/last.mxf"));
        for (int c = CWndResult::kFirstCountColumn; c < CWndResult::kStateColumn; ++c) QCOMPARE(list->GetItemText(0, c), QStringLiteral("0"));
        QCOMPARE(list->GetItemTextColor(0), CWndResult::kFaultyText);
        QCOMPARE(list->GetItemImage(0, CWndResult::kFormatColumn), 2);
        // xabcx.ts: two black fields, red; first.mxf: clean.
        QCOMPARE(list->GetItemText(1, CWndResult::kFirstCountColumn + 1), QStringLiteral("2"));
        QCOMPARE(list->GetItemTextColor(1), CWndResult::kFaultyText);
        QVERIFY(list->GetItemTextColor(2) != CWndResult::kFaultyText);
        QCOMPARE(list->GetItemImage(2, CWndResult::kFormatColumn), 1);
        QCOMPARE(list->GetItemData(2), qint64(page.Rows()[2].info.nID));
        QCOMPARE(list->item(1, CWndResult::kNameColumn)->toolTip(), QStringLiteral("xabcx.ts"));
        // The face picture was read for the shown row.
        QCOMPARE(page.Rows()[0].faceImage.size(), size_t(kFaceImageSize));
    }

    void detailsOfTheSelectedRow() {
        TempHome home;
        MessageLog messages;
        StoreWeek();
        CWndHistory page;
        QSignalSpy opened(&page, &CWndHistory::OpenResult);
        page.OnDetails();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("没有记录选择！"));
        page.List()->selectRow(1);
        page.OnDetails();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(QString::fromUtf8(opened[0][0].value<ResultInfo_t>().szName), QStringLiteral("xabcx.ts"));
        emit page.List()->cellDoubleClicked(2, 3);
        QCOMPARE(QString::fromUtf8(opened[1][0].value<ResultInfo_t>().szName), QStringLiteral("first.mxf"));
    }

    void deleteAsksThenDeletesWithTheDetails() {
        TempHome home;
        MessageLog messages(MsgAnswer::No);
        StoreWeek();
        int faulty = 0;
        {
            CSqliteDb db;
            QVERIFY(db.OpenTaskDb());
            faulty = Store(db, "faulty.mxf", At(today, 13));
            QVERIFY(db.AddFault({faulty, 2, 0, 10, 20, 0, 0, 0, nullptr}, 1));
            QVERIFY(db.AddMediaInfo(faulty, 0, "General", ""));
        }
        CWndHistory page;
        page.DeleteSelected();
        QCOMPARE(messages.shown.last().text, QStringLiteral("请选择要删除的记录！"));

        page.List()->selectRow(0);  // last.mxf
        page.List()->selectionModel()->select(page.List()->model()->index(1, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);  // faulty.mxf
        page.DeleteSelected();
        QCOMPARE(messages.shown.last().text, QStringLiteral("2 条记录将被删除，确信继续吗？"));
        QCOMPARE(messages.shown.last().buttons, MsgButtons::YesNoDefaultNo);
        QCOMPARE(messages.shown.last().icon, MsgIcon::Question);
        QCOMPARE(page.Rows().size(), size_t(4));

        messages.Answer(MsgAnswer::Yes);
        page.DeleteSelected();
        QCOMPARE(Names(page), (QStringList{"xabcx.ts", "first.mxf"}));
        CSqliteDb db;
        QVERIFY(db.OpenTaskDb());
        QVERIFY(LoadFaults(db, faulty).empty());
        QVERIFY(LoadMediaInfo(db, faulty).empty());
    }

    void exportOfTheListedRows() {
        TempHome home;
        StoreWeek();
        CWndHistory page;
        QCOMPARE(page.ExportMenu()->actions().size(), 1);
        QCOMPARE(page.ExportMenu()->actions().first()->text(), QStringLiteral("导出为HTML文件"));
        const QString folder = home.File("export");
        QVERIFY(QDir().mkpath(folder));
        ChosenFolder chosen(folder);
        page.ExportHtml();
        QFile html(folder + "/index.html");
        QVERIFY(html.open(QIODevice::ReadOnly));
        const QByteArray bytes = html.readAll();
        QVERIFY(bytes.contains("xabcx.ts"));
        QVERIFY(!bytes.contains("day1.mxf"));
        // Every row's face picture, also of rows never shown.
        for (int i = 0; i < 3; ++i) QVERIFY(QFile::exists(folder + QStringLiteral("/images/%1.bmp").arg(i)));

        // The page there is replaced only when the operator agrees.
        MessageLog messages(MsgAnswer::No);
        QVERIFY(QFile::remove(folder + "/images/0.bmp"));
        page.ExportHtml();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("该文件夹中已有报告，确信替换吗？"));
        QVERIFY(!QFile::exists(folder + "/images/0.bmp"));
        messages.Answer(MsgAnswer::Yes);

        // An empty list: no page, the format pictures all the same.
        QTest::keyClicks(page.NameEdit(), "nothing like it");
        QVERIFY(page.Rows().empty());
        page.ExportHtml();
        QCOMPARE(messages.shown.size(), 2);
        QVERIFY(!QFile::exists(folder + "/index.html"));
        QVERIFY(QFile::exists(folder + "/images/fmt3.bmp"));
    }
};

int RunWndHistoryTest(int argc, char** argv) {
    WndHistoryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WndHistoryTest.moc"
