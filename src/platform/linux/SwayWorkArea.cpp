#include "SwayWorkArea.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtGlobal>

#include "SwayIpc.h"
#include "platform/DesktopWorkArea.h"

namespace platform::linux_ {

namespace {

// Far beyond any screen, and small enough that no sum of two overflows.
constexpr int Farthest = 1 << 24;

std::optional<QRect> ReadRect(const QJsonValue &Value) {
    const QJsonObject Rect = Value.toObject();
    const auto Read = [&](const char *Name) {
        return qBound(-Farthest, Rect.value(QLatin1String(Name)).toInt(-Farthest - 1), Farthest);
    };
    const int X = Read("x"), Y = Read("y"), W = Read("width"), H = Read("height");
    if (W <= 0 || H <= 0 || X < -Farthest + 1 || Y < -Farthest + 1)
        return std::nullopt;
    return QRect(X, Y, W, H);
}

} // namespace

std::optional<QRect> SwayWorkArea(const QByteArray &Workspaces, const QRect &Screen) {
    const QJsonDocument Doc = QJsonDocument::fromJson(Workspaces);
    if (!Doc.isArray())
        return std::nullopt;
    std::optional<QRect> Found;
    for (const QJsonValue Value : Doc.array()) {
        const QJsonObject Workspace = Value.toObject();
        if (!Workspace.value("visible").toBool())
            continue;
        const std::optional<QRect> Rect = ReadRect(Workspace.value("rect"));
        if (!Rect || !Rect->intersects(Screen))
            continue;
        // Each output shows one workspace; the focused one decides where outputs overlap.
        if (!Found || Workspace.value("focused").toBool())
            Found = *Rect & Screen;
    }
    return Found;
}

} // namespace platform::linux_

namespace platform {

std::optional<QRect> DesktopWorkArea(const QRect &Screen) {
    const QString Socket = qEnvironmentVariable("SWAYSOCK");
    if (Socket.isEmpty())
        return std::nullopt;
    // Asked on the user-interface thread: a sway that does not answer at once is passed over.
    constexpr int PatienceMs = 300;
    const std::optional<QByteArray> Answer =
        linux_::SwayIpc::Ask(Socket, linux_::SwayIpc::GetWorkspaces, {}, PatienceMs);
    if (!Answer)
        return std::nullopt;
    return linux_::SwayWorkArea(*Answer, Screen);
}

} // namespace platform
