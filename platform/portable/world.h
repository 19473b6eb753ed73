// State and entry points shared by the files of the portable platform: the settings chosen at
// start-up (display, display format, capture, scripted keys), the display, and the calls by
// which window manager, DirectDraw and presentation reach one another.
#pragma once

#include "../winapi.h"
#include "sdk/display_format.h"
#include "user/icon.h"

#include <cstdint>
#include <string>
#include <vector>

namespace portable {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct SKeyAt {
    int nFrame;  // pressed after this many presented frames
    UINT nVk;
};

struct CSettings {
    bool bHeadless = false;    // --headless: start-up chooses the headless display
    bool bWindowed = false;
    bool bVsync = true;        // flips wait for the display's refresh where it has one
    bool bDrawnBoxes = false;  // message boxes drawn in our window even where the system has them
    DisplayFormat format = DisplayFormat::Rgb565;  // what a 16-bit display mode gives
    std::string captureDir;                        // empty: no capture
    bool bReplaceFrames = false;                   // frames already in captureDir may go
    int nFrames = 0;                               // 0: run until the program ends
    std::vector<SKeyAt> keys;
    int nPitchPadding = 0;
};
extern CSettings g_Settings;

// ---- window manager (window.cpp) ----
DWORD NowMs();  // the display's clock
bool IsAppActive();
// Sends WM_ACTIVATEAPP to the program's windows when the state changes (as Windows does when
// the program gains or loses the foreground).
void SetAppActive(bool bActive);
void PostKeyMessage(UINT nMsg, UINT nVk);
void PostCloseToMainWindow();
void SendSetCursorToMainWindow();
void ResetWindowManager();
// Waits until a message the filter accepts may be there (a timer due, a display event); false,
// at once, when nothing could ever come.
bool WaitForMessage(HWND hFilter, UINT nMin, UINT nMax);

// ---- DirectDraw (ddraw.cpp) ----
// The program left the foreground: an exclusive-mode primary chain is lost.
void LoseExclusiveSurfaces();
void ResetDirectDraw();

// ---- GDI (gdi_text.cpp): a device context drawing into surface memory ----
struct SSurfaceView {
    std::uint8_t* pBits;
    long nPitch;
    int nWidth, nHeight;
    DisplayFormat format;
    const PALETTEENTRY* pPalette;  // 8-bit surfaces: for the text colour's nearest index
};
HDC OpenSurfaceDC(const SSurfaceView& view);
void CloseSurfaceDC(HDC hDC);
void ResetGdi();
// The platform's own text (the drawn message box), outside any device context: the width of a
// line in the embedded font at a cell height, and the line drawn with its cell's top-left at (x, y).
int MeasureTextLine(int nCellHeight, const char* pszText, int nLength);
void DrawTextLine(const SSurfaceView& view, int x, int y, const char* pszText, int nLength,
                  int nCellHeight, COLORREF color);

// ---- the drawn message box (drawn_box.cpp): for systems that cannot show one ----
struct SDrawnBox {
    int nWidth = 0, nHeight = 0;
    std::vector<std::uint8_t> rgb;  // nWidth x nHeight, 3 bytes a pixel
    RECT okButton{};                // where a click closes the box, in the box's pixels
};
// Lays the box out to fit within nMaxWidth x nMaxHeight: caption bar, the text line by line
// (long lines broken between words), each line centred, and an OK button below.
SDrawnBox DrawMessageBoxImage(const char* pszText, const char* pszCaption, int nMaxWidth,
                              int nMaxHeight);

// ---- test controls kept by the platform (testing.cpp) ----
// Every box MessageBoxA is asked for; a test's hook runs while it is up.
void RecordMessageBox(HWND hOwner, const char* pszText, const char* pszCaption, UINT nType);
void ResetMessageBoxes();

// ---- presentation (present.cpp) ----
struct SPixelFormat {
    DWORD dwFlags;  // DDPF_RGB, or DDPF_RGB | DDPF_PALETTEINDEXED8
    DWORD dwBitCount;
    DWORD dwRMask, dwGMask, dwBMask;
};
SPixelFormat PixelFormatOf(DisplayFormat format);
int BytesPerPixel(DisplayFormat format);
// One picture to RGB, exactly (5 bits -> v << 3 | v >> 2, 6 bits -> v << 2 | v >> 4).
void ConvertToRgb(DisplayFormat format, const std::uint8_t* pPixels, long nPitch,
                  const PALETTEENTRY* pPalette, std::uint8_t* pRgb);
// A flip made `pPixels` visible: count it, keep it for ScreenRgb, capture and show it.
void PresentPicture(DisplayFormat format, const std::uint8_t* pPixels, long nPitch,
                    const PALETTEENTRY* pPalette, bool bCountAsFrame);
const std::uint8_t* ShownRgb();  // the picture last presented, 640x480 RGB
// The same as 32-bit words, converted into `pWords`, rows `nPitch` bytes apart: 0x00RRGGBB
// (an SDL texture's RGB888), or the bytes R, G, B, 255 in memory order (a browser's ImageData).
enum class WordOrder { Xrgb, Rgba };
void ShownWords(WordOrder order, std::uint8_t* pWords, long nPitch);
int PresentedFrameCount();
void ResetPresentation();

// ---- capture (capture.cpp) ----
// Makes `dir` ready for a capture: created when missing. Frame files an earlier capture left
// there are refused (false, status 2), or removed when `bReplace`; false and status 1 when the
// folder cannot be made ready. `message` is the line to print.
bool PrepareCaptureFolder(const std::string& dir, bool bReplace, std::string& message, int& nStatus);
bool IsCapturing();
// Writes `pRgb` (640x480x3) as frame-NNNNNN.png in the capture folder: under a temporary name,
// renamed once complete. A failure says why in one line and ends the run with status 1.
void CaptureFrame(int nFrame, const std::uint8_t* pRgb);
void ResetCapture();

// ---- how the run ends (ending.cpp) ----
// SIGINT, SIGTERM and SIGHUP end the run as RequestEnd does, with status 128 + n; a second one,
// or one while a box of the system's is up (its loop is not ours), ends the process at once.
// Every child process (the system's box) is killed when the program ends.
void InstallSignalHandlers();
// The message loop ends the run at its next turn (window.cpp): the main window is destroyed, so
// the program's shutdown runs, its boxes printed rather than shown; the exit status is nStatus.
void RequestEnd(int nStatus);
bool EndRequested();  // a signal came or RequestEnd was called; every waiting loop polls it
// A failure the run goes on after (output lost): the exit status becomes nStatus.
void NoteFailure(int nStatus);
// The process's exit status given the program's own result.
int ExitStatus(int nProgramResult);
// Flushes standard output; a failure is reported once on standard error and noted (status 1).
bool FlushStandardOutput();
void SetSystemModal(bool bUp);
// The file being written: removed if the process has to end before it is complete.
void SetPartialFile(const char* pszPath);
void RemovePartialFile();
void ResetEnding();

// ---- the display: display_sdl.cpp (desktop), display_web.cpp (browser) or display_headless.cpp
// (none), one chosen at start-up. The window manager, presentation and message boxes reach it
// only through this interface; what a message box waits for is decided above it
// (message_box.cpp), the same for every display.
struct SDisplay {
    // Makes the display ready; false, with `error` saying why, when there is none to use.
    bool (*Start)(std::string& error);
    // Closes what Start opened; a display never started, or shut down already, does nothing.
    void (*Shutdown)();
    // Milliseconds since some fixed point: the clock timers and GetTickCount read.
    DWORD (*Now)();
    // Puts the program's window on the display (once; later calls do nothing). `pIcon`: the
    // window's icon, or nullptr for the desktop's default.
    void (*ShowWindow)(const char* pszTitle, const SIconImage* pIcon);
    // Takes the window off the display for good (it is being destroyed); a box drawn in it
    // counts as answered.
    void (*HideWindow)();
    void (*DestroyWindow)();
    // A flip made a new picture visible; ShownRgb() or ShownWords() give it, converted when
    // asked (the pointer ShownRgb returns stays valid until the next picture).
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
const SDisplay& Display();            // the display chosen (the headless one until start-up)
void UseDisplay(const SDisplay& display);
const SDisplay& HeadlessDisplay();    // display_headless.cpp: virtual clock, nothing shown
const SDisplay& DeviceDisplay();      // display_sdl.cpp or display_web.cpp, whichever is built
// Headless: the virtual clock back at 0, boxes answered at once (printed).
void ResetHeadlessDisplay();
// Headless boxes stay up, unanswered, until the modal loop ends them itself (a test's).
void HoldHeadlessBoxes(bool bHold);

}  // namespace portable
