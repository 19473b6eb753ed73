// Icons of the portable platform: an icon resource's image decoded to RGBA, which the SDL
// display (display_sdl.cpp) hands to the desktop as the window's icon. No SDL here.
#pragma once

#include "../../winapi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace portable {

struct SIconImage {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<std::uint8_t> rgba;  // top row first, 4 bytes a pixel: R, G, B, A
};

// One RT_ICON image as an .ico file stores it: a BITMAPINFOHEADER, the palette, the colour rows
// bottom-up, then the 1-bit AND mask (set = transparent). 1, 4 and 8 bits per pixel are read;
// anything else, and anything cut short, is refused.
bool DecodeIconImage(const std::uint8_t* pData, std::size_t nSize, SIconImage& image);

// The image of `hIcon` (from LoadIconA on the program's module) `nSize` pixels wide, or the
// largest when there is none of that size. False for the system's icons and undecodable images.
bool LoadIconImage(HICON hIcon, int nSize, SIconImage& image);

}  // namespace portable
