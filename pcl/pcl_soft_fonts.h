// Downloaded bitmap fonts: font headers and character definitions stored by
// font ID, and their glyphs drawn as 1-bit images at the cursor.
#pragma once
#include <cstdint>

#include "pcl_font_spec.h"
#include <map>
#include <vector>

// Largest glyph image drawn: 4096 dots a side.
constexpr int kMaxGlyphSide = 4096;

struct BitmapGlyph {
    uint8_t continuation = 0, glyphClass = 1;
    int16_t leftOffset = 0, topOffset = 0, deltaX = 0;
    uint16_t width = 0, height = 0;
    std::vector<uint8_t> data;
};

struct BitmapFont {
    uint8_t headerFormat = 0;
    uint16_t textWidth = 0, xResolution = 300, yResolution = 300;  // dots an inch
    PclFontSpec spec;                                              // from the header
    std::map<int32_t, BitmapGlyph> glyphs;
    // Glyph images prepared at first use, by character and quarter turn; empty: not drawable.
    std::map<int32_t, std::vector<uint8_t>> images;
};

using SoftFontMap = std::map<int32_t, BitmapFont>;

bool DownloadFontHeader(const uint8_t* data, int32_t length);
bool DownloadCharacter(const uint8_t* data, int32_t length);
void DrawBitmapGlyph(uint8_t character);
// The glyph image rows (4-byte aligned) of a glyph; false when it cannot be drawn.
bool PrepareGlyphImage(const BitmapGlyph& g, std::vector<uint8_t>& image);
// A 1-bit image of 4-byte aligned rows turned counter-clockwise by `turns` quarter turns; the
// width and height are those of the image given and become those of the image returned.
std::vector<uint8_t> TurnGlyphImage(const std::vector<uint8_t>& image, int& width, int& height, int turns);
