// Polygon mode, rectangles, wedges, fill types, raster fills and the anchor corner.
#pragma once
#include "hpgl_params.h"

#include "gdi.h"

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
// Deletes the raster fills and the fill brush the plot state owns.
void ReleaseFillBrushes();
