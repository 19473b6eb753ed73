// The message box the platform draws itself where the system has no way to show one (Wayland
// without a helper program) or when asked to (--drawn-boxes): the picture of a classic box,
// grey face, caption bar, the text in the system font, an OK button. Pixels only; showing it
// and its modal loop belong to the display (display_sdl.cpp).
#include "drawn_box.h"

#include "../user/gdi.h"

#include <algorithm>
#include <string>

namespace portable {
namespace {

constexpr int kCell = 16;           // text and caption in the system font's cell height
constexpr int kBorder = 3;          // the raised frame round the box
constexpr int kCaptionHeight = 20;
constexpr int kPadX = 16, kPadY = 12;
constexpr int kButtonWidth = 80, kButtonHeight = 26, kButtonGap = 12;
constexpr int kMinWidth = 200;

const COLORREF kFace = RGB(192, 192, 192);
const COLORREF kShadow = RGB(128, 128, 128);
const COLORREF kDark = RGB(0, 0, 0);
const COLORREF kLight = RGB(255, 255, 255);
const COLORREF kCaptionBar = RGB(0, 0, 128);

class CCanvas {
public:
    CCanvas(int nWidth, int nHeight)
        : m_Pixels(static_cast<std::size_t>(nWidth) * nHeight),
          m_View{reinterpret_cast<std::uint8_t*>(m_Pixels.data()), nWidth * 4L, nWidth, nHeight,
                 DisplayFormat::Rgb32, nullptr}
    {
    }
    const SSurfaceView& View() const { return m_View; }

    void Fill(int x0, int y0, int x1, int y1, COLORREF color)
    {
        const std::uint32_t nPixel = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
        for (int y = std::max(0, y0); y < std::min(m_View.nHeight, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(m_View.nWidth, x1); ++x)
                m_Pixels[static_cast<std::size_t>(y) * m_View.nWidth + x] = nPixel;
    }
    // A one-pixel 3D edge: `topLeft` on the top and left, `bottomRight` on the others.
    void Edge(int x0, int y0, int x1, int y1, COLORREF topLeft, COLORREF bottomRight)
    {
        Fill(x0, y0, x1, y0 + 1, topLeft);
        Fill(x0, y0, x0 + 1, y1, topLeft);
        Fill(x0, y1 - 1, x1, y1, bottomRight);
        Fill(x1 - 1, y0, x1, y1, bottomRight);
    }
    void Text(int x, int y, const std::string& line, COLORREF color)
    {
        DrawTextLine(m_View, x, y, line.data(), static_cast<int>(line.size()), color);
    }
    std::vector<std::uint8_t> Rgb() const
    {
        std::vector<std::uint8_t> rgb(m_Pixels.size() * 3);
        for (std::size_t i = 0; i < m_Pixels.size(); ++i) {
            rgb[3 * i] = static_cast<std::uint8_t>(m_Pixels[i] >> 16);
            rgb[3 * i + 1] = static_cast<std::uint8_t>(m_Pixels[i] >> 8);
            rgb[3 * i + 2] = static_cast<std::uint8_t>(m_Pixels[i]);
        }
        return rgb;
    }

private:
    std::vector<std::uint32_t> m_Pixels;
    SSurfaceView m_View;
};

int Width(const std::string& line)
{
    return MeasureTextLine(line.data(), static_cast<int>(line.size()));
}

// One line of the text broken into lines no wider than nMaxWidth: between words where it can,
// inside a word too long for a line of its own.
void BreakLine(const std::string& line, int nMaxWidth, std::vector<std::string>& lines)
{
    std::string current;
    std::size_t nPos = 0;
    do {
        const std::size_t nSpace = line.find(' ', nPos);
        const std::string word = line.substr(nPos, nSpace == std::string::npos ? nSpace : nSpace - nPos);
        nPos = nSpace == std::string::npos ? line.size() + 1 : nSpace + 1;
        const std::string joined = current.empty() ? word : current + ' ' + word;
        if (Width(joined) <= nMaxWidth) {
            current = joined;
            continue;
        }
        if (!current.empty())
            lines.push_back(current);
        current.clear();
        for (char c : word) {
            if (!current.empty() && Width(current + c) > nMaxWidth) {
                lines.push_back(current);
                current.clear();
            }
            current += c;
        }
    } while (nPos <= line.size());
    lines.push_back(current);
}

std::vector<std::string> LinesOf(const char* pszText, int nMaxWidth)
{
    std::vector<std::string> lines;
    std::string text(pszText);
    std::replace(text.begin(), text.end(), '\t', ' ');
    std::size_t nStart = 0;
    for (;;) {
        const std::size_t nEnd = text.find('\n', nStart);
        std::string line = text.substr(nStart, nEnd == std::string::npos ? nEnd : nEnd - nStart);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        BreakLine(line, nMaxWidth, lines);
        if (nEnd == std::string::npos)
            return lines;
        nStart = nEnd + 1;
    }
}

}  // namespace

SDrawnBox DrawMessageBoxImage(const char* pszText, const char* pszCaption, int nMaxWidth,
                              int nMaxHeight)
{
    const int nChrome = kBorder + kCaptionHeight + 2 * kPadY + kButtonGap + kButtonHeight + kBorder;
    const int nTextRoom = std::max(kCell, nMaxWidth - 2 * (kBorder + kPadX));
    std::vector<std::string> lines = LinesOf(pszText, nTextRoom);
    // What does not fit below the caption is left out: the box must stay whole on the screen.
    const auto nMaxLines = static_cast<std::size_t>(std::max(1, (nMaxHeight - nChrome) / kCell));
    if (lines.size() > nMaxLines)
        lines.resize(nMaxLines);
    const std::string caption(pszCaption);

    int nContent = std::max(kButtonWidth, std::min(Width(caption) + 8, nTextRoom));
    for (const std::string& line : lines)
        nContent = std::max(nContent, Width(line));
    SDrawnBox box;
    box.nWidth = std::min(nMaxWidth, std::max(kMinWidth, nContent + 2 * (kBorder + kPadX)));
    box.nHeight = std::min(nMaxHeight, nChrome + static_cast<int>(lines.size()) * kCell);

    CCanvas canvas(box.nWidth, box.nHeight);
    const int w = box.nWidth, h = box.nHeight;
    canvas.Fill(0, 0, w, h, kFace);
    canvas.Edge(0, 0, w, h, kFace, kDark);
    canvas.Edge(1, 1, w - 1, h - 1, kLight, kShadow);
    canvas.Fill(kBorder, kBorder, w - kBorder, kBorder + kCaptionHeight, kCaptionBar);
    canvas.Text(kBorder + 4, kBorder + (kCaptionHeight - kCell) / 2, caption, kLight);

    int y = kBorder + kCaptionHeight + kPadY;
    for (const std::string& line : lines) {
        canvas.Text((w - Width(line)) / 2, y, line, kDark);
        y += kCell;
    }

    // The OK button is the default one: a dark frame round its raised edges, a dotted focus
    // rectangle inside.
    const int bx = (w - kButtonWidth) / 2, by = h - kBorder - kPadY - kButtonHeight;
    box.okButton = {bx, by, bx + kButtonWidth, by + kButtonHeight};
    canvas.Edge(bx, by, bx + kButtonWidth, by + kButtonHeight, kDark, kDark);
    canvas.Edge(bx + 1, by + 1, bx + kButtonWidth - 1, by + kButtonHeight - 1, kLight, kDark);
    canvas.Edge(bx + 2, by + 2, bx + kButtonWidth - 2, by + kButtonHeight - 2, kFace, kShadow);
    for (int x = bx + 5; x < bx + kButtonWidth - 5; x += 2) {
        canvas.Fill(x, by + 5, x + 1, by + 6, kDark);
        canvas.Fill(x, by + kButtonHeight - 6, x + 1, by + kButtonHeight - 5, kDark);
    }
    for (int yy = by + 5; yy < by + kButtonHeight - 5; yy += 2) {
        canvas.Fill(bx + 5, yy, bx + 6, yy + 1, kDark);
        canvas.Fill(bx + kButtonWidth - 6, yy, bx + kButtonWidth - 5, yy + 1, kDark);
    }
    canvas.Text(bx + (kButtonWidth - Width("OK")) / 2, by + (kButtonHeight - kCell) / 2, "OK", kDark);
    box.rgb = canvas.Rgb();
    return box;
}

}  // namespace portable
