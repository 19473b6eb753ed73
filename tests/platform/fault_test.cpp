// Fault injection through the portable layer: how many calls fail, that a failed call does
// nothing else, and that surfaces lost to Alt+Tab stay lost until restored in the foreground.
#include "platform_fixture.h"

namespace ptest {
namespace {

using portable::test::CallCount;
using portable::test::InjectFault;
using portable::test::kAlways;

class Faults : public PlatformTest {};

TEST_F(Faults, StillDrawingTwiceThenTheFlipGoesThrough)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    InjectFault(Call::Flip, DDERR_WASSTILLDRAWING, 2);
    EXPECT_EQ(m_pFront->Flip(nullptr, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(m_pFront->Flip(nullptr, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(portable::test::PresentedFrames(), 0) << "a failed flip must not present";
    EXPECT_EQ(m_pFront->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(portable::test::PresentedFrames(), 1);
    EXPECT_EQ(CallCount(Call::Flip), 3);
}

TEST_F(Faults, AlwaysKeepsFailingUntilCleared)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    InjectFault(Call::Lock, DDERR_SURFACEBUSY, kAlways);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(desc.lpSurface, nullptr);
    portable::test::ClearFaults();
    // The failed locks locked nothing: the surface is free and unlocking it is an error.
    EXPECT_EQ(m_pBack->Unlock(nullptr), DDERR_NOTLOCKED);
    EXPECT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    EXPECT_EQ(m_pBack->Unlock(nullptr), DD_OK);
}

TEST_F(Faults, FailedGetDCHandsOutNoContext)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    InjectFault(Call::GetDC, DDERR_GENERIC);
    HDC hDC = reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x1234));
    EXPECT_EQ(m_pBack->GetDC(&hDC), DDERR_GENERIC);
    EXPECT_EQ(hDC, nullptr);
    EXPECT_FALSE(TextOutA(hDC, 0, 0, "x", 1));
    EXPECT_EQ(m_pBack->GetDC(&hDC), DD_OK);
    EXPECT_EQ(m_pBack->ReleaseDC(hDC), DD_OK);
}

TEST_F(Faults, FailingSetUpCallsLeaveNoObjectBehind)
{
    InjectFault(Call::SetTimer, DDERR_GENERIC);
    EXPECT_EQ(SetTimer(m_hWnd, 1, 10, nullptr), 0u);
    EXPECT_EQ(SetTimer(m_hWnd, 1, 10, nullptr), 1u);

    InjectFault(Call::CreateWindowExA, DDERR_GENERIC);
    EXPECT_EQ(CreateWindowExA(0, "ptest", "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);

    IDirectDraw* pDD = nullptr;
    InjectFault(Call::DirectDrawCreate, DDERR_OUTOFMEMORY);
    EXPECT_EQ(DirectDrawCreate(nullptr, &pDD, nullptr), DDERR_OUTOFMEMORY);
    EXPECT_EQ(pDD, nullptr);
    EXPECT_EQ(CallCount(Call::DirectDrawCreate), 1);
}

TEST_F(Faults, FailedSetDisplayModeLeavesTheModeAndCreateSurfaceStillWorks)
{
    IDirectDraw* pFirst = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &pFirst, nullptr), DD_OK);
    ASSERT_EQ(pFirst->SetCooperativeLevel(m_hWnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    InjectFault(Call::SetDisplayMode, DDERR_INVALIDMODE);
    EXPECT_EQ(pFirst->SetDisplayMode(640, 480, 8), DDERR_INVALIDMODE);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface* pPrimary = nullptr;
    ASSERT_EQ(pFirst->CreateSurface(&desc, &pPrimary, nullptr), DD_OK);
    DDSURFACEDESC got{};
    got.dwSize = sizeof(got);
    ASSERT_EQ(pPrimary->GetSurfaceDesc(&got), DD_OK);
    EXPECT_EQ(got.ddpfPixelFormat.dwRGBBitCount, 16u) << "the failed call changed the mode";
    pPrimary->Release();
    pFirst->Release();
}

TEST_F(Faults, AltTabLosesTheChainUntilRestoredInTheForeground)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    Messages().clear();
    portable::test::LoseFocus();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].message, static_cast<UINT>(WM_ACTIVATEAPP));
    EXPECT_EQ(Messages()[0].wParam, 0u);

    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    HDC hDC = nullptr;
    EXPECT_EQ(m_pFront->Flip(nullptr, 0), DDERR_SURFACELOST);
    EXPECT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(m_pBack->GetDC(&hDC), DDERR_SURFACELOST);
    EXPECT_EQ(m_pFront->Restore(), DDERR_WRONGMODE) << "no restore while in the background";

    portable::test::GainFocus();
    EXPECT_EQ(Messages().back().wParam, 1u);
    EXPECT_EQ(m_pFront->Flip(nullptr, 0), DDERR_SURFACELOST) << "lost until restored";
    EXPECT_EQ(m_pFront->Restore(), DD_OK);
    // Restoring the front brings its back buffer back too.
    EXPECT_EQ(m_pBack->IsLost(), DD_OK);
    EXPECT_EQ(m_pFront->Flip(nullptr, 0), DD_OK);
}

TEST_F(Faults, LeavingExclusiveModeAfterSetDisplayModeLosesThePrimaryForGood)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    ASSERT_EQ(m_pDD->SetCooperativeLevel(m_hWnd, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(m_pFront->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(m_pFront->Restore(), DDERR_WRONGMODE);
}

TEST_F(Faults, EveryCallOnAReleasedObjectFailsCleanly)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    PALETTEENTRY entries[256] = {};
    IDirectDrawPalette* pPalette = nullptr;
    ASSERT_EQ(m_pDD->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &pPalette, nullptr), DD_OK);
    EXPECT_EQ(pPalette->Release(), 0u);
    EXPECT_EQ(m_pFront->Release(), 0u);  // the chain goes, the back buffer with it
    EXPECT_EQ(m_pDD->Release(), 0u);

    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    HDC hDC = nullptr;
    EXPECT_EQ(m_pFront->Flip(nullptr, 0), DDERR_INVALIDOBJECT);
    EXPECT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DDERR_INVALIDOBJECT);
    EXPECT_EQ(desc.lpSurface, nullptr);
    EXPECT_EQ(m_pBack->GetDC(&hDC), DDERR_INVALIDOBJECT);
    EXPECT_EQ(m_pFront->Restore(), DDERR_INVALIDOBJECT);
    EXPECT_EQ(m_pDD->FlipToGDISurface(), DDERR_INVALIDOBJECT);
    EXPECT_EQ(pPalette->GetEntries(0, 0, 256, entries), DDERR_INVALIDOBJECT);
    EXPECT_EQ(m_pFront->Release(), 0u);
    EXPECT_EQ(m_pBack->Release(), 0u);
    EXPECT_EQ(m_pDD->Release(), 0u);
    EXPECT_EQ(portable::test::PresentedFrames(), 0);
}

}  // namespace
}  // namespace ptest
