// How many cores drawing shares its work between.
#pragma once

// Every core the machine has, unless set otherwise.
unsigned DrawingCores();
// Sets the cores drawing may use: 1 keeps all drawing on its callers' threads, 0 goes back to
// every core. For measurements and for checking that shared work draws what one thread does.
void SetDrawingCores(unsigned cores);
