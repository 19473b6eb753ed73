// GDI text of the portable platform: device contexts on DirectDraw surface memory, stock
// objects, fonts and TextOutA. Glyphs come from the font embedded in the program (DejaVu Sans
// Bold), rendered once per size by FreeType as 1-bit masks, like GDI's non-antialiased system
// font, and kept in a cache; text outside the surface is clipped before any glyph is touched.
#include "gdi.h"

#include "../ddraw/present.h"
#include "../testing/faults.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <vector>

namespace portable {

extern const unsigned char g_FontData[];
extern const std::size_t g_FontDataSize;

namespace {

// Cell height of the default (system) font: 16 pixels, as on Windows.
constexpr int kSystemFontHeight = 16;

struct CGlyph {
    int nLeft = 0, nTop = 0;  // bitmap origin relative to the pen on the baseline
    int nWidth = 0, nRows = 0;
    int nAdvance = 0;
    std::vector<std::uint8_t> mask;  // one byte per pixel, 1 = ink
};

// One font size: 256 glyphs for the single-byte character set (Windows-1252).
struct CFontFace {
    int nCellHeight = 0;
    int nAscent = 0;
    int nMaxAdvance = 0;
    std::array<std::unique_ptr<CGlyph>, 256> glyphs;
};

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
std::map<int, CFontFace> g_Faces;  // by cell height
FT_Library g_FreeType = nullptr;
FT_Face g_Face = nullptr;

HGDIOBJ StockHandle(int nIndex)
{
    return reinterpret_cast<HGDIOBJ>(kStockBase + static_cast<std::uintptr_t>(nIndex));
}

CDeviceContext* FindDC(HDC hDC)
{
    auto it = g_DCs.find(reinterpret_cast<std::uintptr_t>(hDC));
    return it == g_DCs.end() || !it->second.bOpen ? nullptr : &it->second;
}

// Windows-1252's 0x80..0x9F in Unicode (0 where the code page has no character).
const char32_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

char32_t ToUnicode(unsigned char c)
{
    return c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c;
}

bool LoadFace()
{
    if (g_Face)
        return true;
    if (!g_FreeType && FT_Init_FreeType(&g_FreeType) != 0)
        return false;
    return FT_New_Memory_Face(g_FreeType, g_FontData, static_cast<FT_Long>(g_FontDataSize), 0,
                              &g_Face) == 0;
}

// The face's size for a cell: ascender + descender fill it.
FT_UInt PixelsPerEm(int nCellHeight)
{
    const long nUnitsTall = g_Face->ascender - g_Face->descender;
    return static_cast<FT_UInt>(
        std::max(1L, nCellHeight * static_cast<long>(g_Face->units_per_EM) / nUnitsTall));
}

CFontFace* FaceForHeight(int nCellHeight)
{
    auto it = g_Faces.find(nCellHeight);
    if (it != g_Faces.end())
        return &it->second;
    if (!LoadFace())
        return nullptr;
    const FT_UInt nPixelsPerEm = PixelsPerEm(nCellHeight);
    CFontFace& face = g_Faces[nCellHeight];
    face.nCellHeight = nCellHeight;
    face.nAscent = static_cast<int>(g_Face->ascender * static_cast<long>(nPixelsPerEm) /
                                    g_Face->units_per_EM);
    face.nMaxAdvance = static_cast<int>(nPixelsPerEm) * 2;  // wide enough for any glyph here
    return &face;
}

const CGlyph& GlyphOf(CFontFace& face, unsigned char c)
{
    std::unique_ptr<CGlyph>& pGlyph = face.glyphs[c];
    if (pGlyph)
        return *pGlyph;
    pGlyph = std::make_unique<CGlyph>();
    if (FT_Set_Pixel_Sizes(g_Face, 0, PixelsPerEm(face.nCellHeight)) != 0)
        return *pGlyph;
    const FT_UInt nIndex = FT_Get_Char_Index(g_Face, ToUnicode(c));
    if (FT_Load_Glyph(g_Face, nIndex, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0)
        return *pGlyph;
    const FT_GlyphSlot slot = g_Face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    CGlyph& glyph = *pGlyph;
    glyph.nLeft = slot->bitmap_left;
    glyph.nTop = slot->bitmap_top;
    glyph.nWidth = static_cast<int>(bitmap.width);
    glyph.nRows = static_cast<int>(bitmap.rows);
    glyph.nAdvance = static_cast<int>((slot->advance.x + 32) >> 6);
    glyph.mask.resize(static_cast<std::size_t>(glyph.nWidth) * glyph.nRows);
    for (int y = 0; y < glyph.nRows; ++y) {
        const unsigned char* pRow = bitmap.buffer + y * bitmap.pitch;
        for (int x = 0; x < glyph.nWidth; ++x)
            glyph.mask[static_cast<std::size_t>(y) * glyph.nWidth + x] = (pRow[x >> 3] >> (7 - (x & 7))) & 1;
    }
    return glyph;
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
void DrawGlyph(const SSurfaceView& view, const CGlyph& glyph, int x, int y, int nAscent,
               std::uint32_t nPixel)
{
    const int x0 = x + glyph.nLeft, y0 = y + nAscent - glyph.nTop;
    const int nFirstRow = std::max(0, -y0), nLastRow = std::min(glyph.nRows, view.nHeight - y0);
    const int nFirstCol = std::max(0, -x0), nLastCol = std::min(glyph.nWidth, view.nWidth - x0);
    for (int row = nFirstRow; row < nLastRow; ++row) {
        const std::uint8_t* pMask = glyph.mask.data() + static_cast<std::size_t>(row) * glyph.nWidth;
        for (int col = nFirstCol; col < nLastCol; ++col)
            if (pMask[col])
                PutPixel(view, x0 + col, y0 + row, nPixel);
    }
}

// A line with its first cell's top-left at (x, y); glyphs wholly left of the surface are only
// measured.
void DrawGlyphs(const SSurfaceView& view, CFontFace& face, int x, int y, LPCSTR lpString, int c,
                std::uint32_t nInk)
{
    for (int i = 0; i < c && x < view.nWidth; ++i) {
        const CGlyph& glyph = GlyphOf(face, static_cast<unsigned char>(lpString[i]));
        if (x + face.nMaxAdvance > 0)
            DrawGlyph(view, glyph, x, y, face.nAscent, nInk);
        x += glyph.nAdvance;
    }
}

int TextWidth(CFontFace& face, LPCSTR lpString, int c)
{
    int nWidth = 0;
    for (int i = 0; i < c; ++i)
        nWidth += GlyphOf(face, static_cast<unsigned char>(lpString[i])).nAdvance;
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

int MeasureTextLine(int nCellHeight, const char* pszText, int nLength)
{
    CFontFace* pFace = FaceForHeight(nCellHeight);
    return pFace ? TextWidth(*pFace, pszText, nLength) : 0;
}

void DrawTextLine(const SSurfaceView& view, int x, int y, const char* pszText, int nLength,
                  int nCellHeight, COLORREF color)
{
    if (CFontFace* pFace = FaceForHeight(nCellHeight))
        DrawGlyphs(view, *pFace, x, y, pszText, nLength, PixelOf(view, color));
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
    CFontFace* pFace = FaceForHeight(kSystemFontHeight);
    if (!pFace)
        return FALSE;
    const SSurfaceView& view = pDC->view;
    // Cheap rejection first: the scroller issues hundreds of characters far off the surface.
    const UINT nHorizontal = pDC->nAlign & TA_CENTER;
    const int nRough = c * pFace->nMaxAdvance;
    if (nHorizontal == TA_LEFT && (x >= view.nWidth || x + nRough <= 0))
        return TRUE;
    const UINT nVertical = pDC->nAlign & TA_BASELINE;
    if (nVertical == TA_BOTTOM)
        y -= pFace->nCellHeight;
    else if (nVertical == TA_BASELINE)
        y -= pFace->nAscent;
    if (y >= view.nHeight || y + pFace->nCellHeight <= 0)
        return TRUE;
    if (nHorizontal != TA_LEFT) {
        const int nWidth = TextWidth(*pFace, lpString, c);
        x -= nHorizontal == TA_RIGHT ? nWidth : nWidth / 2;
    }
    if (pDC->nBkMode == OPAQUE)
        FillRect(view, x, y, x + TextWidth(*pFace, lpString, c), y + pFace->nCellHeight,
                 PixelOf(view, pDC->bkColor));
    DrawGlyphs(view, *pFace, x, y, lpString, c, PixelOf(view, pDC->textColor));
    return TRUE;
}
