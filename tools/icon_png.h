// The program's icon as PNG files for desktops (share/icons/hicolor/<size>/apps): the same
// picture as the .ico's images, drawn at any size. Needs libpng.
#pragma once

#include <cstdint>
#include <vector>

#include "icon_art.h"

// The sizes a desktop's icon theme looks for, and the web page's 192 and 512 (its manifest);
// each becomes korvan-<size>.png.
constexpr int kIconPngSizes[] = {16, 32, 48, 64, 128, 192, 256, 512};

// An 8-bit palette PNG: the icon's 16 colours plus one fully transparent entry for the pixels
// outside the diamond. Empty on failure.
std::vector<std::uint8_t> EncodeIconPng(const SIconImage& icon);
