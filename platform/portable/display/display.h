// The display seam of the portable platform: what a display does (SDisplay), the displays there
// are, and the only calls a display makes into the layers above it. One of display_sdl.cpp
// (desktop), display_web.cpp (browser) and display_headless.cpp (none) is chosen at start-up;
// the window manager, presentation and message boxes reach it only through Display(). What a
// message box waits for is decided above it (message_box.cpp), the same for every display.
#pragma once

#include "../../winapi.h"
#include "../sdk/display_format.h"
#include "../user/icon.h"

#include <cstdint>
#include <string>

namespace portable {

// How the 640x480 picture is scaled to the window or screen, always with 4:3 kept (black bars).
enum class Scaling {
    Sharp,    // to fit: each source pixel its exact share, only the edges between two blended
    Integer,  // the largest whole multiple that fits, nearest-neighbour (larger bars)
    Nearest,  // to fit, nearest-neighbour alone (source pixels of uneven widths at most sizes)
};

// What the user chose of the display, handed to Start.
struct SDisplayOptions {
    bool bWindowed = false;    // a window instead of fullscreen
    bool bVsync = true;        // flips wait for the display's refresh where it has one
    bool bDrawnBoxes = false;  // message boxes drawn in our window even where the system has them
    Scaling scaling = Scaling::Sharp;
};

// A display's slots, filled by name (designated initialisers) in the display's own file.
struct SDisplay {
    // Makes the display ready; false, with `error` saying why, when there is none to use.
    bool (*Start)(const SDisplayOptions& options, std::string& error);
    // Closes what Start opened; a display never started, or shut down already, does nothing.
    void (*Shutdown)();
    // Milliseconds since some fixed point: the clock timers and GetTickCount read.
    DWORD (*Now)();
    // Puts the program's window on the display (once; later calls do nothing). `pIcon`: the
    // window's icon, or nullptr for the desktop's default. False, with `error` saying why, when
    // the display cannot show it: a run that shows nothing must not go on as if it did.
    bool (*ShowWindow)(const char* pszTitle, const SIconImage* pIcon, std::string& error);
    // Takes the window off the display for good (it is being destroyed); a box drawn in it
    // counts as answered.
    void (*HideWindow)();
    void (*DestroyWindow)();
    // A flip made a new picture visible; ShownWords() gives it, converted as the display asks.
    void (*ShowPicture)();
    void (*SetCursorVisible)(bool bVisible);
    // Whether anything from outside (a key, the window closed) can reach a program that waits.
    bool (*TakesInput)();
    // Turns the display's events into window messages (keys, focus, close, pointer); when
    // `waitMs` is not 0, first waits until one comes or Now() has moved on by `waitMs`.
    void (*PumpEvents)(DWORD waitMs);
    // Sleep: returns when Now() has moved on by `ms`, without turning events into messages.
    void (*Wait)(DWORD ms);
    // Puts a message box with one OK button up over the program's window; false when it cannot
    // be shown (it is then printed). While it is up PumpEvents hands input to the box, not to
    // the program. BoxUp() answers whether the innermost box is still unanswered; CloseBox()
    // takes it off the display, once for each box shown.
    bool (*ShowBox)(const char* pszText, const char* pszCaption);
    bool (*BoxUp)();
    void (*CloseBox)();
};

// ---- the displays (display.cpp keeps which one is in use) ----
extern const SDisplay g_HeadlessDisplay;  // display_headless.cpp: virtual clock, nothing shown
extern const SDisplay g_DeviceDisplay;    // display_sdl.cpp or display_web.cpp, whichever is built
const SDisplay& Display();                // the display in use (the headless one until start-up)
void UseDisplay(const SDisplay& display);
// Headless: the virtual clock back at 0, boxes answered at once (printed).
void ResetHeadlessDisplay();
// Headless boxes stay up, unanswered, until the modal loop ends them itself (a test's).
void HoldHeadlessBoxes(bool bHold);

// ---- what a display calls above it ----
// The window manager (window.cpp): the program gained or lost the foreground (WM_ACTIVATEAPP
// to its windows when the state changes, as Windows sends it), a key for the focus window, the
// window manager's close, and the pointer over the window (WM_SETCURSOR).
void SetAppActive(bool bActive);
void PostKeyMessage(UINT nMsg, UINT nVk);
void PostCloseToMainWindow();
void SendSetCursorToMainWindow();
// Presentation (present.cpp): the picture last presented as 32-bit words, converted into
// `pWords`, rows `nPitch` bytes apart: 0x00RRGGBB (an SDL texture's RGB888), or the bytes R, G,
// B, 255 in memory order (a browser's ImageData).
enum class WordOrder { Xrgb, Rgba };
void ShownWords(WordOrder order, std::uint8_t* pWords, long nPitch);
// How the run ends (ending.cpp): a box of the system's, whose loop is not ours, is up; a
// signal then ends the process at once.
void SetSystemModal(bool bUp);
// The display server went away (`pszServer` names it: "the X server \":1\""): one line on
// standard error and exit status 1, at once, nothing more shown or drawn; every call to a dead
// connection could wait for ever. Safe in a signal handler.
[[noreturn]] void EndForLostDisplay(const char* pszServer);

}  // namespace portable
