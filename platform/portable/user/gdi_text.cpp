// GDI text of the portable platform: device contexts on DirectDraw surface memory, stock
// objects, fonts and TextOutA. Text is drawn in the system font, whose 1-bit masks were made at
// build time (system_font.h); text outside the surface is clipped before any glyph is touched.
#include "gdi.h"

#include "system_font.h"
#include "../ddraw/present.h"
#include "../testing/faults.h"

#include <algorithm>
#include <map>

namespace portable {

namespace {

struct CDeviceContext {
    SSurfaceView view;
    int nBkMode = OPAQUE;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    UINT nAlign = TA_LEFT | TA_TOP;
    bool bOpen = true;  // released contexts keep their entry for the next GetDC
};

// Stock objects have fixed handles; created fonts and device contexts count up from elsewhere.
constexpr std::uintptr_t kStockBase = 0x20000;
constexpr std::uintptr_t kStockCount = 20;
std::uintptr_t g_nNextFont = 0x30000;
std::uintptr_t g_nNextDC = 0x40000;
std::map<std::uintptr_t, CDeviceContext> g_DCs;

HGDIOBJ StockHandle(int nIndex)
{
    return reinterpret_cast<HGDIOBJ>(kStockBase + static_cast<std::uintptr_t>(nIndex));
}

CDeviceContext* FindDC(HDC hDC)
{
    auto it = g_DCs.find(reinterpret_cast<std::uintptr_t>(hDC));
    return it == g_DCs.end() || !it->second.bOpen ? nullptr : &it->second;
}

const SFontGlyph& GlyphOf(unsigned char c)
{
    const SSystemFont& font = g_SystemFont;
    return font.pGlyphs[c >= font.chFirst && c <= font.chLast ? 1 + c - font.chFirst : 0];
}

// A COLORREF as the surface stores it; 8-bit surfaces take the nearest palette entry.
std::uint32_t PixelOf(const SSurfaceView& view, COLORREF color)
{
    const unsigned r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    switch (view.format) {
    case DisplayFormat::Rgb565:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case DisplayFormat::Rgb555:
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case DisplayFormat::Rgb32:
        return (r << 16) | (g << 8) | b;
    case DisplayFormat::Palette8:
    default:
        break;
    }
    if (!view.pPalette)
        return (r + g + b) / 3;  // the grey ramp shown without a palette
    std::uint32_t nBest = 0;
    long nBestDistance = -1;
    for (std::uint32_t i = 0; i < 256; ++i) {
        const PALETTEENTRY& e = view.pPalette[i];
        const long dr = long(e.peRed) - long(r), dg = long(e.peGreen) - long(g), db = long(e.peBlue) - long(b);
        const long nDistance = dr * dr + dg * dg + db * db;
        if (nBestDistance < 0 || nDistance < nBestDistance) {
            nBest = i;
            nBestDistance = nDistance;
        }
    }
    return nBest;
}

void PutPixel(const SSurfaceView& view, int x, int y, std::uint32_t nPixel)
{
    const int nBytes = BytesPerPixel(view.format);
    std::uint8_t* p = view.pBits + static_cast<long>(y) * view.nPitch + static_cast<long>(x) * nBytes;
    for (int i = 0; i < nBytes; ++i)
        p[i] = static_cast<std::uint8_t>(nPixel >> (8 * i));
}

void FillRect(const SSurfaceView& view, int x0, int y0, int x1, int y1, std::uint32_t nPixel)
{
    for (int y = std::max(0, y0); y < std::min(view.nHeight, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(view.nWidth, x1); ++x)
            PutPixel(view, x, y, nPixel);
}

// Draws one glyph with its cell's top-left at (x, y), clipped to the surface.
void DrawGlyph(const SSurfaceView& view, const SFontGlyph& glyph, int x, int y, std::uint32_t nPixel)
{
    const int x0 = x + glyph.nLeft, y0 = y + g_SystemFont.nAscent - glyph.nTop;
    const int nFirstRow = std::max(0, -y0), nLastRow = std::min<int>(glyph.nRows, view.nHeight - y0);
    const int nFirstCol = std::max(0, -x0), nLastCol = std::min<int>(glyph.nWidth, view.nWidth - x0);
    const std::uint8_t* pMask = g_SystemFont.pBits + glyph.nBits;
    for (int row = nFirstRow; row < nLastRow; ++row)
        for (int col = nFirstCol; col < nLastCol; ++col) {
            const int nBit = row * glyph.nWidth + col;
            if (pMask[nBit >> 3] & (0x80 >> (nBit & 7)))
                PutPixel(view, x0 + col, y0 + row, nPixel);
        }
}

// A line with its first cell's top-left at (x, y); glyphs wholly left of the surface are only
// measured.
void DrawGlyphs(const SSurfaceView& view, int x, int y, LPCSTR lpString, int c, std::uint32_t nInk)
{
    for (int i = 0; i < c && x < view.nWidth; ++i) {
        const SFontGlyph& glyph = GlyphOf(static_cast<unsigned char>(lpString[i]));
        if (x + g_SystemFont.nMaxExtent > 0)
            DrawGlyph(view, glyph, x, y, nInk);
        x += glyph.nAdvance;
    }
}

int TextWidth(LPCSTR lpString, int c)
{
    int nWidth = 0;
    for (int i = 0; i < c; ++i)
        nWidth += GlyphOf(static_cast<unsigned char>(lpString[i])).nAdvance;
    return nWidth;
}

}  // namespace

// A released context's handle is handed out again, as GDI reuses its handles; so a frame's
// GetDC/ReleaseDC pair allocates nothing once the first one has made its entry.
HDC OpenSurfaceDC(const SSurfaceView& view)
{
    auto it = std::find_if(g_DCs.begin(), g_DCs.end(),
                           [](const auto& entry) { return !entry.second.bOpen; });
    std::uintptr_t nHandle = g_nNextDC;
    if (it != g_DCs.end())
        nHandle = it->first;
    else
        g_nNextDC += 0x10;
    CDeviceContext& dc = g_DCs[nHandle];
    dc = CDeviceContext{};
    dc.view = view;
    return reinterpret_cast<HDC>(nHandle);
}

void CloseSurfaceDC(HDC hDC)
{
    if (CDeviceContext* pDC = FindDC(hDC))
        pDC->bOpen = false;
}

int MeasureTextLine(const char* pszText, int nLength)
{
    return TextWidth(pszText, nLength);
}

void DrawTextLine(const SSurfaceView& view, int x, int y, const char* pszText, int nLength,
                  COLORREF color)
{
    DrawGlyphs(view, x, y, pszText, nLength, PixelOf(view, color));
}

void ResetGdi()
{
    g_DCs.clear();
}

}  // namespace portable

using namespace portable;

HGDIOBJ WINAPI GetStockObject(int i)
{
    return i >= 0 && static_cast<std::uintptr_t>(i) < kStockCount ? StockHandle(i) : nullptr;
}

HFONT WINAPI CreateFontA(int /*cHeight*/, int /*cWidth*/, int /*cEscapement*/, int /*cOrientation*/,
                         int /*cWeight*/, DWORD /*bItalic*/, DWORD /*bUnderline*/,
                         DWORD /*bStrikeOut*/, DWORD /*iCharSet*/, DWORD /*iOutPrecision*/,
                         DWORD /*iClipPrecision*/, DWORD /*iQuality*/, DWORD /*iPitchAndFamily*/,
                         LPCSTR /*pszFaceName*/)
{
    // Fonts are made but never selected (there is no SelectObject): text is always drawn in the
    // system font, so a font is only a new handle.
    const std::uintptr_t nHandle = g_nNextFont;
    g_nNextFont += 0x10;
    return reinterpret_cast<HFONT>(nHandle);
}

int WINAPI SetBkMode(HDC hdc, int mode)
{
    CDeviceContext* pDC = FindDC(hdc);
    if (!pDC || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    const int nPrevious = pDC->nBkMode;
    pDC->nBkMode = mode;
    return nPrevious;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color)
{
    CDeviceContext* pDC = FindDC(hdc);
    if (!pDC)
        return CLR_INVALID;
    const COLORREF previous = pDC->bkColor;
    pDC->bkColor = color;
    return previous;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color)
{
    CDeviceContext* pDC = FindDC(hdc);
    if (!pDC)
        return CLR_INVALID;
    const COLORREF previous = pDC->textColor;
    pDC->textColor = color;
    return previous;
}

UINT WINAPI SetTextAlign(HDC hdc, UINT align)
{
    CDeviceContext* pDC = FindDC(hdc);
    if (!pDC)
        return GDI_ERROR;
    const UINT nPrevious = pDC->nAlign;
    pDC->nAlign = align;
    return nPrevious;
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    HRESULT hr;
    if (FaultDue(Call::TextOutA, hr))
        return FALSE;
    CDeviceContext* pDC = FindDC(hdc);
    if (!pDC || c < 0 || (c > 0 && !lpString))
        return FALSE;
    const SSystemFont& font = g_SystemFont;
    const SSurfaceView& view = pDC->view;
    // Cheap rejection first: the scroller issues hundreds of characters far off the surface.
    const UINT nHorizontal = pDC->nAlign & TA_CENTER;
    const int nRough = c * font.nMaxExtent;
    if (nHorizontal == TA_LEFT && (x >= view.nWidth || x + nRough <= 0))
        return TRUE;
    const UINT nVertical = pDC->nAlign & TA_BASELINE;
    if (nVertical == TA_BOTTOM)
        y -= font.nCellHeight;
    else if (nVertical == TA_BASELINE)
        y -= font.nAscent;
    if (y >= view.nHeight || y + font.nCellHeight <= 0)
        return TRUE;
    if (nHorizontal != TA_LEFT) {
        const int nWidth = TextWidth(lpString, c);
        x -= nHorizontal == TA_RIGHT ? nWidth : nWidth / 2;
    }
    if (pDC->nBkMode == OPAQUE)
        FillRect(view, x, y, x + TextWidth(lpString, c), y + font.nCellHeight,
                 PixelOf(view, pDC->bkColor));
    DrawGlyphs(view, x, y, lpString, c, PixelOf(view, pDC->textColor));
    return TRUE;
}
