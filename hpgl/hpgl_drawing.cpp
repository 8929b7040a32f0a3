#include "hpgl_drawing.h"

#include "hpgl_coordinates.h"
#include "hpgl_plot_state.h"
#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
// Polygon buffers stop growing here; a plot that goes on draws nothing more into them.
constexpr size_t kMaxPolygonPoints = 1 << 20;

void addPolygonPoint(int32_t x, int32_t y, bool newFigure) {
    HpglPlotState& h = Hpgl();
    if (h.polygonPoints >= kMaxPolygonPoints) return;
    auto& poly = h.polygon;
    if (newFigure || poly.empty()) {
        // A figure of a single point has no edge: a move replaces it.
        if (!poly.empty() && poly.back().size() < 2) {
            h.polygonPoints -= poly.back().size();
            poly.back().clear();
            h.polygonOpen.back() = false;
        } else {
            poly.emplace_back();
            h.polygonOpen.push_back(false);
        }
    }
    poly.back().push_back(POINT{x, y});
    ++h.polygonPoints;
}
}  // namespace

HDC PlotDC() { return Pcl().pageDC; }

void PlotMoveTo(int32_t x, int32_t y) {
    if (Hpgl().polygonMode) addPolygonPoint(x, y, true);
    else if (HDC dc = PlotDC()) MoveToEx(dc, x, y, nullptr);
}

void PlotLineTo(int32_t x, int32_t y) {
    if (Hpgl().polygonMode) addPolygonPoint(x, y, false);
    else if (HDC dc = PlotDC()) LineTo(dc, x, y);
}

void PlotBezierTo(const std::vector<POINT>& points) {
    size_t n = points.size() / 3 * 3;
    if (n == 0) return;
    HpglPlotState& h = Hpgl();
    if (h.polygonMode) {
        // Polygons hold straight edges: each segment goes in as sixteen chords.
        POINT p0{h.x, h.y};
        if (!h.polygon.empty() && !h.polygon.back().empty()) p0 = h.polygon.back().back();
        for (size_t i = 0; i < n; i += 3) {
            const POINT &a = points[i], &b = points[i + 1], &c = points[i + 2];
            for (int k = 1; k <= 16; ++k) {
                double t = k / 16.0, u = 1 - t;
                double x = u * u * u * p0.x + 3 * u * u * t * a.x + 3 * u * t * t * b.x + t * t * t * c.x;
                double y = u * u * u * p0.y + 3 * u * u * t * a.y + 3 * u * t * t * b.y + t * t * t * c.y;
                addPolygonPoint(static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)), false);
            }
            p0 = c;
        }
        return;
    }
    if (HDC dc = PlotDC()) PolyBezierTo(dc, points.data(), static_cast<DWORD>(n));
}

void PlotArcTo(int32_t cx, int32_t cy, double radius, double startAngle, double sweep, int32_t x1, int32_t y1) {
    HpglPlotState& h = Hpgl();
    sweep = std::clamp(sweep, -360.0, 360.0);
    if (h.polygonMode) {
        int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / 5)));
        for (int k = 1; k < steps; ++k) {
            double a = startAngle + sweep * kPi / 180 * k / steps;
            addPolygonPoint(static_cast<int32_t>(std::lround(cx + radius * std::cos(a))),
                            static_cast<int32_t>(std::lround(cy + radius * std::sin(a))), false);
        }
        addPolygonPoint(x1, y1, false);
        return;
    }
    HDC dc = PlotDC();
    if (!dc) return;
    auto ir = static_cast<int32_t>(std::min(radius, double{kMaxPlotCoordinate}));
    // y grows upward on the plot, so a counter-clockwise sweep is the DC's clockwise direction.
    SetArcDirection(dc, sweep > 0 ? AD_CLOCKWISE : AD_COUNTERCLOCKWISE);
    if (std::fabs(sweep) >= 360) {
        // A whole turn: start and end radials coincide.
        ArcTo(dc, cx - ir, cy + ir, cx + ir, cy - ir, h.x, h.y, h.x, h.y);
    } else {
        ArcTo(dc, cx - ir, cy + ir, cx + ir, cy - ir, h.x, h.y, x1, y1);
    }
    MoveToEx(dc, x1, y1, nullptr);
}

void PlotCircle(int32_t cx, int32_t cy, int32_t r) {
    HpglPlotState& h = Hpgl();
    if (h.polygonMode) {
        addPolygonPoint(static_cast<int32_t>(std::min<int64_t>(int64_t{cx} + r, kMaxPlotCoordinate)), cy, true);
        for (int k = 1; k <= 72; ++k) {
            double a = 2 * kPi * k / 72;
            addPolygonPoint(static_cast<int32_t>(std::lround(cx + r * std::cos(a))),
                            static_cast<int32_t>(std::lround(cy + r * std::sin(a))), false);
        }
        addPolygonPoint(h.x, h.y, true);  // the pen stays at the centre
        return;
    }
    if (HDC dc = PlotDC()) {
        Arc(dc, cx - r, cy + r, cx + r, cy - r, cx, cy + r, cx, cy + r);
        MoveToEx(dc, h.x, h.y, nullptr);
    }
}

void PlotSymbol() {
    HpglPlotState& h = Hpgl();
    HDC dc = PlotDC();
    if (!h.symbolMode || !dc || h.polygonMode) return;
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    UINT align = SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    // Centred on the vertex: the baseline sits half a cap height below it.
    int32_t lift = (tm.tmAscent - tm.tmInternalLeading) / 2;
    TextOutA(dc, h.x, h.y - lift, &h.symbol, 1);
    SetTextAlign(dc, align);
    MoveToEx(dc, h.x, h.y, nullptr);
}
