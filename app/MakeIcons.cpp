// torvex-make-icons DIR SIZE...: writes the application icon as
// DIR/<SIZE>x<SIZE>/apps/torvex.png for each size, the layout of the
// hicolor icon theme. The build runs it; the files are installed.
#include <QDir>
#include <QString>
#include <cstdio>

#include "app/AppIcon.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: torvex-make-icons DIR SIZE...\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        const QString dir = QString("%1/%2x%2/apps").arg(root).arg(size);
        if (size <= 0 || !QDir().mkpath(dir) ||
            !PaintApplicationIcon(size).save(dir + "/torvex.png", "PNG")) {
            std::fprintf(stderr, "torvex-make-icons: cannot write the %s icon in %s\n", argv[i],
                         argv[1]);
            return 1;
        }
    }
    return 0;
}
