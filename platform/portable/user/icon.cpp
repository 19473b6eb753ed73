// Icon resources to RGBA: the group directory (resources.cpp, split from the .ico at build
// time) picks an image, which is decoded from its BMP form. The bytes come from the program, so
// every read is checked against the resource's size.
#include "icon.h"
#include "resource_table.h"

#include <algorithm>

namespace portable {
namespace {

constexpr std::size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER; later versions are longer
constexpr std::size_t kGroupHeaderSize = 6;  // reserved, type (1 = icon), count
constexpr std::size_t kGroupEntrySize = 14;  // as in the .ico, but a 2-byte RT_ICON id last
constexpr int kMaxIconSize = 256;

std::uint32_t ReadLe(const std::uint8_t* p, int nBytes)
{
    std::uint32_t v = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

// Bytes of one row of `nWidth` pixels at `nBits` each: rows are padded to 4 bytes.
std::size_t RowBytes(int nWidth, int nBits)
{
    return (static_cast<std::size_t>(nWidth) * static_cast<std::size_t>(nBits) + 31) / 32 * 4;
}

struct SBitmapLayout {
    int nWidth, nHeight, nBits;
    std::size_t nColours;
    const std::uint8_t* pPalette;  // 4 bytes an entry: B, G, R, 0
    const std::uint8_t* pXor;      // bottom row first
    const std::uint8_t* pAnd;
};

bool ReadLayout(const std::uint8_t* pData, std::size_t nSize, SBitmapLayout& layout)
{
    if (!pData || nSize < kInfoHeaderSize)
        return false;
    const std::size_t nHeader = ReadLe(pData, 4);
    const auto nWidth = static_cast<std::int32_t>(ReadLe(pData + 4, 4));
    // The height counts the colour rows and the mask rows together.
    const auto nHeight2 = static_cast<std::int32_t>(ReadLe(pData + 8, 4));
    const std::uint32_t nPlanes = ReadLe(pData + 12, 2);
    const std::uint32_t nBits = ReadLe(pData + 14, 2);
    const std::uint32_t nCompression = ReadLe(pData + 16, 4);
    const std::size_t nUsed = ReadLe(pData + 32, 4);
    if (nHeader < kInfoHeaderSize || nHeader > nSize || nWidth < 1 || nWidth > kMaxIconSize ||
        nHeight2 < 2 || nHeight2 > 2 * kMaxIconSize || nHeight2 % 2 != 0 || nPlanes != 1 ||
        (nBits != 1 && nBits != 4 && nBits != 8) || nCompression != 0)
        return false;
    const std::size_t nColours = nUsed ? nUsed : std::size_t{1} << nBits;
    if (nColours > (std::size_t{1} << nBits))
        return false;
    layout = {nWidth, nHeight2 / 2, static_cast<int>(nBits), nColours, nullptr, nullptr, nullptr};
    const std::size_t nXorAt = nHeader + nColours * 4;
    const std::size_t nAndAt = nXorAt + RowBytes(nWidth, layout.nBits) * layout.nHeight;
    if (nAndAt + RowBytes(nWidth, 1) * layout.nHeight > nSize)
        return false;
    layout.pPalette = pData + nHeader;
    layout.pXor = pData + nXorAt;
    layout.pAnd = pData + nAndAt;
    return true;
}

// The palette index of pixel `x` in a row packed at `nBits` per pixel, leftmost pixel highest.
unsigned IndexAt(const std::uint8_t* pRow, int x, int nBits)
{
    const unsigned nBit = static_cast<unsigned>(x * nBits);
    const unsigned nShift = 8 - static_cast<unsigned>(nBits) - nBit % 8;
    return (pRow[nBit / 8] >> nShift) & ((1u << nBits) - 1);
}

}  // namespace

bool DecodeIconImage(const std::uint8_t* pData, std::size_t nSize, SIconImage& image)
{
    SBitmapLayout layout;
    if (!ReadLayout(pData, nSize, layout))
        return false;
    const std::size_t nXorRow = RowBytes(layout.nWidth, layout.nBits);
    const std::size_t nAndRow = RowBytes(layout.nWidth, 1);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(layout.nWidth) * layout.nHeight * 4);
    std::uint8_t* pOut = rgba.data();
    for (int y = 0; y < layout.nHeight; ++y) {
        const std::size_t nRow = static_cast<std::size_t>(layout.nHeight - 1 - y);
        const std::uint8_t* pXor = layout.pXor + nRow * nXorRow;
        const std::uint8_t* pAnd = layout.pAnd + nRow * nAndRow;
        for (int x = 0; x < layout.nWidth; ++x, pOut += 4) {
            const unsigned nIndex = IndexAt(pXor, x, layout.nBits);
            if (nIndex >= layout.nColours)
                return false;
            if (IndexAt(pAnd, x, 1))
                continue;  // masked out: stays transparent black
            const std::uint8_t* pEntry = layout.pPalette + nIndex * 4;
            pOut[0] = pEntry[2];
            pOut[1] = pEntry[1];
            pOut[2] = pEntry[0];
            pOut[3] = 255;
        }
    }
    image.nWidth = layout.nWidth;
    image.nHeight = layout.nHeight;
    image.rgba = std::move(rgba);
    return true;
}

bool LoadIconImage(HICON hIcon, int nSize, SIconImage& image)
{
    // Only a group from the resource tables is an icon we can read; the system's icons and
    // anything else are not looked into.
    const ResourceEntry* pGroup = ResourceEntryOf(reinterpret_cast<HRSRC>(hIcon));
    if (!pGroup || pGroup->type != 14 || pGroup->size < kGroupHeaderSize)
        return false;
    const std::size_t nCount =
        std::min<std::size_t>(ReadLe(pGroup->data + 4, 2),
                              (pGroup->size - kGroupHeaderSize) / kGroupEntrySize);
    int nBestWidth = 0;
    unsigned nBestId = 0;
    for (std::size_t i = 0; i < nCount; ++i) {
        const std::uint8_t* pEntry = pGroup->data + kGroupHeaderSize + i * kGroupEntrySize;
        const int nWidth = pEntry[0] ? pEntry[0] : kMaxIconSize;  // 0 stands for 256
        if (nBestWidth != nSize && (nWidth == nSize || nWidth > nBestWidth)) {
            nBestWidth = nWidth;
            nBestId = ReadLe(pEntry + 12, 2);
        }
    }
    HRSRC hImage = nBestId ? FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nBestId), RT_ICON)
                           : nullptr;
    if (!hImage)
        return false;
    const auto* pBytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, hImage)));
    return DecodeIconImage(pBytes, SizeofResource(nullptr, hImage), image);
}

}  // namespace portable
