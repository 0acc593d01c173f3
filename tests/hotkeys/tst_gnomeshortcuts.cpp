// The settings page on GNOME without the GlobalShortcuts portal: the keys entered as GNOME's
// custom shortcuts in a real GSettings store (GLib's keyfile backend in a private folder), read
// back by the gsettings tool as GNOME's daemon would read them.
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include "GSettingsStore.h"
#include "TestSupport.h"
#include "dialogs/Dialogs.h"
#include "hotkeys/HotKeyEdit.h"
#include "hotkeys/HotKeyNotices.h"
#include "hotkeys/SettingsPage.h"
#include "hotkeys/VozedaRiru.h"
#include "platform/linux/DesktopShortcutSettings.h"

namespace {

const QString Base = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
const QString Other = Base + "custom0/";

QString List() {
    return GSettingsStore::Get("org.gnome.settings-daemon.plugins.media-keys",
                               "custom-keybindings");
}
QString Own(const char *Feature) {
    return Base + "qingchuan-" + Feature + "/";
}
QString ListOf(const QStringList &Paths) {
    return "['" + Paths.join("', '") + "']";
}

} // namespace

class tst_GnomeShortcuts : public QObject {
    Q_OBJECT
    QString FStore;

public:
    explicit tst_GnomeShortcuts(QString Store) : FStore(std::move(Store)) {}

private slots:
    void initTestCase() { QVERIFY2(FStore.isEmpty(), qPrintable(FStore)); }

    void enteredFromTheSettingsPage() {
        GSettingsStore::SetList({Other});
        GSettingsStore::SetEntry(Other, "Terminal", "gnome-terminal", "<Super>t");
        TTestConfig Cfg;
        Cfg.WriteIni("[ShortCut]\nShowOrHideIE=16433\nScreenShot=16434\nChat=16435\n");
        Dialogs::TDialogScript Script;
        TFakePlatform Fake;
        Fake.HotKeys->Offered = false; // no GlobalShortcuts portal
        TVozedaRiru::TContext C;
        C.Platform = Fake.Platform();
        C.Platform.DesktopShortcuts = std::make_shared<platform::linux_::TDesktopShortcutSettings>(
            "/opt/qc/qingchuan", "GNOME", false);
        TVozedaRiru Gen(std::move(C));
        // The notice at the first start points to the page's box, and to no tray menu.
        QCOMPARE(Script.Shown().size(), 1);
        const QString Notice = Script.Shown()[0].Text;
        QVERIFY2(Notice.contains(HotKeyNotices::GnomeShortcutsCaption), qPrintable(Notice));
        QVERIFY2(!Notice.contains("托盘"), qPrintable(Notice));
        Script.Clear();

        QWidget Tab;
        int Closed = 0;
        TSettingsPage Page(
            &Tab, [&] { return &Gen; }, [&] { ++Closed; });
        Page.Load();
        QVERIFY(Page.CheckBox3()->isVisibleTo(&Tab));
        QCOMPARE(Page.CheckBox3()->text(), QString("登记为GNOME自定义快捷键"));
        QVERIFY(!Page.CheckBox3()->isChecked());

        // Ticked: the four keys become GNOME's, after the other program's entry.
        Page.CheckBox3()->setChecked(true);
        QTest::mouseClick(Page.Button2(), Qt::LeftButton);
        QCOMPARE(Closed, 1);
        const QStringList All = {Other, Own("hide-browsers"), Own("capture"), Own("chat"),
                                 Own("portal")};
        QCOMPARE(List(), ListOf(All));
        QCOMPARE(GSettingsStore::GetEntry(Own("capture"), "command"),
                 QString("'/opt/qc/qingchuan --capture'"));
        QCOMPARE(GSettingsStore::GetEntry(Own("portal"), "binding"), QString("'<Control><Alt>q'"));

        // A key changed and one cleared: their entries follow.
        Page.Load();
        QVERIFY(Page.CheckBox3()->isChecked());
        Page.HotKey1()->SetHotKey(0x4036);
        Page.HotKey4()->SetHotKey(0);
        QTest::mouseClick(Page.Button2(), Qt::LeftButton);
        const QStringList NoChat = {Other, Own("hide-browsers"), Own("capture"), Own("portal")};
        QCOMPARE(List(), ListOf(NoChat));
        QCOMPARE(GSettingsStore::GetEntry(Own("hide-browsers"), "binding"),
                 QString("'<Control>6'"));
        QCOMPARE(Config().SKey_ShowOrHideIE(), uint16_t(0x4036));

        // Cleared box: only the other program's entry is left, as it was.
        Page.Load();
        Page.CheckBox3()->setChecked(false);
        QTest::mouseClick(Page.Button2(), Qt::LeftButton);
        QCOMPARE(List(), "['" + Other + "']");
        QCOMPARE(GSettingsStore::GetEntry(Other, "command"), QString("'gnome-terminal'"));
        Page.Load();
        QVERIFY(!Page.CheckBox3()->isChecked());
        QCOMPARE(Closed, 3);
        QVERIFY2(Script.Shown().isEmpty(), qPrintable(Script.Shown().value(0).Text));
    }
};

int main(int argc, char **argv) {
    // Before anything in the process touches GSettings.
    const QString Store = GSettingsStore::Prepare();
    QApplication App(argc, argv);
    tst_GnomeShortcuts Test(Store);
    return QTest::qExec(&Test, argc, argv);
}

#include "tst_gnomeshortcuts.moc"
