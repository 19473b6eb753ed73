// The logo's PCX reader (see pcx.h). Reads only inside [data, data + size); all state is local.
#include "pcx.h"

#include <cstring>

namespace {

constexpr std::uint8_t kRunFlag = 0xC0;    // both top bits set: a run byte
constexpr std::uint8_t kRunCount = 0x3F;   // its low six bits: the repeat count

void CopyPalette(const std::uint8_t* data, std::size_t size, std::uint8_t* palette)
{
    if (size >= kPcxPaletteSize)
        std::memcpy(palette, data + size - kPcxPaletteSize, kPcxPaletteSize);
    else
        std::memset(palette, 0, kPcxPaletteSize);
}

// Expands the run-length stream [src, end) into out[0, capacity); returns how many bytes it
// stored. A count of up to 63 against what is left keeps every write inside `capacity`.
std::size_t ExpandRuns(const std::uint8_t* src, const std::uint8_t* end, std::uint8_t* out,
                       std::size_t capacity)
{
    std::size_t count = 0;
    while (count < capacity && src < end) {
        const std::uint8_t code = *src++;
        if (code < kRunFlag) {
            out[count++] = code;
            continue;
        }
        if (src == end)
            break;  // the data stops between a run byte and its value
        const std::uint8_t value = *src++;
        std::size_t repeat = code & kRunCount;
        if (repeat > capacity - count)
            repeat = capacity - count;
        std::memset(out + count, value, repeat);
        count += repeat;
    }
    return count;
}

}  // namespace

void DecodePcx(const std::uint8_t* data, std::size_t size, std::uint8_t* pixels,
               std::uint8_t* palette, int capacity)
{
    if (palette)
        CopyPalette(data, size, palette);
    if (!pixels || capacity <= 0)
        return;

    const std::size_t room = static_cast<std::size_t>(capacity);
    std::size_t stored = 0;
    if (size > kPcxHeaderSize + kPcxTrailerSize)
        stored = ExpandRuns(data + kPcxHeaderSize, data + size - kPcxTrailerSize, pixels, room);
    std::memset(pixels + stored, 0, room - stored);
}
