// The three capture commands of the main window reach the capture library in their own manner.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include "CaptureDriver.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "dialogs/Dialogs.h"

using namespace CaptureDriver;

class tst_CommonPageCapture : public QObject {
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
        // Runs the command of Button: 0, or -1 when the capture did not follow the steps.
        const auto Run = [&](const char *Button, const TSteps &Steps) {
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
        QCOMPARE(Run("btnSubArea", {Do({"mousemove", "10", "20", "mousedown", "1", "mousemove",
                                        "40", "60", "mouseup", "1"}),
                                    UntilOutlined(QRect(10, 20, 30, 40)), Do({"key", "Return"})}),
                 0);
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(Script.Shown()[0].Text, QString("图像已存至剪贴板"));
        QVERIFY(ShowsPattern(ClipboardPng(), QRect(10, 20, 30, 40)));

        // The hover manner: one click takes the window under the pointer.
        Script.Clear();
        QCOMPARE(Run("btnCameraWindow",
                     {Do({"mousemove", "500", "400"}), UntilOutlined(Screen), Do({"click", "1"})}),
                 0);
        QCOMPARE(Script.Shown().size(), 1);
        QCOMPARE(ClipboardPng().size(), Screen.size());

        // The drag manner: a click away from its crosshair takes nothing; Esc ends it silently.
        Script.Clear();
        QVERIFY(SetClipboardText("before"));
        QCOMPARE(Run("btnCameraWindowLikeSpy",
                     {Do({"mousemove", "500", "400", "click", "1"}), Do({"key", "Escape"})}),
                 0);
        QVERIFY(Script.Shown().isEmpty());
        QCOMPARE(ClipboardText(), QString("before"));
    }

    // Taken from the menu, the frozen screen shows what was under the menu, not a hole.
    void fromTheMenu() {
        TTestConfig Config(true);
        TFakePlatform Fake;
        TFrm_Main Main(Fake.Platform());
        Main.FormCreate();
        TPatternWindow Background(NativeScreen());
        QVERIFY(Background.ShowOnTop());
        auto *Common = Main.findChild<QMenu *>("mnuCommon");
        QVERIFY(Common);
        Common->popup(QPoint(100, 100));
        QVERIFY(QTest::qWaitForWindowExposed(Common));
        const QRect Menu = Common->geometry();
        // The menu drawn on the screen, over the pattern.
        QVERIFY(QTest::qWaitFor([&Menu] { return !ScreenShowsPattern(Menu); }, 10000));
        const QPoint Entry =
            Common->mapToGlobal(Common->actionGeometry(Main.Action("actSubArea")).center());
        Dialogs::TDialogScript Script;
        const QString X0 = QString::number(Menu.left()), Y0 = QString::number(Menu.top());
        const QString X1 = QString::number(Menu.left() + Menu.width());
        const QString Y1 = QString::number(Menu.top() + Menu.height());
        QAction *SubArea = Main.Action("actSubArea");
        const int32_t Told = Drive(
            [&] {
                // Clicked once the menu shows the entry under the pointer.
                QProcess::execute("xdotool", {"mousemove", QString::number(Entry.x()),
                                              QString::number(Entry.y())});
                if (!QTest::qWaitFor([&] { return Common->activeAction() == SubArea; }, 10000))
                    return 0;
                QProcess::execute("xdotool", {"click", "1"});
                return QTest::qWaitFor([&] { return !Script.Shown().isEmpty(); }, 10000) ? 1 : 0;
            },
            {Do({"mousemove", X0, Y0, "mousedown", "1", "mousemove", X1, Y1, "mouseup", "1"}),
             UntilOutlined(Menu), Do({"key", "Return"})});
        QCOMPARE(Told, 1);
        QCOMPARE(Script.Shown().size(), 1);
        QVERIFY(ShowsPattern(ClipboardPng(), Menu));
    }
};

QTEST_MAIN(tst_CommonPageCapture)
#include "tst_commonpage_capture.moc"
