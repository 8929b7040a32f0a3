// How drawing shares out its work.
#pragma once

// The cores drawing may use: every core the machine has, unless set otherwise.
unsigned DrawingCores();
// Sets the cores drawing may use: 1 keeps all drawing on its callers' threads, 0 goes back to
// every core. For measurements and for checking that shared work draws what one thread does.
void SetDrawingCores(unsigned cores);

// Whether large images are drawn in parts (the default): the parts where an image ANDed onto
// the page is white are left out, as they leave the page as it is, and the rest is shared
// between cores. Each pixel comes out as drawing the image in one piece gives it; turned off,
// images are drawn that way, to check the parts against.
bool ImagesInParts();
void SetImagesInParts(bool on);

// Whether shapes and text are drawn with smoothed edges (the default), or pixel by pixel as a
// printer's dots fall.
bool DrawingAntialiased();
void SetDrawingAntialiased(bool on);
