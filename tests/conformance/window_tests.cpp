// Window-manager behaviour the framework's message loop relies on: the 10 ms frame timer, the
// close -> destroy -> quit sequence, a message box's own loop, and resources found by id and
// type in the program's module.
#include "conformance.h"

#ifndef _WIN32
#include "portable/testing/testing.h"
#endif

#include <cstring>

namespace conf {
namespace {

class WindowSystem : public ::testing::Test {
protected:
    CTestWindow m_Window;
};

TEST_F(WindowSystem, ScreenIs640By480)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), kScreenWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), kScreenHeight);
}

// The framework draws only after WM_ACTIVATEAPP told it the application is active; showing
// and focusing its window is all the program does to get there.
TEST_F(WindowSystem, ShownWindowIsToldItsApplicationIsActive)
{
    ASSERT_NE(m_Window.Handle(), nullptr);
    m_Window.Pump();
    WPARAM lastActivation = 0;
    int nActivations = 0;
    for (const SMessage& m : m_Window.Messages()) {
        if (m.nMsg == WM_ACTIVATEAPP) {
            lastActivation = m.wParam;
            ++nActivations;
        }
    }
    ASSERT_GT(nActivations, 0);
    EXPECT_NE(lastActivation, 0u);
    EXPECT_EQ(GetFocus(), m_Window.Handle());
}

TEST_F(WindowSystem, TimerDeliversMessagesButNeverTwoPending)
{
    HWND hWnd = m_Window.Handle();
    ASSERT_NE(hWnd, nullptr);
    m_Window.Pump();
    // The framework counts on SetTimer returning the id it was given.
    ASSERT_EQ(SetTimer(hWnd, 1, 10, nullptr), 1u);

    MSG msg;
    ASSERT_GT(GetMessageA(&msg, hWnd, WM_TIMER, WM_TIMER), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, 1u);

    // Ten periods pass without anyone reading the queue; still only one message waits.
    Sleep(100);
    EXPECT_TRUE(PeekMessageA(&msg, hWnd, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, hWnd, WM_TIMER, WM_TIMER, PM_REMOVE));

    // And the timer keeps running after that.
    ASSERT_GT(GetMessageA(&msg, hWnd, WM_TIMER, WM_TIMER), 0);
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_TRUE(KillTimer(hWnd, 1));
}

TEST_F(WindowSystem, PostedCloseArrivesLaterAndDestroysTheWindow)
{
    HWND hWnd = m_Window.Handle();
    ASSERT_NE(hWnd, nullptr);
    m_Window.Pump();
    ASSERT_TRUE(PostMessageA(hWnd, WM_CLOSE, 0, 0));
    EXPECT_EQ(m_Window.CountOf(WM_CLOSE), 0) << "a posted message must not be handled at once";
    m_Window.Pump();
    EXPECT_EQ(m_Window.CountOf(WM_CLOSE), 1);
    EXPECT_EQ(m_Window.CountOf(WM_DESTROY), 1);
    EXPECT_FALSE(IsWindow(hWnd));
}

TEST_F(WindowSystem, QuitMessageEndsGetMessageWithItsExitCode)
{
    PostQuitMessage(7);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
}

int g_nTicksUnderBox = 0;

VOID CALLBACK TickUnderBox(HWND, UINT, UINT_PTR, DWORD)
{
    if (++g_nTicksUnderBox == 3)
        PostQuitMessage(5);
}

// What the loop of a box that is up dispatches, which the framework's about box counts on:
// posted messages and the owner's timer go on arriving, and WM_QUIT ends the box and waits
// again for the loop outside. Here nobody answers the box; the quit ends it.
TEST_F(WindowSystem, MessageBoxLoopDispatchesTimersAndPostedMessagesUntilQuit)
{
#ifndef _WIN32
    portable::test::HoldMessageBoxes(true);  // a headless box is otherwise answered at once
#endif
    HWND hWnd = m_Window.Handle();
    ASSERT_NE(hWnd, nullptr);
    m_Window.Pump();
    g_nTicksUnderBox = 0;
    ASSERT_EQ(SetTimer(hWnd, 1, 10, TickUnderBox), 1u);
    ASSERT_TRUE(PostMessageA(hWnd, WM_USER + 1, 0, 0));
    MessageBoxA(hWnd, "waits for the quit", "korvan conformance", MB_OK);
    KillTimer(hWnd, 1);
#ifndef _WIN32
    portable::test::HoldMessageBoxes(false);
#endif
    EXPECT_EQ(g_nTicksUnderBox, 3);
    EXPECT_EQ(m_Window.CountOf(WM_USER + 1), 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 5u);
}

// The test resource, bound in conformance.rc: resource_probe.txt as type "TESTDATA", id 201.
const char kProbeText[] = "korvan resource probe\n";
constexpr int kProbeId = 201;

TEST(Resources, FoundByIdAndTypeInTheProgramsOwnModule)
{
    HRSRC hInfo = FindResourceA(nullptr, MAKEINTRESOURCEA(kProbeId), "TESTDATA");
    ASSERT_NE(hInfo, nullptr);
    HGLOBAL hData = LoadResource(nullptr, hInfo);
    ASSERT_NE(hData, nullptr);
    const void* pBytes = LockResource(hData);
    ASSERT_NE(pBytes, nullptr);
    ASSERT_EQ(SizeofResource(nullptr, hInfo), sizeof(kProbeText) - 1);
    EXPECT_EQ(std::memcmp(pBytes, kProbeText, sizeof(kProbeText) - 1), 0);
}

TEST(Resources, UnknownIdOrWrongTypeIsNotFound)
{
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(kProbeId + 1), "TESTDATA"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(kProbeId), "GRAPHICS"), nullptr);
}

}  // namespace
}  // namespace conf
