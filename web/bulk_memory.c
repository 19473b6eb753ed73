/* memset and memcpy of the page's SIMD program as WebAssembly's memory.fill and memory.copy
 * (-mbulk-memory): the browser runs them natively even before it has optimised the program, where
 * the C library's loops, run once over megabytes at start-up, held back the first frame. Every
 * browser with WebAssembly SIMD has bulk memory; the plain program keeps the C library's. */
#include <stddef.h>

void* memset(void* pDst, int nValue, size_t nCount)
{
    __builtin_memset(pDst, nValue, nCount);
    return pDst;
}

void* memcpy(void* __restrict pDst, const void* __restrict pSrc, size_t nCount)
{
    __builtin_memcpy(pDst, pSrc, nCount);
    return pDst;
}
