#include <gio/gio.h>

#include "GSettingsStore.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

const char *const ListSchema = "org.gnome.settings-daemon.plugins.media-keys";
const char *const EntrySchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";

QString Tool() {
    return QStandardPaths::findExecutable("gsettings");
}

} // namespace

namespace GSettingsStore {

QString Prepare() {
    static QTemporaryDir Home;
    if (!Home.isValid())
        return "no temporary folder";
    qputenv("XDG_CONFIG_HOME", Home.path().toUtf8());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    if (Tool().isEmpty())
        return "gsettings (libglib2.0-bin) is not installed";
    GSettingsSchemaSource *Source = g_settings_schema_source_get_default();
    GSettingsSchema *Schema =
        Source ? g_settings_schema_source_lookup(Source, EntrySchema, TRUE) : nullptr;
    if (!Schema)
        return QString("the schema %1 (gnome-settings-daemon-common) is not installed")
            .arg(EntrySchema);
    g_settings_schema_unref(Schema);
    return {};
}

void SetList(const QStringList &Paths) {
    GSettings *S = g_settings_new(ListSchema);
    QList<QByteArray> Bytes;
    std::vector<const gchar *> Strv;
    for (const QString &P : Paths)
        Bytes << P.toUtf8();
    for (const QByteArray &B : Bytes)
        Strv.push_back(B.constData());
    Strv.push_back(nullptr);
    g_settings_set_strv(S, "custom-keybindings", Strv.data());
    g_object_unref(S);
}

void SetEntry(const QString &Path, const QString &Name, const QString &Command,
              const QString &Binding) {
    GSettings *S = g_settings_new_with_path(EntrySchema, Path.toUtf8().constData());
    g_settings_set_string(S, "name", Name.toUtf8().constData());
    g_settings_set_string(S, "command", Command.toUtf8().constData());
    g_settings_set_string(S, "binding", Binding.toUtf8().constData());
    g_object_unref(S);
}

void ResetEntry(const QString &Path) {
    GSettings *S = g_settings_new_with_path(EntrySchema, Path.toUtf8().constData());
    for (const char *Key : {"name", "command", "binding"})
        g_settings_reset(S, Key);
    g_object_unref(S);
}

QString Get(const QString &Schema, const QString &Key) {
    QProcess P;
    P.start(Tool(), {"get", Schema, Key});
    if (!P.waitForFinished(30000) || P.exitCode() != 0)
        return "(gsettings failed: " + QString::fromUtf8(P.readAllStandardError()) + ")";
    return QString::fromUtf8(P.readAllStandardOutput()).trimmed();
}

QString GetEntry(const QString &Path, const QString &Key) {
    return Get(QString(EntrySchema) + ":" + Path, Key);
}

} // namespace GSettingsStore
