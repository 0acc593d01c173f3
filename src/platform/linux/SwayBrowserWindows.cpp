#include "SwayBrowserWindows.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cstdlib>
#include <functional>
#include <unistd.h>

#include "SwayIpc.h"
#include "XcbBrowserWindows.h"

namespace platform::linux_ {

namespace {

struct TView {
    qint64 Id;
    bool Floating;
    bool InScratchpad;
};

bool IsBrowserView(const QJsonObject &Node) {
    // XWayland windows carry a class instead, and are the X11 backend's.
    const QString AppId = Node.value("app_id").toString();
    return !AppId.isEmpty() && TXcbBrowserWindows::IsBrowserClass(AppId.toStdString()) &&
           Node.value("pid").toInteger() != ::getpid();
}

// Every browser view in the tree, with where it is.
std::vector<TView> BrowserViews(const QJsonDocument &Tree) {
    std::vector<TView> Views;
    std::function<void(const QJsonObject &, bool)> Walk = [&](const QJsonObject &Node,
                                                              bool InScratchpad) {
        if (Node.value("type").toString() == "workspace")
            InScratchpad = Node.value("name").toString() == "__i3_scratch";
        const QString Type = Node.value("type").toString();
        if ((Type == "con" || Type == "floating_con") && IsBrowserView(Node))
            Views.push_back({Node.value("id").toInteger(), Type == "floating_con", InScratchpad});
        for (const char *Children : {"nodes", "floating_nodes"})
            for (const QJsonValue Child : Node.value(Children).toArray())
                Walk(Child.toObject(), InScratchpad);
    };
    Walk(Tree.object(), false);
    return Views;
}

} // namespace

TSwayBrowserWindows::TSwayBrowserWindows(QString Socket) : FSocket(std::move(Socket)) {
    if (FSocket.isEmpty())
        FSocket = QString::fromLocal8Bit(qgetenv("SWAYSOCK"));
}

std::optional<QJsonDocument> TSwayBrowserWindows::Tree() const {
    const std::optional<QByteArray> Answer = SwayIpc::Ask(FSocket, SwayIpc::GetTree, {});
    if (!Answer)
        return std::nullopt;
    QJsonDocument Tree = QJsonDocument::fromJson(*Answer);
    if (!Tree.isObject())
        return std::nullopt;
    return Tree;
}

bool TSwayBrowserWindows::Run(const QString &Command) const {
    // One answer per command, each saying whether it was done.
    const std::optional<QByteArray> Answer =
        SwayIpc::Ask(FSocket, SwayIpc::RunCommand, Command.toUtf8());
    if (!Answer)
        return false;
    const QJsonArray Results = QJsonDocument::fromJson(*Answer).array();
    for (const QJsonValue Result : Results)
        if (!Result.toObject().value("success").toBool())
            return false;
    return !Results.isEmpty();
}

TBrowserReach TSwayBrowserWindows::Apply(bool Show) {
    const std::optional<QJsonDocument> Tree = this->Tree();
    if (!Tree)
        return TBrowserReach::NoAnswer;
    for (const TView &View : BrowserViews(*Tree)) {
        const QString Criteria = QString("[con_id=%1] ").arg(View.Id);
        if (!Show) {
            // A view the user put away is the user's: it stays there and is not brought back.
            if (View.InScratchpad)
                continue;
            // A view that closed meanwhile refuses; it is then not one to bring back.
            if (Run(Criteria + "move scratchpad"))
                FHidden[View.Id] = View.Floating;
            continue;
        }
        const auto Hidden = FHidden.find(View.Id);
        if (Hidden == FHidden.end() || !View.InScratchpad)
            continue;
        // A hidden scratchpad view cannot change its floating state; shown, it floats, and
        // tiling it takes it out of the scratchpad.
        QString Command = Criteria + "scratchpad show, floating disable";
        if (Hidden->second)
            Command += ", floating enable";
        Run(Command);
    }
    // A view hidden here and closed since, or brought back by the user, is forgotten.
    if (Show)
        FHidden.clear();
    return TBrowserReach::Done;
}

bool TSwayBrowserWindows::AnyOnDesktop() {
    const std::optional<QJsonDocument> Tree = this->Tree();
    if (!Tree)
        return false;
    for (const TView &View : BrowserViews(*Tree))
        if (!View.InScratchpad || !FHidden.count(View.Id))
            return true;
    return false;
}

} // namespace platform::linux_
