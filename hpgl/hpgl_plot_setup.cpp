#include "hpgl_plot_setup.h"

#include "hpgl_coordinates.h"
#include "hpgl_drawing.h"
#include "hpgl_lines.h"
#include "hpgl_plot_state.h"
#include "plot_page.h"

#include <algorithm>
#include <cmath>

namespace {
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
    PlotMedia media = SetPlotMedia(p.size() >= 1 ? std::optional<double>(p[0]) : std::nullopt,
                                   p.size() >= 2 ? std::optional<double>(p[1]) : std::nullopt);
    if (media != PlotMedia::Changed) return media == PlotMedia::Kept;
    HpglPlotState& h = Hpgl();
    h.scalingPointsSet = false;
    h.windowSet = false;
    HpglFrameChanged();
    applyState();
    return true;
}

bool HpglAdvancePage() {
    AdvancePlotPage();
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
    if (PlotInsidePcl()) {
        // On a PCL page the picture frame is the plot's hard clip: nothing is drawn past it.
        int32_t width, height;
        PlotFrameSize(width, height);
        bool turned = h.rotation == 90 || h.rotation == 270;
        IntersectClipRect(dc, 0, 0, turned ? height : width, turned ? width : height);
    }
    if (h.windowSet) IntersectClipRect(dc, h.window[0], h.window[1], h.window[2], h.window[3]);
}
