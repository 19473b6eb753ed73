// Presentation of the portable platform (present.cpp): the emulated display's pixel formats, their
// exact conversion to RGB, and what becomes of each flipped picture: kept, shown by the display,
// counted, and handed to the run's frame hook. The conversion to the words a display shows is
// declared in the display seam.
#pragma once

#include "../../winapi.h"
#include "../sdk/display_format.h"

#include <cstdint>

namespace portable {

struct SPixelFormat {
    DWORD dwFlags;  // DDPF_RGB, or DDPF_RGB | DDPF_PALETTEINDEXED8
    DWORD dwBitCount;
    DWORD dwRMask, dwGMask, dwBMask;
};
SPixelFormat PixelFormatOf(DisplayFormat format);
int BytesPerPixel(DisplayFormat format);
// One picture to RGB, exactly (5 bits -> v << 3 | v >> 2, 6 bits -> v << 2 | v >> 4).
void ConvertToRgb(DisplayFormat format, const std::uint8_t* pPixels, long nPitch,
                  const PALETTEENTRY* pPalette, std::uint8_t* pRgb);
// A flip made `pPixels` visible: keep it for ShownRgb, show it and, when it counts as a frame,
// count it and call the frame hook.
void PresentPicture(DisplayFormat format, const std::uint8_t* pPixels, long nPitch,
                    const PALETTEENTRY* pPalette, bool bCountAsFrame);
const std::uint8_t* ShownRgb();  // the picture last presented, 640x480 RGB
int PresentedFrameCount();
// Called after each counted frame with its number, from 1 (the run's: capture, scripted keys).
using FrameHook = void (*)(int nFrame);
void SetFrameHook(FrameHook pfnHook);
void ResetPresentation();

}  // namespace portable
