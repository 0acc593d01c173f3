// The arithmetic of a capture without a display: where a pointer lands in screen pixels, which
// edges it grabs, and what drags, arrow keys and Shift+arrow keys make of a selection.
#include <QtTest>

#include "camera/CaptureGeometry.h"

using namespace camera;

Q_DECLARE_METATYPE(Qt::CursorShape)

class tst_CaptureGeometry : public QObject {
    Q_OBJECT

private slots:
    // Qt's coordinates to screen pixels and back, on a plain screen and on one scaled by 2 to
    // the right of it: every point inside a screen pixel lands on that pixel.
    void mapsBetweenQtAndScreenPixels() {
        const TScreenArea Plain{QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 800), 1};
        QCOMPARE(NativeFromGlobal(Plain, QPointF(10, 20)), QPoint(10, 20));
        QCOMPARE(NativeFromGlobal(Plain, QPointF(10.99, 20.5)), QPoint(10, 20));
        QCOMPARE(NativeFromGlobal(Plain, QPointF(-0.5, 0)), QPoint(-1, 0));

        const TScreenArea Scaled{QRect(1280, 0, 640, 400), QRect(1280, 0, 1280, 800), 2};
        QCOMPARE(NativeFromGlobal(Scaled, QPointF(1280, 0)), QPoint(1280, 0));
        QCOMPARE(NativeFromGlobal(Scaled, QPointF(1290.25, 3.75)), QPoint(1300, 7));
        QCOMPARE(NativeFromGlobal(Scaled, QPointF(1919.9, 399.9)), QPoint(2559, 799));
        QCOMPARE(LocalFromNative(Scaled, QRect(1300, 8, 20, 10)), QRectF(10, 4, 10, 5));
        QCOMPARE(LocalFromNative(Plain, QRect(5, 6, 7, 8)), QRectF(5, 6, 7, 8));
    }

    // A rectangle from two corners in any order; its right and bottom edges are excluded.
    void rectangleFromEdges() {
        QCOMPARE(FromEdges(100, 120, 300, 270), QRect(100, 120, 200, 150));
        QCOMPARE(FromEdges(300, 270, 100, 120), QRect(100, 120, 200, 150));
        QVERIFY(FromEdges(5, 5, 5, 9).isEmpty());
    }

    void edgesUnderThePointer_data() {
        QTest::addColumn<QRect>("Selection");
        QTest::addColumn<QPoint>("Pointer");
        QTest::addColumn<int>("Edges");
        const QRect S(100, 100, 200, 100); // right edge at 300, bottom at 200
        QTest::newRow("inside") << S << QPoint(200, 150) << 0;
        QTest::newRow("on the left edge") << S << QPoint(100, 150) << int(EdgeLeft);
        QTest::newRow("5 px left of it") << S << QPoint(95, 150) << int(EdgeLeft);
        QTest::newRow("6 px left of it") << S << QPoint(94, 150) << 0;
        QTest::newRow("5 px inside it") << S << QPoint(105, 150) << int(EdgeLeft);
        QTest::newRow("6 px inside it") << S << QPoint(106, 150) << 0;
        QTest::newRow("on the right edge") << S << QPoint(300, 150) << int(EdgeRight);
        // The right edge lies past the selection's last pixel: it reaches one pixel less out.
        QTest::newRow("4 px right of it") << S << QPoint(304, 150) << int(EdgeRight);
        QTest::newRow("5 px right of it") << S << QPoint(305, 150) << 0;
        QTest::newRow("top left corner") << S << QPoint(98, 97) << (EdgeLeft | EdgeTop);
        QTest::newRow("bottom right corner") << S << QPoint(302, 203) << (EdgeRight | EdgeBottom);
        QTest::newRow("top right corner") << S << QPoint(300, 100) << (EdgeRight | EdgeTop);
        // Both edges of a narrow selection within reach: the nearer one, the left on a tie.
        QTest::newRow("narrow, tie") << QRect(100, 100, 4, 50) << QPoint(102, 120) << int(EdgeLeft);
        QTest::newRow("narrow, nearer right")
            << QRect(100, 100, 4, 50) << QPoint(103, 120) << int(EdgeRight);
        QTest::newRow("no selection") << QRect() << QPoint(0, 0) << 0;
    }
    void edgesUnderThePointer() {
        QFETCH(QRect, Selection);
        QFETCH(QPoint, Pointer);
        QFETCH(int, Edges);
        QCOMPARE(HitEdges(Selection, Pointer, 5), Edges);
    }

    void cursorOverEdges_data() {
        QTest::addColumn<int>("Edges");
        QTest::addColumn<Qt::CursorShape>("Shape");
        QTest::newRow("none") << 0 << Qt::CrossCursor;
        QTest::newRow("left") << int(EdgeLeft) << Qt::SizeHorCursor;
        QTest::newRow("bottom") << int(EdgeBottom) << Qt::SizeVerCursor;
        QTest::newRow("top left") << (EdgeLeft | EdgeTop) << Qt::SizeFDiagCursor;
        QTest::newRow("bottom right") << (EdgeRight | EdgeBottom) << Qt::SizeFDiagCursor;
        QTest::newRow("top right") << (EdgeRight | EdgeTop) << Qt::SizeBDiagCursor;
        QTest::newRow("bottom left") << (EdgeLeft | EdgeBottom) << Qt::SizeBDiagCursor;
    }
    void cursorOverEdges() {
        QFETCH(int, Edges);
        QFETCH(Qt::CursorShape, Shape);
        QCOMPARE(EdgeCursor(Edges, Qt::CrossCursor), Shape);
    }

    // Dragged edges move by the pointer's way; dragged past the opposite edge, they swap.
    void dragsOfEdges() {
        const QRect S(100, 100, 50, 40);
        QCOMPARE(ResizedByEdges(S, EdgeRight, QPoint(40, 99)), QRect(100, 100, 90, 40));
        QCOMPARE(ResizedByEdges(S, EdgeLeft | EdgeTop, QPoint(-10, 5)), QRect(90, 105, 60, 35));
        QCOMPARE(ResizedByEdges(S, EdgeLeft, QPoint(80, 0)), QRect(150, 100, 30, 40));
        QCOMPARE(ResizedByEdges(S, 0, QPoint(80, 80)), S);
    }

    // Moves keep the whole rectangle on the desktop, as far as it fits there.
    void movesStayOnTheDesktop() {
        const QRect Desktop(0, 0, 1280, 800);
        QCOMPARE(MovedInside(QRect(1250, 790, 100, 50), Desktop), QRect(1180, 750, 100, 50));
        QCOMPARE(MovedInside(QRect(-20, -5, 100, 50), Desktop), QRect(0, 0, 100, 50));
        QCOMPARE(MovedInside(QRect(-20, 0, 2000, 50), Desktop), QRect(0, 0, 1280, 50));
    }

    // Arrow keys move the selection one pixel, never off the desktop.
    void arrowsNudge() {
        QCOMPARE(ArrowStep(Qt::Key_Left), QPoint(-1, 0));
        QCOMPARE(ArrowStep(Qt::Key_Right), QPoint(1, 0));
        QCOMPARE(ArrowStep(Qt::Key_Up), QPoint(0, -1));
        QCOMPARE(ArrowStep(Qt::Key_Down), QPoint(0, 1));
        QVERIFY(ArrowStep(Qt::Key_A).isNull());
        QVERIFY(ArrowStep(Qt::Key_Return).isNull());
        const QRect Desktop(0, 0, 1280, 800);
        QCOMPARE(Nudged(QRect(50, 50, 100, 80), {1, 0}, Desktop), QRect(51, 50, 100, 80));
        QCOMPARE(Nudged(QRect(50, 50, 100, 80), {0, -1}, Desktop), QRect(50, 49, 100, 80));
        QCOMPARE(Nudged(QRect(0, 0, 100, 80), {-1, 0}, Desktop), QRect(0, 0, 100, 80));
        QCOMPARE(Nudged(QRect(1180, 720, 100, 80), {0, 1}, Desktop), QRect(1180, 720, 100, 80));
    }

    // Shift with an arrow key moves the right or bottom edge; the selection shrinks to one
    // pixel and no further, and grows again from there.
    void shiftArrowsKeepOnePixel() {
        QCOMPARE(ShiftResized(QRect(50, 50, 100, 80), {1, 0}), QRect(50, 50, 101, 80));
        QCOMPARE(ShiftResized(QRect(50, 50, 100, 80), {0, 1}), QRect(50, 50, 100, 81));
        QCOMPARE(ShiftResized(QRect(50, 50, 2, 2), {-1, 0}), QRect(50, 50, 1, 2));
        QCOMPARE(ShiftResized(QRect(50, 50, 2, 2), {0, -1}), QRect(50, 50, 2, 1));
        QCOMPARE(ShiftResized(QRect(50, 50, 1, 1), {-1, 0}), QRect(50, 50, 1, 1));
        QCOMPARE(ShiftResized(QRect(50, 50, 1, 1), {0, -1}), QRect(50, 50, 1, 1));
        QCOMPARE(ShiftResized(QRect(50, 50, 1, 1), {1, 0}), QRect(50, 50, 2, 1));
    }

    // The topmost window holding the point; its right and bottom edges are outside it.
    void windowAtAPoint() {
        const std::vector<QRect> Windows{QRect(220, 160, 320, 200), QRect(0, 0, 1280, 800)};
        QCOMPARE(WindowAt(Windows, QPoint(300, 250)), Windows[0]);
        QCOMPARE(WindowAt(Windows, QPoint(539, 359)), Windows[0]);
        QCOMPARE(WindowAt(Windows, QPoint(540, 250)), Windows[1]);
        QCOMPARE(WindowAt(Windows, QPoint(220, 160)), Windows[0]);
        QCOMPARE(WindowAt(Windows, QPoint(219, 160)), Windows[1]);
        QVERIFY(WindowAt(Windows, QPoint(1280, 10)).isEmpty());
        QVERIFY(WindowAt({}, QPoint(1, 1)).isEmpty());
    }

    // The instructions and the spy panel sit centred near the top of the screen, at the same
    // size in Qt pixels whatever the scale.
    void panelAndHintPlaces() {
        const TScreenArea Plain{QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 800), 1};
        QCOMPARE(HintBox(Plain), QRect(420, 24, 440, 32));
        QCOMPARE(SpyPanel(Plain), QRect(479, 24, 320, 64));
        QCOMPARE(SpyTarget(SpyPanel(Plain), 1), QRect(487, 32, 48, 48));
        const TScreenArea Scaled{QRect(0, 0, 640, 400), QRect(0, 0, 1280, 800), 2};
        QCOMPARE(HintBox(Scaled), QRect(100, 24, 440, 32));
        QCOMPARE(SpyPanel(Scaled), QRect(319, 48, 640, 128));
        QCOMPARE(SpyTarget(SpyPanel(Scaled), 2), QRect(335, 64, 96, 96));
        QVERIFY(SpyTarget(QRect(), 1).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_CaptureGeometry)
#include "tst_capturegeometry.moc"
