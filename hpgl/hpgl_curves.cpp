// Circles, arcs and Bezier curves of HP-GL/2.
#include "hpgl_curves.h"

#include "hpgl_coordinates.h"
#include "hpgl_drawing.h"
#include "hpgl_plot_state.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double kPi = std::numbers::pi;

// An arc from the current position about (cx, cy) through `sweep` degrees.
void sweptArc(int32_t cx, int32_t cy, double sweep) {
    HpglPlotState& h = Hpgl();
    sweep = std::clamp(sweep, -360.0, 360.0);
    double dx = static_cast<double>(h.x) - cx, dy = static_cast<double>(h.y) - cy, r = std::hypot(dx, dy);
    double a0 = std::atan2(dy, dx), a1 = a0 + sweep * kPi / 180;
    int32_t x1 = PageCoordinate(cx + std::cos(a1) * r), y1 = PageCoordinate(cy + std::sin(a1) * r);
    if (sweep == 0 || r == 0) return;  // no arc, and the pen stays where it is
    if (h.penUp) {
        PenTo(x1, y1, false);
        return;
    }
    PlotArcTo(cx, cy, r, a0, sweep, x1, y1);
}

// The arc from the current position through (ix, iy) to (ex, ey).
void threePointArc(int32_t ix, int32_t iy, int32_t ex, int32_t ey) {
    HpglPlotState& h = Hpgl();
    double px = h.x, py = h.y;
    double d = 2 * (px * (iy - ey) + ix * (ey - py) + ex * (py - iy));
    if (h.penUp) {
        PenTo(ex, ey, false);
        return;
    }
    if (std::fabs(d) < 1e-9) {
        PenTo(ex, ey, true);  // collinear points: the arc is the straight line to the end point
        return;
    }
    double p2 = px * px + py * py, i2 = static_cast<double>(ix) * ix + static_cast<double>(iy) * iy,
           e2 = static_cast<double>(ex) * ex + static_cast<double>(ey) * ey;
    double cx = (p2 * (iy - ey) + i2 * (ey - py) + e2 * (py - iy)) / d;
    double cy = (p2 * (ex - ix) + i2 * (px - ex) + e2 * (ix - px)) / d;
    auto angle = [&](double x, double y) { return std::atan2(y - cy, x - cx); };
    auto ccw = [](double from, double to) {  // counter-clockwise turn from one angle to another, in [0, 2pi)
        double t = std::fmod(to - from, 2 * kPi);
        return t < 0 ? t + 2 * kPi : t;
    };
    double a0 = angle(px, py), toEnd = ccw(a0, angle(ex, ey)), toMiddle = ccw(a0, angle(ix, iy));
    // The arc runs the way that passes the middle point.
    double sweep = toMiddle <= toEnd ? toEnd : toEnd - 2 * kPi;
    double r = std::hypot(px - cx, py - cy);
    if (r > kMaxPlotCoordinate || std::fabs(cx) > kMaxPlotCoordinate || std::fabs(cy) > kMaxPlotCoordinate) {
        PenTo(ex, ey, true);  // a circle too large to draw is as good as its chord
        return;
    }
    PlotArcTo(PageCoordinate(cx), PageCoordinate(cy), r, a0, sweep * 180 / kPi, ex, ey);
}

void beziers(const HpglParams& p, bool relative) {
    HpglPlotState& h = Hpgl();
    size_t pairs = p.size() / 2, whole = pairs / 3 * 3;
    if (whole == 0) return;
    std::vector<POINT> points;
    points.reserve(whole);
    int32_t sx = h.x, sy = h.y;  // the start of the segment, which relative points are taken from
    for (size_t i = 0; i < whole; ++i) {
        int32_t x, y;
        if (relative) {
            x = PageCoordinate(static_cast<double>(sx) + ScaleDisplacement(p[2 * i], PlotAxis::X));
            y = PageCoordinate(static_cast<double>(sy) + ScaleDisplacement(p[2 * i + 1], PlotAxis::Y));
            if (i % 3 == 2) sx = x, sy = y;
        } else {
            ScalePoint(p[2 * i], p[2 * i + 1], x, y);
        }
        points.push_back(POINT{x, y});
    }
    if (h.penUp) {
        PenTo(points.back().x, points.back().y, false);
        return;
    }
    PlotBezierTo(points);
}
}  // namespace

bool HpglCircle(const HpglParams& p) {
    if (p.empty()) return false;
    HpglPlotState& h = Hpgl();
    int32_t r = std::abs(std::max(ScaleDisplacement(p[0], PlotAxis::X), -kMaxPlotCoordinate));
    if (r > 0) PlotCircle(h.x, h.y, r);
    return true;
}

bool HpglArc(const HpglParams& p, bool relative) {
    if (p.size() < 3) return false;
    int32_t cx, cy;
    if (relative) RelativePoint(p[0], p[1], cx, cy);
    else ScalePoint(p[0], p[1], cx, cy);
    sweptArc(cx, cy, p[2]);
    return true;
}

bool HpglThreePointArc(const HpglParams& p, bool relative) {
    if (p.size() < 4) return false;
    int32_t ix, iy, ex, ey;
    if (relative) {
        RelativePoint(p[0], p[1], ix, iy);
        RelativePoint(p[2], p[3], ex, ey);
    } else {
        ScalePoint(p[0], p[1], ix, iy);
        ScalePoint(p[2], p[3], ex, ey);
    }
    threePointArc(ix, iy, ex, ey);
    return true;
}

bool HpglBezier(const HpglParams& p, bool relative) {
    beziers(p, relative);
    return true;
}
