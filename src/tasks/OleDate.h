#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

// Dates and times as table Task stores them: OLE Automation dates, a double counting days since
// 1899-12-30 whose fraction is the time of day.
namespace OleDate {

constexpr qint64 SecondsPerDay = 86400;
constexpr qint64 MSecsPerDay = SecondsPerDay * 1000;

// A / B rounded toward minus infinity (times before a day's start are still on that day's side).
constexpr qint64 FloorDiv(qint64 A, qint64 B) {
    return A / B - ((A % B != 0) && ((A < 0) != (B < 0)) ? 1 : 0);
}

// Day zero of the count.
QDate Epoch();

// A date without time: whole days.
double FromDate(const QDate &Date);
// A time of day without date: the fraction of a day, to the whole second.
double FromTime(const QTime &Time);
double FromDateTime(const QDateTime &DateTime);

// The range of days an OLE date can hold: 0100-01-01 to 9999-12-31.
constexpr double MinDays = -657434.0;
constexpr double MaxDaysEnd = 2958466.0; // the first day after the last one

// The date part (the value truncated toward zero; before day zero, the fraction still counts
// forward from midnight, as OLE dates do). A value outside the range above, NaN or infinite is
// bad data (a file written by another program, or damaged): the result is an invalid QDate.
QDate ToDate(double Value);
// The time-of-day part, to the millisecond.
QTime ToTime(double Value);
// The second of the day at which a time value starts, rounded as the task table's index rounds
// it: CAST(round(value * 86400) AS INTEGER).
qint64 SecondOfDay(double Value);

// Local wall-clock milliseconds counted from day zero: the scale on which the scheduler lays out
// start seconds. Wall-clock, not elapsed time, because tasks start at a time of day.
qint64 WallMSecs(const QDateTime &DateTime);
QDate DayOfWallSecond(qint64 WallSecond);

// The texts the program shows dates and times in: the locale's short date, and the locale's long
// time (hours, minutes, seconds) without the zone name that Qt's long format adds.
QString ShortDateText(const QDate &Date);
QString LongTimeText(const QTime &Time);

} // namespace OleDate
