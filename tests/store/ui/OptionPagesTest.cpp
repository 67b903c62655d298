// The options dialog's row and settings pages in their window: tab jumps, combo refills,
// what each button writes, the condition dialog and the restart prompt.
#include "QtTestSupport.h"

#include "ContentParams.h"
#include "DlgOption.h"
#include "DlgSyntaxItem.h"
#include "GdiplusButton.h"
#include "MyGroupBox.h"
#include "MyListCtrl.h"
#include "PageContent.h"
#include "PageGeneral.h"
#include "PageResult.h"
#include "PageSyntax.h"
#include "PageTarget.h"
#include "PageTask.h"
#include "Restart.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "TargetPanes.h"
#include "TemplReaders.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

using namespace quarvik;

namespace {

int AddFolderTarget(const char* name) {
    MonObj_t o{};
    o.nType = kTargetFolder;
    CopyField(o.szName, name);
    CopyField(o.szPath, "/media");
    o.nTimeSpan = 30;
    CSqliteDb db;
    int id = 0;
    db.OpenTemplDb();
    db.AddTarget(id, o);
    return id;
}

int AddTemplate(const char* name) {
    MonSyntaxItem_t item{};
    CopyField(item.szAvLevel, "General");
    CopyField(item.szName, "Format");
    CopyField(item.szValue1, "MXF");
    MonSyntax_t s{};
    CopyField(s.szName, name);
    s.nCount = 1;
    s.pItems = &item;
    CSqliteDb db;
    int id = 0;
    db.OpenTemplDb();
    db.AddSyntax(s, id);
    return id;
}

std::vector<MonTask_t> StoredTasks() {
    CSqliteDb db;
    db.OpenTemplDb();
    return LoadTasks(db, false);
}

std::vector<MonSyntaxItem_t> StoredItems(int id) {
    CSqliteDb db;
    db.OpenTemplDb();
    return LoadSyntaxItems(db, id, SyntaxItemColumns::kForEditor);
}

// A template page whose condition dialog answers OK with next.
struct EditedSyntaxPage {
    EditedSyntaxPage() {
        page.SetConditionEditor([this](QWidget*, const MonSyntaxItem_t*, MonSyntaxItem_t& out) {
            out = next;
            return true;
        });
    }
    CPageSyntax page;
    MonSyntaxItem_t next{};
};

// Settings the general page accepts, so that OK reaches the other pages.
void UsableCache(const TempHome& home) { WriteSetting(kCachePath, home.Path().toStdString()); }

}  // namespace

class OptionPagesTest : public QObject {
    Q_OBJECT
private slots:
    void manageButtonsJumpToTheirTabs() {
        TempHome home;
        AddFolderTarget("甲");
        const int second = AddFolderTarget("乙");
        AddTemplate("模板一");
        const int syntax = AddTemplate("模板二");
        CDlgOption dialog(nullptr, false);
        dialog.show();
        dialog.SelectTab(CDlgOption::kTabTask);
        CPageTask* task = dialog.Task();
        task->TargetCombo()->setCurrentIndex(task->TargetCombo()->findData(second));
        task->SyntaxCombo()->setCurrentIndex(task->SyntaxCombo()->findData(syntax));
        task->ManageTargetButton()->click();
        QCOMPARE(dialog.CurrentTab(), int(CDlgOption::kTabTarget));
        QCOMPARE(dialog.Target()->List()->currentRow(), 1);
        QCOMPARE(dialog.Target()->NameEdit()->text(), QStringLiteral("乙"));
        dialog.SelectTab(CDlgOption::kTabTask);
        task->ManageSyntaxButton()->click();
        QCOMPARE(dialog.CurrentTab(), int(CDlgOption::kTabSyntax));
        QCOMPARE(dialog.Syntax()->List()->currentRow(), 1);
        QCOMPARE(dialog.Syntax()->ContainerCombo()->currentText(), QStringLiteral("MXF"));
        dialog.SelectTab(CDlgOption::kTabTask);
        task->ManageContentButton()->click();
        QCOMPARE(dialog.CurrentTab(), int(CDlgOption::kTabContent));
    }

    void taskCombosRefilledWhenShown() {
        TempHome home;
        MessageLog log;
        CDlgOption dialog(nullptr, false);
        dialog.show();
        dialog.SelectTab(CDlgOption::kTabTask);
        QCOMPARE(dialog.Task()->TargetCombo()->count(), 0);
        dialog.SelectTab(CDlgOption::kTabTarget);
        CPageTarget* target = dialog.Target();
        target->NameEdit()->setText(QStringLiteral("入库文件夹"));
        target->KindCombo()->setCurrentIndex(kTargetFolder);
        QCOMPARE(target->CurrentPane(), static_cast<CTargetPane*>(target->DirPane()));
        target->DirPane()->Show(TargetFields{"", kTargetFolder, "", "", "", "/srv/in", "", "", "60"});
        target->AddButton()->click();
        QVERIFY(log.shown.isEmpty());
        QCOMPARE(target->List()->count(), 1);
        dialog.SelectTab(CDlgOption::kTabTask);
        QCOMPARE(dialog.Task()->TargetCombo()->count(), 1);
        QCOMPARE(dialog.Task()->TargetCombo()->itemText(0), QStringLiteral("入库文件夹"));
    }

    void taskAddChecksThenWritesAndCancelKeepsIt() {
        TempHome home;
        const int target = AddFolderTarget("甲");
        MessageLog log;
        {
            CDlgOption dialog(nullptr, false);
            dialog.show();
            CPageTask* task = dialog.Task();
            dialog.SelectTab(CDlgOption::kTabTask);
            task->AddButton()->click();
            task->NameEdit()->setText(QStringLiteral("夜间"));
            task->AddButton()->click();
            QCOMPARE(log.shown.size(), 2);
            QCOMPARE(log.shown[0].text, QStringLiteral("请输入任务名称!"));
            QCOMPARE(log.shown[1].text, QStringLiteral("无监测内容选择!"));
            QVERIFY(StoredTasks().empty());
            QVERIFY(!task->SyntaxCombo()->isEnabled());
            task->SyntaxBox()->setChecked(true);
            QVERIFY(task->SyntaxCombo()->isEnabled());
            task->PictureBox()->setChecked(true);
            task->AddButton()->click();
            QCOMPARE(task->List()->GetItemCount(), 1);
            QCOMPARE(task->List()->GetItemImage(0, 0), 1);
            QVERIFY(!task->UpdateButton()->isEnabled());
            // A double-click switches the task off in the list; its update writes it.
            emit task->List()->cellDoubleClicked(0, 0);
            QCOMPARE(task->List()->GetItemImage(0, 0), 0);
            QCOMPARE(StoredTasks().at(0).bActive, 1);
            task->SelectTask(0);
            QVERIFY(task->UpdateButton()->isEnabled());
            task->UpdateButton()->click();
            QCOMPARE(StoredTasks().at(0).bActive, 0);
            dialog.reject();
        }
        const std::vector<MonTask_t> tasks = StoredTasks();
        QCOMPARE(tasks.size(), size_t(1));
        QCOMPARE(tasks[0].nTargetID, target);
        QCOMPARE(tasks[0].bPicute, 1);
        QVERIFY(!QFile::exists(home.File("ave.dat")));
    }

    void targetPanesFollowTheKind() {
        TempHome home;
        MessageLog log;
        CPageTarget page;
        page.KindCombo()->setCurrentIndex(kTargetRemovable);
        QVERIFY(page.CurrentPane() == nullptr);
        page.AddButton()->click();
        QVERIFY(log.shown.isEmpty());
        page.KindCombo()->setCurrentIndex(kTargetFolder);
        const std::string tooLong(sizeof(MonObj_t::szPath), 'a');
        page.DirPane()->Show(TargetFields{"", kTargetFolder, "", "", "", tooLong, "", "", "60"});
        page.AddButton()->click();
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].text.toStdString(), TooLongText("文件夹", sizeof(MonObj_t::szPath)));
        QCOMPARE(page.List()->count(), 1);
        // Update renames the entry in place.
        page.SelectTarget(0);
        QCOMPARE(page.KindCombo()->currentIndex(), int(kTargetRemovable));
        page.NameEdit()->setText(QStringLiteral("U 盘"));
        page.UpdateButton()->click();
        QCOMPARE(page.List()->item(0)->text(), QStringLiteral("U 盘"));
        page.DeleteButton()->click();
        QCOMPARE(page.List()->count(), 0);
        QVERIFY(!page.DeleteButton()->isEnabled());
    }

    void contentWrittenOnlyOnOk() {
        TempHome home;
        UsableCache(home);
        MessageLog log(MsgAnswer::No);
        CDlgOption dialog(nullptr, false);
        CPageContent* content = dialog.Content();
        QCOMPARE(content->List()->GetItemCount(), 20);
        content->SelectRow(5);
        QCOMPARE(content->EditLabel(0)->text(), QStringLiteral("持续时间(秒):"));
        QCOMPARE(content->Edit(0)->text(), QStringLiteral("30"));
        content->Edit(0)->setText(QStringLiteral("12"));
        content->UpdateButton()->click();
        QCOMPARE(content->List()->GetItemText(5, CPageContent::kDurationColumn), QStringLiteral("12 秒"));
        content->SelectRow(0);
        QCOMPARE(content->EditLabel(2)->text(), QStringLiteral("相似度(%):"));
        // The flash warning has a duration and no thresholds of its own.
        content->SelectRow(19);
        QVERIFY(content->Edit(0)->isVisibleTo(content));
        QVERIFY(!content->Edit(1)->isVisibleTo(content));
        content->SelectRow(0);
        QVERIFY(content->Edit(1)->isVisibleTo(content));
        content->SwitchBox(6)->setChecked(true);
        QVERIFY(!QFile::exists(home.File("ave.dat")));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        ContentParam_t table[kContentParamCount];
        QVERIFY(ReadContentParamsFile(home.File("ave.dat").toStdString(), table));
        QCOMPARE(table[kFaultSilenceLeft].nDuration, 300);
        QCOMPARE(table[kFaultSilenceRight].nEnable, 1);
        // The parameters are read by each check: nothing to restart for.
        QVERIFY(log.shown.isEmpty());
        QVERIFY(!RestartRequested());
    }

    void restartOnlyWhenNeededAndNeverDuringACheck() {
        TempHome home;
        UsableCache(home);
        MessageLog log(MsgAnswer::Yes);
        {
            CDlgOption unchanged(nullptr, false);
            unchanged.SetCheckRunningQuery([] { return false; });
            unchanged.accept();
            QCOMPARE(unchanged.result(), int(QDialog::Accepted));
            QVERIFY(log.shown.isEmpty());
            QVERIFY(!unchanged.NeedsRestart());
        }
        bool checking = true;
        const auto addTemplate = [&](CDlgOption& dialog, const char* name) {
            dialog.SetCheckRunningQuery([&checking] { return checking; });
            dialog.Syntax()->NameEdit()->setText(QString::fromUtf8(name));
            dialog.Syntax()->AddButton()->click();
            QVERIFY(dialog.NeedsRestart());
            dialog.accept();
        };
        {
            // The tasks are built from the templates: a restart is needed, but not while a check runs.
            CDlgOption changed(nullptr, false);
            addTemplate(changed, "pal");
            QCOMPARE(log.shown.size(), 1);
            QCOMPARE(log.shown[0].text, QStringLiteral("检测正在进行！现在不能重新启动！修改将在软件重新启动后生效。"));
            QCOMPARE(log.shown[0].icon, MsgIcon::Stop);
            QVERIFY(!RestartRequested());
        }
        checking = false;
        {
            CDlgOption changed(nullptr, false);
            addTemplate(changed, "ntsc");
            QCOMPARE(log.shown.size(), 2);
            QCOMPARE(log.shown[1].text, QStringLiteral("需要重新启动软件,以使修改生效！重新启动吗?"));
            QCOMPARE(log.shown[1].buttons, MsgButtons::YesNoDefaultNo);
            QVERIFY(RestartRequested());
            ClearRestartRequest();
        }
    }

    void refusingPageKeepsDialogOpen() {
        TempHome home;
        UsableCache(home);
        MessageLog log;
        CDlgOption dialog(nullptr, false);
        dialog.show();
        dialog.Content()->Edit(0)->setText(QStringLiteral("0"));
        dialog.accept();
        QVERIFY(dialog.result() != int(QDialog::Accepted));
        QCOMPARE(dialog.CurrentTab(), int(CDlgOption::kTabContent));
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].text, QStringLiteral("请输入一个介于 1 和 10000 之间的整数。"));
        QVERIFY(!QFile::exists(home.File("ave.dat")));
    }

    void generalOnlyAsksNoRestart() {
        TempHome home;
        UsableCache(home);
        MessageLog log(MsgAnswer::Yes);
        CDlgOption dialog(nullptr, true);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(log.shown.isEmpty());
        QVERIFY(!RestartRequested());
        QVERIFY(!QFile::exists(home.File("ave.dat")));
    }

    void conditionChangesAreWrittenAtOnce() {
        TempHome home;
        const int id = AddTemplate("模板");
        MessageLog log;
        EditedSyntaxPage edited;
        CPageSyntax& page = edited.page;
        MonSyntaxItem_t& next = edited.next;
        // Without a selected template deleting a condition only beeps.
        page.DeleteConditionButton()->click();
        page.SelectSyntax(0);
        QVERIFY(BuildCondition({"Video", "Width", 0, "1920", ""}, 0, next).Ok());
        page.AddConditionButton()->click();
        QVERIFY(BuildCondition({"Audio", "SamplingRate", 1, "44100", "48000"}, 0, next).Ok());
        page.AddConditionButton()->click();
        QCOMPARE(page.Conditions()->GetItemCount(), 2);
        QCOMPARE(page.Conditions()->GetItemText(1, CPageSyntax::kCompareColumn), QStringLiteral("区间"));
        QCOMPARE(StoredItems(id).size(), size_t(3));
        page.Conditions()->setCurrentCell(0, 0);
        QVERIFY(BuildCondition({"Video", "Height", 0, "1080", ""}, 0, next).Ok());
        page.ModifyConditionButton()->click();
        QCOMPARE(QString::fromUtf8(StoredItems(id).at(1).szName), QStringLiteral("Height"));
        page.Conditions()->setCurrentCell(0, 0);
        page.DeleteConditionButton()->click();
        page.Conditions()->setCurrentCell(0, 0);
        page.DeleteConditionButton()->click();
        QCOMPARE(page.Conditions()->GetItemCount(), 0);
        QCOMPARE(StoredItems(id).size(), size_t(1));
        QVERIFY(log.shown.isEmpty());
    }

    void anAddedTemplateIsTheOneWrittenNext() {
        TempHome home;
        const int first = AddTemplate("A");
        MessageLog log;
        EditedSyntaxPage edited;
        CPageSyntax& page = edited.page;
        MonSyntaxItem_t& next = edited.next;
        page.SelectSyntax(0);
        page.NameEdit()->setText(QStringLiteral("B"));
        page.AddButton()->click();
        QCOMPARE(page.List()->count(), 2);
        QCOMPARE(page.List()->currentRow(), 1);
        QVERIFY(page.UpdateButton()->isEnabled());
        QVERIFY(BuildCondition({"Video", "Width", 0, "1920", ""}, 0, next).Ok());
        page.AddConditionButton()->click();
        const int second = page.Model().Syntaxes().at(1).header.nID;
        QCOMPARE(QString::fromUtf8(page.Model().Syntaxes().at(0).header.szName), QStringLiteral("A"));
        QCOMPARE(StoredItems(first).size(), size_t(1));
        QCOMPARE(StoredItems(second).size(), size_t(2));
        QCOMPARE(QString::fromUtf8(StoredItems(second).at(1).szName), QStringLiteral("Width"));
        QVERIFY(log.shown.isEmpty());
    }

    void conditionDialog() {
        MessageLog log;
        CDlgSyntaxItem add(nullptr, nullptr);
        QCOMPARE(add.windowTitle(), QStringLiteral("附加条件-添加"));
        QCOMPARE(add.KindCombo()->currentText(), QStringLiteral("General"));
        QCOMPARE(add.NameCombo()->count(), 10);
        QVERIFY(!add.Value2Edit()->isEnabled());
        add.KindCombo()->setCurrentIndex(1);
        QCOMPARE(add.NameCombo()->count(), 14);
        add.NameCombo()->setCurrentText(QStringLiteral("Width"));
        add.CompareCombo()->setCurrentIndex(1);
        QVERIFY(add.Value2Edit()->isEnabled());
        add.Value1Edit()->setText(QStringLiteral("720"));
        QCOMPARE(add.Expression()->text(), QStringLiteral("Video.Width >= 720  AND  Video.Width <= "));
        add.Value1Edit()->clear();
        add.accept();
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].text, QStringLiteral("输入错误!"));
        QVERIFY(add.result() != int(QDialog::Accepted));

        MonSyntaxItem_t item{};
        QVERIFY(BuildCondition({"Audio", "Channel(s)", 0, "2", ""}, 0, item).Ok());
        item.nID = 41;
        CDlgSyntaxItem modify(nullptr, &item);
        QCOMPARE(modify.windowTitle(), QStringLiteral("附加条件-修改"));
        QCOMPARE(modify.KindCombo()->currentText(), QStringLiteral("Audio"));
        QCOMPARE(modify.NameCombo()->currentText(), QStringLiteral("Channel(s)"));
        QCOMPARE(modify.Expression()->text(), QStringLiteral("Audio.Channel(s) = 2"));
        modify.Value1Edit()->setText(QStringLiteral("6"));
        modify.accept();
        QCOMPARE(modify.result(), int(QDialog::Accepted));
        QCOMPARE(modify.Item().nID, 41);
        QCOMPARE(QString::fromUtf8(modify.Item().szValue1), QStringLiteral("6"));
    }

    void resultPage() {
        TempHome home;
        WriteSetting(kEnConvert, 0);
        WriteSetting(kDbServer, "db1");
        WriteDbPass("geheim");
        MessageLog log;
        CPageResult page;
        page.show();
        QVERIFY(!page.LinkBox()->GetCheck());
        QVERIFY(!page.UserEdit()->isEnabled());
        page.LinkBox()->TitleButton()->click();
        QVERIFY(page.UserEdit()->isEnabled());
        QCOMPARE(page.PasswordEdit()->text(), QStringLiteral("geheim"));
        QCOMPARE(page.SystemCombo()->currentText(), QStringLiteral("硬盘播出系统"));

        QSignalSpy shown(&page, &CPageResult::TestShown);
        page.TestButton()->click();  // no user
        QCOMPARE(log.shown.size(), 1);
        QCOMPARE(log.shown[0].text, QStringLiteral("请输入完整数据!"));
        PlayoutLogon tried;
        page.SetTestConnection([&tried](const PlayoutLogon& logon) {
            tried = logon;
            return std::string("连接数据库服务器 \"db1\" 成功!\r\n\r\n");
        });
        page.UserEdit()->setText(QStringLiteral("sa"));
        page.TestButton()->click();
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(tried.user, std::string("sa"));
        QCOMPARE(tried.password, std::string("geheim"));
        QCOMPARE(log.shown.size(), 2);
        QVERIFY(log.shown[1].text.startsWith(QStringLiteral("连接数据库服务器 \"db1\" 成功!")));

        page.ServerCombo()->SetEnumerate([] { return std::vector<std::string>{"srv1", "srv2\\INST"}; });
        QSignalSpy enumerated(page.ServerCombo(), &CServerCombo::Enumerated);
        page.ServerCombo()->showPopup();
        QTRY_COMPARE(enumerated.size(), 1);
        QCOMPARE(page.ServerCombo()->count(), 2);
        QCOMPARE(page.ServerCombo()->currentText(), QStringLiteral("db1"));
        page.ServerCombo()->hidePopup();

        QVERIFY(page.Save());
        QCOMPARE(ReadSetting(kEnConvert), 1);
        QCOMPARE(ReadSetting(kDbUser), std::string("sa"));
        QCOMPARE(ReadDbPass(), std::string("geheim"));
    }
};

int RunOptionPagesTest(int argc, char** argv) {
    OptionPagesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OptionPagesTest.moc"
