#include "TrayMenu.h"

#include "dialogs/Dialogs.h"

namespace {

// An entry of the menu's own, run through the standard error box.
QAction *Entry(QMenu *Menu, const QString &Caption, const QString &Name,
               std::function<void()> Handler) {
    QAction *A = Menu->addAction(Caption);
    A->setObjectName(Name);
    A->setEnabled(bool(Handler));
    if (Handler)
        QObject::connect(A, &QAction::triggered, Menu, Dialogs::Guarded(std::move(Handler)));
    return A;
}

} // namespace

TTrayMenu::TTrayMenu(const TActionOf &ActionOf, const THandlers &Handlers, QWidget *Parent)
    : QMenu(Parent) {
    setObjectName("PopupMenu1");
    addAction(ActionOf("actShowMainForm"));
    addAction(ActionOf("actHideMainForm"));
    addSeparator();

    QMenu *Common = addMenu("常用功能");
    Common->setObjectName("mnuCommon");
    Common->addAction(ActionOf("HideOrShowIE"));
    Common->addAction(ActionOf("ChangeMainPage"));
    Common->addSeparator();
    // The menu shows its own caption for the task list rather than the action's.
    QAction *ListAction = ActionOf("actTaskList");
    QAction *TaskList = Common->addAction("任务列表");
    TaskList->setObjectName("mnuTaskList");
    TaskList->setEnabled(ListAction->isEnabled());
    connect(ListAction, &QAction::changed, TaskList,
            [TaskList, ListAction] { TaskList->setEnabled(ListAction->isEnabled()); });
    connect(TaskList, &QAction::triggered, ListAction, &QAction::trigger);
    Common->addAction(ActionOf("actTaskInfo"));
    Common->addSeparator();
    connect(Common, &QMenu::aboutToHide, this, [this] { FCommonClosed.start(); });
    for (const char *Name : {"actSubArea", "actCameraWindow", "actCameraWindowLikeSpy"})
        Common->addAction(ActionOf(Name));
    Common->addSeparator();
    for (const char *Name : {"actReg", "actGpedit", "actLogin"})
        Common->addAction(ActionOf(Name));
    Common->addSeparator();
    Common->addAction(ActionOf("actChat"));
    Common->addAction(ActionOf("actEncrypt"));
    Common->addSeparator();
    Common->addAction(ActionOf("actsysconfig"));

    QMenu *Games = addMenu("网络游戏");
    Games->setObjectName("mnuNetGames");
    Entry(Games, "闯荡江湖", "mnuLogin", Handlers.Login);
    Games->addSeparator();
    for (int I = 1; I <= 6; ++I)
        Games->addAction(ActionOf(QString("actPortal%1").arg(I)));

    QMenu *Small = addMenu("小游戏");
    Small->setObjectName("mnuSmallGames");
    const char *SmallGames[] = {"2048", "贪吃蛇", "扫雷", "五子棋", "俄罗斯方块"};
    for (int I = 1; I <= 5; ++I) {
        const auto Game = Handlers.Game;
        QAction *A = Entry(Small, SmallGames[I - 1], QString("mnuGame%1").arg(I),
                           Game ? std::function<void()>([Game, I] { Game(I); }) : nullptr);
        A->setToolTip(SmallGames[I - 1]);
    }
    Entry(Small, "更多小游戏", "mnuMoreGames", Handlers.MoreGames);

    addSeparator();
    Entry(this, "帮助", "N35", Handlers.Help);
    addAction(ActionOf("actAbout"));
    addSeparator();
    addAction(ActionOf("actExit"));
}

bool TTrayMenu::TakeJustClosed() {
    if (!FCommonClosed.isValid() || FCommonClosed.elapsed() >= 500)
        return false;
    FCommonClosed.invalidate();
    return true;
}
