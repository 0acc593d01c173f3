#pragma once

#include <QString>

#include "../WindowFinder.h"

namespace camera {

// The windows of a sway session, asked of sway over its IPC socket each time.
class TSwayWindowFinder : public IWindowFinder {
public:
    explicit TSwayWindowFinder(QString Socket) : FSocket(std::move(Socket)) {}
    std::vector<QRect> TopLevelWindows() override;

private:
    QString FSocket;
};

// The layout tree as sway's IPC socket gives it; empty when the socket does not answer in time.
QByteArray SwayGetTree(const QString &Socket, int TimeoutMs);

} // namespace camera
