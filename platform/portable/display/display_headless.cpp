// The headless display: no window, no input, and a virtual clock that moves only when the
// program waits (GetMessage for the next timer, Sleep), so frames come as fast as they are
// drawn and every run is the same. Pictures stay in presentation (present.cpp) for capture
// and tests; message boxes cannot be shown and are printed.
#include "display.h"

namespace portable {
namespace {

DWORD g_dwNow = 0;
bool g_bHoldBoxes = false;  // a test's: boxes stay up until their loop ends them
int g_nBoxesUp = 0;

void Nothing() {}
bool Never() { return false; }
void Advance(DWORD ms) { g_dwNow += ms; }

bool ShowBox(const char*, const char*)
{
    g_nBoxesUp += g_bHoldBoxes;
    return g_bHoldBoxes;
}

}  // namespace

// PumpEvents and Wait both move the clock on.
const SDisplay g_HeadlessDisplay{
    .Start = [](const SDisplayOptions&, std::string&) { return true; },
    .Shutdown = Nothing,
    .Now = [] { return g_dwNow; },
    .ShowWindow = [](const char*, const SIconImage*, std::string&) { return true; },
    .HideWindow = Nothing,
    .DestroyWindow = Nothing,
    .ShowPicture = Nothing,
    .SetCursorVisible = [](bool) {},
    .TakesInput = Never,
    .PumpEvents = Advance,
    .Wait = Advance,
    .ShowBox = ShowBox,
    .BoxUp = [] { return g_nBoxesUp > 0; },
    .CloseBox = [] { --g_nBoxesUp; },
};

void ResetHeadlessDisplay()
{
    g_dwNow = 0;
    g_bHoldBoxes = false;
    g_nBoxesUp = 0;
}

void HoldHeadlessBoxes(bool bHold)
{
    g_bHoldBoxes = bHold;
}

}  // namespace portable
