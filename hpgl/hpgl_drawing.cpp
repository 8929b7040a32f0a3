#include "hpgl_drawing.h"

#include "hpgl_coordinates.h"
#include "hpgl_fills.h"
#include "hpgl_labels.h"
#include "hpgl_plot_state.h"
#include "plot_page.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
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

// The page DC's mix for ink: MC's raster operation with the drawn object as a black source
// and its colour or fill pattern as the texture, so that each bit of the result depends on the
// texture's and the page's bits alone. The white of a fill pattern leaves the page as it is
// while TR makes white transparent.
int inkMix(bool patternFill) {
    const HpglPlotState& h = Hpgl();
    int table = 0;
    for (int texture = 0; texture < 2; ++texture)
        for (int page = 0; page < 2; ++page) {
            int bit =
                patternFill && texture && h.whiteTransparent ? page : (h.mergeOperation >> (texture * 4 + page)) & 1;
            table |= bit << (texture * 2 + page);
        }
    return table + 1;  // R2_BLACK is 1 and counts up through the sixteen mixes
}
}  // namespace

HDC PlotDC() { return PlotPageDC(); }

HDC PlotInkDC(bool patternFill) {
    HDC dc = MarkPlotPage();
    if (!dc) return nullptr;
    int mix = inkMix(patternFill);
    if (GetROP2(dc) != mix) SetROP2(dc, mix);
    return dc;
}

HDC PlotInkDC() { return PlotInkDC(VectorsScreenedWithPattern()); }

bool HpglMergeControl(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    // MC0 (or none) paints as usual; MC1 combines ink and page by the operation given, 168 unless named.
    if (p.empty() || p.integer(0) == 0) h.mergeOperation = kPaintOperation;
    else if (p.integer(0) == 1) {
        int32_t op = p.size() > 1 ? p.integer(1) : 168;
        if (op >= 0 && op <= 255) h.mergeOperation = op;
    }
    return true;
}

bool HpglTransparencyMode(const HpglParams& p) {
    int32_t mode = p.empty() ? 1 : p.integer(0);
    if (mode == 0 || mode == 1) Hpgl().whiteTransparent = mode == 1;
    return true;
}

void PlotMoveTo(int32_t x, int32_t y) {
    if (Hpgl().polygonMode) addPolygonPoint(x, y, true);
    else if (HDC dc = PlotDC()) MoveToEx(dc, x, y, nullptr);
}

void PlotLineTo(int32_t x, int32_t y) {
    if (Hpgl().polygonMode) addPolygonPoint(x, y, false);
    else if (HDC dc = PlotInkDC()) LineTo(dc, x, y);
}

void PenTo(int32_t x, int32_t y, bool down) {
    HpglPlotState& h = Hpgl();
    h.x = h.crX = x;
    h.y = h.crY = y;
    if (down) PlotLineTo(x, y);
    else PlotMoveTo(x, y);
}

std::vector<POINT> ArcPoints(double cx, double cy, double r, double start, double sweep, double stepDegrees,
                             int minSteps) {
    double degrees = std::fabs(sweep) * 180 / std::numbers::pi;
    int steps = std::max(minSteps, static_cast<int>(std::ceil(degrees / stepDegrees)));
    std::vector<POINT> points;
    points.reserve(static_cast<size_t>(steps) + 1);
    for (int k = 0; k <= steps; ++k) {
        double a = start + sweep * k / steps;
        points.push_back(
            POINT{PageCoordinate(std::round(cx + r * std::cos(a))), PageCoordinate(std::round(cy + r * std::sin(a)))});
    }
    return points;
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
    } else if (HDC dc = PlotInkDC()) {
        PolyBezierTo(dc, points.data(), static_cast<DWORD>(n));
    }
    h.x = points[n - 1].x, h.y = points[n - 1].y;
}

void PlotArcTo(int32_t cx, int32_t cy, double radius, double startAngle, double sweep, int32_t x1, int32_t y1) {
    HpglPlotState& h = Hpgl();
    sweep = std::clamp(sweep, -360.0, 360.0);
    int32_t x0 = h.x, y0 = h.y;
    h.x = x1, h.y = y1;
    if (h.polygonMode) {
        // The chords of the arc: its inner points, then the end point itself.
        std::vector<POINT> chords = ArcPoints(cx, cy, radius, startAngle, sweep * std::numbers::pi / 180, 5, 1);
        for (size_t k = 1; k + 1 < chords.size(); ++k) addPolygonPoint(chords[k].x, chords[k].y, false);
        addPolygonPoint(x1, y1, false);
        return;
    }
    HDC dc = PlotInkDC();
    if (!dc) return;
    auto ir = static_cast<int32_t>(std::min(radius, double{kMaxPlotCoordinate}));
    // y grows upward on the plot, so a counter-clockwise sweep is the DC's clockwise direction.
    SetArcDirection(dc, sweep > 0 ? AD_CLOCKWISE : AD_COUNTERCLOCKWISE);
    if (std::fabs(sweep) >= 360) {
        // A whole turn: start and end radials coincide.
        ArcTo(dc, cx - ir, cy + ir, cx + ir, cy - ir, x0, y0, x0, y0);
    } else {
        ArcTo(dc, cx - ir, cy + ir, cx + ir, cy - ir, x0, y0, x1, y1);
    }
    MoveToEx(dc, x1, y1, nullptr);
}

void PlotCircle(int32_t cx, int32_t cy, int32_t r) {
    HpglPlotState& h = Hpgl();
    if (h.polygonMode) {
        std::vector<POINT> ring = ArcPoints(cx, cy, r, 0, 2 * std::numbers::pi, 5, 1);
        for (size_t k = 0; k < ring.size(); ++k) addPolygonPoint(ring[k].x, ring[k].y, k == 0);
        addPolygonPoint(h.x, h.y, true);  // the pen stays at the centre
        return;
    }
    if (HDC dc = PlotInkDC()) {
        Arc(dc, cx - r, cy + r, cx + r, cy - r, cx, cy + r, cx, cy + r);
        MoveToEx(dc, h.x, h.y, nullptr);
    }
}

void PlotSymbol() {
    HpglPlotState& h = Hpgl();
    if (h.symbolMode && !h.polygonMode) PlotSymbolCharacter(h.symbol);
}
