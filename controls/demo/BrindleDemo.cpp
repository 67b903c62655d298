// brindle-demo [--grab FILE.png | --grab-dialog FILE.png]: shows one of each control; with --grab
// renders the window (the list's cell editors open, the clock at a fixed time) or a close-only
// pop-up dialog into FILE.png and exits (works on the offscreen platform). Exit codes: 0 done, 1 the PNG could not
// be written.
#include "DarkPalette.h"
#include "DemoWindow.h"
#include "MyFrameWnd.h"
#include "MyPopDialog.h"

#include <QLabel>
#include <QVBoxLayout>

#include <QApplication>
#include <QMenu>
#include <QPixmap>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    brindle::UseDarkTheme(app);
    QMenu menu;
    QMenu* file = menu.addMenu(QStringLiteral("文件"));
    file->addAction(QStringLiteral("设置"));
    file->addAction(QStringLiteral("关于"));
    if (argc == 3 && std::strcmp(argv[1], "--grab-dialog") == 0) {
        CMyPopDialog dialog;
        dialog.setWindowTitle(QStringLiteral("关于 Quarvik"));
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(new QLabel(QStringLiteral("Quarvik 自动技审系统 0.1")));
        dialog.resize(320, 140);
        dialog.show();
        QApplication::processEvents();
        return dialog.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    const bool grab = argc == 3 && std::strcmp(argv[1], "--grab") == 0;
    CMyFrameWnd* frame = BuildDemoWindow(&menu, grab);
    frame->show();
    if (grab) {
        frame->activateWindow();
        QApplication::processEvents();
        if (!frame->grab().save(QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "brindle-demo: cannot write %s\n", argv[2]);
            return 1;
        }
        delete frame;
        return 0;
    }
    const int rc = app.exec();
    delete frame;
    return rc;
}
