// The PCL5 command table, the control-code names and the HP-GL/2 mnemonic
// table, built once per process and looked up by the tokenizer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum PclCommandKind : int32_t { PclTwoCharacter = 23, PclParameterised = 24, PclWithData = 25 };

struct PclCommand {
    char parameter, group, terminator;
    const char* name;
    int32_t kind;
};

enum HpglKind : int32_t { HpglWithParameters = 151, HpglText = 152, HpglNoParameters = 153, HpglComment = 154,
                          HpglBeginPlot = 155 };

struct HpglMnemonic {
    const char* mnemonic;
    const char* name;
    int32_t kind;
    int32_t syntax;  // 1: parameters run to ';' (PE), 2: text runs to the label terminator (LB)
};

// What a byte after ESC is.
struct PclLookup {
    enum Result { Unknown, TwoCharacter, Parameter } result = Unknown;
    const PclCommand* command = nullptr;  // for TwoCharacter
};

class PclCommandTable {
public:
    PclLookup LookUpFirst(uint8_t c) const;
    const PclCommand* LookUp(uint8_t parameter, uint8_t group, uint8_t terminator) const;
    const char* ControlCodeName(uint8_t code) const;  // null when not a named control code
    const HpglMnemonic* LookUpMnemonic(uint8_t c1, uint8_t c2) const;

    struct Entry {
        signed char parameter;
        const PclCommand* twoCharacter = nullptr;
        std::vector<const PclCommand*> commands;  // sorted by group and terminator
    };
    std::vector<Entry> index;
};

// Builds the tables at the first call; later calls return the same tables.
const PclCommandTable& BuildPclCommandTable();
