// Hiding and showing browsers on Wayland desktops as they are: one that truly has no way to the
// browser windows, GNOME which lets only the X11 ones be reached, and sway or KWin failing for a
// moment (a hung IPC socket, KWin off the bus while it restarts, KWin not answering). What the
// user is told, and that a press which did nothing leaves the toggle where it was.
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "PortalBed.h"
#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "platform/linux/WaylandBrowserWindows.h"
#include "tools/IECtrl.h"

using platform::TBrowserReach;
using platform::linux_::TWaylandBrowserWindows;

Q_DECLARE_METATYPE(platform::TBrowserReach)

namespace {

const QString NoWay = "message: 当前桌面不支持隐藏或显示浏览器窗口。";
const QString X11Only = "message: 在当前桌面上，本程序只能隐藏或显示X11（XWayland）浏览器窗口；"
                        "Wayland原生的浏览器窗口由桌面自己管理，无法由本程序隐藏，请自行最小化。";
const QString NoAnswerHide = "message: 桌面暂时没有应答，浏览器窗口未能隐藏，请稍后再试。";

QStringList Messages(const Dialogs::TDialogScript &Script) {
    QStringList Texts;
    for (const Dialogs::TShown &Box : Script.Shown())
        Texts << Box.Kind + ": " + Box.Text;
    return Texts;
}

// The shown flag set to shown by a show that was carried out.
void StartShown() {
    TIECtrl(std::make_shared<TFakeBrowserWindows>(), nullptr).ShowIE();
}

// A sway IPC socket that takes connections and never answers, as a hung sway does: the kernel
// accepts into the backlog without the listener ever calling accept.
class THungSocket {
public:
    THungSocket() {
        Path = Dir.path() + "/sway-ipc.sock";
        Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un Address{};
        Address.sun_family = AF_UNIX;
        const QByteArray P = QFile::encodeName(Path);
        std::memcpy(Address.sun_path, P.constData(), static_cast<size_t>(P.size()));
        Ok = Fd >= 0 && ::bind(Fd, reinterpret_cast<sockaddr *>(&Address), sizeof Address) == 0 &&
             ::listen(Fd, 8) == 0;
    }
    ~THungSocket() {
        if (Fd >= 0)
            ::close(Fd);
    }
    QTemporaryDir Dir;
    QString Path;
    int Fd = -1;
    bool Ok = false;
};

} // namespace

class tst_IECtrlWayland : public QObject {
    Q_OBJECT

    TPortalBed Bus;

private slots:
    void initTestCase() {
        const QString Why = Bus.Start(TPortalBed::TKind::NoPortal);
        QVERIFY2(Why.isEmpty(), qPrintable(Why));
        qunsetenv("SWAYSOCK");
    }

    // What each outcome of a press tells the user and does to the toggle. The toggle is shown
    // before two presses; a press that did nothing leaves it, so the next press tries the same
    // again, and once the desktop answers it does what the user expects.
    void outcomeDecidesMessageAndToggle_data() {
        QTest::addColumn<TBrowserReach>("Reach");
        QTest::addColumn<std::vector<bool>>("Calls");
        QTest::addColumn<bool>("ShownAfter");
        QTest::addColumn<QStringList>("Said");
        QTest::newRow("done") << TBrowserReach::Done << std::vector<bool>{false, true} << true
                              << QStringList();
        QTest::newRow("only X11 windows")
            << TBrowserReach::X11Only << std::vector<bool>{false, true} << true
            << QStringList{X11Only};
        QTest::newRow("no way at all")
            << TBrowserReach::Unsupported << std::vector<bool>{false, false} << true
            << QStringList{NoWay, NoWay};
        QTest::newRow("no answer") << TBrowserReach::NoAnswer << std::vector<bool>{false, false}
                                   << true << QStringList{NoAnswerHide, NoAnswerHide};
    }
    void outcomeDecidesMessageAndToggle() {
        QFETCH(TBrowserReach, Reach);
        QFETCH(std::vector<bool>, Calls);
        QFETCH(bool, ShownAfter);
        QFETCH(QStringList, Said);
        StartShown();
        auto Windows = std::make_shared<TFakeBrowserWindows>();
        Windows->Reach = Reach;
        TIECtrl IE(Windows, nullptr);
        Dialogs::TDialogScript Script;
        IE.HideOrShowIE();
        IE.HideOrShowIE();
        QCOMPARE(Windows->Calls, Calls);
        QCOMPARE(TIECtrl::Shown(), ShownAfter);
        QCOMPARE(Messages(Script), Said);
        // The desktop answers again: the press hides, as the user expects with browsers shown.
        Windows->Reach = TBrowserReach::Done;
        IE.HideOrShowIE();
        QCOMPARE(Windows->Calls.back(), !ShownAfter);
        QCOMPARE(TIECtrl::Shown(), !ShownAfter);
        QCOMPARE(Messages(Script), Said);
    }

    // The Wayland session's way to the windows, on each desktop: which answer a hide gets, and
    // whether the X11 windows were touched (never when the desktop failed).
    void desktopsAsTheyAre_data() {
        QTest::addColumn<QString>("Desktop");
        QTest::addColumn<QString>("Case");
        QTest::addColumn<TBrowserReach>("X11Reach");
        QTest::addColumn<TBrowserReach>("Reach");
        QTest::addColumn<std::vector<bool>>("X11Calls");
        const TBrowserReach Done = TBrowserReach::Done;
        QTest::newRow("GNOME") << "ubuntu:GNOME"
                               << "" << Done << TBrowserReach::X11Only << std::vector<bool>{false};
        QTest::newRow("GNOME without XWayland")
            << "GNOME"
            << "" << TBrowserReach::Unsupported << TBrowserReach::Unsupported
            << std::vector<bool>{false};
        QTest::newRow("unknown desktop")
            << ""
            << "" << Done << TBrowserReach::X11Only << std::vector<bool>{false};
        QTest::newRow("KWin restarting (off the bus)")
            << "KDE"
            << "" << Done << TBrowserReach::NoAnswer << std::vector<bool>{};
        QTest::newRow("KWin not answering")
            << "KDE"
            << "hung KWin" << Done << TBrowserReach::NoAnswer << std::vector<bool>{};
        QTest::newRow("sway not answering")
            << "sway"
            << "hung sway" << Done << TBrowserReach::NoAnswer << std::vector<bool>{};
    }
    void desktopsAsTheyAre() {
        QFETCH(QString, Desktop);
        QFETCH(QString, Case);
        QFETCH(TBrowserReach, X11Reach);
        QFETCH(TBrowserReach, Reach);
        QFETCH(std::vector<bool>, X11Calls);
        const QByteArray OldDesktop = qgetenv("XDG_CURRENT_DESKTOP");
        qputenv("XDG_CURRENT_DESKTOP", Desktop.toUtf8());
        THungSocket Sway;
        QVERIFY(Sway.Ok);
        // A second client owning KWin's name that never takes a call: KWin hung or busy.
        QDBusConnection Hung = QDBusConnection::connectToBus(Bus.BusAddress(), "hung-kwin");
        if (Case == "hung KWin")
            QVERIFY(Hung.registerService("org.kde.KWin"));

        auto X11 = std::make_shared<TFakeBrowserWindows>();
        X11->Reach = X11Reach;
        auto Windows = std::make_shared<TWaylandBrowserWindows>(
            X11, Case == "hung sway" ? Sway.Path : QString(), Bus.BusAddress());
        StartShown();
        TIECtrl IE(Windows, nullptr);
        Dialogs::TDialogScript Script;
        IE.HideOrShowIE();
        QDBusConnection::disconnectFromBus("hung-kwin");
        qputenv("XDG_CURRENT_DESKTOP", OldDesktop);

        QCOMPARE(X11->Calls, X11Calls);
        // Only a press that hid something changes the toggle.
        const bool Acted = Reach == TBrowserReach::Done || Reach == TBrowserReach::X11Only;
        QCOMPARE(TIECtrl::Shown(), !Acted);
        const QString Said = Reach == TBrowserReach::X11Only       ? X11Only
                             : Reach == TBrowserReach::Unsupported ? NoWay
                                                                   : NoAnswerHide;
        QCOMPARE(Messages(Script), QStringList{Said});
    }
};

int main(int argc, char **argv) {
    QApplication App(argc, argv);
    tst_IECtrlWayland Test;
    return QTest::qExec(&Test, argc, argv);
}
#include "tst_iectrlwayland.moc"
