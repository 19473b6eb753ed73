// The scene: the embedded logo as decoded from the program's resources, and composed frames
// checked pixel by pixel against an independent relief shaded at the same light phase.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bump_map.h"
#include "checks.h"
#include "intro_scene.h"
#include "pcx.h"
#include "pixel16.h"

namespace {

struct SLogo
{
    std::vector<unsigned char> Pixels = std::vector<unsigned char>(kLogoPixels, 0xAA);
    std::vector<unsigned char> Palette = std::vector<unsigned char>(kPcxPaletteSize, 0xAA);
};

SLogo LoadEmbeddedLogo()
{
    SLogo logo;
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kLogoResourceId), kLogoResourceType);
    EXPECT_NE(resource, nullptr);
    EXPECT_EQ(CIntroScene::LoadPcxResource(nullptr, resource, logo.Pixels.data(),
                                           logo.Palette.data(), kLogoPixels), 0);
    return logo;
}

TEST(SceneLogo, EmbeddedLogoDecodesToItsGoldenChecksums)
{
    // CRC-32 of the 96,000 indices and of the palette, from a separate decoder's reading of
    // resources/logo.pcx; regenerate them with the art.
    const SLogo logo = LoadEmbeddedLogo();
    EXPECT_EQ(ktest::Crc32(logo.Pixels.data(), logo.Pixels.size()), 0x6D42214Eu);
    EXPECT_EQ(ktest::Crc32(logo.Palette.data(), logo.Palette.size()), 0x645C4AC1u);
}

TEST(SceneLogo, BackgroundIsTransparentAndLettersNever)
{
    // About two thirds background; no letter pixel may pack to the transparent 0 in either
    // layout (a hole in a letter would show the relief through it).
    const SLogo logo = LoadEmbeddedLogo();
    int background = 0;
    for (unsigned char index : logo.Pixels) {
        const unsigned char* rgb = &logo.Palette[3 * index];
        const bool transparent = PackRgb(rgb[0], rgb[1], rgb[2], kMode555) == 0;
        EXPECT_EQ(transparent, PackRgb(rgb[0], rgb[1], rgb[2], kMode565) == 0);
        EXPECT_EQ(transparent, index == 0) << "palette entry " << int(index);
        background += transparent;
    }
    EXPECT_GT(background, kLogoPixels * 60 / 100);
    EXPECT_LT(background, kLogoPixels * 75 / 100);
}

TEST(SceneLogo, MissingResourceGivesABlankPicture)
{
    SLogo logo;
    const LPCSTR otherId = MAKEINTRESOURCEA(kLogoResourceId + 1);
    EXPECT_EQ(FindResourceA(nullptr, otherId, kLogoResourceType), nullptr);
    EXPECT_EQ(CIntroScene::LoadPcxResource(nullptr, nullptr, logo.Pixels.data(),
                                           logo.Palette.data(), kLogoPixels), 0);
    EXPECT_EQ(logo.Pixels, std::vector<unsigned char>(kLogoPixels, 0));
    EXPECT_EQ(logo.Palette, std::vector<unsigned char>(kPcxPaletteSize, 0));
}

// The relief word as the frame must hold it: as is in 5-5-5; in 5-6-5 the same grey level s
// with the nearest 6-bit green, round(63 s / 31).
std::uint16_t ReliefInFrame(std::uint16_t word, int mode)
{
    const int s = word & 0x1F;
    EXPECT_EQ(word, s * 0x421) << "relief not grey";
    if (mode != kMode565)
        return word;
    return static_cast<std::uint16_t>(s << 11 | (s * 126 + 31) / 62 << 5 | s);
}

class SceneFrame : public ::testing::TestWithParam<int> {};

TEST_P(SceneFrame, ReliefWithTheLogoOverItAtRow180)
{
    const int mode = GetParam();
    const int savedPhase = g_nLightPhase;
    g_nLightPhase = 100;
    auto scene = std::make_unique<CIntroScene>(mode);
    scene->Render();
    scene->Render();

    // The same light step on a separate relief: the phase the second Render started from.
    g_nLightPhase = 102;
    auto relief = std::make_unique<CBumpMap>(mode);
    relief->Shade();
    g_nLightPhase = savedPhase;

    const SLogo logo = LoadEmbeddedLogo();
    const std::uint16_t* frame = scene->GetFrame();
    const std::uint16_t* image = relief->GetImage();
    int mismatches = 0, logoShown = 0, reliefShown = 0;
    for (int k = 0; k < kFramePixels; ++k) {
        const int row = k / kFrameWidth;
        std::uint16_t expected = ReliefInFrame(image[k], mode);
        if (row >= kLogoTop && row < kLogoTop + kLogoHeight) {
            const unsigned char* rgb = &logo.Palette[3 * logo.Pixels[k - kLogoTop * kFrameWidth]];
            if (std::uint16_t word = PackRgb(rgb[0], rgb[1], rgb[2], mode)) {
                expected = word;
                ++logoShown;
            } else {
                reliefShown += expected != 0;
            }
        }
        if (row >= 477)
            expected = 0;  // never shaded
        mismatches += frame[k] != expected;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(logoShown, 0);
    EXPECT_GT(reliefShown, 0) << "the light never shows between the letters";
}

INSTANTIATE_TEST_SUITE_P(Layouts, SceneFrame, ::testing::Values(kMode555, kMode565),
                         [](const auto& info) {
                             return info.param == kMode565 ? "Rgb565" : "Rgb555";
                         });

}  // namespace
