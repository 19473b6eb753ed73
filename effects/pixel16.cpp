// 16-bit pixel conversions (see pixel16.h).
#include "pixel16.h"

void ConvertIndexed(const std::uint8_t* pixels, const std::uint8_t* palette, std::uint16_t* out,
                    std::size_t count, int mode)
{
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t* rgb = palette + 3 * pixels[k];
        out[k] = PackRgb(rgb[0], rgb[1], rgb[2], mode);
    }
}

void Convert555To565(const std::uint16_t* src, std::uint16_t* dst, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k)
        dst[k] = Word555To565(src[k]);
}
