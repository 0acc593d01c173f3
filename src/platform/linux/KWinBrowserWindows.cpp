#include "KWinBrowserWindows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <unistd.h>

#include "XcbBrowserWindows.h"

namespace platform::linux_ {

namespace {

// The script: it walks KWin's windows, acts on the browsers' Wayland windows and answers
// with the ids it found (minimised by "hide"; on the desktop for "find").
QString Script(const QString &Mode, const QStringList &Hidden) {
    QJsonArray Browsers;
    for (std::string_view Name : TXcbBrowserWindows::BrowserClassNames())
        Browsers.append(
            QString::fromLatin1(Name.data(), static_cast<qsizetype>(Name.size())).toLower());
    const auto Json = [](const QJsonArray &A) {
        return QString::fromUtf8(QJsonDocument(A).toJson(QJsonDocument::Compact));
    };
    return QString(R"(
const browsers = %1, hidden = %2, mode = %3, own = %4;
const found = [];
const windows = workspace.clientList();
for (let i = 0; i < windows.length; i++) {
    const w = windows[i];
    // X11 windows carry a window id; they are withdrawn the X11 way instead.
    if (w.windowId !== undefined || w.pid == own || !w.managed)
        continue;
    if (browsers.indexOf(String(w.resourceClass).toLowerCase()) < 0)
        continue;
    const id = String(w.internalId);
    if (mode == "hide") {
        if (!w.minimized && w.minimizable) {
            w.minimized = true;
            found.push(id);
        }
    } else if (mode == "show") {
        if (hidden.indexOf(id) >= 0)
            w.minimized = false;
    } else if (hidden.indexOf(id) < 0 || !w.minimized) {
        found.push(id);
    }
}
answer = found.join(",");
)")
        .arg(Json(Browsers), Json(QJsonArray::fromStringList(Hidden)), JsString(Mode),
             QString::number(::getpid()));
}

} // namespace

std::optional<QStringList> TKWinBrowserWindows::RunScript(const QString &Mode) {
    const std::optional<QString> Answer = FKWin.Run(Script(Mode, FHidden));
    if (!Answer)
        return std::nullopt;
    return Answer->split(',', Qt::SkipEmptyParts);
}

TBrowserReach TKWinBrowserWindows::Apply(bool Show) {
    if (Show) {
        if (!RunScript("show"))
            return TBrowserReach::NoAnswer;
        // Windows closed since, or restored by the user, are forgotten with the rest.
        FHidden.clear();
        return TBrowserReach::Done;
    }
    const std::optional<QStringList> Minimised = RunScript("hide");
    if (!Minimised)
        return TBrowserReach::NoAnswer;
    for (const QString &Id : *Minimised)
        if (!FHidden.contains(Id))
            FHidden.append(Id);
    return TBrowserReach::Done;
}

bool TKWinBrowserWindows::AnyOnDesktop() {
    const std::optional<QStringList> OnDesktop = RunScript("find");
    return OnDesktop && !OnDesktop->isEmpty();
}

} // namespace platform::linux_
