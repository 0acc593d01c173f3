// The portal window, the entries that lead to it and to the web, About and Help.
#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEngineView>
#include <QWindow>

#include <xcb/xcb.h>

#include "TestSupport.h"
#include "WebTestSupport.h"
#include "app/About.h"
#include "app/AppWindows.h"
#include "app/Help.h"
#include "app/LineLabel.h"
#include "app/Main.h"
#include "app/Portal.h"
#include "app/Web.h"
#include "dialogs/Dialogs.h"

namespace {

// On a desktop the window manager frames a window a moment after it is shown: its outer
// geometry means something once the frame is there (offscreen windows have none).
bool WaitFramed(QWidget *W) {
    return QTest::qWaitFor(
        [W] {
            QWindow *Handle = W->windowHandle();
            return Handle && Handle->isExposed() &&
                   (QGuiApplication::platformName() != "xcb" || !Handle->frameMargins().isNull());
        },
        10000);
}

// A resize asked for by the program reaches the window manager as a request; the window has its
// new size on the server only once the window manager has granted it. A user's resize has always
// been granted before the user can hide the window; hiding a window whose resize is still on its
// way lets the window manager's late answer move it. Offscreen there is nothing to wait for.
bool WaitResizeGranted(QWidget *W, QSize Size) {
    auto *X11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *C = X11 ? X11->connection() : nullptr;
    if (QGuiApplication::platformName() != "xcb" || !C)
        return true;
    return QTest::qWaitFor(
        [&] {
            xcb_get_geometry_reply_t *G =
                xcb_get_geometry_reply(C, xcb_get_geometry(C, xcb_window_t(W->winId())), nullptr);
            const bool Granted = G && G->width == Size.width() && G->height == Size.height();
            free(G);
            return Granted;
        },
        10000);
}

// The texts of the two information windows, written out here character for character.
const QString Disclaimer =
    QString::fromUtf8("免责声明：\r\n"
                      "\r\n"
                      "使用，任何涉及商业盈利目的均不得使用，否则产生的一\r\n"
                      "切后果将由您自己承担！\r\n"
                      "为节约开发时间，此工具内包含了直接调用的第三方软件\r\n"
                      "用以实现某些功能，为保护原作者的权益，我们对任何第\r\n"
                      "三方软件都不曾有任何修改，因此，我们将不对任何所调\r\n"
                      "用的资源负法律责任！\r\n"
                      "\r\n");
const QString HelpText = QString::fromUtf8("默认快捷功能键：\r"
                                           "显示/隐藏浏览器 - Ctrl+1\r"
                                           "截屏 - Ctrl+2\r"
                                           "发送QQ聊天 - Ctrl+3\r"
                                           "*修改请展开主面板激活系统设置\r"
                                           "\r"
                                           "请注意：\r"
                                           "\xE3\x80\x80\xE3\x80\x80选择任何截屏功能，双击即可确认"
                                           "截屏区域，截屏完成后，所截图片将自动存放至剪"
                                           "贴板，您可以粘贴进行使用。");

QPoint WorkCentredCorner(int Width, int Height) {
    const QRect Work = QGuiApplication::primaryScreen()->availableGeometry();
    return QPoint(Work.left() + (Work.width() - Width) / 2,
                  Work.top() + (Work.height() - Height) / 2);
}

// The browser view of a window, once it has been made.
template <class TForm> QWebEngineView *WaitView(TForm *Form) {
    QDeadlineTimer Deadline(10000);
    while (!Form->wb1() && !Deadline.hasExpired())
        QTest::qWait(10);
    return qobject_cast<QWebEngineView *>(Form->wb1());
}

QImage Render(QWidget *W) {
    QImage Image(W->size(), QImage::Format_RGB32);
    Image.fill(Qt::white);
    W->render(&Image);
    return Image;
}

} // namespace

class tst_Web : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void HomePageLoadsAtAPlainFirstShowing();
    void NVLoadsOnlyAnotherAddress();
    void FirstLoginLoadsHomeAgain();
    void EveryShowingSetsTheSizeCentringOnlyTheFirst();
    void LastEntryKeepsTheFollowedLink();
    void EntriesReachTheirPages();
    void AdvertStripComesWithTheFirstShowing();
    void HiddenStripLetsItsPageGoThePortalKeepsIts();
    void AboutTextsAndLinks();
    void HelpTextAndButton();

private:
    std::unique_ptr<TTestConfig> FConfig;
    TFakePlatform FFake;
    TFrm_Main *FMain = nullptr;
};

void tst_Web::init() {
    FConfig = std::make_unique<TTestConfig>(true);
    FFake = TFakePlatform();
    Frm_WB = new TFrm_WB;
    Frm_About = new TFrm_About(FFake.Shell);
    Frm_Help = new TFrm_Help;
    FMain = new TFrm_Main(FFake.Platform());
    FMain->SetWindows({.WB = Frm_WB, .About = Frm_About, .Help = Frm_Help});
    Frm_Main = FMain;
}

void tst_Web::cleanup() {
    delete FMain;
    delete Frm_Help;
    delete Frm_About;
    delete Frm_WB;
    Frm_Main = nullptr;
    Frm_Help = nullptr;
    Frm_About = nullptr;
    Frm_WB = nullptr;
    FConfig.reset();
}

void tst_Web::HomePageLoadsAtAPlainFirstShowing() {
    QCOMPARE(Frm_WB->windowTitle(), QString("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口"));
    // Nothing of the web engine is made while the window stays hidden. Work queued at start-up
    // runs within the loop's first passes; half a second of passes is ample.
    QVERIFY(!QTest::qWaitFor([] { return Frm_WB->wb1() != nullptr; }, 500));
    // Shown without an address, as the portal hotkey shows it: the home page.
    Frm_WB->show();
    QWebEngineView *View = WaitView(Frm_WB);
    QVERIFY(View);
    QVERIFY(WaitPage(View, Portal::HomePage()));
    QCOMPARE(RunJs(View, "document.title").toString(), QString("首页 - 青石江湖"));
    QVERIFY(Frm_WB->Url().isEmpty());
    QCOMPARE(View->parentWidget(), Frm_WB);
}

void tst_Web::NVLoadsOnlyAnotherAddress() {
    // The first showing through NV loads the address asked for, and nothing before it.
    Frm_WB->NV(Portal::SectionPage(1));
    QWebEngineView *View = WaitView(Frm_WB);
    QVERIFY(View);
    QVERIFY(WaitPage(View, Portal::SectionPage(1)));
    QVERIFY(Frm_WB->isVisible());
    QCOMPARE(View->history()->count(), 1);
    QSignalSpy Started(View, &QWebEngineView::loadStarted);

    Frm_WB->NV(Portal::SectionPage(2));
    QVERIFY(WaitPage(View, Portal::SectionPage(2)));
    Frm_WB->NV(Portal::SectionPage(1));
    QVERIFY(WaitPage(View, Portal::SectionPage(1)));
    QCOMPARE(Started.count(), 2);

    Frm_WB->hide();
    Frm_WB->NV(Portal::SectionPage(1));
    // A load would report its start from this thread's loop within a few turns; 300 ms of
    // turns is ample, and the page's own state is checked too.
    QTest::qWait(300);
    QCOMPARE(Started.count(), 2);
    QVERIFY(Frm_WB->isVisible());

    // The comparison is exact: another spelling of the same page is another address.
    Frm_WB->NV(Portal::SectionPage(1) + "?");
    QVERIFY(WaitPage(View, Portal::SectionPage(1) + "?"));
    QCOMPARE(Started.count(), 3);
}

void tst_Web::FirstLoginLoadsHomeAgain() {
    Dialogs::TDialogScript Script;
    // Shown by the portal hotkey: the home page, with FUrl still empty.
    Frm_WB->show();
    QWebEngineView *View = WaitView(Frm_WB);
    QVERIFY(WaitPage(View, Portal::HomePage()));
    QSignalSpy Started(View, &QWebEngineView::loadStarted);
    QVERIFY(RunJs(View, "window.marker = 1").toInt() == 1);

    QAction *Login = FMain->Action("actLogin");
    QVERIFY(Login->isEnabled());
    Login->trigger();
    QCOMPARE(Script.Shown().size(), 1);
    QCOMPARE(Script.Shown()[0].Kind, QString("message"));
    QCOMPARE(Script.Shown()[0].Text, QString("按Ctrl+Alt+Q可快速隐藏该窗口"));
    QCOMPARE(Script.Shown()[0].Caption, Dialogs::AppTitle());
    QVERIFY(WaitPage(View, Portal::HomePage()));
    // The home page was loaded afresh: a new document, without the old one's script state.
    QTRY_VERIFY(RunJs(View, "typeof window.marker").toString() == "undefined");
    QCOMPARE(Started.count(), 1);
    QVERIFY(Frm_WB->isVisible());

    // The menu's own "闯荡江湖" does the same, and the home page is now the last address.
    auto *MenuLogin = FMain->PopupMenu1()->findChild<QAction *>("mnuLogin");
    QVERIFY(MenuLogin && MenuLogin->isEnabled());
    Frm_WB->hide();
    RunJs(View, "window.marker = 2");
    MenuLogin->trigger();
    QCOMPARE(Script.Shown().size(), 2);
    QCOMPARE(Script.Shown()[1].Text, QString("按Ctrl+Alt+Q可快速隐藏该窗口"));
    // A load would report its start from this thread's loop within a few turns; 300 ms of
    // turns is ample, and the page's own state is checked too.
    QTest::qWait(300);
    QCOMPARE(Started.count(), 1);
    QCOMPARE(RunJs(View, "window.marker").toInt(), 2);
    QVERIFY(Frm_WB->isVisible());
}

void tst_Web::EveryShowingSetsTheSizeCentringOnlyTheFirst() {
    TFrm_WB *W = Frm_WB;
    QCOMPARE(W->size(), QSize(535, 468));
    W->NV(Portal::HomePage());
    QVERIFY(WaitFramed(W));
    QTRY_COMPARE(W->frameGeometry().size(), QSize(1000, 730));
    // Exactly centred where the window fits the screen (the test desktop); the small screen of the
    // offscreen platform nudges a window larger than itself by a pixel or two.
    const QPoint Centred = WorkCentredCorner(1000, 730);
    if (QGuiApplication::primaryScreen()->availableGeometry().width() >= 1000)
        QCOMPARE(W->frameGeometry().topLeft(), Centred);
    else
        QVERIFY((W->frameGeometry().topLeft() - Centred).manhattanLength() <= 4);

    // The user makes it smaller and moves it; hidden and shown again (as the portal hotkey
    // does), it takes the size back but stays where the user put it.
    // A user's drag has ended before the hotkey hides the window, so the move is let reach the
    // window manager first; hiding in the same breath races its placement of the window.
    W->resize(600, 400);
    W->move(20, 30);
    QTRY_COMPARE(W->frameGeometry().topLeft(), QPoint(20, 30));
    W->setVisible(false);
    W->setVisible(true);
    QVERIFY(WaitFramed(W));
    QTRY_COMPARE(W->frameGeometry().size(), QSize(1000, 730));
    QTRY_COMPARE(W->frameGeometry().topLeft(), QPoint(20, 30));

    // A user's resize comes after the window has settled in its frame.
    QTRY_VERIFY(!W->FittingFrame());
    QVERIFY(WaitResizeGranted(W, W->size()));
    W->resize(700, 500);
    QVERIFY(WaitResizeGranted(W, QSize(700, 500)));
    W->close();
    QVERIFY(!W->isVisible());
    W->NV(Portal::HomePage());
    QVERIFY(WaitFramed(W));
    QTRY_COMPARE(W->frameGeometry().size(), QSize(1000, 730));
    QTRY_COMPARE(W->frameGeometry().topLeft(), QPoint(20, 30));
}

void tst_Web::LastEntryKeepsTheFollowedLink() {
    FMain->Action("actPortal6")->trigger();
    QWebEngineView *View = WaitView(Frm_WB);
    QVERIFY(WaitPage(View, Portal::SectionPage(6)));
    QSignalSpy Started(View, &QWebEngineView::loadStarted);

    // Follow the guide's link to the first small game with a click into the page.
    const QVariantList At = RunJs(View, "(() => { const r = document.querySelector('a[href=\"games/"
                                        "2048.html\"]').getBoundingClientRect();"
                                        "return [r.left + r.width / 2, r.top + r.height / 2]; })()")
                                .toList();
    QCOMPARE(At.size(), 2);
    QWidget *Input = View->focusProxy();
    QVERIFY(Input);
    QTest::mouseClick(Input, Qt::LeftButton, {}, QPoint(At[0].toInt(), At[1].toInt()));
    QVERIFY(WaitPage(View, Portal::GamePage(1)));
    QCOMPARE(Started.count(), 1);

    // Hidden, then the same entry again: the window comes back with the page the user reached.
    Frm_WB->hide();
    FMain->Action("actPortal6")->trigger();
    // A load would report its start from this thread's loop within a few turns; 300 ms of
    // turns is ample, and the page's own state is checked too.
    QTest::qWait(300);
    QCOMPARE(Started.count(), 1);
    QVERIFY(Frm_WB->isVisible());
    QCOMPARE(RunJs(View, "location.href").toString(), Portal::GamePage(1));

    // Any other entry loads its own page.
    FMain->Action("actPortal5")->trigger();
    QVERIFY(WaitPage(View, Portal::SectionPage(5)));
    QCOMPARE(Started.count(), 2);
}

void tst_Web::EntriesReachTheirPages() {
    QMenu *Menu = FMain->PopupMenu1();
    for (int I = 1; I <= 6; ++I) {
        QAction *A = FMain->Action(QString("actPortal%1").arg(I));
        QVERIFY(A->isEnabled());
        A->trigger();
        QCOMPARE(Frm_WB->Url(), Portal::SectionPage(I));
    }
    for (int I = 1; I <= 5; ++I) {
        auto *A = Menu->findChild<QAction *>(QString("mnuGame%1").arg(I));
        QVERIFY(A && A->isEnabled());
        QCOMPARE(A->toolTip(), A->text());
        A->trigger();
        QCOMPARE(Frm_WB->Url(), Portal::GamePage(I));
    }
    // Eleven different pages, all of them inside the program.
    QStringList Seen;
    for (int I = 1; I <= 6; ++I)
        Seen << Portal::SectionPage(I);
    for (int I = 1; I <= 5; ++I)
        Seen << Portal::GamePage(I);
    Seen << Portal::HomePage() << Portal::AdvertPage();
    Seen.removeDuplicates();
    QCOMPARE(Seen.size(), 13);
    for (const QString &Url : Seen)
        QVERIFY2(QFile::exists(":" + QUrl(Url).path()), qPrintable(Url));

    // "更多小游戏" goes to the desktop's browser, and a launch that fails says nothing.
    Dialogs::TDialogScript Script;
    FFake.Shell->Result = false;
    auto *More = Menu->findChild<QAction *>("mnuMoreGames");
    QVERIFY(More && More->isEnabled());
    More->trigger();
    QCOMPARE(FFake.Shell->Opened.size(), size_t(1));
    QCOMPARE(QString::fromStdString(FFake.Shell->Opened[0].first), Portal::MoreGamesPage());
    QVERIFY(Portal::MoreGamesPage().startsWith("https://"));
    QVERIFY(Script.Shown().isEmpty());

    auto *Help = Menu->findChild<QAction *>("N35");
    QVERIFY(Help && Help->isEnabled());
    Help->trigger();
    QVERIFY(Frm_Help->isVisible());
    QAction *About = FMain->Action("actAbout");
    QVERIFY(About->isEnabled());
    About->trigger();
    QVERIFY(Frm_About->isVisible());
}

void tst_Web::AdvertStripComesWithTheFirstShowing() {
    FMain->FormCreate();
    // Nothing of the web engine is made while the window stays hidden. Work queued at start-up
    // runs within the loop's first passes; half a second of passes is ample.
    QVERIFY(!QTest::qWaitFor([this] { return FMain->wb1() != nullptr; }, 500));
    FMain->show();
    QWebEngineView *Strip = WaitView(FMain);
    QVERIFY(Strip);
    QCOMPARE(Strip->parentWidget()->objectName(), QString("pnl1"));
    auto *pnl2 = FMain->findChild<QWidget *>("pnl2");
    QCOMPARE(Strip->geometry(), QRect(0, 0, 372, 52));
    QCOMPARE(Strip->geometry().bottom() + 1, pnl2->geometry().top());
    QVERIFY(WaitPage(Strip, Portal::AdvertPage()));
}

void tst_Web::HiddenStripLetsItsPageGoThePortalKeepsIts() {
    using S = QWebEnginePage::LifecycleState;
    FMain->FormCreate();
    FMain->show();
    QWebEngineView *Strip = WaitView(FMain);
    QVERIFY(Strip);
    QVERIFY(WaitPage(Strip, Portal::AdvertPage()));
    QCOMPARE(Strip->property("discardAfterMs").toInt(), 60000);
    Frm_WB->NV(Portal::GamePage(1));
    QWebEngineView *View = WaitView(Frm_WB);
    QVERIFY(WaitPage(View, Portal::GamePage(1)));
    QCOMPARE(RunJs(View, "window.marker = 7").toInt(), 7);

    // A minute is long for a test: the strip's while is shortened here.
    Strip->setProperty("discardAfterMs", 50);
    Frm_WB->hide();
    FMain->hide();
    QTRY_COMPARE(Strip->page()->lifecycleState(), S::Discarded);
    // The portal's page has waited hidden as long as the strip's, and longer than the strip's
    // while: it is kept, with what the game had.
    QVERIFY(View->page()->lifecycleState() != S::Discarded);
    Frm_WB->show();
    QTRY_COMPARE(View->page()->lifecycleState(), S::Active);
    QCOMPARE(RunJs(View, "window.marker").toInt(), 7);

    // Shown again, the strip loads its page afresh.
    QSignalSpy Loaded(Strip, &QWebEngineView::loadFinished);
    FMain->show();
    QTRY_COMPARE(Strip->page()->lifecycleState(), S::Active);
    QTRY_VERIFY(!Loaded.isEmpty());
    QVERIFY(WaitPage(Strip, Portal::AdvertPage()));
}

void tst_Web::AboutTextsAndLinks() {
    TFrm_About *A = Frm_About;
    QCOMPARE(A->windowTitle(), QString("关于"));
    QCOMPARE(A->size(), QSize(315, 187));
    auto *Text = A->findChild<QLabel *>("lbl1");
    QCOMPARE(Text->text(), Disclaimer);
    QCOMPARE(Text->geometry(), QRect(8, 8, 300, 130));
    QVERIFY(Text->wordWrap());
    auto *Mail = A->findChild<QLabel *>("lbl3");
    QVERIFY(Mail->text().startsWith("作者邮箱:"));
    QVERIFY(Mail->text().contains('@'));
    QCOMPARE(Mail->pos(), QPoint(8, 144));
    QVERIFY(Mail->width() >= Mail->sizeHint().width());
    auto *Version = A->findChild<QLabel *>("lbl4");
    QCOMPARE(Version->text(), QString("当前版本:V1.0"));
    QCOMPARE(Version->pos(), QPoint(137, 161));
    auto *Button = A->findChild<QPushButton *>("btn1");
    QCOMPARE(Button->text(), QString("查看更新"));
    QCOMPARE(Button->geometry(), QRect(232, 156, 75, 25));

    auto *Link = A->findChild<TLinkLabel *>("lbl2");
    QCOMPARE(Link->text(), QString("支持我们 支持青石江湖"));
    QCOMPARE(Link->pos(), QPoint(176, 125));
    QVERIFY(Link->font().underline());
    QCOMPARE(Link->cursor().shape(), Qt::PointingHandCursor);
    const QPalette P = QApplication::palette();
    QCOMPARE(Link->palette().color(QPalette::WindowText), P.color(QPalette::Highlight));
    A->show();
    QTest::mouseClick(Link, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(FFake.Shell->Opened.size(), size_t(1));
    QCOMPARE(QString::fromStdString(FFake.Shell->Opened[0].first), Portal::SiteHomePage());
    QCOMPARE(Link->palette().color(QPalette::WindowText), P.color(QPalette::LinkVisited));

    // A failed launch of "查看更新" passes silently.
    Dialogs::TDialogScript Script;
    FFake.Shell->Result = false;
    QTest::mouseClick(Button, Qt::LeftButton);
    QCOMPARE(FFake.Shell->Opened.size(), size_t(2));
    QCOMPARE(QString::fromStdString(FFake.Shell->Opened[1].first), Portal::DownloadPage());
    QVERIFY(Portal::DownloadPage().startsWith("https://"));
    QVERIFY(Script.Shown().isEmpty());
    QVERIFY(A->isVisible());

    // Closing only hides; shown again it keeps its place.
    A->move(40, 50);
    A->close();
    QVERIFY(!A->isVisible());
    A->show();
    QCOMPARE(A->pos(), QPoint(40, 50));
}

void tst_Web::HelpTextAndButton() {
    TFrm_Help *H = Frm_Help;
    QCOMPARE(H->windowTitle(), QString("帮助"));
    QCOMPARE(H->size(), QSize(299, 218));
    auto *Text = H->findChild<TLineLabel *>("Label1");
    QCOMPARE(Text->text(), HelpText);
    QCOMPARE(Text->pos(), QPoint(8, 8));
    QCOMPARE(Text->width(), 276);
    H->show();
    // Once shown: at least its design height, grown so that no line is cut, and clear of the
    // button.
    QVERIFY(Text->height() >= 130);
    QVERIFY(Text->height() >= Text->TextHeight());
    QVERIFY(Text->geometry().bottom() < 184);
    // The lines separated by CR alone are drawn as lines of their own, exactly as a label with
    // line feeds draws them; a plain label runs them together.
    QString WithFeeds = HelpText;
    WithFeeds.replace('\r', '\n');
    QLabel Fed(WithFeeds), Plain(HelpText);
    for (QLabel *L : {&Fed, &Plain}) {
        L->setFont(Text->font());
        L->setWordWrap(true);
        L->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        L->resize(Text->size());
    }
    QCOMPARE(Render(Text), Render(&Fed));
    QVERIFY(Render(Text) != Render(&Plain));

    H->show();
    QVERIFY(H->isVisible());
    auto *Ok = H->findChild<QPushButton *>("btn1");
    QCOMPARE(Ok->text(), QString("确定"));
    QCOMPARE(Ok->geometry(), QRect(216, 184, 75, 25));
    QTest::mouseClick(Ok, Qt::LeftButton);
    QVERIFY(!H->isVisible());
    H->show();
    QVERIFY(H->isVisible());
}

int main(int argc, char **argv) {
    PrepareWebEngine();
    QApplication App(argc, argv);
    tst_Web Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_web.moc"
