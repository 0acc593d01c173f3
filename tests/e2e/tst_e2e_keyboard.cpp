// The whole program driven by real key presses on the virtual desktop (xdotool through the X
// server's test extension, to whatever window has the focus), as a keyboard user would: Enter and
// Escape in the information windows, a game taking the arrow keys as soon as it is opened, and a
// reminder that comes while the user types without taking the keyboard.
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "../tasks/TaskTestSupport.h"
#include "AppProcess.h"

namespace {

const QString MainTitle = "晴川助手(简易版)";
const QString PortalTitle = "青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口";

// What the window shows now, as the X server has it.
QImage Shot(const QString &Window) {
    QProcess P;
    P.start("import", {"-window", Window, "png:-"});
    P.waitForFinished(20000);
    return QImage::fromData(P.readAllStandardOutput(), "PNG");
}

} // namespace

class tst_E2EKeyboard : public QObject {
    Q_OBJECT

    // Opens the icon's menu and walks it with the keys; the keyboard is the menu's once it is up.
    static bool Menu(TAppProcess &App, const QString &Icon, const QStringList &Keys) {
        if (!X11::ClickOn(Icon, 3))
            return false;
        if (X11::WaitForTallWindowOf(App.Process().processId()).isEmpty())
            return false;
        if (!QTest::qWaitFor([] { return X11::KeyboardGrabbed(); }, 10000))
            return false;
        X11::XDoTool(QStringList{"key", "--delay", "80"} + Keys);
        return true;
    }

private slots:
    void initTestCase() {
        for (const char *Program : {"xdotool", "xwininfo", "import"})
            QVERIFY2(!QStandardPaths::findExecutable(Program).isEmpty(),
                     qPrintable(QString(Program) +
                                " is not installed (packages xdotool, x11-utils, imagemagick)"));
    }

    void KeysReachTheirWindow_data() {
        QTest::addColumn<QStringList>("Open"); // menu keys that open the window
        QTest::addColumn<QString>("Title");    // the window they open
        QTest::addColumn<QStringList>("Keys"); // then pressed in that window
        QTest::addColumn<QString>("Expected"); // "closed", or "page changed"
        // 显示主窗体, 隐藏主窗体, 常用功能, 网络游戏, 小游戏, 帮助, 关于.
        const QStringList Help = {"Down", "Down", "Down", "Down", "Down", "Down", "Return"};
        const QStringList About = {"Down", "Down", "Down", "Down",
                                   "Down", "Down", "Down", "Return"};
        QTest::newRow("帮助: Return presses the focused 确定")
            << Help << "帮助" << QStringList{"Return"} << "closed";
        QTest::newRow("帮助: keypad Enter presses 确定")
            << Help << "帮助" << QStringList{"KP_Enter"} << "closed";
        QTest::newRow("帮助: Escape") << Help << "帮助" << QStringList{"Escape"} << "closed";
        QTest::newRow("关于: Escape") << About << "关于" << QStringList{"Escape"} << "closed";
        QTest::newRow("小游戏 → 2048: the arrows move the tiles without a click first")
            << QStringList{"Down", "Down", "Down", "Down", "Down", "Right", "Return"} << PortalTitle
            << QStringList{"Left", "Up", "Right", "Down", "Left", "Up"} << "page changed";
    }
    void KeysReachTheirWindow() {
        QFETCH(QStringList, Open);
        QFETCH(QString, Title);
        QFETCH(QStringList, Keys);
        QFETCH(QString, Expected);
        TAppProcess App;
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        const QString Icon = X11::WaitForTrayIcon(App.Process().processId());
        QVERIFY(!Icon.isEmpty());
        QVERIFY(Menu(App, Icon, Open));
        const QString Window = X11::WaitForWindow(Title, 20000);
        QVERIFY2(!Window.isEmpty(), qPrintable(Title));
        // The window manager gives the newly shown window the focus; keys go where it is.
        QVERIFY(X11::WaitForActive(Window));
        QImage Before;
        if (Expected == "page changed") {
            // The page is drawn and still: two looks a moment apart agree.
            QVERIFY(QTest::qWaitFor(
                [&] {
                    const QImage Now = Shot(Window);
                    const bool Still =
                        !Now.isNull() && Now == Before &&
                        Now.pixelColor(Now.width() / 2, Now.height() / 2) != Now.pixelColor(0, 0);
                    Before = Now;
                    return Still;
                },
                30000));
        }
        X11::XDoTool(QStringList{"key", "--delay", "100"} + Keys);
        if (Expected == "closed")
            QVERIFY2(X11::WaitForNoWindow(Title), "the window is still up");
        else
            QVERIFY2(QTest::qWaitFor([&] { return Shot(Window) != Before; }, 15000),
                     "the page did not change: the keys did not reach it");
        QVERIFY(App.IsRunning());
    }

    // A reminder that comes up while the user works in the main window leaves the keyboard there.
    void AReminderLeavesTheKeyboardWhereItIs() {
        TAppProcess App;
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        const QString Icon = X11::WaitForTrayIcon(App.Process().processId());
        QVERIFY(!Icon.isEmpty());
        QVERIFY(X11::ClickOn(Icon, 1, 2));
        const QString Main = X11::WaitForWindow(MainTitle);
        QVERIFY(!Main.isEmpty());
        X11::XDoTool({"windowactivate", "--sync", Main});
        QVERIFY(X11::WaitForActive(Main));

        const QDateTime Now = QDateTime::currentDateTime().addSecs(3);
        const QDateTime Start(Now.date(),
                              QTime(Now.time().hour(), Now.time().minute(), Now.time().second()));
        {
            TTaskTable Rows(App.Dir() + "DB.mdb");
            QVERIFY(!Rows.Insert("喝水", Start.date(), Start.time()).isEmpty());
        }
        QString Reminder;
        QVERIFY(QTest::qWaitFor(
            [&] {
                Reminder = X11::FindWindows("提醒").value(0);
                return !Reminder.isEmpty();
            },
            20000));
        // The window manager decides on the focus when it maps a window; the rise to rest takes
        // 0.6 s after that. Watched until the window has come to rest (two equal places 100 ms
        // apart), which is well after the mapping.
        QRect Last;
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QString Active = X11::XDoTool({"getactivewindow"});
                if (Active == Reminder)
                    return true; // fails below
                const QRect R = X11::Geometry(Reminder);
                const bool Rest = R == Last;
                Last = R;
                QTest::qWait(100);
                return Rest;
            },
            15000));
        QCOMPARE(X11::XDoTool({"getactivewindow"}), Main);
        QVERIFY(X11::XDoTool({"getwindowfocus"}) != Reminder);
        QVERIFY(App.IsRunning());
    }
};

QTEST_GUILESS_MAIN(tst_E2EKeyboard)
#include "tst_e2e_keyboard.moc"
