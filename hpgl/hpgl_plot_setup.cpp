#include "hpgl_plot_setup.h"

#include "hpgl_coordinates.h"
#include "hpgl_drawing.h"
#include "hpgl_lines.h"
#include "hpgl_plot_state.h"
#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>

namespace {
// A side of a plot's media, in plotter units: at least a centimetre, at most two metres.
constexpr double kMinMediaSide = 400, kMaxMediaSide = 80000;

// The pen, rotation and window of the state, applied to the page.
void applyState() {
    HpglPlotState& h = Hpgl();
    ApplyPlotRotation();
    ApplyPlotWindow();
    RemakePen(h.currentPen);
    if (HDC dc = PlotDC()) MoveToEx(dc, h.x, h.y, nullptr);
}
}  // namespace

bool HpglInitialize() {
    ResetHpglDefaults();
    HpglFrameChanged();
    applyState();
    return true;
}

bool HpglDefaultValues() {
    HpglPlotState kept = Hpgl();
    ResetHpglDefaults();
    HpglPlotState& h = Hpgl();
    h.x = kept.x, h.y = kept.y, h.penUp = kept.penUp;
    h.p1x = kept.p1x, h.p1y = kept.p1y, h.p2x = kept.p2x, h.p2y = kept.p2y;
    h.scalingPointsSet = kept.scalingPointsSet;
    h.rotation = kept.rotation;
    h.currentPen = kept.currentPen, h.numberOfPens = kept.numberOfPens;
    h.penColours = std::move(kept.penColours);
    std::copy(std::begin(kept.colourRange), std::end(kept.colourRange), h.colourRange);
    h.penWidthUnit = kept.penWidthUnit, h.penWidth = kept.penWidth;
    h.whiteTransparent = kept.whiteTransparent;
    applyState();
    return true;
}

bool HpglPlotSize(const HpglParams& p) {
    PclPageState& s = Pcl();
    // Media cannot change under a drawing. A PCL page keeps the size PCL gave it, as
    // printers ignore PS; but a job that gives both sides before anything is drawn is
    // a plotter's (a large-format job wrapped in PCL), and its page is the media.
    if (s.pageMarked) return true;
    if (s.hpglInsidePcl) {
        if (p.size() < 2) return true;
        s.plotOriginX = s.plotOriginY = 0;
        EnterHpgl(kHpglPlotFile);
    }
    // Without a width the sheet keeps its height; without either it is A4 upright.
    double length = p.size() >= 1 ? p[0] : kA4Width / 2.0;
    double width = p.size() >= 2 ? p[1] : p.size() == 1 ? s.pageHeight() / 2.0 : kA4Length / 2.0;
    if (!(length == length) || !(width == width)) return false;
    auto side = [](double v) {
        return static_cast<int32_t>(2 * std::clamp(std::fabs(v), kMinMediaSide, kMaxMediaSide));
    };
    s.fixedPlotWidth = side(length);
    s.fixedPlotHeight = side(width);
    if (!s.plotPagePlaced) {
        // The sheet itself changes: the unmarked page goes and one of the new size opens.
        EndPclPage();
        s.size = PclPageSize{s.fixedPlotHeight, s.fixedPlotWidth};
        EnterHpgl(kHpglPlotFile);
    } else {
        PictureFrameChanged();
    }
    HpglPlotState& h = Hpgl();
    h.scalingPointsSet = false;
    h.windowSet = false;
    HpglFrameChanged();
    applyState();
    return true;
}

bool HpglAdvancePage() {
    PclPageState& s = Pcl();
    // On a PCL page only PCL ejects the page; an empty sheet is not advanced past.
    if (s.hpglInsidePcl || !s.pageMarked) return true;
    EndPclPage();
    EnterHpgl(kHpglPlotFile);
    return true;
}

bool HpglInputRelative(const HpglParams& p) {
    if (p.size() != 2 && p.size() != 4) return false;
    double w, hgt;
    TurnedFrame(w, hgt);
    HpglParams points;
    for (size_t i = 0; i < p.size(); ++i) points.values.push_back((i % 2 == 0 ? w : hgt) * p[i] / 100);
    return HpglInputP1P2(points);
}

bool HpglInputWindow(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    if (p.size() == 4) {
        int32_t x0, y0, x1, y1;
        ScalePoint(p[0], p[1], x0, y0);
        ScalePoint(p[2], p[3], x1, y1);
        h.window[0] = std::min(x0, x1), h.window[1] = std::min(y0, y1);
        h.window[2] = std::max(x0, x1), h.window[3] = std::max(y0, y1);
        h.windowSet = true;
    } else if (p.empty()) {
        h.windowSet = false;
    } else {
        return false;
    }
    ApplyPlotWindow();
    return true;
}

void ApplyPlotWindow() {
    HDC dc = PlotDC();
    if (!dc) return;
    HpglPlotState& h = Hpgl();
    SelectClipRgn(dc, nullptr);
    if (h.windowSet) IntersectClipRect(dc, h.window[0], h.window[1], h.window[2], h.window[3]);
}
