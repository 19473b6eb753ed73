// The scene's memory behaviour: a frame allocates nothing, and a relief that cannot be
// allocated leaves a scene that still renders. Its own executable, because it replaces the
// global operator new (counting calls, failing the no-throw form on demand).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bump_map.h"
#include "counting_new.h"
#include "intro_scene.h"
#include "pcx.h"
#include "pixel16.h"

using ktest::g_bFailNoThrowNew;
using ktest::g_nNewCalls;

namespace {

TEST(SceneAlloc, RenderAllocatesNothingInEitherLayout)
{
    for (int mode : {kMode555, kMode565}) {
        auto scene = std::make_unique<CIntroScene>(mode);
        const long before = g_nNewCalls;
        for (int n = 0; n < 3; ++n)
            scene->Render();
        EXPECT_EQ(g_nNewCalls - before, 0) << "mode " << mode;
    }
}

TEST(SceneAlloc, WithoutAReliefFramesAreBlackWithTheLogo)
{
    g_bFailNoThrowNew = true;
    auto scene = std::make_unique<CIntroScene>(kMode565);
    g_bFailNoThrowNew = false;
    const int phase = g_nLightPhase;
    scene->Render();
    scene->Render();
    EXPECT_EQ(g_nLightPhase, phase) << "no relief was shaded";

    std::vector<unsigned char> pixels(kLogoPixels), palette(kPcxPaletteSize);
    CIntroScene::LoadPcxResource(
        nullptr, FindResourceA(nullptr, MAKEINTRESOURCEA(kLogoResourceId), kLogoResourceType),
        pixels.data(), palette.data(), kLogoPixels);
    const std::uint16_t* frame = scene->GetFrame();
    int mismatches = 0;
    for (int k = 0; k < kFramePixels; ++k) {
        const int logoIndex = k - kLogoTop * kFrameWidth;
        std::uint16_t expected = 0;
        if (logoIndex >= 0 && logoIndex < kLogoPixels) {
            const unsigned char* rgb = &palette[3 * pixels[logoIndex]];
            expected = PackRgb(rgb[0], rgb[1], rgb[2], kMode565);
        }
        mismatches += frame[k] != expected;
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
