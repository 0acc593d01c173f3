#include "SwayWindowFinder.h"

#include "SwayTree.h"
#include "platform/linux/SwayIpc.h"

namespace camera {

QByteArray SwayGetTree(const QString &Socket, int TimeoutMs) {
    namespace Ipc = platform::linux_::SwayIpc;
    return Ipc::Ask(Socket, Ipc::GetTree, {}, TimeoutMs).value_or(QByteArray());
}

std::vector<QRect> TSwayWindowFinder::TopLevelWindows() {
    return SwayTreeWindows(SwayGetTree(FSocket, 2000));
}

} // namespace camera
