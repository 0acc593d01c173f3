#include "SwayTree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace camera {

namespace {

struct TLayers {
    std::vector<QRect> FullScreen, Floating, Tiled;
};

bool IsWindow(const QJsonObject &Node) {
    // Views carry the client's process; containers that only split space do not.
    return Node.value("pid").toInt() > 0 || Node.value("app_id").isString() ||
           Node.value("window").isDouble();
}

void Walk(const QJsonObject &Node, bool Floating, TLayers &Layers) {
    if (Node.value("type").toString() == "output" && Node.value("name").toString() == "__i3")
        return; // the scratchpad
    if (IsWindow(Node)) {
        if (!Node.value("visible").toBool(true))
            return;
        const QJsonObject R = Node.value("rect").toObject();
        // The title bar (deco_rect, whose place is given relative to the parent) sits right
        // above the window's rectangle; it belongs to the window as a frame does on X11.
        const int Title = Node.value("deco_rect").toObject().value("height").toInt();
        const QRect Rect(R.value("x").toInt(), R.value("y").toInt() - Title,
                         R.value("width").toInt(), R.value("height").toInt() + Title);
        if (Rect.isEmpty())
            return;
        if (Node.value("fullscreen_mode").toInt() != 0)
            Layers.FullScreen.push_back(Rect);
        else if (Floating)
            Layers.Floating.push_back(Rect);
        else
            Layers.Tiled.push_back(Rect);
        return;
    }
    for (const QJsonValue Child : Node.value("nodes").toArray())
        Walk(Child.toObject(), Floating, Layers);
    for (const QJsonValue Child : Node.value("floating_nodes").toArray())
        Walk(Child.toObject(), true, Layers);
}

} // namespace

std::vector<QRect> SwayTreeWindows(const QByteArray &Json) {
    const QJsonDocument Doc = QJsonDocument::fromJson(Json);
    if (!Doc.isObject())
        return {};
    TLayers Layers;
    Walk(Doc.object(), false, Layers);
    std::vector<QRect> Result = std::move(Layers.FullScreen);
    Result.insert(Result.end(), Layers.Floating.rbegin(), Layers.Floating.rend());
    Result.insert(Result.end(), Layers.Tiled.begin(), Layers.Tiled.end());
    return Result;
}

} // namespace camera
