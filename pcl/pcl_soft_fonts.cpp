#include "pcl_soft_fonts.h"

#include "dib_header.h"
#include "glyph_comment.h"
#include "pcl_page_state.h"
#include "pcl_text_paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// The fixed part of a header or descriptor, zero-filled where the data stop short.
std::vector<uint8_t> fixedPart(const uint8_t* data, int32_t length, size_t size) {
    std::vector<uint8_t> v(size, 0);
    if (data && length > 0) std::memcpy(v.data(), data, std::min(size, static_cast<size_t>(length)));
    return v;
}
}  // namespace

bool DownloadFontHeader(const uint8_t* data, int32_t length) {
    PclPageState& s = Pcl();
    std::vector<uint8_t> h = fixedPart(data, length, 68);
    uint8_t format = h[2];
    if (format == 15) return DownloadOutlineFontHeader(data, length);
    if (format == 10 || format == 11) {
        // Intellifont: its text is never lost, but set in the nearest printer font.
        ReportPclProblem("a downloaded font of format " + std::to_string(format) +
                         " cannot be drawn: its text is set in the nearest printer font");
        s.softFonts.erase(s.fontId);
        s.outlineFonts.erase(s.fontId);
        s.standInFonts[s.fontId] = FontSpecOfHeader(h.data(), std::min<size_t>(h.size(), 64), 300);
        SelectFontById(s.fontId);
        return true;
    }
    if (format != 0 && format != 20) {
        ReportPclProblem("a downloaded font of format " + std::to_string(format) +
                         " cannot be drawn: its text is left out");
        return true;
    }
    s.standInFonts.erase(s.fontId);
    size_t descriptor = std::min<size_t>(be16(h.data()), format == 20 ? 68 : 64);
    if (descriptor < h.size()) std::fill(h.begin() + static_cast<long>(descriptor), h.end(), 0);
    BitmapFont font;
    font.headerFormat = format;
    font.textWidth = be16(&h[34]);
    font.xResolution = format == 20 ? be16(&h[64]) : 300;
    font.yResolution = format == 20 && be16(&h[66]) ? be16(&h[66]) : font.xResolution;
    font.spec = FontSpecOfHeader(h.data(), h.size(), font.xResolution);
    s.softFonts[s.fontId] = std::move(font);
    SelectFontById(s.fontId);  // a font just downloaded is the one drawn
    return true;
}

bool DownloadCharacter(const uint8_t* data, int32_t length) {
    PclPageState& s = Pcl();
    std::vector<uint8_t> d = fixedPart(data, length, 16);
    if (d[0] == 15) return DownloadOutlineCharacter(data, length);
    if (d[0] != 4) return true;  // other character formats are not stored
    auto font = s.softFonts.find(s.fontId);
    if (font == s.softFonts.end()) return false;
    size_t n = length > 0 ? static_cast<size_t>(length) : 0;
    if (d[1] == 0) {
        BitmapGlyph g;
        g.glyphClass = d[3];
        g.leftOffset = static_cast<int16_t>(be16(&d[6]));
        g.topOffset = static_cast<int16_t>(be16(&d[8]));
        g.width = be16(&d[10]);
        g.height = be16(&d[12]);
        g.deltaX = static_cast<int16_t>(be16(&d[14]));
        if (n > 16) g.data.assign(data + 16, data + n);
        font->second.glyphs[s.characterCode] = std::move(g);
    } else if (auto g = font->second.glyphs.find(s.characterCode); g != font->second.glyphs.end() && n > 2) {
        g->second.data.insert(g->second.data.end(), data + 2, data + n);
    }
    font->second.images.erase(s.characterCode);  // a redefined character is prepared afresh
    return true;
}

bool PrepareGlyphImage(const BitmapGlyph& g, std::vector<uint8_t>& image) {
    size_t w = g.width, h = g.height;
    if (w == 0 || h == 0 || w > kMaxGlyphSide || h > kMaxGlyphSide) return false;
    size_t r = (w + 7) / 8, stride = ((w + 31) / 32) * 4;
    image.assign(stride * h, 0);
    const std::vector<uint8_t>& d = g.data;
    if (g.glyphClass == 1) {
        for (size_t y = 0; y < h && y * r < d.size(); ++y)
            std::memcpy(&image[y * stride], &d[y * r], std::min(r, d.size() - y * r));
        return true;
    }
    if (g.glyphClass != 2) return false;
    size_t at = 0, y = 0;
    while (y < h && at < d.size()) {
        size_t repeat = d[at++];
        uint8_t* row = &image[y * stride];
        size_t x = 0;
        bool black = false;
        while (x < w && at < d.size()) {
            size_t run = d[at++];
            if (run > w - x) return false;  // a run past the row spoils the glyph
            if (black)
                for (size_t i = x; i < x + run; ++i) row[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
            x += run;
            black = !black;
        }
        // The row repeats, but never past the glyph's height.
        for (size_t k = 0; k < repeat && y + 1 + k < h; ++k) std::memcpy(&image[(y + 1 + k) * stride], row, stride);
        y += 1 + repeat;
    }
    return true;
}

std::vector<uint8_t> TurnGlyphImage(const std::vector<uint8_t>& image, int& width, int& height, int turns) {
    turns &= 3;
    if (turns == 0) return image;
    int w = width, h = height, nw = turns == 2 ? w : h, nh = turns == 2 ? h : w;
    size_t stride = (static_cast<size_t>(w) + 31) / 32 * 4, nstride = (static_cast<size_t>(nw) + 31) / 32 * 4;
    std::vector<uint8_t> turned(nstride * static_cast<size_t>(nh), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (!(image[static_cast<size_t>(y) * stride + static_cast<size_t>(x / 8)] & (0x80 >> (x % 8)))) continue;
            // Where the dot goes: a quarter turn counter-clockwise takes the top-right corner to the top-left.
            int nx = turns == 1 ? y : turns == 2 ? w - 1 - x : h - 1 - y;
            int ny = turns == 1 ? w - 1 - x : turns == 2 ? h - 1 - y : x;
            turned[static_cast<size_t>(ny) * nstride + static_cast<size_t>(nx / 8)] |=
                static_cast<uint8_t>(0x80 >> (nx % 8));
        }
    width = nw, height = nh;
    return turned;
}

// A glyph is printed as the printer prints it: its dots at the font's resolution, its reference
// point at the cursor on the baseline, its image placed by its left and top offsets, and the
// cursor moved on by its delta (in quarter dots). Text printed in another direction turns the
// glyph with it.
void DrawBitmapGlyph(uint8_t character) {
    PclPageState& s = Pcl();
    auto font = s.softFonts.find(s.selectedFont);
    if (!s.pageDC || font == s.softFonts.end()) return;
    BitmapFont& f = font->second;
    auto glyph = f.glyphs.find(character);
    if (glyph == f.glyphs.end() || f.xResolution == 0 || f.yResolution == 0) return;
    const BitmapGlyph& g = glyph->second;
    double sx = static_cast<double>(kPageUnitsPerInch) / f.xResolution,
           sy = static_cast<double>(kPageUnitsPerInch) / f.yResolution;
    double left = s.cursorX + g.leftOffset * sx, top = s.cursorY - g.topOffset * sy;
    s.cursorX = std::clamp(s.cursorX + g.deltaX / 4.0 * sx, -kMaxPageReach, kMaxPageReach);
    int turns = s.printDirection / 90 & 3;
    auto cached = f.images.find(character | turns << 8);
    if (cached == f.images.end()) {
        std::vector<uint8_t> image;
        if (!PrepareGlyphImage(g, image)) image.clear();
        int w = g.width, h = g.height;
        if (!image.empty()) image = TurnGlyphImage(image, w, h, turns);
        cached = f.images.emplace(character | turns << 8, std::move(image)).first;
    }
    if (cached->second.empty()) return;
    // The glyph's corners on the page, and the box they span there.
    PagePoint a = PclPagePoint(left, top), b = PclPagePoint(left + g.width * sx, top + g.height * sy);
    auto x0 = static_cast<int>(std::lround(std::min(a.x, b.x))), x1 = static_cast<int>(std::lround(std::max(a.x, b.x)));
    auto y0 = static_cast<int>(std::lround(std::min(a.y, b.y))), y1 = static_cast<int>(std::lround(std::max(a.y, b.y)));
    int w = turns & 1 ? g.height : g.width, h = turns & 1 ? g.width : g.height;
    TwoColourDib bmi = MakeTwoColourDib(w, h, 1);
    TopDownMapping();
    // Black dots take the brush, the others leave the page as it is: PSDPxax, which documents
    // keep as a glyph rather than as an image, with the character it stands for in the font's
    // symbol set told just before it. The brush is the colour or pattern text takes, as the
    // printer's own fonts print; white under a transparent pattern marks nothing.
    if (PclTextInvisible()) return;
    PclTextPaint paint;
    if (char16_t u = FindSymbolSet(f.spec.symbolSet).chars[character]) {
        GlyphComment told{u};
        if (turns == 0) told.originX = -g.leftOffset, told.originY = g.topOffset, told.advance = g.deltaX / 4.0;
        auto comment = GlyphCommentBytes(told);
        GdiComment(s.pageDC, static_cast<UINT>(comment.size()), comment.data());
    }
    StretchDIBits(s.pageDC, x0, y0, x1 - x0, y1 - y0, 0, 0, w, h, cached->second.data(), bmi.info(), DIB_RGB_COLORS,
                  paint.glyphRop());
}
