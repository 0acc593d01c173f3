#pragma once

#include <QString>
#include <QStringList>

// A private GSettings store for one test program: GLib's keyfile backend in a temporary
// XDG_CONFIG_HOME, the same store the gsettings tool reads, so what the program wrote is read
// back by another program, as GNOME's daemon would.
namespace GSettingsStore {

// Must run before anything in the process uses GSettings (first thing in main). Empty when the
// store is ready; else what is missing (the gsettings tool, GNOME's shortcut schema).
QString Prepare();
// The list of custom shortcuts and one entry, written from this process.
void SetList(const QStringList &Paths);
void SetEntry(const QString &Path, const QString &Name, const QString &Command,
              const QString &Binding);
// Takes an entry's values back to the schema's defaults.
void ResetEntry(const QString &Path);
// The value as the gsettings tool prints it ("['/a/', '/b/']", "'<Control>1'").
QString Get(const QString &Schema, const QString &Key);
QString GetEntry(const QString &Path, const QString &Key);

} // namespace GSettingsStore
