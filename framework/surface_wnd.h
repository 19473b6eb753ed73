// CSurfaceWnd: a fullscreen popup window run as a DirectDraw exclusive-mode display with a
// primary surface and one back buffer, driven by a window timer. Applications derive from it
// and override Draw. Depends only on the Win32/DirectDraw seam (winapi.h).
#pragma once

#include "winapi.h"

class CSurfaceWnd
{
public:
    CSurfaceWnd();
    virtual ~CSurfaceWnd();

    // Draws one frame through Draw and flips. Returns Draw's result.
    virtual int OnFrame();
    // The drawing hook; receives the back buffer. The base draws nothing.
    virtual int Draw(IDirectDrawSurface* surface);
    virtual LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Called once at the end of a successful InitSurfaces.
    virtual int OnInit();
    // Called at the start of Shutdown, while DirectDraw still exists.
    virtual int OnExit();

    // Keeps at most the first kMaxTextLength characters of the application's credits text.
    void SetText(const char* text);
    HWND Create(HINSTANCE instance, int showCommand, const char* className,
                const char* windowName, HICON icon, HCURSOR cursor);
    void InitDirectDraw();
    void InitSurfaces(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate);
    // 0 when timer `id` now runs, 1 when a timer already ran, `id` was 0 or SetTimer failed.
    int StartTimer(UINT id, UINT elapseMs);

    HRESULT FlipPages();
    // The surface's memory, or null if it could not be locked.
    void* LockSurface(IDirectDrawSurface* surface);
    // As above, and the distance in bytes between rows in *pPitch (0 when the lock failed).
    void* LockSurface(IDirectDrawSurface* surface, LONG* pPitch);
    HRESULT UnlockSurface(IDirectDrawSurface* surface);
    // A modal OK box over the desktop surface; frames stop while it is up.
    void ShowMessage(const char* text, const char* caption);
    // Releases DirectDraw and shows the credits box. Runs on WM_DESTROY; always 0.
    int Shutdown();

    static constexpr int kMaxTextLength = 200;

protected:
    HWND m_hWnd;
    IDirectDraw2* m_pDD;
    IDirectDrawSurface* m_pFrontBuffer;
    IDirectDrawSurface* m_pBackBuffer;
    IDirectDrawPalette* m_pPalette;
    PALETTEENTRY m_PaletteEntries[256];
    int m_bActive;
    int m_bMessageShown;
    UINT m_nTimerId;
    char m_szText[256];

private:
    bool CanDraw() const;
};

// The one framework object of the process; the window procedure forwards to it.
extern CSurfaceWnd* g_pSurfaceWnd;

// The window procedure registered with the window class.
LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
