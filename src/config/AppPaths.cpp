#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "IniFile.h"
#include "dialogs/Error.h"

namespace AppPaths {

namespace {

QString WithSeparator(const QString &Dir) {
    return Dir.endsWith('/') ? Dir : Dir + "/";
}

// The first of the folders that holds FileName, else the first folder's path.
QString Companion(const QString &ExeDir, const char *InstalledDir, const QString &FileName) {
    const QString Beside = WithSeparator(ExeDir) + FileName;
    if (QFileInfo::exists(Beside))
        return Beside;
    const QString Installed =
        QDir::cleanPath(WithSeparator(ExeDir) + InstalledDir + "/" + FileName);
    return QFileInfo::exists(Installed) ? Installed : Beside;
}

// The Data Source a connection string names (the last one, as the database layer reads it).
QString DataSourceOf(const QString &ConnStr) {
    QString Source;
    for (const QString &Part : ConnStr.split(';', Qt::SkipEmptyParts)) {
        const int Eq = Part.indexOf('=');
        if (Eq >= 0 && Part.left(Eq).trimmed().compare("Data Source", Qt::CaseInsensitive) == 0)
            Source = Part.mid(Eq + 1).trimmed();
    }
    return Source;
}

bool CopyTemplate(const QString &From, const QString &To) {
    // Written under another name and renamed, so that a start cut short leaves no half file
    // that the next start would take for the user's.
    const QString Temp = To + ".new";
    QFile::remove(Temp);
    if (!QFile::copy(From, Temp))
        return false;
    // The templates belong to root and are read-only; the user's copy is the user's to change.
    QFile::setPermissions(Temp, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    if (!QFile::rename(Temp, To)) {
        QFile::remove(Temp);
        return false;
    }
    return true;
}

} // namespace

TLocation Locate(const QString &ExeFilePath) {
    const QString ExeDir = QFileInfo(ExeFilePath).absolutePath() + "/";
    TLocation Result;
    if (QFileInfo::exists(ExeDir + "cfg.ini")) {
        Result.IniFile = ExeDir + "cfg.ini";
        Result.DataDir = ExeDir;
        return Result;
    }
    Result.Portable = false;
    Result.IniFile = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/" +
                     UserFolder + "/cfg.ini";
    Result.DataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/" +
                     UserFolder + "/";
    return Result;
}

QString Seed(const TLocation &Location, const QString &ExeFilePath) {
    if (Location.Portable)
        return {};
    const QString Templates =
        QDir::cleanPath(QFileInfo(ExeFilePath).absolutePath() + "/" + TemplateDir) + "/";
    const QString IniDir = QFileInfo(Location.IniFile).absolutePath();
    for (const QString &Dir : {IniDir, Location.DataDir})
        if (!QDir().mkpath(Dir))
            return QString("Cannot create the folder %1").arg(Dir);

    if (!QFileInfo::exists(Location.IniFile)) {
        // The built-in settings (the program's resources) stand in for a missing template.
        const QString From = QFileInfo::exists(Templates + "cfg.ini")
                                 ? Templates + "cfg.ini"
                                 : QStringLiteral(":/data/cfg.ini");
        if (!CopyTemplate(From, Location.IniFile))
            return QString("Cannot write %1").arg(Location.IniFile);
        // The template names the database relative to the data folder: the user's copy names it
        // in full, since a relative name would be read against the settings folder.
        TIniFile Ini(Location.IniFile);
        const QString Stored = Ini.ReadString("DB", "ConnStr", QString());
        const QString Resolved = ResolveConnStr(Stored, Location.DataDir);
        try {
            if (Resolved != Stored)
                Ini.WriteString("DB", "ConnStr", Resolved);
        } catch (const EError &E) {
            return E.Text();
        }
    }

    // The database the settings name, when it is the user's own in the data folder and missing
    // (a first start, or a user who deleted it to start afresh). One named elsewhere is the
    // user's choice, and its absence is reported when it is opened.
    const TIniFile Ini(Location.IniFile);
    const QString Source =
        DataSourceOf(ResolveConnStr(Ini.ReadString("DB", "ConnStr", QString()), IniDir));
    const QString Db = Location.DataDir + "DB.mdb";
    if (QDir::cleanPath(Source) == QDir::cleanPath(Db) && !QFileInfo::exists(Db)) {
        if (!QFileInfo::exists(Templates + "DB.mdb"))
            return QString("Could not find file '%1'.").arg(Templates + "DB.mdb");
        if (!CopyTemplate(Templates + "DB.mdb", Db))
            return QString("Cannot write %1").arg(Db);
    }
    return {};
}

QString CompanionLibrary(const QString &ExeDir, const QString &FileName) {
    return Companion(ExeDir, LibraryDir, FileName);
}

QString CompanionTool(const QString &ExeDir, const QString &FileName) {
    return Companion(ExeDir, ToolDir, FileName);
}

QString ResolveConnStr(const QString &ConnStr, const QString &BaseDir) {
    QStringList Parts = ConnStr.split(';');
    for (QString &Part : Parts) {
        const int Eq = Part.indexOf('=');
        if (Eq < 0 || Part.left(Eq).trimmed().compare("Data Source", Qt::CaseInsensitive) != 0)
            continue;
        const QString Value = Part.mid(Eq + 1).trimmed();
        if (Value.isEmpty() || !QDir::isRelativePath(Value))
            continue;
        // Only the value itself changes: spaces around it stay as the user wrote them.
        const int At = Part.indexOf(Value, Eq + 1);
        Part.replace(At, Value.size(), WithSeparator(BaseDir) + Value);
    }
    return Parts.join(';');
}

} // namespace AppPaths
