// Plotter and user units to page units, P1/P2, SC and RO.
#pragma once
#include "gdi.h"
#include "hpgl_params.h"

#include <cstdint>

// Page coordinates stay within ±125 m whatever a plot asks for.
constexpr int32_t kMaxPlotCoordinate = 10000000;

enum class PlotAxis { X, Y };

// A page coordinate truncated toward zero and held within ±kMaxPlotCoordinate (0 for NaN).
int32_t PageCoordinate(double v);

// An absolute point in user units (plotter units with scaling off) to page units.
void ScalePoint(double x, double y, int32_t& outX, int32_t& outY);
// One displacement component (a relative move, a radius) to page units.
int32_t ScaleDisplacement(double v, PlotAxis axis);
// The current position plus a relative pair, in page units.
void RelativePoint(double dx, double dy, int32_t& outX, int32_t& outY);
// RO's turn about the plot's frame, from the pen's page units to the frame's.
XFORM PlotRotation();
// Turns the page DC's world transform to the plot's rotation, keeping the plot on its frame.
void ApplyPlotRotation();

bool HpglInputP1P2(const HpglParams& p);
bool HpglScale(const HpglParams& p);
bool HpglRotate(const HpglParams& p);
