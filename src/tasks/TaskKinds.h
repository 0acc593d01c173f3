#pragma once

#include <QString>
#include <QStringList>

// The words table Task stores for a task's recurrence (执行方式) and its kind (任务类型), and the
// names of its columns. The editor offers the choices in the order listed here.
namespace TaskKinds {

// Recurrences.
inline const QString Daily = QStringLiteral("每天");
inline const QString Weekly = QStringLiteral("每星期");
inline const QString Monthly = QStringLiteral("每月");
inline const QString Yearly = QStringLiteral("每年");
inline const QString OnDate = QStringLiteral("指定日期");
inline QStringList ExecTypes() {
    return {Daily, Weekly, Monthly, Yearly, OnDate};
}

// What happens when a task falls due.
inline const QString Remind = QStringLiteral("定时提醒");
inline const QString Execute = QStringLiteral("定时执行");
inline const QString Shutdown = QStringLiteral("定时关机");
inline QStringList TaskTypes() {
    return {Remind, Execute, Shutdown};
}

} // namespace TaskKinds

// The columns of table Task.
namespace TaskColumns {
inline constexpr char ID[] = "ID";
inline constexpr char Name[] = "任务名称";
inline constexpr char StartDate[] = "开始日期";
inline constexpr char StartTime[] = "开始时间";
inline constexpr char TaskType[] = "任务类型";
inline constexpr char Msg[] = "内容";
inline constexpr char ExecTarget[] = "执行目标";
inline constexpr char ExecType[] = "执行方式";
} // namespace TaskColumns
