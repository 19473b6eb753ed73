// The intro's logo: four centred lines of bevelled, outlined lettering on a near-black
// background, quantized into a 256-colour palette and written as a PCX file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kArtLogoWidth = 640;
constexpr int kArtLogoHeight = 150;

struct SIndexedImage
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<std::uint8_t> Pixels;   // palette indices, row by row
    std::vector<std::uint8_t> Palette;  // 256 x (red, green, blue)
};

// Renders the logo with the DejaVu fonts found in fontDir; false if a font is missing.
bool RenderLogo(const std::string& fontDir, SIndexedImage& logo);

// The PCX file: version 5, run-length coded, 8 bits, one plane, then 0x0C and the palette.
std::vector<std::uint8_t> EncodePcx(const SIndexedImage& image);
