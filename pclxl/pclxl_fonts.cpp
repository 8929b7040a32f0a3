// Downloaded fonts: font headers and characters, kept by font name.
#include "pclxl_drawing.h"
#include "pclxl_handlers.h"
#include "pclxl_stream.h"

#include <algorithm>
#include <cstring>

namespace {
// Largest bitmap glyph side in dots, deepest nesting of composite glyphs, most points an outline holds.
constexpr int32_t kMaxGlyphDots = 4096;
constexpr int kMaxComposite = 8;
constexpr size_t kMaxGlyphPoints = 4096;

uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

[[noreturn]] void badData() { throw PclXlError("Error in input datas"); }

std::string fontKey(const std::vector<int32_t>& name) {
    std::string key;
    for (int32_t c : name) key += static_cast<char>(c);
    return key;
}

// Walks the character records in the order ReadChar brought them.
struct RecordWalk {
    const std::vector<std::vector<uint8_t>>& records;
    size_t next = 0;
};

void decodeRecord(RecordWalk& w, PclXlGlyph& g, int depth, int32_t dx, int32_t dy);

// A bitmap character: offsets and size in dots, then rows of whole bytes.
void decodeBitmap(const std::vector<uint8_t>& d, PclXlGlyph& g) {
    if (d.size() < 10) badData();
    const uint8_t* h = d.data();
    int32_t cls = h[1];
    g.left = static_cast<int16_t>(be16(h + 2));
    g.top = static_cast<int16_t>(be16(h + 4));
    g.width = be16(h + 6);
    g.height = be16(h + 8);
    size_t stride = (static_cast<size_t>(g.width) + 7) / 8;
    size_t bytes = stride * static_cast<size_t>(g.height);
    if (cls != 0 || g.width > kMaxGlyphDots || g.height > kMaxGlyphDots || bytes > d.size() - 10) badData();
    size_t padded = (stride + 3) / 4 * 4;
    if (bytes == 0) return;  // a space: no dots
    g.bits.assign(padded * static_cast<size_t>(g.height), 0);
    for (size_t y = 0; y < static_cast<size_t>(g.height); ++y)
        std::memcpy(g.bits.data() + y * padded, h + 10 + y * stride, stride);
}

// A TrueType character: header, skipped fields by class, then its glyph description.
void decodeTrueType(RecordWalk& w, const std::vector<uint8_t>& d, PclXlGlyph& g, int depth, int32_t dx, int32_t dy) {
    if (depth > kMaxComposite || d.size() < 4) badData();
    uint8_t cls = d[1];
    // The size counts from itself to the end of the glyph data.
    size_t end = 2 + size_t{be16(&d[2])};
    if (end > d.size() || end < 4) badData();
    size_t skip = cls == 0 ? 2 : cls == 1 ? 6 : cls == 2 ? 8 : SIZE_MAX;
    if (skip == SIZE_MAX || 4 + skip > end) return;
    if (cls == 1 && depth == 0) g.advance = be16(&d[6]);
    const uint8_t* glyph = &d[4 + skip];
    size_t n = end - (4 + skip);
    if (n < 11) return;
    int16_t contours = static_cast<int16_t>(be16(glyph));
    int16_t box[4] = {static_cast<int16_t>(be16(glyph + 2)), static_cast<int16_t>(be16(glyph + 4)),
                      static_cast<int16_t>(be16(glyph + 6)), static_cast<int16_t>(be16(glyph + 8))};
    if (contours > 0) {
        size_t first = g.outline.size();
        if (!DecodeSimpleGlyph(glyph, n, dx, dy, kMaxGlyphPoints, g.outline)) badData();
        // Points must lie in the header's box. Drivers round the box they write, so a point a
        // little outside it (a sixteenth of its size, at least 8 units) is taken, as printers
        // draw such glyphs; one further out means the data are not a glyph.
        int32_t slack = std::max(8, std::max(box[2] - box[0], box[3] - box[1]) / 16);
        for (size_t i = first; i < g.outline.size(); ++i) {
            int32_t x = g.outline[i].x - dx, y = g.outline[i].y - dy;
            if (x < box[0] - slack || x > box[2] + slack || y < box[1] - slack || y > box[3] + slack) badData();
        }
        return;
    }
    if (contours == 0) return;
    // A composite glyph: its components are the character records that follow.
    for (size_t at = 10;;) {
        GlyphComponent c;
        if (!ReadGlyphComponent(glyph, n, at, c)) return;
        if (c.flags & 0x100) {  // instructions
            if (at + 2 > n) return;
            at += 2 + be16(glyph + at);
        }
        if (c.offsetArguments()) decodeRecord(w, g, depth + 1, dx + c.dx, dy + c.dy);
        if (!c.moreFollow()) return;
    }
}

void decodeRecord(RecordWalk& w, PclXlGlyph& g, int depth, int32_t dx, int32_t dy) {
    if (w.next >= w.records.size()) badData();
    const std::vector<uint8_t>& d = w.records[w.next++];
    // Format 0 is a bitmap character, format 1 a TrueType one.
    if (!d.empty() && d[0] == 0 && depth == 0) decodeBitmap(d, g);
    else decodeTrueType(w, d, g, depth, dx, dy);
}
}  // namespace

void XlBeginFontHeader() {
    PclXlState& s = XlState();
    s.fontHeader.clear();
    s.loadingFont = &s.fonts[fontKey(s.attr.fontName)];
}

void XlReadFontHeader() {
    PclXlState& s = XlState();
    XlReadOperatorData();
    s.fontHeader.insert(s.fontHeader.end(), s.embedded, s.embedded + s.embeddedSize);
}

void XlEndFontHeader() {
    PclXlState& s = XlState();
    PclXlDownloadedFont* font = s.loadingFont;
    s.loadingFont = nullptr;
    const std::vector<uint8_t>& h = s.fontHeader;
    if (!font || h.size() < 8) badData();
    font->symbolSet = be16(&h[2]);
    font->technology = h[4];
    // Segments: a 2-byte name and a 4-byte length, then the data.
    for (size_t at = 8; at + 6 <= h.size();) {
        uint16_t id = be16(&h[at]);
        uint32_t length = be32(&h[at + 2]);
        if (length > h.size() - at - 6) break;
        const uint8_t* data = &h[at + 6];
        if (id == ('B' << 8 | 'R') && length >= 4) {
            font->resolution[0] = std::max<int32_t>(be16(data), 1);
            font->resolution[1] = std::max<int32_t>(be16(data + 2), 1);
        } else if (id == ('G' << 8 | 'T')) {
            uint16_t unitsPerEm = 1;
            if (ReadUnitsPerEm(data, length, unitsPerEm) && unitsPerEm > 1) font->unitsPerEm = unitsPerEm;
        }
        at += 6 + length;
    }
    if (font->technology != 1 && font->technology != 254) throw PclXlError("Unknown font technology");
}

void XlBeginChar() {
    PclXlState& s = XlState();
    s.charRecords.clear();
    s.charCodes.clear();
    s.loadingFont = &s.fonts[fontKey(s.attr.fontName)];
}

void XlReadChar() {
    PclXlState& s = XlState();
    if (!s.loadingFont) return;
    XlReadOperatorData();
    s.charRecords.emplace_back(s.embedded, s.embedded + s.embeddedSize);
    if (s.attr.charCode != 65535) s.charCodes.push_back(s.attr.charCode);
}

void XlEndChar() {
    PclXlState& s = XlState();
    PclXlDownloadedFont* font = s.loadingFont;
    s.loadingFont = nullptr;
    if (!font) return;
    RecordWalk walk{s.charRecords};
    for (int32_t code : s.charCodes) {
        PclXlGlyph g;
        decodeRecord(walk, g, 0, 0, 0);
        font->glyphs[code] = std::move(g);
    }
}

void XlRemoveFont() {
    PclXlState& s = XlState();
    auto it = s.fonts.find(fontKey(s.attr.fontName));
    if (it == s.fonts.end()) return;
    // A font in use stays until it is no longer selected.
    if (s.gs.font == &it->second || s.loadingFont == &it->second) return;
    for (const PclXlGraphicsState& g : s.savedStates)
        if (g.font == &it->second) return;
    s.fonts.erase(it);
}

PclXlDownloadedFont* XlFindFont(const std::vector<int32_t>& name) {
    PclXlState& s = XlState();
    auto it = s.fonts.find(fontKey(name));
    return it == s.fonts.end() ? nullptr : &it->second;
}
