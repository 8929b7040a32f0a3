#include "hpgl_plot_state.h"

#include "hpgl_coordinates.h"
#include "hpgl_curves.h"
#include "hpgl_drawing.h"
#include "hpgl_fills.h"
#include "hpgl_labels.h"
#include "hpgl_lines.h"
#include "hpgl_plot_setup.h"
#include "plot_page.h"

#include <algorithm>
#include <cmath>
#include <cstring>

HpglPlotState& Hpgl() {
    static HpglPlotState state;
    return state;
}

void ResetHpglDefaults() {
    HpglPlotState& h = Hpgl();
    ReleaseFillBrushes();
    if (h.font) DeleteObject(h.font);
    // The pen belongs to the page it is selected into; the page lets it go when it closes.
    HPEN pen = h.pen;
    h = HpglPlotState{};
    h.pen = pen;
    // A plotter has its carousel of eight pens, and a plot on a PCL page draws with them too,
    // whatever PCL colour mode the page is in (as GhostPCL draws, and plotting packages expect).
    h.numberOfPens = 8;
}

void TurnedFrame(double& width, double& height) {
    int32_t frameWidth, frameHeight;
    PlotFrameSize(frameWidth, frameHeight);
    bool turned = Hpgl().rotation == 90 || Hpgl().rotation == 270;
    width = (turned ? frameHeight : frameWidth) / 2.0;
    height = (turned ? frameWidth : frameHeight) / 2.0;
}

void HpglFrameChanged() {
    HpglPlotState& h = Hpgl();
    // Without IP, P1 is the frame's lower-left corner and P2 its far corner, in
    // plotter units, as the rotation turns the frame.
    double w, hgt;
    TurnedFrame(w, hgt);
    h.p1x = h.p1y = 0;
    h.p2x = static_cast<int32_t>(w);
    h.p2y = static_cast<int32_t>(hgt);
    h.scalingPointsSet = false;
}

void HpglPageOpened() {
    HpglPlotState& h = Hpgl();
    if (!h.scalingPointsSet) HpglFrameChanged();
    h.x = h.y = h.crX = h.crY = 0;
    h.polygonMode = false;
}

void HpglPageClosing() {
    HpglPlotState& h = Hpgl();
    if (h.pen && PlotPageDC()) SelectObject(PlotPageDC(), GetStockObject(BLACK_PEN));
    if (h.pen) DeleteObject(h.pen);
    h.pen = nullptr;
}

void HpglSectionEntered() {
    HpglPlotState& h = Hpgl();
    ApplyPlotRotation();
    ApplyPlotWindow();
    if (HDC dc = PlotPageDC()) {
        if (!h.pen) RemakePen(h.currentPen);
        MoveToEx(dc, h.x, h.y, nullptr);
    }
}

void HpglPenToFramePoint(double x, double y) {
    HpglPlotState& h = Hpgl();
    // Undo RO's turn about the frame, which the world transform applies to the pen's units: a
    // quarter-turn rotation is undone by its transpose.
    XFORM r = PlotRotation();
    double dx = x - r.eDx, dy = y - r.eDy;
    double px = r.eM11 * dx + r.eM12 * dy, py = r.eM21 * dx + r.eM22 * dy;
    auto unit = [](double v) { return static_cast<int32_t>(std::lround(std::clamp(v, -1e8, 1e8))); };
    h.x = h.crX = unit(px);
    h.y = h.crY = unit(py);
    if (HDC dc = PlotPageDC()) MoveToEx(dc, h.x, h.y, nullptr);
}

void HpglSectionLeft() {
    HDC dc = PlotPageDC();
    if (!dc) return;
    if (Hpgl().windowSet || PlotInsidePcl()) SelectClipRgn(dc, nullptr);
    SetROP2(dc, R2_COPYPEN);  // PCL's own drawing paints
}

namespace {
// The parameters as HpglCommandExtent delimits them, and whether the data ended inside them.
struct Params {
    const uint8_t* data;
    size_t length;
    bool cut;
    HpglParams numbers() const { return ReadNumericParams(data, length, cut); }
};
using Handler = bool (*)(const char* mnemonic, const Params& params);

template <bool (*F)(const HpglParams&)>
bool numeric(const char*, const Params& p) {
    return F(p.numbers());
}
template <bool (*F)(const HpglParams&, bool), bool B>
bool numericWith(const char*, const Params& p) {
    return F(p.numbers(), B);
}
template <bool (*F)(const HpglParams&, bool, bool), bool A, bool B>
bool numericWith2(const char*, const Params& p) {
    return F(p.numbers(), A, B);
}
bool polylineEncoded(const char*, const Params& p) {
    // Everything up to the closing ';', or all there is when the data or an escape sequence cut it short.
    size_t length = p.length > 0 && p.data[p.length - 1] == ';' ? p.length - 1 : p.length;
    return length > 0 && HpglPolylineEncoded(std::string(reinterpret_cast<const char*>(p.data), length));
}
template <bool (*F)()>
bool bare(const char*, const Params&) {
    return F();
}
bool fontCommand(const char* m, const Params& p) { return HpglFontCommand(m, p.numbers()); }
template <bool (*F)(const uint8_t*, size_t)>
bool raw(const char*, const Params& p) {
    return F(p.data, p.length);
}

struct Row {
    char mnemonic[3];
    Handler handler;
};
const Row kHandlers[] = {
    {"IN", bare<HpglInitialize>},
    {"DF", bare<HpglDefaultValues>},
    {"PS", numeric<HpglPlotSize>},
    {"PG", bare<HpglAdvancePage>},
    {"AF", bare<HpglAdvancePage>},
    {"AH", bare<HpglAdvancePage>},
    {"FR", bare<HpglAdvancePage>},
    {"IR", numeric<HpglInputRelative>},
    {"IW", numeric<HpglInputWindow>},
    {"IP", numeric<HpglInputP1P2>},
    {"SC", numeric<HpglScale>},
    {"PA", numeric<HpglPlotAbsolute>},
    {"PR", numeric<HpglPlotRelative>},
    {"CI", numeric<HpglCircle>},
    {"PU", numeric<HpglPenUp>},
    {"PD", numeric<HpglPenDown>},
    {"RO", numeric<HpglRotate>},
    {"AA", numericWith<HpglArc, false>},
    {"AR", numericWith<HpglArc, true>},
    {"EA", numericWith2<HpglRectangle, false, false>},
    {"ER", numericWith2<HpglRectangle, true, false>},
    {"FT", numeric<HpglFillType>},
    {"UF", numeric<HpglUserFill>},
    {"RA", numericWith2<HpglRectangle, false, true>},
    {"RR", numericWith2<HpglRectangle, true, true>},
    {"RF", numeric<HpglRasterFill>},
    {"PM", numeric<HpglPolygonMode>},
    {"FP", numeric<HpglFillPolygon>},
    {"PE", polylineEncoded},
    {"EP", bare<HpglEdgePolygon>},
    {"SP", numeric<HpglSelectPen>},
    {"LT", numeric<HpglLineType>},
    {"LA", numeric<HpglLineAttributes>},
    {"BZ", numericWith<HpglBezier, false>},
    {"BR", numericWith<HpglBezier, true>},
    {"AC", numeric<HpglAnchorCorner>},
    {"AD", fontCommand},
    {"SA", fontCommand},
    {"SD", fontCommand},
    {"SS", fontCommand},
    {"AT", numericWith<HpglThreePointArc, false>},
    {"EW", numericWith<HpglWedge, false>},
    {"WG", numericWith<HpglWedge, true>},
    {"WU", numeric<HpglPenWidthUnit>},
    {"PW", numeric<HpglPenWidth>},
    {"UL", numeric<HpglUserLineType>},
    {"RT", numericWith<HpglThreePointArc, true>},
    {"LO", numeric<HpglLabelOrigin>},
    {"DV", numeric<HpglTextPath>},
    {"DT", raw<HpglDefineTerminator>},
    {"LB", raw<HpglLabel>},
    {"BL", raw<HpglBufferLabel>},
    {"PB", bare<HpglPrintBuffer>},
    {"DI", numericWith<HpglDirection, false>},
    {"DR", numericWith<HpglDirection, true>},
    {"SL", numeric<HpglSlant>},
    {"ES", numeric<HpglExtraSpace>},
    {"CP", numeric<HpglCharacterPlot>},
    {"TD", numeric<HpglTransparentData>},
    {"CS", fontCommand},
    {"CA", fontCommand},
    {"SI", numericWith<HpglCharacterSize, false>},
    {"SR", numericWith<HpglCharacterSize, true>},
    {"SM", raw<HpglSymbolMode>},
    {"PC", numeric<HpglPenColour>},
    {"NP", numeric<HpglNumberOfPens>},
    {"CR", numeric<HpglColourRange>},
    {"TL", numeric<HpglTickLength>},
    {"XT", numericWith<HpglTick, true>},
    {"YT", numericWith<HpglTick, false>},
    {"MC", numeric<HpglMergeControl>},
    {"TR", numeric<HpglTransparencyMode>},
    {"SV", numeric<HpglScreenedVectors>},
    {"CF", numeric<HpglCharacterFill>},
};
}  // namespace

bool DispatchHpglCommand(const char* mnemonic, const uint8_t* params, size_t length, bool cut) {
    for (const Row& r : kHandlers)
        if (std::memcmp(r.mnemonic, mnemonic, 2) == 0) return r.handler(mnemonic, Params{params, length, cut});
    return false;
}
