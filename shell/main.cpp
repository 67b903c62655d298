// quarvik [--grab FOLDER [--check FILE]]: the desktop program. With --grab it starts as usual,
// writes pictures of its windows into FOLDER (with --check also FILE being checked by hand, played
// back from a fault and checked by a folder task) and ends. Exit codes: 0 ended normally, 1 start-up stopped (another
// copy runs, no cache folder was set or the program folder was refused), 2 a picture could not be written.
#include "GrabScreens.h"
#include "MainFrame.h"
#include "ProgramFolder.h"
#include "QuarvikApp.h"
#include "Restart.h"
#include "Version.h"

#include <QApplication>
#include <QProcess>

#include <cstdio>
#include <cstring>

namespace {

// The manual page is made from this text (help2man), so it says what the program does.
void PrintHelp() {
    std::fputs("Usage: quarvik [--grab DIR [--check FILE]]\n"
               "  or:  quarvik --help | --version\n"
               "  The desktop program of the Quarvik automatic technical review: checks media\n"
               "  files, network streams and the folders, FTP servers and removable disks of\n"
               "  monitoring tasks, shows the fault events as they are found and keeps every\n"
               "  result for the history and its HTML reports.\n"
               "\n"
               "Options:\n"
               "  --grab DIR       write pictures of the program's windows into DIR and end\n"
               "  --check FILE     with --grab: also picture FILE being checked, played back\n"
               "                   from its last fault and checked by a folder task\n"
               "  --help           show this text and end\n"
               "  --version        show the version and end\n"
               "\n"
               "Exit status:\n"
               "  0 ended normally, 1 start-up stopped (another copy runs, no cache folder was\n"
               "  set or the program folder was refused), 2 a picture could not be written\n"
               "\n",
               stdout);
    std::fputs(quarvik::ProgramFolderHelp(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before any display is opened, so both work on a machine without one.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintHelp();
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quarvik (Quarvik) %s\n", quarvik::ProgramVersion());
        return 0;
    }
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
