// DirectDraw behaviour the program and its framework rely on: cooperative level, the flipping
// primary with one back buffer, its pixel format, Lock/Unlock, Flip, FlipToGDISurface and the
// 8-bit palette. Expected results are those of real DirectDraw as Wine's own ddraw tests assert.
#include "conformance.h"

namespace conf {
namespace {

using DirectDraw = DirectDrawTest;

TEST_F(DirectDraw, CreateSurfaceWithoutCooperativeLevelFailsAndLeavesOutPointer)
{
    auto* pSentinel = reinterpret_cast<IDirectDrawSurface*>(static_cast<uintptr_t>(0xdeadbeef));
    IDirectDrawSurface* pSurface = pSentinel;
    EXPECT_EQ(CreateFlipChain(1, &pSurface), DDERR_NOCOOPERATIVELEVELSET);
    EXPECT_EQ(pSurface, pSentinel);
}

struct SPrimaryCase {
    const char* pszName;
    DWORD dwCoopLevel;
    DWORD nBackBuffers;
    HRESULT hrExpected;
};

class PrimaryCreation : public DirectDrawTest, public ::testing::WithParamInterface<SPrimaryCase> {};

TEST_P(PrimaryCreation, FlippingPrimaryNeedsExclusiveModeAndABackBuffer)
{
    const SPrimaryCase& c = GetParam();
    ASSERT_EQ(m_pDD->SetCooperativeLevel(m_Window.Handle(), c.dwCoopLevel), DD_OK);
    IDirectDrawSurface* pSurface = nullptr;
    EXPECT_EQ(CreateFlipChain(c.nBackBuffers, &pSurface), c.hrExpected);
    if (pSurface)
        pSurface->Release();
}

INSTANTIATE_TEST_SUITE_P(
    DirectDraw, PrimaryCreation,
    ::testing::Values(SPrimaryCase{"NormalLevel", DDSCL_NORMAL, 1, DDERR_NOEXCLUSIVEMODE},
                      SPrimaryCase{"NoBackBuffer", DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, 0,
                                   DDERR_INVALIDCAPS},
                      SPrimaryCase{"OneBackBuffer", DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN, 1, DD_OK}),
    [](const ::testing::TestParamInfo<SPrimaryCase>& info) { return info.param.pszName; });

TEST_F(DirectDraw, PrimaryAndBackBufferDescribeTheirPlaceInTheChain)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    const DWORD dwFrontCaps = DDSCAPS_VISIBLE | DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER |
                              DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    DDSURFACEDESC front = EmptyDesc();
    ASSERT_EQ(m_pFrontBuffer->GetSurfaceDesc(&front), DD_OK);
    EXPECT_EQ(front.ddsCaps.dwCaps & dwFrontCaps, dwFrontCaps);
    EXPECT_EQ(front.dwBackBufferCount, 1u);

    DDSURFACEDESC back = EmptyDesc();
    ASSERT_EQ(m_pBackBuffer->GetSurfaceDesc(&back), DD_OK);
    const DWORD dwBackCaps = DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    EXPECT_EQ(back.ddsCaps.dwCaps & dwBackCaps, dwBackCaps);
    EXPECT_EQ(back.ddsCaps.dwCaps & (DDSCAPS_FRONTBUFFER | DDSCAPS_PRIMARYSURFACE), 0u);
    EXPECT_EQ(back.dwBackBufferCount, 0u);
}

TEST_F(DirectDraw, FlipCapsWalkTheChainAndWrapToTheFront)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    DDSCAPS flip = {DDSCAPS_FLIP};
    IDirectDrawSurface* pNext = nullptr;
    ASSERT_EQ(m_pFrontBuffer->GetAttachedSurface(&flip, &pNext), DD_OK);
    EXPECT_EQ(pNext, m_pBackBuffer);
    pNext->Release();
    ASSERT_EQ(m_pBackBuffer->GetAttachedSurface(&flip, &pNext), DD_OK);
    EXPECT_EQ(pNext, m_pFrontBuffer);
    pNext->Release();
}

TEST_F(DirectDraw, SixteenBitModeIs565WithNoMemoryInTheDescription)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    for (IDirectDrawSurface* pSurface : {m_pFrontBuffer, m_pBackBuffer}) {
        DDSURFACEDESC desc = EmptyDesc();
        ASSERT_EQ(pSurface->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(desc.dwWidth, 640u);
        EXPECT_EQ(desc.dwHeight, 480u);
        EXPECT_TRUE(desc.dwFlags & DDSD_PIXELFORMAT);
        EXPECT_TRUE(desc.ddpfPixelFormat.dwFlags & DDPF_RGB);
        EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
        EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0xF800u);
        EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, 0x07E0u);
        EXPECT_EQ(desc.ddpfPixelFormat.dwBBitMask, 0x001Fu);
        EXPECT_EQ(desc.lpSurface, nullptr);
    }
}

TEST_F(DirectDraw, LockGivesWritableMemoryWithARowPitchOfAtLeast1280Bytes)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    DDSURFACEDESC desc = EmptyDesc();
    // Flags 0 and no event, as the framework locks.
    ASSERT_EQ(m_pBackBuffer->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    ASSERT_NE(desc.lpSurface, nullptr);
    EXPECT_GE(desc.lPitch, 1280);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_EQ(desc.dwHeight, 480u);
    // The last pixel of the last row must be inside the memory (ASan would notice).
    auto* pBytes = static_cast<std::uint8_t*>(desc.lpSurface);
    reinterpret_cast<std::uint16_t*>(pBytes + 479 * desc.lPitch)[639] = 0x1234;

    // GetSurfaceDesc never hands out the memory, even while the surface is locked.
    DDSURFACEDESC during = EmptyDesc();
    ASSERT_EQ(m_pBackBuffer->GetSurfaceDesc(&during), DD_OK);
    EXPECT_EQ(during.lpSurface, nullptr);
    EXPECT_EQ(m_pBackBuffer->Unlock(nullptr), DD_OK);
}

TEST_F(DirectDraw, LockTwiceIsBusyAndUnlockTwiceIsNotLocked)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    DDSURFACEDESC first = EmptyDesc();
    ASSERT_EQ(m_pBackBuffer->Lock(nullptr, &first, DDLOCK_WAIT, nullptr), DD_OK);
    DDSURFACEDESC second = EmptyDesc();
    EXPECT_EQ(m_pBackBuffer->Lock(nullptr, &second, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(m_pBackBuffer->Unlock(nullptr), DD_OK);
    EXPECT_EQ(m_pBackBuffer->Unlock(nullptr), DDERR_NOTLOCKED);
}

struct SLockCase {
    const char* pszName;
    DWORD dwSize;       // the descriptor's size field
    bool bRect;         // lock a rectangle instead of the whole surface
    RECT rect;
    HRESULT hrExpected;
};

class LockArguments : public DirectDrawTest, public ::testing::WithParamInterface<SLockCase> {};

TEST_P(LockArguments, InvalidArgumentsFailWithoutHandingOutMemory)
{
    const SLockCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    DDSURFACEDESC desc = EmptyDesc();
    desc.dwSize = c.dwSize;
    RECT rect = c.rect;
    HRESULT hr = m_pBackBuffer->Lock(c.bRect ? &rect : nullptr, &desc, DDLOCK_WAIT, nullptr);
    EXPECT_EQ(hr, c.hrExpected);
    if (hr == DD_OK) {
        EXPECT_NE(desc.lpSurface, nullptr);
        EXPECT_EQ(m_pBackBuffer->Unlock(c.bRect ? &rect : nullptr), DD_OK);
    } else {
        EXPECT_EQ(desc.lpSurface, nullptr);
    }
}

constexpr DWORD kDescSize = sizeof(DDSURFACEDESC);

INSTANTIATE_TEST_SUITE_P(
    DirectDraw, LockArguments,
    ::testing::Values(SLockCase{"SizeZero", 0, false, {}, DDERR_INVALIDPARAMS},
                      SLockCase{"InvertedRect", kDescSize, true, {60, 60, 10, 68}, DDERR_INVALIDPARAMS},
                      SLockCase{"RectPastTheRight", kDescSize, true, {600, 0, 641, 10},
                                DDERR_INVALIDPARAMS},
                      SLockCase{"RectPastTheBottom", kDescSize, true, {0, 470, 10, 481},
                                DDERR_INVALIDPARAMS},
                      SLockCase{"EmptyRectIsValid", kDescSize, true, {60, 60, 60, 68}, DD_OK},
                      SLockCase{"WholeScreenRect", kDescSize, true, {0, 0, 640, 480}, DD_OK}),
    [](const ::testing::TestParamInfo<SLockCase>& info) { return info.param.pszName; });

TEST_F(DirectDraw, LockWithoutADescriptorIsInvalid)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    EXPECT_EQ(m_pBackBuffer->Lock(nullptr, nullptr, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DirectDraw, FlipExchangesTheContentsOfFrontAndBackBuffer)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    ASSERT_TRUE(FillSurface(m_pFrontBuffer, 0x001F));
    ASSERT_TRUE(FillSurface(m_pBackBuffer, 0xF800));
    // Flags 0 and no target, as the framework flips.
    ASSERT_EQ(m_pFrontBuffer->Flip(nullptr, 0), DD_OK);

    std::vector<std::uint16_t> front, back;
    ASSERT_TRUE(ReadSurface(m_pFrontBuffer, front));
    ASSERT_TRUE(ReadSurface(m_pBackBuffer, back));
    EXPECT_EQ(front[0], 0xF800);
    EXPECT_EQ(front[479 * 640 + 639], 0xF800);
    EXPECT_EQ(back[0], 0x001F);
    EXPECT_EQ(back[479 * 640 + 639], 0x001F);
}

TEST_F(DirectDraw, FlipToTheBackBufferByNameIsAllowedButNotToTheFrontItself)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    EXPECT_EQ(m_pFrontBuffer->Flip(m_pBackBuffer, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(m_pFrontBuffer->Flip(m_pFrontBuffer, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
    EXPECT_EQ(m_pBackBuffer->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
}

TEST_F(DirectDraw, FlipOutsideExclusiveModeFailsWithoutLosingTheSurface)
{
    // No SetDisplayMode here: leaving exclusive mode after a mode change restores the desktop's
    // mode, and that loses the primary (Wine does so even when the mode was the same).
    ASSERT_EQ(m_pDD->SetCooperativeLevel(m_Window.Handle(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DD_OK);
    ASSERT_EQ(CreateFlipChain(1, &m_pFrontBuffer), DD_OK);
    ASSERT_EQ(m_pDD->SetCooperativeLevel(m_Window.Handle(), DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(m_pFrontBuffer->Flip(nullptr, DDFLIP_WAIT), DDERR_NOEXCLUSIVEMODE);
    DDSURFACEDESC desc = EmptyDesc();
    EXPECT_EQ(m_pFrontBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(m_pFrontBuffer->Unlock(nullptr), DD_OK);
}

TEST_F(DirectDraw, LeavingExclusiveModeAfterAModeChangeLosesThePrimary)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    ASSERT_EQ(m_pDD->SetCooperativeLevel(m_Window.Handle(), DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(m_pFrontBuffer->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    DDSURFACEDESC desc = EmptyDesc();
    EXPECT_EQ(m_pFrontBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
}

TEST_F(DirectDraw, FlipToGDISurfaceSucceedsAndFlippingGoesOnAfterwards)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    ASSERT_TRUE(FillSurface(m_pBackBuffer, 0x07E0));
    ASSERT_EQ(m_pFrontBuffer->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(m_pDD->FlipToGDISurface(), DD_OK);
    // Twice in a row is harmless: the GDI surface is already in front.
    EXPECT_EQ(m_pDD->FlipToGDISurface(), DD_OK);
    EXPECT_EQ(m_pFrontBuffer->Flip(nullptr, 0), DD_OK);
}

TEST_F(DirectDraw, PaletteOf256EntriesKeepsItsColours)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i)
        entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0};
    IDirectDrawPalette* pPalette = nullptr;
    ASSERT_EQ(m_pDD->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &pPalette, nullptr),
              DD_OK);
    ASSERT_NE(pPalette, nullptr);
    PALETTEENTRY read[256] = {};
    EXPECT_EQ(pPalette->GetEntries(0, 0, 256, read), DD_OK);
    for (int i : {0, 1, 127, 255}) {
        EXPECT_EQ(read[i].peRed, entries[i].peRed) << "entry " << i;
        EXPECT_EQ(read[i].peGreen, entries[i].peGreen) << "entry " << i;
        EXPECT_EQ(read[i].peBlue, entries[i].peBlue) << "entry " << i;
    }
    pPalette->Release();
}

TEST_F(DirectDraw, EightBitModeGivesAPalettizedPrimary)
{
    ASSERT_EQ(m_pDD->SetCooperativeLevel(m_Window.Handle(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DD_OK);
    HRESULT hr = m_pDD->SetDisplayMode(kScreenWidth, kScreenHeight, 8, 0, 0);
    if (hr != DD_OK)  // Wine's own tests skip here too: not every display offers 8 bits.
        GTEST_SKIP() << "SetDisplayMode(640, 480, 8) failed with 0x" << std::hex << hr;
    ASSERT_EQ(CreateFlipChain(1, &m_pFrontBuffer), DD_OK);
    DDSURFACEDESC desc = EmptyDesc();
    ASSERT_EQ(m_pFrontBuffer->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 8u);
    EXPECT_TRUE(desc.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);
}

}  // namespace
}  // namespace conf
