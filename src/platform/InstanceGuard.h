#pragma once

#include <functional>
#include <string>

namespace platform {

// One running copy per executable file name and user.
class IInstanceGuard {
public:
    enum class TResult { First, Second, Failed };
    virtual ~IInstanceGuard() = default;
    // Claims the instance Name for this process; the claim ends with the process.
    virtual TResult Acquire(const std::string &Name) = 0;
    // From a second instance: tells the first one, without waiting for it to react.
    virtual void NotifyFirst() = 0;
    // In the first instance: called on the event loop for each later start.
    virtual void SetOnMessage(std::function<void()> Handler) = 0;
};

} // namespace platform
