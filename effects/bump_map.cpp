// CBumpMap: building the height field (once) and shading it (per frame).
// Depends on shade_kernel.h for the pixel loop and on <cmath> for the light's path.
#include "bump_map.h"

#include <cmath>
#include <cstring>

#include "shade_kernel.h"

int g_nLightPhase = 0;

namespace {

constexpr int kW = CBumpMap::kWidth;
constexpr int kH = CBumpMap::kHeight;

// The XOR tiles are 255 bytes on a side (not 256): eight of them, four across, two down.
constexpr int kTileSide = 255;
constexpr int kTilesAcross = 4;
constexpr int kTilesDown = 2;

// 1/13 and 1/23 as doubles. The path multiplies by them rather than dividing, which is
// not the same in the last bit and so not the same light position on every frame.
constexpr double kPathStepX = 0.07692307692307693;
constexpr double kPathStepY = 0.043478260869565216;

// n modulo nLimit, for 0 <= n < 2 * nLimit.
int Wrap(int n, int nLimit)
{
    return n < nLimit ? n : n - nLimit;
}

}  // namespace

CBumpMap::CBumpMap(int nMode) : m_nMode(nMode)
{
    std::memset(m_Image, 0, sizeof m_Image);
    std::memset(m_Height, 0, sizeof m_Height);
    std::memset(m_Texture, 0, sizeof m_Texture);
    BuildTexture(m_Texture);
    InitHeights(m_Height, m_Texture);
    Displace(m_Height, m_Texture);
    Smooth(m_Height);
    Double(m_Height);
}

CBumpMap::~CBumpMap() = default;

int CBumpMap::Clamp(int nValue)
{
    if (nValue < 0)
        return 0;
    return nValue > 255 ? 255 : nValue;
}

// Expects a zeroed texture; the last four columns and two rows stay zero. Row j of every tile
// is the same 255 bytes, made once and copied into the eight tiles.
void CBumpMap::BuildTexture(std::uint8_t* pTexture)
{
    std::uint8_t aTileRow[kTileSide];
    for (int j = 0; j < kTileSide; ++j)
    {
        for (int i = 0; i < kTileSide; ++i)
            aTileRow[i] = static_cast<std::uint8_t>(i ^ j);
        for (int nTileY = 0; nTileY < kTilesDown; ++nTileY)
            for (int nTileX = 0; nTileX < kTilesAcross; ++nTileX)
                std::memcpy(pTexture + (nTileY * kTileSide + j) * kTextureWidth + nTileX * kTileSide,
                            aTileRow, sizeof aTileRow);
    }
}

// The byte repeated in both halves of the word: 0..255 becomes 0..65535.
void CBumpMap::InitHeights(std::uint16_t* pHeight, const std::uint8_t* pTexture)
{
    for (int r = 0; r < kH; ++r)
        for (int c = 0; c < kW; ++c)
            pHeight[r * kW + c] = static_cast<std::uint16_t>(257 * pTexture[r * kTextureWidth + c]);
}

void CBumpMap::Displace(std::uint16_t* pHeight, const std::uint8_t* pTexture)
{
    for (int nStep = 256; nStep >= 2; nStep /= 2)
        DisplaceStage(pHeight, pTexture, nStep);
}

// One midpoint-displacement stage on a grid of nStep (a power of two). The samples are read
// with a row length of 480 while the writes use 640, and the noise offset uses 640 in a
// 1024-wide texture: that is what gives the field its look, so it is kept. Reads stay below
// word 230,079 and texture byte 306,559. Grid points must go in this order: later ones read
// earlier writes.
void CBumpMap::DisplaceStage(std::uint16_t* pHeight, const std::uint8_t* pTexture, int nStep)
{
    const int nHalf = nStep / 2;
    const int nNoiseMask = 64 * nStep - 1;  // the noise byte modulo 64 * nStep
    for (int y = 0; y < kH; y += nStep)
    {
        const std::uint16_t* pAbove = pHeight + 480 * y;
        const std::uint16_t* pBelow = pHeight + 480 * Wrap(y + nStep, kH);
        std::uint16_t* pRow = pHeight + kW * y;
        std::uint16_t* pRowBelow = pHeight + kW * Wrap(y + nHalf, kH);
        const std::uint8_t* pNoise = pTexture + kW * y;
        for (int x = 0; x < kW; x += nStep)
        {
            const int f = pAbove[x];
            const int e = pBelow[x];
            const int h = pAbove[Wrap(x + nStep, kW)];
            const int nLift = 32 * nStep - (pNoise[x] & nNoiseMask);
            const int nRight = Wrap(x + nHalf, kW);
            pRow[nRight] = static_cast<std::uint16_t>(Clamp(((f + h) >> 1) + nLift));
            pRowBelow[nRight] = static_cast<std::uint16_t>(Clamp(((2 * h + e + f) >> 2) + nLift));
            pRowBelow[x] = static_cast<std::uint16_t>(Clamp(((e + f) >> 1) + nLift));
        }
    }
}

void CBumpMap::Smooth(std::uint16_t* pHeight)
{
    for (int nPass = 0; nPass < 3; ++nPass)
        SmoothPass(pHeight);
}

// In place, so each word already sees this pass's new values above it and, at the wrap,
// in column 0 and row 0. The word itself is not in the sum; the upper-left neighbour is.
// A row's new words go to a buffer first: every word but the last reads its right neighbour's
// old value, and the buffer lets that loop run on whole vectors.
void CBumpMap::SmoothPass(std::uint16_t* pHeight)
{
    std::uint16_t aNew[kW];
    for (int r = 0; r < kH; ++r)
    {
        const std::uint16_t* pUp = pHeight + kW * ((r + kH - 1) % kH);
        const std::uint16_t* pDown = pHeight + kW * ((r + 1) % kH);
        std::uint16_t* pRow = pHeight + kW * r;
        aNew[0] = static_cast<std::uint16_t>((pUp[kW - 1] + pRow[1] + pUp[0] + pDown[0]) >> 2);
        for (int c = 1; c < kW - 1; ++c)
            aNew[c] = static_cast<std::uint16_t>((pUp[c - 1] + pRow[c + 1] + pUp[c] + pDown[c]) >> 2);
        aNew[kW - 1] =
            static_cast<std::uint16_t>((pUp[kW - 2] + aNew[0] + pUp[kW - 1] + pDown[kW - 1]) >> 2);
        std::memcpy(pRow, aNew, sizeof aNew);
    }
}

void CBumpMap::Double(std::uint16_t* pHeight)
{
    for (int k = 0; k < kPixels; ++k)
        pHeight[k] = static_cast<std::uint16_t>(pHeight[k] << 1);
}

CBumpMap::SLight CBumpMap::LightAt(int nPhase)
{
    const double t = nPhase;
    return {static_cast<int>(std::cos(t * kPathStepX) * 160 + 320),
            static_cast<int>(std::sin(t * kPathStepY) * 120 + 240)};
}

void CBumpMap::Shade()
{
    // Unsigned so the counter wraps from 2,147,483,646 to -2,147,483,648 without signed
    // overflow; the conversion back is modular on every compiler we build with.
    g_nLightPhase = static_cast<int>(static_cast<std::uint32_t>(g_nLightPhase) + 2u);
    const SLight light = LightAt(g_nLightPhase);
    ShadeRows(m_Image, m_Height, light.nX, light.nY);
}
