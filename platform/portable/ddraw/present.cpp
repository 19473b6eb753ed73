// Presentation of the portable platform: the emulated display's pixel formats, their exact
// conversion to RGB bytes or 32-bit words, and what happens to each flipped picture: kept for
// tests and capture, shown by the display, counted, and handed to the run's frame hook (capture
// and scripted keys, frame_script.cpp).
#include "present.h"

#include "../display/display.h"

#include <algorithm>
#include <cstring>
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
FrameHook g_pfnFrameHook = nullptr;

std::uint8_t Expand5(unsigned v)
{
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

std::uint8_t Expand6(unsigned v)
{
    return static_cast<std::uint8_t>((v << 2) | (v >> 4));
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
// little-endian at any address, so any pitch is safe. Each pixel is first one 32-bit word in
// the order a display asks for: the display takes those as they are, and RGB bytes are cut
// from 0x00RRGGBB words, so every way gives the same colours.
std::uint32_t Word(WordOrder order, unsigned r, unsigned g, unsigned b)
{
    return order == WordOrder::Xrgb ? (r << 16) | (g << 8) | b : 0xFF000000u | (b << 16) | (g << 8) | r;
}

// The little-endian 16-bit pixel at `p`.
unsigned Load16(const std::uint8_t* p)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint16_t v;
    std::memcpy(&v, p, 2);  // one load: the bytes are in this order already
    return v;
#else
    return p[0] | (p[1] << 8);
#endif
}

// Every 16-bit value's word, made when its format is first shown in an order: one look-up per
// pixel costs less than the three expansions, with or without vector instructions.
const std::uint32_t* Table16(bool b555, WordOrder order)
{
    static std::uint32_t s_Tables[2][2][65536];  // zero pages until used
    static bool s_bMade[2][2] = {};
    const int nOrder = order == WordOrder::Rgba;
    std::uint32_t* pTable = s_Tables[b555][nOrder];
    if (!s_bMade[b555][nOrder]) {
        for (unsigned v = 0; v < 65536; ++v)
            pTable[v] = b555 ? Word(order, Expand5((v >> 10) & 0x1F), Expand5((v >> 5) & 0x1F),
                                    Expand5(v & 0x1F))
                             : Word(order, Expand5(v >> 11), Expand6((v >> 5) & 0x3F), Expand5(v & 0x1F));
        s_bMade[b555][nOrder] = true;
    }
    return pTable;
}

void Row16(const std::uint8_t* pRow, const std::uint32_t* pTable, std::uint32_t* pWords)
{
    for (int x = 0; x < kScreenWidth; ++x)
        pWords[x] = pTable[Load16(pRow + 2 * x)];
}

void Row32(const std::uint8_t* pRow, WordOrder order, std::uint32_t* pWords)
{
    for (int x = 0; x < kScreenWidth; ++x)
        pWords[x] = Word(order, pRow[4 * x + 2], pRow[4 * x + 1], pRow[4 * x]);
}

// Without a palette the display shows its indices as a grey ramp.
void Row8(const std::uint8_t* pRow, const std::uint32_t* pPalette, std::uint32_t* pWords)
{
    for (int x = 0; x < kScreenWidth; ++x)
        pWords[x] = pPalette[pRow[x]];
}

// Whatever the format, rows of one picture as words of one order: `lookUp` holds the palette's
// words for 8-bit pixels, or points at the 16-bit table for 16-bit ones.
class CWordRows
{
public:
    CWordRows(DisplayFormat format, const PALETTEENTRY* pPalette, WordOrder order)
        : m_format(format), m_order(order)
    {
        if (format == DisplayFormat::Rgb565 || format == DisplayFormat::Rgb555)
            m_pLookUp = Table16(format == DisplayFormat::Rgb555, order);
        else if (format == DisplayFormat::Palette8)
            for (unsigned i = 0; i < 256; ++i)
                m_Palette[i] = pPalette ? Word(order, pPalette[i].peRed, pPalette[i].peGreen,
                                               pPalette[i].peBlue)
                                        : Word(order, i, i, i);
    }

    void Convert(const std::uint8_t* pRow, std::uint32_t* pWords) const
    {
        if (m_format == DisplayFormat::Palette8)
            Row8(pRow, m_pLookUp, pWords);
        else if (m_format == DisplayFormat::Rgb32)
            Row32(pRow, m_order, pWords);
        else
            Row16(pRow, m_pLookUp, pWords);
    }

private:
    DisplayFormat m_format;
    WordOrder m_order;
    std::uint32_t m_Palette[256];
    const std::uint32_t* m_pLookUp = m_Palette;
};

}  // namespace

void ConvertToRgb(DisplayFormat format, const std::uint8_t* pPixels, long nPitch,
                  const PALETTEENTRY* pPalette, std::uint8_t* pRgb)
{
    const CWordRows rows(format, pPalette, WordOrder::Xrgb);
    std::uint32_t row[kScreenWidth];
    for (int y = 0; y < kScreenHeight; ++y) {
        rows.Convert(pPixels + y * nPitch, row);
        for (int x = 0; x < kScreenWidth; ++x, pRgb += 3) {
            pRgb[0] = static_cast<std::uint8_t>(row[x] >> 16);
            pRgb[1] = static_cast<std::uint8_t>(row[x] >> 8);
            pRgb[2] = static_cast<std::uint8_t>(row[x]);
        }
    }
}

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

void ShownWords(WordOrder order, std::uint8_t* pWords, long nPitch)
{
    const CWordRows rows(g_Shown.format, g_Shown.bHasPalette ? g_Shown.palette : nullptr, order);
    for (int y = 0; y < kScreenHeight; ++y) {
        auto* pRow = reinterpret_cast<std::uint32_t*>(pWords + y * nPitch);
        if (g_Shown.bytes.empty())
            std::fill_n(pRow, kScreenWidth, Word(order, 0, 0, 0));  // nothing shown yet: black
        else
            rows.Convert(&g_Shown.bytes[y * g_Shown.nPitch], pRow);
    }
}

void PresentPicture(DisplayFormat format, const std::uint8_t* pPixels, long nPitch,
                    const PALETTEENTRY* pPalette, bool bCountAsFrame)
{
    // Headless and without capture nobody looks at the picture each frame: keep its bytes and
    // convert only when somebody asks (a copy costs far less than the conversion).
    g_Shown.format = format;
    g_Shown.nPitch = nPitch;
    g_Shown.bytes.assign(pPixels, pPixels + nPitch * kScreenHeight);
    g_Shown.bHasPalette = pPalette != nullptr;
    if (pPalette)
        std::copy(pPalette, pPalette + 256, g_Shown.palette);
    g_Shown.bConverted = false;
    Display().ShowPicture();
    if (!bCountAsFrame)
        return;
    ++g_nPresentedFrames;
    if (g_pfnFrameHook)
        g_pfnFrameHook(g_nPresentedFrames);
}

void SetFrameHook(FrameHook pfnHook)
{
    g_pfnFrameHook = pfnHook;
}

void ResetPresentation()
{
    g_Shown = CShownPicture{};
    g_Screen.assign(g_Screen.size(), 0);
    g_nPresentedFrames = 0;
}

int PresentedFrameCount()
{
    return g_nPresentedFrames;
}

}  // namespace portable
