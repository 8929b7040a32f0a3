// TrueType glyph descriptions: the points of simple glyphs, and outlines
// drawn as figures of a GDI path with their quadratic curves.
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

// Appends the points of a simple glyph (contour count > 0) moved by (dx, dy);
// false, with nothing appended, when the description ends early or `out`
// would hold more than `maxPoints`.
bool DecodeSimpleGlyph(const uint8_t* d, size_t n, int32_t dx, int32_t dy, size_t maxPoints,
                       std::vector<OutlinePoint>& out);

// Adds the closed contours of an outline to the path open on `dc`; between
// two off-curve points lies an implied on-curve midpoint.
void AddOutlineFigures(HDC dc, const std::vector<OutlinePoint>& pts, const std::function<POINT(const OutlinePoint&)>& at);
