// Lines, curves, shapes and paths: each call builds its figure in device
// space, records itself on a metafile DC and draws on a memory DC.
#include "emf_recorder.h"

#include <algorithm>
#include <cmath>

namespace gdi {
namespace {
constexpr double kPi = 3.14159265358979323846;

PathOp op(PathOp::Kind k, PointD a = {0, 0}, PointD b = {0, 0}, PointD c = {0, 0}) { return PathOp{k, {a, b, c}}; }

double penPad(const DC& dc) {
    auto* pen = LookUpAs<PenObj>(dc.st.pen, Kind::Pen);
    if (!pen || pen->styleKind() == PS_NULL) return 0;
    return std::max(1.0, pen->width * LogicalToDevice(dc).scale()) / 2 + 0.5;
}

// Appends a figure to the open path; a figure that starts where the path
// stands continues the current figure.
void appendToPath(DC& dc, const Path& p) {
    if (dc.path.size() + p.size() > kMaxPathOps) return;
    size_t i = 0;
    if (!p.empty() && p[0].kind == PathOp::Move && !dc.path.empty() && dc.path.back().kind != PathOp::Close) {
        const PathOp& last = dc.path.back();
        PointD end = last.kind == PathOp::Curve ? last.p[2] : last.p[0];
        if (std::fabs(end.x - p[0].p[0].x) < 1e-9 && std::fabs(end.y - p[0].p[0].y) < 1e-9) i = 1;
    }
    dc.path.insert(dc.path.end(), p.begin() + static_cast<long>(i), p.end());
}

// Bezier segments of an elliptical arc in logical space, from angle a0 over sweep.
void addEllipseArc(Path& path, const Matrix& m, double cx, double cy, double rx, double ry, double a0, double sweep,
                   bool connect) {
    auto at = [&](double a) { return m.apply(cx + rx * std::cos(a), cy - ry * std::sin(a)); };
    path.push_back(op(connect && !path.empty() ? PathOp::Line : PathOp::Move, at(a0)));
    int segs = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kPi / 2) - 1e-9)));
    double step = sweep / segs, k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < segs; ++i) {
        double s = a0 + i * step, e = s + step;
        PointD c1 = m.apply(cx + rx * (std::cos(s) - k * std::sin(s)), cy - ry * (std::sin(s) + k * std::cos(s)));
        PointD c2 = m.apply(cx + rx * (std::cos(e) + k * std::sin(e)), cy - ry * (std::sin(e) - k * std::cos(e)));
        path.push_back(op(PathOp::Curve, c1, c2, at(e)));
    }
}

bool radialArc(DC& dc, Path& path, int l, int t, int r, int b, int xs, int ys, int xe, int ye, bool connect) {
    if (l == r || t == b) return false;
    AddArcPath(path, LogicalToDevice(dc), l, t, r, b, xs, ys, xe, ye, dc.st.arcDirection == AD_CLOCKWISE, connect);
    return true;
}

BOOL drawPoints(HDC h, unsigned type, const POINT* pts, size_t n, bool closed, bool fromCurrent, bool bezier) {
    DC* dc = LookUpDC(h);
    if (!dc || !pts || n > kMaxPathOps) return FALSE;
    if (bezier && (fromCurrent ? n % 3 : (n == 0 || (n - 1) % 3))) return FALSE;
    if (dc->rec) RecordPoints(*dc, type, pts, n);
    Matrix m = LogicalToDevice(*dc);
    Path path;
    path.reserve(n + 2);
    size_t i = 0;
    if (fromCurrent) {
        path.push_back(op(PathOp::Move, m.apply(dc->st.current.x, dc->st.current.y)));
    } else if (n > 0) {
        path.push_back(op(PathOp::Move, m.apply(pts[0].x, pts[0].y)));
        i = 1;
    }
    if (bezier) {
        for (; i + 2 < n; i += 3)
            path.push_back(op(PathOp::Curve, m.apply(pts[i].x, pts[i].y), m.apply(pts[i + 1].x, pts[i + 1].y),
                              m.apply(pts[i + 2].x, pts[i + 2].y)));
    } else {
        for (; i < n; ++i) path.push_back(op(PathOp::Line, m.apply(pts[i].x, pts[i].y)));
    }
    if (closed) path.push_back(op(PathOp::Close));
    if (fromCurrent && n > 0) dc->st.current = pts[n - 1];
    return Draw(*dc, path, closed, true);
}
}  // namespace

void AddArcPath(Path& path, const Matrix& m, double l, double t, double r, double b, double xs, double ys, double xe,
                double ye, bool clockwise, bool connect) {
    double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::fabs(r - l) / 2, ry = std::fabs(b - t) / 2;
    if (rx == 0 || ry == 0) return;
    double a0 = std::atan2(-(ys - cy) / ry, (xs - cx) / rx), a1 = std::atan2(-(ye - cy) / ry, (xe - cx) / rx);
    double sweep = a1 - a0;
    if (clockwise) {
        while (sweep >= 0) sweep -= 2 * kPi;
    } else {
        while (sweep <= 0) sweep += 2 * kPi;
    }
    addEllipseArc(path, m, cx, cy, rx, ry, a0, sweep, connect);
}

void AddPolyline(Path& p, const Matrix& m, const POINT* pts, size_t n, bool startNew) {
    for (size_t i = 0; i < n; ++i)
        p.push_back(op(i == 0 && startNew ? PathOp::Move : PathOp::Line, m.apply(pts[i].x, pts[i].y)));
}

BOOL Draw(DC& dc, const Path& path, bool fill, bool stroke) {
    if (path.empty()) return TRUE;
    if (dc.pathOpen) {
        appendToPath(dc, path);
        return TRUE;
    }
    if (dc.rec) {
        dc.rec->extend(path, penPad(dc));
        return TRUE;
    }
    if (dc.kind == DcKind::Memory) PaintPath(dc, path, fill, stroke);
    return TRUE;
}

}  // namespace gdi

using namespace gdi;

BOOL MoveToEx(HDC h, int x, int y, POINT* old) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (old) *old = dc->st.current;
    if (dc->rec) RecordSimple(*dc, EMR_MOVETOEX, {static_cast<uint32_t>(x), static_cast<uint32_t>(y)});
    dc->st.current = {x, y};
    if (dc->pathOpen && dc->path.size() < kMaxPathOps) dc->path.push_back(op(PathOp::Move, Transform(*dc, x, y)));
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC h, POINT* pt) {
    DC* dc = LookUpDC(h);
    if (!dc || !pt) return FALSE;
    *pt = dc->st.current;
    return TRUE;
}

BOOL LineTo(HDC h, int x, int y) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_LINETO, {static_cast<uint32_t>(x), static_cast<uint32_t>(y)});
    Path p{op(PathOp::Move, Transform(*dc, dc->st.current.x, dc->st.current.y)),
           op(PathOp::Line, Transform(*dc, x, y))};
    dc->st.current = {x, y};
    return Draw(*dc, p, false, true);
}

BOOL Polyline(HDC h, const POINT* pts, int n) {
    return n >= 0 && drawPoints(h, EMR_POLYLINE, pts, static_cast<size_t>(n), false, false, false);
}
BOOL PolylineTo(HDC h, const POINT* pts, DWORD n) { return drawPoints(h, EMR_POLYLINETO, pts, n, false, true, false); }
BOOL Polygon(HDC h, const POINT* pts, int n) {
    return n >= 2 && drawPoints(h, EMR_POLYGON, pts, static_cast<size_t>(n), true, false, false);
}
BOOL PolyBezier(HDC h, const POINT* pts, DWORD n) { return drawPoints(h, EMR_POLYBEZIER, pts, n, false, false, true); }
BOOL PolyBezierTo(HDC h, const POINT* pts, DWORD n) {
    return drawPoints(h, EMR_POLYBEZIERTO, pts, n, false, true, true);
}

static BOOL polyPoly(HDC h, unsigned type, const POINT* pts, const DWORD* counts, DWORD polys, bool closed) {
    DC* dc = LookUpDC(h);
    if (!dc || !pts || !counts || polys == 0 || polys > kMaxPathOps) return FALSE;
    uint64_t total = 0;
    for (DWORD i = 0; i < polys; ++i) total += counts[i];
    if (total > kMaxPathOps) return FALSE;
    if (dc->rec) {
        bool fits16 = true;
        LONG l = 0, t = 0, r = -1, b = -1;
        for (uint64_t i = 0; i < total; ++i) {
            if (i == 0) l = r = pts[0].x, t = b = pts[0].y;
            l = std::min(l, pts[i].x), r = std::max(r, pts[i].x), t = std::min(t, pts[i].y), b = std::max(b, pts[i].y);
            fits16 = fits16 && pts[i].x >= -32768 && pts[i].x <= 32767 && pts[i].y >= -32768 && pts[i].y <= 32767;
        }
        RecordWriter w(*dc->rec, fits16 ? type + (EMR_POLYPOLYLINE16 - EMR_POLYPOLYLINE) : type);
        w.rect(l, t, r, b).u32(polys).u32(static_cast<uint32_t>(total));
        for (DWORD i = 0; i < polys; ++i) w.u32(counts[i]);
        for (uint64_t i = 0; i < total; ++i) {
            if (fits16) w.u16(static_cast<uint16_t>(pts[i].x)).u16(static_cast<uint16_t>(pts[i].y));
            else w.i32(pts[i].x).i32(pts[i].y);
        }
    }
    Matrix m = LogicalToDevice(*dc);
    Path path;
    size_t at = 0;
    for (DWORD i = 0; i < polys; ++i) {
        AddPolyline(path, m, pts + at, counts[i], true);
        if (closed && counts[i] > 0) path.push_back(op(PathOp::Close));
        at += counts[i];
    }
    return Draw(*dc, path, closed, true);
}

BOOL PolyPolygon(HDC h, const POINT* pts, const INT* counts, int polys) {
    if (!counts || polys <= 0) return FALSE;
    std::vector<DWORD> c(counts, counts + polys);
    for (INT v : c)
        if (static_cast<int>(v) < 0) return FALSE;
    return polyPoly(h, EMR_POLYPOLYGON, pts, c.data(), static_cast<DWORD>(polys), true);
}

BOOL PolyPolyline(HDC h, const POINT* pts, const DWORD* counts, DWORD lines) {
    return polyPoly(h, EMR_POLYPOLYLINE, pts, counts, lines, false);
}

BOOL PolyDraw(HDC h, const POINT* pts, const BYTE* types, int n) {
    DC* dc = LookUpDC(h);
    if (!dc || !pts || !types || n < 0 || static_cast<size_t>(n) > kMaxPathOps) return FALSE;
    for (int i = 0; i < n; ++i) {
        BYTE t = types[i] & ~PT_CLOSEFIGURE;
        if (t == PT_BEZIERTO &&
            (i + 2 >= n || (types[i + 1] & ~PT_CLOSEFIGURE) != PT_BEZIERTO ||
             (types[i + 2] & ~PT_CLOSEFIGURE) != PT_BEZIERTO))
            return FALSE;
        if (t == PT_BEZIERTO) i += 2;
        else if (t != PT_MOVETO && t != PT_LINETO) return FALSE;
    }
    if (dc->rec) {
        LONG l = 0, t = 0, r = -1, b = -1;
        for (int i = 0; i < n; ++i) {
            if (i == 0) l = r = pts[0].x, t = b = pts[0].y;
            l = std::min(l, pts[i].x), r = std::max(r, pts[i].x), t = std::min(t, pts[i].y), b = std::max(b, pts[i].y);
        }
        RecordWriter w(*dc->rec, EMR_POLYDRAW);
        w.rect(l, t, r, b).u32(static_cast<uint32_t>(n));
        for (int i = 0; i < n; ++i) w.i32(pts[i].x).i32(pts[i].y);
        w.raw(types, static_cast<size_t>(n));
    }
    Matrix m = LogicalToDevice(*dc);
    Path path{op(PathOp::Move, m.apply(dc->st.current.x, dc->st.current.y))};
    PointD figureStart = path[0].p[0];
    for (int i = 0; i < n; ++i) {
        BYTE t = types[i] & ~PT_CLOSEFIGURE;
        bool close = types[i] & PT_CLOSEFIGURE;
        if (t == PT_MOVETO) {
            path.push_back(op(PathOp::Move, m.apply(pts[i].x, pts[i].y)));
            figureStart = path.back().p[0];
        } else if (t == PT_LINETO) {
            path.push_back(op(PathOp::Line, m.apply(pts[i].x, pts[i].y)));
        } else {
            path.push_back(op(PathOp::Curve, m.apply(pts[i].x, pts[i].y), m.apply(pts[i + 1].x, pts[i + 1].y),
                              m.apply(pts[i + 2].x, pts[i + 2].y)));
            i += 2;
            close = types[i] & PT_CLOSEFIGURE;
        }
        if (close) {
            path.push_back(op(PathOp::Close));
            path.push_back(op(PathOp::Move, figureStart));
        }
        dc->st.current = pts[i];
    }
    return Draw(*dc, path, false, true);
}

static BOOL arcShape(HDC h, unsigned type, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (dc->rec) {
        RecordWriter w(*dc->rec, type);
        w.rect(l, t, r, b).i32(xs).i32(ys).i32(xe).i32(ye);
    }
    Path path;
    bool connect = type == EMR_ARCTO;
    if (connect) path.push_back(op(PathOp::Move, Transform(*dc, dc->st.current.x, dc->st.current.y)));
    if (type == EMR_PIE)
        path.push_back(
            op(PathOp::Move, Transform(*dc, (static_cast<double>(l) + r) / 2, (static_cast<double>(t) + b) / 2)));
    bool ok = radialArc(*dc, path, l, t, r, b, xs, ys, xe, ye, connect || type == EMR_PIE);
    if (type == EMR_ARCTO && ok) {
        // The current position moves to the arc's end point.
        PointD end = path.back().p[2];
        Matrix inv;
        if (LogicalToDevice(*dc).invert(inv)) {
            PointD lp = inv.apply(end.x, end.y);
            dc->st.current = {static_cast<LONG>(std::lround(lp.x)), static_cast<LONG>(std::lround(lp.y))};
        }
    }
    if (!ok) return TRUE;
    bool closed = type == EMR_PIE || type == EMR_CHORD;
    if (closed) path.push_back(op(PathOp::Close));
    return Draw(*dc, path, closed, true);
}

BOOL Arc(HDC h, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcShape(h, EMR_ARC, l, t, r, b, xs, ys, xe, ye);
}
BOOL ArcTo(HDC h, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcShape(h, EMR_ARCTO, l, t, r, b, xs, ys, xe, ye);
}
BOOL Chord(HDC h, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcShape(h, EMR_CHORD, l, t, r, b, xs, ys, xe, ye);
}
BOOL Pie(HDC h, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return arcShape(h, EMR_PIE, l, t, r, b, xs, ys, xe, ye);
}

BOOL AngleArc(HDC h, int x, int y, DWORD radius, FLOAT start, FLOAT sweep) {
    DC* dc = LookUpDC(h);
    if (!dc || radius > 0x7FFFFFFF || !std::isfinite(start) || !std::isfinite(sweep)) return FALSE;
    if (dc->rec) {
        RecordWriter w(*dc->rec, EMR_ANGLEARC);
        w.i32(x).i32(y).u32(radius).f32(start).f32(sweep);
    }
    Path path{op(PathOp::Move, Transform(*dc, dc->st.current.x, dc->st.current.y))};
    double sw = std::clamp(static_cast<double>(sweep), -3600.0, 3600.0) * kPi / 180;
    addEllipseArc(path, LogicalToDevice(*dc), x, y, radius, radius, start * kPi / 180, sw, true);
    double end = (start * kPi / 180) + sw;
    dc->st.current = {static_cast<LONG>(std::lround(x + radius * std::cos(end))),
                      static_cast<LONG>(std::lround(y - radius * std::sin(end)))};
    return Draw(*dc, path, false, true);
}

void gdi::AddRectangle(Path& p, const Matrix& m, double l, double t, double r, double b) {
    p.push_back(op(PathOp::Move, m.apply(l, t)));
    p.push_back(op(PathOp::Line, m.apply(r, t)));
    p.push_back(op(PathOp::Line, m.apply(r, b)));
    p.push_back(op(PathOp::Line, m.apply(l, b)));
    p.push_back(op(PathOp::Close));
}

BOOL Rectangle(HDC h, int l, int t, int r, int b) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (dc->rec) {
        RecordWriter w(*dc->rec, EMR_RECTANGLE);
        w.rect(l, t, r, b);
    }
    Path p;
    AddRectangle(p, LogicalToDevice(*dc), std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b));
    return Draw(*dc, p, true, true);
}

BOOL Ellipse(HDC h, int l, int t, int r, int b) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (dc->rec) {
        RecordWriter w(*dc->rec, EMR_ELLIPSE);
        w.rect(l, t, r, b);
    }
    Path p;
    double x0 = l, y0 = t, x1 = r, y1 = b;
    addEllipseArc(p, LogicalToDevice(*dc), (x0 + x1) / 2, (y0 + y1) / 2, std::fabs(x1 - x0) / 2, std::fabs(y1 - y0) / 2,
                  0, 2 * kPi, false);
    p.push_back(op(PathOp::Close));
    return Draw(*dc, p, true, true);
}

BOOL RoundRect(HDC h, int l, int t, int r, int b, int ew, int eh) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (dc->rec) {
        RecordWriter w(*dc->rec, EMR_ROUNDRECT);
        w.rect(l, t, r, b).i32(ew).i32(eh);
    }
    double x0 = std::min(l, r), x1 = std::max(l, r), y0 = std::min(t, b), y1 = std::max(t, b);
    double rx = std::min(std::fabs(ew) / 2.0, (x1 - x0) / 2), ry = std::min(std::fabs(eh) / 2.0, (y1 - y0) / 2);
    Matrix m = LogicalToDevice(*dc);
    Path p;
    if (rx <= 0 || ry <= 0) {
        AddRectangle(p, m, x0, y0, x1, y1);
    } else {
        addEllipseArc(p, m, x1 - rx, y0 + ry, rx, ry, 0, kPi / 2, false);
        addEllipseArc(p, m, x0 + rx, y0 + ry, rx, ry, kPi / 2, kPi / 2, true);
        addEllipseArc(p, m, x0 + rx, y1 - ry, rx, ry, kPi, kPi / 2, true);
        addEllipseArc(p, m, x1 - rx, y1 - ry, rx, ry, 3 * kPi / 2, kPi / 2, true);
        p.push_back(op(PathOp::Close));
    }
    return Draw(*dc, p, true, true);
}

// Paths.
BOOL BeginPath(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_BEGINPATH, {});
    dc->pathOpen = true;
    dc->pathValid = false;
    dc->path.clear();
    return TRUE;
}

BOOL EndPath(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc || !dc->pathOpen) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_ENDPATH, {});
    dc->pathOpen = false;
    dc->pathValid = true;
    return TRUE;
}

BOOL AbortPath(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_ABORTPATH, {});
    dc->pathOpen = dc->pathValid = false;
    dc->path.clear();
    return TRUE;
}

BOOL CloseFigure(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc || !dc->pathOpen) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_CLOSEFIGURE, {});
    if (!dc->path.empty() && dc->path.back().kind != PathOp::Close) dc->path.push_back(op(PathOp::Close));
    return TRUE;
}

static BOOL usePath(HDC h, unsigned type, bool fill, bool stroke) {
    DC* dc = LookUpDC(h);
    if (!dc || !dc->pathValid) return FALSE;
    if (dc->rec) {
        RecordWriter w(*dc->rec, type);
        w.rect(0, 0, -1, -1);
    }
    Path p = std::move(dc->path);
    dc->path.clear();
    dc->pathValid = false;
    if (fill && !stroke && QueueOutlineGlyph(*dc, p)) return TRUE;
    return Draw(*dc, p, fill, stroke);
}

BOOL StrokePath(HDC h) { return usePath(h, EMR_STROKEPATH, false, true); }
BOOL FillPath(HDC h) { return usePath(h, EMR_FILLPATH, true, false); }
BOOL StrokeAndFillPath(HDC h) { return usePath(h, EMR_STROKEANDFILLPATH, true, true); }

BOOL FlattenPath(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc || !dc->pathValid) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_FLATTENPATH, {});
    return TRUE;  // curves stay curves; Cairo flattens them when it draws
}

BOOL WidenPath(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc || !dc->pathValid) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_WIDENPATH, {});
    return TRUE;
}
