// The reminder window on a desktop that tiles or centres every window it manages (sway): it
// keeps its corner as a window the window manager leaves alone, and its own button closes it.
// Elsewhere it stays an ordinary framed window.
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QToolButton>

#include "TestSupport.h"
#include "tasks/Pop.h"

class tst_PopTiling : public QObject {
    Q_OBJECT

    TFakePlatform FPlatform;

private slots:
    void onSwayRestsInTheCornerAndClosesByItsButton() {
        const TEnvSet Sock("SWAYSOCK", nullptr);
        const TEnvSet Desktop("XDG_CURRENT_DESKTOP", "sway");
        QPointer<TFrm_Pop> Pop = new TFrm_Pop(FPlatform.Shell, FPlatform.Power);
        Pop->SetReleaseOnClose(true);
        Pop->SetTaskType("定时执行");
        Pop->SetExecTarget("https://example.org/");
        Pop->Timer2()->setInterval(60000);
        QVERIFY(Pop->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
        QVERIFY(Pop->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        Pop->Pop();
        QTRY_VERIFY(Pop->Timer2()->isActive());
        const QRect Work = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(Pop->frameGeometry().bottomRight(), Work.bottomRight());
        QCOMPARE(Pop->size(), QSize(255, 159));

        auto *Close = Pop->findChild<QToolButton *>("btnClose");
        QVERIFY(Close && Close->isVisible());
        // The button and the first line share the top row without overlapping.
        QVERIFY(!Close->geometry().intersects(Pop->Label1()->geometry()));
        QVERIFY(Pop->rect().contains(Close->geometry()));
        QTest::mouseClick(Close, Qt::LeftButton);
        QVERIFY(!Pop->isVisible());
        // As with the frame's close button, the task's action still follows the rest.
        Pop->Timer2()->setInterval(10);
        Pop->Timer2()->start();
        QTRY_VERIFY(Pop.isNull());
        QCOMPARE(FPlatform.Shell->Opened.size(), size_t(1));
    }

    void elsewhereAnOrdinaryWindow() {
        const TEnvSet Sock("SWAYSOCK", nullptr);
        const TEnvSet Desktop("XDG_CURRENT_DESKTOP", "KDE");
        TFrm_Pop Pop;
        QVERIFY(!Pop.windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
        QVERIFY(!Pop.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!Pop.findChild<QToolButton *>("btnClose"));
    }
};

QTEST_MAIN(tst_PopTiling)
#include "tst_pop_tiling.moc"
