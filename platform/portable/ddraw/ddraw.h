// DirectDraw of the portable platform (ddraw.cpp, surface.cpp) as the rest of the platform sees
// it: the emulated display's 16-bit format, the loss of an exclusive chain, and a fresh start.
#pragma once

#include "../sdk/display_format.h"

namespace portable {

// What a 16-bit display mode gives (5-6-5 or 5-5-5, as the user chose); the desktop's mode is
// that from the next ResetDirectDraw on.
void SetSixteenBitFormat(DisplayFormat format);
// The program left the foreground: an exclusive-mode primary chain is lost.
void LoseExclusiveSurfaces();
// Every object made so far dies (it stays a shell that fails every call); the mode is the
// desktop's again.
void ResetDirectDraw();
// Bytes added to every surface row from now on, so tests see code that assumes the pitch.
void SetPitchPadding(int nBytes);

}  // namespace portable
