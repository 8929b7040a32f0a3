// The plotter's stick font: characters drawn as strokes of the pen, from the
// Hershey simplex font (cap height 21 units, baseline at 0, x from the left edge).
#pragma once
#include <cstdint>

struct StrokeGlyph {
    int32_t width = 0;  // the advance of a proportional character, in font units
    // The strokes: `strokes` runs of points, `lengths[i]` points each, `points` x,y pairs.
    const int16_t* points = nullptr;
    const uint16_t* lengths = nullptr;
    uint16_t strokes = 0;
};

constexpr double kStrokeCapHeight = 21;
// The width of an average character of the font, in font units: a fixed cell holds one.
constexpr double kStrokeCellWidth = 21;

// The glyph that draws `c`: accented Latin letters draw as their base letter and a
// few typographic marks as their plain counterparts; false when the font has none.
bool FindStrokeGlyph(char16_t c, StrokeGlyph& glyph);
