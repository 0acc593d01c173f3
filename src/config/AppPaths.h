#pragma once

#include <QString>

// Where the program's files are. Portable: a cfg.ini beside the executable (a build tree, or a
// folder copied somewhere) means everything lives in that folder, as it always did. Installed:
// no cfg.ini beside the executable, so the settings go to the user's configuration folder and the
// database to the user's data folder, both seeded at first start from the templates installed
// with the program. The private libraries and the folder-lock tool are found beside the
// executable first, then in the installed private folders; this file is the only place that
// knows the installed layout.
namespace AppPaths {

// The installed layout, relative to the folder of the executable (bin/).
inline constexpr const char *LibraryDir = "../lib/qingchuan";
inline constexpr const char *ToolDir = "../libexec/qingchuan";
inline constexpr const char *TemplateDir = "../share/qingchuan";
// The folder name under the user's configuration and data folders.
inline constexpr const char *UserFolder = "qingchuan";

struct TLocation {
    bool Portable = true;
    QString IniFile; // the full path of cfg.ini
    QString DataDir; // where a new database goes, with its trailing separator
};

// ExeFilePath: the full path of the running executable. The user's folders follow
// XDG_CONFIG_HOME and XDG_DATA_HOME (~/.config and ~/.local/share when unset).
TLocation Locate(const QString &ExeFilePath);

// Installed only: makes the user's folders and puts there a cfg.ini (whose relative Data Source
// is named in full, inside DataDir) and the database it names, each only when missing, so a new
// start never touches a user's settings or tasks. Returns what went wrong, or an empty text.
QString Seed(const TLocation &Location, const QString &ExeFilePath);

// A companion library (file name, e.g. "libCameraDll.so") or tool (e.g. "Lock.exe"): beside the
// executable when there, else in the installed private folder. When neither holds it, the path
// beside the executable, so that a message names where it was looked for first.
QString CompanionLibrary(const QString &ExeDir, const QString &FileName);
QString CompanionTool(const QString &ExeDir, const QString &FileName);

// The connection string with a relative Data Source named in full against BaseDir; an absolute
// one, and every other part, stay exactly as written.
QString ResolveConnStr(const QString &ConnStr, const QString &BaseDir);

} // namespace AppPaths
