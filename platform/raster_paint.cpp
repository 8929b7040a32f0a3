// Painting device-space figures onto a memory DC's bitmap with Cairo.
#include "drawing_options.h"
#include "gdi_internal.h"

#include <algorithm>
#include <cstring>
#include <cmath>
#include <memory>
#include <vector>

namespace gdi {
void SetSourceColor(cairo_t* cr, COLORREF c) {
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

namespace {

// 8 x 8 hatch tile: the lines in the brush colour over the background, or
// over nothing in transparent mode.
cairo_pattern_t* hatchPattern(const DC& dc, const BrushObj& b) {
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    auto* px = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(tile));
    int stride = cairo_image_surface_get_stride(tile) / 4;
    uint32_t fg = 0xFF000000u | ColorToPixel(b.color);
    uint32_t bg = dc.st.bkMode == OPAQUE ? 0xFF000000u | ColorToPixel(dc.st.bkColor) : 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool on = false;
            switch (b.hatch) {
            case HS_HORIZONTAL: on = y == 7; break;
            case HS_VERTICAL: on = x == 7; break;
            case HS_FDIAGONAL: on = x == y; break;
            case HS_BDIAGONAL: on = x == 7 - y; break;
            case HS_CROSS: on = x == 7 || y == 7; break;
            default: on = x == y || x == 7 - y; break;
            }
            px[y * stride + x] = on ? fg : bg;
        }
    cairo_surface_mark_dirty(tile);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(tile);
    cairo_surface_destroy(tile);
    return p;
}

cairo_pattern_t* imagePattern(const DC& dc, const Image& img) {
    if (img.surface) return cairo_pattern_create_for_surface(img.surface.get());
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, img.width, img.height);
    auto* px = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
    int stride = cairo_image_surface_get_stride(s) / 4;
    uint32_t fg = ColorToPixel(dc.st.textColor), bg = ColorToPixel(dc.st.bkColor);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            uint32_t v = img.px[static_cast<size_t>(y) * img.width + x] & 0xFFFFFF;
            px[y * stride + x] = img.mono ? (v ? bg : fg) : v;
        }
    cairo_surface_mark_dirty(s);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
    // A mono image takes the colours of the moment; a colour one is kept as it is.
    if (!img.mono) img.surface.reset(cairo_surface_reference(s), cairo_surface_destroy);
    cairo_surface_destroy(s);
    return p;
}

// Four pixels at once, in the vector registers every x86-64 and ARM64 processor has.
using Pixels4 = uint32_t __attribute__((vector_size(16)));

// A binary raster operation as four masks, one for each pair of pen and page bits: the
// truth table of R2_BLACK (1) to R2_WHITE (16) is the code less one, bit (pen << 1 | page).
// An unknown code copies the pen. The masks leave out the fourth byte.
struct Mix {
    uint32_t penAndPage, penOnly, pageOnly, neither;
    explicit Mix(int rop) {
        int t = rop >= R2_BLACK && rop <= R2_WHITE ? rop - 1 : R2_COPYPEN - 1;
        auto all = [t](int bit) { return (t >> bit & 1) ? 0xFFFFFFu : 0u; };
        penAndPage = all(3), penOnly = all(2), pageOnly = all(1), neither = all(0);
    }
    template <typename T>
    T operator()(T p, T d) const {
        return (p & d & penAndPage) | (p & ~d & penOnly) | (~p & d & pageOnly) | (~p & ~d & neither);
    }
};

bool noneCovered(const unsigned char* covered, int bytes) {
    uint64_t any = 0;
    for (int i = 0; i < bytes; i += 8) {
        uint64_t word;
        std::memcpy(&word, covered + i, 8);
        any |= word;
    }
    return any == 0;
}

// Mixes `colours` into the page pixels `row` where the coverage bytes `covered` are at least
// half, keeping each page pixel's fourth byte. Branch-free: eight pixels are two vector steps.
void mixCovered(uint32_t* row, const unsigned char* covered, const uint32_t* colours, int count, const Mix& mix) {
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        if ((x & 7) == 0 && x + 8 <= count && noneCovered(covered + x, 8)) {
            x += 4;  // and four more as the loop steps
            continue;
        }
        Pixels4 d, p;
        std::memcpy(&d, row + x, sizeof d);
        std::memcpy(&p, colours + x, sizeof p);
        Pixels4 cover = {covered[x], covered[x + 1], covered[x + 2], covered[x + 3]};
        Pixels4 keep = reinterpret_cast<Pixels4>(cover < 128u);
        Pixels4 v = (d & 0xFF000000u) | mix(p, d);
        v = (d & keep) | (v & ~keep);
        std::memcpy(row + x, &v, sizeof v);
    }
    for (; x < count; ++x)
        if (covered[x] >= 128) row[x] = (row[x] & 0xFF000000u) | mix(colours[x], row[x]);
}

void setupStroke(DC& dc, cairo_t* cr, const PenObj& pen) {
    double scale = LogicalToDevice(dc).scale();
    bool cosmetic = !pen.geometric() || pen.width <= 0;
    double width = cosmetic ? 1.0 : std::max(1.0, pen.width * scale);
    if (!std::isfinite(width) || width > 1e6) width = 1.0;
    cairo_set_line_width(cr, width);
    DWORD cap = pen.style & PS_ENDCAP_MASK, join = pen.style & PS_JOIN_MASK;
    if (cosmetic) {
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    } else {
        cairo_set_line_cap(cr,
                           cap == PS_ENDCAP_SQUARE     ? CAIRO_LINE_CAP_SQUARE
                               : cap == PS_ENDCAP_FLAT ? CAIRO_LINE_CAP_BUTT
                                                       : CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr,
                            join == PS_JOIN_BEVEL       ? CAIRO_LINE_JOIN_BEVEL
                                : join == PS_JOIN_MITER ? CAIRO_LINE_JOIN_MITER
                                                        : CAIRO_LINE_JOIN_ROUND);
    }
    cairo_set_miter_limit(cr, std::max(1.0f, dc.st.miterLimit));
    std::vector<double> dashes;
    double unit = cosmetic ? 1.0 : width;
    switch (pen.styleKind()) {
    case PS_DASH: dashes = {18, 6}; break;
    case PS_DOT: dashes = {3, 3}; break;
    case PS_DASHDOT: dashes = {9, 6, 3, 6}; break;
    case PS_DASHDOTDOT: dashes = {9, 3, 3, 3, 3, 3}; break;
    case PS_ALTERNATE: dashes = {1, 1}; break;
    case PS_USERSTYLE:
        for (DWORD d : pen.dashes) dashes.push_back(std::max(0.0, d * (cosmetic ? 1.0 : scale)));
        unit = 1.0;
        break;
    default: break;
    }
    if (!cosmetic && pen.styleKind() != PS_USERSTYLE)
        for (double& d : dashes) d /= 3.0;
    for (double& d : dashes) d *= unit;
    double total = 0;
    for (double d : dashes) total += d;
    if (total > 0) cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
    else cairo_set_dash(cr, nullptr, 0, 0);
}

// One period of a patterned or hatched brush as it lies on the page, laid from the device's
// origin: at pixel (x, y) the brush shows period[(y % periodY) * periodX + x % periodX]. Pages
// fill figure after figure with the same pattern, often through a brush made anew each time, so
// the periods of the last few brushes used on this thread are kept. A large one is made into
// `uncached`.
const std::vector<uint32_t>& brushPeriod(DC& dc, BrushObj& brush, int periodX, int periodY,
                                         std::vector<uint32_t>& uncached) {
    struct Period {
        UINT style, hatch;
        COLORREF color, background, text;
        int backgroundMode;
        PointD origin;
        std::shared_ptr<Image> pattern;
        std::vector<uint32_t> pixels;
        bool shows(const DC& dc, const BrushObj& b, PointD org) const {
            return style == b.style && hatch == b.hatch && color == b.color && background == dc.st.bkColor &&
                text == dc.st.textColor && backgroundMode == dc.st.bkMode && origin.x == org.x && origin.y == org.y &&
                (pattern == b.pattern ||
                 (pattern && b.pattern && pattern->width == b.pattern->width && pattern->height == b.pattern->height &&
                  pattern->mono == b.pattern->mono && pattern->px == b.pattern->px));
        }
    };
    constexpr size_t kKept = 8, kLargestKept = 64 * 64;
    static thread_local std::vector<Period> kept;
    static thread_local size_t oldest = 0;
    PointD org = dc.base.apply(dc.st.brushOrg.x, dc.st.brushOrg.y);
    for (const Period& p : kept)
        if (p.shows(dc, brush, org)) return p.pixels;

    Period made{brush.style, brush.hatch,   brush.color, dc.st.bkColor, dc.st.textColor, dc.st.bkMode,
                org,         brush.pattern, {}};
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_RGB24, periodX, periodY);
    cairo_t* tc = cairo_create(tile);
    SetSourceColor(tc, dc.st.bkColor);  // the gaps of a hatch
    cairo_paint(tc);
    SetBrushSource(dc, tc, &brush);
    cairo_paint(tc);
    cairo_destroy(tc);
    cairo_surface_flush(tile);
    const auto* px = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(tile));
    size_t stride = cairo_image_surface_get_stride(tile) / 4;
    made.pixels.resize(static_cast<size_t>(periodX) * periodY);
    for (int y = 0; y < periodY; ++y)
        std::copy_n(px + y * stride, periodX, made.pixels.begin() + static_cast<ptrdiff_t>(y) * periodX);
    cairo_surface_destroy(tile);
    if (made.pixels.size() > kLargestKept) {
        uncached = std::move(made.pixels);
        return uncached;
    }
    if (kept.size() < kKept) return kept.emplace_back(std::move(made)).pixels;
    Period& slot = kept[oldest++ % kKept];
    slot = std::move(made);
    return slot.pixels;
}

// Paints a filled or stroked figure through a coverage mask, then combines
// the pen or brush colour with the bitmap under the binary raster operation;
// a patterned or hatched brush gives each pixel its own colour.
void paintWithRop2(DC& dc, const Path& path, bool stroke, COLORREF color, BrushObj* brush = nullptr) {
    cairo_t* cr = dc.cr;
    double x0, y0, x1, y1, fx0, fy0, fx1, fy1;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    // A fill's box is its points' bounds, found without tessellating it; a stroke's takes its
    // width and joins, and a document's the exact extents, as its backdrop is painted over them.
    bool exact = stroke || dc.document;
    if (exact) {
        cairo_new_path(cr);
        BuildCairoPath(cr, path);
        if (stroke) cairo_stroke_extents(cr, &fx0, &fy0, &fx1, &fy1);
        else cairo_fill_extents(cr, &fx0, &fy0, &fx1, &fy1);
    } else {
        PathBounds(path, fx0, fy0, fx1, fy1);
    }
    // Within the clip's extents the box stays finite, however far the figure's points lie.
    double left = std::max(x0, fx0), top = std::max(y0, fy0), right = std::min(x1, fx1), bottom = std::min(y1, fy1);
    int w = 0, h = 0;
    SurfaceExtent(dc, w, h);
    bool some = left < right && top < bottom;
    int ix0 = some ? std::max(0, static_cast<int>(std::floor(left))) : 0;
    int iy0 = some ? std::max(0, static_cast<int>(std::floor(top))) : 0;
    int ix1 = some ? std::min(w, static_cast<int>(std::ceil(right))) : 0;
    int iy1 = some ? std::min(h, static_cast<int>(std::ceil(bottom))) : 0;
    if (ix1 <= ix0 || iy1 <= iy0 || PaintBackdrop(dc, cr, ix0, iy0, ix1, iy1)) {
        cairo_new_path(cr);
        return;
    }
    // The figure's coverage over its box, in a buffer kept between calls (no fresh pages to fault in).
    static thread_local std::vector<unsigned char> maskBuffer;
    int mstride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, ix1 - ix0);
    size_t maskBytes = static_cast<size_t>(mstride) * static_cast<size_t>(iy1 - iy0);
    if (maskBuffer.size() < maskBytes) maskBuffer.resize(maskBytes);
    std::memset(maskBuffer.data(), 0, maskBytes);
    cairo_surface_t* mask =
        cairo_image_surface_create_for_data(maskBuffer.data(), CAIRO_FORMAT_A8, ix1 - ix0, iy1 - iy0, mstride);
    cairo_t* mc = cairo_create(mask);
    cairo_translate(mc, -ix0, -iy0);
    ApplyClip(dc, mc);
    if (exact) {
        cairo_path_t* cp = cairo_copy_path(cr);
        cairo_append_path(mc, cp);
        cairo_path_destroy(cp);
        cairo_new_path(cr);
    } else {
        BuildCairoPath(mc, path);
    }
    cairo_set_fill_rule(mc, cairo_get_fill_rule(cr));
    cairo_set_line_width(mc, cairo_get_line_width(cr));
    cairo_set_line_cap(mc, cairo_get_line_cap(cr));
    cairo_set_line_join(mc, cairo_get_line_join(cr));
    cairo_set_miter_limit(mc, cairo_get_miter_limit(cr));
    if (int dashCount = cairo_get_dash_count(cr); dashCount > 0) {
        std::vector<double> dashes(static_cast<size_t>(dashCount));
        double offset = 0;
        cairo_get_dash(cr, dashes.data(), &offset);
        cairo_set_dash(mc, dashes.data(), dashCount, offset);
    }
    cairo_set_antialias(mc, CAIRO_ANTIALIAS_NONE);
    if (stroke) cairo_stroke(mc);
    else cairo_fill(mc);
    cairo_destroy(mc);
    cairo_surface_flush(mask);
    cairo_surface_destroy(mask);
    cairo_surface_flush(dc.surface);

    // The colour each pixel takes into the mix: the pen's or a solid brush's, or one period of
    // a patterned or hatched brush (the hatches' 8 x 8, or the pattern image's size) as it lies
    // from the box's corner. Each row of the period runs on past its end for a run of pixels,
    // so that a run starting anywhere in it reads its colours without wrapping.
    constexpr int kRun = 32;
    int periodX = 1, periodY = 1;
    bool patterned = brush && (brush->style == BS_HATCHED || (brush->pattern && brush->pattern->width > 0));
    if (patterned) {
        bool hatched = brush->style == BS_HATCHED;
        periodX = hatched ? 8 : brush->pattern->width, periodY = hatched ? 8 : brush->pattern->height;
    }
    int wide = periodX + kRun;
    std::vector<uint32_t> colours(static_cast<size_t>(periodY) * wide, ColorToPixel(color));
    if (patterned) {
        std::vector<uint32_t> uncached;
        const std::vector<uint32_t>& period = brushPeriod(dc, *brush, periodX, periodY, uncached);
        for (int ty = 0; ty < periodY; ++ty) {
            const uint32_t* from = period.data() + static_cast<size_t>((iy0 + ty) % periodY) * periodX;
            uint32_t* to = colours.data() + static_cast<size_t>(ty) * wide;
            for (int i = 0, k = ix0 % periodX; i < wide; ++i, k = k + 1 == periodX ? 0 : k + 1) to[i] = from[k];
        }
    }
    const Mix mix(dc.st.rop2);
    const unsigned char* m = maskBuffer.data();
    auto* px = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(dc.surface));
    int stride = cairo_image_surface_get_stride(dc.surface) / 4;
    int n = ix1 - ix0, step = kRun % periodX;
    for (int y = iy0; y < iy1; ++y) {
        const unsigned char* mrow = m + static_cast<size_t>(y - iy0) * mstride;
        uint32_t* row = px + static_cast<size_t>(y) * stride + ix0;
        const uint32_t* crow = colours.data() + static_cast<size_t>((y - iy0) % periodY) * wide;
        // Most of a figure's box may lie outside it: runs of empty mask bytes are passed over.
        for (int x = 0, tx = 0; x < n; x += kRun, tx = tx + step >= periodX ? tx + step - periodX : tx + step) {
            int count = std::min(kRun, n - x);
            if (count == kRun && noneCovered(mrow + x, kRun)) continue;
            // A figure's rows cover much the same pixels: the page two rows down is fetched ahead.
            if (y + 2 < iy1) {
                const uint32_t* ahead = row + 2 * static_cast<size_t>(stride) + x;
                __builtin_prefetch(ahead, 1);
                __builtin_prefetch(ahead + kRun / 2, 1);
            }
            mixCovered(row + x, mrow + x, crow + tx, count, mix);
        }
    }
    cairo_surface_mark_dirty(dc.surface);
}
}  // namespace

void PathBounds(const Path& path, double& x0, double& y0, double& x1, double& y1) {
    x0 = y0 = INFINITY, x1 = y1 = -INFINITY;
    for (const PathOp& op : path) {
        int points = op.kind == PathOp::Curve ? 3 : op.kind == PathOp::Close ? 0 : 1;
        for (int k = 0; k < points; ++k) {
            x0 = std::min(x0, op.p[k].x), x1 = std::max(x1, op.p[k].x);
            y0 = std::min(y0, op.p[k].y), y1 = std::max(y1, op.p[k].y);
        }
    }
}

bool EnsureSurface(DC& dc) {
    // A context that met an error draws nothing more: start a fresh one.
    if (dc.cr && cairo_status(dc.cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(dc.cr);
        dc.cr = cairo_create(dc.surface);
        if (!DrawingAntialiased()) cairo_set_antialias(dc.cr, CAIRO_ANTIALIAS_NONE);
    }
    if (dc.cr) return true;
    auto* bmp = LookUpAs<BitmapObj>(dc.bitmap, Kind::Bitmap);
    if (dc.kind != DcKind::Memory || !bmp || !bmp->bits) return false;
    dc.surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(bmp->bits), CAIRO_FORMAT_RGB24,
                                                     bmp->width, bmp->height, bmp->width * 4);
    if (cairo_surface_status(dc.surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(dc.surface);
        dc.surface = nullptr;
        return false;
    }
    dc.cr = cairo_create(dc.surface);
    if (!DrawingAntialiased()) cairo_set_antialias(dc.cr, CAIRO_ANTIALIAS_NONE);
    return true;
}

void BuildCairoPath(cairo_t* cr, const Path& path) {
    bool open = false;
    for (const PathOp& op : path) {
        switch (op.kind) {
        case PathOp::Move:
            cairo_move_to(cr, op.p[0].x, op.p[0].y);
            open = true;
            break;
        case PathOp::Line:
            if (open) cairo_line_to(cr, op.p[0].x, op.p[0].y);
            else cairo_move_to(cr, op.p[0].x, op.p[0].y), open = true;
            break;
        case PathOp::Curve:
            if (!open) cairo_move_to(cr, op.p[0].x, op.p[0].y), open = true;
            cairo_curve_to(cr, op.p[0].x, op.p[0].y, op.p[1].x, op.p[1].y, op.p[2].x, op.p[2].y);
            break;
        case PathOp::Close:
            if (open) cairo_close_path(cr);
            break;
        }
    }
}

namespace {
void clipTo(cairo_t* cr, const std::vector<ClipItem>& clip) {
    for (const ClipItem& item : clip) {
        cairo_new_path(cr);
        BuildCairoPath(cr, item.path);
        cairo_set_fill_rule(cr, item.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
        cairo_clip(cr);
    }
}
}  // namespace

void ApplyClipItems(cairo_t* cr, const std::vector<ClipItem>& clip) {
    cairo_reset_clip(cr);
    clipTo(cr, clip);
    cairo_new_path(cr);
}

void ApplyClip(DC& dc, cairo_t* cr) {
    FlushBitmapGlyphs(dc);
    cairo_reset_clip(cr);
    clipTo(cr, dc.metaClip);
    clipTo(cr, dc.st.clip);
    cairo_new_path(cr);
}

void SetBrushSource(DC& dc, cairo_t* cr, BrushObj* brush) {
    cairo_pattern_t* p = nullptr;
    if (brush->stockIndex == DC_BRUSH) {
        SetSourceColor(cr, dc.st.dcBrushColor);
        return;
    }
    if (brush->style == BS_HATCHED) p = hatchPattern(dc, *brush);
    else if (brush->pattern && brush->pattern->width > 0) p = imagePattern(dc, *brush->pattern);
    if (!p) {
        SetSourceColor(cr, brush->color);
        return;
    }
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(p, CAIRO_FILTER_NEAREST);
    // Patterns tile from the brush origin, in device pixels.
    PointD org = dc.base.apply(dc.st.brushOrg.x, dc.st.brushOrg.y);
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, -org.x, -org.y);
    cairo_pattern_set_matrix(p, &m);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

namespace {
// A figure under two pixels each way, such as a chart's point marker, is painted as the
// pixels a raster device sets for it, solid in the pen's colour (or the brush's when
// there is no pen), rather than as a faint smudge of partial coverage. False for a
// larger figure or one that mixes colours with the page.
bool paintTinyFigure(DC& dc, cairo_t* cr, const Path& path, bool fill, bool stroke) {
    constexpr double kTiny = 2.0;
    if (dc.st.rop2 != R2_COPYPEN) return false;
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const PathOp& op : path) {
        int points = op.kind == PathOp::Curve ? 3 : op.kind == PathOp::Close ? 0 : 1;
        for (int k = 0; k < points; ++k) {
            x0 = std::min(x0, op.p[k].x), x1 = std::max(x1, op.p[k].x);
            y0 = std::min(y0, op.p[k].y), y1 = std::max(y1, op.p[k].y);
        }
        if (!(x1 - x0 < kTiny && y1 - y0 < kTiny)) return false;
    }
    if (!(x1 >= x0 && y1 >= y0)) return false;  // no point at all
    auto* pen = LookUpAs<PenObj>(dc.st.pen, Kind::Pen);
    auto* brush = LookUpAs<BrushObj>(dc.st.brush, Kind::Brush);
    bool penShows = stroke && pen && pen->styleKind() != PS_NULL && pen->brushStyle == BS_SOLID &&
        (!pen->geometric() || pen->width * LogicalToDevice(dc).scale() <= 1.5);
    COLORREF color;
    if (penShows) color = pen->stockIndex == DC_PEN ? dc.st.dcPenColor : pen->color;
    else if (fill && brush && brush->style == BS_SOLID && !(stroke && pen && pen->styleKind() != PS_NULL))
        color = brush->color;
    else return false;
    double left = std::round(x0), top = std::round(y0);
    double right = std::max(left + 1, std::round(x1)), bottom = std::max(top + 1, std::round(y1));
    SetSourceColor(cr, color);
    cairo_rectangle(cr, left, top, right - left, bottom - top);
    cairo_fill(cr);
    return true;
}
}  // namespace

void PaintPath(DC& dc, const Path& path, bool fill, bool stroke) {
    if (!EnsureSurface(dc) || path.empty()) return;
    cairo_t* cr = dc.cr;
    cairo_save(cr);
    ApplyClip(dc, cr);
    if (paintTinyFigure(dc, cr, path, fill, stroke)) {
        cairo_restore(cr);
        return;
    }
    auto* brush = LookUpAs<BrushObj>(dc.st.brush, Kind::Brush);
    if (fill && brush && brush->style != BS_NULL) {
        cairo_set_fill_rule(cr, dc.st.polyFillMode == WINDING ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        if (dc.st.rop2 == R2_COPYPEN) {
            SetBrushSource(dc, cr, brush);
            BuildCairoPath(cr, path);
            cairo_fill(cr);
        } else {
            paintWithRop2(dc, path, false, brush->color, brush);
        }
    }
    auto* pen = LookUpAs<PenObj>(dc.st.pen, Kind::Pen);
    if (stroke && pen && pen->styleKind() != PS_NULL && pen->brushStyle != BS_NULL) {
        setupStroke(dc, cr, *pen);
        COLORREF color = pen->stockIndex == DC_PEN ? dc.st.dcPenColor : pen->color;
        // A hatched or patterned pen paints its lines as a brush of its kind paints figures.
        BrushObj penBrush;
        bool patterned = pen->brushStyle == BS_HATCHED || pen->pattern;
        if (patterned) {
            penBrush.style = pen->brushStyle;
            penBrush.color = color;
            penBrush.hatch = static_cast<UINT>(pen->hatch);
            penBrush.pattern = pen->pattern;
        }
        if (dc.st.rop2 == R2_COPYPEN) {
            if (patterned) SetBrushSource(dc, cr, &penBrush);
            else SetSourceColor(cr, color);
            // Thin lines sit on pixel centres so that they stay one pixel wide.
            double off = cairo_get_line_width(cr) <= 1.5 ? 0.5 : 0.0;
            cairo_translate(cr, off, off);
            BuildCairoPath(cr, path);
            cairo_identity_matrix(cr);
            cairo_stroke(cr);
        } else {
            paintWithRop2(dc, path, true, color, patterned ? &penBrush : nullptr);
        }
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

}  // namespace gdi
