// A minimal exclusive-mode DirectDraw program for the Wine harness: four colour stripes written
// into the back buffer and flipped to the screen, then it waits for Escape (exit code 0).
// Shows that what lands in the flipped primary is what Xvfb displays. Win32 + DirectDraw only.
#include "winapi.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr UINT_PTR kSafetyTimer = 7;  // ends the program if no Escape comes
constexpr int kExitNoKey = 3;
// 5-6-5 stripes, 160 pixels each: red, green, blue, white.
constexpr std::uint16_t kStripes[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};

LRESULT CALLBACK PatternWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    switch (nMsg) {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            DestroyWindow(hWnd);
        return 0;
    case WM_TIMER:
        PostQuitMessage(kExitNoKey);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hWnd, nMsg, wParam, lParam);
    }
}

bool DrawStripes(IDirectDrawSurface* pSurface)
{
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    if (pSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        return false;
    auto* pBytes = static_cast<std::uint8_t*>(desc.lpSurface);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
        auto* pRow = reinterpret_cast<std::uint16_t*>(pBytes + y * desc.lPitch);
        for (DWORD x = 0; x < desc.dwWidth; ++x)
            pRow[x] = kStripes[(x / 160) % 4];
    }
    return pSurface->Unlock(nullptr) == DD_OK;
}

// Exclusive 640x480x16 with one back buffer, stripes flipped to the front. Returns the
// DirectDraw object (the caller releases it) or null.
IDirectDraw2* ShowStripes(HWND hWnd)
{
    IDirectDraw* pDD1 = nullptr;
    IDirectDraw2* pDD = nullptr;
    if (DirectDrawCreate(nullptr, &pDD1, nullptr) != DD_OK)
        return nullptr;
    pDD1->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&pDD));
    pDD1->Release();
    if (!pDD)
        return nullptr;
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface* pFront = nullptr;
    IDirectDrawSurface* pBack = nullptr;
    DDSCAPS caps = {DDSCAPS_BACKBUFFER};
    bool bShown = pDD->SetCooperativeLevel(hWnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) == DD_OK &&
                  pDD->SetDisplayMode(640, 480, 16, 0, 0) == DD_OK &&
                  pDD->CreateSurface(&desc, &pFront, nullptr) == DD_OK &&
                  pFront->GetAttachedSurface(&caps, &pBack) == DD_OK && DrawStripes(pBack) &&
                  pFront->Flip(nullptr, DDFLIP_WAIT) == DD_OK;
    if (pBack)
        pBack->Release();
    if (!bShown) {
        if (pFront)
            pFront->Release();
        pDD->Release();
        return nullptr;
    }
    return pDD;  // the primary lives until the DirectDraw object goes
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nShowCmd)
{
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof(wc));
    wc.lpfnWndProc = PatternWndProc;
    wc.hInstance = hInstance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "korvan_pattern";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "korvan pattern", WS_POPUPWINDOW,
                                0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                nullptr, nullptr, hInstance, nullptr);
    if (!hWnd)
        return 1;
    ShowWindow(hWnd, nShowCmd);
    UpdateWindow(hWnd);
    SetFocus(hWnd);
    IDirectDraw2* pDD = ShowStripes(hWnd);
    if (!pDD)
        return 2;
    SetTimer(hWnd, kSafetyTimer, 30000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    pDD->Release();
    return static_cast<int>(msg.wParam);
}
