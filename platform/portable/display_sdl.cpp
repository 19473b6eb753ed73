// The SDL2 display of the portable platform, the only file that includes SDL. The emulated
// 640x480 screen is an RGB24 streaming texture: each flipped picture (already RGB, present.cpp)
// is uploaded and drawn scaled to fit with 4:3 kept (black bars) and nearest filtering; the
// renderer's logical size does the letterboxing in output pixels, so HiDPI stays sharp.
// SDL calls used: SDL_Init, SDL_SetHintWithPriority, SDL_CreateWindow/Renderer/Texture,
// SDL_RenderSetLogicalSize, SDL_UpdateTexture, SDL_RenderClear/Copy/Present,
// SDL_GetDesktopDisplayMode, SDL_SetWindowFullscreen/Size/Position, SDL_SetWindowIcon,
// SDL_CreateRGBSurfaceWithFormatFrom, SDL_FreeSurface, SDL_Show/HideWindow, SDL_GetWindowFlags,
// SDL_ShowCursor, SDL_WaitEventTimeout, SDL_PollEvent, SDL_Delay, SDL_FlushEvent,
// SDL_ShowSimpleMessageBox.
#include "world.h"

#include <SDL.h>

#include <cstdlib>
#include <string>

namespace portable {
namespace {

SDL_Window* g_pWindow = nullptr;
SDL_Renderer* g_pRenderer = nullptr;
SDL_Texture* g_pTexture = nullptr;
const std::uint8_t* g_pLastPicture = nullptr;  // shown again when the window is exposed
bool g_bFullscreen = false;
const char kWindowClass[] = "korvan";

bool HasDisplay()
{
    return !g_Settings.bHeadless && g_pWindow;
}

void Redraw()
{
    SDL_SetRenderDrawColor(g_pRenderer, 0, 0, 0, 255);
    SDL_RenderClear(g_pRenderer);
    if (g_pLastPicture) {
        SDL_UpdateTexture(g_pTexture, nullptr, g_pLastPicture, kScreenWidth * 3);
        SDL_RenderCopy(g_pRenderer, g_pTexture, nullptr, nullptr);
    }
    SDL_RenderPresent(g_pRenderer);
}

// The size of the window for each state. Fullscreen takes the whole desktop up front as well:
// without a window manager (a bare X server, a kiosk session) nobody honours the fullscreen
// request, and SDL would then letterbox for a desktop-sized window into a 640x480 one and crop.
void WindowSizeFor(bool bFullscreen, int& nWidth, int& nHeight)
{
    nWidth = kScreenWidth;
    nHeight = kScreenHeight;
    SDL_DisplayMode mode;
    if (bFullscreen && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        nWidth = mode.w;
        nHeight = mode.h;
    }
}

void SetIcon(const SIconImage& icon)
{
    SDL_Surface* pSurface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint8_t*>(icon.rgba.data()), icon.nWidth, icon.nHeight, 32,
        icon.nWidth * 4, SDL_PIXELFORMAT_RGBA32);
    if (!pSurface)
        return;  // the desktop's default icon is no reason to stop
    SDL_SetWindowIcon(g_pWindow, pSurface);  // SDL keeps a copy of the pixels
    SDL_FreeSurface(pSurface);
}

void SetFullscreen(bool bFullscreen)
{
    // Desktop fullscreen: the desktop's mode stays, our letterbox does the scaling.
    g_bFullscreen = bFullscreen;
    int nWidth = 0;
    int nHeight = 0;
    WindowSizeFor(bFullscreen, nWidth, nHeight);
    if (!bFullscreen)
        SDL_SetWindowFullscreen(g_pWindow, 0);
    SDL_SetWindowSize(g_pWindow, nWidth, nHeight);
    SDL_SetWindowPosition(g_pWindow, bFullscreen ? 0 : SDL_WINDOWPOS_CENTERED,
                          bFullscreen ? 0 : SDL_WINDOWPOS_CENTERED);
    if (bFullscreen)
        SDL_SetWindowFullscreen(g_pWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// Virtual-key code of an SDL key; 0 for keys the program never sees.
UINT VirtualKeyOf(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<UINT>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<UINT>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<UINT>(VK_F1 + (key - SDLK_F1));
    switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    default: return 0;
    }
}

void HandleKey(const SDL_KeyboardEvent& key)
{
    const bool bAltEnter = key.keysym.sym == SDLK_RETURN && (key.keysym.mod & KMOD_ALT);
    if (bAltEnter) {
        if (key.type == SDL_KEYDOWN && !key.repeat)
            SetFullscreen(!g_bFullscreen);
        return;  // a platform shortcut, as the desktop's own would be
    }
    // Keys come from the events themselves: pushed events never reach SDL's keyboard state.
    if (UINT nVk = VirtualKeyOf(key.keysym.sym))
        PostKeyMessage(key.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, nVk);
}

void HandleWindowEvent(const SDL_WindowEvent& event)
{
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        SetAppActive(true);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        SetAppActive(false);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        Redraw();
        break;
    default:
        break;
    }
}

void HandleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        PostCloseToMainWindow();  // the window manager's close button, like Alt+F4 on Windows
        break;
    case SDL_WINDOWEVENT:
        HandleWindowEvent(event.window);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        HandleKey(event.key);
        break;
    case SDL_MOUSEMOTION:
        SendSetCursorToMainWindow();
        break;
    default:
        break;
    }
}

}  // namespace

bool DisplayStart(std::string& error)
{
    // The window class desktops match with the .desktop entry's StartupWMClass (X11) and the
    // app id (Wayland); SDL reads them when it makes the window. A user's own values win.
    setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", kWindowClass, 0);
    SDL_SetHintWithPriority(SDL_HINT_APP_NAME, kWindowClass, SDL_HINT_DEFAULT);
    // Exclusive mode used to minimize the program on Alt+Tab; a user's own setting wins.
    SDL_SetHintWithPriority(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1", SDL_HINT_DEFAULT);
    SDL_SetHintWithPriority(SDL_HINT_RENDER_SCALE_QUALITY, "nearest", SDL_HINT_OVERRIDE);
#if defined(__unix__) && !defined(__APPLE__)
    // An X11 or Wayland session names its display. Without either SDL would only probe (and
    // libwayland complain on stderr) before falling back to an invisible driver.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("SDL_VIDEODRIVER")) {
        error = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        return false;
    }
    // An X11-only session: an unreachable X server should say so, not send SDL on to Wayland.
    if (!std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_DEFAULT);
#endif
    if (SDL_Init(SDL_INIT_VIDEO) != 0 || SDL_GetNumVideoDisplays() < 1) {
        error = SDL_GetError();
        SDL_Quit();
        return false;
    }
    // With no display server SDL 2.26 falls back to its invisible "offscreen" driver on its
    // own; a picture nobody can see is not a display unless the user asked for that driver.
    const std::string driver = SDL_GetCurrentVideoDriver();
    const char* pszAsked = SDL_getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && !(pszAsked && driver == pszAsked)) {
        error = "only SDL's invisible " + driver + " video driver is available";
        SDL_Quit();
        return false;
    }
    return true;
}

void DisplayShutdown()
{
    if (g_Settings.bHeadless)
        return;
    DisplayDestroyWindow();
    SDL_Quit();
}

void DisplayShowWindow(const char* pszTitle, const SIconImage* pIcon)
{
    if (g_Settings.bHeadless || g_pWindow)
        return;
    const Uint32 nFlags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE |
                          (g_Settings.bWindowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    int nWidth = 0;
    int nHeight = 0;
    WindowSizeFor(!g_Settings.bWindowed, nWidth, nHeight);
    g_pWindow = SDL_CreateWindow(pszTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 nWidth, nHeight, nFlags);
    if (!g_pWindow)
        return;
    g_bFullscreen = !g_Settings.bWindowed;
    if (pIcon)
        SetIcon(*pIcon);
    g_pRenderer = SDL_CreateRenderer(g_pWindow, -1, SDL_RENDERER_ACCELERATED);
    if (!g_pRenderer)
        g_pRenderer = SDL_CreateRenderer(g_pWindow, -1, SDL_RENDERER_SOFTWARE);
    if (g_pRenderer) {
        SDL_RenderSetLogicalSize(g_pRenderer, kScreenWidth, kScreenHeight);
        g_pTexture = SDL_CreateTexture(g_pRenderer, SDL_PIXELFORMAT_RGB24,
                                       SDL_TEXTUREACCESS_STREAMING, kScreenWidth, kScreenHeight);
    }
    if (!g_pTexture) {
        DisplayDestroyWindow();
        return;
    }
    Redraw();
}

void DisplayHideWindow()
{
    if (HasDisplay())
        SDL_HideWindow(g_pWindow);
}

void DisplayDestroyWindow()
{
    if (g_pTexture)
        SDL_DestroyTexture(g_pTexture);
    if (g_pRenderer)
        SDL_DestroyRenderer(g_pRenderer);
    if (g_pWindow)
        SDL_DestroyWindow(g_pWindow);
    g_pTexture = nullptr;
    g_pRenderer = nullptr;
    g_pWindow = nullptr;
    g_pLastPicture = nullptr;
}

void DisplayShowPicture(const std::uint8_t* pRgb)
{
    if (!HasDisplay())
        return;
    g_pLastPicture = pRgb;
    Redraw();
}

void DisplaySetCursorVisible(bool bVisible)
{
    if (HasDisplay())
        SDL_ShowCursor(bVisible ? SDL_ENABLE : SDL_DISABLE);
}

void DisplayPumpEvents(DWORD waitMs)
{
    if (g_Settings.bHeadless)
        return;
    SDL_Event event;
    if (waitMs > 0 && SDL_WaitEventTimeout(&event, static_cast<int>(waitMs)))
        HandleEvent(event);
    while (SDL_PollEvent(&event))
        HandleEvent(event);
}

void DisplayWait(DWORD ms)
{
    SDL_Delay(ms);
}

bool DisplayMessageBox(const char* pszText, const char* pszCaption)
{
    if (g_Settings.bHeadless)
        return false;
    // A box cannot show above a fullscreen window: step out of the way first. A window already
    // hidden (one being destroyed, whose last words this box may be) stays hidden afterwards.
    const bool bWasShown = g_pWindow && (SDL_GetWindowFlags(g_pWindow) & SDL_WINDOW_SHOWN);
    const bool bWasFullscreen = g_bFullscreen;
    if (bWasShown) {
        if (bWasFullscreen)
            SetFullscreen(false);
        SDL_HideWindow(g_pWindow);
    }
    SDL_ShowCursor(SDL_ENABLE);
    const bool bShown =
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, pszCaption, pszText, nullptr) == 0;
    // The focus changes the box caused belong to the box, not to the program.
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_WINDOWEVENT);
    if (bWasShown && g_pWindow) {
        SDL_ShowWindow(g_pWindow);
        if (bWasFullscreen)
            SetFullscreen(true);
        SDL_RaiseWindow(g_pWindow);
        Redraw();
    }
    return bShown;
}

}  // namespace portable
