// Enlarging a picture of 32-bit pixels by exact area coverage, on the CPU: each pixel of the
// result is the average of the source pixels under it, each weighted by the share of it that
// it covers. The SDL display's sharp scaling where the renderer draws in software
// (display_sdl.cpp); plain C++, no SDL.
#pragma once

#include <cstdint>
#include <vector>

namespace portable {

class CAreaScaler
{
public:
    // Lays out the scaling of nFromWidth x nFromHeight pictures to nToWidth x nToHeight, each
    // side of the result at least as long as the source's.
    void Resize(int nFromWidth, int nFromHeight, int nToWidth, int nToHeight);
    // Scales pFrom (rows nFromPitch bytes apart) into pTo (rows nToPitch bytes apart), writing
    // every pixel of it once. Each byte of a pixel is a channel of its own, whatever the order.
    void Scale(const std::uint8_t* pFrom, long nFromPitch, std::uint8_t* pTo, long nToPitch);

private:
    // One pixel of the result along an axis. At a scale of 1 or more it spans at most two source
    // pixels: nFirst, and nNext with the share nWeight (in 256ths; 0 where it lies inside
    // nFirst alone, as most do).
    struct STap {
        int nFirst = 0;
        int nNext = 0;
        unsigned nWeight = 0;
    };
    static std::vector<STap> Taps(int nFrom, int nTo);
    const std::uint32_t* Across(const std::uint8_t* pFrom, long nFromPitch, int nRow);

    int m_nToWidth = 0;
    std::vector<STap> m_Columns, m_Rows;
    // The last two source rows scaled across, and which rows they are (-1: none).
    std::vector<std::uint32_t> m_Across[2];
    int m_nAcrossRow[2] = {-1, -1};
};

}  // namespace portable
