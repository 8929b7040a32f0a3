#include "hpgl_syntax.h"

#include <array>
#include <cstring>

namespace {
constexpr HpglOperands N = HpglOperands::Numbers, Q = HpglOperands::NumbersAndText, L = HpglOperands::Label,
                       E = HpglOperands::Encoded, C = HpglOperands::Character;

// HP-GL/2 with its RTL and palette extensions, and the commands of classic HP-GL
// plotters (7475A, 7550A, DraftMaster) that HP-GL/2 dropped; in alphabetical order.
constexpr HpglMnemonicInfo kMnemonics[] = {
    {"AA", "Arc Absolute", N},
    {"AC", "Anchor Corner", N},
    {"AD", "Alternate Font Definition", N},
    {"AF", "Advance Full Page", N},
    {"AH", "Advance Half Page", N},
    {"AP", "Automatic Pen Operations", N},
    {"AR", "Arc Relative", N},
    {"AS", "Acceleration Select", N},
    {"AT", "Absolute Arc Three Point", N},
    {"BF", "Buffer Plot", N},
    {"BL", "Buffer Label", L},
    {"BP", "Begin Plot", Q},
    {"BR", "Bezier Relative", N},
    {"BZ", "Bezier Absolute", N},
    {"CA", "Designate Alternate Character Set", N},
    {"CC", "Character Chord Angle", N},
    {"CF", "Character Fill Mode", N},
    {"CI", "Circle", N},
    {"CM", "Character Selection Mode", N},
    {"CO", "Comment", Q},
    {"CP", "Character Plot", N},
    {"CR", "Color Range", N},
    {"CS", "Designate Standard Character Set", N},
    {"CT", "Chord Tolerance Mode", N},
    {"CV", "Curved Line Generator", N},
    {"DC", "Digitize Clear", N},
    {"DF", "Default Values", N},
    {"DI", "Absolute Direction", N},
    {"DL", "Define Downloadable Character", N},
    {"DP", "Digitize Point", N},
    {"DR", "Relative Direction", N},
    {"DS", "Designate Character Set into Slot", N},
    {"DT", "Define Label Terminator", C},
    {"DV", "Define Variable Text Path", N},
    {"EA", "Edge Rectangle Absolute", N},
    {"EC", "Enable Cutter", N},
    {"EP", "Edge Polygon", N},
    {"ER", "Edge Rectangle Relative", N},
    {"ES", "Extra Space", N},
    {"EW", "Edge Wedge", N},
    {"FI", "Select Primary Font", N},
    {"FN", "Select Secondary Font", N},
    {"FP", "Fill Polygon", N},
    {"FR", "Frame Advance", N},
    {"FS", "Force Select", N},
    {"FT", "Fill Type", N},
    {"GC", "Group Count", N},
    {"GM", "Graphics Memory", N},
    {"IM", "Input Mask", N},
    {"IN", "Initialize", N},
    {"IP", "Input P1 and P2", N},
    {"IR", "Input Relative P1 and P2", N},
    {"IV", "Invoke Character Slot", N},
    {"IW", "Input Window", N},
    {"KY", "Define Key", N},
    {"LA", "Line Attributes", N},
    {"LB", "Label", L},
    {"LM", "Label Mode", N},
    {"LO", "Label Origin", N},
    {"LT", "Line Type", N},
    {"MC", "Merge Control", N},
    {"MG", "Message", Q},
    {"MT", "Media Type", N},
    {"NP", "Number Of Pens", N},
    {"NR", "Not Ready", N},
    {"OA", "Output Actual Position", N},
    {"OC", "Output Commanded Position", N},
    {"OD", "Output Digitized Point", N},
    {"OE", "Output Error", N},
    {"OF", "Output Factors", N},
    {"OG", "Output Group Count", N},
    {"OH", "Output Hard-Clip Limits", N},
    {"OI", "Output Identification", N},
    {"OK", "Output Key", N},
    {"OL", "Output Label Length", N},
    {"OO", "Output Options", N},
    {"OP", "Output P1 and P2", N},
    {"OS", "Output Status", N},
    {"OT", "Output Carousel Type", N},
    {"OW", "Output Window", N},
    {"PA", "Plot Absolute", N},
    {"PB", "Print Buffered Label", N},
    {"PC", "Pen Color", N},
    {"PD", "Pen Down", N},
    {"PE", "Polyline Encoded", E},
    {"PG", "Advance Full Page", N},
    {"PM", "Polygon Mode Command", N},
    {"PP", "Pixel Placement", N},
    {"PR", "Plot Relative", N},
    {"PS", "Plot Size", N},
    {"PT", "Pen Thickness", N},
    {"PU", "Pen Up", N},
    {"PW", "Pen Width", N},
    {"QL", "Quality Level", N},
    {"RA", "Fill Rectangle Absolute", N},
    {"RF", "Raster Fill Definition", N},
    {"RO", "Rotate Coordinate System", N},
    {"RP", "Replot", N},
    {"RQ", "RQ command(undoc)", N},
    {"RR", "Fill Rectangle Relative", N},
    {"RT", "Relative Arc Three Point", N},
    {"SA", "Select Alternate Font", N},
    {"SB", "Scalable or Bitmap Fonts", N},
    {"SC", "Scale", N},
    {"SD", "Standard Font Definition", N},
    {"SG", "Select Pen Group", N},
    {"SI", "Absolute Character Size", N},
    {"SL", "Character Slant", N},
    {"SM", "Symbol Mode", C},
    {"SP", "Select Pen", N},
    {"SR", "Relative Character Size", N},
    {"SS", "Select Standard Font", N},
    {"ST", "Sort", N},
    {"SV", "Screened Vectors", N},
    {"TD", "Transparent Data", N},
    {"TL", "Tick Length", N},
    {"TR", "Transparency Mode", N},
    {"UC", "User-Defined Character", N},
    {"UF", "User-Defined Fill Type", N},
    {"UL", "User-Defined Line Type", N},
    {"VA", "Adaptive Velocity", N},
    {"VN", "Normal Velocity", N},
    {"VS", "Velocity Select", N},
    {"WD", "Write to Display", L},
    {"WG", "Fill Wedge", N},
    {"WU", "Pen Width Unit Selection", N},
    {"XT", "X-Tick", N},
    {"YT", "Y-Tick", N},
};

constexpr size_t kPairs = 26 * 26;
constexpr size_t kNone = 0xFF;
static_assert(std::size(kMnemonics) < kNone);

constexpr std::array<uint8_t, kPairs> makeIndex() {
    std::array<uint8_t, kPairs> index{};
    for (uint8_t& i : index) i = kNone;
    for (size_t i = 0; i < std::size(kMnemonics); ++i)
        index[static_cast<size_t>(kMnemonics[i].mnemonic[0] - 'A') * 26 + (kMnemonics[i].mnemonic[1] - 'A')] =
            static_cast<uint8_t>(i);
    return index;
}
constexpr std::array<uint8_t, kPairs> kIndex = makeIndex();

constexpr uint8_t ESC = 0x1B;

int letter(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a';
    return -1;
}
bool numberByte(uint8_t c) {
    return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == ',' || c == ' ' || c == '\t';
}
}  // namespace

const HpglMnemonicInfo* LookUpHpglMnemonic(uint8_t first, uint8_t second) {
    int a = letter(first), b = letter(second);
    if (a < 0 || b < 0) return nullptr;
    uint8_t i = kIndex[static_cast<size_t>(a) * 26 + static_cast<size_t>(b)];
    return i == kNone ? nullptr : &kMnemonics[i];
}

HpglExtent HpglCommandExtent(const HpglMnemonicInfo& command, const uint8_t* data, size_t size, size_t from,
                             uint8_t labelTerminator) {
    HpglExtent e;
    size_t p = from < size ? from : size;
    // Text up to a closing byte, which belongs to the command; `stopAtEscape` leaves an escape
    // sequence for the reader (PE's bytes never include ESC).
    auto through = [&](uint8_t close, bool stopAtEscape) {
        for (; p < size; ++p) {
            if (data[p] == close) return ++p, true;
            if (stopAtEscape && data[p] == ESC) return true;
        }
        e.cut = true;
        return false;
    };
    // Numbers and, where the command takes them, quoted strings; then the ';' that closes the list.
    auto numbers = [&](bool quoted) {
        while (p < size) {
            if (numberByte(data[p])) {
                ++p;
            } else if (quoted && data[p] == '"') {
                ++p;
                if (!through('"', false)) return;
            } else {
                break;
            }
        }
        if (p < size && data[p] == ';') ++p;
        else if (p >= size && p > from) e.cut = true;
    };
    switch (command.operands) {
    case HpglOperands::Numbers: numbers(false); break;
    case HpglOperands::NumbersAndText: numbers(true); break;
    case HpglOperands::Label: through(labelTerminator, false); break;
    case HpglOperands::Encoded: through(';', true); break;
    case HpglOperands::Character:
        if (p < size && data[p] == ';') {
            ++p;
        } else if (p < size && data[p] != ESC) {
            ++p;
            numbers(false);
        }
        break;
    }
    e.end = p;
    return e;
}

uint8_t HpglLabelTerminatorAfter(const char* mnemonic, const uint8_t* params, size_t length, uint8_t terminator) {
    if (std::strcmp(mnemonic, "IN") == 0 || std::strcmp(mnemonic, "DF") == 0) return kHpglDefaultTerminator;
    if (std::strcmp(mnemonic, "DT") != 0) return terminator;
    return length > 0 && params[0] != ';' ? params[0] : kHpglDefaultTerminator;
}
