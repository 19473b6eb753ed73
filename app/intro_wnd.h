// CIntroWnd: the intro's window. A CSurfaceWnd that checks the display's pixel format, builds
// the scene (relief + logo) for it and, each frame, copies the scene into the back buffer and
// draws the greetings scroller over it. Depends on framework/, effects/ and the seam.
#pragma once

#include <cstdint>

#include "surface_wnd.h"

class CIntroScene;

// Where a display's pixels take the scene's 5-5-5 words. nBytes is 2 on a 16-bit display, whose
// pixels take the words as they are; on a 24- or 32-bit display each channel becomes 8 bits
// placed at its shift (the lowest set bit of the display's mask for it).
struct SPixelPlacement
{
    int nBytes;
    int nRedShift;
    int nGreenShift;
    int nBlueShift;
};

class CIntroWnd : public CSurfaceWnd
{
public:
    CIntroWnd();
    // Releases nothing: the scene lives until the process ends.
    ~CIntroWnd() override;

    // Builds the scene for a 16-bit RGB display (5-6-5, else 5-5-5) or for a 24/32-bit one with
    // 8-bit channels (drawn from 5-5-5); refuses any other format with a message and then
    // closes the intro. Called once, after InitSurfaces.
    void CreateScene();
    // Renders the next frame into `surface` and the scroller over it. Always 0.
    int Draw(IDirectDrawSurface* surface) override;

protected:
    CIntroScene* m_pScene;        // null until CreateScene has built one
    SPixelPlacement m_Placement;  // the display's, read with the scene's layout
};

// Copies one 640 x 480 frame of 16-bit words into surface memory whose rows lie `pitch` bytes
// apart. Rows shorter than a frame row cannot hold it: nothing is copied then.
void CopyFrame(void* surface, LONG pitch, const std::uint16_t* frame);
// Writes one 640 x 480 frame of 5-5-5 words into 24- or 32-bit surface memory laid out as
// `placement` says, each 5-bit channel widened to 8 bits with its top bits repeated below, so
// 0 stays 0 and 31 becomes 255. Rows shorter than a frame row: nothing is written.
void ConvertFrame(void* surface, LONG pitch, const std::uint16_t* frame,
                  const SPixelPlacement& placement);

// The intro window of the process, null if it could not be allocated.
extern CIntroWnd* g_pApp;
