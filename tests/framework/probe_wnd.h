// A CSurfaceWnd that counts its hooks and opens its fields to the framework tests, plus a
// fixture that gives each test a fresh headless world. Needs the portable test API.
#pragma once

#include "surface_wnd.h"
#include "portable/testing/testing.h"

#include <gtest/gtest.h>

#include <memory>

class CProbeWnd : public CSurfaceWnd
{
public:
    using CSurfaceWnd::m_bActive;
    using CSurfaceWnd::m_bMessageShown;
    using CSurfaceWnd::m_hWnd;
    using CSurfaceWnd::m_nTimerId;
    using CSurfaceWnd::m_PaletteEntries;
    using CSurfaceWnd::m_pBackBuffer;
    using CSurfaceWnd::m_pDD;
    using CSurfaceWnd::m_pFrontBuffer;
    using CSurfaceWnd::m_pPalette;
    using CSurfaceWnd::m_szText;

    static constexpr int kDrawResult = 7;

    int Draw(IDirectDrawSurface* surface) override
    {
        ++m_nDraws;
        m_pDrawnOn = surface;
        return kDrawResult;
    }
    int OnInit() override { return ++m_nInits, 0; }
    int OnExit() override
    {
        ++m_nExits;
        m_bHadDirectDrawAtExit = m_pDD != nullptr;
        return 0;
    }

    int m_nDraws = 0;
    int m_nInits = 0;
    int m_nExits = 0;
    bool m_bHadDirectDrawAtExit = false;
    IDirectDrawSurface* m_pDrawnOn = nullptr;
};

inline constexpr char kProbeTitle[] = "probe title";

class FrameworkTest : public ::testing::Test
{
protected:
    void SetUp() override { Start(portable::test::DisplayFormat::Rgb565); }
    void TearDown() override { portable::test::SetMessageBoxHook(nullptr); }

    void Start(portable::test::DisplayFormat format)
    {
        m_pWnd.reset();
        portable::test::Reset(format);
        m_pWnd = std::make_unique<CProbeWnd>();
    }
    HWND OpenWindow()
    {
        return m_pWnd->Create(GetModuleHandleA(nullptr), SW_SHOW, "korvan_probe", kProbeTitle,
                              nullptr, LoadCursorA(nullptr, IDC_ARROW));
    }
    void BringUp(DWORD bitsPerPixel = 16)
    {
        OpenWindow();
        m_pWnd->InitDirectDraw();
        m_pWnd->InitSurfaces(640, 480, bitsPerPixel, 0);
    }
    LRESULT Send(UINT message, WPARAM wParam = 0)
    {
        return StaticWndProc(m_pWnd->m_hWnd, message, wParam, 0);
    }

    std::unique_ptr<CProbeWnd> m_pWnd;
};
