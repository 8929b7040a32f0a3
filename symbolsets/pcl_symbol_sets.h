// PCL symbol sets: which Unicode character each byte of a text stands for.
#pragma once
#include <cstdint>

struct SymbolSet {
    int32_t id;  // the number times 32 plus the letter's value (A = 1 ... Z = 26)
    const char* name;
    char16_t chars[256];  // 0: the set has no character there
};

constexpr int32_t SymbolSetId(int32_t number, char letter) { return number * 32 + (letter - 64); }
constexpr int32_t kRoman8 = SymbolSetId(8, 'U');
constexpr int32_t kSymbolSet19M = SymbolSetId(19, 'M');
constexpr int32_t kWingdingsSet = SymbolSetId(579, 'L');

// The set of that ID; a set we do not know reads as Roman-8, the printers' default.
const SymbolSet& FindSymbolSet(int32_t id);
// True when we know the set.
bool KnownSymbolSet(int32_t id);
