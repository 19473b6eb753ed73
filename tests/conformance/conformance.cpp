// The conformance suite's window, DirectDraw fixture and surface helpers (see conformance.h).
// Depends only on "winapi.h" and GoogleTest.
#include "conformance.h"

#include <cstring>

namespace conf {

namespace {

const char kClassName[] = "korvan_conformance";
std::vector<SMessage> g_Messages;

LRESULT CALLBACK RecordingWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    g_Messages.push_back({nMsg, wParam});
    return DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

void RegisterTestClass()
{
    static bool s_bRegistered = false;
    if (s_bRegistered)
        return;
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof(wc));
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = RecordingWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    s_bRegistered = RegisterClassA(&wc) != 0;
}

}  // namespace

CTestWindow::CTestWindow()
{
    RegisterTestClass();
    g_Messages.clear();
    m_hWnd = CreateWindowExA(WS_EX_TOPMOST, kClassName, "korvan conformance", WS_POPUPWINDOW, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_hWnd) {
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
        UpdateWindow(m_hWnd);
        SetFocus(m_hWnd);
    }
}

CTestWindow::~CTestWindow()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

void CTestWindow::Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int CTestWindow::CountOf(UINT nMsg) const
{
    int nCount = 0;
    for (const SMessage& m : g_Messages)
        nCount += m.nMsg == nMsg;
    return nCount;
}

const std::vector<SMessage>& CTestWindow::Messages() const
{
    return g_Messages;
}

void DirectDrawTest::SetUp()
{
    ASSERT_NE(m_Window.Handle(), nullptr);
    IDirectDraw* pDD1 = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &pDD1, nullptr), DD_OK);
    ASSERT_NE(pDD1, nullptr);
    HRESULT hr = pDD1->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&m_pDD));
    pDD1->Release();
    ASSERT_EQ(hr, DD_OK);
    ASSERT_NE(m_pDD, nullptr);
}

void DirectDrawTest::TearDown()
{
    // GetAttachedSurface added a reference to the back buffer; it goes first, then the chain.
    if (m_pBackBuffer)
        m_pBackBuffer->Release();
    if (m_pFrontBuffer)
        m_pFrontBuffer->Release();
    if (m_pDD)
        m_pDD->Release();
}

HRESULT DirectDrawTest::CreateFlipChain(DWORD nBackBuffers, IDirectDrawSurface** ppSurface)
{
    DDSURFACEDESC desc = EmptyDesc();
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = nBackBuffers;
    return m_pDD->CreateSurface(&desc, ppSurface, nullptr);
}

void DirectDrawTest::EnterExclusive16()
{
    ASSERT_EQ(m_pDD->SetCooperativeLevel(m_Window.Handle(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DD_OK);
    // Under Wine this needs the X display itself at 640x480x16 (the harness's Xvfb screen).
    ASSERT_EQ(m_pDD->SetDisplayMode(kScreenWidth, kScreenHeight, 16, 0, 0), DD_OK);
    ASSERT_EQ(CreateFlipChain(1, &m_pFrontBuffer), DD_OK);
    DDSCAPS caps = {DDSCAPS_BACKBUFFER};
    ASSERT_EQ(m_pFrontBuffer->GetAttachedSurface(&caps, &m_pBackBuffer), DD_OK);
    ASSERT_NE(m_pBackBuffer, nullptr);
}

DDSURFACEDESC EmptyDesc()
{
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    return desc;
}

bool FillSurface(IDirectDrawSurface* pSurface, std::uint16_t nPixel)
{
    DDSURFACEDESC desc = EmptyDesc();
    HRESULT hr = pSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    EXPECT_EQ(hr, DD_OK);
    if (hr != DD_OK)
        return false;
    auto* pBytes = static_cast<std::uint8_t*>(desc.lpSurface);
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
        auto* pRow = reinterpret_cast<std::uint16_t*>(pBytes + y * desc.lPitch);
        for (DWORD x = 0; x < desc.dwWidth; ++x)
            pRow[x] = nPixel;
    }
    return pSurface->Unlock(nullptr) == DD_OK;
}

bool ReadSurface(IDirectDrawSurface* pSurface, std::vector<std::uint16_t>& pixels)
{
    DDSURFACEDESC desc = EmptyDesc();
    HRESULT hr = pSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    EXPECT_EQ(hr, DD_OK);
    if (hr != DD_OK)
        return false;
    pixels.resize(static_cast<size_t>(desc.dwWidth) * desc.dwHeight);
    auto* pBytes = static_cast<const std::uint8_t*>(desc.lpSurface);
    for (DWORD y = 0; y < desc.dwHeight; ++y)
        std::memcpy(&pixels[y * desc.dwWidth], pBytes + y * desc.lPitch, desc.dwWidth * 2);
    return pSurface->Unlock(nullptr) == DD_OK;
}

}  // namespace conf
