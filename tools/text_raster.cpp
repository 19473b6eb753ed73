// FreeType text rendering for the art generators (see text_raster.h).
#include "text_raster.h"

#include <algorithm>
#include <cstdio>

CTextRaster::CTextRaster()
{
    FT_Init_FreeType(&m_pLibrary);
}

CTextRaster::~CTextRaster()
{
    if (m_pFace)
        FT_Done_Face(m_pFace);
    if (m_pLibrary)
        FT_Done_FreeType(m_pLibrary);
}

bool CTextRaster::Open(const std::string& fontPath, int pixelSize)
{
    if (m_pFace) {
        FT_Done_Face(m_pFace);
        m_pFace = nullptr;
    }
    if (!m_pLibrary || FT_New_Face(m_pLibrary, fontPath.c_str(), 0, &m_pFace) != 0) {
        std::fprintf(stderr, "cannot open font %s\n", fontPath.c_str());
        m_pFace = nullptr;
        return false;
    }
    FT_Set_Pixel_Sizes(m_pFace, 0, pixelSize);
    return true;
}

int CTextRaster::Measure(const std::u32string& text)
{
    long width = 0;
    FT_UInt previous = 0;
    for (char32_t ch : text) {
        const FT_UInt glyph = FT_Get_Char_Index(m_pFace, ch);
        if (previous && glyph && FT_HAS_KERNING(m_pFace)) {
            FT_Vector kern;
            FT_Get_Kerning(m_pFace, previous, glyph, FT_KERNING_DEFAULT, &kern);
            width += kern.x;
        }
        if (FT_Load_Glyph(m_pFace, glyph, FT_LOAD_DEFAULT) == 0)
            width += m_pFace->glyph->advance.x;
        previous = glyph;
    }
    return static_cast<int>(width >> 6);  // 26.6 fixed point
}

int CTextRaster::CapHeight()
{
    const FT_UInt glyph = FT_Get_Char_Index(m_pFace, U'H');
    if (FT_Load_Glyph(m_pFace, glyph, FT_LOAD_DEFAULT) != 0)
        return 0;
    return static_cast<int>(m_pFace->glyph->metrics.horiBearingY >> 6);
}

void CTextRaster::Draw(SCoverage& target, int left, int baseline, const std::u32string& text)
{
    long penX = static_cast<long>(left) << 6;
    FT_UInt previous = 0;
    for (char32_t ch : text) {
        const FT_UInt glyph = FT_Get_Char_Index(m_pFace, ch);
        if (previous && glyph && FT_HAS_KERNING(m_pFace)) {
            FT_Vector kern;
            FT_Get_Kerning(m_pFace, previous, glyph, FT_KERNING_DEFAULT, &kern);
            penX += kern.x;
        }
        previous = glyph;
        if (FT_Load_Glyph(m_pFace, glyph, FT_LOAD_DEFAULT) != 0 ||
            FT_Render_Glyph(m_pFace->glyph, FT_RENDER_MODE_NORMAL) != 0)
            continue;
        const FT_GlyphSlot slot = m_pFace->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int originX = static_cast<int>(penX >> 6) + slot->bitmap_left;
        const int originY = baseline - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = originY + static_cast<int>(row);
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int x = originX + static_cast<int>(col);
                if (x < 0 || y < 0 || x >= target.nWidth || y >= target.nHeight)
                    continue;
                std::uint8_t& cell = target.Values[y * target.nWidth + x];
                cell = std::max(cell, bitmap.buffer[row * bitmap.pitch + col]);
            }
        }
        penX += slot->advance.x;
    }
}
