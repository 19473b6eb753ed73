// GDI text on surfaces in every emulated format: the ink is the text colour in the surface's
// own layout, an opaque background fills the cell, alignment moves the cell, and the same text
// drawn again gives the same pixels. The message box the platform draws itself keeps within
// the room it is given, whatever the text.
#include "platform_fixture.h"

#include "portable/display/drawn_box.h"

#include <string>

#include <algorithm>

namespace ptest {
namespace {

struct SInkCase {
    const char* pszName;
    DisplayFormat format;
    std::uint32_t nInk;  // RGB(0x80, 0x80, 0xFF) as the surface stores it
};

class TextInk : public PlatformTest, public ::testing::WithParamInterface<SInkCase> {
protected:
    // Draws "W" at (x, y) with `align`, returns the surface as 32-bit values per pixel.
    std::vector<std::uint32_t> Draw(int x, int y, UINT align, int bkMode)
    {
        HDC hDC = nullptr;
        EXPECT_EQ(m_pBack->GetDC(&hDC), DD_OK);
        SetBkMode(hDC, bkMode);
        SetBkColor(hDC, RGB(0, 0, 0));
        SetTextColor(hDC, RGB(0x80, 0x80, 0xFF));
        SetTextAlign(hDC, align);
        EXPECT_TRUE(TextOutA(hDC, x, y, "W", 1));
        EXPECT_EQ(m_pBack->ReleaseDC(hDC), DD_OK);
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof(desc);
        std::vector<std::uint32_t> pixels(640 * 480);
        if (m_pBack->Lock(nullptr, &desc, 0, nullptr) != DD_OK)
            return {};
        const DWORD nBytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
        for (int py = 0; py < 480; ++py)
            for (int px = 0; px < 640; ++px) {
                const auto* p = static_cast<const std::uint8_t*>(desc.lpSurface) + py * desc.lPitch + px * nBytes;
                std::uint32_t v = 0;
                for (DWORD i = 0; i < nBytes; ++i)
                    v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
                pixels[py * 640 + px] = v;
            }
        m_pBack->Unlock(nullptr);
        return pixels;
    }
};

TEST_P(TextInk, InkIsTheTextColourInTheSurfacesLayout)
{
    Start(GetParam().format);
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    if (GetParam().format == DisplayFormat::Palette8) {
        PALETTEENTRY entries[256] = {};
        entries[77] = {0x80, 0x80, 0xFF, 0};  // the only entry near the text colour
        IDirectDrawPalette* pPalette = nullptr;
        ASSERT_EQ(m_pDD->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &pPalette, nullptr), DD_OK);
        ASSERT_EQ(m_pBack->SetPalette(pPalette), DD_OK);
        pPalette->Release();
    }
    const std::vector<std::uint32_t> pixels = Draw(100, 100, TA_LEFT | TA_TOP, TRANSPARENT);
    int nInk = 0, nOther = 0;
    for (std::uint32_t v : pixels) {
        nInk += v == GetParam().nInk;
        nOther += v != GetParam().nInk && v != 0;
    }
    EXPECT_GE(nInk, 10);
    EXPECT_EQ(nOther, 0) << "glyph edges must not be blended";
    EXPECT_EQ(Draw(100, 100, TA_LEFT | TA_TOP, TRANSPARENT), pixels) << "the second drawing differs";
}

// 5-6-5: 10000 100000 11111; 5-5-5: 10000 10000 11111.
INSTANTIATE_TEST_SUITE_P(
    Gdi, TextInk,
    ::testing::Values(SInkCase{"Rgb565", DisplayFormat::Rgb565, 0x841F},
                      SInkCase{"Rgb555", DisplayFormat::Rgb555, 0x421F},
                      SInkCase{"Rgb32", DisplayFormat::Rgb32, 0x8080FF},
                      SInkCase{"Palette8", DisplayFormat::Palette8, 77}),
    [](const ::testing::TestParamInfo<SInkCase>& info) { return info.param.pszName; });

class TextPlacement : public TextInk {};

TEST_F(TextPlacement, OpaqueFillsTheCellAndRightAlignmentEndsAtX)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    for (int py = 0; py < 480; ++py)
        for (int px = 0; px < 640; ++px)
            reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(desc.lpSurface) + py * desc.lPitch)[px] = 0xFFFF;
    ASSERT_EQ(m_pBack->Unlock(nullptr), DD_OK);

    const std::vector<std::uint32_t> pixels = Draw(300, 200, TA_RIGHT | TA_TOP, OPAQUE);
    int nBackground = 0, nRightOfX = 0, nTop = 480, nBottom = 0;
    for (int py = 0; py < 480; ++py)
        for (int px = 0; px < 640; ++px) {
            const std::uint32_t v = pixels[py * 640 + px];
            if (v == 0xFFFF)
                continue;
            nBackground += v == 0;
            nRightOfX += px >= 300;
            nTop = std::min(nTop, py);
            nBottom = std::max(nBottom, py);
        }
    EXPECT_EQ(nRightOfX, 0);
    EXPECT_GT(nBackground, 0) << "an opaque background paints the cell";
    EXPECT_EQ(nTop, 200);
    EXPECT_EQ(nBottom, 215) << "the default font's cell is 16 pixels high";
}

// The box is copied into the 640x480 picture at its centre: a box larger than its room would
// be written outside the picture. Overlong words, lines and captions and too many lines must
// all be broken or cut to fit.
TEST(DrawnBox, KeepsWithinItsRoomWhateverTheText)
{
    std::string text(3000, 'W');
    for (int i = 0; i < 200; ++i)
        text += "\nline " + std::to_string(i) + " of a long letter that goes on and on and on";
    const std::string caption(500, 'M');
    const portable::SDrawnBox box = portable::DrawMessageBoxImage(text.c_str(), caption.c_str(), 624, 464);
    EXPECT_LE(box.nWidth, 624);
    EXPECT_LE(box.nHeight, 464);
    EXPECT_EQ(box.rgb.size(), static_cast<std::size_t>(box.nWidth) * box.nHeight * 3);
    EXPECT_GE(box.okButton.left, 0);
    EXPECT_GE(box.okButton.top, 0);
    EXPECT_LE(box.okButton.right, box.nWidth);
    EXPECT_LE(box.okButton.bottom, box.nHeight);

    const portable::SDrawnBox small = portable::DrawMessageBoxImage("", "", 624, 464);
    EXPECT_LT(small.nWidth, 624) << "an empty box takes only the room it needs";
    EXPECT_LT(small.nHeight, 464);
}

}  // namespace
}  // namespace ptest
