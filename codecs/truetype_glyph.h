// TrueType fonts as printers receive them: tables of the font's global data, the points of
// simple glyphs, the components of composite ones, and outlines drawn as figures of a GDI
// path with their quadratic curves.
#pragma once
#include "gdi.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct OutlinePoint {
    int32_t x, y;
    bool onCurve, contourStart;
};

// A table of a font's global data (a table directory and its tables) by its tag, within
// the data; false when there is none.
bool FindTrueTypeTable(const uint8_t* data, size_t size, const char tag[4], size_t& offset, size_t& length);
// The font's design units per em from its "head" table (0 read as 1); false without one.
bool ReadUnitsPerEm(const uint8_t* data, size_t size, uint16_t& unitsPerEm);

// One component of a composite glyph description, read at `at` (10 for the first) and
// `at` moved past it; false when the description ends first.
struct GlyphComponent {
    uint16_t flags = 0, glyph = 0;
    int32_t dx = 0, dy = 0;  // the arguments: an offset when `offsetArguments`, else point numbers
    bool offsetArguments() const { return flags & 2; }
    bool moreFollow() const { return flags & 0x20; }
};
bool ReadGlyphComponent(const uint8_t* glyph, size_t size, size_t& at, GlyphComponent& component);

// Appends the points of a simple glyph (contour count > 0) moved by (dx, dy);
// false, with nothing appended, when the description ends early or `out`
// would hold more than `maxPoints`.
bool DecodeSimpleGlyph(const uint8_t* d, size_t n, int32_t dx, int32_t dy, size_t maxPoints,
                       std::vector<OutlinePoint>& out);

// Adds the closed contours of an outline to the path open on `dc`; between
// two off-curve points lies an implied on-curve midpoint.
void AddOutlineFigures(HDC dc, const std::vector<OutlinePoint>& pts,
                       const std::function<POINT(const OutlinePoint&)>& at);
