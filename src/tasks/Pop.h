#pragma once

#include <QMargins>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

class QLabel;
class TClock;

namespace platform {
class IShell;
class IPower;
} // namespace platform

// The reminder window: caption "提醒", always on top, a 255 x 159 client area. It rises from
// below the bottom right corner of the primary screen (Timer1), rests there ten seconds (Timer2),
// and as it starts to sink away again (Timer3) carries out the task's action.
class TFrm_Pop : public QWidget {
    Q_OBJECT
public:
    // Without services the window only shows its text (the CPU alert's use).
    explicit TFrm_Pop(QWidget *Parent = nullptr);
    TFrm_Pop(std::shared_ptr<platform::IShell> Shell, std::shared_ptr<platform::IPower> Power,
             QWidget *Parent = nullptr);
    ~TFrm_Pop() override;

    // Each step of the slide moves the window 4 pixels: 40 steps of 15 ms take about 0.6 s for a
    // window of 159 pixels, a pace the eye can follow.
    static constexpr int SlideStepMs = 15;
    // A text that does not fit its label at the window's font is set smaller, down to this.
    static constexpr qreal MinTextPointSize = 6.5;

    // The first line: a task's name, or the text of the CPU alert.
    QLabel *Label1() const { return FLabel1; }

    QLabel *Label2() const { return FLabel2; }
    QLabel *Label3() const { return FLabel3; }
    QLabel *Label4() const { return FLabel4; }
    QLabel *Label5() const { return FLabel5; }
    QTimer *Timer1() { return &FTimer1; }
    QTimer *Timer2() { return &FTimer2; }
    QTimer *Timer3() { return &FTimer3; }

    // Brings the window up at the bottom right of the screen.
    void Pop();

    QString TaskName() const { return FTaskName; }
    void SetTaskName(const QString &Value);
    double StartDate() const { return FStartDate; }
    void SetStartDate(double Value);
    double StartTime() const { return FStartTime; }
    void SetStartTime(double Value);
    QString TaskType() const { return FTaskType; }
    void SetTaskType(const QString &Value) { FTaskType = Value; }
    QString TaskMsg() const { return FTaskMsg; }
    void SetTaskMsg(const QString &Value);
    QString ExecTarget() const { return FExecTarget; }
    void SetExecTarget(const QString &Value);
    QString ExecType() const { return FExecType; }
    void SetExecType(const QString &Value) { FExecType = Value; }

    // Where it rests among reminders shown together: 0 in the corner, each further one a window's
    // height higher.
    void SetStackIndex(int Value) { FStackIndex = Value; }
    int StackIndex() const { return FStackIndex; }

    // A window made for one reminder releases itself once it has closed.
    void SetReleaseOnClose(bool Value) { FReleaseOnClose = Value; }

    // The clock the window times its rest by, to see whether it stood still (the process frozen,
    // the computer asleep); without one, the system's.
    void SetClock(std::shared_ptr<const TClock> Value);
    // How late the reminder already was when it was handed to the window. A reminder later than
    // TTaskManager::LateAfterMs, by then or by the end of its rest, is marked late and carries out
    // no action.
    void SetLateMs(qint64 Value);
    bool MarkedLate() const { return FMarkedLate; }

protected:
    void showEvent(QShowEvent *Event) override;
    void closeEvent(QCloseEvent *Event) override;

private:
    QLabel *AddLabel(const char *Name, const QRect &Geometry);
    void KeepPlaceUnmanaged();
    void SetLabelText(QLabel *Label, const QString &Text);
    QRect ScreenRect() const;
    QRect WorkArea() const;
    QMargins FrameMargins() const;
    // Where the outer frame's top edge is when the slide starts, and where it comes to rest.
    int StartTop() const;
    int RestTop() const;
    void Place();
    void KeepInPlace();
    void FormShow();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void ShutDown();
    void ShowTarget();
    // Whether the action would now come too late: the lateness on arrival, and how much longer
    // than planned the rise and the rest took, on either of the clock's scales.
    bool ActionLate() const;

    std::shared_ptr<platform::IShell> FShell;
    std::shared_ptr<platform::IPower> FPower;
    QLabel *FLabel1;
    QLabel *FLabel2;
    QLabel *FLabel3;
    QLabel *FLabel4;
    QLabel *FLabel5;
    QTimer FTimer1;
    QTimer FTimer2;
    QTimer FTimer3;
    // While resting: puts the window back in its place if the window manager moved it.
    QTimer FTimerKeep;
    // Where the top edge of the outer frame belongs at this step of the slide.
    int FTop = 0;
    int FStackIndex = 0;
    // The usable area as the desktop itself gives it, where it does (sway).
    std::optional<QRect> FDesktopArea;
    QString FTaskName;
    double FStartDate = 0;
    double FStartTime = 0;
    QString FTaskType;
    QString FTaskMsg;
    QString FExecTarget;
    QString FExecType;
    bool FReleaseOnClose = false;
    std::shared_ptr<const TClock> FClock;
    qint64 FLateMs = 0;
    bool FMarkedLate = false;
    // When Pop was called, on the clock's elapsed scale and by its time of day (ms since 1970).
    qint64 FPoppedElapsed = 0;
    qint64 FPoppedWall = 0;
};
