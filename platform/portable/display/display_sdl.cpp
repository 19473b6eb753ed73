// The SDL2 display of the portable platform; with its input, boxes and server connection
// (display_sdl_input.cpp, _boxes.cpp, _server.cpp), the only code that includes SDL. The
// emulated 640x480 screen is a streaming texture in the renderer's own 32-bit format: each
// flipped picture is converted once, straight into it (present.cpp;
// SDL's own conversion costs more than the rest of a present), kept there for redraws, and
// drawn scaled to fit with 4:3 kept (black bars); the renderer's logical size does the
// letterboxing in output pixels, so HiDPI stays sharp. How it is scaled (sharp, integer,
// nearest) is said beside SharpMultiple; where the renderer draws in software, sharp scaling
// converts the picture into memory instead and scales it on the CPU (area_scaler.cpp),
// straight into a texture of the size shown, and on X11 SDL's own renderer copies that into
// the window. The renderer waits for the display's refresh, as DirectDraw's Flip does. On X11
// a wait for events sleeps on the X connection itself.
// SDL calls used by the display's files: SDL_Init, SDL_SetHintWithPriority, SDL_CreateWindow/Renderer/Texture,
// SDL_DestroyRenderer, SDL_RenderSetLogicalSize, SDL_RenderSetIntegerScale, SDL_GetRendererOutputSize,
// SDL_GetRendererInfo, SDL_GL_GetProcAddress, SDL_SetRenderTarget, SDL_SetTextureScaleMode,
// SDL_UpdateTexture, SDL_Lock/UnlockTexture, SDL_RenderGetScale, SDL_RenderClear/Copy/CopyF/Present,
// SDL_GetDesktopDisplayMode, SDL_GetWindowDisplayIndex, SDL_SetWindowFullscreen/Size/Position,
// SDL_GetWindowSize, SDL_GetWindowID, SDL_RaiseWindow, SDL_SetWindowIcon, SDL_GetWindowFlags,
// SDL_CreateRGBSurfaceWithFormatFrom, SDL_FreeSurface, SDL_Show/HideWindow, SDL_ShowCursor,
// SDL_PollEvent, SDL_PumpEvents, SDL_FlushEvent, SDL_GetWindowWMInfo, SDL_GetTicks, SDL_Delay,
// SDL_GetCurrentVideoDriver, SDL_ShowSimpleMessageBox, SDL_SetWindowInputFocus.
#include "display_sdl.h"

#include <SDL.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace portable::sdl {

CState g_State;

namespace {

const char kWindowClass[] = "korvan";
// How long a window manager may take to carry out a switch to or from fullscreen.
constexpr Uint32 kSwitchTimeoutMs = 1000;

// The shown picture (black before the first), with a box drawn in the window over it, as
// X-R-G-B words.
void FillPicture(std::uint8_t* pBytes, int nPitch)
{
    if (g_State.bHasPicture)
        ShownWords(WordOrder::Xrgb, pBytes, nPitch);
    else
        std::memset(pBytes, 0, static_cast<std::size_t>(nPitch) * kScreenHeight);
    DrawBoxOverPicture(pBytes, nPitch);
}

bool UploadPicture()
{
    void* pPixels = nullptr;
    int nPitch = 0;
    if (SDL_LockTexture(g_State.pTexture, nullptr, &pPixels, &nPitch) != 0)
        return false;
    FillPicture(static_cast<std::uint8_t*>(pPixels), nPitch);
    SDL_UnlockTexture(g_State.pTexture);
    return true;
}

// Sharp scaling. Nearest-neighbour alone to a size that is no whole multiple of 640x480 draws
// the source pixels unevenly (at 2.25 screen pixels each: columns 2, 2, 2 and 3 wide), and
// linear filtering alone blurs every pixel into its neighbours. Sharp scaling gives each
// source pixel its exact share of the screen, and blends only the edge between two of them,
// over at most one screen pixel (as Chocolate Doom and many emulators do). It is done one of
// two ways, which the renderer decides (ScalesOnCpu):
// - by the renderer: the picture is enlarged by nearest-neighbour to the smallest whole
//   multiple at or above the size shown (a target texture, 3x for 1920x1080), and that is
//   filtered linearly down to the size shown. On a GPU that costs the CPU nothing.
// - on the CPU, where the renderer draws in software (SDL's own, or Mesa's software GL): there
//   the renderer's two passes over a picture of 1920x1440 are the CPU's work as well, and cost
//   it many times what scaling the picture directly does. It is scaled instead by exact area
//   coverage (CAreaScaler), straight into a streaming texture of the size shown, which is
//   drawn 1:1 (on X11 by SDL's own renderer, a plain copy: TakeSoftwareRenderer). That is
//   also the nearer of the two to exact (the renderer's filtering rounds its positions and
//   weights).
// At a whole-number scale there is nothing to blend, and the picture is drawn straight,
// nearest. Below 1x (a small window) it is always the renderer's way: a copy of the picture
// at 1x, filtered down.
// `--scale integer` leaves the scale whole (SDL_RenderSetIntegerScale), `--scale nearest`
// draws straight at any scale.
//
// The multiple to enlarge by before filtering down; 0: draw the picture straight, nearest.
int SharpMultiple()
{
    int nWidth = 0;
    int nHeight = 0;
    if (g_State.options.scaling != Scaling::Sharp ||
        SDL_GetRendererOutputSize(g_State.pRenderer, &nWidth, &nHeight) != 0 || nWidth <= 0 || nHeight <= 0)
        return 0;
    // The side that limits the 4:3 picture sets the scale, as the renderer's letterbox does.
    const bool bWidthLimits = static_cast<long>(nWidth) * kScreenHeight <= static_cast<long>(nHeight) * kScreenWidth;
    const int nShown = bWidthLimits ? nWidth : nHeight;
    const int nSource = bWidthLimits ? kScreenWidth : kScreenHeight;
    if (nShown % nSource == 0)
        return 0;
    return (nShown + nSource - 1) / nSource;
}

// The picture enlarged `nMultiple` times by nearest-neighbour, for linear filtering down to the
// size shown; nullptr where the renderer has no target textures, or none that large (a
// renderer's largest texture, 16384 wide on many, bounds it: an 8K screen needs 9x, 5760
// wide), and the picture is drawn straight: a smaller multiple would be filtered up, and
// blurred. Made again only when the multiple changes (a resize, a switch).
SDL_Texture* EnlargedPicture(int nMultiple)
{
    if (nMultiple != g_State.nEnlargedMultiple) {
        if (g_State.pEnlarged)
            SDL_DestroyTexture(g_State.pEnlarged);
        g_State.pEnlarged = nullptr;
        SDL_RendererInfo info;
        if (SDL_GetRendererInfo(g_State.pRenderer, &info) != 0 || info.max_texture_width <= 0 ||
            (nMultiple * kScreenWidth <= info.max_texture_width && nMultiple * kScreenHeight <= info.max_texture_height))
            g_State.pEnlarged = SDL_CreateTexture(g_State.pRenderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                                  nMultiple * kScreenWidth, nMultiple * kScreenHeight);
        g_State.nEnlargedMultiple = nMultiple;
        g_State.bEnlargedCurrent = false;
        if (g_State.pEnlarged)
            SDL_SetTextureScaleMode(g_State.pEnlarged, SDL_ScaleModeLinear);
    }
    if (g_State.pEnlarged && !g_State.bEnlargedCurrent) {
        // A target texture has the renderer to itself: no letterbox, scale 1, so the copy fills it.
        if (SDL_SetRenderTarget(g_State.pRenderer, g_State.pEnlarged) != 0)
            return nullptr;
        SDL_RenderCopy(g_State.pRenderer, g_State.pTexture, nullptr, nullptr);
        SDL_SetRenderTarget(g_State.pRenderer, nullptr);
        g_State.bEnlargedCurrent = true;
    }
    return g_State.pEnlarged;
}

// The size the picture is shown at, in output pixels, as the renderer's letterbox lays it out
// (SDL_RenderSetLogicalSize: the side that limits it whole, the other its 4:3 share rounded
// down in SDL's own float maths, or the whole output where the two aspects all but agree).
bool ShownSize(int& nWidth, int& nHeight)
{
    if (SDL_GetRendererOutputSize(g_State.pRenderer, &nWidth, &nHeight) != 0 || nWidth <= 0 || nHeight <= 0)
        return false;
    const float fWanted = static_cast<float>(kScreenWidth) / kScreenHeight;
    const float fReal = static_cast<float>(nWidth) / static_cast<float>(nHeight);
    if (std::fabs(fWanted - fReal) < 0.0001f)
        return true;
    if (fWanted > fReal)
        nHeight = static_cast<int>(std::floor(kScreenHeight * (static_cast<float>(nWidth) / kScreenWidth)));
    else
        nWidth = static_cast<int>(std::floor(kScreenWidth * (static_cast<float>(nHeight) / kScreenHeight)));
    return true;
}

// The picture scaled on the CPU to the size shown, or nullptr where no texture of that size can
// be had (it is drawn straight then). The texture and the scaler's tables are made again when
// that size changes (a resize, a switch).
SDL_Texture* ScaledPicture()
{
    int nWidth = 0;
    int nHeight = 0;
    if (!ShownSize(nWidth, nHeight))
        return nullptr;
    if (nWidth != g_State.nScaledWidth || nHeight != g_State.nScaledHeight) {
        if (g_State.pScaled)
            SDL_DestroyTexture(g_State.pScaled);
        g_State.pScaled = SDL_CreateTexture(g_State.pRenderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                            nWidth, nHeight);
        g_State.nScaledWidth = nWidth;
        g_State.nScaledHeight = nHeight;
        g_State.bScaledCurrent = false;
        if (!g_State.pScaled)
            return nullptr;
        SDL_SetTextureScaleMode(g_State.pScaled, SDL_ScaleModeNearest);
        g_State.scaler.Resize(kScreenWidth, kScreenHeight, nWidth, nHeight);
        g_State.picture.resize(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
    }
    if (g_State.pScaled && !g_State.bScaledCurrent) {
        void* pPixels = nullptr;
        int nPitch = 0;
        if (SDL_LockTexture(g_State.pScaled, nullptr, &pPixels, &nPitch) != 0)
            return nullptr;
        auto* pPicture = reinterpret_cast<std::uint8_t*>(g_State.picture.data());
        FillPicture(pPicture, kScreenWidth * 4);
        g_State.scaler.Scale(pPicture, kScreenWidth * 4, static_cast<std::uint8_t*>(pPixels), nPitch);
        SDL_UnlockTexture(g_State.pScaled);
        g_State.bScaledCurrent = true;
    }
    return g_State.pScaled;
}

// Draws `pScaled` 1:1 over the letterbox. The renderer's logical size would turn a copy to its
// whole viewport into one of whole logical pixels, a pixel short at some sizes, so the copy is
// given the shown size in output pixels, divided by the scale. SDL multiplies that back and
// its own renderer rounds it down, a pixel short again wherever the float maths lands just
// below (1920x754, 3% of sizes): a hundredth of a pixel more lands on the size itself, and
// leaves a GL renderer's pixels and texels where they were.
void DrawScaled()
{
    constexpr float kOver = 0.01f;
    float fScaleX = 1;
    float fScaleY = 1;
    SDL_RenderGetScale(g_State.pRenderer, &fScaleX, &fScaleY);
    const SDL_FRect shown{0, 0, (static_cast<float>(g_State.nScaledWidth) + kOver) / fScaleX,
                          (static_cast<float>(g_State.nScaledHeight) + kOver) / fScaleY};
    SDL_RenderCopyF(g_State.pRenderer, g_State.pScaled, nullptr, &shown);
}

// The texture to draw at the size shown, brought up to date; nullptr while there is nothing to
// show.
SDL_Texture* ShownTexture()
{
    const bool bAnything = g_State.bHasPicture || IsBoxInMainWindow();
    const int nMultiple = SharpMultiple();
    if (bAnything && nMultiple > 1 && g_State.bScaleOnCpu) {
        if (SDL_Texture* pScaled = ScaledPicture())
            return pScaled;
    }
    if (!g_State.bTextureCurrent && bAnything) {
        g_State.bTextureCurrent = UploadPicture();
        g_State.bEnlargedCurrent = false;
    }
    if (!g_State.bTextureCurrent)
        return nullptr;
    if (nMultiple) {
        if (SDL_Texture* pEnlarged = EnlargedPicture(nMultiple))
            return pEnlarged;
    }
    return g_State.pTexture;
}

}  // namespace

// What the window should show changed: the picture is converted (and scaled) anew when it is
// next drawn.
void PictureChanged()
{
    g_State.bTextureCurrent = false;
    g_State.bScaledCurrent = false;
}

// Draws the window again; the picture is converted (and scaled) anew only when what it should
// show changed, or the size it is shown at.
void Redraw()
{
    if (!g_State.pRenderer)
        return;
    SDL_Texture* pShown = ShownTexture();  // first: enlarging draws into a target of its own
    SDL_SetRenderDrawColor(g_State.pRenderer, 0, 0, 0, 255);
    SDL_RenderClear(g_State.pRenderer);
    if (pShown && pShown == g_State.pScaled)
        DrawScaled();
    else if (pShown)
        SDL_RenderCopy(g_State.pRenderer, pShown, nullptr, nullptr);
    SDL_RenderPresent(g_State.pRenderer);
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

namespace {

int RefreshRate()
{
    SDL_DisplayMode mode;
    const int nDisplay = g_State.pWindow ? SDL_GetWindowDisplayIndex(g_State.pWindow) : 0;
    return SDL_GetDesktopDisplayMode(nDisplay < 0 ? 0 : nDisplay, &mode) == 0 ? mode.refresh_rate : 0;
}

// Presents wait for the display's refresh, as DirectDraw's Flip does, so a frame never tears.
// A display that reports no refresh (a virtual X server) has nothing to wait for, and a
// renderer that refuses to wait is taken without it.
SDL_Renderer* CreateRenderer()
{
    if (g_State.options.bVsync && RefreshRate() > 0) {
        if (SDL_Renderer* pRenderer = SDL_CreateRenderer(
                g_State.pWindow, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC))
            return pRenderer;
    }
    if (SDL_Renderer* pRenderer = SDL_CreateRenderer(g_State.pWindow, -1, SDL_RENDERER_ACCELERATED))
        return pRenderer;
    return SDL_CreateRenderer(g_State.pWindow, -1, SDL_RENDERER_SOFTWARE);
}

// Whether the renderer draws in software: SDL's own, or an OpenGL whose renderer is one of
// Mesa's software rasterizers (llvmpipe, softpipe, and swrast, which calls itself "Software
// Rasterizer"). Asked right after the renderer is made, while its GL context is current.
bool RendersInSoftware(SDL_Renderer* pRenderer)
{
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(pRenderer, &info) != 0)
        return false;
    if (info.flags & SDL_RENDERER_SOFTWARE)
        return true;
    if (std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    constexpr unsigned kGlRenderer = 0x1F01;  // GL_RENDERER, without SDL_opengl.h's whole API
    using GetString = const unsigned char* (*)(unsigned);
    const auto glGetString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const auto* pszRenderer = glGetString ? reinterpret_cast<const char*>(glGetString(kGlRenderer)) : nullptr;
    if (!pszRenderer)
        return false;
    for (const char* pszSoftware : {"llvmpipe", "softpipe", "Software Rasterizer"}) {
        if (std::strstr(pszRenderer, pszSoftware))
            return true;
    }
    return false;
}

// Whether sharp scaling is done on the CPU (see SharpMultiple): where the renderer draws in
// software. KORVAN_SCALER=gpu or cpu forces either way; it is for the tests and the benchmarks,
// not documented for users.
bool ScalesOnCpu(bool bRendersInSoftware)
{
    const char* pszForced = std::getenv("KORVAN_SCALER");
    if (pszForced && std::strcmp(pszForced, "cpu") == 0)
        return true;
    if (pszForced && std::strcmp(pszForced, "gpu") == 0)
        return false;
    return bRendersInSoftware;
}

// With the picture scaled on the CPU, a software GL is left only to copy it into the window:
// an upload and a textured draw of the whole picture, which cost it more than the scaling
// itself. On X11 SDL's own renderer does that as a plain copy into the window's image in
// shared memory (its framebuffer straight to the X server, not through GL), and is taken
// instead; but not where the GL waits for the display's refresh, as SDL's own cannot.
void TakeSoftwareRenderer()
{
    SDL_RendererInfo info;
    if (std::strcmp(SDL_GetCurrentVideoDriver(), "x11") != 0 || SDL_GetRendererInfo(g_State.pRenderer, &info) != 0 ||
        (info.flags & (SDL_RENDERER_SOFTWARE | SDL_RENDERER_PRESENTVSYNC)))
        return;
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    SDL_DestroyRenderer(g_State.pRenderer);
    g_State.pRenderer = SDL_CreateRenderer(g_State.pWindow, -1, SDL_RENDERER_SOFTWARE);
    if (!g_State.pRenderer)
        g_State.pRenderer = CreateRenderer();
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
    SDL_SetWindowIcon(g_State.pWindow, pSurface);  // SDL keeps a copy of the pixels
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
    SDL_GetWindowSize(g_State.pWindow, &nLastWidth, &nLastHeight);
    for (;;) {
        SDL_PumpEvents();  // other events stay queued, in order, for after the switch
        int nNowWidth = 0;
        int nNowHeight = 0;
        SDL_GetWindowSize(g_State.pWindow, &nNowWidth, &nNowHeight);
        if (nNowWidth != nLastWidth || nNowHeight != nLastHeight)
            RedrawResized();
        nLastWidth = nNowWidth;
        nLastHeight = nNowHeight;
        if ((nNowWidth == nWidth && nNowHeight == nHeight) || SDL_GetTicks() - nStart > kSwitchTimeoutMs)
            return;
        SDL_Delay(2);
    }
}

}  // namespace

// Each switch is carried out in full before the next event is taken, so rapid Alt+Enter
// presses each toggle once and the window never shows a picture laid out for the other size.
void SetFullscreen(bool bFullscreen)
{
    // Desktop fullscreen: the desktop's mode stays, our letterbox does the scaling.
    g_State.bFullscreen = bFullscreen;
    int nWidth = 0;
    int nHeight = 0;
    WindowSizeFor(bFullscreen, nWidth, nHeight);
    if (!bFullscreen)
        SDL_SetWindowFullscreen(g_State.pWindow, 0);
    SDL_SetWindowSize(g_State.pWindow, nWidth, nHeight);
    SDL_SetWindowPosition(g_State.pWindow, bFullscreen ? 0 : SDL_WINDOWPOS_CENTERED,
                          bFullscreen ? 0 : SDL_WINDOWPOS_CENTERED);
    if (bFullscreen)
        SDL_SetWindowFullscreen(g_State.pWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
    WaitForWindowSize(nWidth, nHeight);
    RedrawResized();
}


namespace {

DWORD Now()
{
    return SDL_GetTicks();
}

bool Start(const SDisplayOptions& options, std::string& error)
{
    g_State.options = options;
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
    WatchXServer();
    g_State.bStarted = true;
    return true;
}

void DestroyWindow()
{
    if (IsBoxInMainWindow())
        g_State.pBox->bDone = true;
    if (g_State.pEnlarged)
        SDL_DestroyTexture(g_State.pEnlarged);
    if (g_State.pScaled)
        SDL_DestroyTexture(g_State.pScaled);
    if (g_State.pTexture)
        SDL_DestroyTexture(g_State.pTexture);
    if (g_State.pRenderer)
        SDL_DestroyRenderer(g_State.pRenderer);
    if (g_State.pWindow)
        SDL_DestroyWindow(g_State.pWindow);
    g_State.pEnlarged = nullptr;
    g_State.nEnlargedMultiple = 0;
    g_State.pScaled = nullptr;
    g_State.nScaledWidth = g_State.nScaledHeight = 0;
    g_State.pTexture = nullptr;
    g_State.pRenderer = nullptr;
    g_State.pWindow = nullptr;
    g_State.bHasPicture = false;
    g_State.bTextureCurrent = false;
}

// Every way the window can fail to come up ends the run: a run on a display that shows
// nothing (an 8-bit X server has no renderer SDL can use) must say so, not play unseen.
bool ShowWindow(const char* pszTitle, const SIconImage* pIcon, std::string& error)
{
    if (!g_State.bStarted || g_State.pWindow)
        return true;
    const Uint32 nFlags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE |
                          (g_State.options.bWindowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    int nWidth = 0;
    int nHeight = 0;
    WindowSizeFor(!g_State.options.bWindowed, nWidth, nHeight);
    g_State.pWindow = SDL_CreateWindow(pszTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 nWidth, nHeight, nFlags);
    if (!g_State.pWindow) {
        error = SDL_GetError();
        return false;
    }
    WatchServer(g_State.pWindow);
    g_State.bFullscreen = !g_State.options.bWindowed;
    if (pIcon)
        SetIcon(*pIcon);
    g_State.pRenderer = CreateRenderer();
    g_State.bScaleOnCpu = false;
    if (g_State.pRenderer && g_State.options.scaling == Scaling::Sharp) {
        const bool bRendersInSoftware = RendersInSoftware(g_State.pRenderer);
        g_State.bScaleOnCpu = ScalesOnCpu(bRendersInSoftware);
        if (g_State.bScaleOnCpu && bRendersInSoftware)
            TakeSoftwareRenderer();
    }
    if (g_State.pRenderer) {
        SDL_RenderSetLogicalSize(g_State.pRenderer, kScreenWidth, kScreenHeight);
        SDL_RenderSetIntegerScale(g_State.pRenderer,
                                  g_State.options.scaling == Scaling::Integer ? SDL_TRUE : SDL_FALSE);
        g_State.pTexture = SDL_CreateTexture(g_State.pRenderer, SDL_PIXELFORMAT_RGB888,
                                       SDL_TEXTUREACCESS_STREAMING, kScreenWidth, kScreenHeight);
    }
    if (!g_State.pTexture) {
        error = SDL_GetError();
        DestroyWindow();
        return false;
    }
    // Without a window manager nobody gives a window the keyboard: it goes where the pointer
    // is, or nowhere. A kiosk's intro takes it.
    if (!g_State.bWindowManager)
        SDL_SetWindowInputFocus(g_State.pWindow);
    g_State.bPointerNews = true;
    Redraw();
    return true;
}

void HideWindow()
{
    if (!g_State.pWindow)
        return;
    // Out of fullscreen first: a compositor (weston) that sees a fullscreen window simply vanish
    // keeps the output black, and a box shown next would be drawn behind that.
    if (g_State.bFullscreen)
        SetFullscreen(false);
    SDL_HideWindow(g_State.pWindow);
    if (IsBoxInMainWindow())
        g_State.pBox->bDone = true;  // nobody could see it or answer it any more
}

void ShowPicture()
{
    if (!g_State.pWindow)
        return;
    g_State.bHasPicture = true;
    PictureChanged();
    Redraw();
}

void SetCursorVisible(bool bVisible)
{
    if (g_State.pWindow)
        SDL_ShowCursor(bVisible ? SDL_ENABLE : SDL_DISABLE);
}

void Shutdown()
{
    if (!g_State.bStarted)
        return;
    DestroyWindow();
    while (!g_State.boxes.empty())
        CloseBox();
    SDL_Quit();
    StopWatchingServer();
    g_State.bStarted = false;
}

}  // namespace
}  // namespace portable::sdl

namespace portable {

const SDisplay g_DeviceDisplay{
    .Start = sdl::Start,
    .Shutdown = sdl::Shutdown,
    .Now = sdl::Now,
    .ShowWindow = sdl::ShowWindow,
    .HideWindow = sdl::HideWindow,
    .DestroyWindow = sdl::DestroyWindow,
    .ShowPicture = sdl::ShowPicture,
    .SetCursorVisible = sdl::SetCursorVisible,
    .TakesInput = [] { return true; },
    .PumpEvents = sdl::PumpEvents,
    .Wait = [](DWORD ms) { SDL_Delay(ms); },
    .ShowBox = sdl::ShowBox,
    .BoxUp = sdl::BoxUp,
    .CloseBox = sdl::CloseBox,
};

}  // namespace portable
