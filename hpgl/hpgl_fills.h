// Polygon mode, rectangles, wedges, fill types, raster fills and the anchor corner.
#pragma once
#include "hpgl_params.h"

#include "gdi.h"

#include <optional>
#include <vector>

using PlotFigures = std::vector<std::vector<POINT>>;

// Fills closed figures (page units) with the fill type of the plot state.
void FillFigures(const PlotFigures& figures, int fillMode);
// Draws the outlines of closed figures with the current pen.
// Figures flagged in `open` are drawn without their closing edge.
void StrokeFigures(const PlotFigures& figures, const std::vector<bool>* open = nullptr);

bool HpglPolygonMode(const HpglParams& p);
bool HpglEdgePolygon();
bool HpglFillPolygon(const HpglParams& p);
bool HpglRectangle(const HpglParams& p, bool relative, bool filled);
bool HpglWedge(const HpglParams& p, bool filled);
bool HpglFillType(const HpglParams& p);
bool HpglUserFill(const HpglParams& p);
bool HpglRasterFill(const HpglParams& p);
bool HpglAnchorCorner(const HpglParams& p);
bool HpglScreenedVectors(const HpglParams& p);
// Deletes the raster fills and the fill brush the plot state owns.
void ReleaseFillBrushes();

// How a fill type paints, with its option (FT's 1, 2, 10, 11 and 21, 22, which SV's screens
// share): the current pen's colour, shaded, or a packed DIB tiling the page in its own colours.
struct PlotPaint {
    COLORREF colour = 0;
    std::vector<uint8_t> pattern;
    bool invisible = false;  // a pattern the job never defined: nothing is painted
};
PlotPaint PaintOf(int32_t type, int32_t option);
// A brush of the current fill type (hatching fills solid here), or null where it paints
// nothing; the caller deletes it.
HBRUSH CreateFillTypeBrush();
// SV's screen for the pen's lines; none while they are solid in the pen's colour.
std::optional<PlotPaint> VectorScreen();
// Whether that screen is a pattern, found without making it: each line drawn asks.
bool VectorsScreenedWithPattern();
