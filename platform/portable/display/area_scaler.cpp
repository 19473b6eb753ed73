// Exact area coverage, separable: each source row is first scaled across into a row of the
// result's width, and each row of the result is then one of those rows copied, or two of them
// blended. Integer maths with 8-bit shares, in loops the compiler vectorises.
#include "area_scaler.h"

#include <algorithm>
#include <cstring>

namespace portable {

namespace {

// a and b mixed, b with the share nWeight of 256, each byte apart. Two bytes at a time sit in
// the 16-bit lanes of 0x00FF00FF; a lane never carries into the next (255 * 256 + 128 < 65536).
inline std::uint32_t Blend(std::uint32_t a, std::uint32_t b, unsigned nWeight)
{
    const unsigned nKeep = 256 - nWeight;
    const std::uint32_t nOdd = ((a & 0x00FF00FFu) * nKeep + (b & 0x00FF00FFu) * nWeight + 0x00800080u) >> 8;
    const std::uint32_t nEven = (((a >> 8) & 0x00FF00FFu) * nKeep + ((b >> 8) & 0x00FF00FFu) * nWeight + 0x00800080u);
    return (nOdd & 0x00FF00FFu) | (nEven & 0xFF00FF00u);
}

// One byte of two mixed, b with the share nTake of 256 (the 16-bit sum: 255 * 256 + 128 < 65536).
inline std::uint8_t Mix(std::uint8_t a, std::uint8_t b, std::uint16_t nKeep, std::uint16_t nTake)
{
    return static_cast<std::uint8_t>(static_cast<std::uint16_t>(a * nKeep + b * nTake + 128) >> 8);
}

// A row of the result between two scaled rows, in blocks of a fixed 16 bytes: the compiler
// takes each in one step even where it would not vectorise a loop of unknown length.
void BlendRows(const std::uint8_t* __restrict pUpper, const std::uint8_t* __restrict pLower,
               unsigned nWeight, std::uint8_t* __restrict pOut, std::size_t nBytes)
{
    constexpr std::size_t kBlock = 16;
    const auto nKeep = static_cast<std::uint16_t>(256 - nWeight);
    const auto nTake = static_cast<std::uint16_t>(nWeight);
    std::size_t i = 0;
    for (; i + kBlock <= nBytes; i += kBlock)
        for (std::size_t k = i; k < i + kBlock; ++k)
            pOut[k] = Mix(pUpper[k], pLower[k], nKeep, nTake);
    for (; i < nBytes; ++i)
        pOut[i] = Mix(pUpper[i], pLower[i], nKeep, nTake);
}

}  // namespace

std::vector<CAreaScaler::STap> CAreaScaler::Taps(int nFrom, int nTo)
{
    std::vector<STap> taps(static_cast<std::size_t>(nTo));
    for (int i = 0; i < nTo; ++i) {
        // Counted in nTo-ths of a source pixel, pixel i of the result spans nStart to nEnd.
        const long nStart = static_cast<long>(i) * nFrom, nEnd = nStart + nFrom;
        STap& tap = taps[static_cast<std::size_t>(i)];
        tap.nFirst = static_cast<int>(nStart / nTo);
        tap.nNext = std::min(tap.nFirst + 1, nFrom - 1);
        const long nEdge = static_cast<long>(tap.nFirst + 1) * nTo;  // where nFirst ends
        if (nEnd > nEdge)
            tap.nWeight = static_cast<unsigned>(((nEnd - nEdge) * 256 + nFrom / 2) / nFrom);
    }
    return taps;
}

void CAreaScaler::Resize(int nFromWidth, int nFromHeight, int nToWidth, int nToHeight)
{
    m_nToWidth = nToWidth;
    m_Columns = Taps(nFromWidth, nToWidth);
    m_Rows = Taps(nFromHeight, nToHeight);
    for (std::vector<std::uint32_t>& across : m_Across)
        across.assign(static_cast<std::size_t>(nToWidth), 0);
    m_nAcrossRow[0] = m_nAcrossRow[1] = -1;
}

// Source row nRow scaled across, from the two kept when it is one of them. Rows are asked for
// in order, so the lower of the two is the one to replace.
const std::uint32_t* CAreaScaler::Across(const std::uint8_t* pFrom, long nFromPitch, int nRow)
{
    for (int nSlot = 0; nSlot < 2; ++nSlot)
        if (m_nAcrossRow[nSlot] == nRow)
            return m_Across[nSlot].data();
    const int nSlot = m_nAcrossRow[0] < m_nAcrossRow[1] ? 0 : 1;
    const auto* pSource = reinterpret_cast<const std::uint32_t*>(pFrom + nRow * nFromPitch);
    std::uint32_t* pOut = m_Across[nSlot].data();
    // Most pixels lie inside one source pixel, and are copied.
    for (int x = 0; x < m_nToWidth; ++x) {
        const STap& tap = m_Columns[static_cast<std::size_t>(x)];
        pOut[x] = tap.nWeight ? Blend(pSource[tap.nFirst], pSource[tap.nNext], tap.nWeight) : pSource[tap.nFirst];
    }
    m_nAcrossRow[nSlot] = nRow;
    return pOut;
}

void CAreaScaler::Scale(const std::uint8_t* pFrom, long nFromPitch, std::uint8_t* pTo, long nToPitch)
{
    m_nAcrossRow[0] = m_nAcrossRow[1] = -1;  // a new picture
    const std::size_t nBytes = static_cast<std::size_t>(m_nToWidth) * 4;
    for (std::size_t y = 0; y < m_Rows.size(); ++y, pTo += nToPitch) {
        const STap& tap = m_Rows[y];
        const auto* pUpper = reinterpret_cast<const std::uint8_t*>(Across(pFrom, nFromPitch, tap.nFirst));
        if (tap.nWeight == 0) {
            std::memcpy(pTo, pUpper, nBytes);
            continue;
        }
        const auto* pLower = reinterpret_cast<const std::uint8_t*>(Across(pFrom, nFromPitch, tap.nNext));
        BlendRows(pUpper, pLower, tap.nWeight, pTo, nBytes);
    }
}

}  // namespace portable
