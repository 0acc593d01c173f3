#pragma once

#include <memory>

#include "platform/InstanceGuard.h"

class QSocketNotifier;

namespace platform::linux_ {

// A listening socket in the abstract namespace, named after the executable's file name and the
// user id. Binding it is the claim: the kernel lets one process hold a name and frees it when
// that process ends, however it ends. A later start connects and writes one byte.
class TSocketInstanceGuard : public IInstanceGuard {
public:
    TSocketInstanceGuard();
    ~TSocketInstanceGuard() override;
    TResult Acquire(const std::string &Name) override;
    void NotifyFirst() override;
    void SetOnMessage(std::function<void()> Handler) override;

private:
    void Accept();
    std::string FAddress;
    int FSocket = -1;
    std::unique_ptr<QSocketNotifier> FNotifier;
    std::function<void()> FOnMessage;
};

} // namespace platform::linux_
