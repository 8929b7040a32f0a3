// Downloaded TrueType fonts: the font's global tables and its characters'
// glyph outlines, drawn as filled paths at the cursor.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "pcl_font_spec.h"
#include "truetype_glyph.h"

// Largest outline drawn, and how deep composite glyphs may nest.
constexpr size_t kMaxOutlinePoints = 1024;
constexpr int kMaxCompositeDepth = 8;

struct OutlineCharacter {
    uint16_t glyphId = 0;
    std::vector<uint8_t> data;  // the glyph description
};

struct OutlineFont {
    std::vector<uint8_t> global;  // the "GT" segment: a table directory and its tables
    uint16_t unitsPerEm = 1;
    bool proportional = false;  // sized by the height asked for; a fixed font by the pitch
    PclFontSpec spec;           // from the header
    uint16_t horizontalMetrics = 0;
    std::vector<std::pair<uint16_t, int16_t>> metrics;  // advance width, left side bearing
    std::map<int32_t, OutlineCharacter> characters;
    std::map<uint16_t, int32_t> glyphIds;  // glyph ID to character code
    std::map<int32_t, std::vector<OutlinePoint>> outlines;
};

using OutlineFontMap = std::map<int32_t, OutlineFont>;

// Reads the tables the drawing needs from the global data; false when they are not all there.
bool ReadOutlineTables(OutlineFont& font);
bool DownloadOutlineFontHeader(const uint8_t* data, int32_t length);
bool DownloadOutlineCharacter(const uint8_t* data, int32_t length);
// The outline of a character; empty when it has none.
std::vector<OutlinePoint> DecodeOutline(const OutlineFont& font, int32_t code);
void DrawOutlineGlyph(uint8_t character);
