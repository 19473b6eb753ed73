// The plain shading loop and the runtime choice of the shading path.
// Standard library only; on x86 it asks the CPU (through GCC/Clang builtins) for SSE2/AVX2, in
// WebAssembly whether the program was linked with the SIMD version.
#include "shade_kernel.h"

#include <cstdlib>

namespace {

constexpr int kW = 640;
constexpr int kH = 480;
// The neighbour "below" is 1,440 words on: two rows and 160 columns, or three rows and
// 480 columns back for the right quarter of a row. Not three rows (1,920); it is what the
// relief's look was tuned with.
constexpr int kBelow = 1440;
constexpr int kRight = 3;

using ShadeFn = void (*)(std::uint16_t*, const std::uint16_t*, int, int);

ShadeFn PathFunction(EShadePath ePath)
{
    switch (ePath)
    {
#if defined(__x86_64__) || defined(__i386__)
    case EShadePath::Avx2:
        return ShadeAvx2;
#endif
#if defined(__x86_64__) || defined(__i386__) || defined(__EMSCRIPTEN__)
    case EShadePath::Sse2:
        return ShadeSse2;
#endif
    default:
        return ShadePlain;
    }
}

EShadePath FastestPath()
{
    if (IsShadePathAvailable(EShadePath::Avx2))
        return EShadePath::Avx2;
    if (IsShadePathAvailable(EShadePath::Sse2))
        return EShadePath::Sse2;
    return EShadePath::Plain;
}

EShadePath g_eShadePath = FastestPath();

}  // namespace

// The reference: every other path must give exactly these words.
void ShadePlain(std::uint16_t* pImage, const std::uint16_t* pHeight, int nX, int nY)
{
    for (int i = 0; i < kShadedRows; ++i)
        for (int j = 0; j < kW; ++j)
        {
            const int k = kW * i + j;
            const int h = pHeight[k];
            const int dx = (j - nX) + (h - pHeight[k + kRight]);
            const int dy = (i - nY) + (h - pHeight[k + kBelow]);
            int d = std::abs(dx) + std::abs(dy);
            if (d > 255)
                d = 255;
            // Grey level 0..31 in each 5-bit field of a 5-5-5 word.
            pImage[k] = static_cast<std::uint16_t>(((255 - d) >> 3) * 0x421);
        }
}

bool IsShadePathAvailable(EShadePath ePath)
{
    switch (ePath)
    {
    case EShadePath::Plain:
        return true;
#if defined(__x86_64__) || defined(__i386__)
    case EShadePath::Sse2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2");
    case EShadePath::Avx2:
        // Also false when the OS does not save the YMM registers.
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2");
#elif defined(__EMSCRIPTEN__)
    case EShadePath::Sse2:
        return ShadeSse2 != nullptr;
#endif
    default:
        return false;
    }
}

EShadePath CurrentShadePath()
{
    return g_eShadePath;
}

bool SelectShadePath(EShadePath ePath)
{
    if (!IsShadePathAvailable(ePath))
        return false;
    g_eShadePath = ePath;
    return true;
}

void ShadeRows(std::uint16_t* pImage, const std::uint16_t* pHeight, int nX, int nY)
{
    const bool bOnScreen = nX >= 0 && nX < kW && nY >= 0 && nY < kH;
    const ShadeFn pfnShade = bOnScreen ? PathFunction(g_eShadePath) : ShadePlain;
    pfnShade(pImage, pHeight, nX, nY);
}
