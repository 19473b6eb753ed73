// The window icon: the program's icon resource decoded to RGBA as an image viewer reads the
// .ico (pixels below read off with ImageMagick), the size chosen from the group, and images that
// are cut short or not of a kind we read refused without reading past the resource.
#include "platform_fixture.h"

#include "portable/user/icon.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ptest {
namespace {

struct SPixel {
    int x, y;
    std::array<std::uint8_t, 4> rgba;
};

struct SIconCase {
    const char* pszName;
    int nResource;
    int nAskedSize;
    bool bDecodes;
    int nSize;
    std::vector<SPixel> pixels;
};

constexpr std::array<std::uint8_t, 4> kClear{0, 0, 0, 0};
constexpr std::array<std::uint8_t, 4> kDarkGrey{72, 72, 72, 255};
constexpr std::array<std::uint8_t, 4> kPaleBlue{144, 174, 250, 255};
constexpr std::array<std::uint8_t, 4> kNavy{14, 10, 44, 255};

class IconImages : public ::testing::TestWithParam<SIconCase> {};

TEST_P(IconImages, DecodeAsAViewerShowsThem)
{
    const SIconCase& c = GetParam();
    HICON hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.nResource));
    ASSERT_NE(hIcon, nullptr);
    portable::SIconImage image;
    ASSERT_EQ(portable::LoadIconImage(hIcon, c.nAskedSize, image), c.bDecodes);
    if (!c.bDecodes)
        return;
    ASSERT_EQ(image.nWidth, c.nSize);
    ASSERT_EQ(image.nHeight, c.nSize);
    ASSERT_EQ(image.rgba.size(), static_cast<std::size_t>(c.nSize * c.nSize * 4));
    for (const SPixel& p : c.pixels) {
        const std::uint8_t* pAt = &image.rgba[static_cast<std::size_t>((p.y * c.nSize + p.x) * 4)];
        EXPECT_EQ((std::array<std::uint8_t, 4>{pAt[0], pAt[1], pAt[2], pAt[3]}), p.rgba)
            << "pixel " << p.x << "," << p.y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Platform, IconImages,
    ::testing::Values(
        // Corners masked out; the top row, centre and lower half tell the row order and the
        // palette's B, G, R order apart.
        SIconCase{"Program32", 101, 32, true, 32,
                  {{0, 0, kClear}, {31, 0, kClear}, {0, 31, kClear}, {31, 31, kClear},
                   {15, 0, kDarkGrey}, {16, 16, kPaleBlue}, {20, 12, kNavy},
                   {10, 10, {178, 200, 252, 255}}, {16, 24, {156, 156, 156, 255}},
                   {4, 20, kDarkGrey}}},
        SIconCase{"Program16", 101, 16, true, 16,
                  {{0, 0, kClear}, {7, 0, kDarkGrey}, {7, 7, kPaleBlue}, {8, 8, kNavy}}},
        SIconCase{"NoSuchSizeTakesTheLargest", 101, 48, true, 32, {{16, 16, kPaleBlue}}},
        // The test script's icon holds placeholder bytes, not bitmaps.
        SIconCase{"NotABitmap", 301, 32, false, 0, {}}),
    [](const ::testing::TestParamInfo<SIconCase>& info) { return info.param.pszName; });

TEST(IconHandles, SystemIconAndNullAreNotReadAsResources)
{
    portable::SIconImage image;
    EXPECT_FALSE(portable::LoadIconImage(LoadIconA(nullptr, IDI_APPLICATION), 32, image));
    EXPECT_FALSE(portable::LoadIconImage(nullptr, 32, image));
}

// The program's 32x32 image: 40-byte header, 16 colours, 32 rows of 16 bytes, 32 mask rows of 4.
std::vector<std::uint8_t> ProgramImage32()
{
    HRSRC hGroup = FindResourceA(nullptr, MAKEINTRESOURCEA(101), RT_GROUP_ICON);
    const auto* pGroup = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, hGroup)));
    const int nId = pGroup[6 + 12] | (pGroup[6 + 13] << 8);  // first entry: the 32x32 one
    HRSRC hImage = FindResourceA(nullptr, MAKEINTRESOURCEA(nId), RT_ICON);
    const auto* pBytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, hImage)));
    return {pBytes, pBytes + SizeofResource(nullptr, hImage)};
}

struct SBadImageCase {
    const char* pszName;
    std::size_t nKeep;   // bytes kept; 0 keeps all
    std::size_t nPatchAt;  // byte set to nPatchValue; 0 patches nothing
    std::uint8_t nPatchValue;
};

constexpr std::size_t kImage32Size = 40 + 16 * 4 + 32 * 16 + 32 * 4;

class BadIconImages : public ::testing::TestWithParam<SBadImageCase> {};

TEST_P(BadIconImages, AreRefusedWithoutReadingPastTheResource)
{
    const SBadImageCase& c = GetParam();
    std::vector<std::uint8_t> bytes = ProgramImage32();
    ASSERT_EQ(bytes.size(), kImage32Size);
    if (c.nKeep)
        bytes.resize(c.nKeep);  // an exact-size copy, so a sanitizer sees any over-read
    if (c.nPatchAt)
        bytes[c.nPatchAt] = c.nPatchValue;
    bytes.shrink_to_fit();
    portable::SIconImage image;
    EXPECT_FALSE(portable::DecodeIconImage(bytes.data(), bytes.size(), image));
    EXPECT_TRUE(image.rgba.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Platform, BadIconImages,
    ::testing::Values(
        SBadImageCase{"HeaderCut", 39, 0, 0},
        SBadImageCase{"PaletteCut", 40 + 16 * 4 - 1, 0, 0},
        SBadImageCase{"ColourRowsCut", 40 + 16 * 4 + 32 * 16 - 1, 0, 0},
        SBadImageCase{"LastMaskByteMissing", kImage32Size - 1, 0, 0},
        SBadImageCase{"HeaderLongerThanTheImage", 0, 1, 0x10},
        SBadImageCase{"TrueColourNotRead", 0, 14, 24},
        SBadImageCase{"MoreColoursThanFourBitsHold", 0, 32, 17},
        SBadImageCase{"Compressed", 0, 16, 2},
        SBadImageCase{"OddHeightHasNoMask", 0, 8, 63},
        SBadImageCase{"TooWide", 0, 5, 0x10}),
    [](const ::testing::TestParamInfo<SBadImageCase>& info) { return info.param.pszName; });

TEST(IconDecoder, IndexBeyondTheUsedColoursIsRefused)
{
    std::vector<std::uint8_t> bytes = ProgramImage32();
    bytes[32] = 2;  // only two colours used, but the image draws with more
    portable::SIconImage image;
    EXPECT_FALSE(portable::DecodeIconImage(bytes.data(), bytes.size(), image));
}

}  // namespace
}  // namespace ptest
