// The test controls of testing.h that span the platform: a fresh world, focus changes, key
// presses, pitch padding and the virtual clock.
#include "faults.h"
#include "world.h"

namespace portable::test {

void Reset(DisplayFormat format)
{
    CSettings settings;  // headless, no capture, no scripted keys
    settings.format = format;
    g_Settings = settings;
    ResetFaultsAndCounts();
    ResetDirectDraw();
    ResetGdi();
    ResetWindowManager();
    ResetMessageBoxes();
    ResetPresentation();
    ResetCapture();
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

void SetPitchPadding(int bytes)
{
    g_Settings.nPitchPadding = bytes;
}

void SetCaptureDir(const std::string& dir)
{
    g_Settings.captureDir = dir;
}

DWORD ClockMs()
{
    return NowMs();
}

}  // namespace portable::test
