#include "GrabScreens.h"

#include "AboutDlg.h"
#include "AlertLight.h"
#include "ChildView.h"
#include "DlgOption.h"
#include "MainFrame.h"
#include "WndTop.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>

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
    return ok;
}
