// State and entry points shared by the files of the portable platform: the settings chosen at
// start-up (headless or SDL display, display format, capture, scripted keys), the clock, and the
// calls by which window manager, DirectDraw and presentation reach one another.
#pragma once

#include "icon.h"
#include "testing.h"

#include <cstdint>
#include <string>
#include <vector>

namespace portable {

using test::DisplayFormat;

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

struct SKeyAt {
    int nFrame;  // pressed after this many presented frames
    UINT nVk;
};

struct CSettings {
    bool bHeadless = true;  // tests run headless unless PlatformMain finds a display
    bool bWindowed = false;
    DisplayFormat format = DisplayFormat::Rgb565;  // what a 16-bit display mode gives
    std::string captureDir;                        // empty: no capture
    int nFrames = 0;                               // 0: run until the program ends
    std::vector<SKeyAt> keys;
    int nPitchPadding = 0;
};
extern CSettings g_Settings;

// ---- window manager (window.cpp) ----
DWORD NowMs();
void AdvanceVirtualClock(DWORD ms);
bool IsAppActive();
// Sends WM_ACTIVATEAPP to the program's windows when the state changes (as Windows does when
// the program gains or loses the foreground).
void SetAppActive(bool bActive);
void PostKeyMessage(UINT nMsg, UINT nVk);
void PostCloseToMainWindow();
void SendSetCursorToMainWindow();
void ResetWindowManager();

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

// ---- message boxes (message_box.cpp) ----
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
void ResetPresentation();

// ---- the display (display_sdl.cpp, or display_web.cpp in the browser); every call is a
// no-op when headless ----
bool DisplayStart(std::string& error);
void DisplayShutdown();
// `pIcon`: the window's icon, or nullptr for the desktop's default.
void DisplayShowWindow(const char* pszTitle, const SIconImage* pIcon);
// Takes the window off the screen for good: it is being destroyed.
void DisplayHideWindow();
void DisplayDestroyWindow();
void DisplayShowPicture(const std::uint8_t* pRgb);
void DisplaySetCursorVisible(bool bVisible);
// Turns the display's events into window messages; waits at most `waitMs` for the first one.
void DisplayPumpEvents(DWORD waitMs);
// Blocks for `ms` (Sleep); in the browser the page keeps running meanwhile.
void DisplayWait(DWORD ms);
// A real box over the desktop; false when the system has no way to show one.
bool DisplayMessageBox(const char* pszText, const char* pszCaption);

}  // namespace portable
