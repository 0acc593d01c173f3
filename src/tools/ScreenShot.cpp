#include "ScreenShot.h"

#include "camera/CameraDll.h"
#include "dialogs/Dialogs.h"

TScreenShot::TScreenShot()
    : TScreenShot(TCameraFunctions{&::CameraSubArea, &::CameraWindow, &::CameraWindowLikeSpy,
                                   &::CameraLastFailure}) {}

TScreenShot::TScreenShot(const TCameraFunctions &Functions) : FFunctions(Functions) {}

int32_t TScreenShot::CameraSubArea() {
    return Call(FFunctions.SubArea);
}

int32_t TScreenShot::CameraWindow() {
    return Call(FFunctions.Window);
}

int32_t TScreenShot::CameraWindowLikeSpy() {
    return Call(FFunctions.WindowLikeSpy);
}

int32_t TScreenShot::Call(TCameraFunction Function) {
    int32_t Result = 0;
    try {
        Result = Function ? Function() : 0;
    } catch (...) {
        return 0;
    }
    // Only an image that is really there is announced; a cancelled capture stays silent.
    if (Result == 1)
        Dialogs::ShowMessage(QStringLiteral("图像已存至剪贴板"));
    else if (const char *Why = FFunctions.LastFailure ? FFunctions.LastFailure() : nullptr;
             Why && *Why)
        Dialogs::ShowMessage(QString::fromUtf8(Why));
    return Result;
}
