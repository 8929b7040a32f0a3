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
