// Device contexts on DirectDraw surfaces and the GDI text output the greetings scroller uses:
// GetDC/ReleaseDC pairing, the lock they hold, and TextOutA's pixels in a 5-6-5 back buffer.
#include "conformance.h"

namespace conf {
namespace {

using SurfaceDC = DirectDrawTest;

TEST_F(SurfaceDC, SecondGetDCAndSecondReleaseDCFail)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    HDC hDC = nullptr;
    ASSERT_EQ(m_pBackBuffer->GetDC(&hDC), DD_OK);
    ASSERT_NE(hDC, nullptr);
    auto* hSentinel = reinterpret_cast<HDC>(static_cast<uintptr_t>(0xdeadbeef));
    HDC hSecond = hSentinel;
    EXPECT_EQ(m_pBackBuffer->GetDC(&hSecond), DDERR_DCALREADYCREATED);
    EXPECT_EQ(hSecond, hSentinel);
    EXPECT_EQ(m_pBackBuffer->ReleaseDC(hDC), DD_OK);
    EXPECT_EQ(m_pBackBuffer->ReleaseDC(hDC), DDERR_NODC);
}

TEST_F(SurfaceDC, LockWhileTheDCIsHeldIsBusyAndWorksAfterRelease)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    HDC hDC = nullptr;
    ASSERT_EQ(m_pBackBuffer->GetDC(&hDC), DD_OK);
    DDSURFACEDESC desc = EmptyDesc();
    EXPECT_EQ(m_pBackBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(desc.lpSurface, nullptr);
    ASSERT_EQ(m_pBackBuffer->ReleaseDC(hDC), DD_OK);
    EXPECT_EQ(m_pBackBuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(m_pBackBuffer->Unlock(nullptr), DD_OK);
}

// The scroller's colour at scroll position 0: red 0x80, green 0x80, blue 255. In 5-6-5 each
// channel keeps its top bits: 10000 100000 11111 = 0x841F.
constexpr COLORREF kTextColour = RGB(0x80, 0x80, 0xFF);
constexpr std::uint16_t kTextPixel = 0x841F;
constexpr std::uint16_t kBackground = 0x4208;  // a dark grey the text must not paint over
// A character cell of the default font fits in 24 x 32 pixels on both platforms.
constexpr int kCellWidth = 24;
constexpr int kCellHeight = 32;

TEST_F(SurfaceDC, TransparentTextOutDrawsTheTextColourOnlyInsideTheCell)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    ASSERT_TRUE(FillSurface(m_pBackBuffer, kBackground));
    const int x = 100, y = 200;
    HDC hDC = nullptr;
    ASSERT_EQ(m_pBackBuffer->GetDC(&hDC), DD_OK);
    SetBkMode(hDC, TRANSPARENT);
    SetTextColor(hDC, kTextColour);
    SetTextAlign(hDC, 0);
    EXPECT_TRUE(TextOutA(hDC, x, y, "W", 1));
    ASSERT_EQ(m_pBackBuffer->ReleaseDC(hDC), DD_OK);

    std::vector<std::uint16_t> pixels;
    ASSERT_TRUE(ReadSurface(m_pBackBuffer, pixels));
    int nInk = 0, nUntouchedInCell = 0, nChangedOutside = 0;
    for (int py = 0; py < kScreenHeight; ++py) {
        for (int px = 0; px < kScreenWidth; ++px) {
            std::uint16_t nPixel = pixels[py * kScreenWidth + px];
            bool bInCell = px >= x && px < x + kCellWidth && py >= y && py < y + kCellHeight;
            if (!bInCell)
                nChangedOutside += nPixel != kBackground;
            else if (nPixel == kTextPixel)
                ++nInk;
            else
                nUntouchedInCell += nPixel == kBackground;
        }
    }
    EXPECT_GE(nInk, 10) << "the glyph is missing or not drawn in the text colour";
    EXPECT_EQ(nChangedOutside, 0) << "pixels changed outside the character cell";
    // A transparent background leaves most of the cell as it was.
    EXPECT_GT(nUntouchedInCell, kCellWidth * kCellHeight / 2);
}

TEST_F(SurfaceDC, TextLeftOfTheSurfaceIsClipped)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive16());
    ASSERT_TRUE(FillSurface(m_pBackBuffer, kBackground));
    HDC hDC = nullptr;
    ASSERT_EQ(m_pBackBuffer->GetDC(&hDC), DD_OK);
    SetBkMode(hDC, TRANSPARENT);
    SetTextColor(hDC, kTextColour);
    // The scroller issues every character, including those far outside the screen.
    TextOutA(hDC, -376, 440, "W", 1);
    TextOutA(hDC, 650, 440, "W", 1);
    TextOutA(hDC, 300, 470, "W", 1);
    ASSERT_EQ(m_pBackBuffer->ReleaseDC(hDC), DD_OK);

    // Only the cell of the last character, cut by the bottom edge, may change: unclipped
    // output at x < 0 or x >= 640 would land in a neighbouring row instead.
    std::vector<std::uint16_t> pixels;
    ASSERT_TRUE(ReadSurface(m_pBackBuffer, pixels));
    int nInk = 0, nChangedOutside = 0;
    for (int py = 0; py < kScreenHeight; ++py) {
        for (int px = 0; px < kScreenWidth; ++px) {
            bool bChanged = pixels[py * kScreenWidth + px] != kBackground;
            if (px >= 300 && px < 300 + kCellWidth && py >= 470)
                nInk += bChanged;
            else
                nChangedOutside += bChanged;
        }
    }
    EXPECT_GT(nInk, 0) << "the character at the bottom edge should show in part";
    EXPECT_EQ(nChangedOutside, 0);
}

}  // namespace
}  // namespace conf
