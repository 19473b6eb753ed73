// Fixture of the platform tests: a fresh headless world with a shown window and, on demand,
// DirectDraw in exclusive mode with its flipping chain, made the way the framework makes them.
#pragma once

#include "winapi.h"
#include "portable/testing/testing.h"

#include <gtest/gtest.h>

#include <vector>

namespace ptest {

using portable::test::Call;
using portable::test::DisplayFormat;

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { Start(DisplayFormat::Rgb565); }
    void TearDown() override { portable::test::Reset(); }

    void Start(DisplayFormat format)
    {
        portable::test::Reset(format);
        WNDCLASSA wc{};
        wc.lpfnWndProc = &PlatformTest::WndProc;
        wc.lpszClassName = "ptest";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowExA(WS_EX_TOPMOST, "ptest", "platform test", WS_POPUPWINDOW, 0, 0,
                                 640, 480, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
        Messages().clear();
    }

    // Exclusive mode, 640x480x16 and the chain; failures are reported by the caller's ASSERTs.
    void EnterExclusive()
    {
        IDirectDraw* pFirst = nullptr;
        ASSERT_EQ(DirectDrawCreate(nullptr, &pFirst, nullptr), DD_OK);
        ASSERT_EQ(pFirst->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&m_pDD)), DD_OK);
        pFirst->Release();
        ASSERT_EQ(m_pDD->SetCooperativeLevel(m_hWnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        ASSERT_EQ(m_pDD->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        desc.dwBackBufferCount = 1;
        ASSERT_EQ(m_pDD->CreateSurface(&desc, &m_pFront, nullptr), DD_OK);
        DDSCAPS caps{DDSCAPS_BACKBUFFER};
        ASSERT_EQ(m_pFront->GetAttachedSurface(&caps, &m_pBack), DD_OK);
    }

    static std::vector<MSG>& Messages()
    {
        static std::vector<MSG> s_Messages;
        return s_Messages;
    }

    static LRESULT CALLBACK WndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
    {
        Messages().push_back(MSG{hWnd, nMsg, wParam, lParam, 0, {}});
        return DefWindowProcA(hWnd, nMsg, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
    IDirectDraw2* m_pDD = nullptr;
    IDirectDrawSurface* m_pFront = nullptr;
    IDirectDrawSurface* m_pBack = nullptr;
};

}  // namespace ptest
