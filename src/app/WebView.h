#pragma once

#include <QString>
#include <functional>

class QObject;
class QWidget;

// The embedded browser. The web engine lives in a library of its own (qc_webview, beside the
// program), loaded at its first use: linked into the program, the engine's start-up work (a
// graphics context made while the application object is built) would hold up the icon on every
// start. The program speaks to the view through its Qt properties only.
namespace WebView {

// A new browser view inside Parent; nullptr when the engine's library cannot be loaded (the
// program then runs on without its pages).
QWidget *Create(QWidget *Parent);
// Starts loading Url.
void Load(QWidget *View, const QString &Url);

// Runs Fn once start-up is over: after the event loop has made a full pass, so the icon and
// everything queued at start come first.
void AfterStartUp(QObject *Context, std::function<void()> Fn);

} // namespace WebView
