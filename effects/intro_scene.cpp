// The intro's scene (see intro_scene.h): relief copy, 5-6-5 grey translation, logo overlay.
// Depends on CBumpMap, the PCX decoder, the pixel conversions and the seam's resource calls.
#include "intro_scene.h"

#include <cstring>
#include <new>

#include "bump_map.h"
#include "pcx.h"
#include "pixel16.h"

CIntroScene::CIntroScene(int mode)
    : m_pBumpMap(nullptr), m_nMode(mode), m_Logo(), m_Frame()
{
    m_pBumpMap = new (std::nothrow) CBumpMap(mode);
    LoadLogo();
    // Without a relief every frame stays as it is now: black with the logo.
    ComposeLogo();
}

// The program never destroys its scene; tests do, and the relief the scene owns goes with it.
CIntroScene::~CIntroScene()
{
    delete m_pBumpMap;
}

int CIntroScene::LoadPcxResource(HMODULE module, HRSRC resource, unsigned char* pixels,
                                 unsigned char* palette, int capacity)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (resource) {
        if (HGLOBAL loaded = LoadResource(module, resource)) {
            data = static_cast<const unsigned char*>(LockResource(loaded));
            if (data)
                size = SizeofResource(module, resource);
        }
    }
    DecodePcx(data, size, pixels, palette, capacity);
    return 0;
}

void CIntroScene::LoadLogo()
{
    // The frame holds nothing before the first Render, so the logo's 96,000 palette indices
    // and its palette are decoded into it rather than onto the stack (where they would not
    // fit a small one), and it is cleared again afterwards.
    auto* pixels = reinterpret_cast<unsigned char*>(m_Frame);
    unsigned char* palette = pixels + kLogoPixels;
    static_assert(sizeof m_Frame >= kLogoPixels + kPcxPaletteSize);
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kLogoResourceId), kLogoResourceType);
    LoadPcxResource(nullptr, resource, pixels, palette, kLogoPixels);
    ConvertIndexed(pixels, palette, m_Logo, kLogoPixels, m_nMode);
    std::memset(m_Frame, 0, sizeof m_Frame);
}

// Logo words that are not 0 replace the frame's; written as a select so it vectorises.
void CIntroScene::ComposeLogo()
{
    std::uint16_t* dst = m_Frame + kLogoTop * kFrameWidth;
    for (int k = 0; k < kLogoPixels; ++k) {
        const std::uint16_t word = m_Logo[k];
        dst[k] = word ? word : dst[k];
    }
}

void CIntroScene::Render()
{
    if (!m_pBumpMap)
        return;
    m_pBumpMap->Shade();
    const std::uint16_t* relief = m_pBumpMap->GetImage();
    // The relief is 5-5-5 grey; copied as is onto a 5-6-5 display it would show green-striped
    // rings, so that layout gets it translated to the nearest 5-6-5 greys.
    if (m_nMode == kMode565)
        Convert555To565(relief, m_Frame, kFramePixels);
    else
        std::memcpy(m_Frame, relief, sizeof m_Frame);
    ComposeLogo();
}
