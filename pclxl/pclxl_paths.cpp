// Paths: lines, Beziers and shapes added to the current path, painting it,
// and clipping to it.
#include "pclxl_drawing.h"
#include "pclxl_handlers.h"
#include "pclxl_stream.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;

void addPoint(const POINT& p, BYTE type) {
    PclXlPath& path = XlState().path;
    if (path.points.size() >= kMaxPathPoints) throw PclXlError("Invalig input data");
    path.points.push_back(p);
    path.types.push_back(type);
}

// A new figure begins at the cursor unless one is open.
void openFigure() {
    PclXlState& s = XlState();
    PclXlPath& path = s.path;
    if (path.figureOpen) return;
    POINT p = XlMapCursor(s.cursor[0], s.cursor[1]);
    if (!path.types.empty() && path.types.back() == PT_MOVETO) path.points.back() = p;
    else addPoint(p, PT_MOVETO);
    path.figureOpen = true;
    path.start[0] = s.cursor[0], path.start[1] = s.cursor[1];
}

void lineTo(double x, double y) {
    openFigure();
    XlMoveCursor(x, y);
    addPoint(XlMapCursor(x, y), PT_LINETO);
    XlState().path.pending = true;
}

void bezierTo(const double (&c)[6]) {
    openFigure();
    for (int i = 0; i < 6; i += 2) addPoint(XlMapCursor(c[i], c[i + 1]), PT_BEZIERTO);
    XlMoveCursor(c[4], c[5]);
    XlState().path.pending = true;
}

void closeFigure() {
    PclXlState& s = XlState();
    PclXlPath& path = s.path;
    if (!path.figureOpen) return;
    if (path.types.back() != PT_MOVETO) path.types.back() |= PT_CLOSEFIGURE;
    path.figureOpen = false;
    XlMoveCursor(path.start[0], path.start[1]);
}

// The point list that follows an operator in its embedded data, in the
// format PointType names; only complete entries are read.
template <class Each>
void forEachPoint(size_t limit, Each each) {
    PclXlState& s = XlState();
    XlReadOperatorData();
    const uint8_t* d = s.embedded;
    size_t n = s.embeddedSize;
    int type = s.attr.pointType;
    size_t entry = type == 0 || type == 1 ? 2 : 4;
    bool lowFirst = s.attr.dataOrg != 0;
    for (size_t at = 0, count = 0; at + entry <= n && count < limit; at += entry, ++count) {
        int32_t x, y;
        if (type == 0) {
            x = d[at], y = d[at + 1];
        } else if (type == 1) {
            x = static_cast<int8_t>(d[at]), y = static_cast<int8_t>(d[at + 1]);
        } else {
            auto word = [&](size_t i) {
                return static_cast<int16_t>(lowFirst ? d[i] | (d[i + 1] << 8) : (d[i] << 8) | d[i + 1]);
            };
            x = word(at), y = word(at + 2);
        }
        each(x, y);
    }
}

size_t pointLimit() {
    const PclXlAttributes& a = XlState().attr;
    return XlGiven(xla::NumberOfPoints) ? static_cast<size_t>(std::max(a.numberOfPoints, 0)) : SIZE_MAX;
}

// The box of BoundingBox in user space with the page origin, ordered.
void boundingBox(double& x0, double& y0, double& x1, double& y1) {
    PclXlState& s = XlState();
    const int32_t* b = s.attr.boundingBox;
    x0 = s.origin[0] + std::min(b[0], b[2]), x1 = s.origin[0] + std::max(b[0], b[2]);
    y0 = s.origin[1] + std::min(b[1], b[3]), y1 = s.origin[1] + std::max(b[1], b[3]);
}

void newFigureAt(double x, double y) {
    PclXlState& s = XlState();
    s.path.figureOpen = false;
    XlMoveCursor(x, y);
    openFigure();
}

// An elliptical arc in user space (y down): from parameter angle a0 over
// `sweep` radians, as Bezier segments of at most a quarter turn.
void arcSegments(double cx, double cy, double rx, double ry, double a0, double sweep) {
    int parts = std::max(1, static_cast<int>(std::ceil(std::abs(sweep) / (kPi / 2) - 1e-9)));
    double step = sweep / parts, k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < parts; ++i) {
        double t0 = a0 + step * i, t1 = t0 + step;
        double c[6] = {cx + rx * (std::cos(t0) - k * std::sin(t0)),
                       cy + ry * (std::sin(t0) + k * std::cos(t0)),
                       cx + rx * (std::cos(t1) + k * std::sin(t1)),
                       cy + ry * (std::sin(t1) - k * std::cos(t1)),
                       cx + rx * std::cos(t1),
                       cy + ry * std::sin(t1)};
        bezierTo(c);
    }
}

struct ArcGeometry {
    double cx, cy, rx, ry, a0, sweep;
};

// The arc of the bounding box's ellipse from the ray through StartPoint to the
// ray through EndPoint, clockwise on the page unless ArcDirection says otherwise.
ArcGeometry boxArc() {
    PclXlState& s = XlState();
    double x0, y0, x1, y1;
    boundingBox(x0, y0, x1, y1);
    ArcGeometry a{(x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2, 0, 2 * kPi};
    auto angle = [&](const int32_t* p) {
        double dx = s.origin[0] + p[0] - a.cx, dy = s.origin[1] + p[1] - a.cy;
        return std::atan2(a.ry > 0 ? dy / a.ry : dy, a.rx > 0 ? dx / a.rx : dx);
    };
    a.a0 = angle(s.attr.startPoint);
    double a1 = angle(s.attr.endPoint);
    double sweep = std::fmod(a1 - a.a0 + 4 * kPi, 2 * kPi);
    if (sweep < 1e-9) sweep = 2 * kPi;
    bool clockwise = s.attr.arcDirection == 0;
    a.sweep = clockwise ? sweep : sweep - 2 * kPi;
    if (!clockwise && a.sweep > -1e-9) a.sweep = -2 * kPi;
    return a;
}

void paintShape(bool paint) {
    if (!paint) return;
    PclXlState& s = XlState();
    XlPaintPath(s.path, true, true);
    s.path.pending = false;
}

// Shapes painted at once replace the path; the Path forms add to it.
void startShape(bool paint) {
    if (paint) XlState().path.clear();
}

void clipToPath(bool reset) {
    PclXlState& s = XlState();
    if (!s.dc) return;
    if (reset) SelectClipRgn(s.dc, nullptr);
    if (s.path.points.empty()) return;
    BeginPath(s.dc);
    PolyDraw(s.dc, s.path.points.data(), s.path.types.data(), static_cast<int>(s.path.points.size()));
    EndPath(s.dc);
    SetPolyFillMode(s.dc, s.gs.clipMode == 1 ? ALTERNATE : WINDING);
    s.modes.fillMode = -1;
    SelectClipPath(s.dc, s.attr.clipRegion == 1 ? RGN_DIFF : RGN_AND);
    s.path.pending = false;
}
}  // namespace

void XlMoveCursor(double x, double y) {
    PclXlState& s = XlState();
    s.cursor[0] = static_cast<int32_t>(std::clamp(x, -1e9, 1e9));
    s.cursor[1] = static_cast<int32_t>(std::clamp(y, -1e9, 1e9));
}

void XlPaintPath(const PclXlPath& path, bool fill, bool stroke) {
    PclXlState& s = XlState();
    if (!s.dc || path.points.empty() || (!fill && !stroke)) return;
    XlSelectObjects();
    BeginPath(s.dc);
    PolyDraw(s.dc, path.points.data(), path.types.data(), static_cast<int>(path.points.size()));
    EndPath(s.dc);
    if (fill && stroke) StrokeAndFillPath(s.dc);
    else if (fill) FillPath(s.dc);
    else StrokePath(s.dc);
}

void XlNewPath() { XlState().path.clear(); }

void XlCloseSubPath() {
    PclXlState& s = XlState();
    closeFigure();
    // The outline drawn so far is stroked; the path stays for PaintPath.
    XlPaintPath(s.path, false, true);
}

void XlPaintPathOperator() {
    PclXlState& s = XlState();
    XlPaintPath(s.path, true, true);
    s.path.pending = false;
}

void XlPaintPendingPath() {
    PclXlState& s = XlState();
    if (!s.path.pending) return;
    closeFigure();
    XlPaintPath(s.path, s.attr.fillMode != 0, true);
    s.path.pending = false;
}

void XlLinePath(bool relative) {
    PclXlState& s = XlState();
    if (XlGiven(xla::EndPoint)) {
        const int32_t* e = s.attr.endPoint;
        if (relative) lineTo(s.cursor[0] + static_cast<int16_t>(e[0]), s.cursor[1] + static_cast<int16_t>(e[1]));
        else lineTo(s.origin[0] + static_cast<double>(e[0]), s.origin[1] + static_cast<double>(e[1]));
        return;
    }
    forEachPoint(pointLimit(), [&](int32_t x, int32_t y) {
        if (relative) lineTo(static_cast<double>(s.cursor[0]) + x, static_cast<double>(s.cursor[1]) + y);
        else lineTo(static_cast<double>(s.origin[0]) + x, static_cast<double>(s.origin[1]) + y);
    });
}

void XlBezierPath(bool relative) {
    PclXlState& s = XlState();
    if (XlGiven(xla::NumberOfPoints)) {
        double c[6];
        int filled = 0;
        double baseX = s.cursor[0], baseY = s.cursor[1];
        forEachPoint(pointLimit(), [&](int32_t x, int32_t y) {
            // Relative points count from the start of their segment.
            c[filled] = relative ? baseX + x : static_cast<double>(s.origin[0]) + x;
            c[filled + 1] = relative ? baseY + y : static_cast<double>(s.origin[1]) + y;
            filled += 2;
            if (filled == 6) {
                bezierTo(c);
                filled = 0;
                baseX = s.cursor[0], baseY = s.cursor[1];
            }
        });
        return;
    }
    const PclXlAttributes& a = s.attr;
    double bx = relative ? s.cursor[0] : s.origin[0], by = relative ? s.cursor[1] : s.origin[1];
    double c[6] = {bx + a.controlPoint1[0], by + a.controlPoint1[1], bx + a.controlPoint2[0],
                   by + a.controlPoint2[1], bx + a.endPoint[0],      by + a.endPoint[1]};
    bezierTo(c);
}

void XlRectangle(bool paint) {
    startShape(paint);
    double x0, y0, x1, y1;
    boundingBox(x0, y0, x1, y1);
    newFigureAt(x0, y0);
    lineTo(x1, y0);
    lineTo(x1, y1);
    lineTo(x0, y1);
    closeFigure();
    paintShape(paint);
}

void XlRoundRectangle(bool paint) {
    PclXlState& s = XlState();
    startShape(paint);
    double x0, y0, x1, y1;
    boundingBox(x0, y0, x1, y1);
    double rx = std::min(std::abs(s.attr.ellipseDimension[0]) / 2.0, (x1 - x0) / 2);
    double ry = std::min(std::abs(s.attr.ellipseDimension[1]) / 2.0, (y1 - y0) / 2);
    newFigureAt(x0 + rx, y0);
    lineTo(x1 - rx, y0);
    arcSegments(x1 - rx, y0 + ry, rx, ry, -kPi / 2, kPi / 2);
    lineTo(x1, y1 - ry);
    arcSegments(x1 - rx, y1 - ry, rx, ry, 0, kPi / 2);
    lineTo(x0 + rx, y1);
    arcSegments(x0 + rx, y1 - ry, rx, ry, kPi / 2, kPi / 2);
    lineTo(x0, y0 + ry);
    arcSegments(x0 + rx, y0 + ry, rx, ry, kPi, kPi / 2);
    closeFigure();
    paintShape(paint);
}

void XlEllipse(bool paint) {
    startShape(paint);
    double x0, y0, x1, y1;
    boundingBox(x0, y0, x1, y1);
    double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    newFigureAt(x1, cy);
    arcSegments(cx, cy, (x1 - x0) / 2, (y1 - y0) / 2, 0, 2 * kPi);
    closeFigure();
    paintShape(paint);
}

void XlArcPath() {
    ArcGeometry a = boxArc();
    PclXlState& s = XlState();
    double sx = a.cx + a.rx * std::cos(a.a0), sy = a.cy + a.ry * std::sin(a.a0);
    if (s.path.figureOpen) lineTo(sx, sy);
    else newFigureAt(sx, sy);
    arcSegments(a.cx, a.cy, a.rx, a.ry, a.a0, a.sweep);
}

void XlChord(bool paint) {
    startShape(paint);
    ArcGeometry a = boxArc();
    newFigureAt(a.cx + a.rx * std::cos(a.a0), a.cy + a.ry * std::sin(a.a0));
    arcSegments(a.cx, a.cy, a.rx, a.ry, a.a0, a.sweep);
    closeFigure();
    paintShape(paint);
}

void XlPie(bool paint) {
    startShape(paint);
    ArcGeometry a = boxArc();
    newFigureAt(a.cx, a.cy);
    lineTo(a.cx + a.rx * std::cos(a.a0), a.cy + a.ry * std::sin(a.a0));
    arcSegments(a.cx, a.cy, a.rx, a.ry, a.a0, a.sweep);
    closeFigure();
    paintShape(paint);
}

void XlSetClipReplace() { clipToPath(true); }
void XlSetClipIntersect() { clipToPath(false); }

void XlSetClipRectangle() {
    XlState().path.clear();
    XlRectangle(false);
    clipToPath(false);
}

void XlSetClipToPage() {
    PclXlState& s = XlState();
    if (s.dc) SelectClipRgn(s.dc, nullptr);
}
