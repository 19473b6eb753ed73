// MessageBoxA of the portable platform, and the modal loop that runs while a box is up, the
// same whatever the display: as in a real box's loop the thread's messages go on being
// dispatched (the program's timers tick; the framework draws no frame while a box is up), input
// goes to the box, and WM_QUIT ends the box and is posted again for the loop outside. The
// display shows the box (the system's, or one drawn by the platform) and says when it has been
// answered; a box no display can show, or one asked for after the run was ended from outside
// (nobody may be there to close it), is printed to standard output and answered at once.
#include "../display/display.h"
#include "../run/ending.h"
#include "../testing/box_log.h"
#include "../testing/faults.h"
#include "window_manager.h"

#include <cstdio>

namespace portable {
namespace {

void RunBoxLoop()
{
    while (Display().BoxUp() && !EndRequested()) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!WaitForMessage(nullptr, 0, 0))
                Display().PumpEvents(100);  // only the box itself is left to answer
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace
}  // namespace portable

using namespace portable;

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    HRESULT hr;
    if (FaultDue(Call::MessageBoxA, hr))
        return 0;  // what MessageBox returns when it cannot show the box
    const char* pszText = lpText ? lpText : "";
    const char* pszCaption = lpCaption ? lpCaption : "Error";  // Windows' default caption
    RecordMessageBox(hWnd, pszText, pszCaption, uType);
    // Only an OK button is offered, so every way of closing the box answers IDOK.
    if (EndRequested() || !Display().ShowBox(pszText, pszCaption)) {
        std::printf("[%s]\n%s\n", pszCaption, pszText);
        FlushStandardOutput();
        return IDOK;
    }
    RunBoxLoop();
    Display().CloseBox();
    return IDOK;
}
