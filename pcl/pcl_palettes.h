// Image configuration and the palettes that give indexed raster pixels their colours.
#pragma once
#include "gdi.h"

#include <cstdint>
#include <map>
#include <vector>

// Palettes hold at most 256 colours.
constexpr int kMaxPaletteBits = 8;

struct PclPalette {
    std::vector<PALETTEENTRY> entries;  // new entries are black
    int32_t encodingMode = 0;
    uint8_t bitsPerIndex = 8;
    uint8_t bitsPerPrimary[3] = {8, 8, 8};
};

using PaletteMap = std::map<int32_t, PclPalette>;

// The palette a configuration of `bits` bits per index starts with: white and
// black for one bit; the eight colours of three bits (red, green, blue in bits
// 0, 1, 2, complemented for CMY) at the start of larger ones, the rest black.
std::vector<PALETTEENTRY> DefaultPalette(int bits, bool cmy);

// The colours indexes stand for now: simple colour's eight, the active palette's, or white and black.
std::vector<PALETTEENTRY> PaletteInForce();

bool ConfigureImageData(const uint8_t* bytes, int32_t count);
bool AssignColourIndex(double value);
bool PaletteControl(int32_t operation);
bool SelectPclPalette(double value);
