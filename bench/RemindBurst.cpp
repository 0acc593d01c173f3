// Peak memory when 1,000 tasks fall due in the same second, with the real scheduler, the real
// remind procedure and real reminder windows. Run on a desktop (scripts/desktop.sh) or with
// QT_QPA_PLATFORM=offscreen:
//   build/bin/bench_remind_burst              the program's way: a few windows, the rest queued
//   build/bin/bench_remind_burst --window-each a window for every task at once, for comparison
#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

#include "BenchSupport.h"
#include "app/TaskRemind.h"
#include "tasks/OleDate.h"
#include "tasks/Pop.h"
#include "tasks/TaskManager.h"

namespace {

constexpr int Tasks = 1000;
int Fired = 0;
bool WindowEach = false;

void Remind(TTask *Task) {
    ++Fired;
    if (!WindowEach) {
        TaskManagerRemind(Task);
        return;
    }
    auto *Pop = new TFrm_Pop;
    Pop->SetReleaseOnClose(true);
    Pop->SetTaskName(Task->Name);
    Pop->SetStartDate(Task->StartDate);
    Pop->SetStartTime(Task->StartTime);
    Pop->SetTaskMsg(Task->Msg);
    Pop->Pop();
}

long PeakRssKiB() {
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    return Usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv) {
    QApplication App(argc, argv);
    WindowEach = App.arguments().contains("--window-each");
    TBenchFolder Folder;
    const QDateTime Due = QDateTime::currentDateTime().addSecs(3);
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase("QSQLITE", "fill");
        Db.setDatabaseName(Folder.DbFile());
        Db.open();
        Db.transaction();
        QSqlQuery Q(Db);
        Q.prepare("INSERT INTO Task (任务名称, 开始日期, 开始时间, 任务类型, 内容, 执行方式) "
                  "VALUES (?, ?, ?, '定时提醒', ?, '每天')");
        for (int I = 0; I < Tasks; ++I) {
            Q.addBindValue(QString("任务 %1").arg(I));
            Q.addBindValue(OleDate::FromDate(Due.date().addDays(-1)));
            Q.addBindValue(OleDate::FromTime(Due.time()));
            Q.addBindValue(QString("第 %1 个任务的内容").arg(I));
            if (!Q.exec()) {
                std::fprintf(stderr, "cannot fill the table: %s\n",
                             qPrintable(Q.lastError().text()));
                return 1;
            }
        }
        Q.finish();
        Db.commit();
        Db.close();
    }
    QSqlDatabase::removeDatabase("fill");
    const long Before = PeakRssKiB();

    TTaskManager Mgr(std::make_shared<TSystemClock>());
    Mgr.SetOnRemind(&Remind);
    Mgr.Start();
    // Once every task has fired, the windows are given two seconds to come up and rest.
    QTimer Watch;
    Watch.setInterval(50);
    QObject::connect(&Watch, &QTimer::timeout, [&] {
        if (Fired < Tasks)
            return;
        Watch.stop();
        QTimer::singleShot(2000, [&] {
            int Windows = 0;
            for (QWidget *W : QApplication::topLevelWidgets())
                Windows += qobject_cast<TFrm_Pop *>(W) && W->isVisible() ? 1 : 0;
            std::printf("%s: %d tasks due at once, %d windows up, %d waiting; peak RSS %.1f MiB "
                        "(%.1f MiB before the burst)\n",
                        WindowEach ? "a window each" : "queued", Tasks, Windows, RemindersWaiting(),
                        PeakRssKiB() / 1024.0, Before / 1024.0);
            std::fflush(stdout);
            // Not quit(): that first asks every window to close, which a reminder refuses.
            QCoreApplication::exit(0);
        });
    });
    Watch.start();
    return App.exec();
}
