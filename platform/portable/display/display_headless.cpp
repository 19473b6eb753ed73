// The headless display: no window, no input, and a virtual clock that moves only when the
// program waits (GetMessage for the next timer, Sleep), so frames come as fast as they are
// drawn and every run is the same. Pictures stay in presentation (present.cpp) for capture
// and tests; message boxes cannot be shown and are printed.
#include "../world.h"

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

// In the order of SDisplay's members; PumpEvents and Wait both move the clock on.
const SDisplay g_Headless{
    [](std::string&) { return true; }, Nothing, [] { return g_dwNow; },
    [](const char*, const SIconImage*) {}, Nothing, Nothing,
    Nothing, [](bool) {}, Never, Advance, Advance,
    ShowBox, [] { return g_nBoxesUp > 0; }, [] { --g_nBoxesUp; }};
const SDisplay* g_pDisplay = &g_Headless;  // tests run headless; start-up may choose another

}  // namespace

const SDisplay& Display()
{
    return *g_pDisplay;
}

void UseDisplay(const SDisplay& display)
{
    g_pDisplay = &display;
}

const SDisplay& HeadlessDisplay()
{
    return g_Headless;
}

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
