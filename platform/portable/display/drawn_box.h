// The drawn message box (drawn_box.cpp), for displays whose system cannot show one: its picture,
// laid out with the platform's own text, for the display to put in its window.
#pragma once

#include "../../winapi.h"

#include <cstdint>
#include <vector>

namespace portable {

struct SDrawnBox {
    int nWidth = 0, nHeight = 0;
    std::vector<std::uint8_t> rgb;  // nWidth x nHeight, 3 bytes a pixel
    RECT okButton{};                // where a click closes the box, in the box's pixels
};
// Lays the box out to fit within nMaxWidth x nMaxHeight: caption bar, the text line by line
// (long lines broken between words), each line centred, and an OK button below.
SDrawnBox DrawMessageBoxImage(const char* pszText, const char* pszCaption, int nMaxWidth,
                              int nMaxHeight);

}  // namespace portable
