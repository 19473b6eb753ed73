// Window manager of the portable platform: window classes, windows, the posted-message queue,
// timers, activation and focus, cursors and icons. Single-threaded like the program; time and
// display events come from the display (display.h), never from another thread.
#include "window_manager.h"

#include "../ddraw/ddraw.h"
#include "../run/ending.h"
#include "../testing/faults.h"
#include "icon.h"
#include "resource_table.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace portable {
namespace {

struct CWindowClass {
    WNDCLASSA wc;
    std::string strName;
};

struct CWindow {
    std::string strClass;
    WNDPROC pfnProc;
    HCURSOR hCursor;
    std::string strTitle;
    bool bVisible = false;
    bool bDestroying = false;
};

struct CTimer {
    HWND hWnd;
    UINT_PTR nId;
    UINT nInterval;
    DWORD dwDue;
    TIMERPROC pfnProc;
};

// Windows raises shorter intervals to 10 ms (USER_TIMER_MINIMUM).
constexpr UINT kMinTimerInterval = 10;
// The icon size a desktop asks of a window first (SM_CXICON on Windows).
constexpr int kIconSize = 32;
// Handles the system hands out for its own cursor and icon, and for the program's module.
const auto kArrowCursor = reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x10003));
const auto kApplicationIcon = reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x10005));
const auto kProgramModule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x400000));

std::map<std::string, CWindowClass> g_Classes;  // by upper-case name: class names ignore case
std::map<std::uintptr_t, CWindow> g_Windows;
std::uintptr_t g_nNextWindow = 0x10010;
// Posted messages, oldest first; a few at a time. Not a deque: that allocates as it is made,
// before main(), where running out of memory cannot be told in one line.
std::vector<MSG> g_Queue;
std::vector<CTimer> g_Timers;
UINT_PTR g_nNextThreadTimer = 0x7F00;
bool g_bQuitPosted = false;
int g_nQuitCode = 0;
bool g_bAppActive = false;
bool g_bEnding = false;  // the run was ended from outside and its main window destroyed
HWND g_hFocus = nullptr;
HWND g_hMainWindow = nullptr;  // the first window shown: the one the display shows
HCURSOR g_hCursor = kArrowCursor;

std::string UpperCase(const char* psz)
{
    std::string s(psz ? psz : "");
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

CWindow* FindWindow(HWND hWnd)
{
    auto it = g_Windows.find(reinterpret_cast<std::uintptr_t>(hWnd));
    return it == g_Windows.end() ? nullptr : &it->second;
}

LRESULT SendToWindow(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWindow* pWindow = FindWindow(hWnd);
    if (!pWindow || !pWindow->pfnProc)
        return 0;
    return pWindow->pfnProc(hWnd, nMsg, wParam, lParam);
}

std::vector<HWND> AllWindows()
{
    std::vector<HWND> handles;
    for (const auto& entry : g_Windows)
        handles.push_back(reinterpret_cast<HWND>(entry.first));
    return handles;
}

bool Matches(HWND hMsgWnd, UINT nMsg, HWND hFilter, UINT nMin, UINT nMax)
{
    if (hFilter && hMsgWnd != hFilter)
        return false;
    return (nMin == 0 && nMax == 0) || (nMsg >= nMin && nMsg <= nMax);
}

MSG MakeMsg(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = hWnd;
    msg.message = nMsg;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = NowMs();
    return msg;
}

// Windows' order: posted messages, then the quit message, then timers (lowest priority).
bool TakeMessage(MSG* pMsg, HWND hFilter, UINT nMin, UINT nMax, bool bRemove)
{
    for (auto it = g_Queue.begin(); it != g_Queue.end(); ++it) {
        if (Matches(it->hwnd, it->message, hFilter, nMin, nMax)) {
            *pMsg = *it;
            if (bRemove)
                g_Queue.erase(it);
            return true;
        }
    }
    if (g_bQuitPosted) {  // delivered whatever the filter, as GetMessage documents
        *pMsg = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(g_nQuitCode), 0);
        if (bRemove)
            g_bQuitPosted = false;
        return true;
    }
    const DWORD dwNow = NowMs();
    for (CTimer& timer : g_Timers) {
        if (static_cast<std::int32_t>(dwNow - timer.dwDue) < 0 ||
            !Matches(timer.hWnd, WM_TIMER, hFilter, nMin, nMax))
            continue;
        *pMsg = MakeMsg(timer.hWnd, WM_TIMER, timer.nId, reinterpret_cast<LPARAM>(timer.pfnProc));
        // The next one is due a full period after this one is taken, so at most one waits.
        if (bRemove)
            timer.dwDue = dwNow + timer.nInterval;
        return true;
    }
    return false;
}

// The earliest due time of a timer the filter accepts; false when there is none.
bool NextTimerDue(HWND hFilter, UINT nMin, UINT nMax, DWORD& dwDue)
{
    bool bFound = false;
    const DWORD dwNow = NowMs();
    for (const CTimer& timer : g_Timers) {
        if (!Matches(timer.hWnd, WM_TIMER, hFilter, nMin, nMax))
            continue;
        if (!bFound || static_cast<std::int32_t>(timer.dwDue - dwNow) <
                           static_cast<std::int32_t>(dwDue - dwNow))
            dwDue = timer.dwDue;
        bFound = true;
    }
    return bFound;
}

void RemoveTimersOf(HWND hWnd)
{
    g_Timers.erase(std::remove_if(g_Timers.begin(), g_Timers.end(),
                                  [hWnd](const CTimer& t) { return t.hWnd == hWnd; }),
                   g_Timers.end());
}

// The first window shown becomes the display's window, with its class's icon if the program
// loaded one from its resources.
void ShowOnDisplay(const CWindow& window)
{
    auto itClass = g_Classes.find(window.strClass);
    SIconImage icon;
    const bool bIcon = itClass != g_Classes.end() &&
                       LoadIconImage(itClass->second.wc.hIcon, kIconSize, icon);
    Display().ShowWindow(window.strTitle.c_str(), bIcon ? &icon : nullptr);
}

// A signal or a failed capture ended the run: the main window goes as if it were closed, so
// the program's own shutdown runs (DirectDraw released, its farewell box printed), and WM_QUIT
// follows whatever other windows the program still has.
void EndRunIfRequested()
{
    if (g_bEnding || !EndRequested())
        return;
    g_bEnding = true;
    if (g_hMainWindow)
        DestroyWindow(g_hMainWindow);
    PostQuitMessage(0);
}

bool ActivatesOnShow(int nCmdShow)
{
    return nCmdShow != SW_HIDE && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
           nCmdShow != SW_SHOWMINNOACTIVE && nCmdShow != SW_MINIMIZE;
}

}  // namespace

// ---- shared with the rest of the platform ----

DWORD NowMs()
{
    return Display().Now();
}

bool IsAppActive()
{
    return g_bAppActive;
}

void SetAppActive(bool bActive)
{
    if (g_bAppActive == bActive)
        return;
    g_bAppActive = bActive;
    if (!bActive)
        LoseExclusiveSurfaces();
    for (HWND hWnd : AllWindows())
        SendToWindow(hWnd, WM_ACTIVATEAPP, bActive ? 1 : 0, 0);
}

void PostKeyMessage(UINT nMsg, UINT nVk)
{
    HWND hTarget = g_hFocus ? g_hFocus : g_hMainWindow;
    if (!hTarget)
        return;
    // Repeat count 1; a key-up also sets the previous-state and transition bits.
    LPARAM lParam = nMsg == WM_KEYUP ? static_cast<LPARAM>(0xC0000001u) : 1;
    g_Queue.push_back(MakeMsg(hTarget, nMsg, nVk, lParam));
}

void PostCloseToMainWindow()
{
    if (g_hMainWindow)
        g_Queue.push_back(MakeMsg(g_hMainWindow, WM_CLOSE, 0, 0));
}

void SendSetCursorToMainWindow()
{
    if (g_hMainWindow)
        SendToWindow(g_hMainWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(g_hMainWindow),
                     (static_cast<LPARAM>(WM_MOUSEMOVE) << 16) | HTCLIENT);
}

void ResetWindowManager()
{
    g_Classes.clear();
    g_Windows.clear();
    g_Queue.clear();
    g_Timers.clear();
    g_bQuitPosted = false;
    g_nQuitCode = 0;
    g_bAppActive = false;
    g_bEnding = false;
    g_hFocus = nullptr;
    g_hMainWindow = nullptr;
    g_hCursor = kArrowCursor;
}

bool WaitForMessage(HWND hFilter, UINT nMin, UINT nMax)
{
    DWORD dwDue = 0;
    const bool bTimer = NextTimerDue(hFilter, nMin, nMax, dwDue);
    if (!bTimer && (!Display().TakesInput() || g_Windows.empty()))
        return false;
    const auto nLeft = static_cast<std::int32_t>(dwDue - NowMs());
    Display().PumpEvents(bTimer ? std::max<std::int32_t>(0, nLeft) : 100);
    return true;
}

}  // namespace portable

using namespace portable;

// ---- classes and windows ----

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass)
{
    HRESULT hr;
    if (FaultDue(Call::RegisterClassA, hr))
        return 0;
    if (!lpWndClass || !lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc)
        return 0;
    std::string strKey = UpperCase(lpWndClass->lpszClassName);
    if (g_Classes.count(strKey))
        return 0;  // ERROR_CLASS_ALREADY_EXISTS
    CWindowClass& cls = g_Classes[strKey];
    cls.wc = *lpWndClass;
    cls.strName = lpWndClass->lpszClassName;
    cls.wc.lpszClassName = cls.strName.c_str();
    cls.wc.lpszMenuName = nullptr;
    return static_cast<ATOM>(0xC000 + g_Classes.size());
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam)
{
    HRESULT hr;
    if (FaultDue(Call::CreateWindowExA, hr))
        return nullptr;
    auto itClass = g_Classes.find(UpperCase(lpClassName));
    if (itClass == g_Classes.end())
        return nullptr;
    const auto nHandle = g_nNextWindow;
    g_nNextWindow += 0x10;  // handles are never reused, so a stale one stays invalid
    CWindow& window = g_Windows[nHandle];
    window.strClass = itClass->first;
    window.pfnProc = itClass->second.wc.lpfnWndProc;
    window.hCursor = itClass->second.wc.hCursor;
    window.strTitle = lpWindowName ? lpWindowName : "";
    HWND hWnd = reinterpret_cast<HWND>(nHandle);

    CREATESTRUCTA cs{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X,
                     static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    if (SendToWindow(hWnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hWnd);
        return nullptr;
    }
    if (dwStyle & WS_VISIBLE)
        ShowWindow(hWnd, SW_SHOW);
    return hWnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    CWindow* pWindow = FindWindow(hWnd);
    if (!pWindow || pWindow->bDestroying)
        return FALSE;
    pWindow->bDestroying = true;
    // Windows hides a window before WM_DESTROY: a box shown while that is handled (a farewell
    // message) stands alone on the desktop, and the window does not come back after it.
    pWindow->bVisible = false;
    if (hWnd == g_hMainWindow)
        Display().HideWindow();
    // The program's last window going away hands the foreground to someone else.
    if (g_Windows.size() == 1 && g_bAppActive)
        SetAppActive(false);
    SendToWindow(hWnd, WM_DESTROY, 0, 0);
    SendToWindow(hWnd, WM_NCDESTROY, 0, 0);
    RemoveTimersOf(hWnd);
    g_Windows.erase(reinterpret_cast<std::uintptr_t>(hWnd));
    if (g_hFocus == hWnd)
        g_hFocus = nullptr;
    if (g_hMainWindow == hWnd) {
        g_hMainWindow = nullptr;
        Display().DestroyWindow();
    }
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    return FindWindow(hWnd) != nullptr;
}

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    CWindow* pWindow = FindWindow(hWnd);
    if (!pWindow)
        return FALSE;
    const BOOL bWasVisible = pWindow->bVisible;
    pWindow->bVisible = nCmdShow != SW_HIDE;
    if (!pWindow->bVisible)
        return bWasVisible;
    if (!g_hMainWindow) {
        g_hMainWindow = hWnd;
        ShowOnDisplay(*pWindow);
    }
    if (ActivatesOnShow(nCmdShow)) {
        g_hFocus = hWnd;
        SetAppActive(true);
    }
    return bWasVisible;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    return IsWindow(hWnd);
}

HWND WINAPI SetFocus(HWND hWnd)
{
    HWND hPrevious = g_hFocus;
    if (hWnd && !FindWindow(hWnd))
        return nullptr;
    g_hFocus = hWnd;
    return hPrevious;
}

HWND WINAPI GetFocus(void)
{
    return g_hFocus;
}

int WINAPI GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN:
        return kScreenWidth;
    case SM_CYSCREEN:
        return kScreenHeight;
    default:
        return 0;
    }
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = '\0';
    CWindow* pWindow = FindWindow(hWnd);
    if (!pWindow)
        return 0;
    const int nCopy = std::min(static_cast<int>(pWindow->strTitle.size()), nMaxCount - 1);
    std::memcpy(lpString, pWindow->strTitle.data(), static_cast<std::size_t>(nCopy));
    lpString[nCopy] = '\0';
    return nCopy;
}

// ---- cursors and icons ----

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    // Only the system's arrow exists; the program has no cursor resources.
    if (!hInstance && IS_INTRESOURCE(lpCursorName) && lpCursorName == IDC_ARROW)
        return kArrowCursor;
    return nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    if (!hInstance)
        return IS_INTRESOURCE(lpIconName) && lpIconName == IDI_APPLICATION ? kApplicationIcon
                                                                           : nullptr;
    HRSRC hGroup = FindResourceA(hInstance, lpIconName, RT_GROUP_ICON);
    return hGroup ? reinterpret_cast<HICON>(hGroup) : nullptr;
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor)
{
    HCURSOR hPrevious = g_hCursor;
    g_hCursor = hCursor;
    Display().SetCursorVisible(hCursor != nullptr);
    return hPrevious;
}

// ---- messages ----

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg)
        return -1;
    for (;;) {
        Display().PumpEvents(0);
        EndRunIfRequested();
        if (TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true))
            return lpMsg->message != WM_QUIT;
        if (!WaitForMessage(hWnd, wMsgFilterMin, wMsgFilterMax)) {
            // Waiting would never end: say so and end the loop instead of hanging.
            std::fprintf(stderr,
                         "korvan: GetMessage would wait forever (no timer, no window, nothing "
                         "queued); ending the message loop\n");
            *lpMsg = MakeMsg(nullptr, WM_QUIT, 1, 0);
            return FALSE;
        }
    }
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg)
{
    if (!lpMsg)
        return FALSE;
    Display().PumpEvents(0);
    EndRunIfRequested();
    return TakeMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0);
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg)
{
    if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN))
        return lpMsg && (lpMsg->message == WM_KEYUP || lpMsg->message == WM_SYSKEYUP);
    const UINT nVk = static_cast<UINT>(lpMsg->wParam);
    int nChar = 0;
    if (nVk >= 'A' && nVk <= 'Z')
        nChar = static_cast<int>(nVk - 'A' + 'a');  // no Shift state is tracked: lower case
    else if ((nVk >= '0' && nVk <= '9') || nVk == VK_SPACE || nVk == VK_RETURN ||
             nVk == VK_ESCAPE || nVk == VK_BACK || nVk == VK_TAB)
        nChar = static_cast<int>(nVk);
    if (nChar && lpMsg->message == WM_KEYDOWN)
        g_Queue.insert(g_Queue.begin(),
                       MakeMsg(lpMsg->hwnd, WM_CHAR, static_cast<WPARAM>(nChar), lpMsg->lParam));
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg)
{
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        auto pfnProc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        pfnProc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, NowMs());
        return 0;
    }
    return SendToWindow(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM /*wParam*/, LPARAM lParam)
{
    switch (Msg) {
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_NCCREATE:
        return TRUE;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        // In the client area the class cursor is shown.
        if (LOWORD(lParam) == HTCLIENT) {
            if (CWindow* pWindow = FindWindow(hWnd))
                SetCursor(pWindow->hCursor);
        }
        return FALSE;
    default:
        return 0;
    }
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd && !FindWindow(hWnd))
        return FALSE;
    g_Queue.push_back(MakeMsg(hWnd, Msg, wParam, lParam));
    return TRUE;
}

VOID WINAPI PostQuitMessage(int nExitCode)
{
    g_bQuitPosted = true;
    g_nQuitCode = nExitCode;
}

// ---- timers ----

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    HRESULT hr;
    if (FaultDue(Call::SetTimer, hr))
        return 0;
    if (hWnd && !FindWindow(hWnd))
        return 0;
    if (hWnd && nIDEvent == 0)
        return 0;  // the id is the handle the caller gets back; 0 would read as failure
    if (!hWnd)
        nIDEvent = g_nNextThreadTimer++;  // thread timers get an id of the system's choosing
    const UINT nInterval = std::max(uElapse, kMinTimerInterval);
    const CTimer timer{hWnd, nIDEvent, nInterval, NowMs() + nInterval, lpTimerFunc};
    for (CTimer& existing : g_Timers) {
        if (existing.hWnd == hWnd && existing.nId == nIDEvent) {
            existing = timer;  // setting an existing timer again restarts it
            return nIDEvent;
        }
    }
    g_Timers.push_back(timer);
    return nIDEvent;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    auto it = std::find_if(g_Timers.begin(), g_Timers.end(), [&](const CTimer& t) {
        return t.hWnd == hWnd && t.nId == uIDEvent;
    });
    if (it == g_Timers.end())
        return FALSE;
    g_Timers.erase(it);
    // A WM_TIMER already taken from the queue is not recalled, as on Windows.
    return TRUE;
}

// ---- KERNEL32 ----

int WINAPI lstrlenA(LPCSTR lpString)
{
    return lpString ? static_cast<int>(std::strlen(lpString)) : 0;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    return lpModuleName ? nullptr : kProgramModule;
}

VOID WINAPI Sleep(DWORD dwMilliseconds)
{
    Display().Wait(dwMilliseconds);
}

DWORD WINAPI GetTickCount(void)
{
    return NowMs();
}
