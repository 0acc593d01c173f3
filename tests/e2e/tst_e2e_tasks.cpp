// The whole program on the virtual desktop: tasks put into its DB.mdb while it runs come up as
// reminder windows at the bottom right of the screen at their second.
#include <QDateTime>
#include <QFile>
#include <QTest>

#include "../tasks/TaskTestSupport.h"
#include "AppProcess.h"
#include "tasks/OleDate.h"

namespace {

QSize ScreenSize() {
    const QStringList Parts = X11::XDoTool({"getdisplaygeometry"}).split(' ');
    return Parts.size() == 2 ? QSize(Parts[0].toInt(), Parts[1].toInt()) : QSize();
}

// A start second a few seconds ahead, far enough for the next poll to see the row.
QDateTime StartSecondAhead(int Seconds) {
    const QDateTime Now = QDateTime::currentDateTime().addSecs(Seconds);
    return QDateTime(Now.date(),
                     QTime(Now.time().hour(), Now.time().minute(), Now.time().second()));
}

// A file name of its own: the single-instance guard is per file name, and another copy of the
// program may be running on the same machine.
QString ExeName() {
    return QString("qingchuan-tasks-%1").arg(QCoreApplication::applicationPid());
}

} // namespace

class TE2eTasksTest : public QObject {
    Q_OBJECT

private slots:
    void dailyTaskComesUpAtItsSecond() {
        TAppProcess App(ExeName());
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        QVERIFY(X11::FindWindows("提醒").isEmpty());
        const QDateTime Start = StartSecondAhead(3);
        {
            TTaskTable Rows(App.Dir() + "DB.mdb");
            QVERIFY(!Rows.Insert("站起来走走", Start.date(), Start.time(), "每天", "定时提醒",
                                 "每小时一次")
                         .isEmpty());
        }
        const QString Window = X11::WaitForWindow("提醒", 10000);
        const QDateTime Seen = QDateTime::currentDateTime();
        QVERIFY(!Window.isEmpty());
        const qint64 Late = Start.msecsTo(Seen);
        QVERIFY2(Late >= -100 && Late < 1000, qPrintable(QString("%1 ms after").arg(Late)));

        // At rest on the bottom right corner.
        QTest::qWait(800);
        const QSize Screen = ScreenSize();
        const QRect R = X11::Geometry(Window);
        QCOMPARE(R.size(), QSize(255, 159));
        QVERIFY2(R.right() < Screen.width() && R.right() >= Screen.width() - 12,
                 qPrintable(QString("right edge %1 of %2").arg(R.right()).arg(Screen.width())));
        QVERIFY2(R.bottom() < Screen.height() && R.bottom() >= Screen.height() - 12,
                 qPrintable(QString("bottom %1 of %2").arg(R.bottom()).arg(Screen.height())));
    }

    void twoTasksTwoWindowsAndTheActionAfterTheRest() {
        TAppProcess App(ExeName());
        QVERIFY2(App.Start(), qPrintable(App.Output()));
        const QDateTime Start = StartSecondAhead(3);
        {
            TTaskTable Rows(App.Dir() + "DB.mdb");
            QVERIFY(!Rows.Insert("一", Start.date(), Start.time()).isEmpty());
            QVERIFY(
                !Rows.Insert("二", Start.date(), Start.time(), "指定日期", "定时关机").isEmpty());
        }
        QVERIFY(!X11::WaitForWindow("提醒", 10000).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(X11::FindWindows("提醒").size(), 2, 1000);
        // The shutdown task asks for the power-off (redirected to a file here) once its window
        // has rested, not at its start second.
        const QString Log = App.Dir() + "poweroff.log";
        QVERIFY(!QFile::exists(Log));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Log), 14000);
        QVERIFY(Start.msecsTo(QDateTime::currentDateTime()) >= 9500);
        // Both windows sink away and are gone.
        QVERIFY(X11::WaitForNoWindow("提醒", 5000));
        QVERIFY(App.IsRunning());
    }
};

QTEST_MAIN(TE2eTasksTest)
#include "tst_e2e_tasks.moc"
