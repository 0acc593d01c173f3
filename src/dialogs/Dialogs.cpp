#include "Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <cstdio>

#include "Error.h"
#include "InputBox.h"

namespace Dialogs {

namespace {

TDialogScript *Script = nullptr;
QString Title;

// A message box is only as wide as its text and buttons, and the window manager cuts a title
// that does not fit ("qi…n"): the box is made at least as wide as its title needs.
void KeepTitleWhole(QMessageBox &Box) {
    auto *Grid = qobject_cast<QGridLayout *>(Box.layout());
    if (!Grid)
        return;
    Grid->addItem(
        new QSpacerItem(TitleRoom(Box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
        Grid->rowCount(), 0, 1, Grid->columnCount());
}

int Box(QMessageBox::Icon Icon, const QString &Caption, const QString &Text) {
    // Whole-program tests read each box from the output, as they read the "ready" line: a
    // message box's text cannot be read from outside the program on X11.
    if (qEnvironmentVariableIsSet("QINGCHUAN_REPORT_BOXES")) {
        std::printf("box %s\n", QString(Text).replace('\n', "\\n").toUtf8().constData());
        std::fflush(stdout);
    }
    QMessageBox Box(Icon, Caption, Text, QMessageBox::NoButton);
    Box.addButton("OK", QMessageBox::AcceptRole);
    KeepTitleWhole(Box);
    return Box.exec();
}

} // namespace

TDialogScript::TDialogScript() : FPrevious(Script) {
    Script = this;
}

TDialogScript::~TDialogScript() {
    Script = FPrevious;
}

QVariant TDialogScript::Take(const TShown &Box) {
    FShown.append(Box);
    return FAnswers.isEmpty() ? QVariant() : FAnswers.takeFirst();
}

int TitleRoom(const QString &Caption) {
    // The window managers draw titles in a font of their own, often bold and larger than the
    // program's (KWin, GNOME: 10 to 11 points, bold): measured so, with room for the window's
    // icon and three buttons at the sides.
    QFont Font = QApplication::font();
    Font.setBold(true);
    if (Font.pointSizeF() < 11)
        Font.setPointSizeF(11);
    constexpr int ButtonsAndIcon = 4 * 28 + 2 * 16;
    return QFontMetrics(Font).horizontalAdvance(Caption) + ButtonsAndIcon;
}

QString AppTitle() {
    return Title.isEmpty() ? QCoreApplication::applicationName() : Title;
}

void SetAppTitle(const QString &Value) {
    Title = Value;
}

void ShowMessage(const QString &Text) {
    ShowMessage(Text, AppTitle());
}

void ShowMessage(const QString &Text, const QString &Caption) {
    if (Script) {
        Script->Take({"message", Caption, Text});
        return;
    }
    Box(QMessageBox::NoIcon, Caption, Text);
}

void ShowError(const QString &Text) {
    if (Script) {
        Script->Take({"error", AppTitle(), Text});
        return;
    }
    Box(QMessageBox::Critical, AppTitle(), Text);
}

void PostError(const QString &Text) {
    QCoreApplication *App = QCoreApplication::instance();
    // Without a widget application (the seeding tool) there is no box to show.
    if (!App || !App->inherits("QApplication")) {
        std::fprintf(stderr, "%s\n", Text.toLocal8Bit().constData());
        return;
    }
    QMetaObject::invokeMethod(
        App, [Text] { ShowError(Text); }, Qt::QueuedConnection);
}

void ShowWarning(const QString &Text) {
    if (Script) {
        Script->Take({"warning", AppTitle(), Text});
        return;
    }
    Box(QMessageBox::Warning, AppTitle(), Text);
}

bool Question(const QString &Text, const QString &Caption) {
    if (Script)
        return Script->Take({"question", Caption, Text}).toBool();
    QMessageBox Box(QMessageBox::Question, Caption, Text, QMessageBox::NoButton);
    QPushButton *Yes = Box.addButton("Yes", QMessageBox::YesRole);
    Box.addButton("No", QMessageBox::NoRole);
    Box.setDefaultButton(Yes);
    KeepTitleWhole(Box);
    Box.exec();
    return Box.clickedButton() == Yes;
}

bool InputQuery(const QString &Caption, const QString &Prompt, QString &Value) {
    if (Script) {
        const QVariant Answer = Script->Take({"input", Caption, Prompt});
        if (!Answer.isValid())
            return false;
        Value = Answer.toString().left(255);
        return true;
    }
    TInputBox Box(Caption, Prompt, Value);
    if (Box.exec() != QDialog::Accepted)
        return false;
    Value = Box.Value();
    return true;
}

QString SelectDirectory(const QString &Caption, const QString &Start) {
    if (Script)
        return Script->Take({"folder", Caption, Start}).toString();
    return QFileDialog::getExistingDirectory(nullptr, Caption, Start);
}

QString OpenFileName(const QString &Caption, const QString &Start) {
    if (Script)
        return Script->Take({"file", Caption, Start}).toString();
    return QFileDialog::getOpenFileName(nullptr, Caption, Start);
}

void Guard(const std::function<void()> &Fn) {
    try {
        Fn();
    } catch (const EReported &) {
        // Its cause is on screen already, or was.
    } catch (const EError &E) {
        ShowError(E.Text());
    } catch (const std::exception &E) {
        ShowError(QString::fromUtf8(E.what()));
    } catch (...) {
        ShowError("Unknown error");
    }
}

} // namespace Dialogs
