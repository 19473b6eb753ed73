// The log of message boxes behind test::MessageBoxes and test::SetMessageBoxHook (testing.h),
// kept by testing.cpp and written by MessageBoxA (message_box.cpp).
#pragma once

#include "../../winapi.h"

namespace portable {

// Every box MessageBoxA is asked for; a test's hook runs while it is up.
void RecordMessageBox(HWND hOwner, const char* pszText, const char* pszCaption, UINT nType);
void ResetMessageBoxes();

}  // namespace portable
