// quarvik: the desktop program. Exit codes: 0 ended normally, 1 start-up stopped (another copy
// runs, or no cache folder was set).
#include "QuarvikApp.h"

#include <QApplication>
#include <QProcess>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quarvik"));
    int code = 1;
    {
        CQuarvikApp quarvik;
        if (!quarvik.InitInstance()) return 1;
        code = QApplication::exec();
    }
    // The lock is released now, so the new copy does not find this one still running.
    if (CQuarvikApp::RestartRequested())
        QProcess::startDetached(QApplication::applicationFilePath(), QApplication::arguments().mid(1));
    return code;
}
