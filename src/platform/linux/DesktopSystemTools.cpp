#include "DesktopSystemTools.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <cstdlib>

namespace platform::linux_ {

TDesktopSystemTools::TDesktopSystemTools(std::string SearchPath, std::string CurrentDesktop)
    : FSearchPath(std::move(SearchPath)), FCurrentDesktop(std::move(CurrentDesktop)) {}

const std::vector<TDesktopSystemTools::TCandidate> &TDesktopSystemTools::SettingsEditors() {
    // Editors of the desktop's key-value settings store, the counterpart of a registry editor.
    static const std::vector<TCandidate> List{
        {"dconf-editor", "gnome"},    {"dconf-editor", "unity"},         {"dconf-editor", "budgie"},
        {"dconf-editor", "cinnamon"}, {"xfce4-settings-editor", "xfce"}, {"kconfigeditor", "kde"},
        {"gconf-editor", "gnome"},    {"mateconf-editor", "mate"},       {"dconf-editor", "mate"},
    };
    return List;
}

const std::vector<TDesktopSystemTools::TCandidate> &TDesktopSystemTools::PolicyEditors() {
    // The desktop's system-settings centre, where its policies are set.
    static const std::vector<TCandidate> List{
        {"gnome-control-center", "gnome"},
        {"gnome-control-center", "unity"},
        {"systemsettings", "kde"},
        {"systemsettings5", "kde"},
        {"xfce4-settings-manager", "xfce"},
        {"mate-control-center", "mate"},
        {"cinnamon-settings", "x-cinnamon"},
        {"budgie-control-center", "budgie"},
        {"lxqt-config", "lxqt"},
        {"unity-control-center", "unity"},
    };
    return List;
}

std::string TDesktopSystemTools::FirstInstalled(const std::vector<TCandidate> &Candidates) const {
    const char *Env = std::getenv("XDG_CURRENT_DESKTOP");
    const QString Current = FCurrentDesktop.empty() ? QString::fromLocal8Bit(Env ? Env : "")
                                                    : QString::fromStdString(FCurrentDesktop);
    const QStringList Desktops = Current.toLower().split(':', Qt::SkipEmptyParts);
    QStringList Path;
    if (!FSearchPath.empty())
        Path = QString::fromStdString(FSearchPath).split(':', Qt::SkipEmptyParts);
    const auto Find = [&Path](const char *Program) {
        const QString Found = QStandardPaths::findExecutable(Program, Path);
        return Found.isEmpty() || !QFileInfo(Found).isFile() ? std::string() : Found.toStdString();
    };
    for (const TCandidate &C : Candidates)
        if (Desktops.contains(C.Desktop))
            if (std::string Found = Find(C.Program); !Found.empty())
                return Found;
    for (const TCandidate &C : Candidates)
        if (std::string Found = Find(C.Program); !Found.empty())
            return Found;
    return {};
}

std::string TDesktopSystemTools::SettingsEditor() {
    return FirstInstalled(SettingsEditors());
}

std::string TDesktopSystemTools::PolicyEditor() {
    return FirstInstalled(PolicyEditors());
}

} // namespace platform::linux_
