#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

// Reminders that were due but not yet shown when the program ended (waiting for a window, or
// found in the last second) are kept in PendingReminders.txt beside cfg.ini, one line each as the
// notice of tasks not reminded names them, and named in that notice at the next start. A plain
// file, so that the task database keeps its schema for the programs that share it.
namespace PendingReminders {

// The file; empty while no configuration has been set up.
QString FileName();
// Replaces the lines kept; no lines remove the file.
void Save(const QStringList &Lines);
// Adds lines after those kept.
void Append(const QStringList &Lines);
// The lines kept, the file removed.
QStringList Take();
// How the notice names an occurrence: its local date and time, and the task's name.
QString Line(const QDate &Date, const QTime &Time, const QString &Name);

} // namespace PendingReminders
