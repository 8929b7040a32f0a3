#include "pcl_command_table.h"

#include <algorithm>
#include <iterator>

namespace {
// In the order of the command list; the first of two rows with one key wins.
const PclCommand kPclCommands[] = {
    {'%', '-', 'X', "UEL Command", 24},
    {'E', 0, 0, "Printer Reset", 23},
    {'&', 'l', 'X', "Number Of Copies", 24},
    {'&', 'l', 'S', "Simplex/Duplex Print", 24},
    {'&', 'l', 'U', "Left Offset Register", 24},
    {'&', 'l', 'Z', "Top Offset Register", 24},
    {'&', 'a', 'G', "Duplex Page Side Selection", 24},
    {'&', 'l', 'T', "Job Separation", 24},
    {'&', 'l', 'T', "Output Bin Selection", 24},
    {'&', 'u', 'D', "Unit Of Measure", 24},
    {'&', 'l', 'A', "Page Size", 24},
    {'&', 'l', 'H', "Paper Source", 24},
    {'&', 'l', 'O', "Logical Page Orientation", 24},
    {'&', 'a', 'P', "Top Offset Register", 24},
    {'&', 'a', 'L', "Left Margin", 24},
    {'&', 'a', 'M', "Right Margin", 24},
    {'9', 0, 0, "Clear Horizontal Margins", 23},
    {'&', 'l', 'E', "Top Margin", 24},
    {'&', 'l', 'F', "Text Length", 24},
    {'&', 'l', 'L', "Perforation Skip", 24},
    {'&', 'k', 'H', "Horizontal Motion Index", 24},
    {'&', 'l', 'C', "Vertical Motion Index", 24},
    {'&', 'l', 'D', "Line Spacing", 24},
    {'&', 'a', 'C', "Horizontal Cursor Position(Columns)", 24},
    {'&', 'a', 'H', "Horizontal Cursor Position(DeciPt)", 24},
    {'*', 'p', 'X', "Horizontal Cursor Position(PCL)", 24},
    {'&', 'a', 'R', "Vertical Cursor Position(Row)", 24},
    {'&', 'a', 'V', "Vertical Cursor Position(DeciPt)", 24},
    {'*', 'p', 'Y', "Vertical Cursor Position(PCL)", 24},
    {'&', 'k', 'G', "Line Termination", 24},
    {'&', 'f', 'S', "Push/Pop Cursor Position", 24},
    {'(', 's', 'P', "Spacing Primary", 24},
    {')', 's', 'P', "Spacing Secondary", 24},
    {'(', 's', 'H', "Pitch Primary", 24},
    {')', 's', 'H', "Pitch Secondary", 24},
    {'(', 's', 'V', "Height Primary", 24},
    {')', 's', 'V', "Height Secondary", 24},
    {'(', 's', 'S', "Style Primary", 24},
    {')', 's', 'S', "Style Secondary", 24},
    {'(', 's', 'B', "Stroke Weight Primary", 24},
    {')', 's', 'B', "Stroke Weight Secondary", 24},
    {'(', 's', 'T', "Typeface Family Primary", 24},
    {')', 's', 'T', "Typeface Family Secondary", 24},
    {'&', 'p', 'X', "Transparent Print Data", 25},
    {'&', 'd', 'D', "Enable Underline", 24},
    {'&', 'd', '@', "Disable Underline", 24},
    {'*', 'c', 'D', "Font ID", 24},
    {'*', 'c', 'F', "Font Control", 24},
    {'*', 'c', 'R', "User-Defined Symbol Set ID", 24},
    {'(', 'f', 'W', "User-Defined Define Symbol Set", 25},
    {'*', 'c', 'S', "User-Defined Symbol Set Control", 24},
    {')', 's', 'W', "Font Header", 25},
    {'*', 'c', 'E', "Character Code", 24},
    {'(', 's', 'W', "Character Definition", 25},
    {'&', 'f', 'Y', "Macro ID", 24},
    {'&', 'f', 'X', "Macro Control", 24},
    {'*', 'v', 'N', "Source Transparency Mode", 24},
    {'*', 'v', 'O', "Pattern Transparency Mode", 24},
    {'*', 'c', 'G', "Pattern ID", 24},
    {'*', 'v', 'T', "Select Current Pattern", 24},
    {'*', 'c', 'W', "User-Defined Pattern", 25},
    {'*', 'p', 'R', "Set Pattern Reference Point", 24},
    {'*', 'c', 'Q', "Pattern Control", 24},
    {'*', 'c', 'H', "Horizontal Rectangle Size(Dec)", 24},
    {'*', 'c', 'A', "Horizontal Rectangle Size(PCL)", 24},
    {'*', 'c', 'V', "Vertical Rectangle Size(Dec)", 24},
    {'*', 'c', 'B', "Vertical Rectangle Size(PCL)", 24},
    {'*', 'c', 'P', "Fill Rect Area", 24},
    {'*', 't', 'R', "Raster Graphics Resolution", 24},
    {'*', 'r', 'F', "Raster Graphics Presentation Mode", 24},
    {'*', 'r', 'T', "Raster Height", 24},
    {'*', 'r', 'S', "Raster Width", 24},
    {'*', 'r', 'A', "Start Raster Graphics", 24},
    {'*', 'b', 'Y', "Raster Y Offset", 24},
    {'*', 'b', 'M', "Set Compression Method", 24},
    {'*', 'b', 'W', "Transfer Raster Data By Row", 25},
    {'*', 'b', 'V', "Transfer Raster Data By Plane", 25},
    {'*', 'r', 'C', "End Raster Graphics", 24},
    {'*', 'r', 'B', "End Raster Graphics(Old Version)", 24},
    {'*', 's', 'T', "Set Status Reedback Location Type", 24},
    {'*', 's', 'U', "Set Status Reedback Location Unit", 24},
    {'*', 's', 'I', "Inquire Status Reedback Entity", 24},
    {'*', 's', 'M', "Free Spase", 24},
    {'&', 'r', 'F', "Flush All Pages", 24},
    {'*', 's', 'X', "Echo", 24},
    {'*', 'c', 'X', "Horizontal Picture Frame", 24},
    {'*', 'c', 'Y', "Vertical Picture Frame", 24},
    {'*', 'c', 'T', "Set Picture Frame Anchor", 24},
    {'*', 'c', 'K', "HP-GL2 Plot Horizontal Size", 24},
    {'*', 'c', 'L', "HP-GL2 Plot Vertical Size", 24},
    {'&', 's', 'C', "End-of-Line Wrap", 24},
    {'=', 0, 0, "Half Line Feed", 23},
    {'Y', 0, 0, "Enables Display Functions Mode", 23},
    {'Z', 0, 0, "Disables Display Functions Mode", 23},
    {'*', 'r', 'U', "Simple Color", 24},
    {'*', 'v', 'S', "Foreground Color", 24},
    {'*', 'v', 'W', "Configure Image Data", 25},
    {'*', 'p', 'P', "Push/Pop Palette", 24},
    {'&', 'p', 'S', "Select Palette", 24},
    {'&', 'p', 'I', "Palette Control ID", 24},
    {'&', 'p', 'C', "Palette Control", 24},
    {'*', 'v', 'A', "Color Component One", 24},
    {'*', 'v', 'B', "Color Component Two", 24},
    {'*', 'v', 'C', "Color Component Three", 24},
    {'*', 'v', 'I', "Assign Color Index", 24},
    {'*', 't', 'J', "Render Algorithm", 24},
    {'*', 'm', 'W', "Download Dither Matrix", 25},
    {'*', 'l', 'W', "Color Lookup Tables", 25},
    {'*', 't', 'I', "Gamma Correction", 24},
    {'*', 'i', 'W', "Viewing Illuminant", 25},
    {'&', 'b', 'M', "Monochrome Print Mode", 24},
    {'*', 'o', 'W', "Driver Configuration", 25},
    {'*', 'l', 'O', "Logical Operation", 24},
    {'*', 'l', 'R', "Pixel Placement", 24},
    {'*', 't', 'H', "Destination Raster Width", 24},
    {'*', 't', 'V', "Destination Raster Heigth", 24},
    {'*', 't', 'K', "Scale Algorithm", 24},
    {'&', 'a', 'h', "Move CAP Horizontal(DeciPt)", 24},
    {'&', 'a', 'n', "Negative Motion", 24},
    {'&', 'a', 'N', "Negative Motion(DeciPt)", 24},
    {'&', 'b', 'W', "Configuration Command (AppleTalk)", 25},
    {'*', 'b', 'l', "Raster Line Path", 24},
    {'*', 'b', 'L', "Raster Line Path(DeciPt)", 24},
    {'*', 'b', 'm', "Set Compression Method(RTL)", 24},
    {'*', 'b', 'y', "Raster Y Offset(RTL)", 24},
    {'*', 'c', 'g', "Pattern ID(RTL)", 24},
    {'*', 'c', 'q', "Pattern Control(RTL)", 24},
    {'*', 'g', 'W', "Configure Raster Data", 25},
    {'*', 'l', 'o', "Logical Operation(RTL)", 24},
    {'*', 'p', 'p', "Push/Pop Palette(RTL)", 24},
    {'*', 'p', 'r', "Set Pattern Reference Point(RTL)", 24},
    {'*', 'p', 'x', "Horizontal Cursor Position(RTL)", 24},
    {'*', 'p', 'y', "Vertical Cursor Position(RTL)", 24},
    {'*', 'r', 'a', "Start Raster Graphics(RTL)", 24},
    {'*', 'r', 's', "Source Raster Width", 24},
    {'*', 'r', 't', "Source Raster Height", 24},
    {'*', 'r', 'u', "Simple Color(RTL)", 24},
    {'*', 't', 'h', "Destination Raster Width(RTL)", 24},
    {'*', 't', 'j', "Render Algorithm(RTL)", 24},
    {'*', 't', 'b', "Raster Graphics Resolution(RTL)", 24},
    {'*', 't', 'v', "Destination Raster Heigth(RTL)", 24},
    {'*', 'v', 'a', "Set Red Parameter", 24},
    {'*', 'v', 'b', "Set Green Parameter", 24},
    {'*', 'v', 'c', "Set Blue Parameter", 24},
    {'*', 'v', 'i', "Assign Color Index(RTL)", 24},
    {'*', 'v', 'n', "Source Transparency Mode(RTL)", 24},
    {'*', 'v', 'o', "Pattern Transparency Mode(RTL)", 24},
    {'*', 'v', 's', "Foreground Color(RTL)", 24},
    {'*', 'v', 't', "Select Current Pattern(RTL)", 24},
    {'*', 'o', 'M', "Print Quality", 24},
    {'*', 'o', 'Q', "Print Quality B", 24},
    {'&', 'l', 'M', "Media Type", 24},
    {'&', 'n', 'W', "Select Paper Source(undoc)", 25},
};

struct ControlCode {
    uint8_t code;
    const char* name;
};
// Ordered by code.
const ControlCode kControlCodes[] = {
    {0, "NULL"}, {9, "Horizontal Tab"}, {10, "Line Feed"}, {11, "Vertical Tab"}, {12, "Form Feed"},
    {13, "Carriage return"},
};

const HpglMnemonic kHpglMnemonics[] = {
    {"CO", "Comment", 154, 0},
    {"DF", "Default Values", 153, 0},
    {"IN", "Initialize", 153, 0},
    {"IP", "Input P1 and P2", 151, 0},
    {"IR", "Input Relative P1 and P2", 151, 0},
    {"IW", "Input Window", 151, 0},
    {"PG", "Advance Full Page", 153, 0},
    {"RO", "Rotate Coordinate System", 151, 0},
    {"RP", "Replot", 151, 0},
    {"RO", "Rotate Coordinate System", 151, 0},
    {"SC", "Scale", 151, 0},
    {"AA", "Arc Absolute", 151, 0},
    {"AR", "Arc Relative", 151, 0},
    {"AT", "Absolute Arc Three Point", 151, 0},
    {"BR", "Bezier Relative", 151, 0},
    {"BZ", "Bezier Absolute", 151, 0},
    {"CI", "Circle", 151, 0},
    {"PA", "Plot Absolute", 151, 0},
    {"PD", "Pen Down", 151, 0},
    {"PE", "Polyline Encoded", 151, 1},
    {"PR", "Plot Relative", 151, 0},
    {"PU", "Pen Up", 151, 0},
    {"RT", "Relative Arc Three Point", 151, 0},
    {"EA", "Edge Rectangle Absolute", 151, 0},
    {"EP", "Edge Polygon", 153, 0},
    {"ER", "Edge Rectangle Relative", 151, 0},
    {"EW", "Edge Wedge", 151, 0},
    {"FP", "Fill Polygon", 151, 0},
    {"PM", "Polygon Mode Command", 151, 0},
    {"RA", "Fill Rectangle Absolute", 151, 0},
    {"RR", "Fill Rectangle Relative", 151, 0},
    {"WG", "Fill Wedge", 151, 0},
    {"AD", "Alternate Font Definition", 151, 0},
    {"CF", "Character Fill Mode", 151, 0},
    {"CP", "Character Plot", 151, 0},
    {"DI", "Absolute Direction", 151, 0},
    {"DR", "Relative Direction", 151, 0},
    {"DT", "Define Label Terminator", 152, 0},
    {"DV", "Define Variable Text Path", 151, 0},
    {"ES", "Extra Space", 151, 0},
    {"FI", "Select Primary Font", 151, 0},
    {"FN", "Select Secondary Font", 151, 0},
    {"LB", "Label", 152, 2},
    {"LO", "Label Origin", 151, 0},
    {"SA", "Select Alternate Font", 153, 0},
    {"SB", "Scalable or Bitmap Fonts", 151, 0},
    {"SD", "Standard Font Definition", 151, 0},
    {"SI", "Absolute Character Size", 151, 0},
    {"SL", "Character Slant", 151, 0},
    {"SR", "Relative Character Size", 151, 0},
    {"SS", "Select Standard Font", 153, 0},
    {"TD", "Transparent Data", 151, 0},
    {"AC", "Anchor Corner", 151, 0},
    {"FT", "Fill Type", 151, 0},
    {"LA", "Line Attributes", 151, 0},
    {"LT", "Line Type", 151, 0},
    {"PW", "Pen Width", 151, 0},
    {"RF", "Raster Fill Definition", 151, 0},
    {"SM", "Symbol Mode", 152, 0},
    {"SP", "Select Pen", 151, 0},
    {"SV", "Screened Vectors", 151, 0},
    {"TR", "Transparency Mode", 151, 0},
    {"UL", "User-Defined Line Type", 151, 0},
    {"WU", "Pen Width Unit Selection", 151, 0},
    {"MC", "Merge Control", 151, 0},
    {"PC", "Pen Color", 151, 0},
    {"NP", "Number Of Pens", 151, 0},
    {"CR", "Color Range", 151, 0},
    {"PP", "Pixel Placement", 151, 0},
    {"PS", "Plot Size", 151, 0},
    {"QL", "Quality Level", 151, 0},
    {"EC", "Enable Cutter", 151, 0},
    {"RQ", "RQ command(undoc)", 151, 0},
    {"BP", "Begin Plot", 155, 0},
};

bool commandBefore(const PclCommand* a, const PclCommand* b) {
    return a->group != b->group ? a->group < b->group : a->terminator < b->terminator;
}

template <class It>
It findEntry(It begin, It end, signed char c) {
    return std::lower_bound(begin, end, c, [](const PclCommandTable::Entry& e, signed char v) { return e.parameter < v; });
}
}  // namespace

PclLookup PclCommandTable::LookUpFirst(uint8_t c) const {
    auto sc = static_cast<signed char>(c);
    auto it = findEntry(index.begin(), index.end(), sc);
    PclLookup r;
    if (it == index.end() || it->parameter != sc) return r;
    r.result = it->twoCharacter ? PclLookup::TwoCharacter : PclLookup::Parameter;
    r.command = it->twoCharacter;
    return r;
}

const PclCommand* PclCommandTable::LookUp(uint8_t parameter, uint8_t group, uint8_t terminator) const {
    auto sc = static_cast<signed char>(parameter);
    auto it = findEntry(index.begin(), index.end(), sc);
    if (it == index.end() || it->parameter != sc) return nullptr;
    PclCommand key{static_cast<char>(parameter), static_cast<char>(group), static_cast<char>(terminator), nullptr, 0};
    auto c = std::lower_bound(it->commands.begin(), it->commands.end(), &key, commandBefore);
    if (c == it->commands.end() || commandBefore(&key, *c)) return nullptr;
    return *c;
}

const char* PclCommandTable::ControlCodeName(uint8_t code) const {
    auto it = std::lower_bound(std::begin(kControlCodes), std::end(kControlCodes), code,
                               [](const ControlCode& c, uint8_t v) { return c.code < v; });
    return it != std::end(kControlCodes) && it->code == code ? it->name : nullptr;
}

const HpglMnemonic* PclCommandTable::LookUpMnemonic(uint8_t c1, uint8_t c2) const {
    for (const HpglMnemonic& m : kHpglMnemonics)
        if (static_cast<uint8_t>(m.mnemonic[0]) == c1 && static_cast<uint8_t>(m.mnemonic[1]) == c2) return &m;
    return nullptr;
}

const PclCommandTable& BuildPclCommandTable() {
    static bool built = false;
    static PclCommandTable table;
    if (built) return table;
    for (const PclCommand& c : kPclCommands) {
        auto sc = static_cast<signed char>(c.parameter);
        auto it = findEntry(table.index.begin(), table.index.end(), sc);
        if (it == table.index.end() || it->parameter != sc) it = table.index.insert(it, PclCommandTable::Entry{sc, nullptr, {}});
        if (c.kind == PclTwoCharacter) {
            if (!it->twoCharacter) it->twoCharacter = &c;
            continue;
        }
        auto at = std::lower_bound(it->commands.begin(), it->commands.end(), &c, commandBefore);
        if (at == it->commands.end() || commandBefore(&c, *at)) it->commands.insert(at, &c);
    }
    built = true;
    return table;
}
