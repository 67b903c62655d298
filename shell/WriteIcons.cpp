// quarvik-icons DIR SIZE...: writes the program icon as DIR/<SIZE>x<SIZE>/apps/quarvik.png, the
// layout of the hicolor icon theme. Runs at build time without a display.
#include "ProgramIcon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: quarvik-icons DIR SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (size <= 0 || !QDir().mkpath(folder) || !ProgramIconImage(size).save(folder + QStringLiteral("/quarvik.png"))) {
            std::fprintf(stderr, "quarvik-icons: could not write the %s pixel icon into %s\n", argv[i], argv[1]);
            return 2;
        }
    }
    return 0;
}
