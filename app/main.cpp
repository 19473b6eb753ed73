// The program's entry: creates the intro window, takes the display through the framework's
// set-up in its fixed order, builds the scene, starts the 10 ms frame timer and runs the
// message loop until the window is gone. Depends on CIntroWnd and the seam.
#include <new>

#include "intro_wnd.h"

CIntroWnd* g_pApp = nullptr;

namespace {

constexpr WORD kIconId = 101;
constexpr UINT kFrameTimerId = 1;
constexpr UINT kFrameIntervalMs = 10;
const char kName[] = "korvan";   // window class, window title and the credits box's caption

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    g_pApp = new (std::nothrow) CIntroWnd;
    if (g_pApp == nullptr)
        return 1;

    HCURSOR cursor = LoadCursorA(nullptr, IDC_ARROW);
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(kIconId));
    // Without a window no quit message could ever end the loop below.
    if (g_pApp->Create(instance, showCommand, kName, kName, icon, cursor) == nullptr)
        return 1;

    g_pApp->InitDirectDraw();
    g_pApp->InitSurfaces(640, 480, 16, 0);
    g_pApp->CreateScene();
    g_pApp->StartTimer(kFrameTimerId, kFrameIntervalMs);

    MSG msg;
    BOOL got;
    // GetMessage returns -1 on an error; looping on it would spin forever.
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 1;
}
