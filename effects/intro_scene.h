// The intro's scene: each Render shades the next picture of the relief (CBumpMap) and lays the
// logo over it in one 640 x 480 frame of 16-bit words. Knows nothing of DirectDraw; reads the
// logo resource through the seam header winapi.h.
#pragma once

#include <cstdint>

#include "winapi.h"

class CBumpMap;

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kFramePixels = kFrameWidth * kFrameHeight;
constexpr int kLogoWidth = 640;      // the full frame width
constexpr int kLogoHeight = 150;
constexpr int kLogoPixels = kLogoWidth * kLogoHeight;
constexpr int kLogoTop = 180;        // frame row of the logo's first row (rows 180-329)
constexpr int kLogoResourceId = 117;
constexpr const char* kLogoResourceType = "GRAPHICS";

class CIntroScene
{
public:
    // mode: 0 = 5-5-5, 1 = 5-6-5. Builds the relief (the long part of start-up) and the logo.
    explicit CIntroScene(int mode);
    virtual ~CIntroScene();
    CIntroScene(const CIntroScene&) = delete;
    CIntroScene& operator=(const CIntroScene&) = delete;

    // Decodes the PCX resource into up to `capacity` palette indices and its 768-byte palette
    // (either may be null). Never reads outside the resource; pixels the data does not cover
    // are 0. Always returns 0.
    static int LoadPcxResource(HMODULE module, HRSRC resource, unsigned char* pixels,
                               unsigned char* palette, int capacity);

    // Produces the next frame: relief (as grey in either layout), logo over it where not 0.
    void Render();
    const std::uint16_t* GetFrame() const { return m_Frame; }

private:
    void LoadLogo();
    void ComposeLogo();

    CBumpMap* m_pBumpMap;                  // null if it could not be allocated
    int m_nMode;
    std::uint16_t m_Logo[kLogoPixels];     // 0 = transparent
    std::uint16_t m_Frame[kFramePixels];
};
