// Clipping: rectangles, regions and paths, kept as device-space figures that
// are intersected when drawing.
#include "emf_recorder.h"

#include <algorithm>
#include <cmath>

namespace gdi {
namespace {
constexpr double kFar = 1e7;

ClipItem rectsItem(const Matrix& m, const std::vector<RECT>& rects, bool outside) {
    ClipItem item;
    if (outside) AddRectangle(item.path, Matrix{}, -kFar, -kFar, kFar, kFar);
    for (const RECT& r : rects) AddRectangle(item.path, m, r.left, r.top, r.right, r.bottom);
    item.evenOdd = outside;
    if (rects.empty() && !outside) {
        // An empty region clips everything away.
        item.path.push_back({PathOp::Move, {{0, 0}}});
        item.path.push_back({PathOp::Close, {}});
    }
    return item;
}

// Combines a new figure with the clip in force.
int combine(DC& dc, ClipItem item, int mode) {
    DcState& s = dc.st;
    switch (mode) {
    case RGN_COPY:
        s.clip.clear();
        s.clip.push_back(std::move(item));
        break;
    case RGN_AND: s.clip.push_back(std::move(item)); break;
    case RGN_DIFF: {
        ClipItem outside = rectsItem(Matrix{}, {}, true);
        outside.path.insert(outside.path.end(), item.path.begin(), item.path.end());
        s.clip.push_back(std::move(outside));
        break;
    }
    case RGN_OR:
        // Without a clip everything is visible already; otherwise the union is
        // at least the new figure, and showing too much beats losing drawing.
        if (s.hasClip) s.clip.clear();
        break;
    case RGN_XOR:
        s.clip.clear();
        s.clip.push_back(std::move(item));
        break;
    default: return ERROR;
    }
    s.hasClip = !s.clip.empty();
    if (s.clip.size() > 64) s.clip.erase(s.clip.begin());
    return s.hasClip ? COMPLEXREGION : SIMPLEREGION;
}

void recordRegion(RecordWriter& w, const std::vector<RECT>& rects) {
    LONG l = 0, t = 0, r = 0, b = 0;
    for (size_t i = 0; i < rects.size(); ++i) {
        if (i == 0) l = rects[0].left, t = rects[0].top, r = rects[0].right, b = rects[0].bottom;
        l = std::min(l, rects[i].left), t = std::min(t, rects[i].top);
        r = std::max(r, rects[i].right), b = std::max(b, rects[i].bottom);
    }
    w.u32(32).u32(1).u32(static_cast<uint32_t>(rects.size())).u32(static_cast<uint32_t>(rects.size() * 16));
    w.rect(l, t, r, b);
    for (const RECT& x : rects) w.rect(x.left, x.top, x.right, x.bottom);
}
}  // namespace

// Region rectangles given in the device units of the DC (the reference device
// of a metafile being played), as a clip figure.
int ClipToRegionRects(DC& dc, const std::vector<RECT>& rects, int mode) {
    return combine(dc, rectsItem(dc.base, rects, false), mode);
}

void PaintRegion(DC& dc, const Path& path, HGDIOBJ brush) {
    HGDIOBJ pen = dc.st.pen, oldBrush = dc.st.brush;
    dc.st.pen = GetStockObject(NULL_PEN);
    dc.st.brush = brush;
    PaintPath(dc, path, true, false);
    dc.st.pen = pen;
    dc.st.brush = oldBrush;
}

}  // namespace gdi

using namespace gdi;

int ExtSelectClipRgn(HDC h, HRGN rgn, int mode) {
    DC* dc = LookUpDC(h);
    if (!dc) return ERROR;
    auto* r = LookUpAs<RegionObj>(rgn, Kind::Region);
    if (!r && !(rgn == nullptr && mode == RGN_COPY)) return ERROR;
    if (dc->rec) {
        RecordWriter w(*dc->rec, EMR_EXTSELECTCLIPRGN);
        w.u32(r ? static_cast<uint32_t>(32 + r->rects.size() * 16) : 0).u32(static_cast<uint32_t>(mode));
        if (r) recordRegion(w, r->rects);
    }
    if (!r) {
        dc->st.clip.clear();
        dc->st.hasClip = false;
        return SIMPLEREGION;
    }
    return ClipToRegionRects(*dc, r->rects, mode);
}

int SelectClipRgn(HDC h, HRGN rgn) { return ExtSelectClipRgn(h, rgn, RGN_COPY); }

static int clipRect(HDC h, unsigned type, int l, int t, int r, int b, int mode) {
    DC* dc = LookUpDC(h);
    if (!dc) return ERROR;
    if (dc->rec) {
        RecordWriter w(*dc->rec, type);
        w.rect(l, t, r, b);
    }
    return combine(*dc, rectsItem(LogicalToDevice(*dc), {RECT{l, t, r, b}}, false), mode);
}

int IntersectClipRect(HDC h, int l, int t, int r, int b) {
    return clipRect(h, EMR_INTERSECTCLIPRECT, l, t, r, b, RGN_AND);
}
int ExcludeClipRect(HDC h, int l, int t, int r, int b) {
    return clipRect(h, EMR_EXCLUDECLIPRECT, l, t, r, b, RGN_DIFF);
}

BOOL SelectClipPath(HDC h, int mode) {
    DC* dc = LookUpDC(h);
    if (!dc || !dc->pathValid) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_SELECTCLIPPATH, {static_cast<uint32_t>(mode)});
    ClipItem item;
    item.path = std::move(dc->path);
    item.evenOdd = dc->st.polyFillMode == ALTERNATE;
    dc->path.clear();
    dc->pathValid = false;
    return combine(*dc, std::move(item), mode) != ERROR;
}

int GetClipBox(HDC h, RECT* rect) {
    DC* dc = LookUpDC(h);
    if (!dc || !rect) return ERROR;
    int w = dc->devWidth, hgt = dc->devHeight;
    if (auto* b = LookUpAs<BitmapObj>(dc->bitmap, Kind::Bitmap)) w = b->width, hgt = b->height;
    POINT pts[2] = {{0, 0}, {w, hgt}};
    DPtoLP(h, pts, 2);
    *rect = {std::min(pts[0].x, pts[1].x), std::min(pts[0].y, pts[1].y), std::max(pts[0].x, pts[1].x),
             std::max(pts[0].y, pts[1].y)};
    return dc->st.hasClip ? COMPLEXREGION : SIMPLEREGION;
}

BOOL FillRgn(HDC h, HRGN rgn, HBRUSH brush) {
    DC* dc = LookUpDC(h);
    auto* r = LookUpAs<RegionObj>(rgn, Kind::Region);
    auto* b = LookUpAs<BrushObj>(brush, Kind::Brush);
    if (!dc || !r || !b) return FALSE;
    // Regions painted are in logical units; regions clipped to, in device units.
    ClipItem item = rectsItem(LogicalToDevice(*dc), r->rects, false);
    if (dc->rec) {
        uint32_t index = RecordObject(*dc, b);
        RecordWriter w(*dc->rec, EMR_FILLRGN);
        w.rect(0, 0, -1, -1).u32(static_cast<uint32_t>(32 + r->rects.size() * 16)).u32(index);
        recordRegion(w, r->rects);
        dc->rec->extend(item.path, 0);
        return TRUE;
    }
    if (dc->kind == DcKind::Memory) PaintRegion(*dc, item.path, brush);
    return TRUE;
}

BOOL PaintRgn(HDC h, HRGN rgn) {
    DC* dc = LookUpDC(h);
    return dc ? FillRgn(h, rgn, dc->st.brush) : FALSE;
}
