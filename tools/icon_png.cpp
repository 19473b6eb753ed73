// PNG encoding of the icon (see icon_png.h), through libpng into memory.
#include "icon_png.h"

#include <png.h>

namespace {

constexpr int kTransparentIndex = 16;  // after the icon's 16 colours

void AppendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// libpng reports errors by longjmp: only plain data lives in this frame.
bool WritePng(png_structp png, png_infop info, const std::vector<png_bytep>& rows, int size,
              const png_color* palette, const png_byte* alpha)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    // Fixed settings, so the committed files can be made again byte for byte.
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette, kTransparentIndex + 1);
    png_set_tRNS(png, info, alpha, kTransparentIndex + 1, nullptr);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeIconPng(const SIconImage& icon)
{
    const int size = icon.Colours.nWidth;
    png_color palette[kTransparentIndex + 1] = {};
    png_byte alpha[kTransparentIndex + 1];
    for (int i = 0; i <= kTransparentIndex; ++i) {
        if (i < kTransparentIndex)
            palette[i] = {icon.Colours.Palette[3 * i], icon.Colours.Palette[3 * i + 1],
                          icon.Colours.Palette[3 * i + 2]};
        alpha[i] = i < kTransparentIndex ? 255 : 0;
    }
    std::vector<std::uint8_t> indices(icon.Colours.Pixels);
    for (std::size_t k = 0; k < indices.size(); ++k)
        if (!icon.Opaque[k])
            indices[k] = kTransparentIndex;
    std::vector<png_bytep> rows(size);
    for (int y = 0; y < size; ++y)
        rows[y] = indices.data() + static_cast<std::size_t>(y) * size;

    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (png && info) {
        png_set_write_fn(png, &out, AppendBytes, NoFlush);
        written = WritePng(png, info, rows, size, palette, alpha);
    }
    png_destroy_write_struct(&png, &info);
    if (!written)
        out.clear();
    return out;
}
