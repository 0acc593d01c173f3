#include "Pop.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "OleDate.h"
#include "dialogs/Dialogs.h"
#include "platform/Power.h"
#include "platform/Shell.h"

TFrm_Pop::TFrm_Pop(QWidget *Parent) : TFrm_Pop(nullptr, nullptr, Parent) {}

TFrm_Pop::TFrm_Pop(std::shared_ptr<platform::IShell> Shell, std::shared_ptr<platform::IPower> Power,
                   QWidget *Parent)
    : QWidget(Parent, Qt::Window | Qt::WindowStaysOnTopHint), FShell(std::move(Shell)),
      FPower(std::move(Power)) {
    setObjectName("Frm_Pop");
    setWindowTitle("提醒");
    setFont(QFont("Tahoma", 8));
    resize(255, 159);
    FLabel1 = AddLabel("Label1", QRect(8, 8, 233, 17));
    FLabel2 = AddLabel("Label2", QRect(8, 40, 105, 13));
    FLabel3 = AddLabel("Label3", QRect(136, 40, 105, 13));
    FLabel4 = AddLabel("Label4", QRect(8, 59, 239, 62));
    FLabel4->setWordWrap(true);
    FLabel4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FLabel5 = AddLabel("Label5", QRect(8, 138, 239, 13));

    const struct {
        QTimer *Timer;
        const char *Name;
        int Interval;
        void (TFrm_Pop::*Handler)();
    } Timers[] = {{&FTimer1, "Timer1", 1, &TFrm_Pop::Timer1Timer},
                  {&FTimer2, "Timer2", 10000, &TFrm_Pop::Timer2Timer},
                  {&FTimer3, "Timer3", 1, &TFrm_Pop::Timer3Timer}};
    for (const auto &T : Timers) {
        T.Timer->setObjectName(T.Name);
        T.Timer->setInterval(T.Interval);
        T.Timer->setTimerType(Qt::PreciseTimer);
        connect(T.Timer, &QTimer::timeout, this,
                Dialogs::Guarded([this, Handler = T.Handler] { (this->*Handler)(); }));
    }
}

TFrm_Pop::~TFrm_Pop() = default;

QLabel *TFrm_Pop::AddLabel(const char *Name, const QRect &Geometry) {
    auto *Label = new QLabel(this);
    Label->setObjectName(Name);
    Label->setGeometry(Geometry);
    Label->setTextFormat(Qt::PlainText);
    return Label;
}

void TFrm_Pop::SetTaskName(const QString &Value) {
    FTaskName = Value;
    FLabel1->setText("任务名称:" + Value);
}

void TFrm_Pop::SetStartDate(double Value) {
    FStartDate = Value;
    FLabel2->setText("开始日期:" + OleDate::ShortDateText(OleDate::ToDate(Value)));
}

void TFrm_Pop::SetStartTime(double Value) {
    FStartTime = Value;
    FLabel3->setText("开始时间" + OleDate::LongTimeText(OleDate::ToTime(Value)));
}

void TFrm_Pop::SetTaskMsg(const QString &Value) {
    FTaskMsg = Value;
    FLabel4->setText("内容:" + Value);
}

void TFrm_Pop::SetExecTarget(const QString &Value) {
    FExecTarget = Value;
    FLabel5->setText("执行目标:" + Value);
}

QRect TFrm_Pop::ScreenRect() const {
    // The whole primary screen, not its work area: the window rests on the screen's bottom edge.
    if (QScreen *Screen = QGuiApplication::primaryScreen())
        return Screen->geometry();
    return QRect(0, 0, 1024, 768);
}

void TFrm_Pop::Pop() {
    // Popped again while under way (the CPU alert): start over from where it is.
    FTimer2.stop();
    FTimer3.stop();
    if (isVisible())
        FormShow();
    show();
    FTimer1.start();
}

void TFrm_Pop::showEvent(QShowEvent *Event) {
    QWidget::showEvent(Event);
    if (!FTimer1.isActive())
        FormShow();
}

void TFrm_Pop::FormShow() {
    // Just below the visible screen, its right edge on the screen's right edge.
    const QRect Screen = ScreenRect();
    move(Screen.right() + 1 - frameGeometry().width(), Screen.bottom() + 1);
}

void TFrm_Pop::Timer1Timer() {
    // The frame's size is known only once the window manager has framed the window, so the
    // place is worked out anew at each step.
    const QRect Screen = ScreenRect();
    const int Top = y() - 4;
    move(Screen.right() + 1 - frameGeometry().width(), Top);
    if (Top <= Screen.bottom() + 1 - frameGeometry().height()) {
        FTimer1.stop();
        FTimer2.start();
    }
}

void TFrm_Pop::Timer2Timer() {
    FTimer2.stop();
    FTimer3.start();
    if (FTaskType == "定时提醒")
        return;
    if (FTaskType == "定时执行") {
        // Whether it could be opened is not reported: the reminder has been shown.
        if (FShell)
            FShell->Open(FExecTarget.toStdString());
    } else if (FTaskType == "定时关机") {
        ShutDown();
    }
}

void TFrm_Pop::Timer3Timer() {
    const int Top = y() + 4;
    move(x(), Top);
    if (Top >= ScreenRect().bottom() + 1) {
        FTimer3.stop();
        hide();
        // Used for one reminder only: nothing refers to it once it has gone.
        if (FReleaseOnClose)
            deleteLater();
    }
}

void TFrm_Pop::ShutDown() {
    // The ordinary power-off: applications are asked and may save; a refusal is not reported.
    if (FPower)
        FPower->PowerOff();
}

void TFrm_Pop::closeEvent(QCloseEvent *Event) {
    // Closing by hand only hides the window: its timers go on, so the action is still carried
    // out when the rest is over.
    Event->ignore();
    hide();
}
