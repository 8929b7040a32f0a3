// CI, AA/AR, AT/RT and BZ/BR.
#pragma once
#include "hpgl_params.h"

bool HpglCircle(const HpglParams& p);
bool HpglArc(const HpglParams& p, bool relative);
bool HpglThreePointArc(const HpglParams& p, bool relative);
bool HpglBezier(const HpglParams& p, bool relative);
