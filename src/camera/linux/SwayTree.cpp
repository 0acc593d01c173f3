#include "SwayTree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <optional>

#include "../WindowFinder.h"

namespace camera {

namespace {

struct TLayers {
    std::vector<QRect> FullScreen, Floating, Tiled;
};

// A whole number of the tree (0 where it is missing); none for one that is not whole or lies
// beyond an int.
std::optional<qint64> Whole(const QJsonValue &Value) {
    if (Value.isUndefined() || Value.isNull())
        return 0;
    const double D = Value.toDouble(std::nan(""));
    if (!(D >= -2147483648.0 && D <= 2147483647.0) || D != std::trunc(D))
        return std::nullopt;
    return qint64(D);
}

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
        // The numbers come from another program: summed wide, and absurd ones refused.
        const std::optional<qint64> X = Whole(R.value("x")), Y = Whole(R.value("y")),
                                    W = Whole(R.value("width")), H = Whole(R.value("height")),
                                    Title =
                                        Whole(Node.value("deco_rect").toObject().value("height"));
        const QRect Rect = !X || !Y || !W || !H || !Title || *Title < 0 || *Title > (1 << 20)
                               ? QRect()
                               : WindowRectFrom(*X, *Y - *Title, *W, *H + *Title);
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
