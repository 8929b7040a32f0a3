// The characteristics a PCL font is chosen by, for the printer's own fonts
// and for downloaded ones alike.
#pragma once
#include "pcl_symbol_sets.h"

#include <cstddef>
#include <cstdint>

struct PclFontSpec {
    int32_t symbolSet = kRoman8;
    int32_t spacing = 0;  // 0 fixed, 1 proportional
    double pitch = 10;    // characters per inch
    double height = 12;   // points
    int32_t style = 0;
    int32_t weight = 0;
    int32_t typeface = 3;  // Courier
    // The codes that print: 0 those from 32 to 127, 1 also those from 160, 2 and 3 every code
    // but the control codes 0, 7 to 15 and 27 (a downloaded font's header says which).
    int32_t fontType = 1;
};

// The characteristics a downloaded font's header gives (zero-filled where it
// stops short); a bitmap font's pitch and height are in dots of `resolution`.
PclFontSpec FontSpecOfHeader(const uint8_t* header, size_t length, int32_t resolution);
