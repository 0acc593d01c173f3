#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include "dialogs/Error.h"

namespace {

constexpr int MaxValueLength = 2047;

struct TLine {
    enum TKind { Other, Section, Key } Kind = Other;
    QString Name; // section or key name, trimmed
    QString Value;
};

TLine ParseLine(const QString &Raw) {
    TLine L;
    const QString T = Raw.trimmed();
    if (T.startsWith('[')) {
        const int Close = T.indexOf(']');
        if (Close > 0) {
            L.Kind = TLine::Section;
            L.Name = T.mid(1, Close - 1).trimmed();
        }
        return L;
    }
    if (T.startsWith(';'))
        return L;
    const int Eq = T.indexOf('=');
    if (Eq <= 0)
        return L;
    L.Kind = TLine::Key;
    L.Name = T.left(Eq).trimmed();
    QString V = T.mid(Eq + 1).trimmed();
    if (V.size() >= 2 && (V.front() == '"' || V.front() == '\'') && V.back() == V.front())
        V = V.mid(1, V.size() - 2);
    L.Value = V;
    return L;
}

bool SameName(const QString &A, const QString &B) {
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

struct TContent {
    bool Bom = false;
    QString Eol = "\n";
    QStringList Lines;
    bool EndsWithEol = true;
};

TContent Load(const QString &FileName) {
    TContent C;
    QFile F(FileName);
    if (!F.open(QIODevice::ReadOnly))
        return C;
    QByteArray Bytes = F.readAll();
    if (Bytes.startsWith("\xEF\xBB\xBF")) {
        C.Bom = true;
        Bytes.remove(0, 3);
    }
    if (Bytes.contains("\r\n"))
        C.Eol = "\r\n";
    QString Text = QString::fromUtf8(Bytes);
    C.EndsWithEol = Text.isEmpty() || Text.endsWith('\n');
    Text.replace("\r\n", "\n");
    C.Lines = Text.split('\n');
    if (C.EndsWithEol)
        C.Lines.removeLast(); // the empty piece after the last line break
    return C;
}

} // namespace

TIniFile::TIniFile(QString FileName) : FFileName(std::move(FileName)) {}

const QStringList &TIniFile::Lines() const {
    // Every read asks the file system about the file; its text is parsed again only when the
    // file changed (a write, even by hand, moves its change time or replaces it). The settings
    // are read every second by the scheduler and the CPU monitor, so this keeps them cheap.
    const TFileStamp Now = TFileStamp::Of(FFileName);
    if (!Now.Exists) {
        FCachedLines.clear();
        FCachedStamp = {};
    } else if (Now != FCachedStamp) {
        FCachedLines = Load(FFileName).Lines;
        FCachedStamp = Now;
    }
    return FCachedLines;
}

std::optional<QString> TIniFile::Find(const QString &Section, const QString &Key) const {
    bool InSection = false;
    for (const QString &Raw : Lines()) {
        const TLine L = ParseLine(Raw);
        if (L.Kind == TLine::Section)
            InSection = SameName(L.Name, Section);
        else if (InSection && L.Kind == TLine::Key && SameName(L.Name, Key))
            return L.Value.left(MaxValueLength);
    }
    return std::nullopt;
}

QString TIniFile::ReadString(const QString &Section, const QString &Key,
                             const QString &Default) const {
    return Find(Section, Key).value_or(Default);
}

std::optional<int32_t> TIniFile::ParseInteger(const QString &Text) {
    QString T = Text.trimmed();
    bool Negative = false;
    if (T.startsWith('-') || T.startsWith('+')) {
        Negative = T.startsWith('-');
        T = T.mid(1);
    }
    bool Ok = false;
    qint64 Value = 0;
    if (T.startsWith('$') && T.size() > 1) {
        const QString Digits = T.mid(1);
        if (Digits.size() > 8)
            return std::nullopt;
        Value = static_cast<int32_t>(Digits.toUInt(&Ok, 16));
    } else if ((T.startsWith("0x") || T.startsWith("0X")) && T.size() >= 3) {
        const QString Digits = T.mid(2);
        if (Digits.size() > 8)
            return std::nullopt;
        Value = static_cast<int32_t>(Digits.toUInt(&Ok, 16));
    } else {
        for (QChar Ch : T)
            if (!Ch.isDigit() || Ch.unicode() > '9')
                return std::nullopt;
        Value = T.toLongLong(&Ok, 10);
        if (Ok && (Negative ? -Value < INT32_MIN : Value > INT32_MAX))
            return std::nullopt;
    }
    if (!Ok)
        return std::nullopt;
    return static_cast<int32_t>(Negative ? -Value : Value);
}

int32_t TIniFile::ReadInteger(const QString &Section, const QString &Key, int32_t Default) const {
    const std::optional<QString> Text = Find(Section, Key);
    if (!Text)
        return Default;
    return ParseInteger(*Text).value_or(Default);
}

bool TIniFile::ReadBool(const QString &Section, const QString &Key, bool Default) const {
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString &Section, const QString &Key, const QString &Value) {
    const QFileInfo Info(FFileName);
    const auto Refuse = [this] { throw EError(QString("Unable to write to %1").arg(FFileName)); };
    if (Info.exists() && (!Info.isFile() || !Info.isWritable()))
        Refuse();

    TContent C = Load(FFileName);
    const QString NewLine = Key + "=" + Value;
    int SectionAt = -1; // line of the matching section header
    int LastKeyAt = -1; // last non-blank line inside it
    bool InSection = false;
    bool Done = false;
    for (int I = 0; I < C.Lines.size() && !Done; ++I) {
        const TLine L = ParseLine(C.Lines[I]);
        if (L.Kind == TLine::Section) {
            if (InSection)
                break; // the matching section ended without the key
            InSection = SameName(L.Name, Section);
            if (InSection)
                SectionAt = LastKeyAt = I;
        } else if (InSection) {
            if (L.Kind == TLine::Key && SameName(L.Name, Key)) {
                C.Lines[I] = NewLine;
                Done = true;
            } else if (!C.Lines[I].trimmed().isEmpty()) {
                LastKeyAt = I;
            }
        }
    }
    if (!Done) {
        if (SectionAt >= 0) {
            C.Lines.insert(LastKeyAt + 1, NewLine);
        } else {
            if (!C.Lines.isEmpty() && !C.Lines.last().trimmed().isEmpty())
                C.Lines.append(QString());
            C.Lines.append("[" + Section + "]");
            C.Lines.append(NewLine);
        }
    }

    QByteArray Bytes;
    if (C.Bom)
        Bytes += "\xEF\xBB\xBF";
    Bytes += C.Lines.join(C.Eol).toUtf8();
    Bytes += C.Eol.toUtf8();

    QSaveFile Out(FFileName);
    FCachedStamp = {};
    if (!Out.open(QIODevice::WriteOnly) || Out.write(Bytes) != Bytes.size() || !Out.commit())
        Refuse();
}

void TIniFile::WriteInteger(const QString &Section, const QString &Key, int64_t Value) {
    WriteString(Section, Key, QString::number(Value));
}

void TIniFile::WriteBool(const QString &Section, const QString &Key, bool Value) {
    WriteString(Section, Key, Value ? "1" : "0");
}
