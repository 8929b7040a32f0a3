// The page a plot draws on. The PCL5 converter keeps pages, HP-GL/2 entered from a PCL
// page (ESC%#B) or as a plot file among them; the plotter's code reaches its page
// through these calls alone.
#pragma once
#include "gdi.h"

#include <cstdint>
#include <optional>
#include <vector>

// The open page's DC, or null when none could be opened.
HDC PlotPageDC();
// The same, the page marked as drawn on.
HDC MarkPlotPage();
bool PlotPageMarked();
// Whether the plot was entered from a PCL page rather than being a plot file.
bool PlotInsidePcl();
// The plot frame, in page units, before the plot's rotation.
void PlotFrameSize(int32_t& width, int32_t& height);
// PS: the media of a plot, `length` by `width` plotter units; without a width the sheet
// keeps its height, without either it is A4 upright. On a PCL page with both sides the
// plot becomes a plot file on media of its own.
enum class PlotMedia { Changed, Kept, NotNumbers };
PlotMedia SetPlotMedia(std::optional<double> length, std::optional<double> width);
// PG: a plot file whose page has ink goes on to the next sheet.
void AdvancePlotPage();
// A PCL pattern (ESC*c#P's types 2 to 4 with a shade, hatch or pattern ID) as a packed DIB that
// names the pattern's resolution; empty when there is no such pattern. FT21, FT22 and SV's
// screens paint with these, and so does text in a pattern.
std::vector<uint8_t> PclPatternDib(int32_t type, int32_t id);
