#pragma once

#include <cstdint>

// Screen capture to the clipboard in three manners, done by the capture library; says so when an
// image is on the clipboard.
class TScreenShot {
public:
    using TCameraFunction = int32_t (*)();
    using TFailureFunction = const char *(*)();
    // The library's three entries; tests put others in their place.
    struct TCameraFunctions {
        TCameraFunction SubArea;
        TCameraFunction Window;
        TCameraFunction WindowLikeSpy;
        // Why the last capture failed (UTF-8), empty when it did not; none: never said.
        TFailureFunction LastFailure = nullptr;
    };
    TScreenShot();
    explicit TScreenShot(const TCameraFunctions &Functions);

    // Each returns what the library returned (1: image on the clipboard, 0: cancelled), or 0
    // after an error inside it, which is dropped without a word. A capture that could not
    // start because the desktop would not give its screens says why.
    int32_t CameraSubArea();
    int32_t CameraWindow();
    int32_t CameraWindowLikeSpy();

private:
    int32_t Call(TCameraFunction Function);

    TCameraFunctions FFunctions;
};
