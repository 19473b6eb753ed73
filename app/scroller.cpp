// The greetings scroller. Every character is issued, even far off screen, and the surface
// clips; the text uses the DC's default font (a fixed 12-pixel advance spaces the cells).
#include "scroller.h"

#include <cmath>

#include "texts.h"

std::uint32_t g_nScrollPos = 0;

namespace {

constexpr int kCharAdvance = 12;      // pixels between cell starts, whatever the character
constexpr int kRightEdge = 639;       // x of the first character at position 0
constexpr int kWaveBase = 440;        // y of the wave's centre line
constexpr double kWaveAmplitude = 10.0;
constexpr double kWaveStep = 0.4487857142857143;   // radians per character, 3.1415 / 7

}  // namespace

std::uint32_t NextScrollPos(std::uint32_t pos)
{
    pos += kScrollStep;
    return pos > kScrollWrap ? 0 : pos;
}

COLORREF GreetingsColor(std::uint32_t pos)
{
    return RGB(0x80, 0x80, 255 - pos % 100);
}

int GreetingX(int index, std::uint32_t pos)
{
    return kCharAdvance * index - static_cast<int>(pos) + kRightEdge;
}

int GreetingY(int index, std::uint32_t pos)
{
    // The phase moves on by one radian per frame: pos / 7 is the frame count within a pass.
    double phase = index * kWaveStep + static_cast<double>(pos / kScrollStep);
    return static_cast<int>(std::sin(phase) * kWaveAmplitude + kWaveBase);
}

void DrawGreetings(IDirectDrawSurface* surface)
{
    g_nScrollPos = NextScrollPos(g_nScrollPos);

    HDC dc = nullptr;
    if (surface == nullptr || FAILED(surface->GetDC(&dc)))
        return;

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GreetingsColor(g_nScrollPos));
    SetTextAlign(dc, 0);   // TA_LEFT | TA_TOP: (x, y) is the cell's top-left corner

    int length = lstrlenA(g_szGreetings);
    for (int i = 0; i < length; ++i)
        TextOutA(dc, GreetingX(i, g_nScrollPos), GreetingY(i, g_nScrollPos), &g_szGreetings[i], 1);

    surface->ReleaseDC(dc);
}
