// Draws the program's icon into the PNG files of the installed tree (resources/icons), in the
// hicolor sizes, with the same painting as the icon the running program draws for itself. Run
// once after changing the design, and commit what it writes:
//   g++ -std=c++20 -fPIC scripts/icons/make-icons.cpp $(pkg-config --cflags --libs Qt6Gui) \
//       -o /tmp/make-icons && QT_QPA_PLATFORM=offscreen /tmp/make-icons resources/icons
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

void Paint(QPainter &P, int Size) {
    const qreal S = Size;
    // A clear sky over a river: the meaning of the program's name.
    QLinearGradient Sky(0, 0, 0, S);
    Sky.setColorAt(0, QColor(70, 150, 235));
    Sky.setColorAt(1, QColor(20, 90, 180));
    P.setPen(Qt::NoPen);
    P.setBrush(Sky);
    P.drawRoundedRect(QRectF(0.5, 0.5, S - 1, S - 1), S / 5, S / 5);
    P.setBrush(QColor(255, 210, 60));
    P.drawEllipse(QPointF(S * 0.68, S * 0.32), S * 0.16, S * 0.16);
    QPainterPath River;
    River.moveTo(0, S * 0.72);
    River.cubicTo(S * 0.3, S * 0.58, S * 0.6, S * 0.88, S, S * 0.70);
    River.lineTo(S, S * 0.84);
    River.cubicTo(S * 0.6, S, S * 0.3, S * 0.72, 0, S * 0.86);
    River.closeSubpath();
    P.setBrush(QColor(255, 255, 255, 220));
    P.drawPath(River);
}

} // namespace

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
        Paint(P, Size);
        P.end();
        const QString File = QString("%1/qingchuan-%2.png").arg(argv[1]).arg(Size);
        if (!Image.save(File)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(File));
            return 1;
        }
    }
    return 0;
}
