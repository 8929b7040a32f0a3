#include "hpgl_stroke_font.h"

#include <cstddef>
#include <cstdint>

namespace {
struct StrokeFontEntry {
    int16_t width, strokes;
    uint16_t firstLength, firstPoint;  // offsets into the length and point tables
};
#include "hpgl_stroke_font_data.inc"

// The ASCII character that stands for a Latin-1 letter or a common mark.
char16_t plainForm(char16_t c) {
    // U+00C0 to U+00FF: the base letters of the accented ones; 0 where there is none.
    static const char kLatin1[] = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUY\0saaaaaaaceeeeiiiidnooooo/ouuuuy\0y";
    if (c < 127) return c;
    if (c >= 0xC0 && c <= 0xFF) return static_cast<unsigned char>(kLatin1[c - 0xC0]);
    switch (c) {
    case 0xA0: return u' ';
    case 0xAD:
    case 0x2010:
    case 0x2011:
    case 0x2012:
    case 0x2013:
    case 0x2014:
    case 0x2212: return u'-';
    case 0xB7:
    case 0x2022: return u'.';
    case 0x2018:
    case 0x2019:
    case 0xB4: return u'\'';
    case 0x201C:
    case 0x201D: return u'"';
    case 0xD7: return u'x';
    default: return 0;
    }
}
}  // namespace

bool FindStrokeGlyph(char16_t c, StrokeGlyph& glyph) {
    char16_t plain = plainForm(c);
    if (plain < 32 || plain > 126) return false;
    const StrokeFontEntry& g = kStrokeFontEntries[plain - 32];
    glyph.width = g.width;
    glyph.points = kStrokeFontPoints + size_t{g.firstPoint} * 2;
    glyph.lengths = kStrokeFontLengths + g.firstLength;
    glyph.strokes = static_cast<uint16_t>(g.strokes);
    return true;
}
