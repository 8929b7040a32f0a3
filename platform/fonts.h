// Font faces for LOGFONTs: face names resolved through fontconfig to
// installed fonts (Liberation for the Windows core fonts), loaded once with
// FreeType, and measured at the size a DC's mapping gives them.
#pragma once
#include "gdi_internal.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

namespace gdi {

struct FontFace {
    FT_Face face = nullptr;
    cairo_font_face_t* cairo = nullptr;
    double unitsPerEm = 2048;
    double ascent = 0, descent = 0;  // Windows ascent and descent, font units
    double avgWidth = 0, maxWidth = 0;
    double underlinePos = 0, underlineThickness = 0, strikePos = 0, strikeThickness = 0;
    bool fixedPitch = false;
    bool symbol = false;
};

// A font selected into a DC, sized in logical units.
struct SizedFont {
    const FontFace* face = nullptr;
    LOGFONTW lf{};
    double emHeight = 0;    // logical y units
    double emWidth = 0;     // logical x units
    double escapement = 0;  // radians, counter-clockwise on the page
    double ascent() const { return face->ascent / face->unitsPerEm * emHeight; }
    double descent() const { return face->descent / face->unitsPerEm * emHeight; }
    // Advance of a character (or glyph index) in logical x units.
    double advance(uint32_t ch, bool glyphIndex) const;
    uint32_t glyph(uint32_t ch, bool glyphIndex) const;
};

const FontFace* ResolveFace(const LOGFONTW& lf);
// A face of the same weight and slant that has a character the font's own face lacks, as
// Windows links fonts for text, and the character's glyph in it; null when none has it.
const FontFace* FallbackFace(const LOGFONTW& lf, uint32_t ch, uint32_t& glyph);
SizedFont SizeFont(const DC& dc);

}  // namespace gdi
