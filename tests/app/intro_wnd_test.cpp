// CIntroWnd and the program's start-up on the headless portable platform: which displays get
// a scene and in which pixel layout, what one frame costs in calls and what a failure in it
// skips, the copy across any pitch, and how start-up ends when it cannot run the intro.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "winapi.h"
#include "portable/testing/testing.h"

#include "bump_map.h"
#include "framework_texts.h"
#include "intro_scene.h"
#include "intro_wnd.h"
#include "scroller.h"
#include "texts.h"

namespace pt = portable::test;

namespace {

// Gives tests the window's surfaces and scene. The program never frees its scene; a test
// window does, so each test leaves nothing behind.
class CTestIntroWnd : public CIntroWnd
{
public:
    ~CTestIntroWnd() override { delete m_pScene; }
    CIntroScene* Scene() const { return m_pScene; }
    IDirectDrawSurface* BackBuffer() const { return m_pBackBuffer; }
};

// Rows 0..179 of the first frame of a scene built afresh in `mode`: relief only, above the logo
// and far above the scroller.
std::vector<std::uint16_t> FirstFrameTop(int mode)
{
    g_nLightPhase = 0;
    auto scene = std::make_unique<CIntroScene>(mode);
    scene->Render();
    return std::vector<std::uint16_t>(scene->GetFrame(), scene->GetFrame() + kLogoTop * kFrameWidth);
}

// The same rows as the surface holds them, following its pitch.
std::vector<std::uint16_t> SurfaceTop(IDirectDrawSurface* surface)
{
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    std::vector<std::uint16_t> top(kLogoTop * kFrameWidth);
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        return {};
    for (int y = 0; y < kLogoTop; ++y)
        std::memcpy(&top[y * kFrameWidth],
                    static_cast<unsigned char*>(desc.lpSurface) + y * desc.lPitch,
                    kFrameWidth * sizeof(std::uint16_t));
    surface->Unlock(nullptr);
    return top;
}

class IntroWndTest : public ::testing::Test
{
protected:
    // A fresh headless display in `format`, taken through the program's set-up order.
    void StartIntro(pt::DisplayFormat format, int pitchPadding = 0)
    {
        m_pWnd.reset();
        pt::Reset(format);
        pt::SetPitchPadding(pitchPadding);
        g_nLightPhase = 0;
        g_nScrollPos = 0;
        m_pWnd = std::make_unique<CTestIntroWnd>();
        ASSERT_NE(m_pWnd->Create(nullptr, SW_SHOW, "korvan", "korvan", nullptr, nullptr), nullptr);
        m_pWnd->InitDirectDraw();
        m_pWnd->InitSurfaces(640, 480, 16, 0);
        ASSERT_NE(m_pWnd->BackBuffer(), nullptr);
        m_pWnd->CreateScene();
    }

    std::unique_ptr<CTestIntroWnd> m_pWnd;
};

}  // namespace

TEST_F(IntroWndTest, DisplayFormatChoosesTheSceneLayout)
{
    // The layout shows in the relief: grey is packed differently in 5-6-5 and 5-5-5.
    struct Case { pt::DisplayFormat format; int padding; int mode; } cases[] = {
        {pt::DisplayFormat::Rgb565, 0, 1},
        {pt::DisplayFormat::Rgb555, 0, 0},
        {pt::DisplayFormat::Rgb565, 64, 1},   // padded rows: the copy follows the pitch
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << static_cast<int>(c.format)
                                        << " padding " << c.padding);
        const auto expected = FirstFrameTop(c.mode);
        StartIntro(c.format, c.padding);
        ASSERT_NE(m_pWnd->Scene(), nullptr);
        EXPECT_TRUE(pt::MessageBoxes().empty());
        m_pWnd->Draw(m_pWnd->BackBuffer());
        EXPECT_TRUE(SurfaceTop(m_pWnd->BackBuffer()) == expected);
    }
}

TEST_F(IntroWndTest, ThirtyTwoBitDisplayShowsTheSamePictureAsFiveFiveFive)
{
    // Copying 16-bit words into 32-bit pixels as they stand showed two pixels per pixel, in
    // wrong colours, over half the screen. Widened per channel, the viewer must see exactly the
    // 5-5-5 display's colours (padded rows too). Rows from 420 on hold the scroller, whose ink
    // is quantised differently on the two displays.
    constexpr std::size_t kComparedBytes = 420 * 640 * 3;
    auto shownAfterOneFrame = [this](pt::DisplayFormat format, int padding) {
        StartIntro(format, padding);
        m_pWnd->Draw(m_pWnd->BackBuffer());
        m_pWnd->FlipPages();
        auto rgb = pt::ScreenRgb();
        rgb.resize(kComparedBytes);
        return rgb;
    };
    const auto expected = shownAfterOneFrame(pt::DisplayFormat::Rgb555, 0);
    for (int padding : {0, 12}) {
        SCOPED_TRACE(testing::Message() << "padding " << padding);
        const auto shown = shownAfterOneFrame(pt::DisplayFormat::Rgb32, padding);
        ASSERT_NE(m_pWnd->Scene(), nullptr);
        EXPECT_TRUE(pt::MessageBoxes().empty());
        EXPECT_TRUE(shown == expected);
    }
}

TEST(ConvertFrameTest, ChannelsWidenAndLandWhereTheMasksSay)
{
    // One word per case at row 1, column 2, written into 24/32-bit rows with padding; expected
    // bytes worked by hand (5-bit v becomes v<<3 | v>>2: 31 -> 0xFF, 16 -> 0x84, 1 -> 0x08).
    struct Case {
        const char* name; SPixelPlacement placement; std::uint16_t word;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"XRGB white", {4, 16, 8, 0}, 0x7FFF, {0xFF, 0xFF, 0xFF, 0x00}},
        {"XRGB red", {4, 16, 8, 0}, 0x7C00, {0x00, 0x00, 0xFF, 0x00}},
        {"XRGB mixed", {4, 16, 8, 0}, 0x4201 /* 16, 16, 1 */, {0x08, 0x84, 0x84, 0x00}},
        {"XBGR red", {4, 0, 8, 16}, 0x7C00, {0xFF, 0x00, 0x00, 0x00}},
        {"RGBX green", {4, 24, 16, 8}, 0x03E0, {0x00, 0x00, 0xFF, 0x00}},
        {"RGB24 blue", {3, 16, 8, 0}, 0x001F, {0xFF, 0x00, 0x00}},
        {"RGB24 mixed", {3, 16, 8, 0}, 0x4201, {0x08, 0x84, 0x84}},
    };
    std::vector<std::uint16_t> frame(kFramePixels, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        frame[kFrameWidth + 2] = c.word;
        const LONG pitch = kFrameWidth * c.placement.nBytes + 8;
        std::vector<std::uint8_t> surface(pitch * kFrameHeight, 0xAA);
        ConvertFrame(surface.data(), pitch, frame.data(), c.placement);
        const std::size_t at = pitch + 2 * c.placement.nBytes;
        EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), surface.begin() + at));
        EXPECT_EQ(surface[at - 1], 0);                                // black neighbour
        EXPECT_EQ(surface[pitch - 1], 0xAA);                          // padding untouched
        EXPECT_EQ(surface[pitch * kFrameHeight - 1], 0xAA);

        // Rows too short for a frame row are left alone rather than overrun.
        std::vector<std::uint8_t> narrow(pitch * kFrameHeight, 0xAA);
        ConvertFrame(narrow.data(), kFrameWidth * c.placement.nBytes - 1, frame.data(),
                     c.placement);
        EXPECT_EQ(std::count(narrow.begin(), narrow.end(), 0xAA),
                  static_cast<std::ptrdiff_t>(narrow.size()));
    }
}

TEST_F(IntroWndTest, PalettizedDisplayIsRefusedAndTheIntroCloses)
{
    StartIntro(pt::DisplayFormat::Palette8);
    EXPECT_EQ(m_pWnd->Scene(), nullptr);
    ASSERT_EQ(pt::MessageBoxes().size(), 1u);
    EXPECT_EQ(pt::MessageBoxes()[0].text, "nonpalettized RGB mode required.\n");
    EXPECT_EQ(pt::MessageBoxes()[0].caption, "Velmoran SystemInfo");

    // The close posted after the box ends the loop through the credits, as Escape would.
    MSG msg;
    int dispatched = 0;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0 && ++dispatched < 100)
        DispatchMessageA(&msg);
    ASSERT_EQ(pt::MessageBoxes().size(), 2u);
    EXPECT_EQ(pt::MessageBoxes()[1].caption, "korvan");
    EXPECT_EQ(pt::MessageBoxes()[1].text,
              std::string(g_szArtistCredits) + "\n\n" + g_szShutdownCredits);
}

TEST_F(IntroWndTest, FrameWithoutSceneDrawsTheScrollerAlone)
{
    StartIntro(pt::DisplayFormat::Palette8);
    m_pWnd->Draw(m_pWnd->BackBuffer());
    EXPECT_EQ(pt::CallCount(pt::Call::Lock), 0);
    EXPECT_EQ(pt::CallCount(pt::Call::TextOutA), 708);
    EXPECT_EQ(g_nScrollPos, 7u);
}

TEST_F(IntroWndTest, FailureInAFrameSkipsOnlyItsOwnPart)
{
    struct Case { const char* name; std::optional<pt::Call> fault; int copies; int characters; }
    cases[] = {
        {"no fault", std::nullopt, 1, 708},
        {"lock fails", pt::Call::Lock, 0, 708},
        {"GetDC fails", pt::Call::GetDC, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartIntro(pt::DisplayFormat::Rgb565);
        const int unlocks = pt::CallCount(pt::Call::Unlock);
        if (c.fault)
            pt::InjectFault(*c.fault, DDERR_SURFACELOST);
        EXPECT_EQ(m_pWnd->Draw(m_pWnd->BackBuffer()), 0);
        EXPECT_EQ(pt::CallCount(pt::Call::Unlock) - unlocks, c.copies);
        EXPECT_EQ(pt::CallCount(pt::Call::TextOutA), c.characters);
        EXPECT_EQ(g_nScrollPos, 7u);   // the position advances even without text
    }
}

TEST_F(IntroWndTest, FirstCharacterEntersAtTheRightEdgeInItsColour)
{
    StartIntro(pt::DisplayFormat::Rgb565);
    m_pWnd->Draw(m_pWnd->BackBuffer());
    // Position 7: 'G' has its cell at (632, 448), colour (0x80, 0x80, 248) = 5-6-5 0x841F.
    DDSURFACEDESC desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(m_pWnd->BackBuffer()->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    int inCell = 0, leftOfCell = 0;
    for (int y = 430; y < 480; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(
            static_cast<unsigned char*>(desc.lpSurface) + y * desc.lPitch);
        for (int x = 0; x < 640; ++x)
            if (row[x] == 0x841F)
                (x >= 632 && y >= 448 ? inCell : leftOfCell) += 1;
    }
    m_pWnd->BackBuffer()->Unlock(nullptr);
    EXPECT_GT(inCell, 0);
    EXPECT_EQ(leftOfCell, 0);
}

TEST(WinMainTest, NoWindowEndsStartUpAtOnce)
{
    pt::Reset();
    pt::InjectFault(pt::Call::CreateWindowExA, 0);
    EXPECT_NE(WinMain(nullptr, nullptr, nullptr, SW_SHOW), 0);
    EXPECT_EQ(pt::CallCount(pt::Call::DirectDrawCreate), 0);
    EXPECT_EQ(pt::CallCount(pt::Call::SetTimer), 0);
    delete g_pApp;
    g_pApp = nullptr;
}
