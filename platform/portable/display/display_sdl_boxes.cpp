// Message boxes of the SDL display: the system's where it has them (SDL_ShowSimpleMessageBox),
// else drawn (drawn_box.cpp) in the intro's window over its picture, or in a window of their
// own when the intro's is not on the screen. A box answers to Enter, Escape, Space, a click on
// OK and its window's close; their modal loop is message_box.cpp's.
#include "display_sdl.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace portable::sdl {
namespace {

bool IsMainWindowOnScreen()
{
    if (!g_State.pWindow || !g_State.pRenderer)
        return false;
    const Uint32 nFlags = SDL_GetWindowFlags(g_State.pWindow);
    return (nFlags & SDL_WINDOW_SHOWN) && !(nFlags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
}

bool ProgramInPath(const char* pszName)
{
    const char* pszPath = std::getenv("PATH");
    std::istringstream path(pszPath ? pszPath : "");
    for (std::string dir; std::getline(path, dir, ':');)
        if (!dir.empty() && access((dir + "/" + pszName).c_str(), X_OK) == 0)
            return true;
    return false;
}

// SDL shows a box on Wayland only through the zenity program; without it there is no way. On
// X11 without a window manager the system's box never gets the keyboard (it goes where the
// pointer is, likely not over the box): the drawn box, in a window that takes the keyboard, is
// the one a keyboard can answer.
bool SystemHasBoxes()
{
    if (!g_State.bWindowManager)
        return false;
    const char* pszDriver = SDL_GetCurrentVideoDriver();
    return !(pszDriver && std::strcmp(pszDriver, "wayland") == 0) || ProgramInPath("zenity");
}

// The system's box, over the intro's window when that is on the screen. A box cannot show
// above a fullscreen window: the window steps out of fullscreen for it and back afterwards.
bool ShowSystemBox(const char* pszText, const char* pszCaption)
{
    if (!SystemHasBoxes())
        return false;
    const bool bOnScreen = IsMainWindowOnScreen();
    const bool bWasFullscreen = bOnScreen && g_State.bFullscreen;
    if (bWasFullscreen)
        SetFullscreen(false);
    SDL_ShowCursor(SDL_ENABLE);
    SetSystemModal(true);
    const bool bShown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, pszCaption, pszText,
                                                 bOnScreen ? g_State.pWindow : nullptr) == 0;
    SetSystemModal(false);
    // The focus changes the box caused belong to the box, not to the program.
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_WINDOWEVENT);
    if (bOnScreen && g_State.pWindow) {
        if (bWasFullscreen)
            SetFullscreen(true);
        SDL_RaiseWindow(g_State.pWindow);
        Redraw();
    }
    return bShown;
}

void RedrawBoxWindow(const CBoxUp& up)
{
    SDL_UpdateTexture(up.pTexture, nullptr, up.box.rgb.data(), up.box.nWidth * 3);
    SDL_RenderClear(up.pRenderer);
    SDL_RenderCopy(up.pRenderer, up.pTexture, nullptr, nullptr);
    SDL_RenderPresent(up.pRenderer);
}

void CloseBoxWindow(CBoxUp& up)
{
    if (up.pTexture)
        SDL_DestroyTexture(up.pTexture);
    if (up.pRenderer)
        SDL_DestroyRenderer(up.pRenderer);
    if (up.pWindow)
        SDL_DestroyWindow(up.pWindow);
    up.pTexture = nullptr;
    up.pRenderer = nullptr;
    up.pWindow = nullptr;
}

bool OpenBoxWindow(CBoxUp& up, const char* pszCaption)
{
    up.pWindow = SDL_CreateWindow(pszCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  up.box.nWidth, up.box.nHeight, SDL_WINDOW_ALLOW_HIGHDPI);
    if (up.pWindow)
        up.pRenderer = SDL_CreateRenderer(up.pWindow, -1, 0);
    if (up.pRenderer) {
        SDL_RenderSetLogicalSize(up.pRenderer, up.box.nWidth, up.box.nHeight);
        up.pTexture = SDL_CreateTexture(up.pRenderer, SDL_PIXELFORMAT_RGB24,
                                        SDL_TEXTUREACCESS_STREAMING, up.box.nWidth, up.box.nHeight);
    }
    if (!up.pTexture) {
        CloseBoxWindow(up);
        return false;
    }
    WatchServer(up.pWindow);
    SDL_RaiseWindow(up.pWindow);
    if (!g_State.bWindowManager)
        SDL_SetWindowInputFocus(up.pWindow);
    return true;
}

bool ShowDrawnBox(const char* pszText, const char* pszCaption)
{
    CBoxUp up;
    const bool bInMain = IsMainWindowOnScreen();
    // In the intro's window the box keeps a margin, so it reads as a box over the picture.
    const int nMargin = bInMain ? 8 : 0;
    up.box = DrawMessageBoxImage(pszText, pszCaption, kScreenWidth - 2 * nMargin,
                                 kScreenHeight - 2 * nMargin);
    if (bInMain) {
        up.nLeft = (kScreenWidth - up.box.nWidth) / 2;
        up.nTop = (kScreenHeight - up.box.nHeight) / 2;
    } else if (!OpenBoxWindow(up, pszCaption)) {
        return false;
    }
    g_State.boxes.push_back(std::move(up));
    g_State.pBox = &g_State.boxes.back();
    PictureChanged();
    SDL_ShowCursor(SDL_ENABLE);
    if (bInMain)
        Redraw();
    else
        RedrawBoxWindow(*g_State.pBox);
    return true;
}

}  // namespace

bool IsBoxInMainWindow()
{
    return g_State.pBox && !g_State.pBox->pWindow && !g_State.pBox->box.rgb.empty();
}

void DrawBoxOverPicture(std::uint8_t* pBytes, int nPitch)
{
    if (!IsBoxInMainWindow())
        return;
    const SDrawnBox& box = g_State.pBox->box;
    for (int y = 0; y < box.nHeight; ++y) {
        auto* pRow = reinterpret_cast<std::uint32_t*>(pBytes + (g_State.pBox->nTop + y) * nPitch);
        const std::uint8_t* pSource = &box.rgb[static_cast<std::size_t>(y) * box.nWidth * 3];
        for (int x = g_State.pBox->nLeft; x < g_State.pBox->nLeft + box.nWidth; ++x, pSource += 3)
            pRow[x] = (std::uint32_t{pSource[0]} << 16) | (std::uint32_t{pSource[1]} << 8) |
                      pSource[2];
    }
}

void HandleBoxKey(const SDL_KeyboardEvent& key)
{
    // The keys a box with one OK button answers to; the rest go nowhere while it is up.
    const SDL_Keycode sym = key.keysym.sym;
    if (key.type == SDL_KEYDOWN && !key.repeat &&
        (sym == SDLK_RETURN || sym == SDLK_KP_ENTER || sym == SDLK_ESCAPE || sym == SDLK_SPACE))
        g_State.pBox->bDone = true;
}

// A click on OK closes the box: the button goes down and comes up over it. Coordinates are
// in the renderer's logical pixels (SDL maps them), so the box's own.
void HandleBoxClick(const SDL_MouseButtonEvent& button)
{
    CBoxUp& up = *g_State.pBox;
    SDL_Window* pBoxWindow = up.pWindow ? up.pWindow : g_State.pWindow;
    if (button.button != SDL_BUTTON_LEFT || !pBoxWindow || button.windowID != SDL_GetWindowID(pBoxWindow))
        return;
    const int x = button.x - up.nLeft, y = button.y - up.nTop;
    const RECT& ok = up.box.okButton;
    const bool bOnOk = x >= ok.left && x < ok.right && y >= ok.top && y < ok.bottom;
    if (button.type == SDL_MOUSEBUTTONDOWN)
        up.bPressed = bOnOk;
    else if (up.bPressed && bOnOk)
        up.bDone = true;
    else
        up.bPressed = false;
}

bool HandleBoxWindowEvent(const SDL_WindowEvent& event)
{
    if (!g_State.pBox || !g_State.pBox->pWindow || event.windowID != SDL_GetWindowID(g_State.pBox->pWindow))
        return false;
    if (event.event == SDL_WINDOWEVENT_CLOSE)
        g_State.pBox->bDone = true;  // a box with only OK may be closed as a window, like Escape
    else if (event.event == SDL_WINDOWEVENT_EXPOSED || event.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        RedrawBoxWindow(*g_State.pBox);
    return true;
}

bool ShowBox(const char* pszText, const char* pszCaption)
{
    if (!g_State.bStarted)
        return false;
    EndIfServerGone();
    if (g_State.options.bDrawnBoxes || !ShowSystemBox(pszText, pszCaption))
        return ShowDrawnBox(pszText, pszCaption);
    // The system's box runs a loop of its own and is answered when it returns.
    g_State.boxes.emplace_back().bDone = true;
    g_State.pBox = &g_State.boxes.back();
    PictureChanged();
    return true;
}

void CloseBox()
{
    if (g_State.boxes.empty())
        return;
    const bool bInMain = IsBoxInMainWindow();
    CloseBoxWindow(*g_State.pBox);
    g_State.boxes.pop_back();
    g_State.pBox = g_State.boxes.empty() ? nullptr : &g_State.boxes.back();
    PictureChanged();
    if (g_State.pWindow && bInMain)
        Redraw();
}

bool BoxUp()
{
    return g_State.pBox && !g_State.pBox->bDone;
}

}  // namespace portable::sdl
