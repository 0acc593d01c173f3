// cfg.ini as a user or another program may leave it: whatever the file holds, reading never
// fails, and one write changes or adds one key, reads back as written, and keeps every other line
// of the file as it was, byte for byte.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "config/IniFile.h"
#include "dialogs/Error.h"

namespace {

// A name the file can carry: what a program writes as a section or key name.
bool UsableName(const QString &Name) {
    if (Name.isEmpty() || Name != Name.trimmed() || Name.startsWith(';') || Name.startsWith('['))
        return false;
    for (const QChar C : Name)
        if (C == '=' || C == ']' || C == '\n' || C == '\r' || C.isNull())
            return false;
    return true;
}

bool UsableValue(const QString &Value) {
    if (Value != Value.trimmed() || Value.size() > 2047 || Value.contains('\n') ||
        Value.contains('\r') || Value.contains(QChar(0)))
        return false;
    // A value wrapped in matching quotes reads back without them, by design.
    return !(Value.size() >= 2 && (Value.front() == '"' || Value.front() == '\'') &&
             Value.back() == Value.front());
}

// The lines of the file without their line breaks. A last line without one may gain one from a
// write, so carriage returns at the end of a line do not count.
QList<QByteArray> Lines(const QByteArray &Text) {
    QList<QByteArray> Result = Text.split('\n');
    if (!Result.isEmpty() && Result.back().isEmpty())
        Result.removeLast();
    for (QByteArray &L : Result)
        while (L.endsWith('\r'))
            L.chop(1);
    return Result;
}

// The length of the longest run of lines both files hold in the same order.
qsizetype CommonLines(const QList<QByteArray> &A, const QList<QByteArray> &B) {
    QList<qsizetype> Row(B.size() + 1, 0), Next(B.size() + 1, 0);
    for (qsizetype I = A.size() - 1; I >= 0; --I) {
        for (qsizetype J = B.size() - 1; J >= 0; --J)
            Next[J] = A[I] == B[J] ? Row[J + 1] + 1 : std::max(Row[J], Next[J + 1]);
        std::swap(Row, Next);
    }
    return Row[0];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
    // The input is "<section>\t<key>\t<value>\n<file>".
    static QTemporaryDir Dir;
    const QByteArray Input(reinterpret_cast<const char *>(Data), qsizetype(Size));
    const qsizetype Cut = Input.indexOf('\n');
    if (Cut < 0)
        return 0;
    const QList<QByteArray> Parts = Input.left(Cut).split('\t');
    if (Parts.size() != 3)
        return 0;
    const QString Section = QString::fromUtf8(Parts[0]), Key = QString::fromUtf8(Parts[1]),
                  Value = QString::fromUtf8(Parts[2]);
    const QByteArray Before = Input.mid(Cut + 1);
    const QString Name = Dir.filePath("cfg.ini");
    {
        QFile F(Name);
        if (!F.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        F.write(Before);
    }
    TIniFile Ini(Name);
    Ini.OnProblem = [](const QString &) {};
    Ini.ReadString("Sys", "AutoRun", "");
    Ini.ReadInteger("ShortCut", "Chat", 0);
    Ini.ReadString(Section, Key, "");
    if (!UsableName(Section) || !UsableName(Key) || !UsableValue(Value) ||
        Section.toUtf8() != Parts[0] || Key.toUtf8() != Parts[1] || Value.toUtf8() != Parts[2])
        return 0;
    try {
        Ini.WriteString(Section, Key, Value);
    } catch (const EError &) {
        return 0; // a file too large is refused, and must then be left as it was
    }
    QFile F(Name);
    if (!F.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray After = F.readAll();
    if (Ini.ReadString(Section, Key, "\x01") != Value)
        std::abort();
    // Every line of the file before is still there, in order, but for at most one: the key's.
    const QList<QByteArray> Old = Lines(Before), New = Lines(After);
    if (New.size() > Old.size() + 3 || CommonLines(Old, New) < Old.size() - 1)
        std::abort();
    // Nothing else appears in the folder: no temporary file is left behind.
    if (QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).size() != 1)
        std::abort();
    return 0;
}
