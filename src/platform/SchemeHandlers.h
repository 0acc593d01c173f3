#pragma once

#include <string>

namespace platform {

// Programs registered for an address scheme ("tencent" for tencent://...). The registration is
// looked up anew on every call, so a program installed or removed meanwhile is seen at once.
class ISchemeHandlers {
public:
    virtual ~ISchemeHandlers() = default;
    // Whether some program is registered for addresses of Scheme (without the colon).
    virtual bool IsRegistered(const std::string &Scheme) = 0;
    // Hands Address to the program registered for its scheme, without waiting for it. False
    // when none is registered or it could not be started.
    virtual bool OpenAddress(const std::string &Address) = 0;
};

} // namespace platform
