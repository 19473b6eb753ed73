// The portable platform's share of a frame, headless: presenting a flip (conversion to RGB)
// plus the scroller's 708 single-character TextOutA calls through GetDC/ReleaseDC, about 55 of
// them visible, beside a plain copy of one frame's bytes as the baseline.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "baseline.h"
#include "winapi.h"
#include "portable/testing/testing.h"

namespace {

LRESULT CALLBACK BenchWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

// Exclusive mode with the flipping chain, as the framework sets it up; null on failure.
IDirectDrawSurface* SetUpChain(IDirectDrawSurface*& pBack)
{
    portable::test::Reset();
    WNDCLASSA wc{};
    wc.lpfnWndProc = BenchWndProc;
    wc.lpszClassName = "bench";
    RegisterClassA(&wc);
    HWND hWnd = CreateWindowExA(WS_EX_TOPMOST, "bench", "bench", WS_POPUPWINDOW, 0, 0, 640, 480,
                                nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hWnd, SW_SHOW);
    IDirectDraw* pDD = nullptr;
    if (DirectDrawCreate(nullptr, &pDD, nullptr) != DD_OK ||
        pDD->SetCooperativeLevel(hWnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK ||
        pDD->SetDisplayMode(640, 480, 16) != DD_OK)
        return nullptr;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface* pFront = nullptr;
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    if (pDD->CreateSurface(&desc, &pFront, nullptr) != DD_OK ||
        pFront->GetAttachedSurface(&caps, &pBack) != DD_OK)
        return nullptr;
    return pFront;
}

void FlipAndScroller(benchmark::State& state)
{
    IDirectDrawSurface* pBack = nullptr;
    IDirectDrawSurface* pFront = SetUpChain(pBack);
    if (!pFront) {
        state.SkipWithError("DirectDraw set-up failed");
        return;
    }
    const std::vector<char> text(708, 'W');
    int nPos = 0;
    for (auto _ : state) {
        // The scroller's positions: 12 pixels a character, the line moved on 7 a frame.
        nPos = nPos >= 9500 ? 0 : nPos + 7;
        HDC hDC = nullptr;
        if (pBack->GetDC(&hDC) == DD_OK) {
            SetBkMode(hDC, TRANSPARENT);
            SetTextColor(hDC, RGB(0x80, 0x80, 255 - nPos % 100));
            SetTextAlign(hDC, 0);
            for (int i = 0; i < 708; ++i) {
                const int y = static_cast<int>(std::sin(i * 0.4487857142857143 + nPos / 7) * 10 + 440);
                TextOutA(hDC, 12 * i - nPos + 639, y, &text[static_cast<std::size_t>(i)], 1);
            }
            pBack->ReleaseDC(hDC);
        }
        pFront->Flip(nullptr, 0);
    }
    portable::test::Reset();
}

// Plain baseline: copying one 640x480 16-bit frame.
void CopyFrame(benchmark::State& state)
{
    std::vector<std::uint16_t> source(640 * 480, 0x1234), target(640 * 480);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size() * sizeof(std::uint16_t));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(FlipAndScroller)->Name("Platform/FlipAndScroller")->Unit(benchmark::kMicrosecond);
BENCHMARK(CopyFrame)->Name("Platform/CopyFrame")->Unit(benchmark::kMicrosecond);

KORVAN_BASELINE("Platform/FlipAndScroller", "Platform/CopyFrame");
