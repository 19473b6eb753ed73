// CIntroWnd: pixel-format check, scene creation and the per-frame drawing hook.
#include "intro_wnd.h"

#include <cstring>
#include <new>

#include "intro_scene.h"
#include "scroller.h"
#include "texts.h"

namespace {

constexpr LONG kFrameRowBytes = kFrameWidth * sizeof(std::uint16_t);   // 1,280
constexpr DWORD kRedMask565 = 0xF800;

const char kFormatMessage[] = "nonpalettized RGB mode required.\n";
const char kFormatCaption[] = "Velmoran SystemInfo";

}  // namespace

CIntroWnd::CIntroWnd()
    : m_pScene(nullptr)
{
    SetText(g_szArtistCredits);
}

CIntroWnd::~CIntroWnd() = default;

void CIntroWnd::CreateScene()
{
    if (m_pFrontBuffer == nullptr)
        return;   // set-up stopped before the surfaces: nothing to ask, frames draw nothing

    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    if (FAILED(m_pFrontBuffer->GetSurfaceDesc(&desc)))
        return;

    const DDPIXELFORMAT& format = desc.ddpfPixelFormat;
    if (format.dwFlags != DDPF_RGB || format.dwRGBBitCount < 16) {
        ShowMessage(kFormatMessage, kFormatCaption);
        // Nothing can be shown on this display: end the way Escape does, with the credits.
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    int mode = format.dwRBitMask == kRedMask565 ? 1 : 0;
    m_pScene = new (std::nothrow) CIntroScene(mode);
}

int CIntroWnd::Draw(IDirectDrawSurface* surface)
{
    if (surface == nullptr)
        return 0;

    if (m_pScene != nullptr) {
        m_pScene->Render();
        LONG pitch = 0;
        void* memory = LockSurface(surface, &pitch);
        if (memory != nullptr) {
            CopyFrame(memory, pitch, m_pScene->GetFrame());
            UnlockSurface(surface);
        }
    }
    DrawGreetings(surface);
    return 0;
}

void CopyFrame(void* surface, LONG pitch, const std::uint16_t* frame)
{
    if (pitch == kFrameRowBytes) {
        std::memcpy(surface, frame, sizeof(std::uint16_t) * kFramePixels);
        return;
    }
    if (pitch < kFrameRowBytes)
        return;
    // Drivers may pad rows (alignment, wider video memory): follow the pitch row by row.
    auto* row = static_cast<unsigned char*>(surface);
    for (int y = 0; y < kFrameHeight; ++y, row += pitch)
        std::memcpy(row, frame + y * kFrameWidth, kFrameRowBytes);
}
