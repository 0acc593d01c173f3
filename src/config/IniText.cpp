#include "IniText.h"

#include <QByteArrayView>
#include <optional>
#include <vector>

namespace IniText {

namespace {

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

// One line of the file as it lies there: where it starts, the length of its text, and the
// length of its line break (0 for a last line without one, 1 for "\n", 2 for "\r\n").
struct TRawLine {
    qsizetype Start = 0;
    qsizetype Length = 0;
    qsizetype Break = 0;
};

std::vector<TRawLine> SplitLines(const QByteArray &Bytes) {
    std::vector<TRawLine> Lines;
    qsizetype At = 0;
    while (At < Bytes.size()) {
        TRawLine L;
        L.Start = At;
        const qsizetype Nl = Bytes.indexOf('\n', At);
        if (Nl < 0) {
            L.Length = Bytes.size() - At;
            At = Bytes.size();
        } else {
            L.Length = Nl - At;
            L.Break = 1;
            if (L.Length > 0 && Bytes[Nl - 1] == '\r') {
                --L.Length;
                L.Break = 2;
            }
            At = Nl + 1;
        }
        Lines.push_back(L);
    }
    return Lines;
}

// A line's text for finding sections and keys; nullopt for a line too long to be a setting.
// Only names are matched on it: the line itself is written back from its own bytes.
std::optional<QString> LineText(const QByteArray &Bytes, const TRawLine &L) {
    if (L.Length > MaxLineLength)
        return std::nullopt;
    QByteArrayView Text(Bytes.constData() + L.Start, L.Length);
    if (L.Start == 0 && Text.startsWith("\xEF\xBB\xBF"))
        Text = Text.sliced(3);
    return QString::fromUtf8(Text);
}

} // namespace

QString ValueKey(const QString &Section, const QString &Key) {
    return Section.toCaseFolded() + QChar(u'\n') + Key.toCaseFolded();
}

TParsed Parse(const QByteArray &Bytes) {
    TParsed Result;
    const std::vector<TRawLine> Lines = SplitLines(Bytes);
    QString Section;
    bool InSection = false;
    for (size_t I = 0; I < Lines.size(); ++I) {
        const std::optional<QString> Text = LineText(Bytes, Lines[I]);
        if (!Text) {
            if (!Result.LongLine)
                Result.LongLine = qsizetype(I) + 1;
            continue;
        }
        const TLine L = ParseLine(*Text);
        if (L.Kind == TLine::Section) {
            Section = L.Name;
            InSection = true;
        } else if (L.Kind == TLine::Key && InSection) {
            const QString Name = ValueKey(Section, L.Name);
            if (!Result.Values.contains(Name))
                Result.Values.insert(Name, L.Value.left(MaxValueLength));
        }
    }
    return Result;
}

QByteArray WithValue(const QByteArray &B, const QString &Section, const QString &Key,
                     const QString &Value) {
    const std::vector<TRawLine> Lines = SplitLines(B);
    const QByteArray Eol = B.contains("\r\n") ? "\r\n" : "\n";
    const QByteArray NewLine = (Key + "=" + Value).toUtf8();
    const qsizetype Count = qsizetype(Lines.size());
    qsizetype SectionAt = -1; // line of the matching section header
    qsizetype LastKeyAt = -1; // last non-blank line inside it
    qsizetype ReplaceAt = -1; // the key's own line
    bool InSection = false;
    for (qsizetype I = 0; I < Count; ++I) {
        const std::optional<QString> Text = LineText(B, Lines[I]);
        if (!Text) {
            if (InSection)
                LastKeyAt = I;
            continue;
        }
        const TLine L = ParseLine(*Text);
        if (L.Kind == TLine::Section) {
            if (InSection)
                break; // the matching section ended without the key
            InSection = SameName(L.Name, Section);
            if (InSection)
                SectionAt = LastKeyAt = I;
        } else if (InSection) {
            if (L.Kind == TLine::Key && SameName(L.Name, Key)) {
                ReplaceAt = I;
                break;
            }
            if (!Text->trimmed().isEmpty())
                LastKeyAt = I;
        }
    }

    // Every other line goes back as it was read, byte for byte, with its own line break.
    QByteArray Out;
    Out.reserve(B.size() + NewLine.size() + Section.size() + 16);
    const auto EndLine = [&Out, &Eol] {
        if (!Out.isEmpty() && !Out.endsWith('\n'))
            Out += Eol;
    };
    const auto Raw = [&B, &Lines](qsizetype I) {
        return QByteArrayView(B.constData() + Lines[I].Start, Lines[I].Length + Lines[I].Break);
    };
    if (ReplaceAt >= 0) {
        for (qsizetype I = 0; I < Count; ++I) {
            if (I != ReplaceAt) {
                Out.append(Raw(I));
                continue;
            }
            Out += NewLine;
            Out += Lines[I].Break == 2   ? QByteArray("\r\n")
                   : Lines[I].Break == 1 ? QByteArray("\n")
                                         : Eol;
        }
    } else if (SectionAt >= 0) {
        for (qsizetype I = 0; I < Count; ++I) {
            Out.append(Raw(I));
            if (I == LastKeyAt) {
                EndLine();
                Out += NewLine + Eol;
            }
        }
    } else {
        Out += B;
        EndLine();
        if (Count > 0) {
            const std::optional<QString> Last = LineText(B, Lines[Count - 1]);
            if (!Last || !Last->trimmed().isEmpty())
                Out += Eol;
        }
        Out += "[" + Section.toUtf8() + "]" + Eol + NewLine + Eol;
    }
    EndLine();
    return Out;
}

} // namespace IniText
