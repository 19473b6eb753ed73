// The emulated display: its one screen size, and its pixel formats: what a 16-bit mode gives
// (5-6-5 or 5-5-5), 8-bit palettized and 32-bit.
#pragma once

namespace portable {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

enum class DisplayFormat { Rgb565, Rgb555, Palette8, Rgb32 };

}  // namespace portable
