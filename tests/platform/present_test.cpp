// What a viewer sees: each emulated display format expanded exactly to RGB (checked at the
// extremes of every field), capture PNGs equal to the screen, a capture that cannot write its
// frame, the capture folder made ready and held whatever its path names later, and pictures with
// padded rows.
#include "platform_fixture.h"

#include "portable/ddraw/present.h"
#include "portable/display/display.h"
#include "portable/run/capture.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace ptest {
namespace {

struct SPixelCase {
    const char* pszName;
    DisplayFormat format;
    std::uint32_t nPixel;  // as stored, little-endian, in the format's size
    std::uint8_t rgb[3];
};

class PixelFormats : public PlatformTest, public ::testing::WithParamInterface<SPixelCase> {};

TEST_P(PixelFormats, FlippedPixelReachesTheScreenAsExactRgb)
{
    const SPixelCase& c = GetParam();
    Start(c.format);
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    if (c.format == DisplayFormat::Palette8) {
        PALETTEENTRY entries[256] = {};
        entries[5] = {10, 20, 30, 0};
        IDirectDrawPalette* pPalette = nullptr;
        ASSERT_EQ(m_pDD->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &pPalette, nullptr), DD_OK);
        ASSERT_EQ(m_pFront->SetPalette(pPalette), DD_OK);
        pPalette->Release();
    }
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    auto* pBytes = static_cast<std::uint8_t*>(desc.lpSurface);
    for (DWORD i = 0; i < desc.ddpfPixelFormat.dwRGBBitCount / 8; ++i)
        pBytes[i] = static_cast<std::uint8_t>(c.nPixel >> (8 * i));
    ASSERT_EQ(m_pBack->Unlock(nullptr), DD_OK);
    ASSERT_EQ(m_pFront->Flip(nullptr, 0), DD_OK);

    const std::vector<std::uint8_t> screen = portable::test::ScreenRgb();
    ASSERT_EQ(screen.size(), 640u * 480u * 3u);
    EXPECT_EQ(screen[0], c.rgb[0]);
    EXPECT_EQ(screen[1], c.rgb[1]);
    EXPECT_EQ(screen[2], c.rgb[2]);
}

// 5 bits expand as v << 3 | v >> 2, 6 bits as v << 2 | v >> 4: 16 -> 132, 32 -> 130.
INSTANTIATE_TEST_SUITE_P(
    Present, PixelFormats,
    ::testing::Values(
        SPixelCase{"White565", DisplayFormat::Rgb565, 0xFFFF, {255, 255, 255}},
        SPixelCase{"Red565", DisplayFormat::Rgb565, 0xF800, {255, 0, 0}},
        SPixelCase{"Green565", DisplayFormat::Rgb565, 0x07E0, {0, 255, 0}},
        SPixelCase{"Blue565", DisplayFormat::Rgb565, 0x001F, {0, 0, 255}},
        SPixelCase{"Mid565", DisplayFormat::Rgb565, 0x8410, {132, 130, 132}},
        SPixelCase{"White555", DisplayFormat::Rgb555, 0x7FFF, {255, 255, 255}},
        SPixelCase{"Red555", DisplayFormat::Rgb555, 0x7C00, {255, 0, 0}},
        SPixelCase{"Green555", DisplayFormat::Rgb555, 0x03E0, {0, 255, 0}},
        SPixelCase{"Blue555", DisplayFormat::Rgb555, 0x001F, {0, 0, 255}},
        SPixelCase{"TopBitIgnored555", DisplayFormat::Rgb555, 0x8000, {0, 0, 0}},
        SPixelCase{"Rgb32", DisplayFormat::Rgb32, 0x00FF8040, {255, 128, 64}},
        SPixelCase{"PaletteEntry", DisplayFormat::Palette8, 5, {10, 20, 30}}),
    [](const ::testing::TestParamInfo<SPixelCase>& info) { return info.param.pszName; });

std::vector<std::uint8_t> ReadPng(const std::string& path)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return {};
    return pixels;
}

class Capture : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        std::string pattern = ::testing::TempDir() + "korvan-capture-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_Dir = pattern;
    }
    void TearDown() override
    {
        std::filesystem::remove_all(m_Dir);
        PlatformTest::TearDown();
    }

    void FlipColour(std::uint16_t nColour)
    {
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof(desc);
        ASSERT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DD_OK);
        auto* pRow = static_cast<std::uint16_t*>(desc.lpSurface);
        for (int x = 0; x < 640; ++x)
            pRow[x] = nColour;
        ASSERT_EQ(m_pBack->Unlock(nullptr), DD_OK);
        ASSERT_EQ(m_pFront->Flip(nullptr, 0), DD_OK);
    }

    // The names in the test's folder, or in `sub` below it.
    std::vector<std::string> Files(const std::string& sub = "") const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_Dir + "/" + sub))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string m_Dir;
};

TEST_F(Capture, EveryFlipIsWrittenInFrameOrderAsTheViewerSawIt)
{
    const std::string dir = m_Dir;
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    portable::test::SetCaptureDir(dir);
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    for (std::uint16_t nColour : {0xF800, 0x001F}) {
        ASSERT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DD_OK);
        auto* pRow = static_cast<std::uint16_t*>(desc.lpSurface);
        for (int x = 0; x < 640; ++x)
            pRow[x] = nColour;
        ASSERT_EQ(m_pBack->Unlock(nullptr), DD_OK);
        ASSERT_EQ(m_pFront->Flip(nullptr, 0), DD_OK);
    }
    const std::vector<std::uint8_t> first = ReadPng(dir + "/frame-000001.png");
    const std::vector<std::uint8_t> second = ReadPng(dir + "/frame-000002.png");
    ASSERT_EQ(first.size(), 640u * 480u * 3u);
    EXPECT_EQ(first[0], 255);  // red first
    EXPECT_EQ(first[2], 0);
    EXPECT_EQ(second, portable::test::ScreenRgb());
    EXPECT_EQ(second[2], 255);  // then blue
}

// The disk fills up in the middle of frame 2: frame 1 stays whole, nothing of frame 2 is left
// under any name, one line names the file and the reason, and the run ends with status 1
// through the program's shutdown (its window destroyed), not just the capture.
TEST_F(Capture, FullDiskLeavesOnlyWholeFramesAndEndsTheRun)
{
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    portable::test::SetCaptureDir(m_Dir);
    ASSERT_NO_FATAL_FAILURE(FlipColour(0xF800));
    portable::test::InjectFault(Call::CaptureWrite, ENOSPC, portable::test::kAlways);
    ::testing::internal::CaptureStderr();
    ASSERT_NO_FATAL_FAILURE(FlipColour(0x001F));
    ASSERT_NO_FATAL_FAILURE(FlipColour(0x07E0));
    const std::string diagnostic = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(Files(), std::vector<std::string>{"frame-000001.png"});
    EXPECT_EQ(ReadPng(m_Dir + "/frame-000001.png").size(), 640u * 480u * 3u);
    EXPECT_NE(diagnostic.find(m_Dir + "/frame-000002.png: No space left on device"), std::string::npos)
        << diagnostic;
    EXPECT_EQ(std::count(diagnostic.begin(), diagnostic.end(), '\n'), 1) << diagnostic;
    EXPECT_EQ(portable::test::RequestedExitStatus(), 1);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_FALSE(IsWindow(m_hWnd)) << "the run must end, not only the capture";
}

// A folder holding an earlier capture is refused, so two runs never mix; replacing removes
// our frame files (and a temporary one a killed run left) and nothing else of the user's.
TEST_F(Capture, FolderWithEarlierFramesIsRefusedOrReplacedWithoutTouchingOtherFiles)
{
    for (const char* pszName : {"frame-000001.png", "frame-000002.png.tmp", "frame-cover.png",
                                "notes.txt", "frame-1.png"})
        std::ofstream(m_Dir + "/" + pszName) << "x";
    std::string message;
    int nStatus = 0;
    EXPECT_FALSE(portable::PrepareCaptureFolder(m_Dir, false, message, nStatus));
    EXPECT_EQ(nStatus, 2);
    EXPECT_NE(message.find("--replace-frames"), std::string::npos) << message;
    EXPECT_EQ(Files().size(), 5u) << "a refused folder lost files";

    EXPECT_TRUE(portable::PrepareCaptureFolder(m_Dir, true, message, nStatus));
    EXPECT_EQ(Files(), (std::vector<std::string>{"frame-1.png", "frame-cover.png", "notes.txt"}));
    EXPECT_TRUE(portable::PrepareCaptureFolder(m_Dir + "/new/deeper", false, message, nStatus))
        << "a missing folder is made";
}

// The capture goes on in the folder that was checked for earlier frames and locked, not in
// whatever its path names later: a symbolic link repointed between two frames moves nothing,
// and no temporary file is left anywhere.
TEST_F(Capture, FramesStayInTheFolderThatWasPreparedWhenItsPathIsRepointed)
{
    namespace fs = std::filesystem;
    fs::create_directory(m_Dir + "/a");
    fs::create_directory(m_Dir + "/b");
    fs::create_directory_symlink("a", m_Dir + "/link");
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    std::string message;
    int nStatus = 0;
    ASSERT_TRUE(portable::PrepareCaptureFolder(m_Dir + "/link", false, message, nStatus)) << message;
    ASSERT_NO_FATAL_FAILURE(FlipColour(0xF800));
    fs::remove(m_Dir + "/link");
    fs::create_directory_symlink("b", m_Dir + "/link");
    ASSERT_NO_FATAL_FAILURE(FlipColour(0x001F));

    EXPECT_EQ(Files("a"), (std::vector<std::string>{"frame-000001.png", "frame-000002.png"}));
    EXPECT_EQ(Files("b"), std::vector<std::string>{});
    EXPECT_EQ(portable::test::RequestedExitStatus(), -1);
}

class Pitch : public PlatformTest {};

TEST_F(Pitch, PaddedRowsAreReportedAndPresentedCorrectly)
{
    portable::test::SetPitchPadding(6);
    ASSERT_NO_FATAL_FAILURE(EnterExclusive());
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(m_pBack->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    EXPECT_EQ(desc.lPitch, 1288);  // 1,280 + 6, rounded up to whole DWORDs
    auto* pBytes = static_cast<std::uint8_t*>(desc.lpSurface);
    reinterpret_cast<std::uint16_t*>(pBytes + 479 * desc.lPitch)[639] = 0xF800;
    ASSERT_EQ(m_pBack->Unlock(nullptr), DD_OK);
    ASSERT_EQ(m_pFront->Flip(nullptr, 0), DD_OK);
    const std::vector<std::uint8_t> screen = portable::test::ScreenRgb();
    const std::size_t nLast = (479 * 640 + 639) * 3;
    EXPECT_EQ(screen[nLast], 255);
    EXPECT_EQ(screen[nLast - 3], 0) << "a row was read with the wrong pitch";
}

// The displays take 32-bit words (an SDL texture's 0x00RRGGBB, a browser's R, G, B, 255 bytes);
// they carry the very colours of the RGB picture that tests and captures see, in every format,
// for every 16-bit value, into rows with padding.
class DisplayWords : public PlatformTest {};

TEST_F(DisplayWords, MatchTheRgbPictureInEveryFormatAndOrder)
{
    using portable::WordOrder;
    std::vector<std::uint8_t> pixels(640u * 480u * 4u);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i % 2 ? i >> 9 : i >> 1);  // 16-bit pixel n: n
    PALETTEENTRY palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 3), 0};
    const long nPitch = 640 * 4 + 12;
    for (DisplayFormat format : {DisplayFormat::Rgb565, DisplayFormat::Rgb555, DisplayFormat::Rgb32,
                                 DisplayFormat::Palette8}) {
        portable::PresentPicture(format, pixels.data(), 640 * portable::BytesPerPixel(format),
                                 format == DisplayFormat::Palette8 ? palette : nullptr, false);
        const std::uint8_t* pRgb = portable::ShownRgb();
        for (WordOrder order : {WordOrder::Xrgb, WordOrder::Rgba}) {
            std::vector<std::uint8_t> words(static_cast<std::size_t>(nPitch) * 480, 0xAB);
            portable::ShownWords(order, words.data(), nPitch);
            int nWrong = 0;
            for (int y = 0; y < 480; ++y)
                for (int x = 0; x < 640 + 3; ++x) {
                    std::uint8_t expected[4] = {0xAB, 0xAB, 0xAB, 0xAB};  // padding stays as it was
                    if (x < 640) {
                        const std::uint8_t* p = &pRgb[(y * 640 + x) * 3];
                        const std::uint8_t xrgb[4] = {p[2], p[1], p[0], 0};  // little-endian
                        const std::uint8_t rgba[4] = {p[0], p[1], p[2], 255};
                        std::memcpy(expected, order == WordOrder::Xrgb ? xrgb : rgba, 4);
                    }
                    nWrong += std::memcmp(&words[static_cast<std::size_t>(y) * nPitch + x * 4], expected, 4) != 0;
                }
            EXPECT_EQ(nWrong, 0) << "format " << static_cast<int>(format) << ", order "
                                 << static_cast<int>(order);
        }
    }
}

}  // namespace
}  // namespace ptest
