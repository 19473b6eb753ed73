// The icon generator (see icon_art.h).
#include "icon_art.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "text_raster.h"

namespace {

// Black, five greys for the light, then the logo's blues up to white.
const std::uint8_t kIconPalette[16][3] = {
    {0, 0, 0},       {36, 36, 36},    {72, 72, 72},    {112, 112, 112}, {156, 156, 156},
    {200, 200, 200}, {14, 10, 44},    {44, 38, 136},   {64, 68, 176},   {84, 100, 214},
    {114, 137, 232}, {144, 174, 250}, {178, 200, 252}, {212, 226, 255}, {236, 240, 255},
    {255, 255, 255},
};

int NearestIconColour(double r, double g, double b, int first, int last)
{
    int best = first;
    double bestDistance = 1e30;
    for (int i = first; i <= last; ++i) {
        const double dr = kIconPalette[i][0] - r, dg = kIconPalette[i][1] - g,
                     db = kIconPalette[i][2] - b;
        const double distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance)
            bestDistance = distance, best = i;
    }
    return best;
}

constexpr std::uint8_t kRimColour = 6;  // the logo's deep blue rim

// Largest letter coverage among the eight neighbours: where the one-pixel rim goes.
double NearLetter(const SCoverage& letter, int x, int y)
{
    int best = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            best = std::max(best, int(letter.At(x + dx, y + dy)));
    return best / 255.0;
}

// Grey of the diamond-shaped pool of light at a pixel centre: bright in the middle, falling
// off with the sum of the horizontal and vertical distances, as the relief's light does.
double DiamondGrey(int size, int x, int y)
{
    const double centre = size / 2.0;
    const double d = std::fabs(x + 0.5 - centre) + std::fabs(y + 0.5 - centre);
    return std::clamp(1.0 - 1.6 * d / size, 0.0, 1.0) * 210.0 + 20.0;
}

}  // namespace

bool RenderIcon(const std::string& fontDir, int size, SIconImage& icon)
{
    CTextRaster raster;
    if (!raster.Open(fontDir + "/DejaVuSans-Bold.ttf", size * 5 / 8 + 1))
        return false;
    SCoverage letter(size, size);
    const int cap = raster.CapHeight();
    raster.Draw(letter, (size - raster.Measure(U"K")) / 2, (size + cap) / 2, U"K");

    icon.Colours.nWidth = icon.Colours.nHeight = size;
    icon.Colours.Palette.assign(&kIconPalette[0][0], &kIconPalette[0][0] + 48);
    icon.Colours.Pixels.assign(size * size, 0);
    icon.Opaque.assign(size * size, 0);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // The diamond's tips touch the edges; the corners outside it are transparent.
            const double d = std::fabs(x + 0.5 - size / 2.0) + std::fabs(y + 0.5 - size / 2.0);
            if (d > size / 2.0)
                continue;
            icon.Opaque[y * size + x] = 1;
            const double a = letter.At(x, y) / 255.0;
            const double rim = NearLetter(letter, x, y);
            std::uint8_t colour;
            if (a >= 0.5) {
                // Letter: light blue at the top, deeper towards the bottom.
                const double t = 1.0 - 0.6 * y / size;
                colour = static_cast<std::uint8_t>(
                    NearestIconColour(255 * t * t, 255 * t, 255 * std::sqrt(t), 7, 15));
            } else if (rim >= 0.5) {
                colour = kRimColour;
            } else {
                const double grey = DiamondGrey(size, x, y);
                colour = static_cast<std::uint8_t>(NearestIconColour(grey, grey, grey, 0, 5));
            }
            icon.Colours.Pixels[y * size + x] = colour;
        }
    return true;
}

namespace {

// Little-endian writers for the icon's structures.
void Put16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8 & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, static_cast<int>(value & 0xFFFF));
    Put16(out, static_cast<int>(value >> 16));
}

// Row sizes in bytes: 4-bit colour rows and 1-bit mask rows, each padded to 4 bytes.
int ColourRowBytes(int size)
{
    return (size / 2 + 3) / 4 * 4;
}

int MaskRowBytes(int size)
{
    return (size / 8 + 3) / 4 * 4;
}

std::uint32_t ImageBytes(int size)
{
    return 40 + 16 * 4 + size * (ColourRowBytes(size) + MaskRowBytes(size));
}

// One image: header, palette, colour rows bottom-up, mask rows bottom-up.
void PutImage(std::vector<std::uint8_t>& out, const SIconImage& image)
{
    const int size = image.Colours.nWidth;
    Put32(out, 40);        // BITMAPINFOHEADER
    Put32(out, size);
    Put32(out, 2 * size);  // colour rows and mask rows together
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);         // BI_RGB
    Put32(out, size * (ColourRowBytes(size) + MaskRowBytes(size)));
    Put32(out, 0), Put32(out, 0), Put32(out, 16), Put32(out, 0);
    for (int i = 0; i < 16; ++i) {  // RGBQUAD: blue, green, red, 0
        out.push_back(image.Colours.Palette[3 * i + 2]);
        out.push_back(image.Colours.Palette[3 * i + 1]);
        out.push_back(image.Colours.Palette[3 * i + 0]);
        out.push_back(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(ColourRowBytes(size), 0);
        for (int x = 0; x < size; ++x)
            row[x / 2] |= image.Colours.Pixels[y * size + x] << (x % 2 ? 0 : 4);
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(MaskRowBytes(size), 0);
        for (int x = 0; x < size; ++x)
            if (!image.Opaque[y * size + x])
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeIco(const std::vector<SIconImage>& images)
{
    std::vector<std::uint8_t> out;
    const int count = static_cast<int>(images.size());
    Put16(out, 0);  // reserved
    Put16(out, 1);  // type: icon
    Put16(out, count);
    std::uint32_t offset = 6 + 16 * count;
    for (const SIconImage& image : images) {
        const int size = image.Colours.nWidth;
        out.push_back(static_cast<std::uint8_t>(size));
        out.push_back(static_cast<std::uint8_t>(size));
        out.push_back(16);  // colours
        out.push_back(0);
        Put16(out, 1);  // planes
        Put16(out, 4);  // bits per pixel
        Put32(out, ImageBytes(size));
        Put32(out, offset);
        offset += ImageBytes(size);
    }
    for (const SIconImage& image : images)
        PutImage(out, image);
    return out;
}
