#pragma once

#include <map>
#include <memory>

#include "platform/InstanceGuard.h"

class QSocketNotifier;
class QTimer;

namespace platform::linux_ {

// A listening socket in the abstract namespace, named after the executable's file name and the
// user id. Binding it is the claim: the kernel lets one process hold a name and frees it when
// that process ends, however it ends. A later start connects, writes its message and closes.
class TSocketInstanceGuard : public IInstanceGuard {
public:
    TSocketInstanceGuard();
    ~TSocketInstanceGuard() override;
    TResult Acquire(const std::string &Name) override;
    bool NotifyFirst(const std::string &Message) override;
    void SetOnMessage(std::function<void(const std::string &Message)> Handler) override;

private:
    struct TClient;
    void Accept();
    void Read(int Fd);
    void Drop(int Fd);
    std::string FAddress;
    int FSocket = -1;
    std::unique_ptr<QSocketNotifier> FNotifier;
    std::map<int, std::unique_ptr<TClient>> FClients;
    std::function<void(const std::string &Message)> FOnMessage;
};

} // namespace platform::linux_
