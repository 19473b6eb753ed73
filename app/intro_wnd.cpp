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

// The shift of an 8-bit channel mask inside a pixel of `bits` bits; false for any other mask
// (none, narrower or wider than 8 bits, holes, or reaching past the pixel).
bool ChannelShift(DWORD mask, DWORD bits, int& shift)
{
    if (mask == 0)
        return false;
    shift = 0;
    while ((mask >> shift & 1) == 0)
        ++shift;
    return mask >> shift == 0xFF && static_cast<DWORD>(shift) + 8 <= bits;
}

// How the scene's words reach an RGB display of this format; false if the intro cannot draw
// on it. 16-bit displays take the words unchanged whatever their masks say.
bool PlacementOf(const DDPIXELFORMAT& format, SPixelPlacement& placement)
{
    placement = {2, 0, 0, 0};
    const DWORD bits = format.dwRGBBitCount;
    if (bits == 16)
        return true;
    if (bits != 24 && bits != 32)
        return false;
    const DWORD red = format.dwRBitMask, green = format.dwGBitMask, blue = format.dwBBitMask;
    if ((red & green) != 0 || (red & blue) != 0 || (green & blue) != 0)
        return false;
    placement.nBytes = static_cast<int>(bits / 8);
    return ChannelShift(red, bits, placement.nRedShift) &&
           ChannelShift(green, bits, placement.nGreenShift) &&
           ChannelShift(blue, bits, placement.nBlueShift);
}

// A 5-bit channel as 8 bits: the top bits repeat below, so the scale ends meet (31 -> 255).
inline std::uint32_t Widen5(std::uint32_t v)
{
    return v << 3 | v >> 2;
}

inline std::uint32_t DeepPixel(std::uint16_t word, const SPixelPlacement& placement)
{
    return Widen5(word >> 10 & 0x1F) << placement.nRedShift |
           Widen5(word >> 5 & 0x1F) << placement.nGreenShift |
           Widen5(word & 0x1F) << placement.nBlueShift;
}

const char kFormatMessage[] = "nonpalettized RGB mode required.\n";
const char kFormatCaption[] = "Velmoran SystemInfo";

}  // namespace

CIntroWnd::CIntroWnd()
    : m_pScene(nullptr), m_Placement{2, 0, 0, 0}
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
    if (format.dwFlags != DDPF_RGB || !PlacementOf(format, m_Placement)) {
        ShowMessage(kFormatMessage, kFormatCaption);
        // Nothing can be shown on this display: end the way Escape does, with the credits.
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        return;
    }
    // A deep display's red mask is never 0xF800, so it gets 5-5-5, which ConvertFrame reads.
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
            if (m_Placement.nBytes == 2)
                CopyFrame(memory, pitch, m_pScene->GetFrame());
            else
                ConvertFrame(memory, pitch, m_pScene->GetFrame(), m_Placement);
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

void ConvertFrame(void* surface, LONG pitch, const std::uint16_t* frame,
                  const SPixelPlacement& placement)
{
    if (pitch < kFrameWidth * placement.nBytes)
        return;
    auto* row = static_cast<unsigned char*>(surface);
    std::uint32_t pixels[kFrameWidth];   // one row, built where the compiler can vectorise it
    for (int y = 0; y < kFrameHeight; ++y, row += pitch) {
        const std::uint16_t* words = frame + y * kFrameWidth;
        for (int x = 0; x < kFrameWidth; ++x)
            pixels[x] = DeepPixel(words[x], placement);
        if (placement.nBytes == 4) {
            // A 32-bit pixel is one DWORD in the machine's byte order, as the masks describe it.
            std::memcpy(row, pixels, sizeof(pixels));
            continue;
        }
        // 24-bit pixels are three bytes, lowest first (the masks' byte order on x86 drivers).
        for (int x = 0; x < kFrameWidth; ++x) {
            row[3 * x] = static_cast<unsigned char>(pixels[x]);
            row[3 * x + 1] = static_cast<unsigned char>(pixels[x] >> 8);
            row[3 * x + 2] = static_cast<unsigned char>(pixels[x] >> 16);
        }
    }
}
