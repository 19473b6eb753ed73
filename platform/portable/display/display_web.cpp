// The browser display of the portable platform (WebAssembly), in place of display_sdl.cpp: the
// only file that knows the page. The program runs in a worker of the page, so that neither its
// start-up nor its frames hold up the page's own thread; korvan.js's worker part (web/worker.js)
// is its `Module.page`, which passes everything on to the page (index.html) and back:
//  - the emulated 640x480 screen is the page's canvas: each flipped picture is handed over as
//    RGBA, and the page scales it to fit at 4:3 as the desktop does (sharp, integer or nearest:
//    fit() in web/page/viewer.js);
//  - keys, focus and visibility wait in the worker until PumpEvents turns them into window
//    messages, as SDL's event queue does on the desktop (the page has already kept the keys the
//    intro uses from the browser);
//  - message boxes are modal dialogs of the page, waited for by message_box.cpp's loop as on
//    the desktop.
//
// The program's blocking waits (GetMessage, Sleep, a message box, Flip) run under ASYNCIFY: each
// goes through emscripten_sleep or WaitForRefresh, which hand control back to the worker until
// the wait is over. Flip waits for the page's next frame (requestAnimationFrame), the browser's
// vsync, as DirectDraw's Flip waits for the display's refresh: a new picture on every refresh
// at 60 Hz, the timer's 100 a second on a faster display, never two pictures in one refresh.
#include "display.h"

#include <emscripten.h>

#include <vector>

// Returns once the page has painted the picture just handed over, at its next animation frame;
// at once while the page is hidden (where the program, no longer active, stops flipping).
EM_ASYNC_JS(void, WaitForRefresh, (), { await Module.page.refreshed(); });

namespace portable {
namespace {

// How often the loop under a box looks whether the page's dialog has been closed.
constexpr unsigned kBoxPollMs = 15;

bool g_bStarted = false;
bool g_bWindowShown = false;
Scaling g_Scaling = Scaling::Sharp;
int g_nBoxes = 0;  // boxes up, the innermost the page's dialog
// The picture handed to the page, made on the first: memory asked for before main() cannot be
// refused in one clear line.
std::vector<std::uint8_t> g_Rgba;

bool Start(const SDisplayOptions& options, std::string& error)
{
    if (!EM_ASM_INT({ return typeof Module.page == 'object' ? 1 : 0; })) {
        error = "not running in the web page";
        return false;
    }
    g_bStarted = true;
    g_Scaling = options.scaling;
    return true;
}

bool ShowWindow(const char* pszTitle, const SIconImage*, std::string&)
{
    // The page's favicon is the program's icon already.
    if (!g_bStarted || g_bWindowShown)
        return true;
    g_bWindowShown = true;
    const char* pszScaling = g_Scaling == Scaling::Integer   ? "integer"
                             : g_Scaling == Scaling::Nearest ? "nearest"
                                                             : "sharp";
    EM_ASM({ Module.page.showWindow(UTF8ToString($0), UTF8ToString($1)); }, pszTitle, pszScaling);
    return true;
}

void HideWindow()
{
    if (g_bWindowShown)
        EM_ASM({ Module.page.hideWindow(); });
}

void DestroyWindow()
{
    HideWindow();
    g_bWindowShown = false;
    EM_ASM({ Module.page.takeKeys(); });
}

void Shutdown()
{
    if (!g_bStarted)
        return;
    DestroyWindow();
    g_bStarted = false;
}

// Makes the memory of the page's picture, here and in the page, the first time. The program's
// first wait (for its first timer) does it, so that the first flip only converts and paints.
void ReadyPicture()
{
    if (!g_Rgba.empty())
        return;
    g_Rgba.resize(static_cast<std::size_t>(kScreenWidth) * kScreenHeight * 4);
    ShownWords(WordOrder::Rgba, g_Rgba.data(), kScreenWidth * 4);  // black
    EM_ASM({ Module.page.readyPicture(HEAPU8.subarray($0, $0 + $1)); }, g_Rgba.data(),
           static_cast<int>(g_Rgba.size()));
}

void ShowPicture()
{
    if (!g_bWindowShown)
        return;
    ReadyPicture();
    ShownWords(WordOrder::Rgba, g_Rgba.data(), kScreenWidth * 4);
    EM_ASM({ Module.page.showPicture(HEAPU8.subarray($0, $0 + $1)); }, g_Rgba.data(),
           static_cast<int>(g_Rgba.size()));
    WaitForRefresh();
}

void SetCursorVisible(bool bVisible)
{
    if (g_bWindowShown)
        EM_ASM({ Module.page.setCursorVisible($0); }, bVisible);
}

void PumpEvents(DWORD waitMs)
{
    if (!g_bStarted)
        return;
    const bool bKeys = EM_ASM_INT({ return Module.page.keys.length; }) > 0;
    if (waitMs > 0 && !bKeys) {  // the page's messages come in meanwhile
        const DWORD nStart = static_cast<DWORD>(emscripten_get_now());
        if (g_bWindowShown)
            ReadyPicture();
        const DWORD nTaken = static_cast<DWORD>(emscripten_get_now()) - nStart;
        if (nTaken < waitMs)
            emscripten_sleep(g_nBoxes > 0 && waitMs > kBoxPollMs ? kBoxPollMs : waitMs - nTaken);
    }
    EM_ASM({ Module.page.pumped(); });
    if (g_bWindowShown)
        SetAppActive(EM_ASM_INT({ return Module.page.active() ? 1 : 0; }) != 0);
    // Each key: its window message in the high half, its virtual-key code in the low one.
    std::vector<int> keys(static_cast<std::size_t>(EM_ASM_INT({ return Module.page.keys.length; })));
    if (!keys.empty())
        EM_ASM({ HEAP32.set(Module.page.takeKeys(), $0 >> 2); }, keys.data());
    for (const int nKey : keys)
        PostKeyMessage(static_cast<UINT>(nKey >> 16), static_cast<UINT>(nKey & 0xFFFF));
}

bool ShowBox(const char* pszText, const char* pszCaption)
{
    if (!g_bStarted)
        return false;
    // The page's dialog is modal: nothing under it takes input, and the framework draws no
    // frame while a box is up.
    ++g_nBoxes;
    EM_ASM({ Module.page.showMessageBox(UTF8ToString($0), UTF8ToString($1)); }, pszText,
           pszCaption);
    return true;
}

bool BoxUp()
{
    return EM_ASM_INT({ return Module.page.messageBoxOpen() ? 1 : 0; }) != 0;
}

}  // namespace

const SDisplay g_DeviceDisplay{
    .Start = Start,
    .Shutdown = Shutdown,
    .Now = [] { return static_cast<DWORD>(emscripten_get_now()); },
    .ShowWindow = ShowWindow,
    .HideWindow = HideWindow,
    .DestroyWindow = DestroyWindow,
    .ShowPicture = ShowPicture,
    .SetCursorVisible = SetCursorVisible,
    .TakesInput = [] { return true; },
    .PumpEvents = PumpEvents,
    .Wait = [](DWORD ms) { emscripten_sleep(ms); },
    .ShowBox = ShowBox,
    .BoxUp = BoxUp,
    .CloseBox = [] { --g_nBoxes; },
};

}  // namespace portable
