#include "XdgSchemeHandlers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <cstdlib>
#include <map>
#include <set>

#include "StartDetached.h"

namespace platform::linux_ {

namespace {

std::vector<std::string> SplitPathList(const char *Value, const char *Default) {
    const QString Text = QString::fromLocal8Bit(Value && *Value ? Value : Default);
    std::vector<std::string> Result;
    for (const QString &Part : Text.split(':', Qt::SkipEmptyParts))
        if (Part.startsWith('/')) // relative entries are invalid and ignored
            Result.push_back(QDir::cleanPath(Part).toStdString());
    return Result;
}

std::string HomeDir(const char *Variable, const char *Fallback) {
    const char *Value = std::getenv(Variable);
    if (Value && *Value == '/')
        return QDir::cleanPath(QString::fromLocal8Bit(Value)).toStdString();
    const char *Home = std::getenv("HOME");
    return std::string(Home ? Home : "") + Fallback;
}

// A key file (desktop entry or mimeapps.list): group -> key -> raw value. Localised keys
// ("Name[zh_CN]") are kept under their full name and so never mistaken for the plain one.
using TKeyFile = std::map<QString, std::map<QString, QString>>;

TKeyFile ReadKeyFile(const QString &FileName) {
    TKeyFile Result;
    QFile F(FileName);
    if (!F.open(QIODevice::ReadOnly))
        return Result;
    QString Group;
    for (const QByteArray &RawLine : F.readAll().split('\n')) {
        const QString Line = QString::fromUtf8(RawLine).trimmed();
        if (Line.isEmpty() || Line.startsWith('#'))
            continue;
        if (Line.startsWith('[') && Line.endsWith(']')) {
            Group = Line.mid(1, Line.size() - 2);
            continue;
        }
        const qsizetype Eq = Line.indexOf('=');
        if (Eq <= 0 || Group.isEmpty())
            continue;
        auto &Keys = Result[Group];
        const QString Key = Line.left(Eq).trimmed();
        if (!Keys.count(Key)) // the first of duplicate keys counts
            Keys[Key] = Line.mid(Eq + 1).trimmed();
    }
    return Result;
}

// The escapes of a desktop-entry string value: \s \n \t \r \\.
QString UnescapeString(const QString &Value) {
    QString Out;
    for (qsizetype I = 0; I < Value.size(); ++I) {
        if (Value[I] != '\\' || I + 1 == Value.size()) {
            Out += Value[I];
            continue;
        }
        const QChar C = Value[++I];
        if (C == 's')
            Out += ' ';
        else if (C == 'n')
            Out += '\n';
        else if (C == 't')
            Out += '\t';
        else if (C == 'r')
            Out += '\r';
        else if (C == '\\')
            Out += '\\';
        else
            Out += QString('\\') + C;
    }
    return Out;
}

// A list value: entries separated by ';' (a trailing one is optional).
QStringList ListValue(const QString &Value) {
    QStringList Items;
    for (const QString &Item : Value.split(';', Qt::SkipEmptyParts))
        if (!Item.trimmed().isEmpty())
            Items << Item.trimmed();
    return Items;
}

QString Get(const TKeyFile &File, const QString &Group, const QString &Key) {
    const auto G = File.find(Group);
    if (G == File.end())
        return {};
    const auto K = G->second.find(Key);
    return K == G->second.end() ? QString() : K->second;
}

class TLookup {
public:
    explicit TLookup(const TXdgDirs &Dirs) : FDirs(Dirs) {
        // Desktop ids: the path below an applications folder with '/' turned into '-'; the
        // first folder in order of preference that has an id owns it.
        std::vector<std::string> Bases{Dirs.DataHome};
        Bases.insert(Bases.end(), Dirs.DataDirs.begin(), Dirs.DataDirs.end());
        for (const std::string &Base : Bases) {
            const QString AppDir = QString::fromStdString(Base) + "/applications";
            if (!QFileInfo(AppDir).isDir())
                continue;
            QDirIterator It(AppDir, {"*.desktop"}, QDir::Files, QDirIterator::Subdirectories);
            while (It.hasNext()) {
                const QString File = It.next();
                QString Id = QDir(AppDir).relativeFilePath(File);
                Id.replace('/', '-');
                if (!FIds.count(Id)) {
                    FIds[Id] = File;
                    FOrder << Id;
                }
            }
        }
    }

    TDesktopEntry Find(const QString &Mime) {
        // Preference files, most preferred first; a desktop-specific file before the plain one.
        QStringList Lists;
        QStringList ListDirs{QString::fromStdString(FDirs.ConfigHome)};
        for (const std::string &D : FDirs.ConfigDirs)
            ListDirs << QString::fromStdString(D);
        ListDirs << QString::fromStdString(FDirs.DataHome) + "/applications";
        for (const std::string &D : FDirs.DataDirs)
            ListDirs << QString::fromStdString(D) + "/applications";
        for (const QString &Dir : ListDirs) {
            for (const std::string &Desktop : FDirs.Desktops)
                Lists << Dir + "/" + QString::fromStdString(Desktop) + "-mimeapps.list";
            Lists << Dir + "/mimeapps.list";
        }
        std::vector<TKeyFile> Files;
        for (const QString &L : Lists)
            Files.push_back(ReadKeyFile(L));

        for (const TKeyFile &F : Files)
            for (const QString &Id : ListValue(Get(F, "Default Applications", Mime)))
                if (TDesktopEntry E = Entry(Id); !E.File.empty())
                    return E;

        std::set<QString> Removed;
        for (const TKeyFile &F : Files) {
            // A file's removals apply to its own additions and to every less preferred file.
            for (const QString &Id : ListValue(Get(F, "Removed Associations", Mime)))
                Removed.insert(Id);
            for (const QString &Id : ListValue(Get(F, "Added Associations", Mime)))
                if (!Removed.count(Id))
                    if (TDesktopEntry E = Entry(Id); !E.File.empty())
                        return E;
        }
        for (const QString &Id : FOrder) {
            if (Removed.count(Id))
                continue;
            const TKeyFile F = ReadKeyFile(FIds[Id]);
            const QStringList Types = ListValue(Get(F, "Desktop Entry", "MimeType"));
            if (Types.contains(Mime, Qt::CaseInsensitive))
                if (TDesktopEntry E = Entry(Id); !E.File.empty())
                    return E;
        }
        return {};
    }

private:
    // The entry of an installed, usable application, or one with an empty File.
    TDesktopEntry Entry(const QString &Id) {
        const auto It = FIds.find(Id);
        if (It == FIds.end())
            return {};
        const TKeyFile F = ReadKeyFile(It->second);
        const auto G = F.find("Desktop Entry");
        if (G == F.end())
            return {};
        const auto Value = [&G](const char *Key) {
            const auto K = G->second.find(Key);
            return K == G->second.end() ? QString() : UnescapeString(K->second);
        };
        if (Value("Type") != "Application" || Value("Hidden") == "true" ||
            Value("Exec").trimmed().isEmpty())
            return {};
        const QString TryExec = Value("TryExec");
        if (!TryExec.isEmpty()) {
            const QString Path =
                TryExec.contains('/') ? TryExec : QStandardPaths::findExecutable(TryExec);
            if (Path.isEmpty() || !QFileInfo(Path).isExecutable())
                return {};
        }
        TDesktopEntry E;
        E.File = It->second.toStdString();
        E.Name = Value("Name").toStdString();
        E.Icon = Value("Icon").toStdString();
        E.Exec = Value("Exec").toStdString();
        E.Path = Value("Path").toStdString();
        return E;
    }

    const TXdgDirs &FDirs;
    std::map<QString, QString> FIds;
    QStringList FOrder;
};

QString SchemeOf(const std::string &Address) {
    const QString A = QString::fromStdString(Address);
    const qsizetype Colon = A.indexOf(':');
    if (Colon <= 0)
        return {};
    const QString Scheme = A.left(Colon).toLower();
    // RFC 3986: a letter, then letters, digits, '+', '-', '.'.
    for (qsizetype I = 0; I < Scheme.size(); ++I) {
        const QChar C = Scheme[I];
        const bool Ok = (C >= 'a' && C <= 'z') ||
                        (I > 0 && ((C >= '0' && C <= '9') || C == '+' || C == '-' || C == '.'));
        if (!Ok)
            return {};
    }
    return Scheme;
}

} // namespace

TXdgDirs TXdgDirs::FromEnvironment() {
    TXdgDirs D;
    D.DataHome = HomeDir("XDG_DATA_HOME", "/.local/share");
    D.DataDirs = SplitPathList(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share");
    D.ConfigHome = HomeDir("XDG_CONFIG_HOME", "/.config");
    D.ConfigDirs = SplitPathList(std::getenv("XDG_CONFIG_DIRS"), "/etc/xdg");
    const char *Desktops = std::getenv("XDG_CURRENT_DESKTOP");
    for (const QString &Part :
         QString::fromLocal8Bit(Desktops ? Desktops : "").split(':', Qt::SkipEmptyParts))
        D.Desktops.push_back(Part.toLower().toStdString());
    return D;
}

TXdgSchemeHandlers::TXdgSchemeHandlers(TXdgDirs Dirs) : FFixed(true), FDirs(std::move(Dirs)) {}

TXdgDirs TXdgSchemeHandlers::Dirs() const {
    return FFixed ? FDirs : TXdgDirs::FromEnvironment();
}

TDesktopEntry TXdgSchemeHandlers::FindHandler(const std::string &Scheme) const {
    const QString S = QString::fromStdString(Scheme).toLower();
    if (S.isEmpty())
        return {};
    const TXdgDirs D = Dirs();
    return TLookup(D).Find("x-scheme-handler/" + S);
}

bool TXdgSchemeHandlers::IsRegistered(const std::string &Scheme) {
    return !FindHandler(Scheme).File.empty();
}

std::vector<std::string> TXdgSchemeHandlers::ExpandExec(const TDesktopEntry &Entry,
                                                        const std::string &Address) {
    // Split by the quoting rules of the Exec key: arguments separated by spaces, double quotes
    // around an argument, and inside them a backslash before ", `, $ and \.
    const QString Exec = QString::fromStdString(Entry.Exec);
    QStringList Tokens;
    QString Current;
    bool InToken = false, Quoted = false;
    for (qsizetype I = 0; I < Exec.size(); ++I) {
        const QChar C = Exec[I];
        if (Quoted) {
            if (C == '"') {
                Quoted = false;
            } else if (C == '\\' && I + 1 < Exec.size() &&
                       QString("\"`$\\").contains(Exec[I + 1])) {
                Current += Exec[++I];
            } else {
                Current += C;
            }
        } else if (C == ' ' || C == '\t') {
            if (InToken)
                Tokens << Current;
            Current.clear();
            InToken = false;
        } else if (C == '"') {
            Quoted = InToken = true;
        } else if (C == '\\' && I + 1 < Exec.size()) {
            Current += Exec[++I];
            InToken = true;
        } else {
            Current += C;
            InToken = true;
        }
    }
    if (Quoted)
        return {};
    if (InToken)
        Tokens << Current;

    const QString Url = QString::fromStdString(Address);
    bool UsedUrl = false;
    std::vector<std::string> Args;
    for (const QString &Token : Tokens) {
        // A code standing alone may stand for no argument or two.
        if (Token == "%i") {
            if (!Entry.Icon.empty()) {
                Args.push_back("--icon");
                Args.push_back(Entry.Icon);
            }
            continue;
        }
        if (Token.size() == 2 && Token[0] == '%' && QString("fFuUdDnNvm").contains(Token[1])) {
            if (QString("fFuU").contains(Token[1]) && !UsedUrl) {
                Args.push_back(Address);
                UsedUrl = true;
            }
            continue;
        }
        QString Out;
        for (qsizetype I = 0; I < Token.size(); ++I) {
            if (Token[I] != '%' || I + 1 == Token.size()) {
                Out += Token[I];
                continue;
            }
            const QChar Code = Token[++I];
            if (Code == '%')
                Out += '%';
            else if (QString("fFuU").contains(Code)) {
                if (!UsedUrl)
                    Out += Url;
                UsedUrl = true;
            } else if (Code == 'c')
                Out += QString::fromStdString(Entry.Name);
            else if (Code == 'k')
                Out += QString::fromStdString(Entry.File);
            // Deprecated and unknown codes are dropped.
        }
        Args.push_back(Out.toStdString());
    }
    if (Args.empty())
        return {};
    // A handler whose line takes no address gets it as its last argument.
    if (!UsedUrl)
        Args.push_back(Address);
    return Args;
}

bool TXdgSchemeHandlers::OpenAddress(const std::string &Address) {
    const QString Scheme = SchemeOf(Address);
    if (Scheme.isEmpty())
        return false;
    const TDesktopEntry Entry = FindHandler(Scheme.toStdString());
    if (Entry.File.empty())
        return false;
    const std::vector<std::string> Args = ExpandExec(Entry, Address);
    if (Args.empty())
        return false;
    QString Program = QString::fromStdString(Args[0]);
    if (!Program.contains('/'))
        Program = QStandardPaths::findExecutable(Program);
    if (Program.isEmpty() || !QFileInfo(Program).isExecutable())
        return false;
    QStringList Rest;
    for (size_t I = 1; I < Args.size(); ++I)
        Rest << QString::fromStdString(Args[I]);
    return StartDetached(Program, Rest, QString::fromStdString(Entry.Path));
}

} // namespace platform::linux_
