#pragma once

class QObject;

// What the keyboard does in every window of the program beyond Qt's own handling.
namespace Keyboard {

// Enter and Return on a focused push or tool button press it, as Space does: Qt presses a
// button with Enter only inside a dialog, and the program's windows are plain windows. A button
// that handles Enter itself (a dialog's default) is left to it. Installed once on the
// application; Target is the application object.
void InstallButtonKeys(QObject *Target);

} // namespace Keyboard
