// CBumpMap: the relief effect. A height field built once from a tiled XOR pattern, lit
// every frame by a point light on a Lissajous path into a 640x480 grey 5-5-5 image.
// Standard library only; the per-pixel loops live in shade_kernel.h.
#pragma once

#include <cstdint>

// Light phase shared by every CBumpMap: starts at 0, +2 per Shade() call, wraps like a
// 32-bit two's complement counter.
extern int g_nLightPhase;

class CBumpMap
{
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr int kPixels = kWidth * kHeight;
    static constexpr int kTextureWidth = 1024;
    static constexpr int kTextureHeight = 512;
    static constexpr int kTextureSize = kTextureWidth * kTextureHeight;

    // The light's column and row for one phase value.
    struct SLight
    {
        int nX;
        int nY;
    };

    explicit CBumpMap(int nMode);
    virtual ~CBumpMap();

    // First word of the 640x480 output image (rows of 640 words).
    const std::uint16_t* GetImage() const { return m_Image; }

    // value limited to 0..255.
    static int Clamp(int nValue);

    // Advances g_nLightPhase and repaints rows 0..476 of the image.
    void Shade();

    static SLight LightAt(int nPhase);

protected:
    // The construction steps, in the order the constructor runs them, over plain arrays
    // (height: kPixels words, texture: kTextureSize bytes).
    static void BuildTexture(std::uint8_t* pTexture);
    static void InitHeights(std::uint16_t* pHeight, const std::uint8_t* pTexture);
    static void Displace(std::uint16_t* pHeight, const std::uint8_t* pTexture);
    static void Smooth(std::uint16_t* pHeight);
    static void Double(std::uint16_t* pHeight);

    int m_nMode;
    std::uint16_t m_Image[kPixels];
    std::uint16_t m_Height[kPixels];
    std::uint8_t m_Texture[kTextureSize];

private:
    static void DisplaceStage(std::uint16_t* pHeight, const std::uint8_t* pTexture, int nStep);
    static void SmoothPass(std::uint16_t* pHeight);
};
