// Test access to CBumpMap's construction steps and arrays, through a derived class.
// Used by the bump-map suites only.
#pragma once

#include <memory>

#include "bump_map.h"

class CBumpMapProbe : public CBumpMap
{
public:
    using CBumpMap::CBumpMap;
    using CBumpMap::BuildTexture;
    using CBumpMap::InitHeights;
    using CBumpMap::Displace;
    using CBumpMap::Smooth;
    using CBumpMap::Double;

    const std::uint16_t* Height() const { return m_Height; }
    const std::uint8_t* Texture() const { return m_Texture; }

    // The object is about 1.7 MB: always on the heap.
    static std::unique_ptr<CBumpMapProbe> Make(int nMode = 1)
    {
        return std::make_unique<CBumpMapProbe>(nMode);
    }
};

// Word at row r, column c of a 640-wide field.
inline int At(const std::uint16_t* pField, int r, int c)
{
    return pField[CBumpMap::kWidth * r + c];
}
