// CIntroWnd: the intro's window. A CSurfaceWnd that checks the display's pixel format, builds
// the scene (relief + logo) for it and, each frame, copies the scene into the back buffer and
// draws the greetings scroller over it. Depends on framework/, effects/ and the seam.
#pragma once

#include <cstdint>

#include "surface_wnd.h"

class CIntroScene;

class CIntroWnd : public CSurfaceWnd
{
public:
    CIntroWnd();
    // Releases nothing: the scene lives until the process ends.
    ~CIntroWnd() override;

    // Builds the scene for a 5-6-5 or 5-5-5 display; refuses any other format with a message
    // and then closes the intro. Called once, after InitSurfaces.
    void CreateScene();
    // Renders the next frame into `surface` and the scroller over it. Always 0.
    int Draw(IDirectDrawSurface* surface) override;

protected:
    CIntroScene* m_pScene;   // null until CreateScene has built one
};

// Copies one 640 x 480 frame of 16-bit words into surface memory whose rows lie `pitch` bytes
// apart. Rows shorter than a frame row cannot hold it: nothing is copied then.
void CopyFrame(void* surface, LONG pitch, const std::uint16_t* frame);

// The intro window of the process, null if it could not be allocated.
extern CIntroWnd* g_pApp;
