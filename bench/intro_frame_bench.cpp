// One whole frame of the intro as the timer drives it (OnFrame: Render, the copy into the back
// buffer, the 708-character scroller, the flip) on the headless platform, beside its parts:
// the scene's Render alone and the scroller with the flip alone.
#include <benchmark/benchmark.h>

#include <memory>

#include "winapi.h"
#include "portable/testing/testing.h"

#include "baseline.h"
#include "intro_scene.h"
#include "intro_wnd.h"
#include "scroller.h"

namespace {

// The intro window taken through the program's set-up on a fresh headless 5-6-5 display.
class CBenchIntroWnd : public CIntroWnd
{
public:
    CBenchIntroWnd()
    {
        portable::test::Reset();
        Create(nullptr, SW_SHOW, "korvan", "korvan", nullptr, nullptr);
        InitDirectDraw();
        InitSurfaces(640, 480, 16, 0);
        CreateScene();
    }
    ~CBenchIntroWnd() override { delete m_pScene; }

    bool Ready() const { return m_pScene != nullptr && m_pBackBuffer != nullptr; }
    CIntroScene* Scene() const { return m_pScene; }
    IDirectDrawSurface* BackBuffer() const { return m_pBackBuffer; }
};

template <typename Step>
void RunFrames(benchmark::State& state, Step step)
{
    const auto wnd = std::make_unique<CBenchIntroWnd>();
    if (!wnd->Ready()) {
        state.SkipWithError("the intro could not be set up headless");
        return;
    }
    for (auto _ : state) {
        step(*wnd);
        benchmark::ClobberMemory();
    }
}

void IntroWholeFrame(benchmark::State& state)
{
    RunFrames(state, [](CBenchIntroWnd& wnd) { wnd.OnFrame(); });
}

void IntroSceneRender(benchmark::State& state)
{
    RunFrames(state, [](CBenchIntroWnd& wnd) { wnd.Scene()->Render(); });
}

void IntroScrollerAndFlip(benchmark::State& state)
{
    RunFrames(state, [](CBenchIntroWnd& wnd) {
        DrawGreetings(wnd.BackBuffer());
        wnd.FlipPages();
    });
}

}  // namespace

BENCHMARK(IntroWholeFrame)->Name("Intro/WholeFrame")->Unit(benchmark::kMicrosecond);
BENCHMARK(IntroSceneRender)->Name("Intro/SceneRender")->Unit(benchmark::kMicrosecond);
BENCHMARK(IntroScrollerAndFlip)->Name("Intro/ScrollerAndFlip")->Unit(benchmark::kMicrosecond);

KORVAN_BASELINE("Intro/WholeFrame", "Intro/SceneRender");
KORVAN_BASELINE("Intro/WholeFrame", "Intro/ScrollerAndFlip");
