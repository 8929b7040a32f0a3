// PCL5 commands of the job, the page, raster graphics and colour, executed
// against the page state.
#include "pcl_commands.h"
#include "pcl_page_state.h"
#include "pcl_paper.h"
#include "hpgl_plot_state.h"

#include <algorithm>

namespace {

template <typename Field>
bool store(Field& field, int32_t v) {
    field = v;
    return true;
}
}  // namespace

bool DispatchPclCommand(uint8_t p, uint8_t g, uint8_t t, const uint8_t* data, int32_t count, double value,
                        bool relative) {
    const PclCommand* cmd = BuildPclCommandTable().LookUp(p, g, t);
    if (!cmd && g == 0 && t == 0) {
        PclLookup first = BuildPclCommandTable().LookUpFirst(p);
        cmd = first.result == PclLookup::TwoCharacter ? first.command : nullptr;
    }
    if (!cmd || !cmd->run) return true;
    PclArgs a;
    a.value = value;
    a.relative = relative;
    a.parameter = p;
    a.terminator = t;
    if (data) a.data = data + 1, a.count = count;
    FlushPclText();
    return cmd->run(a);
}

bool PclPrinterReset(const PclArgs&) {
    EndPclPage();  // a reset prints what the page holds
    ResetPclState();
    return true;
}

bool PclUniversalExit(const PclArgs&) {
    EndPclPage();  // the universal exit ends the job's page
    return true;
}

bool PclUnitOfMeasure(const PclArgs& a) {
    if (a.Int() > 0) Pcl().unitsPerInch = a.Int();  // a unit of 0 or less would divide by it
    return true;
}

bool PclOrientation(const PclArgs& a) {
    int32_t n = a.Int();
    if (n < 0 || n > 3) return true;  // not an orientation: ignored
    bool landscape = n == 1 || n == 3;
    // The page turns only when the orientation changes; the page drawn so far
    // is ejected (or forgotten when blank), the next one takes the new layout.
    if (landscape == Pcl().landscape) return true;
    EndPclPage();
    TurnPclPage(landscape);
    DefaultTextLayout();
    return true;
}

bool PclSelectPageSize(const PclArgs& a) {
    PclPageState& s = Pcl();
    const PclPaper& paper = PaperByCode(a.Int());
    EndPclPage();
    s.size.width = paper.width;
    s.size.length = paper.height;
    if (s.landscape) std::swap(s.size.length, s.size.width);
    DefaultTextLayout();
    return true;
}

bool PclConfigureImageData(const PclArgs& a) { return a.data && ConfigureImageData(a.data, a.count); }
bool PclConfigureRasterData(const PclArgs& a) { return a.data && ConfigureRasterData(a.data, a.count); }
bool PclAssignColourIndex(const PclArgs& a) { return AssignColourIndex(a.value); }
bool PclSelectPalette(const PclArgs& a) { return SelectPclPalette(a.value); }
bool PclColourComponent(const PclArgs& a) {
    Pcl().colourComponents[a.terminator - 'A'] = static_cast<uint8_t>(std::clamp(a.Int(), 0, 255));
    return true;
}
bool PclPaletteControlId(const PclArgs& a) { return store(Pcl().paletteControlId, a.Int()); }
bool PclPaletteControl(const PclArgs& a) { return static_cast<uint32_t>(a.Int()) <= 6 && PaletteControl(a.Int()); }

bool PclCompressionMethod(const PclArgs& a) { return store(Pcl().compressionMethod, a.Int()); }
bool PclRasterHeight(const PclArgs& a) { return store(Pcl().rasterHeight, a.Int()); }
bool PclRasterWidth(const PclArgs& a) { return store(Pcl().rasterWidth, a.Int()); }
bool PclDestinationWidth(const PclArgs& a) { return store(Pcl().destinationWidth, a.Int()); }
bool PclDestinationHeight(const PclArgs& a) { return store(Pcl().destinationHeight, a.Int()); }
namespace {
bool setPlotSize(double& size, double inches) {
    if (!(inches >= 0)) return true;
    size = std::min(inches * kPageUnitsPerInch, 800000.0);
    PictureFrameChanged();
    return true;
}
}  // namespace

// The picture frame's size, in decipoints.
bool PclPictureFrameWidth(const PclArgs& a) {
    Pcl().rectangleWidth = std::max(0, a.Int());
    PictureFrameChanged();
    return true;
}
bool PclPictureFrameHeight(const PclArgs& a) {
    Pcl().rectangleHeight = std::max(0, a.Int());
    PictureFrameChanged();
    return true;
}
// The plot's size, in inches: the frame holds it stretched to fit, each axis apart. 0 is the frame's own.
bool PclPlotSizeX(const PclArgs& a) { return setPlotSize(Pcl().plotSizeX, a.value); }
bool PclPlotSizeY(const PclArgs& a) { return setPlotSize(Pcl().plotSizeY, a.value); }
bool PclPictureFrameAnchor(const PclArgs& a) {
    PclPageState& s = Pcl();
    if (a.Int() != 0) return true;
    PagePoint at = PclPagePoint(s.cursorX, s.cursorY);
    s.frameAnchored = true;
    s.frameAnchorX = at.x, s.frameAnchorY = at.y;
    PictureFrameChanged();
    return true;
}
bool PclRasterPresentation(const PclArgs& a) {
    if (a.Int() == 0 || a.Int() == 3) Pcl().rasterPresentation = a.Int();
    return true;
}
bool PclRasterResolution(const PclArgs& a) {
    if (a.Int() > 0) Pcl().rasterResolution = a.Int();  // a resolution of 0 keeps the one in force
    return true;
}
bool PclStartRaster(const PclArgs& a) {
    PclPageState& s = Pcl();
    // 0 and 2 start at the logical page's left edge, 1 and 3 at the cursor; 2 and 3 scale the image.
    int32_t mode = a.Int();
    if (mode == 0 || mode == 2) s.cursorX = 0;
    s.rasterScaled = mode == 2 || mode == 3;
    StartRaster();
    return true;
}
bool PclRasterPlane(const PclArgs& a) {
    if (a.data) TransferRasterPlane(a.data, a.count);
    return true;
}
bool PclSimpleColour(const PclArgs& a) {
    PclPageState& s = Pcl();
    int32_t n = a.Int();
    if (n != 1 && n != 3 && n != -3) return true;
    s.simpleColour = n;
    s.colourConfigured = false;
    s.rasterInks.clear();
    return true;
}
bool PclRasterRow(const PclArgs& a) {
    if (a.data) TransferRasterRow(a.data, a.count);
    return true;
}
bool PclEndRaster(const PclArgs&) { return EndRaster(); }
bool PclRasterYOffset(const PclArgs& a) {
    SkipRasterRows(a.Int());
    return true;
}

bool PclCharacterCode(const PclArgs& a) {
    if ((a.Int() & 0xFFFF) != 0xFFFF) Pcl().characterCode = a.Int();
    return true;
}
bool PclFontHeader(const PclArgs& a) { return a.data && DownloadFontHeader(a.data, a.count); }
bool PclCharacterDefinition(const PclArgs& a) { return a.data && DownloadCharacter(a.data, a.count); }
bool PclFontId(const PclArgs& a) { return SelectFontById(a.value); }
