// GLib first: its headers name struct fields the way Qt's keywords are spelt.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include "DesktopShortcutSettings.h"

#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "platform/HotKeys.h"
#include "platform/Session.h"
#include "platform/VirtualKeys.h"

namespace platform::linux_ {

const char *const TDesktopShortcutSettings::ListSchema =
    "org.gnome.settings-daemon.plugins.media-keys";
const char *const TDesktopShortcutSettings::EntrySchema =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const char *const TDesktopShortcutSettings::OwnPathPrefix =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/qingchuan-";

namespace {

const char *const ListKey = "custom-keybindings";

struct TUnref {
    void operator()(gpointer P) const { g_object_unref(P); }
};
using TSettings = std::unique_ptr<GSettings, TUnref>;

struct TStrvFree {
    void operator()(gchar **P) const { g_strfreev(P); }
};

std::string OwnPath(const std::string &Action) {
    // "--capture" is kept as "qingchuan-capture/"; a path element takes no leading dashes.
    std::string Name = Action;
    Name.erase(0, Name.find_first_not_of('-'));
    return TDesktopShortcutSettings::OwnPathPrefix + Name + "/";
}

bool IsOwn(const std::string &Path) {
    return Path.rfind(TDesktopShortcutSettings::OwnPathPrefix, 0) == 0;
}

// The schema, when this machine has it; creating settings of a missing schema ends the process.
bool HasSchema(const char *Id, const char *Key) {
    GSettingsSchemaSource *Source = g_settings_schema_source_get_default();
    if (!Source)
        return false;
    GSettingsSchema *Schema = g_settings_schema_source_lookup(Source, Id, TRUE);
    if (!Schema)
        return false;
    const bool Has = g_settings_schema_has_key(Schema, Key);
    g_settings_schema_unref(Schema);
    return Has;
}

std::vector<std::string> ReadList(GSettings *List) {
    std::vector<std::string> Paths;
    std::unique_ptr<gchar *, TStrvFree> Strv(g_settings_get_strv(List, ListKey));
    for (gchar **P = Strv.get(); P && *P; ++P)
        Paths.emplace_back(*P);
    return Paths;
}

std::string KeySymName(uint32_t VirtualKey) {
    const TVirtualKey *Key = FindVirtualKey(VirtualKey);
    if (!Key || Key->KeySym == 0)
        return {};
    char Name[64];
    if (xkb_keysym_get_name(Key->KeySym, Name, sizeof Name) <= 0)
        return {};
    return Name;
}

std::string ExecutableOfThisProcess() {
    char Path[PATH_MAX];
    const ssize_t N = readlink("/proc/self/exe", Path, sizeof Path - 1);
    return N > 0 ? std::string(Path, size_t(N)) : std::string("qingchuan");
}

std::string RealPath(const std::string &Path) {
    char *Real = realpath(Path.c_str(), nullptr);
    if (!Real)
        return Path;
    std::string R = Real;
    free(Real);
    return R;
}

} // namespace

TDesktopShortcutSettings::TDesktopShortcutSettings(std::string Executable,
                                                   std::string CurrentDesktop, bool Sway)
    : FExecutable(std::move(Executable)), FSway(Sway) {
    // $XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME").
    std::string Desktops = ":" + CurrentDesktop + ":";
    FGnome = Desktops.find(":GNOME:") != std::string::npos;
}

TDesktopShortcutSettings::TDesktopShortcutSettings()
    : TDesktopShortcutSettings(
          ExecutableOfThisProcess(),
          std::getenv("XDG_CURRENT_DESKTOP") ? std::getenv("XDG_CURRENT_DESKTOP") : "",
          PlacesWindowsItself()) {}

bool TDesktopShortcutSettings::CanEnter() {
    if (!FGnome || !HasSchema(ListSchema, ListKey) || !HasSchema(EntrySchema, "binding"))
        return false;
    // Without a settings store of the desktop's (dconf) GLib keeps values in memory only: an
    // entry made there would be gone with the program, and GNOME would never see it.
    GSettingsBackend *Backend = g_settings_backend_get_default();
    const bool InMemory = std::strcmp(G_OBJECT_TYPE_NAME(Backend), "GMemorySettingsBackend") == 0;
    g_object_unref(Backend);
    return !InMemory;
}

bool TDesktopShortcutSettings::Entered() {
    if (!CanEnter())
        return false;
    const TSettings List(g_settings_new(ListSchema));
    const std::vector<std::string> Paths = ReadList(List.get());
    return std::any_of(Paths.begin(), Paths.end(), IsOwn);
}

std::string TDesktopShortcutSettings::Enter(const std::vector<TEntry> &Entries) {
    if (!CanEnter())
        return "GNOME's shortcut settings are not there";
    const TSettings List(g_settings_new(ListSchema));
    const std::vector<std::string> Old = ReadList(List.get());
    std::vector<std::string> Wanted;
    // Each entry is complete before the list names it: GNOME acts on the list as it changes.
    for (const TEntry &E : Entries) {
        const std::string Binding = GnomeBinding(E.Modifiers, E.VirtualKey);
        if (Binding.empty())
            continue;
        const std::string Path = OwnPath(E.Action);
        const TSettings Entry(g_settings_new_with_path(EntrySchema, Path.c_str()));
        if (!g_settings_set_string(Entry.get(), "name", E.Name.c_str()) ||
            !g_settings_set_string(Entry.get(), "command", Command(E.Action).c_str()) ||
            !g_settings_set_string(Entry.get(), "binding", Binding.c_str()))
            return "GNOME's shortcut settings cannot be written";
        Wanted.push_back(Path);
    }
    // Others' entries stay where they are, and so do ours that are still wanted; new ones go
    // at the end.
    std::vector<std::string> New;
    const auto Has = [](const std::vector<std::string> &V, const std::string &P) {
        return std::find(V.begin(), V.end(), P) != V.end();
    };
    for (const std::string &P : Old)
        if (!IsOwn(P) || (Has(Wanted, P) && !Has(New, P)))
            New.push_back(P);
    for (const std::string &P : Wanted)
        if (!Has(New, P))
            New.push_back(P);
    if (New != Old) {
        std::vector<const gchar *> Strv;
        for (const std::string &P : New)
            Strv.push_back(P.c_str());
        Strv.push_back(nullptr);
        if (!g_settings_set_strv(List.get(), ListKey, Strv.data()))
            return "GNOME's shortcut settings cannot be written";
    }
    // A removed entry leaves no values behind for the next program that takes its path.
    for (const std::string &P : Old)
        if (IsOwn(P) && !Has(New, P)) {
            const TSettings Entry(g_settings_new_with_path(EntrySchema, P.c_str()));
            for (const char *Key : {"name", "command", "binding"})
                g_settings_reset(Entry.get(), Key);
        }
    return {};
}

std::vector<std::string>
TDesktopShortcutSettings::HandLines(const std::vector<TEntry> &Entries) const {
    std::vector<std::string> Lines;
    for (const TEntry &E : Entries) {
        const std::string Keys = SwayBinding(E.Modifiers, E.VirtualKey);
        if (Keys.empty())
            continue;
        Lines.push_back(FSway ? "bindsym " + Keys + " exec " + Command(E.Action)
                              : Keys + ": " + Command(E.Action));
    }
    return Lines;
}

std::string TDesktopShortcutSettings::Command(const std::string &Action) const {
    std::string Program = FExecutable;
    const std::string Base = FExecutable.substr(FExecutable.rfind('/') + 1);
    if (gchar *Found = g_find_program_in_path(Base.c_str())) {
        if (RealPath(Found) == RealPath(FExecutable))
            Program = Base;
        g_free(Found);
    }
    gchar *Quoted = g_shell_quote(Program.c_str());
    // A plain name or path needs no quotes; one with blanks or quotes keeps them.
    std::string Text = Program.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTU"
                                                 "VWXYZ0123456789/._-+") == std::string::npos
                           ? Program
                           : std::string(Quoted);
    g_free(Quoted);
    return Text + " " + Action;
}

std::string TDesktopShortcutSettings::GnomeBinding(uint32_t Modifiers, uint32_t VirtualKey) {
    const std::string Key = KeySymName(VirtualKey);
    if (Key.empty())
        return {};
    std::string B;
    if (Modifiers & ModControl)
        B += "<Control>";
    if (Modifiers & ModAlt)
        B += "<Alt>";
    if (Modifiers & ModShift)
        B += "<Shift>";
    if (Modifiers & ModWin)
        B += "<Super>";
    return B + Key;
}

std::string TDesktopShortcutSettings::SwayBinding(uint32_t Modifiers, uint32_t VirtualKey) {
    const std::string Key = KeySymName(VirtualKey);
    if (Key.empty())
        return {};
    std::string B;
    if (Modifiers & ModControl)
        B += "Ctrl+";
    if (Modifiers & ModAlt)
        B += "Alt+";
    if (Modifiers & ModShift)
        B += "Shift+";
    if (Modifiers & ModWin)
        B += "Mod4+";
    return B + Key;
}

} // namespace platform::linux_
