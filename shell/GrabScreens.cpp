#include "GrabScreens.h"

#include "AboutDlg.h"
#include "AlertLight.h"
#include "ChildView.h"
#include "DlgOption.h"
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
#include <QFileDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>

namespace {

bool Save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    return widget.grab().save(path);
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
