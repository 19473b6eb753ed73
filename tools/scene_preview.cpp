// korvan_scene_preview: renders frames of the intro's scene (relief + logo) in both pixel
// layouts and saves them as PNG, for looking at the logo over the moving light.
// Usage: korvan_scene_preview OUT_DIR [FRAME...]   (frames counted from 1; default 1 and 60)
// Depends on the effects library, the portable platform (for the embedded logo) and libpng.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bump_map.h"
#include "intro_scene.h"
#include "pixel16.h"

namespace {

// Widens 5- and 6-bit fields to 8 bits by repeating their top bits (31 -> 255, 63 -> 255).
std::vector<png_byte> ToRgb(const std::uint16_t* frame, int mode)
{
    std::vector<png_byte> rgb(3 * kFramePixels);
    for (int k = 0; k < kFramePixels; ++k) {
        const unsigned w = frame[k];
        const unsigned r = mode == kMode565 ? w >> 11 : w >> 10 & 31;
        const unsigned g = mode == kMode565 ? w >> 5 & 63 : w >> 5 & 31;
        const unsigned b = w & 31;
        rgb[3 * k + 0] = static_cast<png_byte>(r << 3 | r >> 2);
        const unsigned green = mode == kMode565 ? (g << 2 | g >> 4) : (g << 3 | g >> 2);
        rgb[3 * k + 1] = static_cast<png_byte>(green);
        rgb[3 * k + 2] = static_cast<png_byte>(b << 3 | b >> 2);
    }
    return rgb;
}

bool SavePng(const std::string& path, const std::vector<png_byte>& rgb)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kFrameWidth, kFrameHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kFrameHeight; ++y)
        png_write_row(png, const_cast<png_byte*>(&rgb[3 * kFrameWidth * y]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR [FRAME...]\n", argv[0]);
        return 2;
    }
    std::vector<int> frames;
    for (int i = 2; i < argc; ++i)
        frames.push_back(std::atoi(argv[i]));
    if (frames.empty())
        frames = {1, 60};

    for (int mode : {kMode555, kMode565}) {
        g_nLightPhase = 0;  // each layout starts from the first frame
        auto scene = std::make_unique<CIntroScene>(mode);
        int drawn = 0;
        for (int frame : frames) {
            while (drawn < frame) {
                scene->Render();
                ++drawn;
            }
            const std::string path = std::string(argv[1]) + "/scene_" +
                                     (mode == kMode565 ? "565" : "555") + "_" +
                                     std::to_string(frame) + ".png";
            if (!SavePng(path, ToRgb(scene->GetFrame(), mode))) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                return 1;
            }
            std::printf("%s\n", path.c_str());
        }
    }
    return 0;
}
