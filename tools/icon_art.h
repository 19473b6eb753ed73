// The program's icon (group 101): the relief's diamond of light with a bevelled K, as a
// 32 x 32 and a 16 x 16 image of 16 colours each, written as one .ico file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logo_art.h"

// One icon image: 16-colour palette indices plus which pixels are opaque.
struct SIconImage
{
    SIndexedImage Colours;            // Palette holds 16 entries
    std::vector<std::uint8_t> Opaque;  // 1 = drawn, 0 = transparent
};

bool RenderIcon(const std::string& fontDir, int size, SIconImage& icon);

// .ico with the images in the order given: 4 bits per pixel, bottom-up colour rows padded to
// 4 bytes, then the 1-bit transparency mask (set = transparent), likewise padded.
std::vector<std::uint8_t> EncodeIco(const std::vector<SIconImage>& images);
