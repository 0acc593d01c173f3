#include "UserEnvironment.h"

#include <optional>

extern char **environ;

namespace platform {

namespace {

std::optional<std::vector<std::string>> &Kept() {
    static std::optional<std::vector<std::string>> Entries;
    return Entries;
}

std::vector<std::string> Current() {
    std::vector<std::string> Entries;
    for (char **E = environ; E && *E; ++E)
        Entries.emplace_back(*E);
    return Entries;
}

bool MeantForUsAlone(const std::string &Entry) {
    // A launcher hands the program a token that lets its first window take the focus; a program
    // started hours later with it would claim a start-up that has long ended.
    for (const char *Name : {"DESKTOP_STARTUP_ID=", "XDG_ACTIVATION_TOKEN="})
        if (Entry.rfind(Name, 0) == 0)
            return true;
    return false;
}

} // namespace

void KeepUserEnvironment() {
    if (!Kept())
        Kept() = Current();
}

void KeepUserEnvironment(std::vector<std::string> Entries) {
    Kept() = std::move(Entries);
}

std::vector<std::string> UserEnvironment() {
    std::vector<std::string> Result;
    for (std::string &Entry : Kept() ? *Kept() : Current())
        if (!MeantForUsAlone(Entry))
            Result.push_back(std::move(Entry));
    return Result;
}

} // namespace platform
