// Window manager of the portable platform: window classes, windows, activation and focus,
// cursors and icons; the posted-message queue and timers are message_queue.cpp's. Single-threaded like the program; time and
// display events come from the display (display.h), never from another thread.
#include "window_manager.h"

#include "../ddraw/ddraw.h"
#include "../run/ending.h"
#include "../testing/faults.h"
#include "icon.h"
#include "resource_table.h"
#include "window_internal.h"

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

// The icon size a desktop asks of a window first (SM_CXICON on Windows).
constexpr int kIconSize = 32;
// Handles the system hands out for its own cursor and icon, and for the program's module.
const auto kArrowCursor = reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x10003));
const auto kApplicationIcon = reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x10005));
const auto kProgramModule = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x400000));

std::map<std::string, CWindowClass> g_Classes;  // by upper-case name: class names ignore case
std::map<std::uintptr_t, CWindow> g_Windows;
std::uintptr_t g_nNextWindow = 0x10010;
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

std::vector<HWND> AllWindows()
{
    std::vector<HWND> handles;
    for (const auto& entry : g_Windows)
        handles.push_back(reinterpret_cast<HWND>(entry.first));
    return handles;
}

// The first window shown becomes the display's window, with its class's icon if the program
// loaded one from its resources. Where the display cannot show it the run ends: a run nobody
// can see must not go on.
void ShowOnDisplay(const CWindow& window)
{
    auto itClass = g_Classes.find(window.strClass);
    SIconImage icon;
    const bool bIcon = itClass != g_Classes.end() &&
                       LoadIconImage(itClass->second.wc.hIcon, kIconSize, icon);
    std::string error;
    if (!Display().ShowWindow(window.strTitle.c_str(), bIcon ? &icon : nullptr, error))
        throw CWindowNotShown(error);
}

bool ActivatesOnShow(int nCmdShow)
{
    return nCmdShow != SW_HIDE && nCmdShow != SW_SHOWNA && nCmdShow != SW_SHOWNOACTIVATE &&
           nCmdShow != SW_SHOWMINNOACTIVE && nCmdShow != SW_MINIMIZE;
}

}  // namespace

// ---- shared with the message queue (window_internal.h) ----

namespace wm {

LRESULT SendToWindow(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    CWindow* pWindow = FindWindow(hWnd);
    if (!pWindow || !pWindow->pfnProc)
        return 0;
    return pWindow->pfnProc(hWnd, nMsg, wParam, lParam);
}

bool HasWindows()
{
    return !g_Windows.empty();
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

}  // namespace wm

using wm::SendToWindow;

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
    wm::QueueMessage(hTarget, nMsg, nVk, lParam);
}

void PostCloseToMainWindow()
{
    if (g_hMainWindow)
        wm::QueueMessage(g_hMainWindow, WM_CLOSE, 0, 0);
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
    wm::ResetMessageQueue();
    g_bAppActive = false;
    g_bEnding = false;
    g_hFocus = nullptr;
    g_hMainWindow = nullptr;
    g_hCursor = kArrowCursor;
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
    wm::RemoveTimersOf(hWnd);
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
