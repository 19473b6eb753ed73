// The system font of the portable GDI: DejaVu Sans Bold in a 16-pixel cell as 1-bit masks,
// like GDI's non-antialiased system font. FreeType renders them at build time (the tool
// korvan_make_font_table); system_font.cpp is its output, committed, and a unit test checks
// that the tool still makes exactly that file. The program reads the masks as they are.
#pragma once

#include <cstdint>

namespace portable {

struct SFontGlyph {
    std::int8_t nLeft, nTop;  // mask origin relative to the pen on the baseline
    std::uint8_t nWidth, nRows;
    std::uint8_t nAdvance;
    // First byte of the mask in SSystemFont::pBits: nRows rows of nWidth bits, one after the
    // other without padding, most significant bit first.
    std::uint16_t nBits;
};

struct SSystemFont {
    int nCellHeight;
    int nAscent;     // from the cell's top to the baseline
    int nMaxExtent;  // no glyph reaches further right of its pen, nor advances further
    // Characters chFirst..chLast have glyphs pGlyphs[1..]; every other byte value is drawn as
    // pGlyphs[0], the font's missing glyph.
    unsigned char chFirst, chLast;
    const SFontGlyph* pGlyphs;
    const std::uint8_t* pBits;
};

extern const SSystemFont g_SystemFont;

}  // namespace portable
