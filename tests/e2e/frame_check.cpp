// frame_check: fingerprints of captured frames and screenshots for the end-to-end suites.
// Reads PNGs with libpng, hashes with zlib's CRC-32. Built natively; the Wine suite builds it
// with the host compiler too, so it has no other dependency.
//
//   frame_check rgb PNG          CRC-32 of the picture's 8-bit RGB rows (exact)
//   frame_check bands PNG        CRC-32s of rows 0..179 (relief) and 180..329 (logo over
//                                relief), each as 5-6-5 words
//   frame_check find PNG LIST    the first frame of LIST (lines "frame relief logo", as
//                                `bands` prints them) whose two bands equal the picture's;
//                                exit 1 if there is none
//   frame_check scroller PNG     the number of pixels in rows 430..479 drawn in the
//                                scroller's colour (red 0x80, green 0x80, blue 156..255)
//
// 5-6-5 words keep each channel's top 5/6/5 bits, so a 16-bit picture expanded to 8 bits by
// bit replication (our capture) or by scaling (X servers, screenshot tools) gives the same.
#include "../support/png_picture.h"

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kLogoTop = 180;      // rows above it show the relief alone
constexpr int kLogoRows = 150;
constexpr int kScrollerTop = 430;  // the highest row a scroller cell can start in

std::uint32_t Crc(const void* data, std::size_t size)
{
    return static_cast<std::uint32_t>(crc32(0L, static_cast<const Bytef*>(data),
                                            static_cast<uInt>(size)));
}

std::uint16_t Word565(const std::uint8_t* rgb)
{
    return static_cast<std::uint16_t>((rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | rgb[2] >> 3);
}

const std::uint8_t* Pixel(const SPicture& picture, int x, int y)
{
    return &picture.Rgb[(static_cast<std::size_t>(y) * picture.nWidth + x) * 3];
}

// CRC-32 of rows first..first+count-1, 640 pixels each, as little-endian 5-6-5 words.
std::uint32_t Band565Crc(const SPicture& picture, int first, int count)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(kWidth) * count * 2);
    for (int y = first; y < first + count; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint16_t word = Word565(Pixel(picture, x, y));
            bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        }
    return Crc(bytes.data(), bytes.size());
}

bool IsScreenSized(const SPicture& picture)
{
    if (picture.nWidth >= kWidth && picture.nHeight >= kHeight)
        return true;
    std::fprintf(stderr, "frame_check: picture of %dx%d is smaller than 640x480\n",
                 picture.nWidth, picture.nHeight);
    return false;
}

int Find(const SPicture& picture, const char* listPath)
{
    const std::uint32_t relief = Band565Crc(picture, 0, kLogoTop);
    const std::uint32_t logo = Band565Crc(picture, kLogoTop, kLogoRows);
    std::ifstream list(listPath);
    if (!list) {
        std::fprintf(stderr, "frame_check: cannot read %s\n", listPath);
        return 2;
    }
    // Frames whose light stays low leave rows 0..179 alike; the logo rows tell them apart.
    int reliefMatches = 0;
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        unsigned long frame, listRelief, listLogo;
        if (!(fields >> std::dec >> frame >> std::hex >> listRelief >> listLogo) || listRelief != relief)
            continue;
        ++reliefMatches;
        if (listLogo == logo) {
            std::printf("frame %lu\n", frame);
            return 0;
        }
    }
    if (reliefMatches > 0)
        std::fprintf(stderr, "frame_check: rows 0..179 match %d frame(s), rows 180..329 none\n",
                     reliefMatches);
    else
        std::fprintf(stderr, "frame_check: rows 0..179 (%08x) match no frame of %s\n", relief,
                     listPath);
    return 1;
}

int ScrollerPixels(const SPicture& picture)
{
    int count = 0;
    for (int y = kScrollerTop; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* p = Pixel(picture, x, y);
            if (p[0] >> 3 == 0x80 >> 3 && p[1] >> 2 == 0x80 >> 2 && p[2] >> 3 >= 156 >> 3)
                ++count;
        }
    return count;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: frame_check rgb|bands|scroller PNG | find PNG LIST\n");
        return 2;
    }
    const std::string command = argv[1];
    SPicture picture;
    if (!ReadPng("frame_check", argv[2], picture))
        return 2;
    if (command == "rgb") {
        std::printf("%08x\n", Crc(picture.Rgb.data(), picture.Rgb.size()));
        return 0;
    }
    if (!IsScreenSized(picture))
        return 2;
    if (command == "bands") {
        std::printf("%08x %08x\n", Band565Crc(picture, 0, kLogoTop),
                    Band565Crc(picture, kLogoTop, kLogoRows));
        return 0;
    }
    if (command == "scroller") {
        std::printf("%d\n", ScrollerPixels(picture));
        return 0;
    }
    if (command == "find" && argc == 4)
        return Find(picture, argv[3]);
    std::fprintf(stderr, "frame_check: unknown command %s\n", argv[1]);
    return 2;
}
