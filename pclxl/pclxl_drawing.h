// Drawing helpers shared by the PCL XL operators: user space to logical
// units, the page's pen, brush and font, and painting figures.
#pragma once
#include "pclxl_state.h"

#include <cmath>
#include <functional>
#include <string>

// The logical point of a user-space point (the page origin is added) or of a
// point that holds the origin already (the cursor).
POINT XlMapUser(double x, double y);
POINT XlMapCursor(double x, double y);
// The page's world transform: logical units finer than the mapping mode's.
void XlPageFrame(HDC dc);
// A length in user units as logical units along x.
double XlScaleX(double length);
// User units an inch along an axis (0 x, 1 y), from the job's units of measure.
double XlUserUnitsPerInch(int axis);
// Moves the cursor to a user-space point that holds the page origin already.
void XlMoveCursor(double x, double y);

// Selects the pen and brush that the graphics state asks for, making them when they changed.
void XlSelectObjects();
// Selects the object made for `key` into the page: `current` again when its key is `key`
// (unless `selected` says it is in place), else a new one from `make`, deleting the one it replaces.
void XlSelectMade(HGDIOBJ& current, std::string& currentKey, bool selected, const std::string& key,
                  const std::function<HGDIOBJ()>& make);
// Deselects and deletes what XlSelectObjects made; the page is left with stock objects.
void XlReleaseObjects();
// The objects are to be selected anew at the next drawing (after RestoreDC).
void XlObjectsDeselected();
// Puts stock objects back into the page in place of ours, which stay made.
void XlDeselectObjects();

// Paints the path: fill with the brush and/or outline with the pen.
void XlPaintPath(const PclXlPath& path, bool fill, bool stroke);

// The ternary raster operation an image is painted with; with a transparent
// source the white pixels of a bi-level image leave the page as it is.
DWORD XlImageRop(bool biLevel);

// True when attribute `id` was named for the operator now running.
inline bool XlGiven(int id) { return XlState().given.test(static_cast<size_t>(id)); }
// A paint from RGBColor, GrayLevel or NullBrush/NullPen given with the operator; false when none was.
bool XlPaintFromAttributes(PclXlPaint& paint, int nullAttribute);

void XlBeginPage();
void XlEndPage();
void XlEndPageOperator();
