// The DirectDraw objects of the portable platform: CDirectDraw (ddraw.cpp), CSurface and
// CPalette (surface.cpp).
#pragma once

#include "../testing/faults.h"
#include "../user/gdi.h"
#include "../user/window_manager.h"
#include "ddraw.h"
#include "present.h"

#include <cstdint>
#include <vector>

namespace portable {

class CSurface;
class CPalette;

unsigned CurrentModeGeneration();

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

    ULONG m_nRefs;
    bool m_bDead = false;
};

// The object DirectDrawCreate makes, under both its interfaces: IDirectDraw (what
// DirectDrawCreate returns) and IDirectDraw2 share the reference count and every method but
// SetDisplayMode, whose first version has no refresh rate and flags.
class CDirectDraw final : public CComObject<IDirectDraw2>, public IDirectDraw {
public:
    CDirectDraw() : CComObject(1) {}
    CDirectDraw(const CDirectDraw&) = delete;
    CDirectDraw& operator=(const CDirectDraw&) = delete;

    CSurface* Primary() const { return m_pPrimary; }
    void Kill();
    void ForgetPrimary(CSurface* pSurface);

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override { return CComObject::AddRef(); }
    ULONG Release() override;
    HRESULT CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable,
                          LPDIRECTDRAWPALETTE* lplpPalette, IUnknown* pUnkOuter) override;
    HRESULT CreateSurface(LPDDSURFACEDESC lpDesc, LPDIRECTDRAWSURFACE* lplpSurface,
                          IUnknown* pUnkOuter) override;
    HRESULT FlipToGDISurface() override;
    HRESULT SetCooperativeLevel(HWND hWnd, DWORD dwFlags) override;
    HRESULT SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP) override;
    HRESULT SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP, DWORD dwRefreshRate,
                           DWORD dwFlags) override;

private:
    void ChangeMode(DisplayFormat format, bool bSetByProgram);
    void RestoreDesktopMode();

    HWND m_hWnd = nullptr;
    DWORD m_dwLevel = 0;
    CSurface* m_pPrimary = nullptr;
};

bool IsExclusiveOwner(const CDirectDraw* pDD);

class CPalette final : public CComObject<IDirectDrawPalette> {
public:
    CPalette() : CComObject(1) {}
    static CPalette* Create(const PALETTEENTRY* pEntries);
    const PALETTEENTRY* Entries() const { return m_Entries; }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG Release() override;
    HRESULT GetEntries(DWORD dwFlags, DWORD dwBase, DWORD dwNumEntries, LPPALETTEENTRY lpEntries) override;

private:
    PALETTEENTRY m_Entries[256] = {};
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
    HRESULT Flip(LPDIRECTDRAWSURFACE lpTarget, DWORD dwFlags) override;
    HRESULT GetAttachedSurface(LPDDSCAPS lpCaps, LPDIRECTDRAWSURFACE* lplpSurface) override;
    HRESULT GetDC(HDC* lphDC) override;
    HRESULT GetPalette(LPDIRECTDRAWPALETTE* lplpPalette) override;
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC lpDesc) override;
    HRESULT IsLost() override;
    HRESULT Lock(LPRECT lpRect, LPDDSURFACEDESC lpDesc, DWORD dwFlags, HANDLE hEvent) override;
    HRESULT ReleaseDC(HDC hDC) override;
    HRESULT Restore() override;
    HRESULT SetPalette(LPDIRECTDRAWPALETTE lpPalette) override;
    HRESULT Unlock(LPVOID lpSurfaceData) override;

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
