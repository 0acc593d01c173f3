// The delay from a task's start second to its OnRemind, over 100 tasks, with the real clock and
// the scheduler's own timers.
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <chrono>

#include "BenchSupport.h"
#include "tasks/OleDate.h"
#include "tasks/TaskManager.h"

namespace {

constexpr int Tasks = 100;
constexpr int PerSecond = 4;
std::vector<double> Delays;

void Remind(TTask *Task) {
    // Microseconds: the delays are far below a millisecond.
    const auto NowUs = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    const QDateTime Due(QDate::currentDate(), OleDate::ToTime(Task->StartTime));
    Delays.push_back((NowUs - Due.toMSecsSinceEpoch() * 1000) / 1000.0);
    if (static_cast<int>(Delays.size()) == Tasks)
        QCoreApplication::quit();
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    TBenchFolder Folder;
    const QDateTime First = QDateTime::currentDateTime().addSecs(3);
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase("QSQLITE", "fill");
        Db.setDatabaseName(Folder.DbFile());
        Db.open();
        // One transaction: the rows must be in before the first of them is due.
        Db.transaction();
        QSqlQuery Q(Db);
        Q.prepare("INSERT INTO Task (任务名称, 开始日期, 开始时间, 任务类型, 执行方式) "
                  "VALUES (?, ?, ?, '定时提醒', '每天')");
        for (int I = 0; I < Tasks; ++I) {
            const QDateTime Due = First.addSecs(I / PerSecond);
            Q.addBindValue(QString("task %1").arg(I));
            Q.addBindValue(OleDate::FromDate(Due.date().addDays(-1)));
            Q.addBindValue(OleDate::FromTime(Due.time()));
            Q.exec();
        }
        Q.finish();
        Db.commit();
        Db.close();
    }
    QSqlDatabase::removeDatabase("fill");

    TTaskManager Mgr(std::make_shared<TSystemClock>());
    Mgr.SetOnRemind(&Remind);
    Mgr.Start();
    QTimer::singleShot((Tasks / PerSecond + 10) * 1000, &App, &QCoreApplication::quit);
    App.exec();
    std::printf("start second to OnRemind, %zu of %d tasks: median %.3f ms, p99 %.3f ms, max "
                "%.3f ms\n",
                Delays.size(), Tasks, Percentile(Delays, 0.5), Percentile(Delays, 0.99),
                Percentile(Delays, 1.0));
    return static_cast<int>(Delays.size()) == Tasks ? 0 : 1;
}
