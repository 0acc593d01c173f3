// GNOME's custom shortcuts written into a real GSettings store (GLib's keyfile backend in a
// private folder) and read back by the gsettings tool; and the lines for sway and the others.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "GSettingsStore.h"
#include "platform/HotKeys.h"
#include "platform/linux/DesktopShortcutSettings.h"

using platform::IDesktopShortcuts;
using platform::linux_::TDesktopShortcutSettings;

namespace {

const QString Base = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
const QString Own = Base + "qingchuan-";
const uint32_t Ctrl = platform::ModControl, Alt = platform::ModAlt;

IDesktopShortcuts::TEntry Entry(const char *Action, uint32_t Modifiers, uint32_t Key) {
    return {Action, std::string("晴川助手:") + Action, Modifiers, Key};
}

// "['/a/', '/b/']" as the tool prints a list of paths.
QString ListText(const QStringList &Paths) {
    if (Paths.isEmpty())
        return "@as []";
    return "['" + Paths.join("', '") + "']";
}

QString Quoted(const QString &Text) {
    return "'" + Text + "'";
}

} // namespace

class tst_DesktopShortcutSettings : public QObject {
    Q_OBJECT
    QString FStore;

public:
    explicit tst_DesktopShortcutSettings(QString Store) : FStore(std::move(Store)) {}

private slots:
    // A missing tool or schema fails here, by name.
    void initTestCase() { QVERIFY2(FStore.isEmpty(), qPrintable(FStore)); }

    // Only the program's own entries change: others keep their place and values, ours are
    // changed where they stand, new ones go last, and a key cleared takes its entry out.
    void enterKeepsOthers_data() {
        QTest::addColumn<QStringList>("Before");
        QTest::addColumn<QList<int>>("Keys"); // hide-browsers, capture, chat, portal: 0 none
        QTest::addColumn<QStringList>("After");
        const QString A = Base + "custom0/", B = Base + "custom1/";
        // Another program's entry whose name merely starts like ours.
        const QString Like = Base + "qingchuan/";
        const QString Hide = Own + "hide-browsers/", Shot = Own + "capture/", Chat = Own + "chat/",
                      Portal = Own + "portal/";
        QTest::newRow("empty store") << QStringList() << QList<int>{'1', '2', '3', 'Q'}
                                     << QStringList{Hide, Shot, Chat, Portal};
        QTest::newRow("others first")
            << QStringList{A, B} << QList<int>{'1', 0, 0, 'Q'} << QStringList{A, B, Hide, Portal};
        QTest::newRow("changed in place")
            << QStringList{A, Shot, B, Like} << QList<int>{0, '5', 0, 0}
            << QStringList{A, Shot, B, Like};
        QTest::newRow("cleared keys leave")
            << QStringList{A, Hide, Shot, B, Chat} << QList<int>{0, '2', 0, 'Q'}
            << QStringList{A, Shot, B, Portal};
        QTest::newRow("all taken out") << QStringList{Hide, A, Like, Portal, B}
                                       << QList<int>{0, 0, 0, 0} << QStringList{A, Like, B};
    }
    void enterKeepsOthers() {
        QFETCH(QStringList, Before);
        QFETCH(QList<int>, Keys);
        QFETCH(QStringList, After);
        const char *Actions[] = {"--hide-browsers", "--capture", "--chat", "--portal"};
        // Each row starts from its own store: our four entries as never written, then Before.
        for (const char *A : Actions)
            GSettingsStore::ResetEntry(Own + QString(A).mid(2) + "/");
        GSettingsStore::SetList(Before);
        for (const QString &P : Before)
            GSettingsStore::SetEntry(P, "old", "old-command", "<Super>x");
        TDesktopShortcutSettings S("/opt/qc/qingchuan", "ubuntu:GNOME", false);
        QVERIFY(S.CanEnter());
        QCOMPARE(S.Entered(), Before.join(' ').contains(Own));
        std::vector<IDesktopShortcuts::TEntry> Entries;
        for (int I = 0; I < 4; ++I)
            Entries.push_back(Entry(Actions[I], I == 3 ? Ctrl | Alt : Ctrl, uint32_t(Keys[I])));
        if (Keys.count(0) == Keys.size())
            Entries.clear();
        QCOMPARE(S.Enter(Entries), std::string());

        QCOMPARE(GSettingsStore::Get(TDesktopShortcutSettings::ListSchema, "custom-keybindings"),
                 ListText(After));
        QCOMPARE(S.Entered(), After.join(' ').contains(Own));
        for (int I = 0; I < 4; ++I) {
            const QString Path = Own + QString(Actions[I]).mid(2) + "/";
            if (Keys[I] == 0) {
                // Gone, values and all.
                QCOMPARE(GSettingsStore::GetEntry(Path, "command"), QString("''"));
                continue;
            }
            QCOMPARE(GSettingsStore::GetEntry(Path, "command"),
                     Quoted("/opt/qc/qingchuan " + QString(Actions[I])));
            QCOMPARE(GSettingsStore::GetEntry(Path, "binding"),
                     Quoted(QString(I == 3 ? "<Control><Alt>" : "<Control>") +
                            QChar(Keys[I]).toLower()));
            QCOMPARE(GSettingsStore::GetEntry(Path, "name"),
                     Quoted("晴川助手:" + QString(Actions[I])));
        }
        for (const QString &P : Before)
            if (!P.startsWith(Own))
                QCOMPARE(GSettingsStore::GetEntry(P, "command"), QString("'old-command'"));
    }

    // GNOME's settings are offered only on GNOME.
    void onlyOnGnome_data() {
        QTest::addColumn<QString>("Desktop");
        QTest::addColumn<bool>("CanEnter");
        QTest::newRow("GNOME") << "GNOME" << true;
        QTest::newRow("Ubuntu's GNOME") << "ubuntu:GNOME" << true;
        QTest::newRow("KDE") << "KDE" << false;
        QTest::newRow("sway") << "sway" << false;
        QTest::newRow("GNOME-Flashback lookalike") << "GNOMEish" << false;
    }
    void onlyOnGnome() {
        QFETCH(QString, Desktop);
        QFETCH(bool, CanEnter);
        TDesktopShortcutSettings S("/opt/qc/qingchuan", Desktop.toStdString(), false);
        QCOMPARE(S.CanEnter(), CanEnter);
        if (!CanEnter)
            QVERIFY(!S.Enter({Entry("--capture", Ctrl, '2')}).empty());
    }

    // What a user adds by hand: sway's bindsym lines, or a key and its command; the program by
    // name when that name on PATH is this program, else by its path, quoted for a shell.
    void handLines_data() {
        QTest::addColumn<bool>("Sway");
        QTest::addColumn<QString>("Executable"); // "PATH": a program of that name on PATH
        QTest::addColumn<QStringList>("Lines");
        QTest::newRow("sway, on PATH")
            << true << "PATH"
            << QStringList{"bindsym Ctrl+1 exec qingchuan --hide-browsers",
                           "bindsym Ctrl+Shift+F5 exec qingchuan --capture",
                           "bindsym Ctrl+Alt+q exec qingchuan --portal"};
        QTest::newRow("sway, a folder with a blank")
            << true << "/opt/my qc/qingchuan"
            << QStringList{"bindsym Ctrl+1 exec '/opt/my qc/qingchuan' --hide-browsers",
                           "bindsym Ctrl+Shift+F5 exec '/opt/my qc/qingchuan' --capture",
                           "bindsym Ctrl+Alt+q exec '/opt/my qc/qingchuan' --portal"};
        QTest::newRow("other desktop") << false << "/opt/qc/qingchuan"
                                       << QStringList{"Ctrl+1: /opt/qc/qingchuan --hide-browsers",
                                                      "Ctrl+Shift+F5: /opt/qc/qingchuan --capture",
                                                      "Ctrl+Alt+q: /opt/qc/qingchuan --portal"};
    }
    void handLines() {
        QFETCH(bool, Sway);
        QFETCH(QString, Executable);
        QFETCH(QStringList, Lines);
        QTemporaryDir Bin;
        const QByteArray Path = qgetenv("PATH");
        if (Executable == "PATH") {
            Executable = Bin.filePath("qingchuan");
            QFile F(Executable);
            QVERIFY(F.open(QIODevice::WriteOnly));
            F.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            qputenv("PATH", Bin.path().toUtf8() + ":" + Path);
        }
        TDesktopShortcutSettings S(Executable.toStdString(), "sway", Sway);
        QCOMPARE(S.LinesKind(), Sway ? IDesktopShortcuts::TLines::SwayConfig
                                     : IDesktopShortcuts::TLines::Commands);
        const std::vector<std::string> Got =
            S.HandLines({Entry("--hide-browsers", Ctrl, '1'), Entry("--chat", Ctrl, 0),
                         Entry("--capture", Ctrl | platform::ModShift, 0x74),
                         Entry("--portal", Ctrl | Alt, 'Q')});
        qputenv("PATH", Path);
        QStringList G;
        for (const std::string &L : Got)
            G << QString::fromStdString(L);
        QCOMPARE(G, Lines);
    }
};

int main(int argc, char **argv) {
    // Before anything in the process touches GSettings.
    const QString Store = GSettingsStore::Prepare();
    QCoreApplication App(argc, argv);
    tst_DesktopShortcutSettings Test(Store);
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_desktopshortcutsettings.moc"
