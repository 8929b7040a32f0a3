#include "hpgl_fills.h"

#include "dib_header.h"
#include "hpgl_coordinates.h"
#include "hpgl_drawing.h"
#include "hpgl_lines.h"
#include "hpgl_plot_setup.h"
#include "hpgl_plot_state.h"
#include "plot_page.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {
void dropFillBrush();
constexpr double kPi = std::numbers::pi;
// Largest raster fill pattern, in pixels a side.
constexpr int32_t kMaxRasterFill = 256;
// UF's gaps: how many, and the largest (in its own proportions).
constexpr size_t kMaxUserFillGaps = 20;
constexpr double kMaxUserFillGap = 32767;
// Hatch lines drawn for one fill at most; finer hatching is drawn coarser.
constexpr double kMaxHatchLines = 4000;

// The figures as a path; those marked open get no closing edge.
void addPath(HDC dc, const PlotFigures& figures, const std::vector<bool>* open = nullptr) {
    BeginPath(dc);
    for (size_t i = 0; i < figures.size(); ++i) {
        const auto& f = figures[i];
        if (f.size() < 2) continue;
        MoveToEx(dc, f[0].x, f[0].y, nullptr);
        PolylineTo(dc, f.data() + 1, static_cast<DWORD>(f.size() - 1));
        if (!open || i >= open->size() || !(*open)[i]) CloseFigure(dc);
    }
    EndPath(dc);
}

bool anyEdge(const PlotFigures& figures) {
    return std::any_of(figures.begin(), figures.end(), [](const auto& f) { return f.size() >= 2; });
}

// The DC's pen position goes back to the plot's after drawing a shape.
void backToPen(HDC dc) { MoveToEx(dc, Hpgl().x, Hpgl().y, nullptr); }

// Parallel lines at `angle` degrees across the box, with the current pen: one line every
// `spacing`, or UF's lines, whose gaps share out each `spacing` in their proportions.
void hatch(HDC dc, const RECT& box, double spacing, double angle, const std::vector<double>& gaps = {}) {
    double cx = (static_cast<double>(box.left) + box.right) / 2, cy = (static_cast<double>(box.top) + box.bottom) / 2;
    double half =
        std::hypot(static_cast<double>(box.right) - box.left, static_cast<double>(box.bottom) - box.top) / 2 + 1;
    spacing = std::max(spacing, 1.0);
    double total = 0;
    for (double g : gaps) total += g;
    std::vector<double> offsets{0};
    double sum = 0;
    for (size_t k = 0; total > 0 && k + 1 < gaps.size(); ++k) offsets.push_back((sum += gaps[k]) / total);
    spacing = std::max(spacing, 2 * half * offsets.size() / kMaxHatchLines);
    for (double& o : offsets) o *= spacing;
    double a = angle * kPi / 180, ux = std::cos(a), uy = std::sin(a), nx = -uy, ny = ux;
    for (double d = -std::floor(half / spacing) * spacing; d <= half; d += spacing)
        for (double o : offsets) {
            double px = cx + nx * (d + o), py = cy + ny * (d + o);
            MoveToEx(dc, static_cast<int>(std::lround(px - ux * half)), static_cast<int>(std::lround(py - uy * half)),
                     nullptr);
            LineTo(dc, static_cast<int>(std::lround(px + ux * half)), static_cast<int>(std::lround(py + uy * half)));
        }
}

RECT bounds(const PlotFigures& figures) {
    RECT r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const auto& f : figures)
        for (const POINT& p : f) {
            r.left = std::min(r.left, p.x), r.right = std::max(r.right, p.x);
            r.top = std::min(r.top, p.y), r.bottom = std::max(r.bottom, p.y);
        }
    return r;
}

// A pen's colour lightened to a shading level, the percentage of the paper its ink covers.
COLORREF shaded(COLORREF colour, int32_t level) {
    int32_t ink = std::clamp(level, 0, 100);
    auto mix = [ink](int32_t c) { return static_cast<BYTE>(255 - (255 - c) * ink / 100); };
    return RGB(mix(GetRValue(colour)), mix(GetGValue(colour)), mix(GetBValue(colour)));
}

// The brush of a fill type that paints with a brush; null for hatching or none.
HBRUSH fillBrush() {
    HpglPlotState& h = Hpgl();
    dropFillBrush();  // made afresh: the pen's colour may have changed
    if (h.fillType != 1 && h.fillType != 2 && h.fillType != 10 && h.fillType != 11 && h.fillType != 21 &&
        h.fillType != 22)
        return nullptr;
    h.fillBrush = CreateFillTypeBrush();
    return h.fillBrush;
}

void dropFillBrush() {
    HpglPlotState& h = Hpgl();
    if (h.fillBrush) DeleteObject(h.fillBrush);
    h.fillBrush = nullptr;
}

void rectangleFigure(int32_t x0, int32_t y0, int32_t x1, int32_t y1, PlotFigures& out) {
    out.push_back({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}
}  // namespace

void FillFigures(const PlotFigures& figures, int fillMode) {
    if (!anyEdge(figures)) return;
    HpglPlotState& h = Hpgl();
    HDC dc = PlotInkDC(h.fillType == 11 || h.fillType == 21 || h.fillType == 22);
    if (!dc) return;
    SetPolyFillMode(dc, fillMode);
    if (h.fillType == 3 || h.fillType == 4 || h.fillType == 5) {
        // Hatching: lines through the figures' outline taken as a clip.
        double spacing = std::fabs(static_cast<double>(ScaleDisplacement(h.fillSpacing, PlotAxis::X)));
        if (spacing == 0)
            spacing = std::hypot(static_cast<double>(h.p2x) - h.p1x, static_cast<double>(h.p2y) - h.p1y) * 0.01 * 2;
        RECT box = bounds(figures);
        addPath(dc, figures);
        SelectClipPath(dc, RGN_AND);
        hatch(dc, box, spacing, h.fillAngle, h.fillType == 5 ? h.userFillGaps : std::vector<double>{});
        if (h.fillType == 4) hatch(dc, box, spacing, h.fillAngle + 90.0);
        ApplyPlotWindow();  // back to IW's window alone
        backToPen(dc);
        return;
    }
    HBRUSH brush = fillBrush();
    if (!brush) return;
    BrushScope scope(dc, brush);
    addPath(dc, figures);
    FillPath(dc);
    backToPen(dc);
}

void StrokeFigures(const PlotFigures& figures, const std::vector<bool>* open) {
    if (!anyEdge(figures)) return;
    HDC dc = PlotInkDC();
    if (!dc) return;
    addPath(dc, figures, open);
    StrokePath(dc);
    backToPen(dc);
}

bool HpglPolygonMode(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    int32_t mode = p.empty() ? 0 : p.integer(0);
    if (mode == 0) {
        h.polygon.clear();
        h.polygonOpen.clear();
        h.polygonPoints = 0;
        h.polygonMode = true;
        PlotMoveTo(h.x, h.y);  // the first figure starts at the pen
    } else if (mode == 1 && h.polygonMode) {
        PlotMoveTo(h.x, h.y);  // the next figure starts where the pen is
    } else if (mode == 2 && h.polygonMode) {
        h.polygonMode = false;
        if (HDC dc = PlotDC()) backToPen(dc);
    } else {
        return false;
    }
    return true;
}

bool HpglEdgePolygon() {
    if (Hpgl().polygonMode) return false;
    StrokeFigures(Hpgl().polygon, &Hpgl().polygonOpen);
    return true;
}

bool HpglFillPolygon(const HpglParams& p) {
    if (Hpgl().polygonMode) return false;
    FillFigures(Hpgl().polygon, !p.empty() && p.integer(0) != 0 ? WINDING : ALTERNATE);
    return true;
}

bool HpglRectangle(const HpglParams& p, bool relative, bool filled) {
    if (p.size() != 2) return false;
    HpglPlotState& h = Hpgl();
    int32_t x, y;
    if (relative) RelativePoint(p[0], p[1], x, y);
    else ScalePoint(p[0], p[1], x, y);
    PlotFigures figure;
    rectangleFigure(h.x, h.y, x, y, figure);
    if (filled) FillFigures(figure, ALTERNATE);
    else StrokeFigures(figure);
    return true;
}

bool HpglWedge(const HpglParams& p, bool filled) {
    if (p.size() < 3) return false;
    HpglPlotState& h = Hpgl();
    double r = std::fabs(static_cast<double>(ScaleDisplacement(p[0], PlotAxis::X)));
    double start = p[1] * kPi / 180, sweep = std::clamp(p[2], -360.0, 360.0) * kPi / 180;
    if (r == 0) return true;
    // The centre, the arc from the start angle the way the sweep turns, and back.
    PlotFigures figure(1);
    bool whole = std::fabs(sweep) >= 2 * kPi;
    if (!whole) figure[0].push_back(POINT{h.x, h.y});
    std::vector<POINT> arc = ArcPoints(h.x, h.y, r, start, sweep, 2, 2);
    figure[0].insert(figure[0].end(), arc.begin(), arc.end());
    if (filled) FillFigures(figure, ALTERNATE);
    else StrokeFigures(figure);
    return true;
}

bool HpglFillType(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    dropFillBrush();
    h.fillType = p.empty() ? 1 : p.integer(0);
    if (h.fillType == 3 || h.fillType == 4 || h.fillType == 5 || h.fillType == 11) {
        if (p.size() >= 2) {
            if (h.fillType == 11) h.rasterFillIndex = p.integer(1);
            else h.fillSpacing = p.integer(1);
        }
        if (p.size() >= 3 && h.fillType != 11) h.fillAngle = p.integer(2);
    } else if ((h.fillType == 10 || h.fillType == 21 || h.fillType == 22) && p.size() >= 2) {
        h.fillSpacing = p.integer(1);
    }
    return true;
}

bool HpglUserFill(const HpglParams& p) {
    // Up to 20 gaps between the lines of FT5's hatching; none gives even lines again.
    HpglPlotState& h = Hpgl();
    h.userFillGaps.clear();
    for (size_t k = 0; k < p.size() && k < kMaxUserFillGaps; ++k) {
        double g = p[k];
        if (!(g >= 0) || g > kMaxUserFillGap) return false;
        h.userFillGaps.push_back(g);
    }
    return true;
}

bool HpglRasterFill(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    if (p.empty()) {
        h.rasterFillIndex = -1;
        return true;
    }
    h.rasterFillIndex = p.integer(0);
    if (p.size() < 3) return true;
    int32_t w = std::clamp(p.integer(1), 0, kMaxRasterFill), ht = std::clamp(p.integer(2), 0, kMaxRasterFill);
    if (w == 0 || ht == 0) return false;
    // A packed two-colour DIB, rows padded to 32 bits: set pixels take colour 1, black as the
    // text colour of a monochrome brush, the others colour 0, white. A DIB with its own colours
    // rather than a monochrome bitmap, as some metafile players read those wrongly.
    TwoColourDib head = MakeTwoColourDib(w, ht, 1);
    size_t stride = (static_cast<size_t>(w) + 31) / 32 * 4;
    std::vector<uint8_t> packed(sizeof head + stride * static_cast<size_t>(ht), 0);
    std::memcpy(packed.data(), &head, sizeof head);
    uint8_t* rows = packed.data() + sizeof head;
    for (size_t k = 0; k + 3 < p.size() && k < static_cast<size_t>(w) * ht; ++k)
        if (p[k + 3] != 0) rows[k / w * stride + k % w / 8] |= static_cast<uint8_t>(0x80 >> (k % w % 8));
    h.rasterFills[h.rasterFillIndex] = std::move(packed);
    if (h.screenType == 2) RemakePen(h.currentPen);  // lines screened with this fill take it
    return true;
}

bool HpglAnchorCorner(const HpglParams& p) {
    if (p.size() < 2) return false;
    int32_t x, y;
    ScalePoint(p[0], p[1], x, y);
    if (HDC dc = PlotDC()) SetBrushOrgEx(dc, x, y, nullptr);
    return true;
}

void ReleaseFillBrushes() {
    dropFillBrush();
    Hpgl().rasterFills.clear();
}

PlotPaint PaintOf(int32_t type, int32_t option) {
    HpglPlotState& h = Hpgl();
    PlotPaint paint;
    paint.colour = PenColor(h.currentPen);
    switch (type) {
    case 10: paint.colour = shaded(paint.colour, option); break;
    case 11: {
        // An index no RF defined fills solid, as a printer does.
        auto it = h.rasterFills.find(option);
        if (it != h.rasterFills.end()) paint.pattern = it->second;
        break;
    }
    case 21:
    case 22:
        // PCL's cross-hatches (1 to 6) and user patterns by ID; one never defined paints nothing.
        paint.pattern = PclPatternDib(type == 21 ? 3 : 4, option);
        paint.invisible = paint.pattern.empty();
        break;
    default: break;
    }
    return paint;
}

bool HpglScreenedVectors(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    int32_t type = p.empty() ? 0 : p.integer(0);
    if (type != 0 && type != 1 && type != 2 && type != 21 && type != 22) return false;
    // Shading's level, a raster fill's index or a pattern's number; each screen has its default.
    int32_t option = p.size() >= 2 ? p.integer(1) : type == 1 ? 50 : type == 2 ? h.rasterFillIndex : 1;
    // A hatch or user pattern the printer does not have leaves the screen as it was.
    if ((type == 21 || type == 22) && PclPatternDib(type == 21 ? 3 : 4, option).empty()) return false;
    h.screenType = type;
    h.screenOption = option;
    RemakePen(h.currentPen);
    return true;
}

HBRUSH CreateFillTypeBrush() {
    const HpglPlotState& h = Hpgl();
    PlotPaint paint = PaintOf(h.fillType, h.fillType == 11 ? h.rasterFillIndex : h.fillSpacing);
    if (paint.invisible) return nullptr;
    return paint.pattern.empty() ? CreateSolidBrush(paint.colour)
                                 : CreateDIBPatternBrushPt(paint.pattern.data(), DIB_RGB_COLORS);
}

bool VectorsScreenedWithPattern() {
    const HpglPlotState& h = Hpgl();
    return h.screenType == 21 || h.screenType == 22 || (h.screenType == 2 && h.rasterFills.count(h.screenOption));
}

std::optional<PlotPaint> VectorScreen() {
    const HpglPlotState& h = Hpgl();
    if (h.screenType == 0) return std::nullopt;
    return PaintOf(h.screenType == 1 ? 10 : h.screenType == 2 ? 11 : h.screenType, h.screenOption);
}
