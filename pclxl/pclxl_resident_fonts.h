// The printer-resident fonts a PCL XL job names ("TimesNewRmn   Bd", "CGTimesBdIt",
// "Helvetica-Oblique"), as the installed face, weight and style that stand in for them.
#pragma once
#include "gdi.h"

#include <string>

struct PclXlResidentFace {
    std::string face;  // a face name Windows and our font layer both resolve
    LONG weight = FW_NORMAL;
    bool italic = false;
    BYTE pitchAndFamily = DEFAULT_PITCH;
};

// A name of no known family keeps its own face name, its style still read from its ending.
PclXlResidentFace XlResidentFace(const std::string& name);
