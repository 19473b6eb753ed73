// The one seam between korvan and the system: everything above platform/ includes this header
// and calls Win32 and DirectDraw by their own names. On Windows these are the real headers; on
// other systems they are our declarations (platform/portable/), same names, values and layouts.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ddraw.h>
#else
#include "portable/sdk/win32_types.h"
#include "portable/sdk/win32_calls.h"
#include "portable/sdk/ddraw_types.h"
#endif
