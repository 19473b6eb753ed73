// A small window on CSurfaceWnd for the Wine suite: eight vertical colour bars drawn into the
// back buffer through LockSurface on every frame, so a screenshot shows whether the
// framework's display path works. Built for Windows and, through the portable main, natively.
#include "surface_wnd.h"

namespace {

// Test-card order, white to black; each bar is full red, green and blue switched on or off.
constexpr int kBarCount = 8;
constexpr bool kBars[kBarCount][3] = {
    {true, true, true}, {true, true, false}, {false, true, true}, {false, true, false},
    {true, false, true}, {true, false, false}, {false, false, true}, {false, false, false}};

class CBarsWnd : public CSurfaceWnd
{
public:
    int Draw(IDirectDrawSurface* surface) override;
};

// Colours come from the surface's own masks, so the bars are right in 5-6-5, 5-5-5 and 32-bit.
DWORD BarPixel(const DDPIXELFORMAT& format, int bar)
{
    return (kBars[bar][0] ? format.dwRBitMask : 0) | (kBars[bar][1] ? format.dwGBitMask : 0) |
           (kBars[bar][2] ? format.dwBBitMask : 0);
}

int CBarsWnd::Draw(IDirectDrawSurface* surface)
{
    DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (FAILED(surface->GetSurfaceDesc(&desc)))
        return 0;
    const DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
    if (bits != 16 && bits != 32)
        return 0;
    LONG pitch = 0;
    BYTE* memory = static_cast<BYTE*>(LockSurface(surface, &pitch));
    if (!memory)
        return 0;
    const int width = static_cast<int>(desc.dwWidth);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
        BYTE* row = memory + static_cast<LONG>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            const DWORD value = BarPixel(desc.ddpfPixelFormat, x * kBarCount / width);
            if (bits == 16)
                reinterpret_cast<WORD*>(row)[x] = static_cast<WORD>(value);
            else
                reinterpret_cast<DWORD*>(row)[x] = value;
        }
    }
    UnlockSurface(surface);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    static CBarsWnd window;
    if (!window.Create(instance, showCommand, "korvan_bars", "korvan bars", nullptr,
                       LoadCursorA(nullptr, IDC_ARROW)))
        return 1;
    window.InitDirectDraw();
    window.InitSurfaces(640, 480, 16, 0);
    window.StartTimer(1, 10);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
