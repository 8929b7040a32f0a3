#include "pcl_outline_fonts.h"

#include "glyph_comment.h"
#include "pcl_page_state.h"
#include "pcl_symbol_sets.h"
#include "pcl_text_paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace {
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// Reads a glyph's points; composite glyphs read their components by glyph ID.
void decodeGlyph(const OutlineFont& font, const std::vector<uint8_t>& d, int32_t dx, int32_t dy, int depth,
                 std::set<uint16_t>& seen, std::vector<OutlinePoint>& out) {
    if (d.size() <= 10 || depth > kMaxCompositeDepth) return;
    int16_t contours = static_cast<int16_t>(be16(d.data()));
    if (contours > 0) {
        DecodeSimpleGlyph(d.data(), d.size(), dx, dy, kMaxOutlinePoints, out);
        return;
    }
    size_t at = 10;
    if (contours == 0) return;
    // Composite: components until the last one.
    for (;;) {
        GlyphComponent c;
        if (!ReadGlyphComponent(d.data(), d.size(), at, c)) return;
        uint16_t glyph = c.glyph;
        int32_t ox = c.offsetArguments() ? c.dx : 0,
                oy = c.offsetArguments() ? c.dy : 0;  // point numbers are not offsets
        auto code = font.glyphIds.find(glyph);
        if (code != font.glyphIds.end() && seen.insert(glyph).second) {
            auto ch = font.characters.find(code->second);
            if (ch != font.characters.end()) decodeGlyph(font, ch->second.data, dx + ox, dy + oy, depth + 1, seen, out);
            seen.erase(glyph);
        }
        if (!c.moreFollow()) return;
    }
}
}  // namespace

bool ReadOutlineTables(OutlineFont& f) {
    size_t o, n;
    if (!ReadUnitsPerEm(f.global.data(), f.global.size(), f.unitsPerEm)) return false;
    if (!FindTrueTypeTable(f.global.data(), f.global.size(), "hhea", o, n) || n < 36) return false;
    f.horizontalMetrics = be16(&f.global[o + 34]);
    if (!FindTrueTypeTable(f.global.data(), f.global.size(), "hmtx", o, n)) return false;
    size_t count = std::min<size_t>(f.horizontalMetrics, n / 4);
    f.metrics.clear();
    for (size_t i = 0; i < count; ++i)
        f.metrics.push_back({be16(&f.global[o + i * 4]), static_cast<int16_t>(be16(&f.global[o + i * 4 + 2]))});
    return true;
}

bool DownloadOutlineFontHeader(const uint8_t* data, int32_t length) {
    PclPageState& s = Pcl();
    size_t n = length > 0 ? static_cast<size_t>(length) : 0;
    if (!data || n < 3) return true;
    OutlineFont font;
    font.proportional = n > 13 && data[13] != 0;
    font.spec = FontSpecOfHeader(data, n, 300);
    size_t o = be16(data);
    while (o + 4 <= n) {
        uint16_t id = be16(data + o), size = be16(data + o + 2);
        if (id == 0xFFFF) break;
        if (id == 0x4754) {  // "GT"
            size_t take = std::min<size_t>(size, n - o - 4);
            font.global.assign(data + o + 4, data + o + 4 + take);
            break;
        }
        o += 4 + size;
    }
    ReadOutlineTables(font);
    s.standInFonts.erase(s.fontId);
    s.outlineFonts[s.fontId] = std::move(font);
    SelectFontById(s.fontId);  // a font just downloaded is the one drawn
    return true;
}

bool DownloadOutlineCharacter(const uint8_t* data, int32_t length) {
    PclPageState& s = Pcl();
    auto font = s.outlineFonts.find(s.fontId);
    if (font == s.outlineFonts.end()) return false;
    size_t n = length > 0 ? static_cast<size_t>(length) : 0;
    OutlineFont& f = font->second;
    if (n >= 2 && data[1] == 0) {
        if (n < 3) return true;
        size_t d = data[2];
        if (d + 6 > n) return true;
        OutlineCharacter c;
        size_t size = be16(data + d + 2);
        c.glyphId = be16(data + d + 4);
        c.data.assign(data + d + 6, data + d + 6 + std::min(size, n - d - 6));
        f.glyphIds[c.glyphId] = s.characterCode;
        f.characters[s.characterCode] = std::move(c);
    } else if (auto c = f.characters.find(s.characterCode); c != f.characters.end() && n > 2) {
        c->second.data.insert(c->second.data.end(), data + 2, data + n);
    }
    f.outlines.erase(s.characterCode);  // a redefined character is decoded afresh
    return true;
}

std::vector<OutlinePoint> DecodeOutline(const OutlineFont& font, int32_t code) {
    std::vector<OutlinePoint> out;
    auto c = font.characters.find(code);
    if (c == font.characters.end()) return out;
    std::set<uint16_t> seen{c->second.glyphId};
    decodeGlyph(font, c->second.data, 0, 0, 0, seen, out);
    return out;
}

void DrawOutlineGlyph(uint8_t character) {
    PclPageState& s = Pcl();
    auto font = s.outlineFonts.find(s.selectedFont);
    if (!s.pageDC || font == s.outlineFonts.end()) return;
    OutlineFont& f = font->second;
    auto cached = f.outlines.find(character);
    if (cached == f.outlines.end()) cached = f.outlines.emplace(character, DecodeOutline(f, character)).first;
    const std::vector<OutlinePoint>& pts = cached->second;
    // The font's height is its em: a downloaded scalable font is sized as a printer's own would be.
    double scale = PclFontHeight(f.proportional) / f.unitsPerEm;
    // The outline is filled as the font draws it, by the non-zero rule and with no pen around
    // it (which would make every stem a device pixel heavier), in the colour or pattern text
    // takes.
    HGDIOBJ oldPen = SelectObject(s.pageDC, GetStockObject(NULL_PEN));
    int fillMode = SetPolyFillMode(s.pageDC, WINDING);
    TopDownMapping();
    PclTextPaint paint;
    // The glyph's advance width (which already holds its left side bearing).
    double advance = 0;
    auto ch = f.characters.find(character);
    if (ch != f.characters.end() && !f.metrics.empty()) {
        uint16_t id = ch->second.glyphId;
        advance = std::trunc((id < f.metrics.size() ? f.metrics[id].first : f.metrics.back().first) * scale + 0.5);
    }
    // The outline from the glyph's place on the baseline, in whole page units: every copy of a
    // glyph at one size is the same shape.
    PagePoint place = PclPagePoint(s.cursorX, s.cursorY);
    LONG ox = std::lround(place.x), oy = std::lround(place.y);
    auto at = [&](const OutlinePoint& p) {
        return POINT{ox + static_cast<LONG>(std::lround(p.x * scale)),
                     oy - static_cast<LONG>(std::lround(p.y * scale))};
    };
    if (!pts.empty() && !PclTextInvisible()) {
        // A document reads it as the character its code stands for in the font's symbol set.
        if (char16_t u = paint.patterned() ? 0 : FindSymbolSet(f.spec.symbolSet).chars[character]) {
            auto told =
                GlyphCommentBytes(GlyphComment{u, static_cast<double>(ox), static_cast<double>(oy), advance, true});
            GdiComment(s.pageDC, static_cast<UINT>(told.size()), told.data());
        }
        BeginPath(s.pageDC);
        AddOutlineFigures(s.pageDC, pts, at);
        EndPath(s.pageDC);
        FillPath(s.pageDC);
    }
    s.cursorX = std::clamp(s.cursorX + advance, -kMaxPageReach, kMaxPageReach);
    SelectObject(s.pageDC, oldPen);
    if (fillMode) SetPolyFillMode(s.pageDC, fillMode);
}
