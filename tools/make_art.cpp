// korvan_make_art: writes the intro's logo (logo.pcx), its icon (icon.ico) and the icon as PNG
// files for desktops (icons/korvan-<size>.png) into a folder.
// Usage: korvan_make_art FONT_DIR OUT_DIR, FONT_DIR holding the DejaVu TrueType fonts.
// The outputs are committed under resources/; a build never runs this.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "icon_art.h"
#include "icon_png.h"
#include "logo_art.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool WriteIconPngs(const std::string& fontDir, const std::string& outDir)
{
    std::filesystem::create_directories(outDir + "/icons");
    for (int size : kIconPngSizes) {
        SIconImage icon;
        if (!RenderIcon(fontDir, size, icon))
            return false;
        const std::vector<std::uint8_t> png = EncodeIconPng(icon);
        if (png.empty() ||
            !WriteFile(outDir + "/icons/korvan-" + std::to_string(size) + ".png", png))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FONT_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string fontDir = argv[1];
    const std::string outDir = argv[2];

    SIndexedImage logo;
    if (!RenderLogo(fontDir, logo))
        return 1;
    int background = 0;
    for (std::uint8_t index : logo.Pixels)
        background += index == 0;
    std::printf("logo: %.1f%% background\n", 100.0 * background / logo.Pixels.size());

    std::vector<SIconImage> icons(2);
    if (!RenderIcon(fontDir, 32, icons[0]) || !RenderIcon(fontDir, 16, icons[1]))
        return 1;

    return WriteFile(outDir + "/logo.pcx", EncodePcx(logo)) &&
                   WriteFile(outDir + "/icon.ico", EncodeIco(icons)) &&
                   WriteIconPngs(fontDir, outDir)
               ? 0
               : 1;
}
