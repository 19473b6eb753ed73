// The headless backend: the virtual clock driving timers (never two pending), a message loop
// that cannot wait forever, and message boxes that are recorded and printed, never shown.
#include "platform_fixture.h"
#include "portable/run/ending.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <string>

namespace ptest {
namespace {

class Headless : public PlatformTest {};

TEST_F(Headless, GetMessageMovesTheVirtualClockToTheNextTimer)
{
    ASSERT_EQ(SetTimer(m_hWnd, 7, 10, nullptr), 7u);
    MSG msg;
    for (DWORD expected : {10u, 20u, 30u}) {
        ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
        EXPECT_EQ(msg.wParam, 7u);
        EXPECT_EQ(portable::test::ClockMs(), expected);
    }
}

TEST_F(Headless, TimerMessagesNeverPileUpAndComeAfterPostedOnes)
{
    ASSERT_EQ(SetTimer(m_hWnd, 1, 10, nullptr), 1u);
    Sleep(95);  // nine periods and a half without reading the queue
    ASSERT_TRUE(PostMessageA(m_hWnd, WM_USER, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER)) << "timers have the lowest priority";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "a second timer message waited";
    // The next one is due a full period after the last was taken.
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(portable::test::ClockMs(), 105u);
}

TEST_F(Headless, ShortIntervalsAreRaisedToTenMillisecondsAsOnWindows)
{
    ASSERT_EQ(SetTimer(m_hWnd, 2, 1, nullptr), 2u);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(portable::test::ClockMs(), 10u);
}

TEST_F(Headless, WaitingForNothingEndsTheLoopInsteadOfHanging)
{
    DestroyWindow(m_hWnd);
    MSG msg;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    const std::string diagnostic = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_NE(diagnostic.find("GetMessage"), std::string::npos);
    EXPECT_EQ(std::count(diagnostic.begin(), diagnostic.end(), '\n'), 1) << "one line";
}

TEST_F(Headless, KilledTimerStopsAndDestroyingTheWindowKillsItsTimers)
{
    ASSERT_EQ(SetTimer(m_hWnd, 1, 10, nullptr), 1u);
    ASSERT_EQ(SetTimer(m_hWnd, 2, 10, nullptr), 2u);
    EXPECT_TRUE(KillTimer(m_hWnd, 1));
    EXPECT_FALSE(KillTimer(m_hWnd, 1));
    DestroyWindow(m_hWnd);
    EXPECT_FALSE(KillTimer(m_hWnd, 2));
}

// Windows hides a window before sending WM_DESTROY, so a farewell box shown from there never
// brings the window back: ShowWindow reports it was already hidden.
TEST(WindowDestruction, WindowIsHiddenWhileWmDestroyIsHandled)
{
    portable::test::Reset();
    static BOOL s_bVisibleInDestroy = TRUE;
    WNDCLASSA wc{};
    wc.lpszClassName = "farewell";
    wc.lpfnWndProc = [](HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (nMsg == WM_DESTROY)
            s_bVisibleInDestroy = ShowWindow(hWnd, SW_HIDE);
        return DefWindowProcA(hWnd, nMsg, wParam, lParam);
    };
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hWnd = CreateWindowExA(0, "farewell", "", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hWnd, nullptr);
    ASSERT_TRUE(DestroyWindow(hWnd));
    EXPECT_FALSE(s_bVisibleInDestroy);
    portable::test::Reset();
}

TEST_F(Headless, MessageBoxIsRecordedRunsTheHookWhileUpAndIsPrinted)
{
    int nSeenInsideBox = 0;
    portable::test::SetMessageBoxHook([&](const portable::test::MessageBoxRecord& box) {
        EXPECT_EQ(box.caption, "About");
        EXPECT_EQ(portable::test::MessageBoxes().size(), 1u);
        ++nSeenInsideBox;
    });
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(MessageBoxA(m_hWnd, "line one\nline two", "About", MB_OK), IDOK);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(nSeenInsideBox, 1);
    EXPECT_EQ(printed, "[About]\nline one\nline two\n");
    ASSERT_EQ(portable::test::MessageBoxes().size(), 1u);
    const auto& box = portable::test::MessageBoxes()[0];
    EXPECT_EQ(box.owner, m_hWnd);
    EXPECT_EQ(box.text, "line one\nline two");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
}

// A run stuck where nothing looks at the signal's flag (a call into a display library that never
// returns) still ends, with the signal's status; the bound is the alarm's second, not the
// test's limit.
TEST(Signals, ASignalNobodyLooksAtStillEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            portable::InstallSignalHandlers();
            std::raise(SIGTERM);
            for (;;)
                pause();
        },
        ::testing::ExitedWithCode(128 + SIGTERM), "");
}

}  // namespace
}  // namespace ptest
