// The DirectDraw objects of the portable platform: CDirectDraw (ddraw.cpp), CSurface and
// CPalette (surface.cpp). Unused methods exist so the method tables match ddraw.h, and fail with
// DDERR_UNSUPPORTED.
#pragma once

#include "faults.h"
#include "world.h"

#include <cstdint>
#include <vector>

namespace portable {

class CSurface;
class CPalette;

unsigned CurrentModeGeneration();
void DescribeMode(DisplayFormat format, DDSURFACEDESC& desc);

// The IUnknown part every object here shares over interface `I`: one reference count, and the
// dead shell an object becomes instead of being freed, whose methods fail with
// DDERR_INVALIDOBJECT. Calls to QueryInterface and Release can be made to fail by a test.
template <class I>
class CComObject : public I {
public:
    bool IsDead() const { return m_bDead; }
    ULONG AddRef() override { return m_bDead ? 0 : ++m_nRefs; }

protected:
    explicit CComObject(ULONG nRefs) : m_nRefs(nRefs) {}

    // QueryInterface up to the choice of interface; anything but DD_OK is the call's result.
    HRESULT BeginQuery(void** ppvObject) const
    {
        HRESULT hr;
        if (FaultDue(Call::QueryInterface, hr))
            return hr;
        if (!ppvObject)
            return E_POINTER;
        *ppvObject = nullptr;
        return m_bDead ? DDERR_INVALIDOBJECT : DD_OK;
    }
    // Release's count: `bLast` says this call took it to 0. A dead object, or one at 0 already
    // (a back buffer lives as long as its chain), has nothing to drop.
    ULONG DropReference(bool& bLast)
    {
        HRESULT hr;
        bLast = false;
        if (FaultDue(Call::Release, hr) || m_bDead || m_nRefs == 0)
            return m_nRefs;
        bLast = --m_nRefs == 0;
        return m_nRefs;
    }
    HRESULT Unsupported() const { return m_bDead ? DDERR_INVALIDOBJECT : DDERR_UNSUPPORTED; }
    HRESULT AlreadyInitialized() const
    {
        return m_bDead ? DDERR_INVALIDOBJECT : DDERR_ALREADYINITIALIZED;
    }

    ULONG m_nRefs;
    bool m_bDead = false;
};

class CDirectDraw final : public CComObject<IDirectDraw2> {
public:
    CDirectDraw();
    CDirectDraw(const CDirectDraw&) = delete;
    CDirectDraw& operator=(const CDirectDraw&) = delete;

    IDirectDraw* First() { return &m_First; }
    CSurface* Primary() const { return m_pPrimary; }
    void Kill();
    void ForgetPrimary(CSurface* pSurface);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG Release() override;
    HRESULT Compact() override { return Unsupported(); }
    HRESULT CreateClipper(DWORD, LPDIRECTDRAWCLIPPER*, IUnknown*) override { return Unsupported(); }
    HRESULT CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable,
                          LPDIRECTDRAWPALETTE* lplpPalette, IUnknown* pUnkOuter) override;
    HRESULT CreateSurface(LPDDSURFACEDESC lpDesc, LPDIRECTDRAWSURFACE* lplpSurface,
                          IUnknown* pUnkOuter) override;
    HRESULT DuplicateSurface(LPDIRECTDRAWSURFACE, LPDIRECTDRAWSURFACE*) override { return Unsupported(); }
    HRESULT EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMMODESCALLBACK) override
    {
        return Unsupported();
    }
    HRESULT EnumSurfaces(DWORD, LPDDSURFACEDESC, LPVOID, LPDDENUMSURFACESCALLBACK) override
    {
        return Unsupported();
    }
    HRESULT FlipToGDISurface() override;
    HRESULT GetCaps(LPDDCAPS, LPDDCAPS) override { return Unsupported(); }
    HRESULT GetDisplayMode(LPDDSURFACEDESC lpDesc) override;
    HRESULT GetFourCCCodes(LPDWORD, LPDWORD) override { return Unsupported(); }
    HRESULT GetGDISurface(LPDIRECTDRAWSURFACE*) override { return Unsupported(); }
    HRESULT GetMonitorFrequency(LPDWORD) override { return Unsupported(); }
    HRESULT GetScanLine(LPDWORD) override { return Unsupported(); }
    HRESULT GetVerticalBlankStatus(BOOL*) override { return Unsupported(); }
    HRESULT Initialize(GUID*) override { return AlreadyInitialized(); }
    HRESULT RestoreDisplayMode() override;
    HRESULT SetCooperativeLevel(HWND hWnd, DWORD dwFlags) override;
    HRESULT SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP, DWORD dwRefreshRate,
                           DWORD dwFlags) override;
    HRESULT WaitForVerticalBlank(DWORD dwFlags, HANDLE hEvent) override;
    HRESULT GetAvailableVidMem(LPDDSCAPS, LPDWORD, LPDWORD) override { return Unsupported(); }

private:
    // The IDirectDraw face of the same object (what DirectDrawCreate returns); it shares the
    // reference count and differs only in SetDisplayMode's arguments.
    class CFirst final : public IDirectDraw {
    public:
        explicit CFirst(CDirectDraw* pOwner) : m_pOwner(pOwner) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override { return m_pOwner->QueryInterface(riid, ppv); }
        ULONG AddRef() override { return m_pOwner->AddRef(); }
        ULONG Release() override { return m_pOwner->Release(); }
        HRESULT Compact() override { return m_pOwner->Compact(); }
        HRESULT CreateClipper(DWORD f, LPDIRECTDRAWCLIPPER* pp, IUnknown* o) override
        {
            return m_pOwner->CreateClipper(f, pp, o);
        }
        HRESULT CreatePalette(DWORD f, LPPALETTEENTRY e, LPDIRECTDRAWPALETTE* pp, IUnknown* o) override
        {
            return m_pOwner->CreatePalette(f, e, pp, o);
        }
        HRESULT CreateSurface(LPDDSURFACEDESC d, LPDIRECTDRAWSURFACE* pp, IUnknown* o) override
        {
            return m_pOwner->CreateSurface(d, pp, o);
        }
        HRESULT DuplicateSurface(LPDIRECTDRAWSURFACE s, LPDIRECTDRAWSURFACE* pp) override
        {
            return m_pOwner->DuplicateSurface(s, pp);
        }
        HRESULT EnumDisplayModes(DWORD f, LPDDSURFACEDESC d, LPVOID c, LPDDENUMMODESCALLBACK cb) override
        {
            return m_pOwner->EnumDisplayModes(f, d, c, cb);
        }
        HRESULT EnumSurfaces(DWORD f, LPDDSURFACEDESC d, LPVOID c, LPDDENUMSURFACESCALLBACK cb) override
        {
            return m_pOwner->EnumSurfaces(f, d, c, cb);
        }
        HRESULT FlipToGDISurface() override { return m_pOwner->FlipToGDISurface(); }
        HRESULT GetCaps(LPDDCAPS a, LPDDCAPS b) override { return m_pOwner->GetCaps(a, b); }
        HRESULT GetDisplayMode(LPDDSURFACEDESC d) override { return m_pOwner->GetDisplayMode(d); }
        HRESULT GetFourCCCodes(LPDWORD a, LPDWORD b) override { return m_pOwner->GetFourCCCodes(a, b); }
        HRESULT GetGDISurface(LPDIRECTDRAWSURFACE* pp) override { return m_pOwner->GetGDISurface(pp); }
        HRESULT GetMonitorFrequency(LPDWORD p) override { return m_pOwner->GetMonitorFrequency(p); }
        HRESULT GetScanLine(LPDWORD p) override { return m_pOwner->GetScanLine(p); }
        HRESULT GetVerticalBlankStatus(BOOL* p) override { return m_pOwner->GetVerticalBlankStatus(p); }
        HRESULT Initialize(GUID* g) override { return m_pOwner->Initialize(g); }
        HRESULT RestoreDisplayMode() override { return m_pOwner->RestoreDisplayMode(); }
        HRESULT SetCooperativeLevel(HWND h, DWORD f) override { return m_pOwner->SetCooperativeLevel(h, f); }
        HRESULT SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP) override;
        HRESULT WaitForVerticalBlank(DWORD f, HANDLE e) override { return m_pOwner->WaitForVerticalBlank(f, e); }

    private:
        CDirectDraw* m_pOwner;
    };

    void ChangeMode(DisplayFormat format, bool bSetByProgram);
    void RestoreDesktopMode();

    CFirst m_First;
    HWND m_hWnd = nullptr;
    DWORD m_dwLevel = 0;
    CSurface* m_pPrimary = nullptr;
};

bool IsExclusiveOwner(const CDirectDraw* pDD);

class CPalette final : public CComObject<IDirectDrawPalette> {
public:
    CPalette() : CComObject(1) {}
    static CPalette* Create(DWORD dwCaps, const PALETTEENTRY* pEntries);
    const PALETTEENTRY* Entries() const { return m_Entries; }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG Release() override;
    HRESULT GetCaps(LPDWORD lpdwCaps) override;
    HRESULT GetEntries(DWORD dwFlags, DWORD dwBase, DWORD dwNumEntries, LPPALETTEENTRY lpEntries) override;
    HRESULT Initialize(LPDIRECTDRAW, DWORD, LPPALETTEENTRY) override
    {
        return AlreadyInitialized();
    }
    HRESULT SetEntries(DWORD dwFlags, DWORD dwStartingEntry, DWORD dwCount,
                       LPPALETTEENTRY lpEntries) override;

private:
    PALETTEENTRY m_Entries[256] = {};
    DWORD m_dwCaps = 0;
};

class CSurface final : public CComObject<IDirectDrawSurface> {
public:
    // The primary and its back buffers; the primary comes back with one reference.
    static CSurface* CreateChain(CDirectDraw* pDD, DisplayFormat format, DWORD nBackBuffers);
    void LoseChain();
    void KillChain();
    void BringGdiMemoryToFront();

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG Release() override;
    HRESULT AddAttachedSurface(LPDIRECTDRAWSURFACE) override { return Unsupported(); }
    HRESULT AddOverlayDirtyRect(LPRECT) override { return Unsupported(); }
    HRESULT Blt(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDBLTFX) override { return Unsupported(); }
    HRESULT BltBatch(LPDDBLTBATCH, DWORD, DWORD) override { return Unsupported(); }
    HRESULT BltFast(DWORD, DWORD, LPDIRECTDRAWSURFACE, LPRECT, DWORD) override { return Unsupported(); }
    HRESULT DeleteAttachedSurface(DWORD, LPDIRECTDRAWSURFACE) override { return Unsupported(); }
    HRESULT EnumAttachedSurfaces(LPVOID, LPDDENUMSURFACESCALLBACK) override { return Unsupported(); }
    HRESULT EnumOverlayZOrders(DWORD, LPVOID, LPDDENUMSURFACESCALLBACK) override { return Unsupported(); }
    HRESULT Flip(LPDIRECTDRAWSURFACE lpTarget, DWORD dwFlags) override;
    HRESULT GetAttachedSurface(LPDDSCAPS lpCaps, LPDIRECTDRAWSURFACE* lplpSurface) override;
    HRESULT GetBltStatus(DWORD) override { return Unsupported(); }
    HRESULT GetCaps(LPDDSCAPS lpCaps) override;
    HRESULT GetClipper(LPDIRECTDRAWCLIPPER*) override { return Unsupported(); }
    HRESULT GetColorKey(DWORD, LPDDCOLORKEY) override { return Unsupported(); }
    HRESULT GetDC(HDC* lphDC) override;
    HRESULT GetFlipStatus(DWORD) override { return Unsupported(); }
    HRESULT GetOverlayPosition(LPLONG, LPLONG) override { return Unsupported(); }
    HRESULT GetPalette(LPDIRECTDRAWPALETTE* lplpPalette) override;
    HRESULT GetPixelFormat(LPDDPIXELFORMAT lpFormat) override;
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC lpDesc) override;
    HRESULT Initialize(LPDIRECTDRAW, LPDDSURFACEDESC) override
    {
        return AlreadyInitialized();
    }
    HRESULT IsLost() override;
    HRESULT Lock(LPRECT lpRect, LPDDSURFACEDESC lpDesc, DWORD dwFlags, HANDLE hEvent) override;
    HRESULT ReleaseDC(HDC hDC) override;
    HRESULT Restore() override;
    HRESULT SetClipper(LPDIRECTDRAWCLIPPER) override { return Unsupported(); }
    HRESULT SetColorKey(DWORD, LPDDCOLORKEY) override { return Unsupported(); }
    HRESULT SetOverlayPosition(LONG, LONG) override { return Unsupported(); }
    HRESULT SetPalette(LPDIRECTDRAWPALETTE lpPalette) override;
    HRESULT Unlock(LPVOID lpSurfaceData) override;
    HRESULT UpdateOverlay(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDOVERLAYFX) override
    {
        return Unsupported();
    }
    HRESULT UpdateOverlayDisplay(DWORD) override { return Unsupported(); }
    HRESULT UpdateOverlayZOrder(DWORD, LPDIRECTDRAWSURFACE) override { return Unsupported(); }

private:
    CSurface() : CComObject(0) {}
    bool IsRoot() const { return m_pRoot == this; }
    bool IsBusy() const { return m_bLocked || m_hDC; }
    void Describe(DDSURFACEDESC& desc) const;
    void Present(bool bCountAsFrame);
    std::size_t IndexInChain() const;
    HRESULT CheckFlip(LPDIRECTDRAWSURFACE lpTarget, CSurface*& pTarget) const;

    CDirectDraw* m_pDD = nullptr;
    CSurface* m_pRoot = this;            // the primary of the chain this surface belongs to
    std::vector<CSurface*> m_Chain;      // root only: primary, then the back buffers in order
    std::vector<std::uint8_t> m_Memory;  // swapped between surfaces by Flip
    const std::uint8_t* m_pGdiMemory = nullptr;  // root only: the memory the desktop shows
    DisplayFormat m_Format = DisplayFormat::Rgb565;
    unsigned m_nModeGeneration = 0;  // the display mode the memory was made for
    long m_nPitch = 0;
    DWORD m_dwCaps = 0;
    bool m_bLost = false;
    bool m_bLocked = false;
    HDC m_hDC = nullptr;
    CPalette* m_pPalette = nullptr;
};

}  // namespace portable
