// The message queue of the portable window manager: posted messages, WM_QUIT and timers, taken
// in Windows' order by GetMessage and PeekMessage, translated and dispatched. WM_TIMER is made
// by the loop when a timer is due, never from another thread, at most one pending per timer.
#include "window_manager.h"

#include "../testing/faults.h"
#include "window_internal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace portable {
namespace {

struct CTimer {
    HWND hWnd;
    UINT_PTR nId;
    UINT nInterval;
    DWORD dwDue;
    TIMERPROC pfnProc;
};

// Windows raises shorter intervals to 10 ms (USER_TIMER_MINIMUM).
constexpr UINT kMinTimerInterval = 10;
// Posted messages, oldest first; a few at a time. Not a deque: that allocates as it is made,
// before main(), where running out of memory cannot be told in one line.
std::vector<MSG> g_Queue;
std::vector<CTimer> g_Timers;
UINT_PTR g_nNextThreadTimer = 0x7F00;
bool g_bQuitPosted = false;
int g_nQuitCode = 0;

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

}  // namespace

namespace wm {

void QueueMessage(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    g_Queue.push_back(MakeMsg(hWnd, nMsg, wParam, lParam));
}

void RemoveTimersOf(HWND hWnd)
{
    g_Timers.erase(std::remove_if(g_Timers.begin(), g_Timers.end(),
                                  [hWnd](const CTimer& t) { return t.hWnd == hWnd; }),
                   g_Timers.end());
}

void ResetMessageQueue()
{
    g_Queue.clear();
    g_Timers.clear();
    g_bQuitPosted = false;
    g_nQuitCode = 0;
}

}  // namespace wm

bool WaitForMessage(HWND hFilter, UINT nMin, UINT nMax)
{
    DWORD dwDue = 0;
    const bool bTimer = NextTimerDue(hFilter, nMin, nMax, dwDue);
    if (!bTimer && (!Display().TakesInput() || !wm::HasWindows()))
        return false;
    const auto nLeft = static_cast<std::int32_t>(dwDue - NowMs());
    Display().PumpEvents(bTimer ? std::max<std::int32_t>(0, nLeft) : 100);
    return true;
}

}  // namespace portable

using namespace portable;
using portable::wm::EndRunIfRequested;
using portable::wm::SendToWindow;

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

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd && !IsWindow(hWnd))
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
    if (hWnd && !IsWindow(hWnd))
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
