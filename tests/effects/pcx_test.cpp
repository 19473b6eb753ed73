// The PCX reader against hostile and odd input, and the 16-bit conversion against its check
// values. Every input sits in a heap block of exactly its size, so the sanitizer build flags
// even a one-byte over-read; outputs start as 0xAA so a missed write shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pcx.h"
#include "pixel16.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kCapacity = 96000;

Bytes CleanHeader()
{
    Bytes header(kPcxHeaderSize, 0);
    header[0] = 0x0A, header[1] = 5, header[2] = 1, header[3] = 8;
    header[8] = 0x7F, header[9] = 0x02;    // Xmax 639
    header[10] = 0x95;                     // Ymax 149
    header[65] = 1;                        // planes
    header[66] = 0x80, header[67] = 0x02;  // 640 bytes per line
    return header;
}

Bytes GarbageHeader()
{
    Bytes header(kPcxHeaderSize, 0xFF);  // Xmax 0xFFFF, bytes per line -1, 255 planes
    header[66] = 0, header[67] = 0;       // ... and bytes per line 0
    return header;
}

Bytes TestPalette()
{
    Bytes palette(kPcxPaletteSize);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return palette;
}

Bytes File(const Bytes& data, const Bytes& header = CleanHeader(), std::uint8_t marker = 0x0C)
{
    Bytes file = header;
    file.insert(file.end(), data.begin(), data.end());
    file.push_back(marker);
    const Bytes palette = TestPalette();
    file.insert(file.end(), palette.begin(), palette.end());
    return file;
}

Bytes Repeat(std::size_t count, std::uint8_t value)
{
    return Bytes(count, value);
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// `count` pixels of `value` as full 63-pixel runs plus one shorter run.
Bytes Runs(std::size_t count, std::uint8_t value)
{
    Bytes data;
    for (; count >= 63; count -= 63)
        data.insert(data.end(), {0xFF, value});
    if (count)
        data.insert(data.end(), {static_cast<std::uint8_t>(0xC0 | count), value});
    return data;
}

struct SDecoded
{
    Bytes Pixels;
    Bytes Palette;
};

SDecoded Decode(const Bytes& file, int capacity = kCapacity)
{
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[file.size()]);
    if (!file.empty())
        std::memcpy(exact.get(), file.data(), file.size());
    SDecoded out{Bytes(capacity, 0xAA), Bytes(kPcxPaletteSize, 0xAA)};
    DecodePcx(exact.get(), file.size(), out.Pixels.data(), out.Palette.data(), capacity);
    return out;
}

// What the decoder must produce: the given leading pixels, zeros after them.
Bytes Expected(const Bytes& leading, int capacity = kCapacity)
{
    Bytes pixels(capacity, 0);
    std::copy(leading.begin(), leading.end(), pixels.begin());
    return pixels;
}

Bytes TailOf(const Bytes& file)
{
    return Bytes(file.end() - kPcxPaletteSize, file.end());
}

struct SCase
{
    const char* pName;
    Bytes File;
    Bytes Pixels;   // expected, all `capacity` of them
    Bytes Palette;  // expected
    int nCapacity;
};

std::vector<SCase> Cases()
{
    const Bytes zeroPalette(kPcxPaletteSize, 0);
    const Bytes blank = Expected({});
    std::vector<SCase> cases = {
        {"Empty", {}, blank, zeroPalette, kCapacity},
        {"OneByte", {0x0A}, blank, zeroPalette, kCapacity},
        {"HeaderLessOne", Repeat(127, 0x41), blank, zeroPalette, kCapacity},
        {"HeaderOnly", CleanHeader(), blank, zeroPalette, kCapacity},
        {"HeaderAndOne", Join({CleanHeader(), {0x42}}), blank, zeroPalette, kCapacity},
    };
    // Long enough for a palette, too short for the header, marker and palette together: the
    // palette is the last 768 bytes, and none of them become pixels.
    const Bytes shortFile = Repeat(kPcxHeaderSize + kPcxTrailerSize - 1, 0x33);
    cases.push_back({"ShortOfTrailer", shortFile, blank, TailOf(shortFile), kCapacity});
    // Header, marker and palette with no pixel data between them.
    // The rest are well-formed files around the pixel data under test.
    auto add = [&cases](const char* name, const Bytes& file, const Bytes& leading) {
        cases.push_back({name, file, Expected(leading), TestPalette(), kCapacity});
    };
    add("NoPixelData", File({}), {});
    add("EndsAfterRunByte", File({5, 6, 0xC5}), {5, 6});
    add("EndsAfterFullRun", File({0xC3, 9}), {9, 9, 9});
    // 693 pixels of 9 coded in runs that straddle the end of the first line.
    add("RunsCrossLines", File(Runs(693, 9)), Repeat(693, 9));
    // 95,998 pixels, then a run of 63 with two places left: cut to two.
    add("RunPastCapacity", File(Join({Runs(95998, 1), {0xFF, 3}, {7, 7}})),
        Join({Repeat(95998, 1), {3, 3}}));
    cases.push_back({"RunPastSmallCapacity", File({0xFF, 7, 8}), Repeat(10, 7), TestPalette(), 10});
    add("ZeroRun", File({0xC0, 9, 4}), {4});
    add("RunOfOneHighValue", File({0xC1, 0xC5, 2}), {0xC5, 2});
    add("LongestRun", File({0xFF, 2}), Repeat(63, 2));
    // Pixel data made of the marker's value: still pixels, and the palette still from the end.
    add("MarkerValuesAsPixels", File(Repeat(100, 0x0C)), Repeat(100, 0x0C));
    // The marker is not checked: a wrong one changes nothing.
    add("WrongMarker", File({4, 5}, CleanHeader(), 0x99), {4, 5});
    add("GarbageHeader", File(Runs(700, 5), GarbageHeader()), Repeat(700, 5));
    return cases;
}

void PrintTo(const SCase& c, std::ostream* os)
{
    *os << c.pName;
}

class PcxDecode : public ::testing::TestWithParam<SCase> {};

TEST_P(PcxDecode, DecodesWithinTheDataAndZeroFillsTheRest)
{
    const SCase& c = GetParam();
    const SDecoded out = Decode(c.File, c.nCapacity);
    EXPECT_TRUE(out.Pixels == c.Pixels) << "pixels differ";
    EXPECT_TRUE(out.Palette == c.Palette) << "palette differs";
}

INSTANTIATE_TEST_SUITE_P(Inputs, PcxDecode, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.pName); });

TEST(PcxDecodeState, AStreamCutMidRunLeavesNoTraceInTheNext)
{
    const Bytes second = File({1, 2, 3});
    const SDecoded alone = Decode(second);
    Decode(File({0xFF}));  // ends after a run byte
    const SDecoded after = Decode(second);
    EXPECT_TRUE(after.Pixels == alone.Pixels);
    EXPECT_TRUE(after.Palette == alone.Palette);
}

TEST(PcxDecodeState, NullOutputsAndNoCapacityWriteNothing)
{
    const Bytes file = File({0xFF, 7});
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[file.size()]);
    std::memcpy(exact.get(), file.data(), file.size());
    Bytes palette(kPcxPaletteSize, 0xAA);
    DecodePcx(exact.get(), file.size(), nullptr, palette.data(), kCapacity);
    EXPECT_TRUE(palette == TestPalette());
    Bytes guard(4, 0xAA);
    DecodePcx(exact.get(), file.size(), guard.data(), nullptr, 0);
    DecodePcx(exact.get(), file.size(), guard.data(), nullptr, -5);
    EXPECT_TRUE(guard == Repeat(4, 0xAA));
}

struct SColour
{
    std::uint8_t r, g, b;
    std::uint16_t word555, word565;
};

TEST(PixelPack, ChecksAndExtremesInBothLayouts)
{
    // 5-6-5 keeps green's five bits in bits 5-9: full green is 0x03E0 there too, and white
    // is 0xF800 | 0x03E0 | 0x001F.
    const SColour colours[] = {
        {8, 0, 0, 0x0400, 0x0800},        {0, 255, 0, 0x03E0, 0x03E0}, {7, 7, 7, 0, 0},
        {255, 255, 255, 0x7FFF, 0xFBFF},  {255, 0, 0, 0x7C00, 0xF800}, {0, 0, 255, 0x001F, 0x001F},
        {0, 8, 0, 0x0020, 0x0020},        {0, 0, 8, 0x0001, 0x0001},   {0, 0, 0, 0, 0},
    };
    Bytes palette(kPcxPaletteSize, 0);
    Bytes picture;
    for (std::size_t i = 0; i < std::size(colours); ++i) {
        const SColour& c = colours[i];
        EXPECT_EQ(PackRgb(c.r, c.g, c.b, kMode555), c.word555) << i;
        EXPECT_EQ(PackRgb(c.r, c.g, c.b, kMode565), c.word565) << i;
        palette[3 * (i + 1)] = c.r, palette[3 * (i + 1) + 1] = c.g, palette[3 * (i + 1) + 2] = c.b;
        picture.push_back(static_cast<std::uint8_t>(i + 1));
    }
    for (int mode : {kMode555, kMode565}) {
        std::vector<std::uint16_t> words(picture.size());
        ConvertIndexed(picture.data(), palette.data(), words.data(), picture.size(), mode);
        for (std::size_t i = 0; i < std::size(colours); ++i)
            EXPECT_EQ(words[i], mode == kMode565 ? colours[i].word565 : colours[i].word555) << i;
    }
}

TEST(PixelPack, ReliefGreysStayGreyIn565)
{
    for (int s = 0; s < 32; ++s) {
        const std::uint16_t word = Word555To565(static_cast<std::uint16_t>(s * 0x421));
        EXPECT_EQ(word >> 11, s);
        EXPECT_EQ(word & 0x1F, s);
        // The 6-bit green nearest to 63 * s / 31, which never falls halfway between two.
        const int green = word >> 5 & 0x3F;
        EXPECT_EQ(green, (s * 63 * 2 + 31) / 62) << "level " << s;
    }
    EXPECT_EQ(Word555To565(0x7FFF), 0xFFFF);
    EXPECT_EQ(Word555To565(0x7C00), 0xF800);  // fields do not bleed into their neighbours
    EXPECT_EQ(Word555To565(0x03E0), 0x07E0);
    EXPECT_EQ(Word555To565(0x001F), 0x001F);
}

TEST(PixelPack, FastFrameTranslationEqualsThePlainLoop)
{
    // Every 16-bit word, at an odd offset so the vector loop has a head and a tail to handle.
    std::vector<std::uint16_t> words(65536 + 3), fast(words.size()), plain(words.size());
    for (std::size_t k = 0; k < words.size(); ++k)
        words[k] = static_cast<std::uint16_t>(k * 40503u);
    Convert555To565(words.data() + 1, fast.data() + 1, words.size() - 2);
    Convert555To565Plain(words.data() + 1, plain.data() + 1, words.size() - 2);
    EXPECT_TRUE(fast == plain);
    EXPECT_EQ(fast[0], 0);
    EXPECT_EQ(fast.back(), 0);
}

}  // namespace
