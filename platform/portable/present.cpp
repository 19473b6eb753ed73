// Presentation of the portable platform: the emulated display's pixel formats, their exact
// conversion to RGB, and what happens to each flipped picture (kept for tests, captured as PNG
// by capture.cpp, shown through display_sdl.cpp, scripted key presses after given frames).
#include "world.h"

#include <algorithm>
#include <string>

namespace portable {
namespace {

// The picture last made visible, as stored, and its RGB once somebody needed it.
struct CShownPicture {
    DisplayFormat format = DisplayFormat::Rgb565;
    long nPitch = 0;
    std::vector<std::uint8_t> bytes;  // empty: nothing shown yet (the screen is black)
    PALETTEENTRY palette[256] = {};
    bool bHasPalette = false;
    bool bConverted = true;
};
CShownPicture g_Shown;
// Made on first need: memory asked for before main() cannot be refused in one clear line.
std::vector<std::uint8_t> g_Screen;
int g_nPresentedFrames = 0;

std::uint8_t Expand5(unsigned v)
{
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

std::uint8_t Expand6(unsigned v)
{
    return static_cast<std::uint8_t>((v << 2) | (v >> 4));
}

const std::uint8_t* ShownRgb();

void PressScriptedKeys(int nFrame)
{
    auto press = [](UINT nVk) {
        PostKeyMessage(WM_KEYDOWN, nVk);
        PostKeyMessage(WM_KEYUP, nVk);
    };
    for (const SKeyAt& key : g_Settings.keys)
        if (key.nFrame == nFrame)
            press(key.nVk);
    if (g_Settings.nFrames > 0 && nFrame == g_Settings.nFrames)
        press(VK_ESCAPE);
}

}  // namespace

SPixelFormat PixelFormatOf(DisplayFormat format)
{
    switch (format) {
    case DisplayFormat::Rgb555:
        return {DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F};
    case DisplayFormat::Palette8:
        return {DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0};
    case DisplayFormat::Rgb32:
        return {DDPF_RGB, 32, 0xFF0000, 0x00FF00, 0x0000FF};
    case DisplayFormat::Rgb565:
    default:
        return {DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F};
    }
}

int BytesPerPixel(DisplayFormat format)
{
    return static_cast<int>(PixelFormatOf(format).dwBitCount / 8);
}

namespace {

// One row per format, with the format decided once per picture, not once per pixel. Pixels are
// read byte by byte (little-endian), so any pitch is safe.
void Row565(const std::uint8_t* pRow, std::uint8_t* pRgb, bool b555)
{
    for (int x = 0; x < kScreenWidth; ++x, pRgb += 3) {
        const unsigned v = pRow[2 * x] | (pRow[2 * x + 1] << 8);
        pRgb[0] = b555 ? Expand5((v >> 10) & 0x1F) : Expand5(v >> 11);
        pRgb[1] = b555 ? Expand5((v >> 5) & 0x1F) : Expand6((v >> 5) & 0x3F);
        pRgb[2] = Expand5(v & 0x1F);
    }
}

void Row32(const std::uint8_t* pRow, std::uint8_t* pRgb)
{
    for (int x = 0; x < kScreenWidth; ++x, pRgb += 3) {
        pRgb[0] = pRow[4 * x + 2];
        pRgb[1] = pRow[4 * x + 1];
        pRgb[2] = pRow[4 * x];
    }
}

// Without a palette the display shows its indices as a grey ramp.
void Row8(const std::uint8_t* pRow, const PALETTEENTRY* pPalette, std::uint8_t* pRgb)
{
    for (int x = 0; x < kScreenWidth; ++x, pRgb += 3) {
        const std::uint8_t nIndex = pRow[x];
        pRgb[0] = pPalette ? pPalette[nIndex].peRed : nIndex;
        pRgb[1] = pPalette ? pPalette[nIndex].peGreen : nIndex;
        pRgb[2] = pPalette ? pPalette[nIndex].peBlue : nIndex;
    }
}

}  // namespace

void ConvertToRgb(DisplayFormat format, const std::uint8_t* pPixels, long nPitch,
                  const PALETTEENTRY* pPalette, std::uint8_t* pRgb)
{
    for (int y = 0; y < kScreenHeight; ++y, pRgb += kScreenWidth * 3) {
        const std::uint8_t* pRow = pPixels + y * nPitch;
        if (format == DisplayFormat::Palette8)
            Row8(pRow, pPalette, pRgb);
        else if (format == DisplayFormat::Rgb32)
            Row32(pRow, pRgb);
        else
            Row565(pRow, pRgb, format == DisplayFormat::Rgb555);
    }
}

namespace {

const std::uint8_t* ShownRgb()
{
    if (g_Screen.empty())
        g_Screen.assign(static_cast<std::size_t>(kScreenWidth) * kScreenHeight * 3, 0);
    if (!g_Shown.bConverted) {
        ConvertToRgb(g_Shown.format, g_Shown.bytes.data(), g_Shown.nPitch,
                     g_Shown.bHasPalette ? g_Shown.palette : nullptr, g_Screen.data());
        g_Shown.bConverted = true;
    }
    return g_Screen.data();
}

}  // namespace

void PresentPicture(DisplayFormat format, const std::uint8_t* pPixels, long nPitch,
                    const PALETTEENTRY* pPalette, bool bCountAsFrame)
{
    // Headless and without capture nobody looks at the picture each frame: keep its bytes and
    // convert only when a test asks (a copy costs far less than the conversion).
    g_Shown.format = format;
    g_Shown.nPitch = nPitch;
    g_Shown.bytes.assign(pPixels, pPixels + nPitch * kScreenHeight);
    g_Shown.bHasPalette = pPalette != nullptr;
    if (pPalette)
        std::copy(pPalette, pPalette + 256, g_Shown.palette);
    g_Shown.bConverted = false;
    if (!g_Settings.bHeadless)
        DisplayShowPicture(ShownRgb());
    if (!bCountAsFrame)
        return;
    ++g_nPresentedFrames;
    if (IsCapturing())
        CaptureFrame(g_nPresentedFrames, ShownRgb());
    PressScriptedKeys(g_nPresentedFrames);
}

void ResetPresentation()
{
    g_Shown = CShownPicture{};
    g_Screen.assign(g_Screen.size(), 0);
    g_nPresentedFrames = 0;
}

namespace test {

int PresentedFrames()
{
    return g_nPresentedFrames;
}

std::vector<std::uint8_t> ScreenRgb()
{
    ShownRgb();
    return g_Screen;
}

}  // namespace test
}  // namespace portable
