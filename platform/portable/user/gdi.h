// GDI of the portable platform (gdi_text.cpp): a device context drawing into surface memory,
// and the platform's own text outside any device context (the drawn message box).
#pragma once

#include "../../winapi.h"
#include "../sdk/display_format.h"

#include <cstdint>

namespace portable {

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
// The width of a line in the system font, and the line drawn with its cell's top-left at (x, y).
int MeasureTextLine(const char* pszText, int nLength);
void DrawTextLine(const SSurfaceView& view, int x, int y, const char* pszText, int nLength,
                  COLORREF color);

}  // namespace portable
