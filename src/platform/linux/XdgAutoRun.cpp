#include "XdgAutoRun.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace platform::linux_ {

TXdgAutoRun::TXdgAutoRun(std::string SystemDir, std::string UserDir)
    : FSystemDir(std::move(SystemDir)), FUserDir(std::move(UserDir)) {}

std::string TXdgAutoRun::DefaultSystemDir() {
    return "/etc/xdg/autostart";
}

std::string TXdgAutoRun::DefaultUserDir() {
    const char *Config = std::getenv("XDG_CONFIG_HOME");
    if (Config && *Config == '/')
        return std::string(Config) + "/autostart";
    const char *Home = std::getenv("HOME");
    return std::string(Home ? Home : "") + "/.config/autostart";
}

std::string TXdgAutoRun::QuoteExec(const std::string &Path) {
    // Inside a quoted argument, ", `, $ and \ take a backslash; the whole value is then a
    // desktop-file string, in which a backslash is written twice. % starts a field code.
    std::string Quoted = "\"";
    for (char C : Path) {
        if (C == '"' || C == '`' || C == '$')
            Quoted += "\\\\";
        else if (C == '\\')
            Quoted += "\\\\\\";
        else if (C == '%') {
            Quoted += "%%";
            continue;
        }
        Quoted += C;
    }
    return Quoted + "\"";
}

namespace {

bool WriteEntry(const std::string &Dir, const std::string &ExeName, const std::string &ExePath) {
    std::error_code Ec;
    fs::create_directories(Dir, Ec);
    if (!fs::is_directory(Dir))
        return false;
    const fs::path Target = fs::path(Dir) / (ExeName + ".desktop");
    const fs::path Temp = fs::path(Dir) / ("." + ExeName + ".desktop.tmp");
    {
        std::ofstream Out(Temp, std::ios::binary | std::ios::trunc);
        if (!Out)
            return false;
        Out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=" << ExeName << "\n"
            << "Exec=" << TXdgAutoRun::QuoteExec(ExePath) << "\n"
            << "X-GNOME-Autostart-enabled=true\n";
        Out.flush();
        if (!Out) {
            Out.close();
            fs::remove(Temp, Ec);
            return false;
        }
    }
    fs::rename(Temp, Target, Ec);
    if (Ec) {
        fs::remove(Temp, Ec);
        return false;
    }
    return true;
}

} // namespace

TAutoRunResult TXdgAutoRun::Enable(const std::string &ExeName, const std::string &ExePath) {
    const std::string File = ExeName + ".desktop";
    if (WriteEntry(FSystemDir, ExeName, ExePath))
        return {true, (fs::path(FSystemDir) / File).string()};
    const std::string User = (fs::path(FUserDir) / File).string();
    if (WriteEntry(FUserDir, ExeName, ExePath))
        return {true, User};
    // The machine-wide folder is for administrators; the user's own is the one that had to work.
    return {false, User};
}

TAutoRunResult TXdgAutoRun::Disable(const std::string &ExeName) {
    for (const std::string &Dir : {FSystemDir, FUserDir}) {
        const fs::path Entry = fs::path(Dir) / (ExeName + ".desktop");
        std::error_code Ec;
        if (!fs::exists(fs::symlink_status(Entry, Ec)))
            continue;
        if (!fs::remove(Entry, Ec) || Ec)
            return {false, Entry.string()};
    }
    return {true, {}};
}

} // namespace platform::linux_
