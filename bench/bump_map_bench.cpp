// The relief effect: Shade on the path chosen at run time and on each forced path, beside the
// plain loop it must beat and a copy of the image (the memory traffic floor); construction.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "baseline.h"
#include "bump_map.h"
#include "shade_kernel.h"

namespace {

constexpr std::size_t kImageBytes = sizeof(std::uint16_t) * CBumpMap::kPixels;

void ShadeOnPath(benchmark::State& state, EShadePath ePath)
{
    const EShadePath eSaved = CurrentShadePath();
    if (!SelectShadePath(ePath))
    {
        state.SkipWithError("path not available on this CPU or build");
        return;
    }
    const auto bump = std::make_unique<CBumpMap>(1);
    for (auto _ : state)
    {
        bump->Shade();
        benchmark::DoNotOptimize(bump->GetImage());
        benchmark::ClobberMemory();
    }
    SelectShadePath(eSaved);
}

void BumpMapShade(benchmark::State& state)
{
    ShadeOnPath(state, CurrentShadePath());
}

void BumpMapShadePlain(benchmark::State& state)
{
    ShadeOnPath(state, EShadePath::Plain);
}

void BumpMapShadeSse2(benchmark::State& state)
{
    ShadeOnPath(state, EShadePath::Sse2);
}

void BumpMapCopyImage(benchmark::State& state)
{
    const auto bump = std::make_unique<CBumpMap>(1);
    std::vector<std::uint16_t> frame(CBumpMap::kPixels);
    for (auto _ : state)
    {
        std::memcpy(frame.data(), bump->GetImage(), kImageBytes);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}

// Into storage allocated once, so the figure is the six steps and not the allocator.
void BumpMapConstruct(benchmark::State& state)
{
    struct alignas(CBumpMap) SStorage
    {
        unsigned char bytes[sizeof(CBumpMap)];
    };
    const auto storage = std::make_unique<SStorage>();
    for (auto _ : state)
    {
        CBumpMap* pBump = new (storage->bytes) CBumpMap(1);
        benchmark::DoNotOptimize(pBump);
        benchmark::ClobberMemory();
        pBump->~CBumpMap();
    }
}

}  // namespace

BENCHMARK(BumpMapShade)->Name("BumpMap/Shade")->Unit(benchmark::kMicrosecond);
BENCHMARK(BumpMapShadePlain)->Name("BumpMap/ShadePlain")->Unit(benchmark::kMicrosecond);
BENCHMARK(BumpMapShadeSse2)->Name("BumpMap/ShadeSse2")->Unit(benchmark::kMicrosecond);
BENCHMARK(BumpMapCopyImage)->Name("BumpMap/CopyImage")->Unit(benchmark::kMicrosecond);
BENCHMARK(BumpMapConstruct)->Name("BumpMap/Construct")->Unit(benchmark::kMillisecond);

KORVAN_BASELINE("BumpMap/Shade", "BumpMap/ShadePlain");
KORVAN_BASELINE("BumpMap/Shade", "BumpMap/CopyImage");
KORVAN_BASELINE("BumpMap/ShadeSse2", "BumpMap/ShadePlain");
