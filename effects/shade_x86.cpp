// SSE2 and AVX2 versions of the shading loop, 8 and 16 pixels per step in 16-bit lanes.
// On x86 each function carries its own target attribute, so the file builds without -mavx2
// and ShadeRows calls the AVX2 one only on a CPU that has it. In WebAssembly the SSE2 version
// is built for 128-bit SIMD (-msimd128 -msse2: emscripten's SSE2 header maps each intrinsic
// onto it) into the page's SIMD program only; there is no AVX2 version.
//
// Why 16-bit saturating lanes give the plain loop's words exactly. The plain loop computes
// dx = (j - X) + D with D = h[k] - h[k+3] in -65535..65535 (dy likewise with i - Y and
// h[k+1440]), then d = min(|dx| + |dy|, 255). With the light on the screen |j - X| <= 639
// and |i - Y| <= 479. The lanes compute:
//   D'  = sat(D): the heights flipped to signed (h ^ 0x8000 = h - 32768, which leaves the
//         difference alone), subtracted with signed saturation to -32768..32767;
//   dx' = sat((j - X) + D'), again with signed saturation;
//   d'  = unsigned saturating |dx'| + |dy'| (|-32768| is 0x8000 read as unsigned 32768).
// If neither saturation bites, dx' = dx. If one does, the true value and the lane value
// both have size at least 32767 - 639 > 255, so each alone sends d to 255. The unsigned
// sum only saturates above 65535 > 255. So min(d', 255) = d on every pixel. The last step,
// (255 - min(d', 255)) >> 3, is sat(255 - d') >> 3 with unsigned saturation, and the grey
// level s <= 31 keeps s * 0x421 <= 0x7FFF.
#if defined(__x86_64__) || defined(__i386__) || defined(__wasm_simd128__)

#if defined(__wasm_simd128__)
#include <emmintrin.h>
#define KORVAN_TARGET(features)
#else
#include <immintrin.h>
#define KORVAN_TARGET(features) __attribute__((target(features)))
#endif

#include "shade_kernel.h"

namespace {

constexpr int kW = 640;
constexpr int kBelow = 1440;
constexpr int kRight = 3;
constexpr short kSignFlip = -0x8000;
constexpr short kGrey = 0x421;

static_assert(kW % 16 == 0, "rows are whole AVX2 and SSE2 steps");

KORVAN_TARGET("sse2") inline __m128i LoadSignedSse2(const std::uint16_t* p)
{
    return _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi16(kSignFlip));
}

// SSE2 has no 16-bit abs; max(v, -v) gives 0x8000 for -32768, as abs_epi16 does.
KORVAN_TARGET("sse2") inline __m128i AbsSse2(__m128i v)
{
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

#if !defined(__wasm_simd128__)

__attribute__((target("avx2"))) inline __m256i LoadSignedAvx2(const std::uint16_t* p)
{
    return _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                            _mm256_set1_epi16(kSignFlip));
}

#endif

}  // namespace

KORVAN_TARGET("sse2") void ShadeSse2(std::uint16_t* pImage,
                                               const std::uint16_t* pHeight, int nX, int nY)
{
    const __m128i lanes = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i step = _mm_set1_epi16(8);
    const __m128i full = _mm_set1_epi16(255);
    const __m128i grey = _mm_set1_epi16(kGrey);
    for (int i = 0; i < kShadedRows; ++i)
    {
        const __m128i rowTerm = _mm_set1_epi16(static_cast<short>(i - nY));
        __m128i colTerm = _mm_sub_epi16(lanes, _mm_set1_epi16(static_cast<short>(nX)));
        for (int k = kW * i; k < kW * (i + 1); k += 8)
        {
            const __m128i h = LoadSignedSse2(pHeight + k);
            const __m128i dx = _mm_adds_epi16(colTerm, _mm_subs_epi16(h, LoadSignedSse2(pHeight + k + kRight)));
            const __m128i dy = _mm_adds_epi16(rowTerm, _mm_subs_epi16(h, LoadSignedSse2(pHeight + k + kBelow)));
            const __m128i d = _mm_adds_epu16(AbsSse2(dx), AbsSse2(dy));
            const __m128i level = _mm_srli_epi16(_mm_subs_epu16(full, d), 3);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pImage + k), _mm_mullo_epi16(level, grey));
            colTerm = _mm_add_epi16(colTerm, step);
        }
    }
}

#if !defined(__wasm_simd128__)
__attribute__((target("avx2"))) void ShadeAvx2(std::uint16_t* pImage,
                                               const std::uint16_t* pHeight, int nX, int nY)
{
    const __m256i lanes = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m256i step = _mm256_set1_epi16(16);
    const __m256i full = _mm256_set1_epi16(255);
    const __m256i grey = _mm256_set1_epi16(kGrey);
    for (int i = 0; i < kShadedRows; ++i)
    {
        const __m256i rowTerm = _mm256_set1_epi16(static_cast<short>(i - nY));
        __m256i colTerm = _mm256_sub_epi16(lanes, _mm256_set1_epi16(static_cast<short>(nX)));
        for (int k = kW * i; k < kW * (i + 1); k += 16)
        {
            const __m256i h = LoadSignedAvx2(pHeight + k);
            const __m256i dx =
                _mm256_adds_epi16(colTerm, _mm256_subs_epi16(h, LoadSignedAvx2(pHeight + k + kRight)));
            const __m256i dy =
                _mm256_adds_epi16(rowTerm, _mm256_subs_epi16(h, LoadSignedAvx2(pHeight + k + kBelow)));
            const __m256i d = _mm256_adds_epu16(_mm256_abs_epi16(dx), _mm256_abs_epi16(dy));
            const __m256i level = _mm256_srli_epi16(_mm256_subs_epu16(full, d), 3);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pImage + k), _mm256_mullo_epi16(level, grey));
            colTerm = _mm256_add_epi16(colTerm, step);
        }
    }
}

#endif

#endif
