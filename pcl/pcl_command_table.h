// The PCL5 command table and the control-code names, built once per process
// and looked up by the tokenizer.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum PclCommandKind : int32_t { PclTwoCharacter = 23, PclParameterised = 24, PclWithData = 25 };

// A command's value truncated toward zero, within the int32 range (NaN is 0).
int32_t TruncateToInt32(double v);

// What a command is given when it runs.
struct PclArgs {
    double value = 0;
    bool relative = false;          // the number carried a sign: a move from where the cursor is
    const uint8_t* data = nullptr;  // the data bytes of a command with data
    int32_t count = 0;
    uint8_t parameter = 0;  // '(' for the primary font, ')' for the secondary
    uint8_t terminator = 0;
    // The value truncated toward zero, within the int32 range.
    int32_t Int() const;
};
// Runs a command; false where the command could not be carried out.
using PclHandler = bool (*)(const PclArgs&);

// One row per command: its key, kind, the name the trace gives it, and what runs it
// (none: the command is read and has no effect on the picture).
struct PclCommand {
    char parameter, group, terminator;
    const char* name;
    PclCommandKind kind;
    PclHandler run;
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

    struct Entry {
        signed char parameter;
        const PclCommand* twoCharacter = nullptr;
        std::vector<const PclCommand*> commands;  // sorted by group and terminator
    };
    std::vector<Entry> index;
};

// Builds the tables at the first call; later calls return the same tables.
const PclCommandTable& BuildPclCommandTable();
