// The test controls of testing.h that span the platform: a fresh world, focus changes, key
// presses, message boxes, what was presented, pitch padding and the virtual clock.
#include "testing.h"

#include "../ddraw/ddraw.h"
#include "../ddraw/present.h"
#include "../run/capture.h"
#include "../run/ending.h"
#include "../run/frame_script.h"
#include "../user/gdi.h"
#include "../user/window_manager.h"
#include "box_log.h"
#include "faults.h"

namespace portable {
namespace {

std::vector<test::MessageBoxRecord> g_Boxes;
std::function<void(const test::MessageBoxRecord&)> g_Hook;

}  // namespace

void RecordMessageBox(HWND hOwner, const char* pszText, const char* pszCaption, UINT nType)
{
    g_Boxes.push_back({hOwner, pszText, pszCaption, nType});
    const test::MessageBoxRecord record = g_Boxes.back();
    if (g_Hook)
        g_Hook(record);
}

void ResetMessageBoxes()
{
    g_Boxes.clear();
    g_Hook = nullptr;
}

namespace test {

void Reset(DisplayFormat format)
{
    UseDisplay(g_HeadlessDisplay);
    ResetHeadlessDisplay();
    ResetFaultsAndCounts();
    SetSixteenBitFormat(format);
    SetPitchPadding(0);
    ResetDirectDraw();
    ResetGdi();
    ResetWindowManager();
    ResetMessageBoxes();
    ResetPresentation();
    ResetCapture();
    StartFrameScript({}, 0);  // no scripted keys
    ResetEnding();
}

void LoseFocus()
{
    SetAppActive(false);
}

void GainFocus()
{
    SetAppActive(true);
}

void PressKey(UINT vk)
{
    PostKeyMessage(WM_KEYDOWN, vk);
    PostKeyMessage(WM_KEYUP, vk);
}

const std::vector<MessageBoxRecord>& MessageBoxes()
{
    return g_Boxes;
}

void SetMessageBoxHook(std::function<void(const MessageBoxRecord&)> hook)
{
    g_Hook = std::move(hook);
}

void HoldMessageBoxes(bool bHold)
{
    HoldHeadlessBoxes(bHold);
}

int PresentedFrames()
{
    return PresentedFrameCount();
}

std::vector<std::uint8_t> ScreenRgb()
{
    const std::uint8_t* pRgb = ShownRgb();
    return {pRgb, pRgb + kScreenWidth * kScreenHeight * 3};
}

void SetPitchPadding(int bytes)
{
    portable::SetPitchPadding(bytes);
}

void SetCaptureDir(const std::string& dir)
{
    SetCaptureFolder(dir);
}

int RequestedExitStatus()
{
    return ExitStatus(-1);
}

DWORD ClockMs()
{
    return NowMs();
}

}  // namespace test
}  // namespace portable
