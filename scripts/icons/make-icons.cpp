// Draws the program's icon into the PNG files of the installed tree (resources/icons), in the
// hicolor sizes, with the same painting as the icon the running program draws for itself. Run
// once after changing the design, and commit what it writes:
//   g++ -std=c++20 -fPIC scripts/icons/make-icons.cpp $(pkg-config --cflags --libs Qt6Gui) \
//       -o /tmp/make-icons && QT_QPA_PLATFORM=offscreen /tmp/make-icons resources/icons
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

#include "../../src/app/ProgramIconPainting.h"

int main(int argc, char **argv) {
    QGuiApplication App(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons FOLDER\n");
        return 2;
    }
    for (int Size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage Image(Size, Size, QImage::Format_ARGB32_Premultiplied);
        Image.fill(Qt::transparent);
        QPainter P(&Image);
        P.setRenderHint(QPainter::Antialiasing);
        PaintProgramIcon(P, Size);
        P.end();
        const QString File = QString("%1/qingchuan-%2.png").arg(argv[1]).arg(Size);
        if (!Image.save(File)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(File));
            return 1;
        }
    }
    return 0;
}
