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
    // Xfce ships its own; GNOME ships only Tweaks, which edits the settings its panels leave
    // out, so dconf-editor comes first where the user has installed it. KDE's own settings are
    // plain files with no editor of their own: dconf-editor edits what its GTK programs keep.
    static const std::vector<TCandidate> List{
        {"dconf-editor", "gnome", "dconf-editor"},
        {"dconf-editor", "unity", "dconf-editor"},
        {"dconf-editor", "budgie", "dconf-editor"},
        {"dconf-editor", "x-cinnamon", "dconf-editor"},
        {"dconf-editor", "mate", "dconf-editor"},
        {"dconf-editor", "kde", "dconf-editor"},
        {"xfce4-settings-editor", "xfce", "xfce4-settings"},
        {"gnome-tweaks", "gnome", "gnome-tweaks"},
    };
    return List;
}

const std::vector<TDesktopSystemTools::TCandidate> &TDesktopSystemTools::PolicyEditors() {
    // The desktop's system-settings centre, where its policies are set; each desktop ships its
    // own.
    static const std::vector<TCandidate> List{
        {"gnome-control-center", "gnome", "gnome-control-center"},
        {"gnome-control-center", "unity", "gnome-control-center"},
        {"systemsettings", "kde", "systemsettings"},
        {"systemsettings5", "kde", "systemsettings"},
        {"xfce4-settings-manager", "xfce", "xfce4-settings"},
        {"mate-control-center", "mate", "mate-control-center"},
        {"cinnamon-settings", "x-cinnamon", "cinnamon"},
        {"budgie-control-center", "budgie", "budgie-control-center"},
        {"lxqt-config", "lxqt", "lxqt-config"},
        {"unity-control-center", "unity", "unity-control-center"},
    };
    return List;
}

QStringList TDesktopSystemTools::Desktops() const {
    const char *Env = std::getenv("XDG_CURRENT_DESKTOP");
    const QString Current = FCurrentDesktop.empty() ? QString::fromLocal8Bit(Env ? Env : "")
                                                    : QString::fromStdString(FCurrentDesktop);
    return Current.toLower().split(':', Qt::SkipEmptyParts);
}

std::string TDesktopSystemTools::FirstInstalled(const std::vector<TCandidate> &Candidates) const {
    const QStringList Desktops = this->Desktops();
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

std::string TDesktopSystemTools::PackageFor(const std::vector<TCandidate> &Candidates) const {
    // The running desktop's first choice; on a desktop not in the lists, the first of all.
    const QStringList Desktops = this->Desktops();
    for (const QString &Desktop : Desktops)
        for (const TCandidate &C : Candidates)
            if (Desktop == C.Desktop)
                return C.Package;
    return Candidates.empty() ? std::string() : Candidates.front().Package;
}

std::string TDesktopSystemTools::SettingsEditor() {
    return FirstInstalled(SettingsEditors());
}

std::string TDesktopSystemTools::PolicyEditor() {
    return FirstInstalled(PolicyEditors());
}

std::string TDesktopSystemTools::SettingsEditorPackage() {
    return PackageFor(SettingsEditors());
}

std::string TDesktopSystemTools::PolicyEditorPackage() {
    return PackageFor(PolicyEditors());
}

} // namespace platform::linux_
