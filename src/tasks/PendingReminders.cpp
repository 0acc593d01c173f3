#include "PendingReminders.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "OleDate.h"
#include "config/Config.h"
#include "dialogs/Error.h"

namespace PendingReminders {

namespace {

constexpr qint64 MaxBytes = 4 * 1024 * 1024;

QStringList Read(const QString &File) {
    QFile In(File);
    if (!In.open(QIODevice::ReadOnly))
        return {};
    // A file grown by something else is not read into memory whole.
    const QString Text = QString::fromUtf8(In.read(MaxBytes));
    QStringList Lines;
    for (const QString &Line : Text.split('\n'))
        if (!Line.trimmed().isEmpty())
            Lines << Line;
    return Lines;
}

} // namespace

QString FileName() {
    try {
        return QFileInfo(Config().IniFileName()).absolutePath() + "/PendingReminders.txt";
    } catch (const EError &) {
        return {};
    }
}

void Save(const QStringList &Lines) {
    const QString File = FileName();
    if (File.isEmpty())
        return;
    if (Lines.isEmpty()) {
        QFile::remove(File);
        return;
    }
    // Written whole and then renamed over the old file: an end of the program halfway leaves
    // the old list, never half a new one.
    QSaveFile Out(File);
    if (Out.open(QIODevice::WriteOnly)) {
        Out.write((Lines.join('\n') + '\n').toUtf8());
        Out.commit();
    }
}

void Append(const QStringList &Lines) {
    if (!Lines.isEmpty())
        Save(Read(FileName()) + Lines);
}

QStringList Take() {
    const QString File = FileName();
    if (File.isEmpty())
        return {};
    const QStringList Lines = Read(File);
    QFile::remove(File);
    return Lines;
}

QString Line(const QDate &Date, const QTime &Time, const QString &Name) {
    QString OneLine = Name;
    OneLine.replace('\n', ' ').replace('\r', ' ');
    return OleDate::ShortDateText(Date) + " " + OleDate::LongTimeText(Time) + " " + OneLine;
}

} // namespace PendingReminders
