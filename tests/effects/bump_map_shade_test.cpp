// The bump shading: the light's path (light positions worked out to 300 bits outside this
// code), the phase counter and its wrap, the first frames' check values on every path, and
// every SIMD path against the plain loop on real and hostile fields, all pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bump_map_probe.h"
#include "checks.h"
#include "shade_kernel.h"

namespace {

constexpr int kW = CBumpMap::kWidth;
constexpr int kPixels = CBumpMap::kPixels;
constexpr std::uint16_t kWhite = 0x7FFF;
constexpr std::uint16_t kUntouched = 0xBEEF;

using Field = std::vector<std::uint16_t>;

std::uint32_t ImageCrc(const std::uint16_t* pImage)
{
    return ktest::Crc32(pImage, sizeof(std::uint16_t) * kPixels);
}

// Keeps the process-wide phase and shading path as other tests expect them.
class BumpMapShade : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_nSavedPhase = g_nLightPhase;
        m_eSavedPath = CurrentShadePath();
        g_nLightPhase = 0;
    }
    void TearDown() override
    {
        g_nLightPhase = m_nSavedPhase;
        SelectShadePath(m_eSavedPath);
    }

    int m_nSavedPhase = 0;
    EShadePath m_eSavedPath = EShadePath::Plain;
};

TEST_F(BumpMapShade, LightFollowsItsPath)
{
    struct SCase
    {
        int nPhase, nX, nY;
    };
    const SCase cases[] = {
        {2, 478, 250},
        {4, 472, 260},
        {40, 160, 358},
        // Where multiplying by 1/13 as a double and dividing by 13 disagree.
        {1671929670, 377, 122},
        {1739446742, 213, 247},
        {-1139353044, 330, 284},
        {2147483646, 441, 133},
        {INT_MIN, 423, 350},
    };
    for (const SCase& c : cases)
    {
        const CBumpMap::SLight light = CBumpMap::LightAt(c.nPhase);
        EXPECT_EQ(light.nX, c.nX) << "phase " << c.nPhase;
        EXPECT_EQ(light.nY, c.nY) << "phase " << c.nPhase;
    }
}

TEST_F(BumpMapShade, PhaseCountsCallsOnAnyObject)
{
    const auto first = CBumpMapProbe::Make();
    const auto second = CBumpMapProbe::Make();
    for (int n = 1; n <= 7; ++n)
    {
        (n % 2 ? first : second)->Shade();
        EXPECT_EQ(g_nLightPhase, 2 * n);
    }
}

TEST_F(BumpMapShade, PhaseWrapsToMostNegative)
{
    const auto bump = CBumpMapProbe::Make();
    Field expected(kPixels, 0);
    g_nLightPhase = 2147483646;
    bump->Shade();
    EXPECT_EQ(g_nLightPhase, INT_MIN);
    ShadePlain(expected.data(), bump->Height(), 423, 350);  // the light at t = -2147483648
    EXPECT_EQ(0, std::memcmp(expected.data(), bump->GetImage(), sizeof(std::uint16_t) * kPixels));
    bump->Shade();
    EXPECT_EQ(g_nLightPhase, -2147483646);
}

// Every path, so every path is held to the check values and not only to the plain loop.
class BumpMapShadePath : public BumpMapShade, public ::testing::WithParamInterface<EShadePath>
{
protected:
    void SetUp() override
    {
        BumpMapShade::SetUp();
        if (!SelectShadePath(GetParam()))
            GTEST_SKIP() << "path not available on this CPU or build";
    }
};

TEST_P(BumpMapShadePath, FirstFramesMatchCheckValues)
{
    const auto bump = CBumpMapProbe::Make();
    const std::uint16_t* pImage = bump->GetImage();
    bump->Shade();
    EXPECT_EQ(std::count(pImage, pImage + kPixels, kWhite), 222);
    EXPECT_EQ(ImageCrc(pImage), 0x48B35C17u);
    bump->Shade();
    EXPECT_EQ(ImageCrc(pImage), 0xFBEE320Cu);
    for (int n = 0; n < 50; ++n)
        bump->Shade();
    EXPECT_TRUE(std::all_of(pImage + kShadedRows * kW, pImage + kPixels, [](std::uint16_t w) { return w == 0; }));
}

TEST_P(BumpMapShadePath, EqualHeightsGiveADiamond)
{
    const Field flat(kPixels, 1000);
    Field image(kPixels, kUntouched);
    const int nX = 478, nY = 250;
    ShadeRows(image.data(), flat.data(), nX, nY);
    struct SCase
    {
        int nRow, nCol;
        std::uint16_t nWord;
    };
    const SCase cases[] = {
        {nY, nX, kWhite},          {nY + 3, nX - 4, kWhite}, {nY - 7, nX, kWhite},
        {nY, nX + 8, 0x7BDE}, {nY + 5, nX - 3, 0x7BDE}, {nY, nX - 247, 0x0421},
        {nY - 120, nX - 127, 0x0421}, {nY, nX - 248, 0},       {0, 0, 0},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(At(image.data(), c.nRow, c.nCol), c.nWord) << "row " << c.nRow << " column " << c.nCol;
    EXPECT_EQ(At(image.data(), kShadedRows, 0), kUntouched);
}

TEST_P(BumpMapShadePath, AlternatingExtremesGiveBlack)
{
    Field field(kPixels);
    for (int k = 0; k < kPixels; ++k)
        field[k] = k % 2 ? 0 : 65535;
    Field image(kPixels, kUntouched);
    ShadeRows(image.data(), field.data(), 320, 240);
    EXPECT_TRUE(std::all_of(image.begin(), image.begin() + kShadedRows * kW, [](std::uint16_t w) { return w == 0; }));
}

std::string PathName(const ::testing::TestParamInfo<EShadePath>& info)
{
    static const char* const s_names[] = {"Plain", "Sse2", "Avx2"};
    return s_names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(AllPaths, BumpMapShadePath,
                         ::testing::Values(EShadePath::Plain, EShadePath::Sse2, EShadePath::Avx2), PathName);

// Fields whose height differences sit on both sides of the points where the 16-bit lanes of
// the fast paths saturate (a difference past +-32767, a sum with the light's distance past
// it, |dx| + |dy| past 65535) and where d reaches 255, next to the real field.
std::vector<Field> HostileFields()
{
    std::vector<Field> fields;
    fields.emplace_back(kPixels, 0);
    fields.emplace_back(kPixels, 65535);
    Field alternating(kPixels);
    for (int k = 0; k < kPixels; ++k)
        alternating[k] = k % 2 ? 0 : 65535;
    fields.push_back(alternating);

    std::mt19937 random(20240613);
    const std::uint16_t edges[] = {0,     1,     255,   256,   384,   385,   639,   640,   32127, 32128, 32767,
                                   32768, 32769, 33407, 33408, 65279, 65280, 65534, 65535};
    Field nearEdges(kPixels);
    for (std::uint16_t& h : nearEdges)
        h = edges[random() % std::size(edges)];
    fields.push_back(nearEdges);
    Field uniform(kPixels);
    for (std::uint16_t& h : uniform)
        h = static_cast<std::uint16_t>(random());
    fields.push_back(uniform);
    return fields;
}

TEST_P(BumpMapShadePath, EqualsPlainLoopOnEveryPixel)
{
    const auto bump = CBumpMapProbe::Make();
    std::vector<Field> fields = HostileFields();
    fields.emplace_back(bump->Height(), bump->Height() + kPixels);
    const CBumpMap::SLight lights[] = {{0, 0}, {639, 479}, {0, 479}, {639, 0}, {160, 120}, {480, 360},
                                       {320, 240}, CBumpMap::LightAt(2), CBumpMap::LightAt(INT_MIN)};
    Field expected(kPixels), actual(kPixels);
    for (std::size_t f = 0; f < fields.size(); ++f)
        for (const CBumpMap::SLight& light : lights)
        {
            std::fill(expected.begin(), expected.end(), kUntouched);
            std::fill(actual.begin(), actual.end(), kUntouched);
            ShadePlain(expected.data(), fields[f].data(), light.nX, light.nY);
            ShadeRows(actual.data(), fields[f].data(), light.nX, light.nY);
            const auto diff = std::mismatch(expected.begin(), expected.end(), actual.begin());
            ASSERT_TRUE(diff.first == expected.end())
                << "field " << f << ", light " << light.nX << "," << light.nY << ": first difference at word "
                << (diff.first - expected.begin());
        }
}

// A light off the screen would overflow the 16-bit lanes; ShadeRows must not take them.
TEST_P(BumpMapShadePath, LightOffScreenStillExact)
{
    const std::vector<Field> fields = HostileFields();
    Field expected(kPixels), actual(kPixels);
    for (const CBumpMap::SLight& light : {CBumpMap::SLight{-40000, 240}, CBumpMap::SLight{320, 40000}})
    {
        ShadePlain(expected.data(), fields.back().data(), light.nX, light.nY);
        ShadeRows(actual.data(), fields.back().data(), light.nX, light.nY);
        EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + kShadedRows * kW, actual.begin()));
    }
}

}  // namespace
