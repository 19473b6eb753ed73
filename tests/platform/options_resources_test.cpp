// The portable program's options (exit codes and what they set) and resources found by id and
// type as Windows finds them, including icons split into group and images as windres does.
#include "platform_fixture.h"

#include "portable/run/options.h"

#include <cstring>
#include <string>

namespace ptest {
namespace {

struct SOptionCase {
    const char* pszName;
    std::vector<const char*> args;
    bool bRun;
    int nExitCode;
};

class Options : public ::testing::TestWithParam<SOptionCase> {};

TEST_P(Options, ExitCodeFollowsTheCommandLine)
{
    const SOptionCase& c = GetParam();
    std::vector<const char*> argv{"korvan"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    portable::CSettings settings;
    const portable::SOptionsOutcome outcome =
        portable::ParseOptions(static_cast<int>(argv.size()), argv.data(), settings);
    EXPECT_EQ(outcome.bRun, c.bRun);
    if (!c.bRun) {
        EXPECT_EQ(outcome.nExitCode, c.nExitCode);
        EXPECT_FALSE(outcome.message.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Platform, Options,
    ::testing::Values(
        SOptionCase{"None", {}, true, 0},
        SOptionCase{"Help", {"--help"}, false, 0},
        SOptionCase{"Version", {"--version"}, false, 0},
        SOptionCase{"Unknown", {"--fullscreen"}, false, 2},
        SOptionCase{"StrayArgument", {"logo.pcx"}, false, 2},
        SOptionCase{"FormatWithoutValue", {"--display-format"}, false, 2},
        SOptionCase{"FormatNotOffered", {"--display-format", "24"}, false, 2},
        SOptionCase{"ScaleNotOffered", {"--scale", "smooth"}, false, 2},
        SOptionCase{"FramesZero", {"--frames", "0"}, false, 2},
        SOptionCase{"FramesNotANumber", {"--frames", "10x"}, false, 2},
        SOptionCase{"KeyWithoutFrame", {"--key", "F1"}, false, 2},
        SOptionCase{"KeyUnknownName", {"--key", "3:F13"}, false, 2},
        SOptionCase{"FlagWithValue", {"--headless=yes"}, false, 2},
        SOptionCase{"VsyncFlagWithValue", {"--no-vsync=1"}, false, 2},
        SOptionCase{"ReplaceWithoutCapture", {"--replace-frames"}, false, 2},
        SOptionCase{"AllValid", {"--headless", "--display-format=555", "--frames", "3", "--key",
                                 "2:escape", "--capture", "out", "--replace-frames"}, true, 0}),
    [](const ::testing::TestParamInfo<SOptionCase>& info) { return info.param.pszName; });

TEST(OptionValues, ScriptedKeysAndFormatAreKept)
{
    const char* argv[] = {"korvan", "--display-format", "8", "--key", "2:F1", "--key=7:a",
                          "--frames=9", "--window", "--no-vsync", "--drawn-boxes", "--scale=integer"};
    portable::CSettings settings;
    ASSERT_TRUE(portable::ParseOptions(11, argv, settings).bRun);
    EXPECT_EQ(settings.format, DisplayFormat::Palette8);
    ASSERT_EQ(settings.keys.size(), 2u);
    EXPECT_EQ(settings.keys[0].nFrame, 2);
    EXPECT_EQ(settings.keys[0].nVk, static_cast<UINT>(VK_F1));
    EXPECT_EQ(settings.keys[1].nVk, static_cast<UINT>('A'));
    EXPECT_EQ(settings.nFrames, 9);
    EXPECT_TRUE(settings.bWindowed);
    EXPECT_FALSE(settings.bVsync);
    EXPECT_TRUE(settings.bDrawnBoxes);
    EXPECT_EQ(settings.scaling, portable::Scaling::Integer);
}

// A mistyped mode is answered with the modes there are, not only "invalid value".
TEST(OptionValues, BadScaleNamesTheModes)
{
    const char* argv[] = {"korvan", "--scale", "linear"};
    portable::CSettings settings;
    const portable::SOptionsOutcome outcome = portable::ParseOptions(3, argv, settings);
    EXPECT_EQ(outcome.nExitCode, 2);
    EXPECT_NE(outcome.message.find("'linear' for --scale (sharp, integer or nearest)"), std::string::npos)
        << outcome.message;
}

// platform_test.rc: 301 ICON "two_images.ico", 302 BLOB "probe.bin", SPLASH RCDATA "probe.bin".
std::vector<std::uint8_t> Bytes(HRSRC hInfo)
{
    const auto* p = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, hInfo)));
    return p ? std::vector<std::uint8_t>(p, p + SizeofResource(nullptr, hInfo)) : std::vector<std::uint8_t>();
}

TEST(Resources, NamedTypeAndNameIgnoreCaseAndAcceptTheHashForm)
{
    HRSRC hBlob = FindResourceA(nullptr, MAKEINTRESOURCEA(302), "blob");
    ASSERT_NE(hBlob, nullptr);
    const std::vector<std::uint8_t> bytes = Bytes(hBlob);
    ASSERT_EQ(bytes.size(), 768u);
    EXPECT_EQ(bytes[255], 255);
    EXPECT_EQ(bytes[256], 0);
    EXPECT_EQ(FindResourceA(nullptr, "#302", "BLOB"), hBlob);
    EXPECT_NE(FindResourceA(GetModuleHandleA(nullptr), "splash", RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(302), RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "SPLASH", "BLOB"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(303), "BLOB"), nullptr);
}

TEST(Resources, IconBecomesAGroupDirectoryAndNumberedImages)
{
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(301), RT_ICON), nullptr);
    const std::vector<std::uint8_t> group = Bytes(FindResourceA(nullptr, MAKEINTRESOURCEA(301), RT_GROUP_ICON));
    // 6-byte header (0, type 1, count 2) and two 14-byte entries ending in their RT_ICON ids.
    ASSERT_EQ(group.size(), 6u + 2u * 14u);
    EXPECT_EQ(group[2], 1);
    EXPECT_EQ(group[4], 2);
    EXPECT_EQ(group[6], 16);  // first image 16 pixels wide
    const int nFirstId = group[6 + 12] | (group[6 + 13] << 8);
    const int nSecondId = group[20 + 12] | (group[20 + 13] << 8);
    const std::vector<std::uint8_t> second = Bytes(FindResourceA(nullptr, MAKEINTRESOURCEA(nSecondId), RT_ICON));
    const char kSecond[] = "BMP-second-image-bytes";
    ASSERT_EQ(second.size(), sizeof(kSecond) - 1);
    EXPECT_EQ(std::memcmp(second.data(), kSecond, second.size()), 0);
    EXPECT_NE(nFirstId, nSecondId);
    EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(301)), nullptr);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(999)), nullptr);
}

}  // namespace
}  // namespace ptest
