// Pen motion (PA, PR, PD, PU, PE), symbol mode and the pens of HP-GL/2.
#pragma once
#include "hpgl_params.h"

#include "gdi.h"

#include <string>

// The colour of pen n: PC's when it defined one, else the built-in colour.
COLORREF PenColor(int32_t n);
// Makes the geometric pen of the plot state for `pen` and selects it; a pen
// that cannot be made leaves the one in use.
void RemakePen(int32_t pen);
// A solid pen of the current pen's colour and width with round ends, which labels
// are drawn with whatever line type is in force; null when none can be made.
HPEN CreateLabelPen();

bool HpglPlotAbsolute(const HpglParams& p);
bool HpglPlotRelative(const HpglParams& p);
bool HpglPenDown(const HpglParams& p);
bool HpglPenUp(const HpglParams& p);
bool HpglPolylineEncoded(const std::string& text);
bool HpglSymbolMode(const uint8_t* params, size_t length);
bool HpglSelectPen(const HpglParams& p);
bool HpglNumberOfPens(const HpglParams& p);
bool HpglPenColour(const HpglParams& p);
// CR: the values PC gives for no colour and full colour of each primary.
bool HpglColourRange(const HpglParams& p);
// TL: the tick lengths above and below the axis, in percent of P1-P2; XT and YT draw them.
bool HpglTickLength(const HpglParams& p);
bool HpglTick(const HpglParams& p, bool alongX);
bool HpglPenWidthUnit(const HpglParams& p);
bool HpglPenWidth(const HpglParams& p);
bool HpglLineType(const HpglParams& p);
bool HpglUserLineType(const HpglParams& p);
bool HpglLineAttributes(const HpglParams& p);
