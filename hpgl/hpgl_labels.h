// HP-GL/2 text: DT, LO, LB, SI, SR and the font commands.
#pragma once
#include "hpgl_params.h"

bool HpglDefineTerminator(const uint8_t* params, size_t length);
bool HpglLabelOrigin(const HpglParams& p);
// DV: the direction characters follow one another in, each upright.
bool HpglTextPath(const HpglParams& p);
bool HpglLabel(const uint8_t* params, size_t length);
// SI (absolute, centimetres) and SR (relative, percent of P1-P2).
bool HpglCharacterSize(const HpglParams& p, bool relative);
// SD and AD define the standard and alternate fonts; SS and SA select one.
bool HpglFontCommand(const char* mnemonic, const HpglParams& p);
