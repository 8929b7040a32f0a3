#include "hpgl_coordinates.h"

#include "hpgl_plot_state.h"
#include "plot_page.h"

#include <algorithm>
#include <cmath>

int32_t PageCoordinate(double v) {
    if (!(v == v)) return 0;
    // Toward zero, within the limit (a whole number, so clamping first gives the same).
    return static_cast<int32_t>(std::clamp(v, double{-kMaxPlotCoordinate}, double{kMaxPlotCoordinate}));
}

namespace {

// Plotter units per user unit on each axis; false when the scaling maps nothing.
bool factors(double& sx, double& sy) {
    HpglPlotState& h = Hpgl();
    if (h.scaling == PointFactor) {
        sx = h.xMax;
        sy = h.yMax;
        return true;
    }
    if (h.scaling != Anisotropic && h.scaling != Isotropic) return false;
    double dx = h.xMax - h.xMin, dy = h.yMax - h.yMin;
    if (dx == 0 || dy == 0) return false;
    sx = (static_cast<double>(h.p2x) - h.p1x) / dx;
    sy = (static_cast<double>(h.p2y) - h.p1y) / dy;
    if (h.scaling == Isotropic) {
        // Both axes take the smaller factor, each keeping its own direction.
        double m = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
    }
    return true;
}
}  // namespace

void ScalePoint(double x, double y, int32_t& outX, int32_t& outY) {
    HpglPlotState& h = Hpgl();
    double sx, sy;
    if (factors(sx, sy)) {
        x = (x - h.xMin) * sx + h.p1x;
        y = (y - h.yMin) * sy + h.p1y;
    }
    outX = PageCoordinate(2 * x);
    outY = PageCoordinate(2 * y);
}

int32_t ScaleDisplacement(double v, PlotAxis axis) {
    double sx, sy;
    if (factors(sx, sy)) v *= axis == PlotAxis::X ? sx : sy;
    return PageCoordinate(2 * v);
}

void RelativePoint(double dx, double dy, int32_t& outX, int32_t& outY) {
    HpglPlotState& h = Hpgl();
    outX = PageCoordinate(static_cast<double>(h.x) + ScaleDisplacement(dx, PlotAxis::X));
    outY = PageCoordinate(static_cast<double>(h.y) + ScaleDisplacement(dy, PlotAxis::Y));
}

XFORM PlotRotation() {
    // A turn about the plot's frame: the origin moves to the corner that keeps the plot on it.
    int32_t frameWidth, frameHeight;
    PlotFrameSize(frameWidth, frameHeight);
    auto w = static_cast<FLOAT>(frameWidth), hgt = static_cast<FLOAT>(frameHeight);
    XFORM xf{1, 0, 0, 1, 0, 0};
    switch (Hpgl().rotation) {
    case 90: xf = {0, 1, -1, 0, w, 0}; break;
    case 180: xf = {-1, 0, 0, -1, w, hgt}; break;
    case 270: xf = {0, -1, 1, 0, 0, hgt}; break;
    default: break;
    }
    return xf;
}

void ApplyPlotRotation() {
    HDC dc = PlotPageDC();
    if (!dc) return;
    XFORM xf = PlotRotation();
    SetWorldTransform(dc, &xf);
}

bool HpglInputP1P2(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    if (p.empty()) {
        HpglFrameChanged();
        return true;
    }
    if (p.size() == 4) {
        h.p1x = p.integer(0), h.p1y = p.integer(1), h.p2x = p.integer(2), h.p2y = p.integer(3);
        // P1 on P2 would divide by nothing: P2 moves one unit off it.
        if (h.p1x == h.p2x) h.p2x = SaturatedAdd(h.p1x, 1);
        if (h.p1y == h.p2y) h.p2y = SaturatedAdd(h.p1y, 1);
        h.scalingPointsSet = true;
        return true;
    }
    if (p.size() == 2) {
        // P1 moves; the span to P2 stays.
        int64_t dx = int64_t{h.p2x} - h.p1x, dy = int64_t{h.p2y} - h.p1y;
        h.p1x = p.integer(0), h.p1y = p.integer(1);
        h.p2x = SaturatedInt(static_cast<double>(h.p1x + dx));
        h.p2y = SaturatedInt(static_cast<double>(h.p1y + dy));
        h.scalingPointsSet = true;
        return true;
    }
    return false;
}

bool HpglScale(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    switch (p.size()) {
    case 0: h.scaling = ScalingOff; return true;
    case 4: h.scaling = Anisotropic; break;
    case 5: h.scaling = p.integer(4); break;
    case 7:
        h.scaling = p.integer(4);
        h.left = p.integer(5);
        h.bottom = p.integer(6);
        break;
    default: return false;
    }
    h.xMin = p[0], h.xMax = p[1], h.yMin = p[2], h.yMax = p[3];
    return true;
}

bool HpglRotate(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    int32_t angle = p.empty() ? 0 : p.integer(0);
    if (angle % 90 != 0) return false;  // only quarter turns
    h.rotation = (angle % 360 + 360) % 360;
    // P1 and P2 that IP has not placed go to the corners of the turned frame.
    if (!h.scalingPointsSet) HpglFrameChanged();
    ApplyPlotRotation();
    return true;
}
