// Shared set-up of the conformance suite: a window made the way the program makes its own and a
// DirectDraw object in the state a test needs. Uses the Win32/DirectDraw names only ("winapi.h"),
// so the same tests run against our portable layer and against Wine's (or Windows') DLLs.
#pragma once

#include "winapi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace conf {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// A message the test window procedure saw, in arrival order.
struct SMessage {
    UINT nMsg;
    WPARAM wParam;
};

// A topmost popup covering the screen (WS_EX_TOPMOST, WS_POPUPWINDOW), shown and focused,
// whose window procedure records every message before default processing.
class CTestWindow {
public:
    CTestWindow();
    ~CTestWindow();
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    // Dispatches what is queued now, without waiting; stops early at WM_QUIT.
    void Pump();
    int CountOf(UINT nMsg) const;
    const std::vector<SMessage>& Messages() const;

private:
    HWND m_hWnd;
};

// Fixture: the test window and an IDirectDraw2 obtained as the program does it
// (DirectDrawCreate for the default driver, then QueryInterface).
class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Exclusive fullscreen at 640x480x16, a flipping primary with one back buffer.
    // Call through ASSERT_NO_FATAL_FAILURE.
    void EnterExclusive16();
    HRESULT CreateFlipChain(DWORD nBackBuffers, IDirectDrawSurface** ppSurface);

    CTestWindow m_Window;
    IDirectDraw2* m_pDD = nullptr;
    IDirectDrawSurface* m_pFrontBuffer = nullptr;
    IDirectDrawSurface* m_pBackBuffer = nullptr;
};

// A DDSURFACEDESC zeroed with its size set, as every DirectDraw caller must pass it.
DDSURFACEDESC EmptyDesc();

// Whole-surface access for pattern checks; each fails the test (and returns false) when
// the lock does not succeed.
bool FillSurface(IDirectDrawSurface* pSurface, std::uint16_t nPixel);
bool ReadSurface(IDirectDrawSurface* pSurface, std::vector<std::uint16_t>& pixels);

}  // namespace conf
