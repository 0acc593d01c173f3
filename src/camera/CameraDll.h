#pragma once

#include <stdint.h>

// The capture library: three ways of picking part of the screen, each finished inside the call.
// A call runs on the caller's thread, which must be the thread of the program's QApplication;
// the user picks over a frozen image of every screen, and on confirming the chosen pixels go to
// the clipboard as an image, served by the calling process from then on.
// Each returns 1 when an image was put on the clipboard and 0 when the capture was cancelled,
// failed, or could not start (no QApplication, another capture still running).

#if defined(CAMERADLL_BUILD)
#define CAMERADLL_API __attribute__((visibility("default")))
#else
#define CAMERADLL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Drag a rectangle; move it, resize it by its edges, nudge it with the arrow keys (Shift
// resizes); double click or Enter takes it, Esc or a right click gives up.
CAMERADLL_API int32_t CameraSubArea(void);
// The top-level window under the pointer is outlined as it moves; a click takes it.
CAMERADLL_API int32_t CameraWindow(void);
// Press on the crosshair of the small panel and drag it onto a window; releasing takes the
// outlined window, releasing over no window gives up.
CAMERADLL_API int32_t CameraWindowLikeSpy(void);

// Why the last capture returned 0 without the user giving up (the desktop would not give its
// screens, say), as a sentence for the user in UTF-8; empty after any other capture. Valid
// until the next capture.
CAMERADLL_API const char *CameraLastFailure(void);

// For the program's own tests and benchmarks.
typedef void (*TCameraShownHook)(void *Data);
// Hook is called (on the caller's thread, inside the capture call) once the frozen image is on
// every screen; a null Hook removes it.
CAMERADLL_API void CameraSetShownHook(TCameraShownHook Hook, void *Data);
// With Armed non-zero, the next capture that is confirmed fails with an internal error instead.
CAMERADLL_API void CameraSetFault(int32_t Armed);

#ifdef __cplusplus
}
#endif
