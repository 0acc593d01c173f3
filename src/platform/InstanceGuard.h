#pragma once

#include <functional>
#include <string>

namespace platform {

// One running copy per executable file name and user.
class IInstanceGuard {
public:
    enum class TResult { First, Second, Failed };
    // The longest message a later start hands over; anything longer is cut there.
    static constexpr size_t MaxMessage = 256;
    virtual ~IInstanceGuard() = default;
    // Claims the instance Name for this process; the claim ends with the process.
    virtual TResult Acquire(const std::string &Name) = 0;
    // From a second instance: hands Message (empty for a plain start) to the first one, without
    // waiting for it to react. False when it could not be handed over.
    virtual bool NotifyFirst(const std::string &Message) = 0;
    // In the first instance: called on the event loop with the message of each later start of
    // the same user, once that start's message is whole.
    virtual void SetOnMessage(std::function<void(const std::string &Message)> Handler) = 0;
};

} // namespace platform
