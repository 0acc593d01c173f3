// The capture library driven as a person would, with xdotool on the test display. Run twice:
// as is, and with Qt scaling everything by 2, where the capture must still take screen pixels.
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <memory>

#include "CaptureDriver.h"
#include "camera/CameraDll.h"

using namespace CaptureDriver;

namespace {
QString N(int Value) {
    return QString::number(Value);
}
} // namespace

class tst_Camera : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        FScreen = NativeScreen();
        FBackground = std::make_unique<TPatternWindow>(FScreen);
        FWindow = std::make_unique<TPatternWindow>(QRect(220, 160, 320, 200));
        QVERIFY(FBackground->ShowOnTop());
    }

    void init() {
        QVERIFY(SetClipboardText("before"));
        QVERIFY(FBackground->ShowOnTop());
    }

    void cleanup() {
        QVERIFY(FWindow->HideNow());
        CameraSetFault(0);
        QCOMPARE(OverlayCount(), 0);
    }

    // A dragged rectangle confirmed by a double click inside it is on the clipboard as a PNG of
    // exactly those screen pixels, served after the call returned.
    void subAreaDragAndDoubleClick() {
        const int32_t R = Drive(
            &CameraSubArea,
            {Do({"mousemove", "100", "120", "mousedown", "1", "mousemove", "200", "200",
                 "mousemove", "300", "270", "mouseup", "1"}),
             UntilOutlined(QRect(100, 120, 200, 150)),
             Do({"mousemove", "150", "150", "click", "--repeat", "2", "--delay", "60", "1"})});
        QCOMPARE(R, 1);
        const QImage Image = ClipboardPng();
        QCOMPARE(Image.size(), QSize(200, 150));
        QVERIFY(ShowsPattern(Image, QRect(100, 120, 200, 150)));
    }

    // Dragged from bottom right to top left, then nudged by the arrow keys, widened with Shift
    // and taken with Enter. Each key goes out once the capture holds the keyboard and has taken
    // the keys before it, however slow the build.
    void subAreaKeysNudgeAndResize() {
        const int32_t R = Drive(&CameraSubArea,
                                {Do({"mousemove", "150", "130", "mousedown", "1", "mousemove",
                                     "100", "100", "mousemove", "50", "50", "mouseup", "1"}),
                                 UntilOutlined(QRect(50, 50, 100, 80)), Do({"key", "Right"}),
                                 UntilOutlined(QRect(51, 50, 100, 80)), Do({"key", "Right"}),
                                 UntilOutlined(QRect(52, 50, 100, 80)), Do({"key", "Down"}),
                                 UntilOutlined(QRect(52, 51, 100, 80)), Do({"key", "shift+Right"}),
                                 UntilOutlined(QRect(52, 51, 101, 80)), Do({"key", "shift+Down"}),
                                 UntilOutlined(QRect(52, 51, 101, 81)), Do({"key", "shift+Down"}),
                                 UntilOutlined(QRect(52, 51, 101, 82)), Do({"key", "Return"})});
        QCOMPARE(R, 1);
        const QImage Image = ClipboardPng();
        QCOMPARE(Image.size(), QSize(101, 82));
        QVERIFY(ShowsPattern(Image, QRect(52, 51, 101, 82)));
    }

    // The rectangle's right edge is dragged outwards, then the whole rectangle is moved.
    void subAreaResizeByEdgeAndMove() {
        const int32_t R = Drive(&CameraSubArea,
                                {Do({"mousemove", "400", "300", "mousedown", "1", "mousemove",
                                     "450", "350", "mousemove", "500", "400", "mouseup", "1"}),
                                 UntilOutlined(QRect(400, 300, 100, 100)),
                                 Do({"mousemove", "500", "350", "mousedown", "1", "mousemove",
                                     "520", "350", "mousemove", "540", "350", "mouseup", "1"}),
                                 UntilOutlined(QRect(400, 300, 140, 100)),
                                 Do({"mousemove", "450", "350", "mousedown", "1", "mousemove",
                                     "455", "360", "mousemove", "460", "370", "mouseup", "1"}),
                                 UntilOutlined(QRect(410, 320, 140, 100)), Do({"key", "Return"})});
        QCOMPARE(R, 1);
        const QImage Image = ClipboardPng();
        QCOMPARE(Image.size(), QSize(140, 100));
        QVERIFY(ShowsPattern(Image, QRect(410, 320, 140, 100)));
    }

    // Esc, a right click: nothing on the clipboard changes and the call says so.
    void subAreaCancels_data() {
        QTest::addColumn<QStringList>("Ending");
        QTest::newRow("Esc") << QStringList{"key", "Escape"};
        QTest::newRow("right click") << QStringList{"click", "3"};
        QTest::newRow("right click without a rectangle")
            << QStringList{"mousemove", "10", "10", "click", "3"};
    }
    void subAreaCancels() {
        QFETCH(QStringList, Ending);
        const int32_t R =
            Drive(&CameraSubArea, {Do({"mousemove", "100", "100", "mousedown", "1", "mousemove",
                                       "200", "200", "mouseup", "1"}),
                                   UntilOutlined(QRect(100, 100, 100, 100)), Do(Ending)});
        QCOMPARE(R, 0);
        QCOMPARE(ClipboardText(), QString("before"));
    }

    // Hovering: the window under the pointer is taken whole, exactly its own rectangle.
    void windowUnderPointer() {
        QVERIFY(FWindow->ShowOnTop());
        const int32_t R =
            Drive(&CameraWindow, {Do({"mousemove", "60", "60"}), UntilOutlined(FScreen),
                                  Do({"mousemove", "300", "250"}),
                                  UntilOutlined(QRect(220, 160, 320, 200)), Do({"click", "1"})});
        QCOMPARE(R, 1);
        const QImage Image = ClipboardPng();
        QCOMPARE(Image.size(), QSize(320, 200));
        QVERIFY(ShowsPattern(Image, QRect(220, 160, 320, 200)));
    }

    // Beside the small window, the window below it (the whole screen here) is taken.
    void windowBelowPointer() {
        QVERIFY(FWindow->ShowOnTop());
        const int32_t R = Drive(&CameraWindow, {Do({"mousemove", "600", "500"}),
                                                UntilOutlined(FScreen), Do({"click", "1"})});
        QCOMPARE(R, 1);
        const QImage Image = ClipboardPng();
        QCOMPARE(Image.size(), FScreen.size());
        QVERIFY(ShowsPattern(Image, FScreen));
    }

    void windowCancels() {
        QVERIFY(FWindow->ShowOnTop());
        const QRect Window(220, 160, 320, 200);
        QCOMPARE(Drive(&CameraWindow, {Do({"mousemove", "300", "250"}), UntilOutlined(Window),
                                       Do({"key", "Escape"})}),
                 0);
        QCOMPARE(Drive(&CameraWindow, {Do({"mousemove", "300", "250"}), UntilOutlined(Window),
                                       Do({"click", "3"})}),
                 0);
        QCOMPARE(ClipboardText(), QString("before"));
    }

    // The crosshair dragged from its panel onto the window and let go there.
    void spyDragOntoWindow() {
        QVERIFY(FWindow->ShowOnTop());
        const int32_t R = Drive(&CameraWindowLikeSpy, [] {
            const QPoint T = TargetCenter();
            return TSteps{Do({"mousemove", N(T.x()), N(T.y()), "mousedown", "1", "mousemove", "250",
                              "250", "mousemove", "300", "260"}),
                          UntilOutlined(QRect(220, 160, 320, 200)), Do({"mouseup", "1"})};
        });
        QCOMPARE(R, 1);
        const QImage Image = ClipboardPng();
        QCOMPARE(Image.size(), QSize(320, 200));
        QVERIFY(ShowsPattern(Image, QRect(220, 160, 320, 200)));
    }

    // Let go over no window, or back on the panel: nothing is taken. A press away from the
    // crosshair does not start anything; Esc ends it.
    void spyCancels_data() {
        QTest::addColumn<bool>("Bare");
        QTest::addColumn<QString>("Ending");
        QTest::newRow("over no window") << true << "release far";
        QTest::newRow("back on the panel") << false << "release on target";
        QTest::newRow("press beside the crosshair, then Esc") << false << "beside";
    }
    void spyCancels() {
        QFETCH(bool, Bare);
        QFETCH(QString, Ending);
        if (Bare)
            QVERIFY(FBackground->HideNow());
        const QRect Screen = FScreen;
        const int32_t R = Drive(&CameraWindowLikeSpy, [Ending, Bare, Screen] {
            const QPoint T = TargetCenter();
            if (Ending == "beside")
                return TSteps{Do({"mousemove", "300", "400", "mousedown", "1", "mousemove", "320",
                                  "420", "mouseup", "1"}),
                              Do({"key", "Escape"})};
            const QPoint End = Ending == "release far" ? QPoint(640, 400) : T;
            // On the way the crosshair is over the background, unless there is none.
            return TSteps{
                Do({"mousemove", N(T.x()), N(T.y()), "mousedown", "1", "mousemove", "400", "450"}),
                Until("the crosshair to be picked up",
                      [] { return OverlayCursor() == Qt::CrossCursor; }),
                UntilOutlined(Bare ? QRect() : Screen),
                Do({"mousemove", N(End.x()), N(End.y())}),
                UntilOutlined(QRect()),
                Do({"mouseup", "1"})};
        });
        QCOMPARE(R, 0);
        QCOMPARE(ClipboardText(), QString("before"));
    }

    // An error inside the library while confirming: 0, the clipboard untouched, the capture
    // windows gone, and the next capture works again.
    void faultGivesZero() {
        CameraSetFault(1);
        const TSteps Steps{Do({"mousemove", "100", "100", "mousedown", "1", "mousemove", "160",
                               "150", "mouseup", "1"}),
                           UntilOutlined(QRect(100, 100, 60, 50)), Do({"key", "Return"})};
        QCOMPARE(Drive(&CameraSubArea, Steps), 0);
        QCOMPARE(OverlayCount(), 0);
        QCOMPARE(ClipboardText(), QString("before"));
        QCOMPARE(Drive(&CameraSubArea, Steps), 1);
        QVERIFY(ShowsPattern(ClipboardPng(), QRect(100, 100, 60, 50)));
    }

    // A capture started while one runs (a hotkey pressed meanwhile) does not nest.
    void noCaptureInsideACapture() {
        int32_t Inner = -1;
        const int32_t R = Drive(&CameraSubArea, [&Inner] {
            Inner = CameraWindow();
            return TSteps{Do({"key", "Escape"})};
        });
        QCOMPARE(Inner, 0);
        QCOMPARE(R, 0);
    }

private:
    QRect FScreen;
    std::unique_ptr<TPatternWindow> FBackground;
    std::unique_ptr<TPatternWindow> FWindow;
};

QTEST_MAIN(tst_Camera)
#include "tst_camera.moc"
