#pragma once

#include "platform/Shell.h"

namespace platform::linux_ {

// Programs are started directly; everything else goes to xdg-open.
class TXdgShell : public IShell {
public:
    bool Open(const std::string &Target, const std::string &WorkDir = {}) override;
    // The program Target names (a path or a name on PATH), or empty when it names none.
    static std::string ProgramPath(const std::string &Target);
};

} // namespace platform::linux_
