// brindle-demo [--grab FILE.png]: shows one of each control; with --grab renders the window into
// FILE.png and exits (works on the offscreen platform). Exit codes: 0 done, 1 the PNG could not
// be written.
#include "DemoWindow.h"
#include "MyFrameWnd.h"

#include <QApplication>
#include <QMenu>
#include <QPixmap>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMenu menu;
    QMenu* file = menu.addMenu(QStringLiteral("文件"));
    file->addAction(QStringLiteral("设置"));
    file->addAction(QStringLiteral("关于"));
    CMyFrameWnd* frame = BuildDemoWindow(&menu);
    frame->show();
    if (argc == 3 && std::strcmp(argv[1], "--grab") == 0) {
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
