#include "OleDate.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace OleDate {

QDate Epoch() {
    return QDate(1899, 12, 30);
}

double FromDate(const QDate &Date) {
    return static_cast<double>(Epoch().daysTo(Date));
}

double FromTime(const QTime &Time) {
    return Time.msecsSinceStartOfDay() / 1000 / static_cast<double>(SecondsPerDay);
}

double FromDateTime(const QDateTime &DateTime) {
    const double Days = FromDate(DateTime.date());
    const double Frac = DateTime.time().msecsSinceStartOfDay() / static_cast<double>(MSecsPerDay);
    // Before day zero the fraction is counted away from zero, as OLE dates do.
    return Days < 0 ? Days - Frac : Days + Frac;
}

QDate ToDate(double Value) {
    // Compared before any conversion: casting a double beyond the range of qint64 (or NaN) to an
    // integer is undefined. NaN fails both comparisons.
    if (!(Value > MinDays - 1 && Value < MaxDaysEnd))
        return QDate();
    return Epoch().addDays(static_cast<qint64>(std::trunc(Value)));
}

QTime ToTime(double Value) {
    if (!std::isfinite(Value))
        return QTime(0, 0);
    const double Frac = std::fabs(Value - std::trunc(Value));
    qint64 MSecs = std::llround(Frac * MSecsPerDay);
    if (MSecs >= MSecsPerDay)
        MSecs = MSecsPerDay - 1;
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(MSecs));
}

qint64 SecondOfDay(double Value) {
    return std::llround(Value * SecondsPerDay);
}

qint64 WallMSecs(const QDateTime &DateTime) {
    return Epoch().daysTo(DateTime.date()) * MSecsPerDay + DateTime.time().msecsSinceStartOfDay();
}

QDate DayOfWallSecond(qint64 WallSecond) {
    return Epoch().addDays(FloorDiv(WallSecond, SecondsPerDay));
}

QString ShortDateText(const QDate &Date) {
    return QLocale().toString(Date, QLocale::ShortFormat);
}

QString LongTimeText(const QTime &Time) {
    QString Format = QLocale().timeFormat(QLocale::LongFormat);
    // Qt's long format ends in the zone name ("t"); a time of day read from the table has none.
    Format.remove(QRegularExpression("\\s*\\bt+\\b\\s*"));
    if (!Format.contains('s'))
        Format = "HH:mm:ss";
    return QLocale().toString(Time, Format.trimmed());
}

} // namespace OleDate
