#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTimeZone>
#include <QVariant>

#include "tasks/Clock.h"
#include "tasks/OleDate.h"

// A clock that shows what the test sets.
class TFixedClock : public TClock {
public:
    explicit TFixedClock(const QDateTime &Value = QDateTime()) : Value(Value) {}
    QDateTime Now() const override { return Value; }
    QDateTime Value;
};

// A clock the test moves on both scales: a moment (ms since 1970, UTC) read in a zone of the
// test's choice, and the elapsed scale, which setting the time of day leaves alone.
class TFakeClock : public TClock {
public:
    TFakeClock(const QTimeZone &Zone, const QDateTime &Start) : Zone(Zone) {
        Utc = Start.toMSecsSinceEpoch();
    }
    QDateTime Now() const override { return QDateTime::fromMSecsSinceEpoch(Utc, Zone); }
    qint64 ElapsedMs() const override { return Elapsed; }
    // Time passes (also while the process is frozen).
    void Advance(qint64 Ms) {
        Utc += Ms;
        Elapsed += Ms;
    }
    // The time of day is set (a computer asleep: its elapsed clock stands still).
    void SetWallBy(qint64 Ms) { Utc += Ms; }
    QTimeZone Zone;
    qint64 Utc = 0;
    qint64 Elapsed = 1000000;
};

// A connection of the test's own to a DB.mdb, for putting rows in and reading them back.
class TTaskTable {
public:
    explicit TTaskTable(const QString &File, const QString &Name = "test.rows") : FName(Name) {
        QSqlDatabase Db = QSqlDatabase::addDatabase("QSQLITE", FName);
        Db.setDatabaseName(File);
        Db.open();
    }
    ~TTaskTable() {
        QSqlDatabase::database(FName, false).close();
        QSqlDatabase::removeDatabase(FName);
    }
    QSqlDatabase Db() const { return QSqlDatabase::database(FName, false); }
    // Inserts a row and returns its ID as text (empty on failure).
    QString Insert(const QString &Name, const QDate &Date, const QTime &Time,
                   const QString &ExecType = "每天", const QString &TaskType = "定时提醒",
                   const QString &Msg = QString(), const QString &Target = QString()) {
        QSqlQuery Q(Db());
        Q.prepare(
            "INSERT INTO Task (任务名称, 开始日期, 开始时间, 任务类型, 内容, 执行目标, 执行方式) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)");
        Q.addBindValue(Name);
        Q.addBindValue(OleDate::FromDate(Date));
        Q.addBindValue(OleDate::FromTime(Time));
        Q.addBindValue(TaskType);
        Q.addBindValue(Msg);
        Q.addBindValue(Target);
        Q.addBindValue(ExecType);
        if (!Q.exec())
            return {};
        return Q.lastInsertId().toString();
    }
    bool Exec(const QString &Sql) {
        QSqlQuery Q(Db());
        return Q.exec(Sql);
    }
    QVariant Value(const QString &Sql) {
        QSqlQuery Q(Db());
        return Q.exec(Sql) && Q.next() ? Q.value(0) : QVariant();
    }

private:
    QString FName;
};
