#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>

// The text of an INI file, apart from the file that holds it: what a read finds in it, and the
// same bytes with one key set. Lines are matched by their text but written back from their own
// bytes, so everything a write does not touch (comments, unknown keys, other encodings, line
// breaks) stays as it was.
namespace IniText {

// A line longer than this is not a setting: reads pass it over, writes keep it as it is.
constexpr qint64 MaxLineLength = 64 * 1024;
// A value is cut to this many characters when read.
constexpr int MaxValueLength = 2047;

// What a read finds: each key's value (the first of each name) by folded section and key name
// (see ValueKey), and the number (from 1) of the first line too long to read, 0 when none.
struct TParsed {
    QHash<QString, QString> Values;
    qsizetype LongLine = 0;
};
TParsed Parse(const QByteArray &Bytes);

// The name under which Parse files the value of Key in Section.
QString ValueKey(const QString &Section, const QString &Key);

// Bytes with Key of Section set to Value: the key's line replaced, else a line added after the
// last one of its section, else the section added at the end. Every other line is kept byte for
// byte with its own line break; new lines take the file's ("\r\n" where it has one).
QByteArray WithValue(const QByteArray &Bytes, const QString &Section, const QString &Key,
                     const QString &Value);

} // namespace IniText
