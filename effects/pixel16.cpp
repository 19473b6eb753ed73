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

void Convert555To565Plain(const std::uint16_t* src, std::uint16_t* dst, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k)
        dst[k] = Word555To565(src[k]);
}

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
namespace {

__attribute__((target("avx2"))) void Convert555To565Avx2(const std::uint16_t* src,
                                                         std::uint16_t* dst, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k)
        dst[k] = Word555To565(src[k]);
}

}  // namespace

void Convert555To565(const std::uint16_t* src, std::uint16_t* dst, std::size_t count)
{
    static const bool s_bAvx2 = __builtin_cpu_supports("avx2");
    if (s_bAvx2)
        Convert555To565Avx2(src, dst, count);
    else
        Convert555To565Plain(src, dst, count);
}
#else
void Convert555To565(const std::uint16_t* src, std::uint16_t* dst, std::size_t count)
{
    Convert555To565Plain(src, dst, count);
}
#endif
