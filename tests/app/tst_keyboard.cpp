// The keyboard in the program's own windows, key by key (offscreen): Enter presses a focused
// button, Escape closes the information windows, the tab keys work from the advertisement strip,
// which marks itself while it has the keyboard, and a portal page takes keys as soon as it is
// opened.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QWebEngineView>

#include "TestSupport.h"
#include "WebTestSupport.h"
#include "app/About.h"
#include "app/AppWindows.h"
#include "app/Help.h"
#include "app/Main.h"
#include "app/PageControl.h"
#include "app/Portal.h"
#include "app/Web.h"
#include "dialogs/Keyboard.h"

namespace {

template <class TForm> QWebEngineView *WaitView(TForm *Form) {
    if (!QTest::qWaitFor([Form] { return Form->wb1() != nullptr; }, 10000))
        return nullptr;
    return qobject_cast<QWebEngineView *>(Form->wb1());
}

bool FocusIn(QWidget *W) {
    QWidget *F = QApplication::focusWidget();
    return F && (F == W || W->isAncestorOf(F));
}

} // namespace

class tst_Keyboard : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void InformationWindows_data();
    void InformationWindows();
    void TabKeysFromTheStrip();
    void PortalPageTakesKeysAtOnce();

private:
    std::unique_ptr<TTestConfig> FConfig;
    TFakePlatform FFake;
    TFrm_Main *FMain = nullptr;
};

void tst_Keyboard::init() {
    FConfig = std::make_unique<TTestConfig>(true);
    FFake = TFakePlatform();
    Frm_WB = new TFrm_WB;
    Frm_About = new TFrm_About(FFake.Shell);
    Frm_Help = new TFrm_Help;
    FMain = new TFrm_Main(FFake.Platform());
    FMain->SetWindows({.WB = Frm_WB, .About = Frm_About, .Help = Frm_Help});
    Frm_Main = FMain;
}

void tst_Keyboard::cleanup() {
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

void tst_Keyboard::InformationWindows_data() {
    QTest::addColumn<QString>("Window");
    QTest::addColumn<QString>("Focus"); // the button given the focus first, or none
    QTest::addColumn<int>("Key");
    QTest::addColumn<bool>("Closes");
    QTest::addColumn<int>("Opened"); // addresses the shell was asked to open

    QTest::newRow("Help: Return on 确定") << "Frm_Help"
                                          << "btn1" << int(Qt::Key_Return) << true << 0;
    QTest::newRow("Help: keypad Enter on 确定") << "Frm_Help"
                                                << "btn1" << int(Qt::Key_Enter) << true << 0;
    QTest::newRow("Help: Escape") << "Frm_Help"
                                  << "" << int(Qt::Key_Escape) << true << 0;
    QTest::newRow("About: Escape") << "Frm_About"
                                   << "" << int(Qt::Key_Escape) << true << 0;
    QTest::newRow("About: Escape on 查看更新") << "Frm_About"
                                               << "btn1" << int(Qt::Key_Escape) << true << 0;
    QTest::newRow("About: Return on 查看更新") << "Frm_About"
                                               << "btn1" << int(Qt::Key_Return) << false << 1;
    QTest::newRow("About: a letter does nothing") << "Frm_About"
                                                  << "btn1" << int(Qt::Key_A) << false << 0;
}

void tst_Keyboard::InformationWindows() {
    QFETCH(QString, Window);
    QFETCH(QString, Focus);
    QFETCH(int, Key);
    QFETCH(bool, Closes);
    QFETCH(int, Opened);
    // As the program does at start-up.
    Keyboard::InstallButtonKeys(qApp);
    QWidget *W = Window == "Frm_Help" ? static_cast<QWidget *>(Frm_Help) : Frm_About;
    W->show();
    QVERIFY(QTest::qWaitForWindowActive(W));
    QWidget *Target = W;
    if (!Focus.isEmpty()) {
        Target = W->findChild<QPushButton *>(Focus);
        Target->setFocus();
        QTRY_VERIFY(Target->hasFocus());
    }
    QTest::keyClick(Target, Qt::Key(Key),
                    Key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    // A pressed button clicks once its short pressed look (100 ms) is over; where nothing is to
    // happen, twice that and the event loop's passes are ample.
    if (Closes)
        QTRY_VERIFY(!W->isVisible());
    else if (Opened > 0)
        QTRY_COMPARE(FFake.Shell->Opened.size(), size_t(Opened));
    else
        QTest::qWait(200);
    QCOMPARE(FFake.Shell->Opened.size(), size_t(Opened));
    QCOMPARE(W->isVisible(), !Closes);
}

void tst_Keyboard::TabKeysFromTheStrip() {
    FMain->FormCreate();
    FMain->show();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    QWebEngineView *Strip = WaitView(FMain);
    QVERIFY(Strip);
    QVERIFY(WaitPage(Strip, Portal::AdvertPage()));
    auto *Mark = FMain->findChild<QWidget *>("pnl2");
    QCOMPARE(Mark->backgroundRole(), QPalette::Window);
    Strip->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(FocusIn(Strip));
    // The thin panel under the strip marks where the keyboard is.
    QCOMPARE(Mark->backgroundRole(), QPalette::Highlight);

    TPageControl *Tabs = FMain->PageControl1();
    const int First = Tabs->currentIndex();
    const struct {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        int Step;
    } Presses[] = {{Qt::Key_Tab, Qt::ControlModifier, 1},
                   {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, -1},
                   {Qt::Key_PageDown, Qt::ControlModifier, 1},
                   {Qt::Key_PageUp, Qt::ControlModifier, -1}};
    int Expected = First;
    for (const auto &P : Presses) {
        // The page has the key first and hands back those it does not use.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(P.Key), P.Modifiers);
        Expected = (Expected + P.Step + Tabs->count()) % Tabs->count();
        QTRY_COMPARE(Tabs->currentIndex(), Expected);
        QVERIFY(FocusIn(Strip));
    }
    // Out of the strip, the mark goes.
    Tabs->setFocus();
    QTRY_COMPARE(Mark->backgroundRole(), QPalette::Window);
}

void tst_Keyboard::PortalPageTakesKeysAtOnce() {
    // Opened from the menu (小游戏 → 2048): the arrow keys move the tiles without a click first.
    Frm_WB->NV(Portal::GamePage(1));
    QWebEngineView *View = WaitView(Frm_WB);
    QVERIFY(View);
    QVERIFY(WaitPage(View, Portal::GamePage(1)));
    QVERIFY(QTest::qWaitForWindowActive(Frm_WB));
    QTRY_VERIFY(FocusIn(View));
    QCOMPARE(RunJs(View, "gameState().moves").toInt(), 0);
    for (Qt::Key Key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down})
        QTest::keyClick(QApplication::focusWidget(), Key);
    QTRY_VERIFY(RunJs(View, "gameState().moves").toInt() > 0);

    // Hidden and shown again by the portal hotkey, after the keyboard went elsewhere.
    Frm_WB->hide();
    FMain->show();
    QVERIFY(QTest::qWaitForWindowActive(FMain));
    Frm_WB->show();
    Frm_WB->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Frm_WB));
    QTRY_VERIFY(FocusIn(View));
}

int main(int argc, char **argv) {
    PrepareWebEngine();
    QApplication App(argc, argv);
    tst_Keyboard Test;
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_keyboard.moc"
