// Writes the program's icon as PNG files for the desktop's icon theme:
// velkard-icon FOLDER makes FOLDER/NxN/apps/velkard.png for each size the theme knows.
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>

#include "platform/appsetup.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: velkard-icon FOLDER\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QIcon icon = platform::appIcon();
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder =
            QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) || !icon.pixmap(size, size).save(folder + "/velkard.png")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
