// The SDL2 display of the portable platform, the only file that includes SDL. The emulated
// 640x480 screen is a streaming texture in the renderer's own 32-bit format: each flipped
// picture is converted once, straight into it (present.cpp; SDL's own conversion costs more
// than the rest of a present), kept there for redraws, and drawn scaled to fit with 4:3 kept
// (black bars) and nearest filtering; the renderer's logical size does the letterboxing in
// output pixels, so HiDPI stays sharp. The renderer waits for the display's refresh, as
// DirectDraw's Flip does. Message boxes are the system's where it has them, else drawn here
// (drawn_box.cpp); their modal loop is message_box.cpp's. On X11 a wait for events sleeps on
// the X connection itself.
// SDL calls used: SDL_Init, SDL_SetHintWithPriority, SDL_CreateWindow/Renderer/Texture,
// SDL_RenderSetLogicalSize, SDL_UpdateTexture, SDL_Lock/UnlockTexture, SDL_RenderClear/Copy/Present,
// SDL_GetDesktopDisplayMode, SDL_GetWindowDisplayIndex, SDL_SetWindowFullscreen/Size/Position,
// SDL_GetWindowSize, SDL_GetWindowID, SDL_RaiseWindow, SDL_SetWindowIcon, SDL_GetWindowFlags,
// SDL_CreateRGBSurfaceWithFormatFrom, SDL_FreeSurface, SDL_Show/HideWindow, SDL_ShowCursor,
// SDL_PollEvent, SDL_PumpEvents, SDL_FlushEvent, SDL_GetWindowWMInfo, SDL_GetTicks, SDL_Delay,
// SDL_GetCurrentVideoDriver, SDL_ShowSimpleMessageBox.
#include "display.h"

#include "drawn_box.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <list>
#include <sstream>
#include <string>

namespace portable {
namespace {

SDisplayOptions g_Options;
bool g_bStarted = false;
SDL_Window* g_pWindow = nullptr;
SDL_Renderer* g_pRenderer = nullptr;
SDL_Texture* g_pTexture = nullptr;
bool g_bHasPicture = false;      // a flip showed a picture in this window: drawn again when exposed
bool g_bTextureCurrent = false;  // the texture holds that picture and the box over it, if any
bool g_bFullscreen = false;
bool g_bPointerNews = false;  // the window just appeared, perhaps under the pointer
int g_nXFd = -1;               // the X connection, to sleep on; -1: poll instead
const char kWindowClass[] = "korvan";
// How long a window manager may take to carry out a switch to or from fullscreen.
constexpr Uint32 kSwitchTimeoutMs = 1000;

// A message box while it is up. A drawn one is in the intro's window over its picture, or,
// when that window is not on the screen, in a window of its own; the system's has been
// answered already when it is here (box.rgb is empty).
struct CDrawnBoxUp {
    SDrawnBox box;
    SDL_Window* pWindow = nullptr;  // its own window, or nullptr: drawn in the intro's
    SDL_Renderer* pRenderer = nullptr;
    SDL_Texture* pTexture = nullptr;
    int nLeft = 0, nTop = 0;  // in the intro's window: the box's place over its picture
    bool bPressed = false;              // the mouse went down on OK
    bool bDone = false;
};
// The innermost last. A list, not a deque: a deque allocates as it is made, before main(), where
// running out of memory cannot be told in one line; and a list keeps g_pBox valid as boxes come.
std::list<CDrawnBoxUp> g_Boxes;
CDrawnBoxUp* g_pBox = nullptr;     // the innermost, or nullptr

bool IsBoxInMainWindow()
{
    return g_pBox && !g_pBox->pWindow && !g_pBox->box.rgb.empty();
}

// The shown picture (black before the first), with a box drawn in the window over it, as the
// texture's X-R-G-B words.
bool UploadPicture()
{
    void* pPixels = nullptr;
    int nPitch = 0;
    if (SDL_LockTexture(g_pTexture, nullptr, &pPixels, &nPitch) != 0)
        return false;
    auto* pBytes = static_cast<std::uint8_t*>(pPixels);
    if (g_bHasPicture)
        ShownWords(WordOrder::Xrgb, pBytes, nPitch);
    else
        std::memset(pBytes, 0, static_cast<std::size_t>(nPitch) * kScreenHeight);
    if (IsBoxInMainWindow()) {
        const SDrawnBox& box = g_pBox->box;
        for (int y = 0; y < box.nHeight; ++y) {
            auto* pRow = reinterpret_cast<std::uint32_t*>(pBytes + (g_pBox->nTop + y) * nPitch);
            const std::uint8_t* pSource = &box.rgb[static_cast<std::size_t>(y) * box.nWidth * 3];
            for (int x = g_pBox->nLeft; x < g_pBox->nLeft + box.nWidth; ++x, pSource += 3)
                pRow[x] = (std::uint32_t{pSource[0]} << 16) | (std::uint32_t{pSource[1]} << 8) |
                          pSource[2];
        }
    }
    SDL_UnlockTexture(g_pTexture);
    return true;
}

// Draws the texture again, uploaded anew only when what it should hold changed.
void Redraw()
{
    if (!g_pRenderer)
        return;
    if (!g_bTextureCurrent && (g_bHasPicture || IsBoxInMainWindow()))
        g_bTextureCurrent = UploadPicture();
    SDL_SetRenderDrawColor(g_pRenderer, 0, 0, 0, 255);
    SDL_RenderClear(g_pRenderer);
    if (g_bTextureCurrent)
        SDL_RenderCopy(g_pRenderer, g_pTexture, nullptr, nullptr);
    SDL_RenderPresent(g_pRenderer);
}

void RedrawBoxWindow(const CDrawnBoxUp& up)
{
    SDL_UpdateTexture(up.pTexture, nullptr, up.box.rgb.data(), up.box.nWidth * 3);
    SDL_RenderClear(up.pRenderer);
    SDL_RenderCopy(up.pRenderer, up.pTexture, nullptr, nullptr);
    SDL_RenderPresent(up.pRenderer);
}

// After a change of size the first present may still go out at the old size (Mesa's software
// GL takes the new one from the present itself), leaving the rest of the window unpainted
// until the next frame, and frames may be stopped for a while (the focus moves as a window
// manager switches): present twice.
void RedrawResized()
{
    Redraw();
    Redraw();
}

int RefreshRate()
{
    SDL_DisplayMode mode;
    const int nDisplay = g_pWindow ? SDL_GetWindowDisplayIndex(g_pWindow) : 0;
    return SDL_GetDesktopDisplayMode(nDisplay < 0 ? 0 : nDisplay, &mode) == 0 ? mode.refresh_rate : 0;
}

// Presents wait for the display's refresh, as DirectDraw's Flip does, so a frame never tears.
// A display that reports no refresh (a virtual X server) has nothing to wait for, and a
// renderer that refuses to wait is taken without it.
SDL_Renderer* CreateRenderer()
{
    if (g_Options.bVsync && RefreshRate() > 0) {
        if (SDL_Renderer* pRenderer = SDL_CreateRenderer(
                g_pWindow, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC))
            return pRenderer;
    }
    if (SDL_Renderer* pRenderer = SDL_CreateRenderer(g_pWindow, -1, SDL_RENDERER_ACCELERATED))
        return pRenderer;
    return SDL_CreateRenderer(g_pWindow, -1, SDL_RENDERER_SOFTWARE);
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

// A switch is complete when the window has the size asked for. Until then the renderer's
// letterbox is still laid out for the old size; presenting then showed the picture in one
// corner of a window whose rest was never drawn. Each size the window passes through on the
// way (a window manager may resize before it switches) is drawn as it comes.
void WaitForWindowSize(int nWidth, int nHeight)
{
    const Uint32 nStart = SDL_GetTicks();
    int nLastWidth = 0;
    int nLastHeight = 0;
    SDL_GetWindowSize(g_pWindow, &nLastWidth, &nLastHeight);
    for (;;) {
        SDL_PumpEvents();  // other events stay queued, in order, for after the switch
        int nNowWidth = 0;
        int nNowHeight = 0;
        SDL_GetWindowSize(g_pWindow, &nNowWidth, &nNowHeight);
        if (nNowWidth != nLastWidth || nNowHeight != nLastHeight)
            RedrawResized();
        nLastWidth = nNowWidth;
        nLastHeight = nNowHeight;
        if ((nNowWidth == nWidth && nNowHeight == nHeight) || SDL_GetTicks() - nStart > kSwitchTimeoutMs)
            return;
        SDL_Delay(2);
    }
}

// Each switch is carried out in full before the next event is taken, so rapid Alt+Enter
// presses each toggle once and the window never shows a picture laid out for the other size.
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
    WaitForWindowSize(nWidth, nHeight);
    RedrawResized();
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

void HandleBoxKey(const SDL_KeyboardEvent& key)
{
    // The keys a box with one OK button answers to; the rest go nowhere while it is up.
    const SDL_Keycode sym = key.keysym.sym;
    if (key.type == SDL_KEYDOWN && !key.repeat &&
        (sym == SDLK_RETURN || sym == SDLK_KP_ENTER || sym == SDLK_ESCAPE || sym == SDLK_SPACE))
        g_pBox->bDone = true;
}

void HandleKey(const SDL_KeyboardEvent& key)
{
    const bool bAltEnter = key.keysym.sym == SDLK_RETURN && (key.keysym.mod & KMOD_ALT);
    if (bAltEnter) {
        // A platform shortcut, as the desktop's own would be; it switches the intro's window,
        // also with a box drawn in it.
        if (key.type == SDL_KEYDOWN && !key.repeat && (!g_pBox || IsBoxInMainWindow()))
            SetFullscreen(!g_bFullscreen);
        return;
    }
    if (g_pBox) {
        HandleBoxKey(key);
        return;
    }
    // Keys come from the events themselves: pushed events never reach SDL's keyboard state.
    if (UINT nVk = VirtualKeyOf(key.keysym.sym))
        PostKeyMessage(key.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, nVk);
}

// A click on OK closes the box: the button goes down and comes up over it. Coordinates are
// in the renderer's logical pixels (SDL maps them), so the box's own.
void HandleBoxClick(const SDL_MouseButtonEvent& button)
{
    CDrawnBoxUp& up = *g_pBox;
    SDL_Window* pBoxWindow = up.pWindow ? up.pWindow : g_pWindow;
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

void HandleWindowEvent(const SDL_WindowEvent& event)
{
    if (g_pBox && g_pBox->pWindow && event.windowID == SDL_GetWindowID(g_pBox->pWindow)) {
        if (event.event == SDL_WINDOWEVENT_CLOSE)
            g_pBox->bDone = true;  // a box with only OK may be closed as a window, like Escape
        else if (event.event == SDL_WINDOWEVENT_EXPOSED || event.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            RedrawBoxWindow(*g_pBox);
        return;
    }
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        SetAppActive(true);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        SetAppActive(false);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        Redraw();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        RedrawResized();
        break;
    case SDL_WINDOWEVENT_CLOSE:
        // The close button of a window holding a box belongs to the box.
        if (IsBoxInMainWindow())
            g_pBox->bDone = true;
        break;
    default:
        break;
    }
}

// Waits up to waitMs for an SDL event. Not SDL_WaitEventTimeout: SDL 2.26 on X11 ends that wait
// by sending an event to one of our windows over a second X connection, and when the window is
// destroyed just after (a box closed by the click that woke the wait) the server answers that
// connection with BadWindow, which Xlib's default handler turns into exit(1) at SDL_Quit. On X11
// the wait sleeps on the X connection instead: SDL_PollEvent has just read and queued all that
// came, so what wakes the sleep is new. Elsewhere it polls each millisecond, as SDL itself does
// when it has no window to wake. A signal cuts the wait short.
bool WaitEvent(SDL_Event& event, Uint32 waitMs)
{
    const Uint32 nStart = SDL_GetTicks();
    for (;;) {
        if (SDL_PollEvent(&event))
            return true;
        const Uint32 nGone = SDL_GetTicks() - nStart;
        if (nGone >= waitMs)
            return false;
        if (g_nXFd < 0) {
            SDL_Delay(1);
            continue;
        }
        pollfd connection{g_nXFd, POLLIN, 0};
        if (poll(&connection, 1, static_cast<int>(waitMs - nGone)) < 0)
            return false;
    }
}

void HandleEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        // The window manager's close button, like Alt+F4 on Windows; with a box up it is the
        // box's close (handled with the window's event).
        if (!g_pBox)
            PostCloseToMainWindow();
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
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (g_pBox)
            HandleBoxClick(event.button);
        break;
    default:
        break;
    }
}

bool IsMainWindowOnScreen()
{
    if (!g_pWindow || !g_pRenderer)
        return false;
    const Uint32 nFlags = SDL_GetWindowFlags(g_pWindow);
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

// SDL shows a box on Wayland only through the zenity program; without it there is no way.
bool SystemHasBoxes()
{
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
    const bool bWasFullscreen = bOnScreen && g_bFullscreen;
    if (bWasFullscreen)
        SetFullscreen(false);
    SDL_ShowCursor(SDL_ENABLE);
    SetSystemModal(true);
    const bool bShown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, pszCaption, pszText,
                                                 bOnScreen ? g_pWindow : nullptr) == 0;
    SetSystemModal(false);
    // The focus changes the box caused belong to the box, not to the program.
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_WINDOWEVENT);
    if (bOnScreen && g_pWindow) {
        if (bWasFullscreen)
            SetFullscreen(true);
        SDL_RaiseWindow(g_pWindow);
        Redraw();
    }
    return bShown;
}

// The X connection SDL talks over, once there is a window to ask.
int XConnectionOf(SDL_Window* pWindow)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(pWindow, &info) || info.subsystem != SDL_SYSWM_X11)
        return -1;
    return ConnectionNumber(info.info.x11.display);
}

void CloseBoxWindow(CDrawnBoxUp& up)
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

bool OpenBoxWindow(CDrawnBoxUp& up, const char* pszCaption)
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
    SDL_RaiseWindow(up.pWindow);
    if (g_nXFd < 0)
        g_nXFd = XConnectionOf(up.pWindow);
    return true;
}

bool ShowDrawnBox(const char* pszText, const char* pszCaption)
{
    CDrawnBoxUp up;
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
    g_Boxes.push_back(std::move(up));
    g_pBox = &g_Boxes.back();
    g_bTextureCurrent = false;
    SDL_ShowCursor(SDL_ENABLE);
    if (bInMain)
        Redraw();
    else
        RedrawBoxWindow(*g_pBox);
    return true;
}

DWORD Now()
{
    return SDL_GetTicks();
}

bool Start(const SDisplayOptions& options, std::string& error)
{
    g_Options = options;
    // The window class desktops match with the .desktop entry's StartupWMClass (X11) and the
    // app id (Wayland); SDL reads them when it makes the window. A user's own values win.
    setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 0);
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", kWindowClass, 0);
    SDL_SetHintWithPriority(SDL_HINT_APP_NAME, kWindowClass, SDL_HINT_DEFAULT);
    // Exclusive mode used to minimize the program on Alt+Tab; a user's own setting wins.
    SDL_SetHintWithPriority(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1", SDL_HINT_DEFAULT);
    SDL_SetHintWithPriority(SDL_HINT_RENDER_SCALE_QUALITY, "nearest", SDL_HINT_OVERRIDE);
    // SDL would turn SIGINT and SIGTERM into the window manager's close (a credits box that
    // waits for somebody); ending.cpp handles them instead.
    SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
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
    // SDL's drivers that show nothing and take no input, whether SDL_VIDEODRIVER asked for one
    // or SDL 2.26 fell back to "offscreen" with no display server: a run there would wait for
    // ever in a credits box nobody can see. They count as no display.
    const std::string driver = SDL_GetCurrentVideoDriver();
    for (const char* pszInvisible : {"dummy", "evdev", "offscreen"}) {
        if (driver == pszInvisible) {
            error = "SDL's video driver \"" + driver + "\" shows nothing";
            SDL_Quit();
            return false;
        }
    }
    g_bStarted = true;
    return true;
}

void DestroyWindow()
{
    if (IsBoxInMainWindow())
        g_pBox->bDone = true;
    if (g_pTexture)
        SDL_DestroyTexture(g_pTexture);
    if (g_pRenderer)
        SDL_DestroyRenderer(g_pRenderer);
    if (g_pWindow)
        SDL_DestroyWindow(g_pWindow);
    g_pTexture = nullptr;
    g_pRenderer = nullptr;
    g_pWindow = nullptr;
    g_bHasPicture = false;
    g_bTextureCurrent = false;
}

void ShowWindow(const char* pszTitle, const SIconImage* pIcon)
{
    if (!g_bStarted || g_pWindow)
        return;
    const Uint32 nFlags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE |
                          (g_Options.bWindowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    int nWidth = 0;
    int nHeight = 0;
    WindowSizeFor(!g_Options.bWindowed, nWidth, nHeight);
    g_pWindow = SDL_CreateWindow(pszTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 nWidth, nHeight, nFlags);
    if (!g_pWindow)
        return;
    g_bFullscreen = !g_Options.bWindowed;
    if (pIcon)
        SetIcon(*pIcon);
    g_pRenderer = CreateRenderer();
    if (g_pRenderer) {
        SDL_RenderSetLogicalSize(g_pRenderer, kScreenWidth, kScreenHeight);
        g_pTexture = SDL_CreateTexture(g_pRenderer, SDL_PIXELFORMAT_RGB888,
                                       SDL_TEXTUREACCESS_STREAMING, kScreenWidth, kScreenHeight);
    }
    if (!g_pTexture) {
        DestroyWindow();
        return;
    }
    g_nXFd = XConnectionOf(g_pWindow);
    g_bPointerNews = true;
    Redraw();
}

void HideWindow()
{
    if (!g_pWindow)
        return;
    // Out of fullscreen first: a compositor (weston) that sees a fullscreen window simply vanish
    // keeps the output black, and a box shown next would be drawn behind that.
    if (g_bFullscreen)
        SetFullscreen(false);
    SDL_HideWindow(g_pWindow);
    if (IsBoxInMainWindow())
        g_pBox->bDone = true;  // nobody could see it or answer it any more
}

void ShowPicture()
{
    if (!g_pWindow)
        return;
    g_bHasPicture = true;
    g_bTextureCurrent = false;
    Redraw();
}

void SetCursorVisible(bool bVisible)
{
    if (g_pWindow)
        SDL_ShowCursor(bVisible ? SDL_ENABLE : SDL_DISABLE);
}

void PumpEvents(DWORD waitMs)
{
    if (!g_bStarted)
        return;
    if (g_bPointerNews) {
        // A window appearing under the pointer gets WM_SETCURSOR without any mouse motion.
        g_bPointerNews = false;
        SendSetCursorToMainWindow();
    }
    SDL_Event event;
    if (waitMs > 0 && WaitEvent(event, waitMs))
        HandleEvent(event);
    while (SDL_PollEvent(&event))
        HandleEvent(event);
}

bool ShowBox(const char* pszText, const char* pszCaption)
{
    if (!g_bStarted)
        return false;
    if (g_Options.bDrawnBoxes || !ShowSystemBox(pszText, pszCaption))
        return ShowDrawnBox(pszText, pszCaption);
    // The system's box runs a loop of its own and is answered when it returns.
    g_Boxes.emplace_back().bDone = true;
    g_pBox = &g_Boxes.back();
    g_bTextureCurrent = false;
    return true;
}

void CloseBox()
{
    if (g_Boxes.empty())
        return;
    const bool bInMain = IsBoxInMainWindow();
    CloseBoxWindow(*g_pBox);
    g_Boxes.pop_back();
    g_pBox = g_Boxes.empty() ? nullptr : &g_Boxes.back();
    g_bTextureCurrent = false;
    if (g_pWindow && bInMain)
        Redraw();
}

void Shutdown()
{
    if (!g_bStarted)
        return;
    DestroyWindow();
    while (!g_Boxes.empty())
        CloseBox();
    SDL_Quit();
    g_bStarted = false;
    g_nXFd = -1;
}

bool BoxUp()
{
    return g_pBox && !g_pBox->bDone;
}

}  // namespace

const SDisplay g_DeviceDisplay{
    .Start = Start,
    .Shutdown = Shutdown,
    .Now = Now,
    .ShowWindow = ShowWindow,
    .HideWindow = HideWindow,
    .DestroyWindow = DestroyWindow,
    .ShowPicture = ShowPicture,
    .SetCursorVisible = SetCursorVisible,
    .TakesInput = [] { return true; },
    .PumpEvents = PumpEvents,
    .Wait = [](DWORD ms) { SDL_Delay(ms); },
    .ShowBox = ShowBox,
    .BoxUp = BoxUp,
    .CloseBox = CloseBox,
};

}  // namespace portable
