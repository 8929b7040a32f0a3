// Recognises plots written in HP-GL or HP-GL/2 for a plotter: the commands
// of CAD programs, plotter drivers and instruments in every dialect they use
// (with or without ';', spaces between parameters, one command a line, lower
// case), and nothing that merely looks like text.
#pragma once
#include <cstddef>
#include <cstdint>

// True when a plot's commands begin at `data`: an opening command and enough
// further commands, with numbers or separators, that no prose or table could
// pass. Reads at most `size` bytes.
bool BeginsHpglPlot(const uint8_t* data, size_t size);
