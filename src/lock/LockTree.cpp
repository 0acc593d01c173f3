#include "LockTree.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <unistd.h>

#include "LockFiles.h"

namespace LockTree {

bool IsPartName(const std::string &Name) {
    if (Name.size() != PartPrefix.size() + 32 || Name.compare(0, PartPrefix.size(), PartPrefix))
        return false;
    return std::all_of(Name.begin() + PartPrefix.size(), Name.end(),
                       [](char C) { return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f'); });
}

namespace {

void WalkFolder(const std::string &Root, const std::string &Rel,
                const std::vector<std::string> &Skip, std::vector<TItem> &Items) {
    const std::string Dir = LockFiles::Join(Root, Rel);
    DIR *D = ::opendir(Dir.c_str());
    if (!D) {
        if (!Rel.empty()) {
            Items.back().Kind = TKind::Unreadable;
            Items.back().Errno = errno;
        }
        return;
    }
    std::vector<std::string> Names;
    while (const dirent *E = ::readdir(D)) {
        const std::string Name = E->d_name;
        if (Name == "." || Name == "..")
            continue;
        if (Rel.empty() && std::find(Skip.begin(), Skip.end(), Name) != Skip.end())
            continue;
        Names.push_back(Name);
    }
    ::closedir(D);
    std::sort(Names.begin(), Names.end());
    for (const std::string &Name : Names) {
        const std::string Path = LockFiles::Join(Rel, Name);
        TItem Item{TKind::Other, Path, {}};
        if (!LockFiles::Stat(LockFiles::Join(Root, Path), Item.St))
            continue; // gone meanwhile
        if (S_ISREG(Item.St.st_mode) && IsPartName(Name)) {
            ::unlink(LockFiles::Join(Root, Path).c_str());
            continue;
        }
        Item.Kind = S_ISDIR(Item.St.st_mode)   ? TKind::Folder
                    : S_ISREG(Item.St.st_mode) ? TKind::File
                    : S_ISLNK(Item.St.st_mode) ? TKind::Link
                                               : TKind::Other;
        Items.push_back(Item);
        if (Item.Kind == TKind::Folder)
            WalkFolder(Root, Path, Skip, Items);
    }
}

} // namespace

std::vector<TItem> Walk(const std::string &Root, const std::vector<std::string> &Skip) {
    std::vector<TItem> Items;
    WalkFolder(Root, std::string(), Skip, Items);
    return Items;
}

} // namespace LockTree
