// The window manager of the portable platform (window.cpp) as the rest of the platform sees it:
// the clock, whether the program is in the foreground, and the wait for the next message. The
// calls a display makes into it (keys, focus, close, pointer) are declared in the display seam.
#pragma once

#include "../../winapi.h"
#include "../display/display.h"

namespace portable {

DWORD NowMs();  // the display's clock
bool IsAppActive();
void ResetWindowManager();
// Waits until a message the filter accepts may be there (a timer due, a display event); false,
// at once, when nothing could ever come.
bool WaitForMessage(HWND hFilter, UINT nMin, UINT nMax);

}  // namespace portable
