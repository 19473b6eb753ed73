// Consistency checks over one PCX input (see pcx_fuzz_check.h). Depends on the decoder only.
#include "pcx_fuzz_check.h"

#include <cstring>
#include <memory>

#include "pcx.h"

namespace {

constexpr int kLogoCapacity = 640 * 150;
constexpr int kShortCapacity = 1000;

struct SOutput
{
    std::unique_ptr<std::uint8_t[]> pPixels;
    std::uint8_t Palette[kPcxPaletteSize];
};

// Outputs in heap blocks of exactly their size, so the sanitizers see any stray write.
void Run(const std::uint8_t* data, std::size_t size, int capacity, SOutput& out)
{
    out.pPixels.reset(new std::uint8_t[capacity]);
    DecodePcx(data, size, out.pPixels.get(), out.Palette, capacity);
}

}  // namespace

bool PcxDecodeIsConsistent(const std::uint8_t* data, std::size_t size)
{
    SOutput first, second, shorter;
    Run(data, size, kLogoCapacity, first);
    Run(data, size, kLogoCapacity, second);
    Run(data, size, kShortCapacity, shorter);
    return std::memcmp(first.pPixels.get(), second.pPixels.get(), kLogoCapacity) == 0 &&
           std::memcmp(first.Palette, second.Palette, kPcxPaletteSize) == 0 &&
           std::memcmp(first.pPixels.get(), shorter.pPixels.get(), kShortCapacity) == 0;
}
