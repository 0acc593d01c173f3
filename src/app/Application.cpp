#include "Application.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

#include "About.h"
#include "AppWindows.h"
#include "Help.h"
#include "Main.h"
#include "TrayHost.h"
#include "UniqueInstance.h"
#include "Web.h"
#include "config/AppPaths.h"
#include "config/Config.h"
#include "dialogs/Dialogs.h"
#include "dialogs/Keyboard.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/KeyNames.h"
#include "platform/Platform.h"
#include "platform/Session.h"
#include "tasks/Pop.h"

TFrm_Main *Frm_Main = nullptr;
TFrm_Pop *Frm_Pop = nullptr;
TFrm_WB *Frm_WB = nullptr;
TFrm_About *Frm_About = nullptr;
TFrm_Help *Frm_Help = nullptr;

namespace {

template <class T> void CreateForm(T *&Form, std::function<T *()> Make) {
    Dialogs::Guard([&] { Form = Make(); });
}

} // namespace

int RunApplication(int &argc, char **argv, CommandLine::TAction Action) {
    QApplication App(argc, argv);
    // Key names are ready before any window exists (the hotkey warnings of start-up use them).
    InitializeHotKeyNames(platform::CreateKeyNames());
    App.setQuitOnLastWindowClosed(false);
    Keyboard::InstallButtonKeys(&App);
    const QString ExeFilePath = QCoreApplication::applicationFilePath();
    // The title of the program's boxes and the icon's tooltip: the file name up to its first dot.
    const QString Title = QFileInfo(ExeFilePath).fileName().section('.', 0, 0);
    QCoreApplication::setApplicationName(Title);
    Dialogs::SetAppTitle(Title);

    platform::TPlatform Platform = platform::CreatePlatform();

    // A second copy hands over its action and leaves before it writes any file, or makes any
    // window, hotkey or database connection of its own: two first starts at once would
    // otherwise both seed the settings and race on the same files.
    int ExitCode = 0;
    if (!UniqueInstance::Check(*Platform.InstanceGuard, ExeFilePath, ExitCode, Action)) {
        FinalizeHotKeyNames();
        return ExitCode;
    }

    // A damaged cfg.ini is reported in the standard error box once, from the event loop: the
    // reads that find it run inside timers and window handlers, every second.
    // Portable (a cfg.ini beside the program) or installed (the user's own folders, seeded now).
    const AppPaths::TLocation Location = AppPaths::Locate(ExeFilePath);
    const QString SeedProblem = AppPaths::Seed(Location, ExeFilePath);
    if (!SeedProblem.isEmpty())
        Dialogs::PostError(SeedProblem);
    SetConfig(std::make_unique<TConfig>(ExeFilePath, Location.IniFile, Platform.AutoRun,
                                        Dialogs::PostError));

    // The five windows, in this order; an error in one creation handler is shown and start-up
    // goes on with the next window.
    CreateForm<TFrm_Main>(Frm_Main, [&] { return new TFrm_Main(Platform, nullptr, true); });
    if (Frm_Main)
        Dialogs::Guard([] { Frm_Main->FormCreate(); });
    CreateForm<TFrm_Pop>(Frm_Pop, [] { return new TFrm_Pop; });
    CreateForm<TFrm_WB>(Frm_WB, [] { return new TFrm_WB; });
    CreateForm<TFrm_About>(Frm_About, [&] { return new TFrm_About(Platform.Shell); });
    CreateForm<TFrm_Help>(Frm_Help, [] { return new TFrm_Help; });
    if (Frm_Main)
        Frm_Main->SetWindows({Frm_Pop, Frm_WB, Frm_About, Frm_Help});

    // Without a notification area the hidden main window would be out of reach. Wayland sessions
    // only: an X11 desktop has always been expected to bring its tray, and a tray host there may
    // dock the icon before it answers Qt's question for one.
    if (Frm_Main && platform::IsWaylandSession())
        TrayHost::ShowWhenNoTray(Frm_Main);

    UniqueInstance::Listen(*Platform.InstanceGuard, [](CommandLine::TAction Later) {
        if (Frm_Main)
            Frm_Main->InstanceMessage(Later);
    });
    // This start's own action runs once the event loop does, as a later start's would.
    if (Action != CommandLine::TAction::None)
        QTimer::singleShot(0, [Action] {
            Dialogs::Guard([Action] {
                if (Frm_Main)
                    Frm_Main->InstanceMessage(Action);
            });
        });

    // For start-up measurements and whole-program tests: say when the icon is up and the event
    // loop runs.
    if (qEnvironmentVariableIsSet("QINGCHUAN_REPORT_READY"))
        QTimer::singleShot(0, [] {
            std::printf("ready %lld\n",
                        static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            std::fflush(stdout);
        });

    // The main window's pages are built at its first showing (TFrm_Main::setVisible), not here:
    // their widgets and the Chinese fonts they lay out would nearly double what the program
    // holds while it waits in the tray.

    const int Code = App.exec();

    delete Frm_Help;
    delete Frm_About;
    delete Frm_WB;
    delete Frm_Pop;
    delete Frm_Main;
    Frm_Help = nullptr;
    Frm_About = nullptr;
    Frm_WB = nullptr;
    Frm_Pop = nullptr;
    Frm_Main = nullptr;
    SetConfig(nullptr);
    FinalizeHotKeyNames();
    return Code;
}
