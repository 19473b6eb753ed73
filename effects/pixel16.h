// 16-bit pixel words in the two layouts the intro draws in (mode 0 = 5-5-5, mode 1 = 5-6-5):
// packing palette colours for the logo and turning the relief's 5-5-5 greys into 5-6-5 ones.
// Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kMode555 = 0;
constexpr int kMode565 = 1;

// Packs 8-bit channels, keeping the top five bits of each. In 5-6-5 the five green bits go to
// bits 5-9 and the sixth green bit stays 0: the logo's palette is read that way on both
// layouts, so its greens show at half strength on a 5-6-5 display. A colour with every channel
// below 8 packs to 0, which the scene treats as transparent. Any mode but 1 is 5-5-5.
inline std::uint16_t PackRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b, int mode)
{
    const int shiftRed = mode == kMode565 ? 11 : 10;
    return static_cast<std::uint16_t>((r >> 3) << shiftRed | (g >> 3) << 5 | (b >> 3));
}

// out[k] = PackRgb of palette entry pixels[k] (palette: 256 entries of red, green, blue).
void ConvertIndexed(const std::uint8_t* pixels, const std::uint8_t* palette, std::uint16_t* out,
                    std::size_t count, int mode);

// A 5-5-5 word as 5-6-5: red and blue move unchanged, the 5-bit green g becomes the 6-bit
// 2g + (g >> 4), the nearest 6-bit level to g/31 for every g, so a 5-5-5 grey stays a grey
// (level s*0x421 becomes s<<11 | (2s + (s>>4))<<5 | s; white 0x7FFF becomes 0xFFFF).
inline std::uint16_t Word555To565(std::uint16_t w)
{
    return static_cast<std::uint16_t>((w & 0x7FE0) << 1 | (w >> 4 & 0x20) | (w & 0x1F));
}

// dst[k] = Word555To565(src[k]) for a whole frame. Plain per-word arithmetic that the compiler
// vectorises; on x86 CPUs with AVX2 the same loop compiled for AVX2 runs instead (twice as
// wide, which keeps the 5-6-5 frame within the per-frame budget).
void Convert555To565(const std::uint16_t* src, std::uint16_t* dst, std::size_t count);
// The baseline build of the loop alone, which the AVX2 build must equal word for word.
void Convert555To565Plain(const std::uint16_t* src, std::uint16_t* dst, std::size_t count);
