// The cost of one poll of the scheduler with 100,000 rows in table Task, and of the same selection
// with and without the index on the start second.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "BenchSupport.h"
#include "tasks/OleDate.h"
#include "tasks/TaskManager.h"

namespace {

class TBenchClock : public TClock {
public:
    QDateTime Now() const override { return Value; }
    QDateTime Value;
};

constexpr int Rows = 100000;
constexpr int Polls = 2000;

double SelectionMedian(QSqlDatabase Db, bool Indexed, int Runs) {
    QString Sql = TTaskManager::SelectSql();
    if (!Indexed)
        Sql.replace("FROM Task", "FROM Task NOT INDEXED");
    QSqlQuery Q(Db);
    Q.setForwardOnly(true);
    if (!Q.prepare(Sql))
        qFatal("%s", qPrintable(Q.lastError().text()));
    std::vector<double> Ms;
    for (int I = 0; I < Runs; ++I) {
        const int Second = 36000 + I;
        QElapsedTimer T;
        T.start();
        Q.bindValue(0, Second - 1);
        Q.bindValue(1, Second);
        Q.exec();
        while (Q.next())
            Q.value(0);
        Q.finish();
        Ms.push_back(T.nsecsElapsed() / 1e6);
    }
    return Percentile(Ms, 0.5);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication App(argc, argv);
    TBenchFolder Folder;
    {
        QSqlDatabase Db = QSqlDatabase::addDatabase("QSQLITE", "fill");
        Db.setDatabaseName(Folder.DbFile());
        Db.open();
        Db.transaction();
        QSqlQuery Q(Db);
        Q.prepare(
            "INSERT INTO Task (任务名称, 开始日期, 开始时间, 任务类型, 内容, 执行目标, 执行方式) "
            "VALUES (?, ?, ?, '定时提醒', '', '', ?)");
        const char *Types[] = {"每天", "每星期", "每月", "每年", "指定日期"};
        QRandomGenerator Random(42);
        for (int I = 0; I < Rows; ++I) {
            Q.addBindValue(QString("task %1").arg(I));
            Q.addBindValue(OleDate::FromDate(QDate(2024, 1, 1).addDays(Random.bounded(365))));
            Q.addBindValue(Random.bounded(86400) / 86400.0);
            Q.addBindValue(QString(Types[Random.bounded(5)]));
            Q.exec();
        }
        Db.commit();
        Q.exec("ANALYZE");
        Q.finish();
        const double Indexed = SelectionMedian(Db, true, 2000);
        const double Scan = SelectionMedian(Db, false, 50);
        std::printf("selection of one second, %d rows: indexed median %.4f ms, without index "
                    "median %.3f ms, ratio %.0fx\n",
                    Rows, Indexed, Scan, Scan / Indexed);
        Db.close();
    }
    QSqlDatabase::removeDatabase("fill");

    // Whole polls: a fresh connection, the selection, the recurrence tests, the pending tasks.
    auto Clock = std::make_shared<TBenchClock>();
    const QDateTime Begin(QDate(2025, 3, 10), QTime(8, 0, 0, 500));
    std::vector<double> Ms;
    std::unique_ptr<TTaskManager> Mgr;
    int Taken = 0;
    for (int I = 0; I < Polls; ++I) {
        // A new manager now and then, so the pending list stays as short as in real use (it
        // holds the tasks of the coming second); its first poll is left out of the figures.
        if (I % 100 == 0) {
            Mgr = std::make_unique<TTaskManager>(Clock);
            Clock->Value = Begin.addSecs(I);
            Mgr->PollTasks();
            continue;
        }
        Clock->Value = Begin.addSecs(I);
        const int Before = Mgr->PendingCount();
        QElapsedTimer T;
        T.start();
        Mgr->PollTasks();
        Ms.push_back(T.nsecsElapsed() / 1e6);
        Taken += Mgr->PendingCount() - Before;
    }
    Mgr.reset();
    std::printf("one poll, %d rows: median %.3f ms, p99 %.3f ms (%zu polls, %d tasks taken)\n",
                Rows, Percentile(Ms, 0.5), Percentile(Ms, 0.99), Ms.size(), Taken);
    return 0;
}
