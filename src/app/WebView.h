#pragma once

#include <QString>

class QWidget;

// The embedded browser. The web engine lives in a library of its own (qc_webview, beside the
// program), loaded at its first use, which is the first showing of a window with a browser in
// it: linked into the program, the engine's start-up work (a graphics context made while the
// application object is built) would hold up the icon on every start, and its processes and
// memory would be held all the time the program waits in the tray. The program speaks to the
// view through its Qt properties only.
namespace WebView {

// Gives the engine its switches through the environment, which it reads when its first page is
// made. Called from main before any thread exists: changing the environment later races with
// every thread that reads it (setenv is not thread-safe).
void PrepareEnvironment();
// A new browser view inside Parent; nullptr when the engine's library cannot be loaded (the
// program then runs on without its pages).
QWidget *Create(QWidget *Parent);
// Starts loading Url.
void Load(QWidget *View, const QString &Url);

} // namespace WebView
