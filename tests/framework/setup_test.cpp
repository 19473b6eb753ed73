// CSurfaceWnd set-up on the headless platform: construction, SetText, the DirectDraw set-up
// order and what each failure point leaves behind, the 8-bit palette and StartTimer.
#include "probe_wnd.h"

#include <cstring>
#include <optional>
#include <string>

namespace {

using portable::test::Call;
using portable::test::CallCount;
using portable::test::InjectFault;

TEST_F(FrameworkTest, ConstructionStartsEmptyAndDestructionUnregisters)
{
    EXPECT_EQ(g_pSurfaceWnd, m_pWnd.get());
    EXPECT_EQ(m_pWnd->m_hWnd, nullptr);
    EXPECT_EQ(m_pWnd->m_pDD, nullptr);
    EXPECT_EQ(m_pWnd->m_pFrontBuffer, nullptr);
    EXPECT_EQ(m_pWnd->m_pBackBuffer, nullptr);
    EXPECT_EQ(m_pWnd->m_pPalette, nullptr);
    const unsigned char zeros[sizeof m_pWnd->m_PaletteEntries] = {};
    EXPECT_EQ(std::memcmp(m_pWnd->m_PaletteEntries, zeros, sizeof zeros), 0);
    EXPECT_EQ(m_pWnd->m_bActive, 0);
    EXPECT_EQ(m_pWnd->m_bMessageShown, 0);
    EXPECT_EQ(m_pWnd->m_nTimerId, 0u);
    EXPECT_STREQ(m_pWnd->m_szText, "");
    // A stale pointer here would route a late message into freed memory.
    m_pWnd.reset();
    EXPECT_EQ(g_pSurfaceWnd, nullptr);
}

TEST_F(FrameworkTest, SetTextKeepsAtMostTwoHundredCharacters)
{
    for (const std::size_t length : {0u, 1u, 199u, 200u, 201u, 255u, 400u}) {
        const std::string text(length, 'q');
        m_pWnd->SetText(text.c_str());
        EXPECT_EQ(std::string(m_pWnd->m_szText), text.substr(0, 200)) << "length " << length;
    }
}

TEST_F(FrameworkTest, SixteenBitSetUpMakesTheFlippingChainWithoutPalette)
{
    BringUp(16);
    ASSERT_NE(m_pWnd->m_hWnd, nullptr);
    EXPECT_NE(m_pWnd->m_pDD, nullptr);
    EXPECT_NE(m_pWnd->m_pFrontBuffer, nullptr);
    EXPECT_NE(m_pWnd->m_pBackBuffer, nullptr);
    EXPECT_NE(m_pWnd->m_pBackBuffer, m_pWnd->m_pFrontBuffer);
    EXPECT_EQ(m_pWnd->m_pPalette, nullptr);
    EXPECT_EQ(CallCount(Call::CreatePalette), 0);
    EXPECT_EQ(m_pWnd->m_nInits, 1);
}

TEST_F(FrameworkTest, EightBitSetUpMakesABlackPaletteItDoesNotAttach)
{
    Start(portable::test::DisplayFormat::Palette8);
    for (PALETTEENTRY& entry : m_pWnd->m_PaletteEntries)
        entry = {9, 8, 7, 5};
    BringUp(8);
    ASSERT_NE(m_pWnd->m_pPalette, nullptr);
    EXPECT_EQ(m_pWnd->m_nInits, 1);
    for (const PALETTEENTRY& entry : m_pWnd->m_PaletteEntries) {
        EXPECT_EQ(entry.peRed | entry.peGreen | entry.peBlue, 0);
        EXPECT_EQ(entry.peFlags, 5);  // left as the application had it
    }
    PALETTEENTRY created[256];
    ASSERT_EQ(m_pWnd->m_pPalette->GetEntries(0, 0, 256, created), DD_OK);
    for (const PALETTEENTRY& entry : created)
        EXPECT_EQ(entry.peRed | entry.peGreen | entry.peBlue, 0);
    IDirectDrawPalette* attached = nullptr;
    EXPECT_EQ(m_pWnd->m_pFrontBuffer->GetPalette(&attached), DDERR_NOPALETTEATTACHED);
}

// Where set-up stops when one call fails, and that nothing afterwards calls through a null
// interface: without a flipping chain frames are skipped, and shutdown still shows its box.
struct FailurePoint {
    Call call;
    DWORD bitsPerPixel;
    bool directDraw, front, back;
    std::optional<Call> notCalled;  // the next step, which must not have run
};

class SetUpFailureTest : public FrameworkTest, public ::testing::WithParamInterface<FailurePoint>
{};

TEST_P(SetUpFailureTest, StopsThereAndLaterStepsSkipTheMissingObjects)
{
    const FailurePoint& point = GetParam();
    if (point.bitsPerPixel == 8)
        Start(portable::test::DisplayFormat::Palette8);
    InjectFault(point.call, DDERR_GENERIC);
    BringUp(point.bitsPerPixel);
    EXPECT_EQ(m_pWnd->m_pDD != nullptr, point.directDraw);
    EXPECT_EQ(m_pWnd->m_pFrontBuffer != nullptr, point.front);
    EXPECT_EQ(m_pWnd->m_pBackBuffer != nullptr, point.back);
    EXPECT_EQ(m_pWnd->m_pPalette, nullptr);
    EXPECT_EQ(m_pWnd->m_nInits, 0);
    if (point.notCalled) {
        EXPECT_EQ(CallCount(*point.notCalled), 0);
    }

    Send(WM_ACTIVATEAPP, 1);
    Send(WM_TIMER, 1);
    EXPECT_EQ(m_pWnd->m_nDraws, point.back ? 1 : 0);
    EXPECT_EQ(CallCount(Call::Flip), point.back ? 1 : 0);

    m_pWnd->ShowMessage("text", "caption");
    DestroyWindow(m_pWnd->m_hWnd);
    EXPECT_EQ(CallCount(Call::FlipToGDISurface), point.directDraw ? 2 : 0);
    EXPECT_EQ(portable::test::MessageBoxes().size(), 2u);
    EXPECT_EQ(m_pWnd->m_pDD, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    EachCall, SetUpFailureTest,
    ::testing::Values(
        FailurePoint{Call::DirectDrawCreate, 16, false, false, false, Call::QueryInterface},
        FailurePoint{Call::QueryInterface, 16, false, false, false, Call::SetCooperativeLevel},
        FailurePoint{Call::SetCooperativeLevel, 16, true, false, false, Call::SetDisplayMode},
        FailurePoint{Call::SetDisplayMode, 16, true, false, false, Call::CreateSurface},
        FailurePoint{Call::CreateSurface, 16, true, false, false, Call::GetAttachedSurface},
        FailurePoint{Call::GetAttachedSurface, 16, true, true, false, Call::CreatePalette},
        FailurePoint{Call::CreatePalette, 8, true, true, true, std::nullopt}));

TEST_F(FrameworkTest, StartTimerRefusesWhatCannotRun)
{
    EXPECT_EQ(m_pWnd->StartTimer(1, 10), 1) << "no window to own the timer";
    OpenWindow();
    EXPECT_EQ(m_pWnd->StartTimer(0, 10), 1);
    EXPECT_EQ(CallCount(Call::SetTimer), 0);

    InjectFault(Call::SetTimer, 0);
    EXPECT_EQ(m_pWnd->StartTimer(1, 10), 1);
    EXPECT_EQ(m_pWnd->m_nTimerId, 0u);

    EXPECT_EQ(m_pWnd->StartTimer(3, 10), 0);
    EXPECT_EQ(m_pWnd->m_nTimerId, 3u);
    EXPECT_EQ(m_pWnd->StartTimer(4, 10), 1) << "a timer already runs";
    EXPECT_EQ(m_pWnd->m_nTimerId, 3u);
    EXPECT_EQ(CallCount(Call::SetTimer), 2);
}

}  // namespace
