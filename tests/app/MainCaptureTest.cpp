// The three capture commands of the main window reach the capture library in their own manner.
#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include "CaptureDriver.h"
#include "Main.h"
#include "TestSupport.h"
#include "dialogs/Dialogs.h"

using namespace CaptureDriver;

class TMainCaptureTest : public QObject {
    Q_OBJECT

private slots:
    void commands() {
        TTestConfig Config(true);
        TFakePlatform Fake;
        TFrm_Main Main(Fake.Platform());
        Main.FormCreate();
        const QRect Screen = NativeScreen();
        TPatternWindow Background(Screen);
        QVERIFY(Background.ShowOnTop());
        for (const char *Name : {"actSubArea", "actCameraWindow", "actCameraWindowLikeSpy"})
            QVERIFY2(Main.Action(Name)->isEnabled(), Name);
        const auto Run = [&](const char *Button, const QStringList &Steps) {
            auto *B = Main.findChild<QToolButton *>(Button);
            return Drive(
                [B] {
                    B->defaultAction()->trigger();
                    return 0;
                },
                Steps);
        };
        Dialogs::TDialogScript Script;

        // The rectangle manner: a drag and Enter.
        Run("btnSubArea", {"mousemove", "10", "20", "mousedown", "1", "mousemove", "40", "60",
                           "mouseup", "1", "sleep", "0.2", "key", "Return"});
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, QString("图像已存至剪贴板"));
        QVERIFY(ShowsPattern(ClipboardPng(), QRect(10, 20, 30, 40)));

        // The hover manner: one click takes the window under the pointer.
        Script.Clear();
        Run("btnCameraWindow", {"mousemove", "500", "400", "sleep", "0.2", "click", "1"});
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(ClipboardPng().size(), Screen.size());

        // The drag manner: a click away from its crosshair takes nothing; Esc ends it silently.
        Script.Clear();
        SetClipboardText("before");
        Run("btnCameraWindowLikeSpy",
            {"mousemove", "500", "400", "click", "1", "sleep", "0.2", "key", "Escape"});
        QVERIFY(Script.Shown().isEmpty());
        QCOMPARE(ClipboardText(), QString("before"));
    }
};

QTEST_MAIN(TMainCaptureTest)
#include "MainCaptureTest.moc"
