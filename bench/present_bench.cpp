// The platform's present path on a real display (a Flip as the SDL display shows it: the
// 5-6-5 picture converted to RGB, uploaded, letterboxed and presented) beside a bare SDL2 loop
// that uploads a 640x480 ARGB8888 texture and presents it, in windows of the same size. Both
// present without waiting for the refresh, so they measure cost, not the display's rate.
// Then the CPU the whole program takes to play (fullscreen, its own timer, waits and all) beside
// bare_sdl_loop, both run as programs of their own, alternated, each measured over the same
// stretch of its steady state. Needs a display (an X server such as Xvfb, or Wayland); without
// one all are skipped. The baseline is SDL itself, so this file, unlike the rest of bench/,
// includes SDL.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "baseline.h"
#include "winapi.h"
#include "portable/testing/testing.h"
#include "portable/ddraw/present.h"
#include "portable/display/display.h"

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
        return portable::g_DeviceDisplay.Start({.bWindowed = true, .bVsync = false}, s_Error) &&
               portable::g_DeviceDisplay.ShowWindow("korvan_bench", nullptr, s_Error);
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
    portable::UseDisplay(portable::g_DeviceDisplay);  // Reset made the world headless again
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    int nFrame = 0;
    for (auto _ : state) {
        FillFrame(pixels, ++nFrame);
        portable::Display().PumpEvents(0);
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

// CPU time (ns) of every thread of process `pid` so far (a software GL renders on threads of
// its own).
long long ProcessCpuNs(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    long long nTotal = 0;
    DIR* pDir = opendir(tasks.c_str());
    if (!pDir)
        return -1;
    while (dirent* pEntry = readdir(pDir)) {
        if (pEntry->d_name[0] == '.')
            continue;
        if (std::FILE* pFile = std::fopen((tasks + "/" + pEntry->d_name + "/schedstat").c_str(), "r")) {
            long long nNs = 0;
            if (std::fscanf(pFile, "%lld", &nNs) == 1)
                nTotal += nNs;
            std::fclose(pFile);
        }
    }
    closedir(pDir);
    return nTotal;
}

// Starts `argv`, lets it settle, and answers the share of one CPU it takes over the next
// stretch; -1 when it could not be run or ended early.
double CpuShareOf(const std::vector<const char*>& argv)
{
    using namespace std::chrono_literals;
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        execv(argv[0], const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    std::this_thread::sleep_for(3s);  // the window opened, switched and drawing, the scene built
    const auto tStart = std::chrono::steady_clock::now();
    const long long nStart = ProcessCpuNs(pid);
    std::this_thread::sleep_for(4s);
    const long long nEnd = ProcessCpuNs(pid);
    const double dWallNs = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - tStart).count();
    kill(pid, SIGTERM);
    for (int nTry = 0; waitpid(pid, nullptr, WNOHANG) == 0; ++nTry) {
        if (nTry == 50)
            kill(pid, SIGKILL);  // it did not end within 5 s: its measurement stands
        std::this_thread::sleep_for(100ms);
    }
    return nStart >= 0 && nEnd > nStart ? (nEnd - nStart) / dWallNs : -1;
}

// The whole program against the bare loop, five rounds alternated; the ratio is the median of
// the rounds' ratios. Each round also runs the program with --scale nearest, the scaling the bare
// loop does, so the cost of sharp scaling (its extra pass) shows beside it.
void PlayProgram(benchmark::State& state)
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        state.SkipWithError("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
        return;
    }
    // KORVAN_BENCH_PROGRAM: another build of the program to measure, e.g. an older one.
    const char* pszProgram = std::getenv("KORVAN_BENCH_PROGRAM");
    if (!pszProgram)
        pszProgram = KORVAN_PROGRAM;
    for (auto _ : state) {
        std::vector<double> program, nearest, bare, ratios, nearestRatios;
        for (int nRound = 0; nRound < 5; ++nRound) {
            program.push_back(CpuShareOf({pszProgram, nullptr}));
            nearest.push_back(CpuShareOf({pszProgram, "--scale", "nearest", nullptr}));
            bare.push_back(CpuShareOf({KORVAN_BARE_SDL_LOOP, nullptr}));
            if (program.back() <= 0 || nearest.back() <= 0 || bare.back() <= 0) {
                state.SkipWithError("the program or the bare loop did not run");
                return;
            }
            ratios.push_back(program.back() / bare.back());
            nearestRatios.push_back(nearest.back() / bare.back());
            std::printf("Play round %d: program %.1f%% CPU (--scale nearest %.1f%%), bare loop %.1f%%, "
                        "ratio %.3f (nearest %.3f)\n", nRound + 1, program.back() * 100, nearest.back() * 100,
                        bare.back() * 100, ratios.back(), nearestRatios.back());
            std::fflush(stdout);
        }
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        state.counters["program_cpu_pct"] = median(program) * 100;
        state.counters["bare_cpu_pct"] = median(bare) * 100;
        state.counters["ratio"] = median(ratios);
        state.counters["nearest_cpu_pct"] = median(nearest) * 100;
        state.counters["nearest_ratio"] = median(nearestRatios);
    }
}

}  // namespace

BENCHMARK(PlayProgram)->Name("Play/ProgramVsBareSdl")->Iterations(1)->Repetitions(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PlatformPresent)->Name("Present/Platform")->Unit(benchmark::kMicrosecond);
BENCHMARK(BareSdlPresent)->Name("Present/BareSdl")->Unit(benchmark::kMicrosecond);

KORVAN_BASELINE("Present/Platform", "Present/BareSdl");
