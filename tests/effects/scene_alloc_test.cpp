// The scene's memory behaviour: a frame allocates nothing, and a relief that cannot be
// allocated leaves a scene that still renders. Its own executable, because it replaces the
// global operator new (counting calls, failing the no-throw form on demand).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "bump_map.h"
#include "intro_scene.h"
#include "pcx.h"
#include "pixel16.h"

namespace {
int g_nNewCalls = 0;
bool g_bFailNoThrowNew = false;
}  // namespace

void* operator new(std::size_t size)
{
    ++g_nNewCalls;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++g_nNewCalls;
    return g_bFailNoThrowNew ? nullptr : std::malloc(size ? size : 1);
}

// Every block here comes from malloc and goes back to free; GCC, pairing new with delete by
// name, would warn once it inlines these into callers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

TEST(SceneAlloc, RenderAllocatesNothingInEitherLayout)
{
    for (int mode : {kMode555, kMode565}) {
        auto scene = std::make_unique<CIntroScene>(mode);
        const int before = g_nNewCalls;
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
