// The height field: each construction step against the check values worked out for the
// relief, and the finished field against its CRC-32.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "bump_map_probe.h"
#include "checks.h"

namespace {

constexpr int kW = CBumpMap::kWidth;
constexpr int kH = CBumpMap::kHeight;

struct SStepFields
{
    std::vector<std::uint8_t> texture = std::vector<std::uint8_t>(CBumpMap::kTextureSize, 0);
    std::vector<std::uint16_t> height = std::vector<std::uint16_t>(CBumpMap::kPixels, 0);
};

TEST(BumpMapBuild, XorTilesAre255Wide)
{
    SStepFields fields;
    CBumpMapProbe::BuildTexture(fields.texture.data());
    const auto byte = [&](int r, int c) { return fields.texture[CBumpMap::kTextureWidth * r + c]; };
    EXPECT_EQ(byte(0, 0), 0);
    EXPECT_EQ(byte(0, 254), 254);
    EXPECT_EQ(byte(0, 255), 0);  // the second tile begins
    EXPECT_EQ(byte(1, 254), 255);
    EXPECT_EQ(byte(256, 256), 0);
    for (int r = 0; r < CBumpMap::kTextureHeight; ++r)
        for (int c = 1020; c < CBumpMap::kTextureWidth; ++c)
            ASSERT_EQ(byte(r, c), 0) << "row " << r << " column " << c;
    for (int r = 510; r < CBumpMap::kTextureHeight; ++r)
        for (int c = 0; c < CBumpMap::kTextureWidth; ++c)
            ASSERT_EQ(byte(r, c), 0) << "row " << r << " column " << c;
}

TEST(BumpMapBuild, DisplacementLeavesTwoInitialHeights)
{
    SStepFields fields;
    CBumpMapProbe::BuildTexture(fields.texture.data());
    CBumpMapProbe::InitHeights(fields.height.data(), fields.texture.data());
    EXPECT_EQ(At(fields.height.data(), 1, 254), 65535);
    EXPECT_EQ(At(fields.height.data(), 256, 512), 771);

    CBumpMapProbe::Displace(fields.height.data(), fields.texture.data());
    EXPECT_EQ(At(fields.height.data(), 256, 256), 0);
    EXPECT_EQ(At(fields.height.data(), 256, 512), 771);
    for (int r = 0; r < kH; ++r)
        for (int c = 0; c < kW; ++c)
            if (!(r == 256 && c == 512))
            {
                ASSERT_LE(At(fields.height.data(), r, c), 255) << "row " << r << " column " << c;
            }

    // The remaining steps over these arrays give the constructor's field: the steps tested
    // here are the ones it runs.
    CBumpMapProbe::Smooth(fields.height.data());
    CBumpMapProbe::Double(fields.height.data());
    const auto bump = CBumpMapProbe::Make();
    EXPECT_EQ(0, std::memcmp(fields.height.data(), bump->Height(), sizeof(std::uint16_t) * kW * kH));
    EXPECT_EQ(0, std::memcmp(fields.texture.data(), bump->Texture(), CBumpMap::kTextureSize));
}

TEST(BumpMapBuild, FinishedFieldMatchesCheckValues)
{
    const auto bump = CBumpMapProbe::Make();
    const std::uint16_t* pField = bump->Height();
    struct SCase
    {
        int nRow, nCol, nValue;
    };
    const SCase cases[] = {
        {0, 0, 490},     {0, 1, 498},     {0, 639, 476},   {1, 0, 490},   {240, 320, 456},
        {256, 256, 472}, {256, 512, 528}, {256, 511, 538}, {479, 0, 488}, {479, 639, 476},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(At(pField, c.nRow, c.nCol), c.nValue) << "row " << c.nRow << " column " << c.nCol;

    const auto range = std::minmax_element(pField, pField + CBumpMap::kPixels);
    EXPECT_EQ(*range.first, 326);
    EXPECT_EQ(*range.second, 538);
    int nAbove510 = 0;
    for (int r = 0; r < kH; ++r)
        for (int c = 0; c < kW; ++c)
        {
            ASSERT_EQ(At(pField, r, c) % 2, 0) << "row " << r << " column " << c;
            if (At(pField, r, c) <= 510)
                continue;
            ++nAbove510;
            EXPECT_TRUE(r >= 254 && r <= 258 && c >= 510 && c <= 513) << "row " << r << " column " << c;
        }
    EXPECT_EQ(nAbove510, 13);
    EXPECT_EQ(ktest::Crc32(pField, sizeof(std::uint16_t) * CBumpMap::kPixels), 0x115706CEu);
}

TEST(BumpMapBuild, ModeOnlyStored)
{
    const auto bump0 = CBumpMapProbe::Make(0);
    const auto bump1 = CBumpMapProbe::Make(1);
    EXPECT_EQ(0, std::memcmp(bump0->Height(), bump1->Height(), sizeof(std::uint16_t) * CBumpMap::kPixels));
    for (const CBumpMapProbe* pBump : {bump0.get(), bump1.get()})
        EXPECT_TRUE(std::all_of(pBump->GetImage(), pBump->GetImage() + CBumpMap::kPixels,
                                [](std::uint16_t w) { return w == 0; }));
}

TEST(BumpMapBuild, ClampLimitsTo0Through255)
{
    const int cases[][2] = {{INT_MIN, 0}, {-1, 0}, {0, 0}, {1, 1}, {254, 254}, {255, 255}, {256, 255}, {INT_MAX, 255}};
    for (const auto& c : cases)
        EXPECT_EQ(CBumpMap::Clamp(c[0]), c[1]) << "Clamp(" << c[0] << ")";
}

}  // namespace
