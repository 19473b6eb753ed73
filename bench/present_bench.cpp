// The platform's present path on a real display (a Flip as the SDL display shows it: the
// 5-6-5 picture converted to RGB, uploaded, letterboxed and presented) beside a bare SDL2 loop
// that uploads a 640x480 ARGB8888 texture and presents it, in windows of the same size. Both
// present without waiting for the refresh, so they measure cost, not the display's rate.
// Needs a display (an X server such as Xvfb, or Wayland); without one both are skipped.
// The baseline is SDL itself, so this file, unlike the rest of bench/, includes SDL.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "baseline.h"
#include "winapi.h"
#include "portable/world.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// One picture of the intro's kind: a 5-6-5 gradient that changes every frame.
void FillFrame(std::vector<std::uint16_t>& pixels, int nFrame)
{
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pixels[static_cast<std::size_t>(y) * kWidth + x] = static_cast<std::uint16_t>(x * 37 + y * 11 + nFrame);
}

// Each display is opened once and kept for the whole run: every repetition must run the same
// number of iterations, and a display opened again could fail or differ part way.
bool PlatformDisplay(std::string& error)
{
    static std::string s_Error;
    static const bool s_bOpen = [] {
        portable::g_Settings.bHeadless = false;
        portable::g_Settings.bWindowed = true;
        portable::g_Settings.bVsync = false;
        if (!portable::DisplayStart(s_Error))
            return false;
        portable::DisplayShowWindow("korvan_bench", nullptr);
        return true;
    }();
    error = s_Error;
    return s_bOpen;
}

void PlatformPresent(benchmark::State& state)
{
    portable::test::Reset();
    std::string error;
    if (!PlatformDisplay(error)) {
        state.SkipWithError(("no display: " + error).c_str());
        return;
    }
    portable::g_Settings.bHeadless = false;  // Reset made the world headless again
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    int nFrame = 0;
    for (auto _ : state) {
        FillFrame(pixels, ++nFrame);
        portable::DisplayPumpEvents(0);
        portable::PresentPicture(portable::DisplayFormat::Rgb565,
                                 reinterpret_cast<const std::uint8_t*>(pixels.data()), kWidth * 2,
                                 nullptr, false);
    }
    portable::test::Reset();
}

struct SBareSdl {
    SDL_Window* pWindow = nullptr;
    SDL_Renderer* pRenderer = nullptr;
    SDL_Texture* pTexture = nullptr;
};

const SBareSdl& BareSdl()
{
    static const SBareSdl s_Bare = [] {
        SBareSdl bare;
        if (SDL_Init(SDL_INIT_VIDEO) != 0)
            return bare;
        bare.pWindow = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        kWidth, kHeight, 0);
        if (bare.pWindow)
            bare.pRenderer = SDL_CreateRenderer(bare.pWindow, -1, SDL_RENDERER_ACCELERATED);
        if (bare.pRenderer)
            bare.pTexture = SDL_CreateTexture(bare.pRenderer, SDL_PIXELFORMAT_ARGB8888,
                                              SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight);
        return bare;
    }();
    return s_Bare;
}

// Plain baseline: what any SDL2 program pays to show a 640x480 picture.
void BareSdlPresent(benchmark::State& state)
{
    std::string error;
    if (!PlatformDisplay(error)) {  // SDL would fall back to an invisible driver: nothing to compare
        state.SkipWithError(("no display: " + error).c_str());
        return;
    }
    const SBareSdl& bare = BareSdl();
    if (!bare.pTexture) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    std::uint32_t nFrame = 0;
    for (auto _ : state) {
        ++nFrame;
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 37 + nFrame);
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        SDL_UpdateTexture(bare.pTexture, nullptr, pixels.data(), kWidth * 4);
        SDL_RenderClear(bare.pRenderer);
        SDL_RenderCopy(bare.pRenderer, bare.pTexture, nullptr, nullptr);
        SDL_RenderPresent(bare.pRenderer);
    }
}

}  // namespace

BENCHMARK(PlatformPresent)->Name("Present/Platform")->Unit(benchmark::kMicrosecond);
BENCHMARK(BareSdlPresent)->Name("Present/BareSdl")->Unit(benchmark::kMicrosecond);

KORVAN_BASELINE("Present/Platform", "Present/BareSdl");
