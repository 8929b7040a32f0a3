// Where HP-GL/2 strokes go: onto the page, or into the polygon buffer while
// polygon mode is on. Positions are page units.
#pragma once
#include "gdi.h"
#include "hpgl_params.h"

#include <vector>

// The page DC, or null when no page could be opened: handlers then draw nothing.
HDC PlotDC();
// The page DC for a call that puts ink on the page, which then counts as marked; the DC
// mixes ink and page as MC and TR say, for a fill pattern's pixels when `patternFill`.
HDC PlotInkDC(bool patternFill);
// The same for the pen's lines, whose pixels are a pattern's where SV screens them with one.
HDC PlotInkDC();
// MC and TR.
bool HpglMergeControl(const HpglParams& p);
bool HpglTransparencyMode(const HpglParams& p);
void PlotMoveTo(int32_t x, int32_t y);
void PlotLineTo(int32_t x, int32_t y);
// Makes (x, y) the pen position, drawing to it when `down`.
void PenTo(int32_t x, int32_t y, bool down);
// A run of Bezier control points after the current position (whole triples
// only); the pen ends on the last point drawn.
void PlotBezierTo(const std::vector<POINT>& points);
// An arc about (cx, cy) from the current pen position to (x1, y1), `sweep`
// degrees (positive counter-clockwise); the pen ends at (x1, y1).
void PlotArcTo(int32_t cx, int32_t cy, double radius, double startAngle, double sweep, int32_t x1, int32_t y1);
// The points of an arc about (cx, cy) from `start` through `sweep` radians, both
// ends included, at most `stepDegrees` apart and in at least `minSteps` steps.
std::vector<POINT> ArcPoints(double cx, double cy, double r, double start, double sweep, double stepDegrees,
                             int minSteps);
// A whole circle about (cx, cy); the pen position does not change.
void PlotCircle(int32_t cx, int32_t cy, int32_t r);
// The symbol of symbol mode, centred on the current position.
void PlotSymbol();
// Selects `brush` for one drawing call and puts the previous brush back.
struct BrushScope {
    HDC dc;
    HGDIOBJ previous;
    BrushScope(HDC d, HBRUSH b) : dc(d), previous(d && b ? SelectObject(d, b) : nullptr) {}
    ~BrushScope() {
        if (previous) SelectObject(dc, previous);
    }
    BrushScope(const BrushScope&) = delete;
    BrushScope& operator=(const BrushScope&) = delete;
};
