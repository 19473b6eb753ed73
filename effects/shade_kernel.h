// The per-pixel loop of the bump shading: the plain loop that defines the picture, SIMD
// versions that must give the same words, and the runtime choice between them.
// Standard library only; the x86 versions are compiled only for x86 targets and, the SSE2 one,
// for WebAssembly SIMD.
#pragma once

#include <cstdint>

// Rows 0..476 are lit; the bottom three rows of the image are never written.
constexpr int kShadedRows = 477;

enum class EShadePath
{
    Plain,
    Sse2,
    Avx2,
};

// Each writes rows 0..kShadedRows-1 of pImage (640x480 words) from the 640x480 height field
// pHeight for a light at column nX, row nY. ShadePlain accepts any light position; the SIMD
// versions need the light on the screen (0 <= nX < 640, 0 <= nY < 480), which ShadeRows
// guarantees before it picks them.
void ShadePlain(std::uint16_t* pImage, const std::uint16_t* pHeight, int nX, int nY);
#if defined(__x86_64__) || defined(__i386__)
void ShadeSse2(std::uint16_t* pImage, const std::uint16_t* pHeight, int nX, int nY);
void ShadeAvx2(std::uint16_t* pImage, const std::uint16_t* pHeight, int nX, int nY);
#elif defined(__EMSCRIPTEN__)
// Built for WebAssembly SIMD and linked only into a program for browsers that have it (web/):
// elsewhere the weak reference stays null and the SSE2 path is not available.
__attribute__((weak)) void ShadeSse2(std::uint16_t* pImage, const std::uint16_t* pHeight, int nX,
                                     int nY);
#endif

// Whether this build and this CPU can run ePath.
bool IsShadePathAvailable(EShadePath ePath);

// The path ShadeRows uses; at start-up the fastest available one.
EShadePath CurrentShadePath();

// Makes ShadeRows use ePath (for tests and benchmarks). Returns false and changes nothing
// if ePath is not available here.
bool SelectShadePath(EShadePath ePath);

// Shades with the current path; falls back to the plain loop for a light off the screen.
void ShadeRows(std::uint16_t* pImage, const std::uint16_t* pHeight, int nX, int nY);
