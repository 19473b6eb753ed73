// The scene's Render in both layouts beside the relief's Shade, which it calls: the difference
// is the cost of the frame copy (or 5-6-5 translation) and the logo overlay.
#include <benchmark/benchmark.h>

#include <memory>

#include "baseline.h"
#include "intro_scene.h"
#include "pixel16.h"

namespace {

void SceneRender(benchmark::State& state, int mode)
{
    const auto scene = std::make_unique<CIntroScene>(mode);
    for (auto _ : state) {
        scene->Render();
        benchmark::DoNotOptimize(scene->GetFrame());
        benchmark::ClobberMemory();
    }
}

void SceneRender555(benchmark::State& state)
{
    SceneRender(state, kMode555);
}

void SceneRender565(benchmark::State& state)
{
    SceneRender(state, kMode565);
}

}  // namespace

BENCHMARK(SceneRender555)->Name("Scene/Render555")->Unit(benchmark::kMicrosecond);
BENCHMARK(SceneRender565)->Name("Scene/Render565")->Unit(benchmark::kMicrosecond);

KORVAN_BASELINE("Scene/Render555", "BumpMap/Shade");
KORVAN_BASELINE("Scene/Render565", "BumpMap/Shade");
