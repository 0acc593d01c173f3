#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "FileStamp.h"

// An INI file read and written the way the Windows private-profile functions do it: every read
// looks at the file (a hand edit is seen by the next read), every write changes or adds exactly
// one line and keeps all other lines (comments and unknown keys included). Section and key names
// match regardless of ASCII case. The file is UTF-8 and is replaced atomically, so a crash never
// leaves half a file.
class TIniFile {
public:
    explicit TIniFile(QString FileName);
    const QString &FileName() const { return FFileName; }

    // The value, up to 2047 characters, without surrounding blanks or matching quotes.
    QString ReadString(const QString &Section, const QString &Key, const QString &Default) const;
    // "0x"/"0X" (with at least one digit) and "$" introduce hexadecimal; a value that does not
    // parse as a 32-bit integer gives Default.
    int32_t ReadInteger(const QString &Section, const QString &Key, int32_t Default) const;
    // Any integer other than 0 is true.
    bool ReadBool(const QString &Section, const QString &Key, bool Default) const;

    // Raise EError "Unable to write to <file>" when the file cannot be written.
    void WriteString(const QString &Section, const QString &Key, const QString &Value);
    void WriteInteger(const QString &Section, const QString &Key, int64_t Value);
    void WriteBool(const QString &Section, const QString &Key, bool Value);

    // Parses an integer the way ReadInteger does; nullopt when it does not parse.
    static std::optional<int32_t> ParseInteger(const QString &Text);

private:
    const QStringList &Lines() const;
    std::optional<QString> Find(const QString &Section, const QString &Key) const;
    QString FFileName;
    mutable TFileStamp FCachedStamp;
    mutable QStringList FCachedLines;
};
