// Test-only controls of the portable platform (native builds only): a fresh headless world per
// test, fault injection into the Win32/DirectDraw calls, simulated focus and keys, and what a
// viewer would have seen. Include after "winapi.h".
#pragma once

#include "../../winapi.h"
#include "calls.h"
#include "../sdk/display_format.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace portable::test {

using portable::Call;
using portable::DisplayFormat;

// A fresh headless world: no windows, classes, timers, queued messages, faults, boxes or end of
// the run requested; virtual clock at 0; emulated display in `format`; the app's process
// globals untouched.
void Reset(DisplayFormat format = DisplayFormat::Rgb565);

constexpr int kAlways = -1;

// The next `times` calls (kAlways: every call) fail with `code` and do nothing else.
// For SetTimer/CreateWindowExA the code is ignored and they return 0/null. For CaptureWrite
// (one write of a frame file's bytes) the code is the errno, e.g. ENOSPC: half the bytes reach
// the file, as on a disk that has just filled up.
void InjectFault(Call call, HRESULT code, int times = 1);
void ClearFaults();
int CallCount(Call call);  // calls made since Reset (including failed ones)

// As Alt+Tab away: WM_ACTIVATEAPP(0) is sent; in exclusive mode the primary chain is lost
// (Flip/Lock/GetDC -> DDERR_SURFACELOST).
void LoseFocus();
// WM_ACTIVATEAPP(1); surfaces stay lost until Restore.
void GainFocus();
// Queues WM_KEYDOWN then WM_KEYUP for the focus window.
void PressKey(UINT vk);

struct MessageBoxRecord {
    HWND owner;
    std::string text, caption;
    UINT type;
};
const std::vector<MessageBoxRecord>& MessageBoxes();  // boxes shown since Reset
// Runs while the box is "up" (inside MessageBoxA), before it returns IDOK.
void SetMessageBoxHook(std::function<void(const MessageBoxRecord&)> hook);
// Boxes stay up from now on until their modal loop ends them (WM_QUIT, the end of the run),
// as a real one waits for somebody; by default (and after Reset) they are answered at once.
void HoldMessageBoxes(bool bHold);

int PresentedFrames();               // flips presented since Reset
std::vector<std::uint8_t> ScreenRgb();  // the visible picture, 640x480x3 RGB, as a viewer sees it

// Extra bytes at the end of every row of surfaces created after this call (0 after Reset), so
// callers can be tested against a pitch other than width * bytes per pixel.
void SetPitchPadding(int bytes);
// Writes every presented frame from now on as DIR/frame-NNNNNN.png, as --capture does; an empty
// string stops capturing. Reset stops it too.
void SetCaptureDir(const std::string& dir);
// The exit status a signal, a failed capture or lost output has set for the run; -1: none,
// the program's own result stands.
int RequestedExitStatus();
// The virtual clock in milliseconds (0 after Reset); GetMessageA moves it on to the next due
// timer when nothing else is queued.
DWORD ClockMs();

}  // namespace portable::test
