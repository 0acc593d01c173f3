#pragma once

#include <string>

// The program's command line. Besides --help and --version it takes one action, the same that a
// hotkey or a menu entry runs, so that a desktop's own shortcut settings (GNOME's custom
// shortcuts, sway's bindsym) can reach every feature: with a copy running the action is handed to
// it through the single-instance channel; with none, the program starts and then acts.
namespace CommandLine {

enum class TAction {
    None,         // a plain start
    Show,         // --show: the main window
    Portal,       // --portal: shows or hides the portal window
    Capture,      // --capture: captures an area of the screen
    HideBrowsers, // --hide-browsers: hides or shows the browsers' windows
    Chat,         // --chat: asks for a QQ number and opens a chat
};

struct TParsed {
    enum class TWhat { Run, Help, Version, Wrong } What = TWhat::Run;
    TAction Action = TAction::None;
    // For Wrong: what to tell the user, one line.
    std::string Problem;
};

// Reads the arguments after the program's name. Options that are not ours and start with a
// single dash are Qt's (-platform, -display, ...) and are left to it, with the words after them;
// an unknown option with two dashes is a mistake, and so are two different actions.
TParsed Parse(int argc, const char *const *argv);
// What --help prints.
const char *HelpText();

// The word that carries an action through the single-instance channel ("" for a plain start),
// and back. A word the program does not know, or the single byte an older copy sends, is a plain
// start.
std::string Word(TAction Action);
TAction ActionOfWord(const std::string &Word);

} // namespace CommandLine
