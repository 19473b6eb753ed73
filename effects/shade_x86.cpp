// SSE2 and AVX2 versions of the shading loop, 8 and 16 pixels per step in 16-bit lanes.
// x86 only; each function carries its own target attribute, so the file builds without
// -mavx2 and ShadeRows calls the AVX2 one only on a CPU that has it.
//
// Why 16-bit lanes give the plain loop's words exactly. Per pixel the plain loop computes
// dx = (j - X) + D with D = h[k] - h[k+3] in -65535..65535 (dy likewise with i - Y and
// h[k+1440]), then d = min(|dx| + |dy|, 255). Here D is replaced by D' = D limited to
// -1024..1024. With the light on the screen, |j - X| <= 639 and |i - Y| <= 479.
// If |D| <= 1024, D' = D. Otherwise D and D' have the same sign and both are at least 1024
// in size, so |dx| >= 1024 - 639 = 385 with either, and d is 255 either way. So d never
// changes. In lanes: |dx'|, |dy'| <= 639 + 1024 = 1663 and their sum <= 3326, far inside
// int16; the grey level s <= 31 and s * 0x421 <= 0x7FFF.
// D' is built from two unsigned saturating differences, each limited to 1024:
// min(sat(a - b), 1024) - min(sat(b - a), 1024); one of the two is always 0.
#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include "shade_kernel.h"

namespace {

constexpr int kW = 640;
constexpr int kBelow = 1440;
constexpr int kRight = 3;
constexpr short kDiffLimit = 1024;
constexpr short kGrey = 0x421;

static_assert(kW % 16 == 0, "rows are whole AVX2 and SSE2 steps");

__attribute__((target("sse2"))) inline __m128i LimitedDiffSse2(__m128i a, __m128i b)
{
    const __m128i limit = _mm_set1_epi16(kDiffLimit);
    const __m128i up = _mm_subs_epu16(a, b);
    const __m128i down = _mm_subs_epu16(b, a);
    // SSE2 has no unsigned 16-bit min: min(p, L) = p - sat(p - L).
    return _mm_sub_epi16(_mm_sub_epi16(up, _mm_subs_epu16(up, limit)),
                         _mm_sub_epi16(down, _mm_subs_epu16(down, limit)));
}

__attribute__((target("sse2"))) inline __m128i AbsSse2(__m128i v)
{
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

__attribute__((target("avx2"))) inline __m256i LimitedDiffAvx2(__m256i a, __m256i b)
{
    const __m256i limit = _mm256_set1_epi16(kDiffLimit);
    return _mm256_sub_epi16(_mm256_min_epu16(_mm256_subs_epu16(a, b), limit),
                            _mm256_min_epu16(_mm256_subs_epu16(b, a), limit));
}

}  // namespace

__attribute__((target("sse2"))) void ShadeSse2(std::uint16_t* pImage,
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
            const __m128i h = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pHeight + k));
            const __m128i hRight =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(pHeight + k + kRight));
            const __m128i hBelow =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(pHeight + k + kBelow));
            const __m128i dx = _mm_add_epi16(colTerm, LimitedDiffSse2(h, hRight));
            const __m128i dy = _mm_add_epi16(rowTerm, LimitedDiffSse2(h, hBelow));
            const __m128i d = _mm_min_epi16(_mm_add_epi16(AbsSse2(dx), AbsSse2(dy)), full);
            const __m128i level = _mm_srli_epi16(_mm_sub_epi16(full, d), 3);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(pImage + k), _mm_mullo_epi16(level, grey));
            colTerm = _mm_add_epi16(colTerm, step);
        }
    }
}

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
            const __m256i h = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pHeight + k));
            const __m256i hRight =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pHeight + k + kRight));
            const __m256i hBelow =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pHeight + k + kBelow));
            const __m256i dx = _mm256_add_epi16(colTerm, LimitedDiffAvx2(h, hRight));
            const __m256i dy = _mm256_add_epi16(rowTerm, LimitedDiffAvx2(h, hBelow));
            const __m256i sum = _mm256_add_epi16(_mm256_abs_epi16(dx), _mm256_abs_epi16(dy));
            const __m256i level = _mm256_srli_epi16(_mm256_sub_epi16(full, _mm256_min_epi16(sum, full)), 3);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pImage + k), _mm256_mullo_epi16(level, grey));
            colTerm = _mm256_add_epi16(colTerm, step);
        }
    }
}

#endif
