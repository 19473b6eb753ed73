// DirectDraw of the portable platform: the DirectDraw object (IDirectDraw and IDirectDraw2 over
// one reference count), the primary flipping chain and palettes, all in system memory. Results
// follow real DirectDraw as Wine's tests pin it down; Flip hands the picture to present.cpp.
// Objects are never freed: after the last Release they stay as dead shells whose every method
// fails with DDERR_INVALIDOBJECT, so a stale pointer cannot crash the program.
#include "ddraw_objects.h"

#include "../testing/faults.h"

#include <memory>
#include <vector>

namespace portable {
namespace {

std::vector<std::unique_ptr<CDirectDraw>> g_DirectDraws;  // every object ever made
CDirectDraw* g_pExclusiveOwner = nullptr;
DisplayFormat g_SixteenBitFormat = DisplayFormat::Rgb565;  // what a 16-bit mode gives
DisplayFormat g_ModeFormat = DisplayFormat::Rgb565;  // the emulated display's current mode
bool g_bModeSetByProgram = false;  // SetDisplayMode changed it; the desktop's comes back later
unsigned g_nModeGeneration = 0;    // counts mode changes; surfaces of older modes are lost

// What a display mode of `bpp` bits gives on the emulated display.
bool FormatForDepth(DWORD dwBpp, DisplayFormat& format)
{
    switch (dwBpp) {
    case 8:
        format = DisplayFormat::Palette8;
        return true;
    case 16:
        format = g_SixteenBitFormat;
        return true;
    case 32:
        format = DisplayFormat::Rgb32;
        return true;
    default:
        return false;
    }
}

}  // namespace

unsigned CurrentModeGeneration()
{
    return g_nModeGeneration;
}

bool IsExclusiveOwner(const CDirectDraw* pDD)
{
    return pDD && g_pExclusiveOwner == pDD;
}

void SetSixteenBitFormat(DisplayFormat format)
{
    g_SixteenBitFormat = format;
}

void LoseExclusiveSurfaces()
{
    if (g_pExclusiveOwner && g_pExclusiveOwner->Primary())
        g_pExclusiveOwner->Primary()->LoseChain();
}

void ResetDirectDraw()
{
    // Objects a test still holds stay valid shells; only the world around them is new.
    for (auto& pDD : g_DirectDraws)
        pDD->Kill();
    g_pExclusiveOwner = nullptr;
    g_ModeFormat = g_SixteenBitFormat;
    g_bModeSetByProgram = false;
}

// ---- CDirectDraw ----

HRESULT CDirectDraw::QueryInterface(REFIID riid, void** ppvObject)
{
    const HRESULT hr = BeginQuery(ppvObject);
    if (hr != DD_OK)
        return hr;
    if (riid == IID_IDirectDraw2)
        *ppvObject = static_cast<IDirectDraw2*>(this);
    else if (riid == IID_IDirectDraw || riid == IID_IUnknown)
        *ppvObject = static_cast<IDirectDraw*>(this);
    else
        return E_NOINTERFACE;
    ++m_nRefs;
    return DD_OK;
}

ULONG CDirectDraw::Release()
{
    bool bLast = false;
    const ULONG nLeft = DropReference(bLast);
    if (bLast)
        Kill();
    return nLeft;
}

void CDirectDraw::Kill()
{
    if (m_bDead)
        return;
    m_bDead = true;
    m_nRefs = 0;
    // Releasing the exclusive owner gives the display back to the desktop's mode.
    if (g_pExclusiveOwner == this) {
        g_pExclusiveOwner = nullptr;
        RestoreDesktopMode();
    }
    if (m_pPrimary)
        m_pPrimary->KillChain();
    m_pPrimary = nullptr;
}

void CDirectDraw::ForgetPrimary(CSurface* pSurface)
{
    if (m_pPrimary == pSurface)
        m_pPrimary = nullptr;
}

HRESULT CDirectDraw::SetCooperativeLevel(HWND hWnd, DWORD dwFlags)
{
    HRESULT hr;
    if (FaultDue(Call::SetCooperativeLevel, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    const bool bExclusive = (dwFlags & DDSCL_EXCLUSIVE) != 0;
    const bool bNormal = (dwFlags & DDSCL_NORMAL) != 0;
    if (bExclusive == bNormal || (bExclusive && !(dwFlags & DDSCL_FULLSCREEN)))
        return DDERR_INVALIDPARAMS;
    if (bExclusive && (!hWnd || !IsWindow(hWnd)))
        return DDERR_INVALIDPARAMS;
    if (bExclusive && g_pExclusiveOwner && g_pExclusiveOwner != this)
        return DDERR_EXCLUSIVEMODEALREADYSET;
    m_hWnd = hWnd;
    m_dwLevel = dwFlags;
    if (bExclusive) {
        g_pExclusiveOwner = this;
        // Taking the display over brings the window to the foreground: WM_ACTIVATEAPP(1) is
        // sent during this call when the program was in the background.
        SetAppActive(true);
    } else if (g_pExclusiveOwner == this) {
        g_pExclusiveOwner = nullptr;
        RestoreDesktopMode();
    }
    return DD_OK;
}

// Surfaces made for another mode are lost, and can no longer be restored (WRONGMODE).
void CDirectDraw::ChangeMode(DisplayFormat format, bool bSetByProgram)
{
    if (m_pPrimary)
        m_pPrimary->LoseChain();
    ++g_nModeGeneration;
    g_ModeFormat = format;
    g_bModeSetByProgram = bSetByProgram;
}

// Leaving exclusive mode puts the desktop's mode back, and like Windows this counts as a mode
// change even when the program had asked for the mode the desktop already had.
void CDirectDraw::RestoreDesktopMode()
{
    if (g_bModeSetByProgram)
        ChangeMode(g_SixteenBitFormat, false);
}

// IDirectDraw's: the display's rate, no flags.
HRESULT CDirectDraw::SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP)
{
    return SetDisplayMode(dwWidth, dwHeight, dwBPP, 0, 0);
}

HRESULT CDirectDraw::SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP,
                                    DWORD dwRefreshRate, DWORD dwFlags)
{
    HRESULT hr;
    if (FaultDue(Call::SetDisplayMode, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (dwFlags != 0)
        return DDERR_INVALIDPARAMS;
    if (g_pExclusiveOwner && g_pExclusiveOwner != this)
        return DDERR_NOEXCLUSIVEMODE;
    DisplayFormat format;
    // The emulated display offers 640x480 only, at its one (60 Hz) or the default rate.
    if (dwWidth != kScreenWidth || dwHeight != kScreenHeight || !FormatForDepth(dwBPP, format) ||
        (dwRefreshRate != 0 && dwRefreshRate != 60))
        return DDERR_INVALIDMODE;
    // Setting the mode the display already has changes nothing, as on Windows.
    if (format != g_ModeFormat || !g_bModeSetByProgram)
        ChangeMode(format, true);
    return DD_OK;
}

HRESULT CDirectDraw::CreateSurface(LPDDSURFACEDESC lpDesc, LPDIRECTDRAWSURFACE* lplpSurface,
                                   IUnknown* pUnkOuter)
{
    HRESULT hr;
    if (FaultDue(Call::CreateSurface, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!lpDesc || lpDesc->dwSize != sizeof(DDSURFACEDESC) || !lplpSurface || pUnkOuter)
        return DDERR_INVALIDPARAMS;
    if (m_dwLevel == 0)
        return DDERR_NOCOOPERATIVELEVELSET;
    const DWORD dwCaps = (lpDesc->dwFlags & DDSD_CAPS) ? lpDesc->ddsCaps.dwCaps : 0;
    if (!(dwCaps & DDSCAPS_PRIMARYSURFACE))
        return DDERR_UNSUPPORTED;  // only the primary (and its flipping chain) is emulated
    DWORD nBackBuffers = 0;
    if (dwCaps & DDSCAPS_FLIP) {
        if (!(dwCaps & DDSCAPS_COMPLEX) || !(lpDesc->dwFlags & DDSD_BACKBUFFERCOUNT))
            return DDERR_INVALIDCAPS;
        if (!IsExclusiveOwner(this))
            return DDERR_NOEXCLUSIVEMODE;
        nBackBuffers = lpDesc->dwBackBufferCount;
        if (nBackBuffers == 0)
            return DDERR_INVALIDCAPS;
        if (nBackBuffers > 3)
            return DDERR_OUTOFVIDEOMEMORY;
    }
    if (m_pPrimary)
        return DDERR_PRIMARYSURFACEALREADYEXISTS;
    m_pPrimary = CSurface::CreateChain(this, g_ModeFormat, nBackBuffers);
    *lplpSurface = m_pPrimary;
    return DD_OK;
}

HRESULT CDirectDraw::CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable,
                                   LPDIRECTDRAWPALETTE* lplpPalette, IUnknown* pUnkOuter)
{
    HRESULT hr;
    if (FaultDue(Call::CreatePalette, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!lplpPalette || !lpColorTable || pUnkOuter)
        return DDERR_INVALIDPARAMS;
    if (m_dwLevel == 0)
        return DDERR_NOCOOPERATIVELEVELSET;
    if (!(dwFlags & DDPCAPS_8BIT))
        return DDERR_UNSUPPORTED;  // 1-, 2- and 4-bit palettes are not emulated
    *lplpPalette = CPalette::Create(lpColorTable);
    return DD_OK;
}

HRESULT CDirectDraw::FlipToGDISurface()
{
    HRESULT hr;
    if (FaultDue(Call::FlipToGDISurface, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (m_pPrimary)
        m_pPrimary->BringGdiMemoryToFront();
    return DD_OK;
}

}  // namespace portable

using namespace portable;

HRESULT WINAPI DirectDrawCreate(GUID* lpGUID, LPDIRECTDRAW* lplpDD, IUnknown* pUnkOuter)
{
    HRESULT hr;
    if (FaultDue(Call::DirectDrawCreate, hr))
        return hr;
    if (!lplpDD || pUnkOuter)
        return DDERR_INVALIDPARAMS;
    if (lpGUID)
        return DDERR_INVALIDDIRECTDRAWGUID;  // only the default display driver exists
    g_DirectDraws.push_back(std::make_unique<CDirectDraw>());
    *lplpDD = g_DirectDraws.back().get();
    return DD_OK;
}
