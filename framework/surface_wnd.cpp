// CSurfaceWnd: window creation, DirectDraw set-up, the message table, the timer-driven frame
// cycle, message boxes over the desktop surface and shutdown. Calls Win32 and DirectDraw only
// through the seam header.
#include "surface_wnd.h"

#include "framework_texts.h"

#include <cstddef>
#include <cstring>

CSurfaceWnd* g_pSurfaceWnd = nullptr;

LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Messages can still arrive after the object has gone (a test tearing down, a late
    // WM_NCDESTROY); those get the default processing.
    if (!g_pSurfaceWnd)
        return DefWindowProcA(window, message, wParam, lParam);
    return g_pSurfaceWnd->WindowProc(window, message, wParam, lParam);
}

CSurfaceWnd::CSurfaceWnd()
    : m_hWnd(nullptr), m_pDD(nullptr), m_pFrontBuffer(nullptr), m_pBackBuffer(nullptr),
      m_pPalette(nullptr), m_PaletteEntries(), m_bActive(0), m_bMessageShown(0),
      m_nTimerId(0), m_szText()
{
    g_pSurfaceWnd = this;
}

CSurfaceWnd::~CSurfaceWnd()
{
    if (g_pSurfaceWnd == this)
        g_pSurfaceWnd = nullptr;
}

int CSurfaceWnd::Draw(IDirectDrawSurface*)
{
    return 0;
}

int CSurfaceWnd::OnInit()
{
    return 0;
}

int CSurfaceWnd::OnExit()
{
    return 0;
}

void CSurfaceWnd::SetText(const char* text)
{
    std::size_t length = 0;
    if (text) {
        while (length < kMaxTextLength && text[length] != '\0')
            ++length;
        std::memcpy(m_szText, text, length);
    }
    m_szText[length] = '\0';
}

HWND CSurfaceWnd::Create(HINSTANCE instance, int showCommand, const char* className,
                         const char* windowName, HICON icon, HCURSOR cursor)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = StaticWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = cursor;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);

    m_hWnd = CreateWindowExA(WS_EX_TOPMOST, className, windowName, WS_POPUPWINDOW, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                             nullptr, nullptr, instance, nullptr);
    if (m_hWnd) {
        ShowWindow(m_hWnd, showCommand);
        UpdateWindow(m_hWnd);
        SetFocus(m_hWnd);
    }
    return m_hWnd;
}

void CSurfaceWnd::InitDirectDraw()
{
    IDirectDraw* first = nullptr;
    if (DirectDrawCreate(nullptr, &first, nullptr) != DD_OK || !first)
        return;
    void* second = nullptr;
    if (FAILED(first->QueryInterface(IID_IDirectDraw2, &second)))
        second = nullptr;
    m_pDD = static_cast<IDirectDraw2*>(second);
    // The object lives on through the IDirectDraw2 reference; keeping the first one as well
    // would leave a count that nothing ever gives back.
    first->Release();
}

void CSurfaceWnd::InitSurfaces(DWORD width, DWORD height, DWORD bitsPerPixel,
                               DWORD refreshRate)
{
    if (!m_pDD)
        return;
    if (m_pDD->SetCooperativeLevel(m_hWnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK)
        return;
    if (m_pDD->SetDisplayMode(width, height, bitsPerPixel, refreshRate, 0) != DD_OK)
        return;

    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface* front = nullptr;
    if (m_pDD->CreateSurface(&desc, &front, nullptr) != DD_OK || !front)
        return;
    m_pFrontBuffer = front;

    DDSCAPS backCaps = {};
    backCaps.dwCaps = DDSCAPS_BACKBUFFER;
    IDirectDrawSurface* back = nullptr;
    if (m_pFrontBuffer->GetAttachedSurface(&backCaps, &back) != DD_OK || !back)
        return;
    m_pBackBuffer = back;

    m_pPalette = nullptr;
    if (bitsPerPixel == 8) {
        for (PALETTEENTRY& entry : m_PaletteEntries) {
            entry.peRed = 0;
            entry.peGreen = 0;
            entry.peBlue = 0;
        }
        IDirectDrawPalette* palette = nullptr;
        if (m_pDD->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, m_PaletteEntries, &palette,
                                 nullptr) != DD_OK)
            return;
        m_pPalette = palette;
    }
    OnInit();
}

int CSurfaceWnd::StartTimer(UINT id, UINT elapseMs)
{
    // Without a window SetTimer would start a thread timer under an id of its own choosing
    // that nothing here could ever stop or receive.
    if (m_nTimerId != 0 || id == 0 || !m_hWnd)
        return 1;
    if (SetTimer(m_hWnd, id, elapseMs, nullptr) != id)
        return 1;
    m_nTimerId = id;
    return 0;
}

LRESULT CSurfaceWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATEAPP:
        // 1 and 2 both count as activation; 0, or any other value, means another
        // application is active now.
        m_bActive = (wParam == 1 || wParam == 2) ? 1 : 0;
        return 0;
    case WM_DESTROY:
        Shutdown();
        PostQuitMessage(0);
        return 0;
    case WM_SETCURSOR:
        // The pointer stays hidden over the display; a message box needs it back.
        SetCursor(m_bMessageShown ? LoadCursorA(nullptr, IDC_ARROW) : nullptr);
        return 1;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        if (wParam == VK_F1)
            ShowMessage(g_szAboutText, g_szAboutCaption);
        break;
    case WM_TIMER:
        if (m_bActive && !m_bMessageShown)
            OnFrame();
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CSurfaceWnd::CanDraw() const
{
    // Both pointers exist only after a set-up that got as far as the flipping chain, and
    // Shutdown clears them before its credits box runs a modal loop under a live timer.
    return m_pFrontBuffer && m_pBackBuffer;
}

int CSurfaceWnd::OnFrame()
{
    if (!CanDraw())
        return 0;
    const int result = Draw(m_pBackBuffer);
    FlipPages();
    return result;
}

HRESULT CSurfaceWnd::FlipPages()
{
    if (!m_pFrontBuffer)
        return DDERR_INVALIDOBJECT;
    for (;;) {
        const HRESULT result = m_pFrontBuffer->Flip(nullptr, 0);
        if (result == DDERR_WASSTILLDRAWING)
            continue;  // no DDFLIP_WAIT: this loop is the wait
        if (result == DDERR_SURFACELOST)
            return m_pFrontBuffer->Restore();  // the next frame flips the restored chain
        return result;
    }
}

void* CSurfaceWnd::LockSurface(IDirectDrawSurface* surface)
{
    return LockSurface(surface, nullptr);
}

void* CSurfaceWnd::LockSurface(IDirectDrawSurface* surface, LONG* pPitch)
{
    if (pPitch)
        *pPitch = 0;
    if (!surface)
        return nullptr;
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    HRESULT result;
    do {
        result = surface->Lock(nullptr, &desc, 0, nullptr);
    } while (result == DDERR_WASSTILLDRAWING);
    if (result != DD_OK)
        return nullptr;
    if (pPitch)
        *pPitch = desc.lPitch;
    return desc.lpSurface;
}

HRESULT CSurfaceWnd::UnlockSurface(IDirectDrawSurface* surface)
{
    if (!surface)
        return DDERR_INVALIDPARAMS;
    return surface->Unlock(nullptr);
}

void CSurfaceWnd::ShowMessage(const char* text, const char* caption)
{
    if (m_pDD)
        m_pDD->FlipToGDISurface();
    // Restored rather than cleared afterwards, so a box opened from inside another box's
    // modal loop does not restart frames under the outer one.
    const int wasShown = m_bMessageShown;
    m_bMessageShown = 1;
    MessageBoxA(m_hWnd, text, caption, MB_OK);
    m_bMessageShown = wasShown;
}

int CSurfaceWnd::Shutdown()
{
    m_bActive = 0;
    OnExit();
    if (m_pDD) {
        m_pDD->FlipToGDISurface();
        if (m_pFrontBuffer) {
            m_pFrontBuffer->Release();
            m_pFrontBuffer = nullptr;
        }
        m_pDD->Release();
        m_pDD = nullptr;
    }
    // The back buffer went with the primary's flipping chain and the palette with the
    // DirectDraw object; neither pointer may be used again.
    m_pBackBuffer = nullptr;
    m_pPalette = nullptr;

    char caption[256] = "";
    if (m_hWnd)
        GetWindowTextA(m_hWnd, caption, sizeof caption);

    // Room for the longest application text the member can hold, the separator and the
    // credits, so nothing is cut and nothing written past the end.
    char text[sizeof m_szText + 2 + sizeof g_szShutdownCredits];
    const void* end = std::memchr(m_szText, '\0', sizeof m_szText);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - m_szText)
            : sizeof m_szText;
    std::size_t used = 0;
    if (length > 0) {
        std::memcpy(text, m_szText, length);
        std::memcpy(text + length, "\n\n", 2);
        used = length + 2;
    }
    std::memcpy(text + used, g_szShutdownCredits, sizeof g_szShutdownCredits);

    // DirectDraw is gone by now, so ShowMessage skips the flip; it still shows the pointer.
    ShowMessage(text, caption);
    return 0;
}
