#pragma once

#include <QHash>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "FileStamp.h"
#include "IniText.h"

// An INI file read and written the way the Windows private-profile functions do it: every read
// looks at the file (a hand edit is seen by the next read), every write changes or adds exactly
// one line and keeps all other lines byte for byte (comments, unknown keys and text in another
// encoding included). Section and key names match regardless of ASCII case. Values are read and
// written as UTF-8. The file is replaced atomically, so a crash never leaves half a file; where
// its folder cannot be written, the file itself is rewritten in place.
class TIniFile {
public:
    explicit TIniFile(QString FileName);
    const QString &FileName() const { return FFileName; }

    // A settings file is a few hundred bytes. One past these sizes is damaged or not a settings
    // file: a file too large is not read at all (every key reads its default) and never written;
    // a line too long is passed over by reads and kept as it is by writes.
    static constexpr qint64 MaxFileSize = 1024 * 1024;
    static constexpr qint64 MaxLineLength = IniText::MaxLineLength;

    // The value, up to 2047 characters, without surrounding blanks or matching quotes.
    QString ReadString(const QString &Section, const QString &Key, const QString &Default) const;
    // "0x"/"0X" (with at least one digit) and "$" introduce hexadecimal; a value that does not
    // parse as a 32-bit integer gives Default.
    int32_t ReadInteger(const QString &Section, const QString &Key, int32_t Default) const;
    // Any integer other than 0 is true.
    bool ReadBool(const QString &Section, const QString &Key, bool Default) const;

    // Raise EError "Unable to write to <file>" when the file cannot be written; a file too large
    // is refused (and left as it is) with the reason after that text.
    void WriteString(const QString &Section, const QString &Key, const QString &Value);
    void WriteInteger(const QString &Section, const QString &Key, int64_t Value);
    void WriteBool(const QString &Section, const QString &Key, bool Value);

    // Whether the file is there but too large to be read now: every key reads its default, which
    // says nothing of what the file holds.
    bool Refused() const;

    // Parses an integer the way ReadInteger does; nullopt when it does not parse.
    static std::optional<int32_t> ParseInteger(const QString &Text);

    // Told, once, when reading finds the file too large or a line too long; told again only
    // after a read has found the file sound. Without a handler the text goes to standard error.
    std::function<void(const QString &Text)> OnProblem;

private:
    enum class TProblem { None, FileTooLarge, LineTooLong };
    void Refresh() const;
    void Report(TProblem Problem, const QString &Text) const;
    const QString *Find(const QString &Section, const QString &Key) const;

    QString FFileName;
    // What the file held when it was last parsed: each key's value (the first of each name),
    // by folded section and key name. Parsed again only when the file's stamp changes.
    mutable TFileStamp FCachedStamp;
    mutable bool FCacheValid = false;
    mutable QHash<QString, QString> FValues;
    mutable TProblem FReported = TProblem::None;
};
