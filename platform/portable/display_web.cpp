// The browser display of the portable platform (WebAssembly), in place of display_sdl.cpp: the
// only file that knows the page. The emulated 640x480 screen is the page's canvas; each flipped
// picture (already RGB, present.cpp) is put into it as RGBA, and the page's CSS scales it to fit
// at 4:3 with nearest-pixel scaling. Keys, focus and visibility arrive as html5.h callbacks and
// wait in a small queue until PumpEvents turns them into window messages, as SDL's event
// queue does on the desktop. Message boxes are modal dialogs of the page (its `Module.page`),
// waited for by message_box.cpp's loop as on the desktop.
//
// The program's blocking waits (GetMessage, Sleep, a message box, Flip) run under ASYNCIFY: each
// goes through emscripten_sleep or WaitForRefresh, which hand control back to the browser until
// the wait is over. Flip waits for the browser's next frame (requestAnimationFrame), its vsync,
// as DirectDraw's Flip waits for the display's refresh: a new picture on every refresh at 60 Hz,
// the timer's 100 a second on a faster display, never two pictures in one refresh.
// html5.h calls used: emscripten_set_keydown/keyup_callback, emscripten_set_focus/blur_callback,
// emscripten_set_visibilitychange_callback, emscripten_sleep, emscripten_get_now.
#include "world.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <deque>
#include <vector>

// Returns at the browser's next animation frame, where the picture just put into the canvas is
// painted. A hidden tab has no animation frames: there (or once the tab becomes hidden) it
// returns at once, and the program, no longer active, stops flipping.
EM_ASYNC_JS(void, WaitForRefresh, (), {
    await new Promise((resolve) => {
        if (document.hidden) {
            setTimeout(resolve, 0);
            return;
        }
        const done = () => {
            document.removeEventListener('visibilitychange', done);
            resolve();
        };
        document.addEventListener('visibilitychange', done);
        requestAnimationFrame(done);
    });
});

namespace portable {
namespace {

// How often the loop under a box looks whether the page's dialog has been closed.
constexpr unsigned kBoxPollMs = 15;

bool g_bStarted = false;
bool g_bWindowShown = false;
int g_nBoxes = 0;  // boxes up, the innermost the page's dialog
// The page is active while the window has the focus and the tab is visible.
bool g_bFocused = true;
bool g_bVisible = true;
struct SKeyEvent {
    UINT nMsg;
    UINT nVk;
};
std::deque<SKeyEvent> g_PendingKeys;
// The page's picture, made on the first: memory asked for before main() cannot be refused in one
// clear line.
std::vector<std::uint8_t> g_Rgba;

// Virtual-key code of a DOM keyCode (which already uses the Win32 numbers for these keys);
// 0 for keys the program never sees.
UINT VirtualKeyOf(unsigned long nKeyCode)
{
    if ((nKeyCode >= 'A' && nKeyCode <= 'Z') || (nKeyCode >= '0' && nKeyCode <= '9'))
        return static_cast<UINT>(nKeyCode);
    if (nKeyCode >= VK_F1 && nKeyCode <= VK_F1 + 11)
        return static_cast<UINT>(nKeyCode);
    switch (nKeyCode) {
    case VK_ESCAPE: case VK_RETURN: case VK_SPACE: case VK_BACK: case VK_TAB:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE: case VK_PAUSE:
    case VK_SHIFT: case VK_CONTROL: case VK_MENU:
        return static_cast<UINT>(nKeyCode);
    default:
        return 0;
    }
}

// Keys whose browser meaning (help, scrolling, stopping the load) would fight the intro's.
// Reload, the browser's fullscreen, developer tools and every shortcut with a modifier stay
// the browser's.
bool KeepFromBrowser(UINT nVk, const EmscriptenKeyboardEvent& key)
{
    if (key.ctrlKey || key.altKey || key.metaKey)
        return false;
    switch (nVk) {
    case VK_F1: case VK_ESCAPE: case VK_RETURN: case VK_SPACE: case VK_BACK:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT:
        return true;
    default:
        return false;
    }
}

EM_BOOL OnKey(int nEventType, const EmscriptenKeyboardEvent* pKey, void*)
{
    const UINT nVk = VirtualKeyOf(pKey->keyCode);
    if (!nVk || !g_bWindowShown)
        return EM_FALSE;
    // Alt+Enter is the page's fullscreen switch (index.html), like the desktop's.
    if (nVk == VK_RETURN && pKey->altKey)
        return EM_FALSE;
    // While a box is up its dialog takes the keys, as a modal box does on Windows.
    if (g_nBoxes == 0)
        g_PendingKeys.push_back(
            {static_cast<UINT>(nEventType == EMSCRIPTEN_EVENT_KEYDOWN ? WM_KEYDOWN : WM_KEYUP), nVk});
    return KeepFromBrowser(nVk, *pKey) ? EM_TRUE : EM_FALSE;  // EM_TRUE: preventDefault
}

EM_BOOL OnFocus(int nEventType, const EmscriptenFocusEvent*, void*)
{
    g_bFocused = nEventType == EMSCRIPTEN_EVENT_FOCUS;
    return EM_FALSE;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* pEvent, void*)
{
    g_bVisible = !pEvent->hidden;
    return EM_FALSE;
}

bool Start(std::string& error)
{
    const bool bPage = EM_ASM_INT({ return typeof Module.page == 'object' ? 1 : 0; });
    if (!bPage) {
        error = "not running in the web page";
        return false;
    }
    g_bFocused = EM_ASM_INT({ return document.hasFocus() ? 1 : 0; });
    g_bVisible = EM_ASM_INT({ return document.hidden ? 0 : 1; });
    const char* pszWindow = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(pszWindow, nullptr, EM_TRUE, OnKey);
    emscripten_set_keyup_callback(pszWindow, nullptr, EM_TRUE, OnKey);
    // Not in the capture phase: there every element's focus change (a dialog's button) would
    // pass by, and only the window's own focus counts.
    emscripten_set_focus_callback(pszWindow, nullptr, EM_FALSE, OnFocus);
    emscripten_set_blur_callback(pszWindow, nullptr, EM_FALSE, OnFocus);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, OnVisibility);
    g_bStarted = true;
    return true;
}

void ShowWindow(const char* pszTitle, const SIconImage*)
{
    // The page's favicon is the program's icon already.
    if (!g_bStarted || g_bWindowShown)
        return;
    g_bWindowShown = true;
    EM_ASM({ Module.page.showWindow(UTF8ToString($0)); }, pszTitle);
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
    g_PendingKeys.clear();
}

void Shutdown()
{
    if (!g_bStarted)
        return;
    DestroyWindow();
    emscripten_html5_remove_all_event_listeners();
    g_bStarted = false;
}

void ShowPicture()
{
    if (!g_bWindowShown)
        return;
    g_Rgba.resize(static_cast<std::size_t>(kScreenWidth) * kScreenHeight * 4);
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
    if (waitMs > 0 && g_PendingKeys.empty())  // the browser's callbacks run meanwhile
        emscripten_sleep(g_nBoxes > 0 && waitMs > kBoxPollMs ? kBoxPollMs : waitMs);
    EM_ASM({ Module.page.pumped(); });
    if (g_bWindowShown)
        SetAppActive(g_bFocused && g_bVisible);
    while (!g_PendingKeys.empty()) {
        const SKeyEvent key = g_PendingKeys.front();
        g_PendingKeys.pop_front();
        PostKeyMessage(key.nMsg, key.nVk);
    }
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

// In the order of SDisplay's members.
const SDisplay g_Web{
    Start, Shutdown, [] { return static_cast<DWORD>(emscripten_get_now()); }, ShowWindow,
    HideWindow, DestroyWindow, ShowPicture, SetCursorVisible, [] { return true; }, PumpEvents,
    [](DWORD ms) { emscripten_sleep(ms); }, ShowBox,
    [] { return EM_ASM_INT({ return Module.page.messageBoxOpen() ? 1 : 0; }) != 0; },
    [] { --g_nBoxes; }};

}  // namespace

const SDisplay& DeviceDisplay()
{
    return g_Web;
}

}  // namespace portable
