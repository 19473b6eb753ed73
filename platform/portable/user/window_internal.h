// Shared by the two files of the portable window manager: window.cpp (classes, windows, focus)
// and message_queue.cpp (posted messages, WM_QUIT, timers). Nothing else includes it.
#pragma once

#include "../../winapi.h"

namespace portable::wm {

// ---- window.cpp ----
// Calls the window's procedure; 0 for a window that is not there.
LRESULT SendToWindow(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
bool HasWindows();
// A signal or a failed capture ended the run: the main window goes as if it were closed, and
// WM_QUIT follows (once).
void EndRunIfRequested();

// ---- message_queue.cpp ----
void QueueMessage(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
void RemoveTimersOf(HWND hWnd);
void ResetMessageQueue();

}  // namespace portable::wm
