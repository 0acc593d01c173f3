#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <type_traits>

class QWidget;

// Every modal box of the program goes through here, so that a test can answer them in advance
// (TDialogScript) instead of waiting for a person.
namespace Dialogs {

// Caption of the program's own message boxes: the executable's file name up to its first dot.
QString AppTitle();
void SetAppTitle(const QString &Title);

// The width a box needs for the window manager to show its title Caption whole; every box is
// at least that wide.
int TitleRoom(const QString &Caption);

// A plain message box with one text and an OK button.
void ShowMessage(const QString &Text);
void ShowMessage(const QString &Text, const QString &Caption);
// The standard error box: the error's own text and an OK button.
void ShowError(const QString &Text);
// The standard error box, shown from the event loop once the caller has returned: for faults
// found inside timers and window handlers, which must not stop to wait for the user.
void PostError(const QString &Text);
// A warning box with an OK button.
void ShowWarning(const QString &Text);
// A question with Yes and No; true for Yes.
bool Question(const QString &Text, const QString &Caption);
// The input box: caption, prompt, one line of at most 255 characters starting with Value
// selected, OK (default) and Cancel. OK stores the edited text in Value and returns true; Cancel
// leaves Value as it was.
bool InputQuery(const QString &Caption, const QString &Prompt, QString &Value);
// A folder picker; an empty result means cancelled.
QString SelectDirectory(const QString &Caption, const QString &Start);
// An open-file dialog; an empty result means cancelled.
QString OpenFileName(const QString &Caption, const QString &Start);

// Runs Fn as one entry from the event loop: an error it raises is shown in the standard error
// box and the program goes on.
void Guard(const std::function<void()> &Fn);

// Wraps a handler so that it runs inside Guard, for connecting to Qt signals. The signal's
// arguments are passed on when the handler takes them and dropped when it takes none.
template <class F> auto Guarded(F Fn) {
    return [Fn](auto &&...Args) {
        Guard([&] {
            if constexpr (std::is_invocable_v<F, decltype(Args)...>)
                Fn(Args...);
            else
                Fn();
        });
    };
}

// What a box showed while a script was installed.
struct TShown {
    QString Kind; // "message", "error", "warning", "question", "input", "folder", "file"
    QString Caption;
    QString Text;
};

// Installed by tests: every box is recorded instead of shown and takes the next prepared answer
// (a bool for a question, a QString for an input box or a picker, an invalid QVariant for
// Cancel). With no answer left, questions say No and the others are cancelled.
class TDialogScript {
public:
    TDialogScript();
    ~TDialogScript();
    TDialogScript(const TDialogScript &) = delete;
    TDialogScript &operator=(const TDialogScript &) = delete;
    void Answer(const QVariant &Value) { FAnswers.append(Value); }
    const QList<TShown> &Shown() const { return FShown; }
    void Clear() { FShown.clear(); }
    // Set by the dialogs module.
    QVariant Take(const TShown &Box);

private:
    QList<QVariant> FAnswers;
    QList<TShown> FShown;
    TDialogScript *FPrevious;
};

} // namespace Dialogs
