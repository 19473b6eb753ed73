// DirectDraw surfaces and palettes of the portable platform: the primary flipping chain in
// system memory, locking, device contexts (drawn by gdi_text.cpp), loss and restore, Flip.
// Checks and their order follow what Wine's ddraw tests assert of real DirectDraw.
#include "ddraw_objects.h"

#include "../testing/faults.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace portable {
namespace {

std::vector<std::unique_ptr<CSurface>> g_Surfaces;  // every surface ever made (shells stay)
std::vector<std::unique_ptr<CPalette>> g_Palettes;

constexpr DWORD kVideoMemory = DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM;
int g_nPitchPadding = 0;  // a test's

// Rows are DWORD-aligned like a driver's, plus the padding a test asks for.
long PitchOf(DisplayFormat format)
{
    long nPitch = kScreenWidth * BytesPerPixel(format) + std::max(0, g_nPitchPadding);
    return (nPitch + 3) & ~3L;
}

bool RectIsInside(const RECT& r)
{
    return r.left >= 0 && r.top >= 0 && r.left <= r.right && r.top <= r.bottom &&
           r.right <= kScreenWidth && r.bottom <= kScreenHeight;
}

}  // namespace

void SetPitchPadding(int nBytes)
{
    g_nPitchPadding = nBytes;
}

// ---- the chain ----

CSurface* CSurface::CreateChain(CDirectDraw* pDD, DisplayFormat format, DWORD nBackBuffers)
{
    const DWORD dwChainCaps = nBackBuffers ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0;
    CSurface* pRoot = nullptr;
    for (DWORD i = 0; i <= nBackBuffers; ++i) {
        g_Surfaces.push_back(std::unique_ptr<CSurface>(new CSurface()));
        CSurface* pSurface = g_Surfaces.back().get();
        if (!pRoot)
            pRoot = pSurface;
        pSurface->m_pDD = pDD;
        pSurface->m_pRoot = pRoot;
        pSurface->m_Format = format;
        pSurface->m_nModeGeneration = CurrentModeGeneration();
        pSurface->m_nPitch = PitchOf(format);
        pSurface->m_Memory.assign(static_cast<std::size_t>(pSurface->m_nPitch) * kScreenHeight, 0);
        pSurface->m_dwCaps = dwChainCaps | kVideoMemory |
                             (i == 0 ? DDSCAPS_PRIMARYSURFACE | DDSCAPS_VISIBLE |
                                           (nBackBuffers ? DDSCAPS_FRONTBUFFER : 0)
                                     : 0) |
                             (i == 1 ? DDSCAPS_BACKBUFFER : 0);
        pRoot->m_Chain.push_back(pSurface);
    }
    pRoot->m_nRefs = 1;
    pRoot->m_pGdiMemory = pRoot->m_Memory.data();
    return pRoot;
}

void CSurface::LoseChain()
{
    for (CSurface* pSurface : m_pRoot->m_Chain)
        pSurface->m_bLost = true;
}

void CSurface::KillChain()
{
    CSurface* pRoot = m_pRoot;
    for (CSurface* pSurface : pRoot->m_Chain) {
        if (pSurface->m_hDC)
            CloseSurfaceDC(pSurface->m_hDC);
        if (pSurface->m_pPalette)
            pSurface->m_pPalette->Release();
        pSurface->m_hDC = nullptr;
        pSurface->m_pPalette = nullptr;
        pSurface->m_bDead = true;
        pSurface->m_nRefs = 0;
        pSurface->m_Memory = std::vector<std::uint8_t>();
    }
    if (pRoot->m_pDD)
        pRoot->m_pDD->ForgetPrimary(pRoot);
}

std::size_t CSurface::IndexInChain() const
{
    const auto& chain = m_pRoot->m_Chain;
    return static_cast<std::size_t>(std::find(chain.begin(), chain.end(), this) - chain.begin());
}

void CSurface::BringGdiMemoryToFront()
{
    CSurface* pRoot = m_pRoot;
    if (pRoot->m_bDead || pRoot->m_Memory.data() == pRoot->m_pGdiMemory)
        return;
    for (CSurface* pSurface : pRoot->m_Chain) {
        if (pSurface->m_Memory.data() == pRoot->m_pGdiMemory) {
            std::swap(pRoot->m_Memory, pSurface->m_Memory);
            break;
        }
    }
    pRoot->Present(false);
}

void CSurface::Present(bool bCountAsFrame)
{
    const PALETTEENTRY* pPalette = m_pPalette ? m_pPalette->Entries() : nullptr;
    PresentPicture(m_Format, m_Memory.data(), m_nPitch, pPalette, bCountAsFrame);
}

// Everything but the memory; the caller's dwSize is kept.
void CSurface::Describe(DDSURFACEDESC& desc) const
{
    const DWORD dwSize = desc.dwSize;
    desc = DDSURFACEDESC{};
    desc.dwSize = dwSize;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc.dwWidth = kScreenWidth;
    desc.dwHeight = kScreenHeight;
    desc.lPitch = m_nPitch;
    const SPixelFormat pf = PixelFormatOf(m_Format);
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = pf.dwFlags;
    desc.ddpfPixelFormat.dwRGBBitCount = pf.dwBitCount;
    desc.ddpfPixelFormat.dwRBitMask = pf.dwRMask;
    desc.ddpfPixelFormat.dwGBitMask = pf.dwGMask;
    desc.ddpfPixelFormat.dwBBitMask = pf.dwBMask;
    desc.ddsCaps.dwCaps = m_dwCaps;
    if (IsRoot() && m_Chain.size() > 1) {
        desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = static_cast<DWORD>(m_Chain.size() - 1);
    }
}

// ---- IUnknown ----

HRESULT CSurface::QueryInterface(REFIID riid, void** ppvObject)
{
    const HRESULT hr = BeginQuery(ppvObject);
    if (hr != DD_OK)
        return hr;
    if (riid != IID_IDirectDrawSurface && riid != IID_IUnknown)
        return E_NOINTERFACE;
    AddRef();
    *ppvObject = static_cast<IDirectDrawSurface*>(this);
    return DD_OK;
}

// Back buffers belong to the chain: their count may drop to 0 without destroying them; the
// whole chain goes when the primary's count does.
ULONG CSurface::Release()
{
    bool bLast = false;
    const ULONG nLeft = DropReference(bLast);
    if (bLast && IsRoot())
        KillChain();
    return nLeft;
}

// ---- flipping ----

HRESULT CSurface::CheckFlip(LPDIRECTDRAWSURFACE lpTarget, CSurface*& pTarget) const
{
    if (!IsRoot() || m_Chain.size() < 2)
        return DDERR_NOTFLIPPABLE;
    pTarget = nullptr;
    if (lpTarget) {
        auto it = std::find(m_Chain.begin() + 1, m_Chain.end(), lpTarget);
        if (it == m_Chain.end())
            return DDERR_NOTFLIPPABLE;
        pTarget = *it;
    }
    // A lost chain answers SURFACELOST before anything else, also once exclusive mode is gone.
    if (m_bLost)
        return DDERR_SURFACELOST;
    if (!IsExclusiveOwner(m_pDD))
        return DDERR_NOEXCLUSIVEMODE;
    for (const CSurface* pSurface : m_Chain)
        if (pSurface->IsBusy())
            return DDERR_SURFACEBUSY;
    return DD_OK;
}

HRESULT CSurface::Flip(LPDIRECTDRAWSURFACE lpTarget, DWORD /*dwFlags*/)
{
    HRESULT hr;
    if (FaultDue(Call::Flip, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    CSurface* pTarget = nullptr;
    hr = CheckFlip(lpTarget, pTarget);
    if (hr != DD_OK)
        return hr;
    if (pTarget) {
        std::swap(m_Memory, pTarget->m_Memory);
    } else {
        // The first back buffer comes to the front, the front goes to the end of the chain.
        for (std::size_t i = 1; i < m_Chain.size(); ++i)
            std::swap(m_Chain[i - 1]->m_Memory, m_Chain[i]->m_Memory);
    }
    Present(true);
    return DD_OK;
}

HRESULT CSurface::GetAttachedSurface(LPDDSCAPS lpCaps, LPDIRECTDRAWSURFACE* lplpSurface)
{
    HRESULT hr;
    if (FaultDue(Call::GetAttachedSurface, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!lpCaps || !lplpSurface)
        return DDERR_INVALIDPARAMS;
    if (m_bLost)
        return DDERR_SURFACELOST;
    const auto& chain = m_pRoot->m_Chain;
    // Each surface of a flipping chain has the next one attached; the last wraps to the front.
    CSurface* pNext = chain.size() > 1 ? chain[(IndexInChain() + 1) % chain.size()] : nullptr;
    if (!pNext || (pNext->m_dwCaps & lpCaps->dwCaps) != lpCaps->dwCaps)
        return DDERR_NOTFOUND;
    pNext->AddRef();
    *lplpSurface = pNext;
    return DD_OK;
}

// ---- loss ----

HRESULT CSurface::IsLost()
{
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    return m_bLost ? DDERR_SURFACELOST : DD_OK;
}

HRESULT CSurface::Restore()
{
    HRESULT hr;
    if (FaultDue(Call::Restore, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!m_bLost)
        return DD_OK;
    // In the background, or after the mode changed under it, the memory cannot come back.
    if ((m_pDD && IsExclusiveOwner(m_pDD) && !IsAppActive()) ||
        m_nModeGeneration != CurrentModeGeneration())
        return DDERR_WRONGMODE;
    for (CSurface* pSurface : m_pRoot->m_Chain)
        pSurface->m_bLost = false;
    return DD_OK;
}

// ---- memory access ----

HRESULT CSurface::Lock(LPRECT lpRect, LPDDSURFACEDESC lpDesc, DWORD /*dwFlags*/, HANDLE /*hEvent*/)
{
    HRESULT hr;
    if (FaultDue(Call::Lock, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!lpDesc || lpDesc->dwSize != sizeof(DDSURFACEDESC) || (lpRect && !RectIsInside(*lpRect)))
        return DDERR_INVALIDPARAMS;
    if (m_bLost)
        return DDERR_SURFACELOST;
    if (IsBusy())
        return DDERR_SURFACEBUSY;
    Describe(*lpDesc);
    std::size_t nOffset = 0;
    if (lpRect)
        nOffset = static_cast<std::size_t>(lpRect->top) * static_cast<std::size_t>(m_nPitch) +
                  static_cast<std::size_t>(lpRect->left) * static_cast<std::size_t>(BytesPerPixel(m_Format));
    lpDesc->dwFlags |= DDSD_LPSURFACE;
    lpDesc->lpSurface = m_Memory.data() + nOffset;
    m_bLocked = true;
    return DD_OK;
}

HRESULT CSurface::Unlock(LPVOID /*lpSurfaceData*/)
{
    HRESULT hr;
    if (FaultDue(Call::Unlock, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!m_bLocked)
        return DDERR_NOTLOCKED;
    m_bLocked = false;
    return DD_OK;
}

HRESULT CSurface::GetDC(HDC* lphDC)
{
    HRESULT hr;
    if (!lphDC)
        return DDERR_INVALIDPARAMS;
    if (FaultDue(Call::GetDC, hr)) {
        *lphDC = nullptr;  // what every failed GetDC but DCALREADYCREATED does
        return hr;
    }
    if (m_hDC)
        return DDERR_DCALREADYCREATED;
    *lphDC = nullptr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (m_bLost)
        return DDERR_SURFACELOST;
    if (m_bLocked)
        return DDERR_SURFACEBUSY;
    const PALETTEENTRY* pPalette = m_pPalette ? m_pPalette->Entries() : nullptr;
    m_hDC = OpenSurfaceDC({m_Memory.data(), m_nPitch, kScreenWidth, kScreenHeight, m_Format, pPalette});
    *lphDC = m_hDC;
    return DD_OK;
}

HRESULT CSurface::ReleaseDC(HDC hDC)
{
    HRESULT hr;
    if (FaultDue(Call::ReleaseDC, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!m_hDC || hDC != m_hDC)
        return DDERR_NODC;
    CloseSurfaceDC(m_hDC);
    m_hDC = nullptr;
    return DD_OK;
}

// ---- descriptions and palette ----

HRESULT CSurface::GetSurfaceDesc(LPDDSURFACEDESC lpDesc)
{
    HRESULT hr;
    if (FaultDue(Call::GetSurfaceDesc, hr))
        return hr;
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!lpDesc || lpDesc->dwSize != sizeof(DDSURFACEDESC))
        return DDERR_INVALIDPARAMS;
    Describe(*lpDesc);  // never the memory: lpSurface stays NULL
    return DD_OK;
}

HRESULT CSurface::SetPalette(LPDIRECTDRAWPALETTE lpPalette)
{
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (m_Format != DisplayFormat::Palette8)
        return DDERR_INVALIDPIXELFORMAT;
    auto* pPalette = static_cast<CPalette*>(lpPalette);
    if (pPalette && pPalette->IsDead())
        return DDERR_INVALIDOBJECT;
    if (pPalette)
        pPalette->AddRef();
    if (m_pPalette)
        m_pPalette->Release();
    m_pPalette = pPalette;
    return DD_OK;
}

HRESULT CSurface::GetPalette(LPDIRECTDRAWPALETTE* lplpPalette)
{
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!lplpPalette)
        return DDERR_INVALIDPARAMS;
    *lplpPalette = nullptr;
    if (!m_pPalette)
        return DDERR_NOPALETTEATTACHED;
    m_pPalette->AddRef();
    *lplpPalette = m_pPalette;
    return DD_OK;
}

// ---- CPalette ----

CPalette* CPalette::Create(const PALETTEENTRY* pEntries)
{
    g_Palettes.push_back(std::make_unique<CPalette>());
    CPalette* pPalette = g_Palettes.back().get();
    std::memcpy(pPalette->m_Entries, pEntries, sizeof(pPalette->m_Entries));
    return pPalette;
}

HRESULT CPalette::QueryInterface(REFIID riid, void** ppvObject)
{
    const HRESULT hr = BeginQuery(ppvObject);
    if (hr != DD_OK)
        return hr;
    if (riid != IID_IDirectDrawPalette && riid != IID_IUnknown)
        return E_NOINTERFACE;
    AddRef();
    *ppvObject = static_cast<IDirectDrawPalette*>(this);
    return DD_OK;
}

ULONG CPalette::Release()
{
    bool bLast = false;
    const ULONG nLeft = DropReference(bLast);
    if (bLast)
        m_bDead = true;
    return nLeft;
}

HRESULT CPalette::GetEntries(DWORD /*dwFlags*/, DWORD dwBase, DWORD dwNumEntries,
                             LPPALETTEENTRY lpEntries)
{
    if (m_bDead)
        return DDERR_INVALIDOBJECT;
    if (!lpEntries || dwBase > 256 || dwNumEntries > 256 - dwBase)
        return DDERR_INVALIDPARAMS;
    std::memcpy(lpEntries, m_Entries + dwBase, dwNumEntries * sizeof(PALETTEENTRY));
    return DD_OK;
}

}  // namespace portable
