// Sheet sizes of the paper codes ZjStream jobs carry.
#pragma once
#include <cstdint>

// Page size in 1/80 mm for a ZjStream paper code. Drivers send the Windows
// DEVMODE paper codes (1 letter, 5 legal, 9 A4, ...), with a few of the
// LaserJet 1018 and P1102 families' own; 9 and unknown codes give A4.
void ZjsPaperSize(int32_t paperCode, int32_t& width, int32_t& height);
