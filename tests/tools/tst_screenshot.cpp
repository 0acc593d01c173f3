// TScreenShot: what the user is told after each capture, with stand-ins for the library and with
// the library itself on the test display.
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <stdexcept>

#include "CaptureDriver.h"
#include "camera/CameraDll.h"
#include "dialogs/Dialogs.h"
#include "tools/ScreenShot.h"

using namespace CaptureDriver;

namespace {

QString Called;
int32_t Returned = 0;
bool Throws = false;

int32_t Answer(const char *Name) {
    Called += Name;
    if (Throws)
        throw std::runtime_error("inside the library");
    return Returned;
}
int32_t FakeSubArea() {
    return Answer("SubArea");
}
int32_t FakeWindow() {
    return Answer("Window");
}
int32_t FakeWindowLikeSpy() {
    return Answer("WindowLikeSpy");
}

const QString Saved = QStringLiteral("图像已存至剪贴板");

} // namespace

class tst_ScreenShot : public QObject {
    Q_OBJECT

private slots:
    // Each operation calls its own entry, passes its result on, and announces only an image
    // that is on the clipboard; an error inside gives 0 and no word.
    void resultsAndMessage_data() {
        QTest::addColumn<int>("Operation");
        QTest::addColumn<int>("Result");
        QTest::addColumn<bool>("Raise");
        const char *Names[] = {"SubArea", "Window", "WindowLikeSpy"};
        for (int Op = 0; Op < 3; ++Op) {
            QTest::addRow("%s image", Names[Op]) << Op << 1 << false;
            QTest::addRow("%s cancelled", Names[Op]) << Op << 0 << false;
            QTest::addRow("%s error", Names[Op]) << Op << 1 << true;
        }
    }
    void resultsAndMessage() {
        QFETCH(int, Operation);
        QFETCH(int, Result);
        QFETCH(bool, Raise);
        Dialogs::TDialogScript Script;
        Called.clear();
        Returned = Result;
        Throws = Raise;
        TScreenShot Shot({&FakeSubArea, &FakeWindow, &FakeWindowLikeSpy});
        const int32_t Got = Operation == 0   ? Shot.CameraSubArea()
                            : Operation == 1 ? Shot.CameraWindow()
                                             : Shot.CameraWindowLikeSpy();
        const char *Names[] = {"SubArea", "Window", "WindowLikeSpy"};
        QCOMPARE(Called, QString(Names[Operation]));
        QCOMPARE(Got, Raise ? 0 : Result);
        if (!Raise && Result == 1) {
            QCOMPARE(Script.Shown().size(), 1);
            QCOMPARE(Script.Shown()[0].Kind, QString("message"));
            QCOMPARE(Script.Shown()[0].Text, Saved);
        } else {
            QVERIFY(Script.Shown().isEmpty());
        }
    }

    // With the real library: a confirmed rectangle is announced and on the clipboard; Esc and
    // an error inside the library stay silent.
    void withTheLibrary() {
        TPatternWindow Background(NativeScreen());
        QVERIFY(Background.ShowOnTop());
        QVERIFY(SetClipboardText("before"));
        TScreenShot Shot;
        const TSteps Drag{Do({"mousemove", "30", "40", "mousedown", "1", "mousemove", "90", "80",
                              "mouseup", "1"}),
                          UntilOutlined(QRect(30, 40, 60, 40))};
        {
            Dialogs::TDialogScript Script;
            QCOMPARE(
                Drive([&] { return Shot.CameraSubArea(); }, Drag + TSteps{Do({"key", "Escape"})}),
                0);
            QVERIFY(Script.Shown().isEmpty());
            QCOMPARE(ClipboardText(), QString("before"));
        }
        {
            Dialogs::TDialogScript Script;
            CameraSetFault(1);
            QCOMPARE(
                Drive([&] { return Shot.CameraSubArea(); }, Drag + TSteps{Do({"key", "Return"})}),
                0);
            QVERIFY(Script.Shown().isEmpty());
            QCOMPARE(ClipboardText(), QString("before"));
        }
        {
            Dialogs::TDialogScript Script;
            QCOMPARE(Drive([&] { return Shot.CameraSubArea(); },
                           Drag + TSteps{Do({"mousemove", "50", "50", "click", "--repeat", "2",
                                             "--delay", "60", "1"})}),
                     1);
            QCOMPARE(Script.Shown().size(), 1);
            QCOMPARE(Script.Shown()[0].Text, Saved);
            QVERIFY(ShowsPattern(ClipboardPng(), QRect(30, 40, 60, 40)));
        }
    }
};

QTEST_MAIN(tst_ScreenShot)
#include "tst_screenshot.moc"
