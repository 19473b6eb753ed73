// The run's work after each presented frame, hooked into presentation by StartFrameScript:
// the frame captured first, so that a key's effect shows only in the frames after it.
#include "frame_script.h"

#include "../ddraw/present.h"
#include "../user/window_manager.h"
#include "capture.h"

namespace portable {
namespace {

std::vector<SKeyAt> g_Keys;
int g_nEscapeAfter = 0;  // 0: never

void Press(UINT nVk)
{
    PostKeyMessage(WM_KEYDOWN, nVk);
    PostKeyMessage(WM_KEYUP, nVk);
}

void OnFrame(int nFrame)
{
    if (IsCapturing())
        CaptureFrame(nFrame, ShownRgb());
    for (const SKeyAt& key : g_Keys)
        if (key.nFrame == nFrame)
            Press(key.nVk);
    if (g_nEscapeAfter > 0 && nFrame == g_nEscapeAfter)
        Press(VK_ESCAPE);
}

}  // namespace

void StartFrameScript(const std::vector<SKeyAt>& keys, int nFrames)
{
    g_Keys = keys;
    g_nEscapeAfter = nFrames;
    SetFrameHook(OnFrame);
}

}  // namespace portable
