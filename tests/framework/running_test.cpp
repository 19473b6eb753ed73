// CSurfaceWnd while it runs, on the headless platform: activation, the timer-driven frame cycle,
// FlipPages and LockSurface against injected and real surface loss, the F1 about box and the
// Escape path through the credits box to the end of the message loop.
#include "framework_texts.h"
#include "probe_wnd.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

namespace test = portable::test;
using test::Call;
using test::CallCount;
using test::InjectFault;

TEST_F(FrameworkTest, ActivateAppTakesOneAndTwoAsActive)
{
    BringUp();
    const struct { WPARAM wParam; int active; } cases[] = {{1, 1}, {0, 0}, {2, 1}, {3, 0}};
    for (const auto& c : cases) {
        m_pWnd->m_bActive = !c.active;
        EXPECT_EQ(Send(WM_ACTIVATEAPP, c.wParam), 0);
        EXPECT_EQ(m_pWnd->m_bActive, c.active) << "wParam " << c.wParam;
    }
}

TEST_F(FrameworkTest, TimerDrawsOnlyWhileActiveAndNoBoxIsUp)
{
    BringUp();
    const struct { int active, shown, draws; } cases[] = {{0, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 1}};
    for (const auto& c : cases) {
        m_pWnd->m_nDraws = 0;
        m_pWnd->m_bActive = c.active;
        m_pWnd->m_bMessageShown = c.shown;
        const int flips = CallCount(Call::Flip);
        Send(WM_TIMER, 1);
        EXPECT_EQ(m_pWnd->m_nDraws, c.draws) << c.active << c.shown;
        EXPECT_EQ(CallCount(Call::Flip) - flips, c.draws);
    }
    EXPECT_EQ(m_pWnd->m_pDrawnOn, m_pWnd->m_pBackBuffer);
    EXPECT_EQ(test::PresentedFrames(), 1);
    EXPECT_EQ(m_pWnd->OnFrame(), CProbeWnd::kDrawResult);
}

struct FlipCase {
    HRESULT flipFault;
    int flipFaults;
    HRESULT restoreFault;
    HRESULT result;
    int flips, restores;
};

class FlipPagesTest : public FrameworkTest, public ::testing::WithParamInterface<FlipCase>
{};

TEST_P(FlipPagesTest, HandlesEachFlipResult)
{
    const FlipCase& c = GetParam();
    BringUp();
    if (c.flipFaults)
        InjectFault(Call::Flip, c.flipFault, c.flipFaults);
    if (c.restoreFault != DD_OK)
        InjectFault(Call::Restore, c.restoreFault);
    EXPECT_EQ(m_pWnd->FlipPages(), c.result);
    EXPECT_EQ(CallCount(Call::Flip), c.flips);
    EXPECT_EQ(CallCount(Call::Restore), c.restores);
}

INSTANTIATE_TEST_SUITE_P(
    Results, FlipPagesTest,
    ::testing::Values(FlipCase{DD_OK, 0, DD_OK, DD_OK, 1, 0},
                      FlipCase{DDERR_SURFACELOST, 1, DD_OK, DD_OK, 1, 1},
                      FlipCase{DDERR_SURFACELOST, 1, DDERR_WRONGMODE, DDERR_WRONGMODE, 1, 1},
                      FlipCase{DDERR_WASSTILLDRAWING, 3, DD_OK, DD_OK, 4, 0},
                      FlipCase{DDERR_GENERIC, 1, DD_OK, DDERR_GENERIC, 1, 0}));

TEST_F(FrameworkTest, FlipPagesRestoresAChainLostToAnotherApplication)
{
    BringUp();
    test::LoseFocus();
    test::GainFocus();
    EXPECT_EQ(m_pWnd->FlipPages(), DD_OK);  // restored, not yet flipped
    EXPECT_EQ(test::PresentedFrames(), 0);
    EXPECT_EQ(m_pWnd->FlipPages(), DD_OK);
    EXPECT_EQ(test::PresentedFrames(), 1);
}

TEST_F(FrameworkTest, LockSurfaceWaitsOutDrawingAndGivesUpOnFailures)
{
    test::SetPitchPadding(64);
    BringUp();
    const struct { HRESULT fault; int faults; bool locked; int locks; } cases[] = {
        {DD_OK, 0, true, 1}, {DDERR_WASSTILLDRAWING, 2, true, 3},
        {DDERR_SURFACELOST, 1, false, 1}, {DDERR_GENERIC, 1, false, 1}};
    for (const auto& c : cases) {
        const int before = CallCount(Call::Lock);
        if (c.faults)
            InjectFault(Call::Lock, c.fault, c.faults);
        LONG pitch = -1;
        void* memory = m_pWnd->LockSurface(m_pWnd->m_pBackBuffer, &pitch);
        EXPECT_EQ(memory != nullptr, c.locked) << std::hex << c.fault;
        EXPECT_EQ(pitch, c.locked ? 640 * 2 + 64 : 0);
        EXPECT_EQ(CallCount(Call::Lock) - before, c.locks);
        if (memory) {
            EXPECT_EQ(m_pWnd->UnlockSurface(m_pWnd->m_pBackBuffer), DD_OK);
        }
    }
    EXPECT_EQ(m_pWnd->LockSurface(nullptr), nullptr);
}

// Runs the message loop as start-up does; presses Escape once `escapeAfterDraws` frames have
// been drawn after the first box. Returns the quit code, or -1 if the loop did not end.
int RunUntilQuit(CProbeWnd& wnd, int escapeAfterDraws, std::vector<int>& drawsAtBox)
{
    bool escapePressed = false;
    MSG message = {};
    for (int guard = 0; guard < 100000; ++guard) {
        if (GetMessageA(&message, nullptr, 0, 0) <= 0)
            return static_cast<int>(message.wParam);
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (!escapePressed && drawsAtBox.size() == 1 &&
            wnd.m_nDraws >= drawsAtBox[0] + escapeAfterDraws) {
            test::PressKey(VK_ESCAPE);
            escapePressed = true;
        }
    }
    return -1;
}

TEST_F(FrameworkTest, AboutBoxPausesFramesAndEscapeEndsWithTheCredits)
{
    const std::string appText(191, 'a');
    m_pWnd->SetText(appText.c_str());
    BringUp();
    ASSERT_EQ(m_pWnd->StartTimer(1, 10), 0);
    test::GainFocus();

    std::vector<int> drawsAtBox;
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    test::SetMessageBoxHook([&](const test::MessageBoxRecord&) {
        drawsAtBox.push_back(m_pWnd->m_nDraws);
        EXPECT_EQ(Send(WM_SETCURSOR), 1);
        EXPECT_EQ(SetCursor(nullptr), arrow) << "the pointer shows over a box";
        // Neither a timer tick nor a late activation may draw while a box is up, and after
        // Shutdown has released DirectDraw not at all.
        Send(WM_ACTIVATEAPP, 1);
        Send(WM_TIMER, 1);
        EXPECT_EQ(m_pWnd->m_nDraws, drawsAtBox.back());
    });
    test::PressKey(VK_F1);
    EXPECT_EQ(RunUntilQuit(*m_pWnd, 3, drawsAtBox), 0);

    const auto& boxes = test::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "CSurfaceWnd");
    EXPECT_EQ(boxes[0].text.rfind("CSurfaceWnd, a class for\neasy DirectDraw usage.\n\n", 0), 0u);
    EXPECT_EQ(boxes[0].owner, m_pWnd->m_hWnd);
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_GE(drawsAtBox[1], drawsAtBox[0] + 3) << "frames resume after the about box";

    EXPECT_EQ(boxes[1].caption, kProbeTitle);
    EXPECT_EQ(boxes[1].text, appText + "\n\n" + g_szShutdownCredits);
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(m_pWnd->m_nExits, 1);
    EXPECT_TRUE(m_pWnd->m_bHadDirectDrawAtExit);
    EXPECT_EQ(m_pWnd->m_pDD, nullptr);
    EXPECT_EQ(m_pWnd->m_pFrontBuffer, nullptr);
    EXPECT_EQ(m_pWnd->m_pBackBuffer, nullptr);
    SetCursor(arrow);
    Send(WM_SETCURSOR);
    EXPECT_EQ(SetCursor(nullptr), nullptr) << "the pointer hides again once the box is gone";
}

// The credits box text whatever the application left in its text: nothing cut, nothing read
// or written past a buffer (the sanitizer build checks the second half).
TEST_F(FrameworkTest, CreditsBoxHoldsTheWholeApplicationText)
{
    const std::string credits = g_szShutdownCredits;
    ASSERT_EQ(credits.rfind("This program uses CSurfaceWnd,\na class for easy DirectDraw usage.\n\n", 0), 0u);
    const struct { std::size_t length; std::string expected; } cases[] = {
        {0, credits}, {191, std::string(191, 't') + "\n\n" + credits},
        {255, std::string(255, 't') + "\n\n" + credits},
        {256, std::string(256, 't') + "\n\n" + credits}};  // no terminator left at all
    for (const auto& c : cases) {
        Start(test::DisplayFormat::Rgb565);
        BringUp();
        std::memset(m_pWnd->m_szText, 't', c.length);
        if (c.length < sizeof m_pWnd->m_szText)
            m_pWnd->m_szText[c.length] = '\0';
        DestroyWindow(m_pWnd->m_hWnd);
        ASSERT_EQ(test::MessageBoxes().size(), 1u);
        EXPECT_EQ(test::MessageBoxes()[0].text, c.expected) << "length " << c.length;
        EXPECT_EQ(test::MessageBoxes()[0].caption, kProbeTitle);
    }
}

}  // namespace
