// quarvik [--grab FOLDER [--check FILE]]: the desktop program. With --grab it starts as usual,
// writes pictures of its windows into FOLDER (with --check also FILE being checked by hand, played
// back from a fault and checked by a folder task) and ends. Exit codes: 0 ended normally, 1 start-up stopped (another
// copy runs, or no cache folder was set), 2 a picture could not be written.
#include "GrabScreens.h"
#include "MainFrame.h"
#include "QuarvikApp.h"
#include "Restart.h"

#include <QApplication>
#include <QProcess>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    quarvik::PrepareApplication(app);
    int code = 1;
    {
        CQuarvikApp quarvik;
        if (!quarvik.InitInstance()) return 1;
        const QStringList args = QApplication::arguments();
        const qsizetype grab = args.indexOf(QStringLiteral("--grab"));
        if (grab > 0 && grab + 1 < args.size()) {
            CMainFrame& frame = *quarvik.MainFrame();
            bool ok = GrabScreens(frame, args[grab + 1]);
            const qsizetype check = args.indexOf(QStringLiteral("--check"));
            const QString media = check > 0 && check + 1 < args.size() ? args[check + 1] : QString();
            if (!media.isEmpty()) {
                ok = GrabCheck(frame, args[grab + 1], media) && ok;
                ok = GrabPreview(frame, args[grab + 1], media) && ok;
                ok = GrabTaskPane(frame, args[grab + 1], media) && ok;
            }
            ok = GrabMinimumSize(frame, args[grab + 1], media) && ok;
            return ok ? 0 : 2;
        }
        code = QApplication::exec();
    }
    // The lock is released now, so the new copy does not find this one still running.
    if (quarvik::RestartRequested())
        QProcess::startDetached(QApplication::applicationFilePath(), QApplication::arguments().mid(1));
    return code;
}
