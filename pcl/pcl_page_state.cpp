#include "pcl_page_state.h"

#include "hpgl_plot_state.h"

#include <algorithm>
#include <cmath>

PclPageState& Pcl() {
    static PclPageState state;
    return state;
}

void InitPclJob() {
    PclPageState& s = Pcl();
    // Everything starts afresh, compression and colour components included:
    // a job must not depend on the job opened before it.
    s = PclPageState{};
    ResetPclState();
    ResetHpglDefaults();
}

void TurnPclPage(bool landscape) {
    PclPageState& s = Pcl();
    if (landscape == s.landscape) return;
    std::swap(s.size.length, s.size.width);
    s.landscape = landscape;
}

void ResetPclState() {
    PclPageState& s = Pcl();
    FlushPclText();
    s.unitsPerInch = 300;
    s.fonts[0] = s.fonts[1] = PclFontSpec{};
    s.secondaryActive = false;
    s.fontChosen = false;
    s.hmiFromFont = true;
    s.vmi = kPageUnitsPerInch / 6.0;
    s.perforationSkip = true;
    s.lineTermination = 0;
    s.endOfLineWrap = false;
    s.underline = 0;
    s.printDirection = 0;
    s.lastAdvance = 0;
    s.fontKind = SystemFont;
    s.fontId = s.selectedFont = 0;
    s.characterCode = 0;
    s.activePaletteId = 1;
    s.paletteControlId = 0;
    if (s.pageDC) SetBkMode(s.pageDC, TRANSPARENT);
    std::fill(std::begin(s.bitsPerPrimary), std::end(s.bitsPerPrimary), uint8_t{8});
    TurnPclPage(s.defaultLandscape);  // back to the job's own orientation
    s.rasterResolution = 75;
    s.rasterPresentation = 3;
    s.colourSpace = 0;
    s.pixelEncodingMode = 3;
    s.bitsPerIndex = 1;
    s.rasterWidth = s.rasterHeight = s.destinationWidth = s.destinationHeight = 0;
    s.rectangleWidth = s.rectangleHeight = 0;
    s.plotSizeX = s.plotSizeY = 0;
    s.frameAnchored = false;
    s.fillWidth = s.fillHeight = 0;
    s.patternId = s.currentPattern = s.currentPatternId = 0;
    s.sourceOpaque = s.patternOpaque = false;
    s.logicalOperation = kSourceOrTexture;
    s.foreground = -1;
    s.patterns.clear();
    s.patternReferenceSet = false;
    s.simpleColour = 0;
    s.rasterInks.clear();
    s.colourConfigured = s.rasterScaled = false;
    s.raster.reset();  // an image in progress is dropped unpainted
    s.palettes.clear();
    // A reset deletes the temporary macros and stops the overlay.
    std::erase_if(s.macros, [](const auto& m) { return !m.second.permanent; });
    s.overlayMacro = -1;
    s.macroId = 0;
    s.softFonts.clear();
    s.outlineFonts.clear();
    s.standInFonts.clear();
    DefaultTextLayout();
}

bool PageUnitsToPixels(int32_t& x, int32_t& y) {
    PclPageState& s = Pcl();
    if (!s.pageDC) return false;
    // Page units are 1/80 mm; the frame holds them as 0.01 mm.
    int64_t frameW = int64_t{s.pageWidth()} * 100 / 80, frameH = int64_t{s.pageHeight()} * 100 / 80;
    int64_t hs = GetDeviceCaps(s.pageDC, HORZSIZE) * 100LL, vs = GetDeviceCaps(s.pageDC, VERTSIZE) * 100LL;
    if (hs <= 0 || vs <= 0) return false;
    x = static_cast<int32_t>((frameW * GetDeviceCaps(s.pageDC, HORZRES) + hs / 2) / hs);
    y = static_cast<int32_t>((frameH * GetDeviceCaps(s.pageDC, VERTRES) + vs / 2) / vs);
    return true;
}

namespace {
// Page units onto reference pixels, the same scale on both axes, with the
// origin at (originX, originY) page units from the page's lower-left corner
// (y up) or at its top-left corner (y down), and no world transform.
void applyMapping(bool yUp, int32_t originX, int32_t originY, double scaleX = 1, double scaleY = 1) {
    PclPageState& s = Pcl();
    int32_t px, py;
    if (!PageUnitsToPixels(px, py)) return;
    int64_t m = std::max(s.pageWidth(), s.pageHeight()), p = std::max(px, py);
    // PCL5 draws upright: a rotation left by an HP-GL/2 plot does not apply.
    const XFORM identity{1, 0, 0, 1, 0, 0};
    SetWorldTransform(s.pageDC, &identity);
    SetWindowExtEx(s.pageDC, static_cast<int>(m), static_cast<int>(m), nullptr);
    auto scaled = [p](double scale) { return static_cast<int>(std::clamp(std::llround(p * scale), 1LL, 1LL << 30)); };
    SetViewportExtEx(s.pageDC, scaled(scaleX), yUp ? -scaled(scaleY) : scaled(scaleY), nullptr);
    SetViewportOrgEx(s.pageDC, static_cast<int>(originX * p / m), static_cast<int>(yUp ? py - originY * p / m : 0),
                     nullptr);
}
}  // namespace

void SetPageMapping(PclMapping mode) {
    PclPageState& s = Pcl();
    if (s.mapping == mode) return;
    applyMapping(mode == PclMapping::BottomUp, 0, 0);
    s.mapping = mode;
}

void SetPlotMapping(int32_t originX, int32_t originY, double scaleX, double scaleY) {
    applyMapping(true, originX, originY, scaleX, scaleY);
    Pcl().mapping = PclMapping::Other;
}
