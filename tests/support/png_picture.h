// A PNG file read as 8-bit RGB, for the test tools that look at captured frames and screenshots.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

struct SPicture {
    int nWidth = 0, nHeight = 0;
    std::vector<std::uint8_t> Rgb;  // nWidth * nHeight * 3
};

// False, with a line on standard error that names `pszTool` and the file, when it cannot be read.
inline bool ReadPng(const char* pszTool, const char* path, SPicture& picture)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        std::fprintf(stderr, "%s: cannot read %s: %s\n", pszTool, path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.nWidth = static_cast<int>(image.width);
    picture.nHeight = static_cast<int>(image.height);
    picture.Rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.Rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "%s: cannot decode %s: %s\n", pszTool, path, image.message);
        return false;
    }
    return true;
}
