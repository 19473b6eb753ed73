// The Win32/DirectDraw calls of the portable layer that count themselves and can be made to
// fail (faults.h); one more, CaptureWrite, is one write of a frame file's bytes.
#pragma once

namespace portable {

enum class Call {
    DirectDrawCreate, QueryInterface, SetCooperativeLevel, SetDisplayMode, CreateSurface,
    GetAttachedSurface, CreatePalette, GetSurfaceDesc, Flip, Restore, Lock, Unlock, GetDC,
    ReleaseDC, FlipToGDISurface, Release, SetTimer, CreateWindowExA, RegisterClassA, MessageBoxA,
    TextOutA, CaptureWrite
};

}  // namespace portable
