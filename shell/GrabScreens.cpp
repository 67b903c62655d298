#include "GrabScreens.h"

#include "AboutDlg.h"
#include "AlertLight.h"
#include "ChildView.h"
#include "DlgOption.h"
#include "DlgSyntaxItem.h"
#include "PageSyntax.h"
#include "PageTarget.h"
#include "PageTask.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SyntaxPageModel.h"
#include "TargetPageModel.h"
#include "TaskPageModel.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "GdiplusButton.h"
#include "MyListCtrl.h"
#include "WndBottom.h"
#include "WndCheck.h"
#include "WndManualChk.h"
#include "WndResult.h"
#include "WndTop.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

namespace {

bool Save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    return widget.grab().save(path);
}

// Rows for the pictures of the options pages: two targets, a template with two conditions and
// a task over both.
void MakePictureRows() {
    using namespace quarvik;
    PageCheck check;
    CTargetPageModel targets;
    targets.Add({"节目入库", kTargetFolder, "新闻中心上传的成片", "", "", "/srv/media/in", "", "", "30"}, check);
    targets.Add({"播出服务器", kTargetFtp, "每小时的节目单", "192.168.10.20", "21", "/playout", "qc", "secret", "60"},
                check);
    SyntaxFields syntax;
    syntax.name = "高清播出";
    syntax.comment = "1080i 播出文件";
    syntax.container = "MXF";
    syntax.video = true;
    syntax.videoFormat = "MPEG Video";
    syntax.audio = true;
    syntax.audioFormat = "PCM";
    MonSyntaxItem_t width{}, rate{};
    BuildCondition({"Video", "Width", 0, "1920", ""}, 0, width);
    BuildCondition({"Audio", "SamplingRate", 1, "44100", "48000"}, 0, rate);
    syntax.conditions = {width, rate};
    CSyntaxPageModel syntaxes;
    syntaxes.Add(syntax, check);
    targets.Load();
    syntaxes.Load();
    TaskFields task;
    task.name = "新闻频道";
    task.comment = "入库文件的格式与图像质量";
    task.targetId = targets.Targets().empty() ? 0 : targets.Targets().front().nID;
    task.syntax = true;
    task.syntaxId = syntaxes.Syntaxes().empty() ? 0 : syntaxes.Syntaxes().front().header.nID;
    task.picture = true;
    CTaskPageModel().Add(task, check);
    WriteSetting(kEnConvert, 1);
    WriteSetting(kDbServer, "PLAYOUT01\\SQLEXPRESS");
    WriteSetting(kDbUser, "qc");
    WriteDbPass("secret");
}

// The options pages, each with a row selected, from a program folder of their own: the
// operator's Templ.db and settings stay as they are.
bool GrabOptionPages(CMainFrame& frame, const QDir& dir) {
    QTemporaryDir home;
    const QByteArray previous = qgetenv("QUARVIK_HOME");
    const QString settings = QString::fromStdString(quarvik::ProgramFilePath(quarvik::kSettingsFile));
    QFile::copy(settings, home.filePath(QString::fromUtf8(quarvik::kSettingsFile)));
    qputenv("QUARVIK_HOME", home.path().toLocal8Bit());
    MakePictureRows();
    bool ok = true;
    {
        CDlgOption options(&frame, false);
        options.show();
        const auto grab = [&](int tab, const char* name) {
            options.SelectTab(tab);
            ok = Save(options, dir.filePath(QString::fromUtf8(name))) && ok;
        };
        options.Task()->SelectTask(0);
        grab(CDlgOption::kTabTask, "options-task.png");
        options.Target()->SelectTarget(0);
        grab(CDlgOption::kTabTarget, "options-target.png");
        options.Target()->SelectTarget(1);
        grab(CDlgOption::kTabTarget, "options-target-ftp.png");
        grab(CDlgOption::kTabContent, "options-content.png");
        options.Syntax()->SelectSyntax(0);
        grab(CDlgOption::kTabSyntax, "options-template.png");
        grab(CDlgOption::kTabResult, "options-result.png");
        const auto& syntaxes = options.Syntax()->Model().Syntaxes();
        if (!syntaxes.empty() && !syntaxes.front().items.empty()) {
            CDlgSyntaxItem item(&options, &syntaxes.front().items.back());
            item.show();
            ok = Save(item, dir.filePath(QStringLiteral("options-syntax-item.png"))) && ok;
        }
        options.hide();
    }
    if (previous.isNull())
        qunsetenv("QUARVIK_HOME");
    else
        qputenv("QUARVIK_HOME", previous);
    return ok;
}

}  // namespace

bool GrabScreens(CMainFrame& frame, const QString& folder) {
    const QDir dir(folder);
    bool ok = Save(frame, dir.filePath(QStringLiteral("main.png")));
    // The frame again with the alert light lit at its brightest (when EnAlertLight allows it).
    CWndTop* top = frame.View()->Top();
    top->LightOn();
    while (top->IsLightOn() && top->Light()->Frame() != CAlertLight::kFrameCount / 2) top->Light()->Advance();
    ok = Save(frame, dir.filePath(QStringLiteral("main-alert.png"))) && ok;
    ok = Save(*top, dir.filePath(QStringLiteral("top.png"))) && ok;
    top->LightOff();
    CDlgOption options(&frame, false);
    options.show();
    ok = Save(options, dir.filePath(QStringLiteral("options.png"))) && ok;
    options.hide();
    ok = GrabOptionPages(frame, dir) && ok;
    CDlgOption general(nullptr, true);
    general.show();
    ok = Save(general, dir.filePath(QStringLiteral("options-general.png"))) && ok;
    general.hide();
    CAboutDlg about(&frame);
    about.show();
    ok = Save(about, dir.filePath(QStringLiteral("about.png"))) && ok;
    about.hide();
    const auto question = quarvik::MakeMessageBox(&frame, QStringLiteral("确信退出吗?"), quarvik::MsgIcon::Question,
                                                  quarvik::MsgButtons::YesNoDefaultNo);
    question->show();
    ok = Save(*question, dir.filePath(QStringLiteral("message-box.png"))) && ok;
    question->hide();
    QFileDialog files(&frame, {}, QDir::homePath(), QStringLiteral("所有文件 (*)"));
    files.setFileMode(QFileDialog::ExistingFiles);
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.show();
    ok = Save(files, dir.filePath(QStringLiteral("file-dialog.png"))) && ok;
    files.hide();
    return ok;
}

bool GrabCheck(CMainFrame& frame, const QString& folder, const QString& mediaFile) {
    CWndBottom* bottom = frame.View()->Bottom();
    CWndManualChk* manual = bottom->ManualCheck();
    manual->AddFiles({mediaFile});
    manual->MonitorButton()->click();
    manual->Start();
    if (!manual->IsChecking()) return false;
    const quarvik::CResultRecorder& results = bottom->Results()->Recorder();
    const CWndCheck* monitor = frame.View()->Top()->Check();
    const auto faultShown = [&] {
        const int last = results.Count() - 1;
        return last >= 0 && results.Row(last).colour == quarvik::RowColour::kRed && !monitor->Picture().isNull() &&
               monitor->Progress() > 0;
    };
    const QDeadlineTimer deadline(60000);
    QTimer wake;
    wake.start(20);
    while (!faultShown() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    // The list shows the newest rows at the bottom of a long history.
    manual->List()->scrollToBottom();
    const bool ok = Save(frame, QDir(folder).filePath(QStringLiteral("check.png")));
    manual->Stop();
    return ok;
}
