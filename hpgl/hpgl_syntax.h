// Where an HP-GL and HP-GL/2 command ends: the one reading of the language's
// syntax that the detector, the PCL5 reader and the plot's handlers share.
#pragma once
#include <cstddef>
#include <cstdint>

// How a command's parameters are written.
enum class HpglOperands : uint8_t {
    Numbers,         // numbers, commas and blanks, closed by ';' or ended where the next command begins
    NumbersAndText,  // numbers and quoted strings (BP, CO)
    Label,           // text up to the label terminator, which belongs to the command (LB, BL, WD)
    Encoded,         // encoded bytes up to ';' (PE)
    Character,       // one character, unless it is ';', then numbers (DT's mode) and a ';' (DT, SM)
};

struct HpglMnemonicInfo {
    char mnemonic[3];
    const char* name;
    HpglOperands operands;
};

// The command a two-letter mnemonic names, in either case; null for pairs no plotter knows.
const HpglMnemonicInfo* LookUpHpglMnemonic(uint8_t first, uint8_t second);

struct HpglExtent {
    size_t end = 0;    // one past the command's last byte, its closing ';' or label terminator included
    bool cut = false;  // the data ended inside the parameters: text without its end, or a number still open
};

// The extent of the parameters that begin at `from`, right after the mnemonic.
HpglExtent HpglCommandExtent(const HpglMnemonicInfo& command, const uint8_t* data, size_t size, size_t from,
                             uint8_t labelTerminator);

// The label terminator in force after a command with these parameters: IN and DF bring back
// ETX, DT sets its character (DT; brings back ETX).
uint8_t HpglLabelTerminatorAfter(const char* mnemonic, const uint8_t* params, size_t length, uint8_t terminator);

constexpr uint8_t kHpglDefaultTerminator = 3;
