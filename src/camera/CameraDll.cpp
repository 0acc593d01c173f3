#include "CameraDll.h"

#include <QApplication>
#include <QThread>

#include "ScreenSource.h"
#include "SubAreaCapture.h"
#include "WindowCapture.h"
#include "linux/ClipboardBridge.h"

namespace {

TCameraShownHook ShownHook = nullptr;
void *ShownHookData = nullptr;
bool FaultArmed = false;
// Why the last capture failed, for the user; empty after one that succeeded or was cancelled.
QByteArray LastFailure;
// A hotkey pressed during a capture must not start a second one inside the first.
bool Busy = false;

// Runs the capture Make makes: made only once a capture may start.
template <class TMake> int32_t Capture(TMake Make) noexcept {
    try {
        auto *App = qobject_cast<QApplication *>(QCoreApplication::instance());
        // Widgets and the clipboard belong to the thread of the program's QApplication.
        if (!App || QThread::currentThread() != App->thread() || Busy)
            return 0;
        // Nobody could pick anything on a screen that is not shown: do not wait for it.
        const QString Platform = QGuiApplication::platformName();
        if (Platform == "offscreen" || Platform == "minimal")
            return 0;
        LastFailure.clear();
        Busy = true;
        struct TLeave {
            ~TLeave() { Busy = false; }
        } Leave;
        const std::unique_ptr<camera::TCapture> C = Make();
        if (ShownHook)
            C->SetOnShown([Hook = ShownHook, Data = ShownHookData] { Hook(Data); });
        // The process serves the clipboard from then on, for as long as it runs.
        C->SetOnTaken([](const QImage &Image) { camera::SetClipboardImage(Image); });
        C->SetFault(FaultArmed);
        FaultArmed = false;
        const QImage Image = C->Run();
        return Image.isNull() ? 0 : 1;
    } catch (const camera::TCaptureFailure &E) {
        LastFailure = E.what();
        return 0;
    } catch (...) {
        return 0;
    }
}

// A pick of a window where the desktop tells where they are, else a region, saying why.
template <class TPick> std::unique_ptr<camera::TCapture> WindowPick() {
    if (std::unique_ptr<camera::IWindowFinder> Finder = camera::CreateWindowFinder())
        return std::make_unique<TPick>(std::move(Finder));
    return std::make_unique<camera::TSubAreaCapture>(
        QStringLiteral("此桌面不提供窗口位置，请拖动鼠标选择区域，双击或回车确认，Esc或右键取消"));
}

} // namespace

extern "C" {

int32_t CameraSubArea(void) {
    return Capture([] { return std::make_unique<camera::TSubAreaCapture>(); });
}

int32_t CameraWindow(void) {
    return Capture(WindowPick<camera::TWindowCapture>);
}

int32_t CameraWindowLikeSpy(void) {
    return Capture(WindowPick<camera::TSpyCapture>);
}

void CameraSetShownHook(TCameraShownHook Hook, void *Data) {
    ShownHook = Hook;
    ShownHookData = Data;
}

void CameraSetFault(int32_t Armed) {
    FaultArmed = Armed != 0;
}

const char *CameraLastFailure(void) {
    return LastFailure.constData();
}

} // extern "C"
