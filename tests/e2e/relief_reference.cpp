// relief_reference: prints "frame relief logo" for frames 1..N of the intro on a 5-6-5 display:
// CRC-32s of rows 0..179 (the relief alone) and rows 180..329 (the logo over the relief) as
// little-endian 5-6-5 words, the form `frame_check bands` computes from a screenshot. The
// scroller never reaches these rows. The Wine suite finds the frame on screen in this list.
// Links the scene and the platform (for the logo resource).
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bump_map.h"
#include "intro_scene.h"

namespace {

unsigned long BandCrc(const std::uint16_t* frame, int first, int count)
{
    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(count) * kFrameWidth * 2);
    for (int i = first * kFrameWidth; i < (first + count) * kFrameWidth; ++i) {
        bytes.push_back(static_cast<unsigned char>(frame[i] & 0xFF));
        bytes.push_back(static_cast<unsigned char>(frame[i] >> 8));
    }
    return crc32(0L, bytes.data(), static_cast<uInt>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 0;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: relief_reference FRAMES\n");
        return 2;
    }
    g_nLightPhase = 0;
    auto scene = std::make_unique<CIntroScene>(1);
    for (int frame = 1; frame <= frames; ++frame) {
        scene->Render();
        std::printf("%d %08lx %08lx\n", frame, BandCrc(scene->GetFrame(), 0, kLogoTop),
                    BandCrc(scene->GetFrame(), kLogoTop, kLogoHeight));
    }
    return 0;
}
