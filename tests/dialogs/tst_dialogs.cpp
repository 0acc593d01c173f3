#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "dialogs/Dialogs.h"
#include "dialogs/Error.h"
#include "dialogs/InputBox.h"

class tst_Dialogs : public QObject {
    Q_OBJECT
private slots:
    void InputBoxOkReturnsTheEditedText();
    void InputBoxCancelKeepsTheCallersText();
    void GuardShowsTheErrorAndGoesOn();
    void ScriptAnswersInOrder();
    void EveryBoxKeepsItsTitleWhole_data();
    void EveryBoxKeepsItsTitleWhole();
};

namespace {

// Acts on the input box once it is up, from inside its modal loop.
void WhenBoxIsUp(std::function<void(TInputBox *)> Act) {
    QTimer::singleShot(0, [Act] {
        for (QWidget *W : QApplication::topLevelWidgets())
            if (auto *Box = qobject_cast<TInputBox *>(W); Box && Box->isVisible())
                return Act(Box);
        WhenBoxIsUp(Act);
    });
}

} // namespace

void tst_Dialogs::InputBoxOkReturnsTheEditedText() {
    QString Seen, Caption;
    bool Selected = false, Default = false;
    int Max = 0;
    WhenBoxIsUp([&](TInputBox *Box) {
        Caption = Box->windowTitle();
        auto *Edit = Box->findChild<QLineEdit *>("Edit");
        Selected = Edit->selectedText() == "12345";
        Max = Edit->maxLength();
        Default = Box->findChild<QPushButton *>("OK")->isDefault();
        QTest::keyClicks(Edit, QString(300, QChar('9')));
        Seen = Edit->text();
        QTest::keyClick(Edit, Qt::Key_Return);
    });
    QString Value = "12345";
    QVERIFY(Dialogs::InputQuery("聊天", "QQ号码", Value));
    QCOMPARE(Caption, QString("聊天"));
    QVERIFY(Selected);
    QVERIFY(Default);
    QCOMPARE(Max, 255);
    // Typing replaced the selected text and stopped at 255 characters.
    QCOMPARE(Value, QString(255, QChar('9')));
    QCOMPARE(Seen, Value);
}

void tst_Dialogs::InputBoxCancelKeepsTheCallersText() {
    WhenBoxIsUp([](TInputBox *Box) {
        QTest::keyClicks(Box->findChild<QLineEdit *>("Edit"), "changed");
        Box->findChild<QPushButton *>("Cancel")->click();
    });
    QString Value = "kept";
    QVERIFY(!Dialogs::InputQuery("请输入网址", "主页地址", Value));
    QCOMPARE(Value, QString("kept"));
}

void tst_Dialogs::GuardShowsTheErrorAndGoesOn() {
    Dialogs::TDialogScript Script;
    bool After = false;
    Dialogs::Guard([] { throw EError("Unable to write to /x/cfg.ini"); });
    Dialogs::Guard([] { throw std::runtime_error("plain"); });
    Dialogs::Guard([&] { After = true; });
    QVERIFY(After);
    QCOMPARE(Script.Shown().size(), 2);
    QCOMPARE(Script.Shown()[0].Kind, QString("error"));
    QCOMPARE(Script.Shown()[0].Text, QString("Unable to write to /x/cfg.ini"));
    QCOMPARE(Script.Shown()[1].Text, QString("plain"));
}

void tst_Dialogs::ScriptAnswersInOrder() {
    Dialogs::TDialogScript Script;
    Script.Answer(true);
    Script.Answer(QString("10001"));
    Script.Answer(QVariant());
    QVERIFY(Dialogs::Question("数据未保存，是否继续?", "Confirm"));
    QString Value;
    QVERIFY(Dialogs::InputQuery("聊天", "QQ号码", Value));
    QCOMPARE(Value, QString("10001"));
    QVERIFY(!Dialogs::InputQuery("聊天", "QQ号码", Value));
    QCOMPARE(Value, QString("10001"));
    // Nothing left to answer: a question says No.
    QVERIFY(!Dialogs::Question("?", "?"));
}

void tst_Dialogs::EveryBoxKeepsItsTitleWhole_data() {
    QTest::addColumn<QString>("Kind");
    QTest::addColumn<QString>("Caption");
    QTest::addColumn<QString>("Text");
    const QString Long = "晴川助手 qingchuan-test-12345 一个很长的标题";
    for (const char *Kind : {"message", "warning", "error", "question", "input"}) {
        QTest::newRow(qPrintable(QString(Kind) + ": the program's title, short text"))
            << Kind << "qingchuan"
            << "OK";
        QTest::newRow(qPrintable(QString(Kind) + ": a long title")) << Kind << Long << "已保存";
    }
}

void tst_Dialogs::EveryBoxKeepsItsTitleWhole() {
    QFETCH(QString, Kind);
    QFETCH(QString, Caption);
    QFETCH(QString, Text);
    Dialogs::SetAppTitle(Caption);
    int Width = 0;
    QString Title;
    std::function<void()> WhenUp = [&] {
        for (QWidget *W : QApplication::topLevelWidgets())
            if (auto *Box = qobject_cast<QDialog *>(W); Box && Box->isVisible()) {
                Width = Box->width();
                Title = Box->windowTitle();
                Box->reject();
                return;
            }
        QTimer::singleShot(0, WhenUp);
    };
    QTimer::singleShot(0, WhenUp);
    QString Value;
    if (Kind == "message")
        Dialogs::ShowMessage(Text);
    else if (Kind == "warning")
        Dialogs::ShowWarning(Text);
    else if (Kind == "error")
        Dialogs::ShowError(Text);
    else if (Kind == "question")
        Dialogs::Question(Text, Caption);
    else
        Dialogs::InputQuery(Caption, Text, Value);
    Dialogs::SetAppTitle(QString());
    QCOMPARE(Title, Caption);
    // Room for the title in a window manager's bold title font of 11 points, beside its icon and
    // three buttons: "qi…n" was what a box as wide as its text and OK button showed.
    QFont Font = QApplication::font();
    Font.setBold(true);
    Font.setPointSizeF(std::max<qreal>(Font.pointSizeF(), 11));
    const int Needed = QFontMetrics(Font).horizontalAdvance(Caption) + 4 * 28;
    QVERIFY2(Width >= Needed, qPrintable(QString("%1 < %2").arg(Width).arg(Needed)));
    QVERIFY(Dialogs::TitleRoom(Caption) >= Needed);
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
