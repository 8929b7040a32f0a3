// Cuts a PCL5 byte stream into escape sequences and HP-GL/2 mnemonics,
// traces each, and hands the recognised ones to the renderer.
#pragma once
#include "hpgl_syntax.h"
#include "pcl_command_table.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

struct PclPageSize;

// The ESC%#B value given for HP-GL/2 that is not entered from a PCL page: a plot file,
// which starts from a plotter's defaults.
constexpr double kHpglPlotFile = -1;

// Where the tokenizer hands what it recognises.
class PclRenderer {
public:
    virtual ~PclRenderer() = default;
    // A command of the table; a command with data gets the data bytes the job
    // still holds, up to the count it gives.
    virtual void Dispatch(const PclCommand& command, const PclArgs& args) = 0;
    virtual void EnterPcl() = 0;
    // ESC%#B with its value, or kHpglPlotFile for a job that is an HP-GL/2 plot file.
    virtual void EnterHpgl(double value) = 0;
    // ESC(#X and ESC)#X, ESC(#@ and ESC)#@, and the symbol sets ESC(#L for any other letter L.
    virtual void SelectFontById(bool secondary, double id) = 0;
    virtual void SelectDefaultFont(bool secondary, int32_t value) = 0;
    virtual void SelectSymbolSet(bool secondary, int32_t number, uint8_t letter) = 0;
    // An HP-GL/2 command with its parameters, their closing ';' or label terminator included;
    // `cut`: the data ended inside them.
    virtual void DispatchHpgl(const char* mnemonic, const uint8_t* params, size_t length, bool cut) = 0;
    virtual void Character(uint8_t byte) = 0;
    // The job's PJL has set the paper or the orientation.
    virtual void PjlSettings(const PclPageSize&) {}
    // A macro definition has begun: the bytes up to its end are handed to MacroDefined.
    virtual bool DefiningMacro() { return false; }
    virtual void MacroDefined(const uint8_t*, size_t) {}
    // True once the pages wanted are finished: reading stops.
    virtual bool Finished() { return false; }
    // Something in the job that could not be read.
    virtual void Problem(const std::string&) {}
};

// The stream being read: the job's bytes, the position, the trace (may be
// null: nothing is traced) and the job's text parsing method.
struct PclStream {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    std::FILE* trace = nullptr;
    int32_t textMethod = 0;
    uint8_t labelTerminator = kHpglDefaultTerminator;
    PclRenderer* renderer = nullptr;
    const PclCommandTable* table = nullptr;
};

// Reads one escape sequence; the position is on the byte after the ESC and
// ends after the sequence.
void ReadEscapeSequence(PclStream& s);
// Traces the text byte at the position; a two-byte character moves the
// position onto its second byte.
void TraceTextByte(PclStream& s);
// Reads HP-GL/2 from the position (the B of ESC%#B) until ESC%#A or the end;
// the position ends on the byte after which PCL5 reading resumes.
// A plot file starts `fromStart`: its first command is at the position itself.
void RunHpglSection(PclStream& s, bool fromStart = false);
