// The logo generator (see logo_art.h). Everything is integer or plain double arithmetic on
// fixed inputs, so the same fonts give the same file byte for byte.
#include "logo_art.h"

#include <algorithm>
#include <cmath>

#include "text_raster.h"

namespace {

struct SLine
{
    const char* pFont;
    int nSize;
    int nBaseline;
    std::u32string Text;
};

// Invented artist, invented address on a reserved domain.
const SLine kLines[] = {
    {"DejaVuSans-Bold.ttf", 50, 46, U"ILKA MARROWAY"},
    {"DejaVuSerif-Bold.ttf", 23, 78, U"music from the deep end of the tracker"},
    {"DejaVuSans-Bold.ttf", 17, 106, U"game soundtracks \u2022 modules \u2022 sound design"},
    {"DejaVuSansMono-Bold.ttf", 17, 132, U"www.marroway.example.org"},
};

constexpr int kOutlineRadius = 2;    // dark rim that keeps the letters legible on white light
constexpr int kShadowOffset = 2;     // drop shadow, down and right
constexpr int kTransparent = 0;      // palette entry of the background

struct SRgb
{
    double r, g, b;
};

// The one colour ramp of the palette: from the rim's deep blue to white. Entries 1..255 sample
// it evenly; its darkest end keeps a channel of 8 or more so no letter pixel turns transparent.
SRgb Ramp(double t)
{
    static const double kKeys[][4] = {
        {0.00, 14, 10, 44},   {0.30, 44, 38, 136},   {0.55, 84, 100, 214},
        {0.75, 144, 174, 250}, {0.90, 212, 226, 255}, {1.00, 255, 255, 255},
    };
    t = std::clamp(t, 0.0, 1.0);
    int k = 0;
    while (k < 4 && t > kKeys[k + 1][0])
        ++k;
    const double f = (t - kKeys[k][0]) / (kKeys[k + 1][0] - kKeys[k][0]);
    return {kKeys[k][1] + f * (kKeys[k + 1][1] - kKeys[k][1]),
            kKeys[k][2] + f * (kKeys[k + 1][2] - kKeys[k][2]),
            kKeys[k][3] + f * (kKeys[k + 1][3] - kKeys[k][3])};
}

std::vector<std::uint8_t> BuildPalette()
{
    std::vector<std::uint8_t> palette(768, 0);
    palette[0] = 3, palette[1] = 2, palette[2] = 5;  // near-black background, packs to 0
    for (int i = 1; i < 256; ++i) {
        const SRgb c = Ramp((i - 1) / 254.0);
        palette[3 * i + 0] = static_cast<std::uint8_t>(std::lround(c.r));
        palette[3 * i + 1] = static_cast<std::uint8_t>(std::lround(c.g));
        palette[3 * i + 2] = static_cast<std::uint8_t>(std::lround(c.b));
    }
    return palette;
}

// Anti-aliased dilation: the rim covers every pixel within kOutlineRadius of the letters.
SCoverage Dilate(const SCoverage& fill)
{
    SCoverage rim(fill.nWidth, fill.nHeight);
    for (int y = 0; y < fill.nHeight; ++y)
        for (int x = 0; x < fill.nWidth; ++x) {
            double best = 0;
            for (int dy = -kOutlineRadius - 1; dy <= kOutlineRadius + 1; ++dy)
                for (int dx = -kOutlineRadius - 1; dx <= kOutlineRadius + 1; ++dx) {
                    const double reach =
                        std::clamp(kOutlineRadius + 0.5 - std::hypot(dx, dy), 0.0, 1.0);
                    best = std::max(best, fill.At(x + dx, y + dy) * reach);
                }
            rim.Values[y * fill.nWidth + x] = static_cast<std::uint8_t>(std::lround(best));
        }
    return rim;
}

// Light from the top left: the slope of the blurred coverage brightens rising edges.
double Bevel(const SCoverage& fill, int x, int y)
{
    auto blur = [&](int cx, int cy) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                sum += fill.At(cx + dx, cy + dy);
        return sum / (9.0 * 255.0);
    };
    const double slope = (blur(x - 1, y) - blur(x + 1, y)) + (blur(x, y - 1) - blur(x, y + 1));
    return 0.35 * slope;
}

// Position on the ramp for a letter pixel: bright at the top of its line, darker at the
// baseline, lifted or sunk by the bevel.
double FillTone(const SCoverage& fill, const int* lineOf, const int* capOf, int x, int y)
{
    const int line = lineOf[y];
    const double top = kLines[line].nBaseline - capOf[line];
    const double down = std::clamp((y - top) / std::max(1.0, double(capOf[line])), 0.0, 1.2);
    return 1.0 - 0.5 * down + Bevel(fill, x, y);
}

std::uint8_t Nearest(const std::vector<std::uint8_t>& palette, const SRgb& c)
{
    int best = 1;
    double bestDistance = 1e30;
    for (int i = 1; i < 256; ++i) {
        const double dr = palette[3 * i] - c.r, dg = palette[3 * i + 1] - c.g,
                     db = palette[3 * i + 2] - c.b;
        const double distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance)
            bestDistance = distance, best = i;
    }
    return static_cast<std::uint8_t>(best);
}

}  // namespace

bool RenderLogo(const std::string& fontDir, SIndexedImage& logo)
{
    SCoverage fill(kArtLogoWidth, kArtLogoHeight);
    int lineOf[kArtLogoHeight];
    int capOf[4];
    CTextRaster raster;
    for (int line = 0; line < 4; ++line) {
        const SLine& lineArt = kLines[line];
        if (!raster.Open(fontDir + "/" + lineArt.pFont, lineArt.nSize))
            return false;
        capOf[line] = raster.CapHeight();
        const int left = (kArtLogoWidth - raster.Measure(lineArt.Text)) / 2;
        raster.Draw(fill, left, lineArt.nBaseline, lineArt.Text);
    }
    // Each row belongs to the line whose band it lies in (bands split halfway between lines).
    for (int y = 0, line = 0; y < kArtLogoHeight; ++y) {
        while (line < 3 &&
               y > (kLines[line].nBaseline + kLines[line + 1].nBaseline - capOf[line + 1]) / 2)
            ++line;
        lineOf[y] = line;
    }

    const SCoverage rim = Dilate(fill);
    logo.nWidth = kArtLogoWidth;
    logo.nHeight = kArtLogoHeight;
    logo.Palette = BuildPalette();
    logo.Pixels.assign(kArtLogoWidth * kArtLogoHeight, kTransparent);
    for (int y = 0; y < kArtLogoHeight; ++y)
        for (int x = 0; x < kArtLogoWidth; ++x) {
            const double a = fill.At(x, y) / 255.0;
            const int shadow = rim.At(x - kShadowOffset, y - kShadowOffset);
            const double d = std::max<int>(rim.At(x, y), shadow) / 255.0;
            if (a + (1 - a) * d < 0.5)
                continue;  // background: stays transparent in the scene
            const SRgb letter = Ramp(FillTone(fill, lineOf, capOf, x, y));
            const SRgb dark = Ramp(0);
            const SRgb c = {letter.r * a + dark.r * (1 - a), letter.g * a + dark.g * (1 - a),
                            letter.b * a + dark.b * (1 - a)};
            logo.Pixels[y * kArtLogoWidth + x] = Nearest(logo.Palette, c);
        }
    return true;
}

std::vector<std::uint8_t> EncodePcx(const SIndexedImage& image)
{
    std::vector<std::uint8_t> out(128, 0);
    auto put16 = [&](int offset, int value) {
        out[offset] = static_cast<std::uint8_t>(value & 0xFF);
        out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    out[0] = 0x0A;  // manufacturer
    out[1] = 5;     // version: 256-colour palette at the end
    out[2] = 1;     // run-length encoding
    out[3] = 8;     // bits per pixel
    put16(8, image.nWidth - 1);
    put16(10, image.nHeight - 1);
    put16(12, 72);
    put16(14, 72);
    out[65] = 1;    // planes
    put16(66, image.nWidth);  // bytes per line (even already)
    put16(68, 1);   // palette holds colours
    // Runs stop at each line's end, as most readers expect; up to 63 repeats; a single value
    // of 0xC0 or above must be written as a run of one.
    for (int y = 0; y < image.nHeight; ++y) {
        const std::uint8_t* row = &image.Pixels[y * image.nWidth];
        for (int x = 0; x < image.nWidth;) {
            int run = 1;
            while (x + run < image.nWidth && run < 63 && row[x + run] == row[x])
                ++run;
            if (run > 1 || row[x] >= 0xC0)
                out.push_back(static_cast<std::uint8_t>(0xC0 | run));
            out.push_back(row[x]);
            x += run;
        }
    }
    out.push_back(0x0C);
    out.insert(out.end(), image.Palette.begin(), image.Palette.end());
    return out;
}
