#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/linux/DesktopSystemTools.h"

using platform::linux_::TDesktopSystemTools;

class tst_DesktopSystemTools : public QObject {
    Q_OBJECT

    QTemporaryDir FRoot;
    std::string Bin(const QString &Name) const { return (FRoot.path() + "/" + Name).toStdString(); }
    void Install(const QString &Dir, const QString &Program, bool Executable = true) {
        QDir().mkpath(FRoot.path() + "/" + Dir);
        QFile F(FRoot.path() + "/" + Dir + "/" + Program);
        QVERIFY(F.open(QIODevice::WriteOnly));
        F.write("#!/bin/sh\n");
        F.close();
        if (Executable)
            F.setPermissions(F.permissions() | QFile::ExeOwner | QFile::ExeUser);
    }
    std::string Path() const { return Bin("bin1") + ":" + Bin("bin2"); }

private slots:
    void init() {
        QDir(FRoot.path()).removeRecursively();
        QDir().mkpath(FRoot.path());
    }

    void NothingInstalled() {
        Install("bin1", "dconf-editor", false); // not executable: not a program
        TDesktopSystemTools T(Path(), "GNOME");
        QCOMPARE(T.SettingsEditor(), std::string());
        QCOMPARE(T.PolicyEditor(), std::string());
    }

    void FirstInstalledInListOrder() {
        Install("bin2", "gnome-tweaks");
        Install("bin2", "xfce4-settings-manager");
        Install("bin1", "lxqt-config");
        TDesktopSystemTools T(Path(), "unknown");
        QCOMPARE(T.SettingsEditor(), Bin("bin2/gnome-tweaks"));
        QCOMPARE(T.PolicyEditor(), Bin("bin2/xfce4-settings-manager"));
        Install("bin2", "dconf-editor");
        Install("bin2", "gnome-control-center");
        QCOMPARE(T.SettingsEditor(), Bin("bin2/dconf-editor"));
        QCOMPARE(T.PolicyEditor(), Bin("bin2/gnome-control-center"));
    }

    void RunningDesktopFirst() {
        Install("bin1", "dconf-editor");
        Install("bin1", "gnome-control-center");
        Install("bin2", "xfce4-settings-editor");
        Install("bin2", "xfce4-settings-manager");
        QCOMPARE(TDesktopSystemTools(Path(), "XFCE").SettingsEditor(),
                 Bin("bin2/xfce4-settings-editor"));
        QCOMPARE(TDesktopSystemTools(Path(), "XFCE").PolicyEditor(),
                 Bin("bin2/xfce4-settings-manager"));
        QCOMPARE(TDesktopSystemTools(Path(), "ubuntu:GNOME").PolicyEditor(),
                 Bin("bin1/gnome-control-center"));
        // A desktop whose own tool is missing falls back to the general order.
        QCOMPARE(TDesktopSystemTools(Path(), "KDE").PolicyEditor(),
                 Bin("bin1/gnome-control-center"));
    }

    // What a default GNOME or KDE desktop of Debian has: GNOME ships Tweaks and its control
    // centre, KDE its system settings (under both names); nothing of theirs is missed.
    void DefaultDesktopsHaveTheirTools() {
        Install("bin1", "gnome-tweaks");
        Install("bin1", "gnome-control-center");
        QCOMPARE(TDesktopSystemTools(Path(), "GNOME").SettingsEditor(), Bin("bin1/gnome-tweaks"));
        QCOMPARE(TDesktopSystemTools(Path(), "GNOME").PolicyEditor(),
                 Bin("bin1/gnome-control-center"));
        init();
        Install("bin2", "systemsettings5");
        QCOMPARE(TDesktopSystemTools(Path(), "KDE").PolicyEditor(), Bin("bin2/systemsettings5"));
        Install("bin1", "systemsettings");
        QCOMPARE(TDesktopSystemTools(Path(), "KDE").PolicyEditor(), Bin("bin1/systemsettings"));
        // The editor a user installs by name is taken first once it is there.
        Install("bin2", "dconf-editor");
        QCOMPARE(TDesktopSystemTools(Path(), "KDE").SettingsEditor(), Bin("bin2/dconf-editor"));
        QCOMPARE(TDesktopSystemTools(Path(), "ubuntu:GNOME").SettingsEditor(),
                 Bin("bin2/dconf-editor"));
    }

    // With no tool installed, the package to install is the running desktop's own choice, named
    // as Debian's package manager knows it.
    void PackageToInstall() {
        const auto Packages = [](const char *Desktop) {
            TDesktopSystemTools T({}, Desktop);
            return std::make_pair(T.SettingsEditorPackage(), T.PolicyEditorPackage());
        };
        using P = std::pair<std::string, std::string>;
        QCOMPARE(Packages("GNOME"), (P{"dconf-editor", "gnome-control-center"}));
        QCOMPARE(Packages("ubuntu:GNOME"), (P{"dconf-editor", "gnome-control-center"}));
        QCOMPARE(Packages("KDE"), (P{"dconf-editor", "systemsettings"}));
        QCOMPARE(Packages("XFCE"), (P{"xfce4-settings", "xfce4-settings"}));
        QCOMPARE(Packages("X-Cinnamon"), (P{"dconf-editor", "cinnamon"}));
        QCOMPARE(Packages("MATE"), (P{"dconf-editor", "mate-control-center"}));
        QCOMPARE(Packages("LXQt"), (P{"dconf-editor", "lxqt-config"}));
        QCOMPARE(Packages("unknown"), (P{"dconf-editor", "gnome-control-center"}));
    }
};

QTEST_GUILESS_MAIN(tst_DesktopSystemTools)
#include "tst_desktopsystemtools.moc"
