#include "pcl_command_table.h"

#include "pcl_commands.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace {
// In the order of the command list; the first of two rows with one key wins.
const PclCommand kPclCommands[] = {
    {'%', '-', 'X', "UEL Command", PclParameterised, PclUniversalExit},
    {'E', 0, 0, "Printer Reset", PclTwoCharacter, PclPrinterReset},
    {'&', 'l', 'X', "Number Of Copies", PclParameterised, nullptr},
    {'&', 'l', 'S', "Simplex/Duplex Print", PclParameterised, nullptr},
    {'&', 'l', 'U', "Left Offset Register", PclParameterised, PclLeftOffset},
    {'&', 'l', 'Z', "Top Offset Register", PclParameterised, PclTopOffset},
    {'&', 'a', 'G', "Duplex Page Side Selection", PclParameterised, nullptr},
    {'&', 'l', 'T', "Job Separation", PclParameterised, nullptr},
    {'&', 'l', 'T', "Output Bin Selection", PclParameterised, nullptr},
    {'&', 'u', 'D', "Unit Of Measure", PclParameterised, PclUnitOfMeasure},
    {'&', 'l', 'A', "Page Size", PclParameterised, PclSelectPageSize},
    {'&', 'l', 'H', "Paper Source", PclParameterised, nullptr},
    {'&', 'l', 'O', "Logical Page Orientation", PclParameterised, PclOrientation},
    {'&', 'a', 'P', "Top Offset Register", PclParameterised, PclPrintDirection},
    {'&', 'a', 'L', "Left Margin", PclParameterised, PclLeftMargin},
    {'&', 'a', 'M', "Right Margin", PclParameterised, PclRightMargin},
    {'9', 0, 0, "Clear Horizontal Margins", PclTwoCharacter, PclClearMargins},
    {'&', 'l', 'E', "Top Margin", PclParameterised, PclTopMargin},
    {'&', 'l', 'F', "Text Length", PclParameterised, PclTextLength},
    {'&', 'l', 'L', "Perforation Skip", PclParameterised, PclPerforationSkip},
    {'&', 'k', 'H', "Horizontal Motion Index", PclParameterised, PclHmi},
    {'&', 'l', 'C', "Vertical Motion Index", PclParameterised, PclVmi},
    {'&', 'l', 'D', "Line Spacing", PclParameterised, PclLineSpacing},
    {'&', 'a', 'C', "Horizontal Cursor Position(Columns)", PclParameterised, PclColumn},
    {'&', 'a', 'H', "Horizontal Cursor Position(DeciPt)", PclParameterised, PclDecipointX},
    {'*', 'p', 'X', "Horizontal Cursor Position(PCL)", PclParameterised, PclCursorX},
    {'&', 'a', 'R', "Vertical Cursor Position(Row)", PclParameterised, PclRow},
    {'&', 'a', 'V', "Vertical Cursor Position(DeciPt)", PclParameterised, PclDecipointY},
    {'*', 'p', 'Y', "Vertical Cursor Position(PCL)", PclParameterised, PclCursorY},
    {'&', 'k', 'G', "Line Termination", PclParameterised, PclLineTermination},
    {'&', 'f', 'S', "Push/Pop Cursor Position", PclParameterised, PclPushPopCursor},
    {'(', 's', 'P', "Spacing Primary", PclParameterised, PclSpacing},
    {')', 's', 'P', "Spacing Secondary", PclParameterised, PclSpacing},
    {'(', 's', 'H', "Pitch Primary", PclParameterised, PclPitch},
    {')', 's', 'H', "Pitch Secondary", PclParameterised, PclPitch},
    {'(', 's', 'V', "Height Primary", PclParameterised, PclHeight},
    {')', 's', 'V', "Height Secondary", PclParameterised, PclHeight},
    {'(', 's', 'S', "Style Primary", PclParameterised, PclStyle},
    {')', 's', 'S', "Style Secondary", PclParameterised, PclStyle},
    {'(', 's', 'B', "Stroke Weight Primary", PclParameterised, PclStrokeWeight},
    {')', 's', 'B', "Stroke Weight Secondary", PclParameterised, PclStrokeWeight},
    {'(', 's', 'T', "Typeface Family Primary", PclParameterised, PclTypeface},
    {')', 's', 'T', "Typeface Family Secondary", PclParameterised, PclTypeface},
    {'&', 'p', 'X', "Transparent Print Data", PclWithData, PclTransparentData},
    {'&', 'd', 'D', "Enable Underline", PclParameterised, PclUnderlineOn},
    {'&', 'd', '@', "Disable Underline", PclParameterised, PclUnderlineOff},
    {'*', 'c', 'D', "Font ID", PclParameterised, PclFontId},
    {'*', 'c', 'F', "Font Control", PclParameterised, nullptr},
    {'*', 'c', 'R', "User-Defined Symbol Set ID", PclParameterised, nullptr},
    {'(', 'f', 'W', "User-Defined Define Symbol Set", PclWithData, nullptr},
    {'*', 'c', 'S', "User-Defined Symbol Set Control", PclParameterised, nullptr},
    {')', 's', 'W', "Font Header", PclWithData, PclFontHeader},
    {'*', 'c', 'E', "Character Code", PclParameterised, PclCharacterCode},
    {'(', 's', 'W', "Character Definition", PclWithData, PclCharacterDefinition},
    {'&', 'f', 'Y', "Macro ID", PclParameterised, PclMacroId},
    {'&', 'f', 'X', "Macro Control", PclParameterised, PclMacroControl},
    {'*', 'v', 'N', "Source Transparency Mode", PclParameterised, PclSourceTransparency},
    {'*', 'v', 'O', "Pattern Transparency Mode", PclParameterised, PclPatternTransparency},
    {'*', 'c', 'G', "Pattern ID", PclParameterised, PclPatternId},
    {'*', 'v', 'T', "Select Current Pattern", PclParameterised, PclCurrentPattern},
    {'*', 'c', 'W', "User-Defined Pattern", PclWithData, PclUserPatternData},
    {'*', 'p', 'R', "Set Pattern Reference Point", PclParameterised, PclPatternReferencePoint},
    {'*', 'c', 'Q', "Pattern Control", PclParameterised, PclPatternControl},
    {'*', 'c', 'H', "Horizontal Rectangle Size(Dec)", PclParameterised, PclRectangleWidthDecipoints},
    {'*', 'c', 'A', "Horizontal Rectangle Size(PCL)", PclParameterised, PclRectangleWidthUnits},
    {'*', 'c', 'V', "Vertical Rectangle Size(Dec)", PclParameterised, PclRectangleHeightDecipoints},
    {'*', 'c', 'B', "Vertical Rectangle Size(PCL)", PclParameterised, PclRectangleHeightUnits},
    {'*', 'c', 'P', "Fill Rect Area", PclParameterised, PclFillRectangle},
    {'*', 't', 'R', "Raster Graphics Resolution", PclParameterised, PclRasterResolution},
    {'*', 'r', 'F', "Raster Graphics Presentation Mode", PclParameterised, PclRasterPresentation},
    {'*', 'r', 'T', "Raster Height", PclParameterised, PclRasterHeight},
    {'*', 'r', 'S', "Raster Width", PclParameterised, PclRasterWidth},
    {'*', 'r', 'A', "Start Raster Graphics", PclParameterised, PclStartRaster},
    {'*', 'b', 'Y', "Raster Y Offset", PclParameterised, PclRasterYOffset},
    {'*', 'b', 'M', "Set Compression Method", PclParameterised, PclCompressionMethod},
    {'*', 'b', 'W', "Transfer Raster Data By Row", PclWithData, PclRasterRow},
    {'*', 'b', 'V', "Transfer Raster Data By Plane", PclWithData, PclRasterPlane},
    {'*', 'r', 'C', "End Raster Graphics", PclParameterised, PclEndRaster},
    {'*', 'r', 'B', "End Raster Graphics(Old Version)", PclParameterised, PclEndRaster},
    {'*', 's', 'T', "Set Status Reedback Location Type", PclParameterised, nullptr},
    {'*', 's', 'U', "Set Status Reedback Location Unit", PclParameterised, nullptr},
    {'*', 's', 'I', "Inquire Status Reedback Entity", PclParameterised, nullptr},
    {'*', 's', 'M', "Free Spase", PclParameterised, nullptr},
    {'&', 'r', 'F', "Flush All Pages", PclParameterised, nullptr},
    {'*', 's', 'X', "Echo", PclParameterised, nullptr},
    {'*', 'c', 'X', "Horizontal Picture Frame", PclParameterised, PclPictureFrameWidth},
    {'*', 'c', 'Y', "Vertical Picture Frame", PclParameterised, PclPictureFrameHeight},
    {'*', 'c', 'T', "Set Picture Frame Anchor", PclParameterised, PclPictureFrameAnchor},
    {'*', 'c', 'K', "HP-GL2 Plot Horizontal Size", PclParameterised, PclPlotSizeX},
    {'*', 'c', 'L', "HP-GL2 Plot Vertical Size", PclParameterised, PclPlotSizeY},
    {'&', 's', 'C', "End-of-Line Wrap", PclParameterised, PclEndOfLineWrap},
    {'=', 0, 0, "Half Line Feed", PclTwoCharacter, PclHalfLineFeed},
    {'Y', 0, 0, "Enables Display Functions Mode", PclTwoCharacter, nullptr},
    {'Z', 0, 0, "Disables Display Functions Mode", PclTwoCharacter, nullptr},
    {'*', 'r', 'U', "Simple Color", PclParameterised, PclSimpleColour},
    {'*', 'v', 'S', "Foreground Color", PclParameterised, PclSetForegroundColour},
    {'*', 'v', 'W', "Configure Image Data", PclWithData, PclConfigureImageData},
    {'*', 'p', 'P', "Push/Pop Palette", PclParameterised, nullptr},
    {'&', 'p', 'S', "Select Palette", PclParameterised, PclSelectPalette},
    {'&', 'p', 'I', "Palette Control ID", PclParameterised, PclPaletteControlId},
    {'&', 'p', 'C', "Palette Control", PclParameterised, PclPaletteControl},
    {'*', 'v', 'A', "Color Component One", PclParameterised, PclColourComponent},
    {'*', 'v', 'B', "Color Component Two", PclParameterised, PclColourComponent},
    {'*', 'v', 'C', "Color Component Three", PclParameterised, PclColourComponent},
    {'*', 'v', 'I', "Assign Color Index", PclParameterised, PclAssignColourIndex},
    {'*', 't', 'J', "Render Algorithm", PclParameterised, nullptr},
    {'*', 'm', 'W', "Download Dither Matrix", PclWithData, nullptr},
    {'*', 'l', 'W', "Color Lookup Tables", PclWithData, nullptr},
    {'*', 't', 'I', "Gamma Correction", PclParameterised, nullptr},
    {'*', 'i', 'W', "Viewing Illuminant", PclWithData, nullptr},
    {'&', 'b', 'M', "Monochrome Print Mode", PclParameterised, nullptr},
    {'*', 'o', 'W', "Driver Configuration", PclWithData, nullptr},
    {'*', 'l', 'O', "Logical Operation", PclParameterised, PclLogicalOperation},
    {'*', 'l', 'R', "Pixel Placement", PclParameterised, nullptr},
    {'*', 't', 'H', "Destination Raster Width", PclParameterised, PclDestinationWidth},
    {'*', 't', 'V', "Destination Raster Heigth", PclParameterised, PclDestinationHeight},
    {'*', 't', 'K', "Scale Algorithm", PclParameterised, nullptr},
    {'&', 'a', 'h', "Move CAP Horizontal(DeciPt)", PclParameterised, nullptr},
    {'&', 'a', 'n', "Negative Motion", PclParameterised, nullptr},
    {'&', 'a', 'N', "Negative Motion(DeciPt)", PclParameterised, nullptr},
    {'&', 'b', 'W', "Configuration Command (AppleTalk)", PclWithData, nullptr},
    {'*', 'b', 'l', "Raster Line Path", PclParameterised, nullptr},
    {'*', 'b', 'L', "Raster Line Path(DeciPt)", PclParameterised, nullptr},
    {'*', 'b', 'm', "Set Compression Method(RTL)", PclParameterised, nullptr},
    {'*', 'b', 'y', "Raster Y Offset(RTL)", PclParameterised, nullptr},
    {'*', 'c', 'g', "Pattern ID(RTL)", PclParameterised, nullptr},
    {'*', 'c', 'q', "Pattern Control(RTL)", PclParameterised, nullptr},
    {'*', 'g', 'W', "Configure Raster Data", PclWithData, PclConfigureRasterData},
    {'*', 'l', 'o', "Logical Operation(RTL)", PclParameterised, nullptr},
    {'*', 'p', 'p', "Push/Pop Palette(RTL)", PclParameterised, nullptr},
    {'*', 'p', 'r', "Set Pattern Reference Point(RTL)", PclParameterised, nullptr},
    {'*', 'p', 'x', "Horizontal Cursor Position(RTL)", PclParameterised, nullptr},
    {'*', 'p', 'y', "Vertical Cursor Position(RTL)", PclParameterised, nullptr},
    {'*', 'r', 'a', "Start Raster Graphics(RTL)", PclParameterised, nullptr},
    {'*', 'r', 's', "Source Raster Width", PclParameterised, nullptr},
    {'*', 'r', 't', "Source Raster Height", PclParameterised, nullptr},
    {'*', 'r', 'u', "Simple Color(RTL)", PclParameterised, nullptr},
    {'*', 't', 'h', "Destination Raster Width(RTL)", PclParameterised, nullptr},
    {'*', 't', 'j', "Render Algorithm(RTL)", PclParameterised, nullptr},
    {'*', 't', 'b', "Raster Graphics Resolution(RTL)", PclParameterised, nullptr},
    {'*', 't', 'v', "Destination Raster Heigth(RTL)", PclParameterised, nullptr},
    {'*', 'v', 'a', "Set Red Parameter", PclParameterised, nullptr},
    {'*', 'v', 'b', "Set Green Parameter", PclParameterised, nullptr},
    {'*', 'v', 'c', "Set Blue Parameter", PclParameterised, nullptr},
    {'*', 'v', 'i', "Assign Color Index(RTL)", PclParameterised, nullptr},
    {'*', 'v', 'n', "Source Transparency Mode(RTL)", PclParameterised, nullptr},
    {'*', 'v', 'o', "Pattern Transparency Mode(RTL)", PclParameterised, nullptr},
    {'*', 'v', 's', "Foreground Color(RTL)", PclParameterised, nullptr},
    {'*', 'v', 't', "Select Current Pattern(RTL)", PclParameterised, nullptr},
    {'*', 'o', 'M', "Print Quality", PclParameterised, nullptr},
    {'*', 'o', 'Q', "Print Quality B", PclParameterised, nullptr},
    {'&', 'l', 'M', "Media Type", PclParameterised, nullptr},
    {'&', 'n', 'W', "Select Paper Source(undoc)", PclWithData, nullptr},
};

struct ControlCode {
    uint8_t code;
    const char* name;
};
// Ordered by code.
const ControlCode kControlCodes[] = {
    {0, "NULL"},          {9, "Horizontal Tab"}, {10, "Line Feed"},
    {11, "Vertical Tab"}, {12, "Form Feed"},     {13, "Carriage return"},
};

const HpglMnemonic kHpglMnemonics[] = {
    {"CO", "Comment", HpglComment, 0},
    {"DF", "Default Values", HpglNoParameters, 0},
    {"IN", "Initialize", HpglNoParameters, 0},
    {"IP", "Input P1 and P2", HpglWithParameters, 0},
    {"IR", "Input Relative P1 and P2", HpglWithParameters, 0},
    {"IW", "Input Window", HpglWithParameters, 0},
    {"PG", "Advance Full Page", HpglNoParameters, 0},
    {"AF", "Advance Full Page", HpglNoParameters, 0},
    {"AH", "Advance Half Page", HpglNoParameters, 0},
    {"FR", "Frame Advance", HpglNoParameters, 0},
    {"RO", "Rotate Coordinate System", HpglWithParameters, 0},
    {"RP", "Replot", HpglWithParameters, 0},
    {"RO", "Rotate Coordinate System", HpglWithParameters, 0},
    {"SC", "Scale", HpglWithParameters, 0},
    {"AA", "Arc Absolute", HpglWithParameters, 0},
    {"AR", "Arc Relative", HpglWithParameters, 0},
    {"AT", "Absolute Arc Three Point", HpglWithParameters, 0},
    {"BR", "Bezier Relative", HpglWithParameters, 0},
    {"BZ", "Bezier Absolute", HpglWithParameters, 0},
    {"CI", "Circle", HpglWithParameters, 0},
    {"PA", "Plot Absolute", HpglWithParameters, 0},
    {"PD", "Pen Down", HpglWithParameters, 0},
    {"PE", "Polyline Encoded", HpglWithParameters, 1},
    {"PR", "Plot Relative", HpglWithParameters, 0},
    {"PU", "Pen Up", HpglWithParameters, 0},
    {"RT", "Relative Arc Three Point", HpglWithParameters, 0},
    {"EA", "Edge Rectangle Absolute", HpglWithParameters, 0},
    {"EP", "Edge Polygon", HpglNoParameters, 0},
    {"ER", "Edge Rectangle Relative", HpglWithParameters, 0},
    {"EW", "Edge Wedge", HpglWithParameters, 0},
    {"FP", "Fill Polygon", HpglWithParameters, 0},
    {"PM", "Polygon Mode Command", HpglWithParameters, 0},
    {"RA", "Fill Rectangle Absolute", HpglWithParameters, 0},
    {"RR", "Fill Rectangle Relative", HpglWithParameters, 0},
    {"WG", "Fill Wedge", HpglWithParameters, 0},
    {"AD", "Alternate Font Definition", HpglWithParameters, 0},
    {"CF", "Character Fill Mode", HpglWithParameters, 0},
    {"CP", "Character Plot", HpglWithParameters, 0},
    {"DI", "Absolute Direction", HpglWithParameters, 0},
    {"DR", "Relative Direction", HpglWithParameters, 0},
    {"DT", "Define Label Terminator", HpglText, 0},
    {"DV", "Define Variable Text Path", HpglWithParameters, 0},
    {"ES", "Extra Space", HpglWithParameters, 0},
    {"FI", "Select Primary Font", HpglWithParameters, 0},
    {"FN", "Select Secondary Font", HpglWithParameters, 0},
    {"LB", "Label", HpglText, 2},
    {"LO", "Label Origin", HpglWithParameters, 0},
    {"SA", "Select Alternate Font", HpglNoParameters, 0},
    {"SB", "Scalable or Bitmap Fonts", HpglWithParameters, 0},
    {"SD", "Standard Font Definition", HpglWithParameters, 0},
    {"SI", "Absolute Character Size", HpglWithParameters, 0},
    {"SL", "Character Slant", HpglWithParameters, 0},
    {"SR", "Relative Character Size", HpglWithParameters, 0},
    {"SS", "Select Standard Font", HpglNoParameters, 0},
    {"TD", "Transparent Data", HpglWithParameters, 0},
    {"AC", "Anchor Corner", HpglWithParameters, 0},
    {"FT", "Fill Type", HpglWithParameters, 0},
    {"LA", "Line Attributes", HpglWithParameters, 0},
    {"LT", "Line Type", HpglWithParameters, 0},
    {"PW", "Pen Width", HpglWithParameters, 0},
    {"RF", "Raster Fill Definition", HpglWithParameters, 0},
    {"SM", "Symbol Mode", HpglText, 0},
    {"SP", "Select Pen", HpglWithParameters, 0},
    {"SV", "Screened Vectors", HpglWithParameters, 0},
    {"TR", "Transparency Mode", HpglWithParameters, 0},
    {"UL", "User-Defined Line Type", HpglWithParameters, 0},
    {"WU", "Pen Width Unit Selection", HpglWithParameters, 0},
    {"MC", "Merge Control", HpglWithParameters, 0},
    {"PC", "Pen Color", HpglWithParameters, 0},
    {"NP", "Number Of Pens", HpglWithParameters, 0},
    {"CR", "Color Range", HpglWithParameters, 0},
    {"PP", "Pixel Placement", HpglWithParameters, 0},
    {"PS", "Plot Size", HpglWithParameters, 0},
    {"QL", "Quality Level", HpglWithParameters, 0},
    {"EC", "Enable Cutter", HpglWithParameters, 0},
    {"RQ", "RQ command(undoc)", HpglWithParameters, 0},
    {"BP", "Begin Plot", HpglBeginPlot, 0},
    {"BL", "Buffer Label", HpglText, 2},
    {"PB", "Print Buffered Label", HpglNoParameters, 0},
    {"CS", "Designate Standard Character Set", HpglWithParameters, 0},
    {"CA", "Designate Alternate Character Set", HpglWithParameters, 0},
    {"NR", "Not Ready", HpglWithParameters, 0},
    {"XT", "X-Tick", HpglNoParameters, 0},
    {"YT", "Y-Tick", HpglNoParameters, 0},
    {"TL", "Tick Length", HpglWithParameters, 0},
    {"CT", "Chord Tolerance Mode", HpglWithParameters, 0},
    {"PT", "Pen Thickness", HpglWithParameters, 0},
    {"UF", "User-Defined Fill Type", HpglWithParameters, 0},
    {"VS", "Velocity Select", HpglWithParameters, 0},
    {"FS", "Force Select", HpglWithParameters, 0},
    {"AP", "Automatic Pen Operations", HpglWithParameters, 0},
    {"OA", "Output Actual Position", HpglNoParameters, 0},
    {"OC", "Output Commanded Position", HpglNoParameters, 0},
    {"OE", "Output Error", HpglNoParameters, 0},
    {"OF", "Output Factors", HpglNoParameters, 0},
    {"OH", "Output Hard-Clip Limits", HpglNoParameters, 0},
    {"OI", "Output Identification", HpglNoParameters, 0},
    {"OP", "Output P1 and P2", HpglNoParameters, 0},
    {"OS", "Output Status", HpglNoParameters, 0},
    {"OW", "Output Window", HpglNoParameters, 0},
};

bool commandBefore(const PclCommand* a, const PclCommand* b) {
    return a->group != b->group ? a->group < b->group : a->terminator < b->terminator;
}

template <class It>
It findEntry(It begin, It end, signed char c) {
    return std::lower_bound(begin, end, c,
                            [](const PclCommandTable::Entry& e, signed char v) { return e.parameter < v; });
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
    PclCommand key{static_cast<char>(parameter),
                   static_cast<char>(group),
                   static_cast<char>(terminator),
                   nullptr,
                   PclParameterised,
                   nullptr};
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

namespace {
PclCommandTable makeCommandTable() {
    PclCommandTable table;
    for (const PclCommand& c : kPclCommands) {
        auto sc = static_cast<signed char>(c.parameter);
        auto it = findEntry(table.index.begin(), table.index.end(), sc);
        if (it == table.index.end() || it->parameter != sc)
            it = table.index.insert(it, PclCommandTable::Entry{sc, nullptr, {}});
        if (c.kind == PclTwoCharacter) {
            if (!it->twoCharacter) it->twoCharacter = &c;
            continue;
        }
        auto at = std::lower_bound(it->commands.begin(), it->commands.end(), &c, commandBefore);
        if (at == it->commands.end() || commandBefore(&c, *at)) it->commands.insert(at, &c);
    }
    return table;
}
}  // namespace

const PclCommandTable& BuildPclCommandTable() {
    // Built by the first caller, whatever its thread; the others wait for it.
    static const PclCommandTable table = makeCommandTable();
    return table;
}

int32_t TruncateToInt32(double v) {
    if (!(v == v)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(v), double{INT32_MIN}, double{INT32_MAX}));
}

int32_t PclArgs::Int() const { return TruncateToInt32(value); }
