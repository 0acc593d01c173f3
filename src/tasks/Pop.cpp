#include "Pop.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QToolButton>
#include <QWindow>
#include <algorithm>

#include "Clock.h"
#include "OleDate.h"
#include "TaskKinds.h"
#include "TaskManager.h"
#include "dialogs/Dialogs.h"
#include "platform/DesktopWorkArea.h"
#include "platform/Power.h"
#include "platform/Session.h"
#include "platform/Shell.h"

TFrm_Pop::TFrm_Pop(QWidget *Parent) : TFrm_Pop(nullptr, nullptr, Parent) {}

TFrm_Pop::TFrm_Pop(std::shared_ptr<platform::IShell> Shell, std::shared_ptr<platform::IPower> Power,
                   QWidget *Parent)
    : QWidget(Parent, Qt::Window | Qt::WindowStaysOnTopHint), FShell(std::move(Shell)),
      FPower(std::move(Power)) {
    setObjectName("Frm_Pop");
    // A reminder comes while the user works in another window: it must not take the keyboard
    // from it. Shown without activation (on X11 a user time of 0, so the window manager does not
    // focus it on mapping) and never accepting the focus (the input hint off).
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    // Its cut texts are whole in the labels' tooltips, which Qt shows only over the active
    // window, and this one never is.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle("提醒");
    setFont(QFont("Tahoma", 8));
    resize(255, 159);
    // The lines are as tall as the CJK fonts the labels really get need (13 pixels cut their
    // tops), and the date and the time share the width of the line between them.
    FLabel1 = AddLabel("Label1", QRect(8, 8, 233, 17));
    FLabel2 = AddLabel("Label2", QRect(8, 40, 124, 17));
    FLabel3 = AddLabel("Label3", QRect(136, 40, 111, 17));
    FLabel4 = AddLabel("Label4", QRect(8, 59, 239, 62));
    FLabel4->setWordWrap(true);
    FLabel4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FLabel5 = AddLabel("Label5", QRect(8, 138, 239, 17));
    if (platform::PlacesWindowsItself())
        KeepPlaceUnmanaged();

    const struct {
        QTimer *Timer;
        const char *Name;
        int Interval;
        void (TFrm_Pop::*Handler)();
    } Timers[] = {{&FTimer1, "Timer1", SlideStepMs, &TFrm_Pop::Timer1Timer},
                  {&FTimer2, "Timer2", 10000, &TFrm_Pop::Timer2Timer},
                  {&FTimer3, "Timer3", SlideStepMs, &TFrm_Pop::Timer3Timer},
                  {&FTimerKeep, "TimerKeep", 100, &TFrm_Pop::KeepInPlace}};
    for (const auto &T : Timers) {
        T.Timer->setObjectName(T.Name);
        T.Timer->setInterval(T.Interval);
        T.Timer->setTimerType(Qt::PreciseTimer);
        connect(T.Timer, &QTimer::timeout, this,
                Dialogs::Guarded([this, Handler = T.Handler] { (this->*Handler)(); }));
    }
}

TFrm_Pop::~TFrm_Pop() = default;

void TFrm_Pop::KeepPlaceUnmanaged() {
    // A desktop that tiles or centres every window it manages (sway) would never let the window
    // rest in the corner, and would cut its text. A window the window manager does not manage
    // stays where it is put, above the others, but gets neither frame nor focus: it draws its
    // own border, and a button of its own closes it as the frame's button would.
    setWindowFlags(windowFlags() | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
    auto *Border = new QFrame(this);
    Border->setObjectName("pnlBorder");
    Border->setFrameShape(QFrame::Box);
    Border->setGeometry(rect());
    Border->lower();
    // The first line makes room for the button.
    FLabel1->setFixedWidth(221);
    auto *Close = new QToolButton(this);
    Close->setObjectName("btnClose");
    Close->setText(QString(QChar(0x00D7)));
    Close->setToolTip("关闭");
    Close->setAutoRaise(true);
    Close->setGeometry(233, 4, 18, 18);
    connect(Close, &QToolButton::clicked, this, [this] { close(); });
}

QLabel *TFrm_Pop::AddLabel(const char *Name, const QRect &Geometry) {
    auto *Label = new QLabel(this);
    Label->setObjectName(Name);
    Label->setGeometry(Geometry);
    Label->setTextFormat(Qt::PlainText);
    return Label;
}

namespace {

bool TextFits(const QLabel *Label, const QFont &Font, const QString &Text) {
    const QFontMetrics FM(Font);
    const QRect Room = Label->contentsRect();
    if (Label->wordWrap())
        return FM.boundingRect(Room, Qt::TextWordWrap | Label->alignment(), Text).height() <=
               Room.height();
    return FM.horizontalAdvance(Text) <= Room.width() && FM.height() <= Room.height();
}

} // namespace

void TFrm_Pop::SetLabelText(QLabel *Label, const QString &Text) {
    // The labels keep their places; a text that does not fit at the window's font is set a
    // little smaller, and one that does not fit even then (a long name or content) is cut with
    // an ellipsis, whole in the label's tooltip.
    QFont Font = font();
    const qreal Smallest = std::min<qreal>(Font.pointSizeF(), MinTextPointSize);
    while (!TextFits(Label, Font, Text) && Font.pointSizeF() - 0.5 >= Smallest)
        Font.setPointSizeF(Font.pointSizeF() - 0.5);
    Label->setFont(Font);
    if (TextFits(Label, Font, Text)) {
        Label->setText(Text);
        Label->setToolTip(QString());
        return;
    }
    QString Cut;
    const QFontMetrics FM(Font);
    if (!Label->wordWrap()) {
        Cut = FM.elidedText(Text, Qt::ElideRight, Label->contentsRect().width());
    } else {
        // As much as fills the lines, then the ellipsis.
        int Low = 0;
        int High = static_cast<int>(Text.size());
        while (Low < High) {
            const int Mid = (Low + High + 1) / 2;
            if (TextFits(Label, Font, Text.left(Mid) + QChar(0x2026)))
                Low = Mid;
            else
                High = Mid - 1;
        }
        Cut = Text.left(Low) + QChar(0x2026);
    }
    Label->setText(Cut);
    Label->setToolTip(Text);
}

void TFrm_Pop::SetTaskName(const QString &Value) {
    FTaskName = Value;
    SetLabelText(FLabel1, "任务名称:" + Value);
}

void TFrm_Pop::SetStartDate(double Value) {
    FStartDate = Value;
    SetLabelText(FLabel2, "开始日期:" + OleDate::ShortDateText(OleDate::ToDate(Value)));
}

void TFrm_Pop::SetStartTime(double Value) {
    FStartTime = Value;
    SetLabelText(FLabel3, "开始时间" + OleDate::LongTimeText(OleDate::ToTime(Value)));
}

void TFrm_Pop::SetTaskMsg(const QString &Value) {
    FTaskMsg = Value;
    SetLabelText(FLabel4, "内容:" + Value);
}

void TFrm_Pop::SetExecTarget(const QString &Value) {
    FExecTarget = Value;
    ShowTarget();
}

void TFrm_Pop::ShowTarget() {
    QString Mark;
    if (FMarkedLate)
        Mark = FTaskType == TaskKinds::Execute || FTaskType == TaskKinds::Shutdown
                   ? "（迟到，未执行）"
                   : "（迟到）";
    SetLabelText(FLabel5, "执行目标:" + FExecTarget + Mark);
}

void TFrm_Pop::SetClock(std::shared_ptr<const TClock> Value) {
    FClock = std::move(Value);
}

void TFrm_Pop::SetLateMs(qint64 Value) {
    FLateMs = Value;
    FMarkedLate = FLateMs > TTaskManager::LateAfterMs;
    ShowTarget();
}

bool TFrm_Pop::ActionLate() const {
    const qint64 Planned = FTimer2.interval();
    const qint64 Took = std::max(FClock->ElapsedMs() - FPoppedElapsed,
                                 FClock->Now().toMSecsSinceEpoch() - FPoppedWall);
    return FLateMs + std::max<qint64>(0, Took - Planned) > TTaskManager::LateAfterMs;
}

QRect TFrm_Pop::ScreenRect() const {
    // The whole primary screen: the window starts just below it.
    if (QScreen *Screen = QGuiApplication::primaryScreen())
        return Screen->geometry();
    return QRect(0, 0, 1024, 768);
}

QRect TFrm_Pop::WorkArea() const {
    // Where it rests: the screen less the panels that reserve an edge (a tray host along the
    // bottom), so that no panel covers it.
    // Where the desktop keeps its panels from the X server's knowledge (sway's bars), its own
    // word is taken too, as asked at the start of the slide.
    QRect Area = ScreenRect();
    if (QScreen *Screen = QGuiApplication::primaryScreen())
        Area = Screen->availableGeometry();
    if (FDesktopArea && FDesktopArea->intersects(Area))
        Area &= *FDesktopArea;
    return Area;
}

QMargins TFrm_Pop::FrameMargins() const {
    // Asked of the window each time: the window manager frames the window some time after it is
    // first mapped, and may frame it anew at any time.
    if (const QWindow *Handle = windowHandle())
        return Handle->frameMargins();
    return {};
}

int TFrm_Pop::StartTop() const {
    // Just below the visible screen: the slide starts with the window wholly out of sight.
    return ScreenRect().bottom() + 1;
}

int TFrm_Pop::RestTop() const {
    const QMargins M = FrameMargins();
    const QRect Work = WorkArea();
    const int Outer = height() + M.top() + M.bottom();
    // Stacked reminders that would not fit under the top edge rest as high as they can.
    return std::max(Work.top(), Work.bottom() + 1 - (FStackIndex + 1) * Outer);
}

void TFrm_Pop::Place() {
    // FTop is where the outer frame's top edge belongs; the right edge of the frame meets the
    // work area's right edge. The window's own (client) geometry is set, so the place does not
    // depend on how the window manager reads a frame position.
    const QMargins M = FrameMargins();
    const int Left = WorkArea().right() + 1 - (width() + M.left() + M.right());
    const QRect Wanted(Left + M.left(), FTop + M.top(), width(), height());
    if (geometry() != Wanted)
        setGeometry(Wanted);
}

void TFrm_Pop::Pop() {
    if (!FClock)
        FClock = std::make_shared<TSystemClock>();
    FPoppedElapsed = FClock->ElapsedMs();
    FPoppedWall = FClock->Now().toMSecsSinceEpoch();
    // Popped again while under way (the CPU alert): it rises again from where it is.
    FTimer2.stop();
    FTimer3.stop();
    FTimerKeep.stop();
    // Once a slide, not at each step: it is a question to another process.
    FDesktopArea = platform::DesktopWorkArea(ScreenRect());
    if (!isVisible())
        FTop = StartTop();
    Place();
    show();
    FTimer1.start();
}

void TFrm_Pop::showEvent(QShowEvent *Event) {
    QWidget::showEvent(Event);
    if (!FTimer1.isActive() && !FTimer2.isActive() && !FTimer3.isActive())
        FormShow();
}

void TFrm_Pop::FormShow() {
    // Just below the visible screen, its right edge on the right edge of the work area.
    FTop = StartTop();
    Place();
}

void TFrm_Pop::Timer1Timer() {
    // The frame's size is known only once the window manager has framed the window, so the
    // place is worked out anew at each step, and the rise ends exactly at the resting place.
    const int Rest = RestTop();
    FTop = std::max(FTop - 4, Rest);
    Place();
    if (FTop <= Rest) {
        FTimer1.stop();
        FTimer2.start();
        FTimerKeep.start();
    }
}

void TFrm_Pop::KeepInPlace() {
    // While it rests: a frame that came (or changed) late, or a window manager that placed the
    // window by itself, must not leave it partly off the screen.
    FTop = RestTop();
    Place();
}

void TFrm_Pop::Timer2Timer() {
    FTimer2.stop();
    FTimerKeep.stop();
    FTimer3.start();
    if (FTaskType != TaskKinds::Execute && FTaskType != TaskKinds::Shutdown)
        return;
    // Checked again right before the action: the window may have stood still in its rest for as
    // long as the computer slept. An opening or a power-off never comes late.
    if (!FMarkedLate && ActionLate()) {
        FMarkedLate = true;
        ShowTarget();
    }
    if (FMarkedLate)
        return;
    if (FTaskType == TaskKinds::Execute) {
        // Whether it could be opened is not reported: the reminder has been shown.
        if (FShell)
            FShell->Open(FExecTarget.toStdString());
    } else if (FTaskType == TaskKinds::Shutdown) {
        ShutDown();
    }
}

void TFrm_Pop::Timer3Timer() {
    FTop += 4;
    Place();
    if (FTop >= StartTop()) {
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
