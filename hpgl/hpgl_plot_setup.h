// Starting a plot and its media: IN, DF, PS, the page advances, IR and IW.
#pragma once
#include "hpgl_params.h"

// IN: every setting back to its start value, P1 and P2 on the frame, the pen home.
bool HpglInitialize();
// DF: the settings of drawing and labelling back to their start values; the
// scaling points, rotation, pens and palette stay.
bool HpglDefaultValues();
// PS: a plot file's media, length along x and width along y, in plotter units.
bool HpglPlotSize(const HpglParams& p);
// PG, AF, AH and FR: the next sheet of a plot file.
bool HpglAdvancePage();
// IR: P1 and P2 as percentages of the frame.
bool HpglInputRelative(const HpglParams& p);
// IW: drawing is clipped to a window of user units until IW without parameters.
bool HpglInputWindow(const HpglParams& p);
// Clips the page to IW's window, or lifts the clip when there is none.
void ApplyPlotWindow();
