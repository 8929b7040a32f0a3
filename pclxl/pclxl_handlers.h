// The operator handlers, one per PCL XL operator, grouped by file.
#pragma once
#include <cstdint>
#include <vector>

struct PclXlDownloadedFont;

// Paths, shapes and clipping.
void XlNewPath();
void XlCloseSubPath();
void XlPaintPathOperator();
void XlLinePath(bool relative);
void XlBezierPath(bool relative);
void XlRectangle(bool paint);
void XlRoundRectangle(bool paint);
void XlEllipse(bool paint);
void XlArcPath();
void XlChord(bool paint);
void XlPie(bool paint);
void XlSetClipReplace();
void XlSetClipIntersect();
void XlSetClipRectangle();
void XlSetClipToPage();
// Paints a path that was drawn to but not painted, as Text does first.
void XlPaintPendingPath();

// Fonts and text.
void XlBeginFontHeader();
void XlReadFontHeader();
void XlEndFontHeader();
void XlBeginChar();
void XlReadChar();
void XlEndChar();
void XlRemoveFont();
// The downloaded font of that name, if any.
PclXlDownloadedFont* XlFindFont(const std::vector<int32_t>& name);
void XlSetFont();
void XlSetCharScale();
void XlSetCharAngle();
void XlSetCharShear();
void XlSetCharBoldValue();
void XlText();

// Images and raster patterns.
void XlBeginImage();
void XlReadImage();
void XlEndImage();
void XlBeginRastPattern();
void XlReadRastPattern();
void XlEndRastPattern();
