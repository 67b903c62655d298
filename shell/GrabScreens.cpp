#include "GrabScreens.h"

#include "AboutDlg.h"
#include "DlgOption.h"
#include "MainFrame.h"

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
