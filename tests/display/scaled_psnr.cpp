// scaled_psnr: how faithfully a screenshot shows a 640x480 frame scaled to fit the screen.
// The reference is the frame scaled by exact area coverage: every screen pixel the average of
// the source pixels under it, each weighted by the share of the screen pixel it covers (at
// 2.25 screen pixels a source pixel, most screen pixels lie inside one source pixel and the
// ones on an edge mix two). At a whole-number scale that is nearest-neighbour exactly.
//
//   scaled_psnr SCREEN.png FRAME.png...
//
// The picture is taken where a 4:3 letterbox puts it (the largest that fits, centred); the
// bars around it must be black. Prints the PSNR of the picture against the frame that matches
// it best ("identical" when equal), and that frame: a screenshot of a stopped program shows its
// last frame or the one before. Exit 1 when the screenshot cannot be read or its bars are not
// black. Reads PNGs with libpng's simplified API.
#include "../support/png_picture.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// For each of `nTo` screen pixels along one axis: the source pixels it covers and the share
// of it each covers (they sum to 1).
struct SCover {
    int nFirst = 0;
    std::vector<double> shares;
};

std::vector<SCover> Coverage(int nFrom, int nTo)
{
    std::vector<SCover> covers(static_cast<std::size_t>(nTo));
    const double dStep = static_cast<double>(nFrom) / nTo;  // source pixels per screen pixel
    for (int i = 0; i < nTo; ++i) {
        const double dStart = i * dStep, dEnd = (i + 1) * dStep;
        SCover& cover = covers[static_cast<std::size_t>(i)];
        cover.nFirst = static_cast<int>(dStart);
        for (int s = cover.nFirst; s < nFrom && s < dEnd; ++s)
            cover.shares.push_back((std::min(dEnd, s + 1.0) - std::max(dStart, static_cast<double>(s))) / dStep);
    }
    return covers;
}

// `frame` scaled to nWidth x nHeight by area coverage, as doubles, R, G, B per pixel.
std::vector<double> ScaleByArea(const SPicture& frame, int nWidth, int nHeight)
{
    const std::vector<SCover> columns = Coverage(kWidth, nWidth), rows = Coverage(kHeight, nHeight);
    std::vector<double> across(static_cast<std::size_t>(kHeight) * nWidth * 3);  // columns first
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                double dSum = 0;
                const SCover& cover = columns[static_cast<std::size_t>(x)];
                for (std::size_t k = 0; k < cover.shares.size(); ++k)
                    dSum += cover.shares[k] * frame.Rgb[(static_cast<std::size_t>(y) * kWidth + cover.nFirst + k) * 3 + c];
                across[(static_cast<std::size_t>(y) * nWidth + x) * 3 + c] = dSum;
            }
    std::vector<double> scaled(static_cast<std::size_t>(nHeight) * nWidth * 3);
    for (int y = 0; y < nHeight; ++y) {
        const SCover& cover = rows[static_cast<std::size_t>(y)];
        for (std::size_t i = 0; i < static_cast<std::size_t>(nWidth) * 3; ++i) {
            double dSum = 0;
            for (std::size_t k = 0; k < cover.shares.size(); ++k)
                dSum += cover.shares[k] * across[(cover.nFirst + k) * nWidth * 3 + i];
            scaled[static_cast<std::size_t>(y) * nWidth * 3 + i] = dSum;
        }
    }
    return scaled;
}

}  // namespace

int main(int argc, char** argv)
{
    SPicture screen;
    if (argc < 3 || !ReadPng("scaled_psnr", argv[1], screen)) {
        std::fprintf(stderr, "usage: scaled_psnr SCREEN.png FRAME.png...\n");
        return 1;
    }
    // The letterbox: the side that limits the 4:3 picture sets the scale.
    const double dScale = std::min(static_cast<double>(screen.nWidth) / kWidth,
                                   static_cast<double>(screen.nHeight) / kHeight);
    const int nWidth = static_cast<int>(std::lround(kWidth * dScale));
    const int nHeight = static_cast<int>(std::lround(kHeight * dScale));
    const int nLeft = (screen.nWidth - nWidth) / 2, nTop = (screen.nHeight - nHeight) / 2;
    long nLitBars = 0;
    for (int y = 0; y < screen.nHeight; ++y)
        for (int x = 0; x < screen.nWidth; ++x) {
            const bool bInside = x >= nLeft && x < nLeft + nWidth && y >= nTop && y < nTop + nHeight;
            const std::uint8_t* pPixel = &screen.Rgb[(static_cast<std::size_t>(y) * screen.nWidth + x) * 3];
            if (!bInside && (pPixel[0] | pPixel[1] | pPixel[2]))
                ++nLitBars;
        }
    if (nLitBars > 0) {
        std::printf("%ld pixels of the bars around the %dx%d picture at %d,%d are not black\n", nLitBars,
                    nWidth, nHeight, nLeft, nTop);
        return 1;
    }
    double dBestError = -1, dBestWorst = 0;
    const char* pszBest = nullptr;
    for (int i = 2; i < argc; ++i) {
        SPicture frame;
        if (!ReadPng("scaled_psnr", argv[i], frame) || frame.nWidth != kWidth || frame.nHeight != kHeight)
            continue;
        const std::vector<double> expected = ScaleByArea(frame, nWidth, nHeight);
        double dError = 0, dWorst = 0;
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth * 3; ++x) {
                const double dDiff = screen.Rgb[(static_cast<std::size_t>(y + nTop) * screen.nWidth + nLeft) * 3 + x] -
                                     expected[static_cast<std::size_t>(y) * nWidth * 3 + x];
                dError += dDiff * dDiff;
                dWorst = std::max(dWorst, std::abs(dDiff));
            }
        dError /= 3.0 * nWidth * nHeight;
        if (dBestError < 0 || dError < dBestError) {
            dBestError = dError;
            dBestWorst = dWorst;
            pszBest = argv[i];
        }
    }
    if (!pszBest) {
        std::fprintf(stderr, "scaled_psnr: no 640x480 frame to compare with\n");
        return 1;
    }
    // At a whole-number scale the reference is the source's own values (but for the rounding of
    // the shares), and nearest-neighbour gives them exactly.
    if (dBestWorst < 1e-6)
        std::printf("identical (%dx%d at %d,%d, %s)\n", nWidth, nHeight, nLeft, nTop, pszBest);
    else
        std::printf("%.2f dB (%dx%d at %d,%d, %s)\n", 10 * std::log10(255.0 * 255.0 / dBestError), nWidth,
                    nHeight, nLeft, nTop, pszBest);
    return 0;
}
