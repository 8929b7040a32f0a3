// HP-GL/2 text: DT, LO, LB, SI, SR and the font commands.
#pragma once
#include "hpgl_params.h"

bool HpglDefineTerminator(const uint8_t* params, size_t length);
bool HpglLabelOrigin(const HpglParams& p);
// DV: the direction characters follow one another in, each upright.
bool HpglTextPath(const HpglParams& p);
bool HpglLabel(const uint8_t* params, size_t length);
// BL keeps a label, which PB prints.
bool HpglBufferLabel(const uint8_t* params, size_t length);
bool HpglPrintBuffer();
// DI (absolute run and rise) and DR (parts of P1-P2).
bool HpglDirection(const HpglParams& p, bool relative);
bool HpglSlant(const HpglParams& p);
bool HpglExtraSpace(const HpglParams& p);
// CP: moves the pen by character cells and lines, or to the next line.
bool HpglCharacterPlot(const HpglParams& p);
bool HpglTransparentData(const HpglParams& p);
// The symbol of symbol mode, centred on the pen, which stays where it is.
void PlotSymbolCharacter(char c);
// SI (absolute, centimetres) and SR (relative, percent of P1-P2).
bool HpglCharacterSize(const HpglParams& p, bool relative);
// SD and AD define the standard and alternate fonts, CS and CA their character
// sets; SS and SA select one.
bool HpglFontCommand(const char* mnemonic, const HpglParams& p);
bool HpglCharacterFill(const HpglParams& p);
