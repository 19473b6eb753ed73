// The CPU's sharp scaling (CAreaScaler) of a 640x480 picture to the size a 1920x1080 and a
// 3840x2160 screen show it at, beside a copy of a picture of that size: the memory traffic
// floor of writing the result.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "baseline.h"
#include "portable/display/area_scaler.h"

namespace {

constexpr int kFromWidth = 640;
constexpr int kFromHeight = 480;

void AreaScale(benchmark::State& state)
{
    const int nWidth = static_cast<int>(state.range(0)), nHeight = static_cast<int>(state.range(1));
    std::vector<std::uint32_t> from(static_cast<std::size_t>(kFromWidth) * kFromHeight);
    for (std::size_t i = 0; i < from.size(); ++i)
        from[i] = static_cast<std::uint32_t>(i * 2654435761u);
    std::vector<std::uint32_t> to(static_cast<std::size_t>(nWidth) * nHeight);
    portable::CAreaScaler scaler;
    scaler.Resize(kFromWidth, kFromHeight, nWidth, nHeight);
    for (auto _ : state) {
        scaler.Scale(reinterpret_cast<const std::uint8_t*>(from.data()), kFromWidth * 4,
                     reinterpret_cast<std::uint8_t*>(to.data()), nWidth * 4L);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

void CopyScaled(benchmark::State& state)
{
    const std::size_t nWords = static_cast<std::size_t>(state.range(0)) * static_cast<std::size_t>(state.range(1));
    const std::vector<std::uint32_t> from(nWords, 0x00336699u);
    std::vector<std::uint32_t> to(nWords);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), nWords * 4);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(AreaScale)->Name("AreaScaler/Scale")->Args({1440, 1080})->Args({2880, 2160})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(CopyScaled)->Name("AreaScaler/Copy")->Args({1440, 1080})->Args({2880, 2160})
    ->Unit(benchmark::kMicrosecond);

KORVAN_BASELINE("AreaScaler/Scale/1440/1080", "AreaScaler/Copy/1440/1080");
KORVAN_BASELINE("AreaScaler/Scale/2880/2160", "AreaScaler/Copy/2880/2160");
