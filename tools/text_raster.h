// Text rendering for the art generators: FreeType glyphs, anti-aliased, drawn into an 8-bit
// coverage map. Generator-only; the program itself never links FreeType for this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

// A width x height map of coverage values 0..255, row by row.
struct SCoverage
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<std::uint8_t> Values;

    SCoverage(int width, int height) : nWidth(width), nHeight(height), Values(width * height) {}
    std::uint8_t At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= nWidth || y >= nHeight)
            return 0;
        return Values[y * nWidth + x];
    }
};

class CTextRaster
{
public:
    CTextRaster();
    ~CTextRaster();
    CTextRaster(const CTextRaster&) = delete;
    CTextRaster& operator=(const CTextRaster&) = delete;

    // Opens a font file at a pixel height; false (with a message on stderr) on failure.
    bool Open(const std::string& fontPath, int pixelSize);
    // Advance width of a line in pixels, kerning included.
    int Measure(const std::u32string& text);
    // Distance from the baseline to the top of the capitals, in pixels.
    int CapHeight();
    // Draws a line with its baseline at row `baseline`, left edge at `left`, taking the larger
    // coverage where glyphs overlap.
    void Draw(SCoverage& target, int left, int baseline, const std::u32string& text);

private:
    FT_Library m_pLibrary = nullptr;
    FT_Face m_pFace = nullptr;
};
