#include "pcl_outline_fonts.h"

#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

namespace {
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t be32(const uint8_t* p) { return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]; }

// A table of the global data by its tag, bounded by the data.
bool findTable(const std::vector<uint8_t>& g, const char* tag, size_t& offset, size_t& length) {
    if (g.size() < 12) return false;
    size_t tables = be16(&g[4]);
    for (size_t i = 0; i < tables && 12 + i * 16 + 16 <= g.size(); ++i) {
        const uint8_t* e = &g[12 + i * 16];
        if (std::memcmp(e, tag, 4) != 0) continue;
        offset = be32(e + 8);
        length = be32(e + 12);
        if (offset > g.size() || length > g.size() - offset) return false;
        return true;
    }
    return false;
}

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
        if (at + 4 > d.size()) return;
        uint16_t flags = be16(&d[at]), glyph = be16(&d[at + 2]);
        at += 4;
        int32_t ox, oy;
        if (flags & 1) {  // word arguments
            if (at + 4 > d.size()) return;
            ox = static_cast<int16_t>(be16(&d[at]));
            oy = static_cast<int16_t>(be16(&d[at + 2]));
            at += 4;
        } else {
            if (at + 2 > d.size()) return;
            ox = static_cast<int8_t>(d[at]);
            oy = static_cast<int8_t>(d[at + 1]);
            at += 2;
        }
        if (flags & 8) at += 2;            // one scale
        else if (flags & 0x40) at += 4;    // x and y scales
        else if (flags & 0x80) at += 8;    // a 2 x 2 transform
        if (!(flags & 2)) ox = oy = 0;     // point-matching arguments are not offsets
        auto code = font.glyphIds.find(glyph);
        if (code != font.glyphIds.end() && seen.insert(glyph).second) {
            auto ch = font.characters.find(code->second);
            if (ch != font.characters.end()) decodeGlyph(font, ch->second.data, dx + ox, dy + oy, depth + 1, seen, out);
            seen.erase(glyph);
        }
        if (!(flags & 0x20)) return;  // no more components
    }
}
}  // namespace

bool ReadOutlineTables(OutlineFont& f) {
    size_t o, n;
    if (!findTable(f.global, "head", o, n) || n < 54) return false;
    f.unitsPerEm = be16(&f.global[o + 18]);
    if (f.unitsPerEm == 0) f.unitsPerEm = 1;
    if (!findTable(f.global, "hhea", o, n) || n < 36) return false;
    f.horizontalMetrics = be16(&f.global[o + 34]);
    if (!findTable(f.global, "hmtx", o, n)) return false;
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
    HGDIOBJ oldBrush = SelectObject(s.pageDC, GetStockObject(BLACK_BRUSH));
    if (oldBrush && oldBrush != GetStockObject(BLACK_BRUSH) && oldBrush != GetStockObject(WHITE_BRUSH)) DeleteObject(oldBrush);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HGDIOBJ oldPen = SelectObject(s.pageDC, pen);
    TopDownMapping();
    PagePoint origin = PclPagePoint(s.cursorX, s.cursorY);
    auto at = [&](const OutlinePoint& p) {
        return POINT{static_cast<LONG>(std::trunc(p.x * scale + origin.x)), static_cast<LONG>(std::trunc(origin.y - p.y * scale))};
    };
    if (!pts.empty()) {
        BeginPath(s.pageDC);
        AddOutlineFigures(s.pageDC, pts, at);
        EndPath(s.pageDC);
        StrokeAndFillPath(s.pageDC);
    }
    // The glyph's advance width (which already holds its left side bearing).
    auto ch = f.characters.find(character);
    if (ch != f.characters.end() && !f.metrics.empty()) {
        uint16_t id = ch->second.glyphId;
        int32_t advance = id < f.metrics.size() ? f.metrics[id].first : f.metrics.back().first;
        s.cursorX = std::clamp(s.cursorX + std::trunc(advance * scale + 0.5), -1e7, 1e7);
    }
    SelectObject(s.pageDC, oldPen);
    DeleteObject(pen);
}
