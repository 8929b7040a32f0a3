// Bitmap transfers onto memory DCs: stretching through Cairo, raster
// operations combined per pixel, alpha blending.
#include "gdi_internal.h"

#include <algorithm>
#include <cmath>

namespace gdi {
namespace {
inline uint32_t ternary(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
    switch (code) {
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    case 0xCC: return s;
    case 0x33: return ~s;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x44: return s & ~d;
    case 0x11: return ~(s | d);
    case 0xBB: return ~s | d;
    case 0xF0: return p;
    case 0x0F: return ~p;
    case 0x55: return ~d;
    case 0x5A: return p ^ d;
    case 0xA0: return p & d;
    case 0xFA: return p | d;
    case 0xC0: return p & s;
    case 0xB8: return (s & d) | (~s & p);  // PSDPxax: the pattern where the source is black
    case 0xE2: return (s & p) | (~s & d);  // DSPDxax: the pattern where the source is white
    case 0xAA: return d;
    default: break;
    }
    uint32_t r = 0;
    for (int i = 0; i < 8; ++i)
        if ((code >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r;
}

bool usesSource(uint8_t c) { return ((c >> 2) & 0x33) != (c & 0x33); }
bool usesPattern(uint8_t c) { return ((c >> 4) & 0x0F) != (c & 0x0F); }

// A Cairo surface over the source pixels; mono sources take the text and
// background colours, which needs a converted copy unless the pixels are already
// black and white and the colours are too.
cairo_surface_t* sourceSurface(const DC& dc, const ImageRef& src, std::vector<uint32_t>& copy) {
    const uint32_t* px = src.px;
    size_t count = static_cast<size_t>(src.width) * src.height;
    uint32_t fg = ColorToPixel(dc.st.textColor), bg = ColorToPixel(dc.st.bkColor);
    auto blackAndWhite = [&] {
        return std::all_of(px, px + count,
                           [](uint32_t p) { return (p & 0xFFFFFF) == 0 || (p & 0xFFFFFF) == 0xFFFFFF; });
    };
    if (src.mono && !(fg == 0 && bg == 0xFFFFFF && blackAndWhite())) {
        copy.resize(count);
        for (size_t i = 0; i < count; ++i) copy[i] = (src.px[i] & 0xFFFFFF) ? bg : fg;
        px = copy.data();
    }
    return cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(px)),
                                               CAIRO_FORMAT_RGB24, src.width, src.height, src.width * 4);
}

// Images are smoothed where they are reduced, or in halftone stretching mode.
bool smoothed(const DC& dc, bool upscale) { return dc.st.stretchMode == HALFTONE || !upscale; }

// How an image meets the edge of its place: its edge pixels reach it, where the source
// rectangle lies in the image (a smoothed image keeps a sharp edge); a source rectangle
// reaching outside the image leaves that part undrawn (and a PDF is not asked for a padded
// copy of the image as large as that rectangle).
cairo_extend_t imageEdge(const ImageRef& src, double sx, double sy, double sw, double sh) {
    bool within = std::min(sx, sx + sw) >= -1 && std::min(sy, sy + sh) >= -1 &&
        std::max(sx, sx + sw) <= src.width + 1 && std::max(sy, sy + sh) <= src.height + 1;
    return within ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE;
}

// An image laid by its source-to-device transform, smoothed or sampled: the caller drops it.
cairo_pattern_t* imagePattern(const DC& dc, cairo_surface_t* s, const Matrix& srcToDev, bool upscale,
                              cairo_extend_t edge) {
    cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
    Matrix inv;
    if (srcToDev.invert(inv)) {
        cairo_matrix_t m = inv.toCairo();
        cairo_pattern_set_matrix(p, &m);
    }
    cairo_pattern_set_extend(p, edge);
    cairo_pattern_set_filter(p, smoothed(dc, upscale) ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    return p;
}

void setImageSource(DC& dc, cairo_t* cr, cairo_surface_t* s, const Matrix& srcToDev, bool upscale,
                    cairo_extend_t edge) {
    cairo_pattern_t* p = imagePattern(dc, s, srcToDev, upscale, edge);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

// A large image upright on the page, filled in parts; false where it is not.
bool fillInParts(DC& dc, const Matrix& logical, double x, double y, double w, double h, cairo_surface_t* image,
                 const Matrix& srcToDev, bool upscale, cairo_extend_t edge) {
    if (logical.b != 0 || logical.c != 0) return false;
    PointD a = logical.apply(x, y), b = logical.apply(x + w, y + h);  // the corners quadPath makes
    return FillLargeImage(
        dc, std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y), cairo_get_operator(dc.cr),
        image, {smoothed(dc, upscale), srcToDev},
        [&](cairo_t* cr, cairo_surface_t* twin) { setImageSource(dc, cr, twin, srcToDev, upscale, edge); });
}

// Source pixel space to device space, for the source rectangle drawn over the destination.
Matrix sourceToDevice(const DC& dc, double sx, double sy, double sw, double sh, double x, double y, double w,
                      double h) {
    return Matrix{w / sw, 0, 0, h / sh, x - sx * w / sw, y - sy * h / sh}.then(LogicalToDevice(dc));
}

// In a document, the brush through a black-and-white image: a stencil, not pixels. So is
// such an image ANDed onto the page (black where it is black) or ORed (white where it is
// white), as printers' raster pages are laid: a page of 1-bit dots stays 1-bit.
bool stencilBlit(DC& dc, const ImageRef* src, std::string_view identity, const Matrix& srcToDev, uint8_t fore) {
    if (fore == 0xB8 || fore == 0xE2) return DrawStencil(dc, src, identity, srcToDev, fore == 0xB8);
    if (src && src->bilevel && (fore == 0x88 || fore == 0xEE))
        return DrawStencil(dc, src, identity, srcToDev, fore == 0x88,
                           GetStockObject(fore == 0x88 ? BLACK_BRUSH : WHITE_BRUSH));
    return false;
}

void quadPath(cairo_t* cr, const Matrix& m, double x, double y, double w, double h) {
    Path p;
    AddRectangle(p, m, x, y, x + w, y + h);
    BuildCairoPath(cr, p);
}
}  // namespace

bool BlitStencil(DC& dc, const ImageRef* src, std::string_view identity, double sx, double sy, double sw, double sh,
                 double x, double y, double w, double h, DWORD rop) {
    if (!dc.document || (!src && identity.empty()) || w == 0 || h == 0 || sw == 0 || sh == 0) return false;
    auto fore = static_cast<uint8_t>(rop >> 16);
    Matrix srcToDev = sourceToDevice(dc, sx, sy, sw, sh, x, y, w, h);
    // A black-and-white image copied onto the page (a fax or inkjet driver's page of dots):
    // white over its place, then black through its stencil.
    auto blackOrWhite = [](uint32_t c) { return (c & 0xFFFFFF) == 0 || (c & 0xFFFFFF) == 0xFFFFFF; };
    if (fore == 0xCC && src && src->rows && blackOrWhite(src->rows->colors[0]) && blackOrWhite(src->rows->colors[1])) {
        if (!EnsureSurface(dc)) return false;
        cairo_t* cr = dc.cr;
        cairo_save(cr);
        ApplyClip(dc, cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        quadPath(cr, LogicalToDevice(dc), x, y, w, h);
        SetSourceColor(cr, RGB(255, 255, 255));
        cairo_fill(cr);
        cairo_restore(cr);
        DrawStencil(dc, src, identity, srcToDev, true, GetStockObject(BLACK_BRUSH));
        return true;
    }
    return stencilBlit(dc, src, identity, srcToDev, fore);
}

bool BlitBilevelRows(DC& dc, const ImageRef& src, double x, double y, double w, double h, DWORD rop) {
    if (dc.document || !src.rows || (rop >> 16 & 0xFF) != 0x88 || w == 0 || h == 0 || !EnsureSurface(dc)) return false;
    // Black through a mask of the image's black dots darkens the page where they are, as
    // multiplying by the image's pixels does, from an eighth of the bytes; reduced onto the
    // device pixels at once where the image is drawn smaller than its dots.
    size_t stride = static_cast<size_t>(cairo_format_stride_for_width(CAIRO_FORMAT_A1, src.width));
    std::vector<uint8_t> dots(stride * static_cast<size_t>(src.height));
    if (!BilevelRowsToA1(*src.rows, src.width, src.height, 0, dots.data(), stride)) return false;
    Matrix srcToDev = sourceToDevice(dc, 0, 0, src.width, src.height, x, y, w, h);
    cairo_t* cr = dc.cr;
    cairo_save(cr);
    ApplyClip(dc, cr);
    quadPath(cr, LogicalToDevice(dc), x, y, w, h);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_rgb(cr, 0, 0, 0);
    double cx0, cy0, cx1, cy1;
    cairo_clip_extents(cr, &cx0, &cy0, &cx1, &cy1);
    int sw = 0, sh = 0;
    SurfaceExtent(dc, sw, sh);
    PixelBox within{std::max(0, static_cast<int>(std::floor(cx0))), std::max(0, static_cast<int>(std::floor(cy0))),
                    std::min(sw, static_cast<int>(std::ceil(cx1))), std::min(sh, static_cast<int>(std::ceil(cy1)))};
    int ox = 0, oy = 0;
    cairo_surface_t* reduced = ReducedDotMask(dots.data(), stride, src.width, src.height, srcToDev, within, ox, oy);
    if (reduced) {
        cairo_mask_surface(cr, reduced, ox, oy);
        cairo_surface_destroy(reduced);
    } else if (within.x1 > within.x0 && within.y1 > within.y0) {
        cairo_surface_t* shape = cairo_image_surface_create_for_data(dots.data(), CAIRO_FORMAT_A1, src.width,
                                                                     src.height, static_cast<int>(stride));
        cairo_pattern_t* m = imagePattern(dc, shape, srcToDev, std::fabs(srcToDev.det()) >= 1.0, CAIRO_EXTEND_PAD);
        cairo_mask(cr, m);
        cairo_pattern_destroy(m);
        cairo_surface_destroy(shape);
    }
    cairo_restore(cr);
    return true;
}

void BlitImage(DC& dc, const ImageRef* src, double sx, double sy, double sw, double sh, double x, double y, double w,
               double h, DWORD rop, const ImageRef* mask, int maskX, int maskY) {
    if (!EnsureSurface(dc) || w == 0 || h == 0) return;
    uint8_t fore = static_cast<uint8_t>(rop >> 16), back = mask ? static_cast<uint8_t>(rop >> 24) : fore;
    bool needSrc = usesSource(fore) || usesSource(back);
    if (needSrc && (!src || !src->px || src->width <= 0 || sw == 0 || sh == 0)) return;
    if (fore == 0xAA && back == 0xAA) return;
    Matrix logical = LogicalToDevice(dc);
    Matrix srcToDev = needSrc ? sourceToDevice(dc, sx, sy, sw, sh, x, y, w, h) : Matrix{};
    if (dc.document && !mask && src && stencilBlit(dc, src, src->identity, srcToDev, fore)) return;
    std::vector<uint32_t> monoCopy;
    cairo_surface_t* ss = needSrc ? sourceSurface(dc, *src, monoCopy) : nullptr;
    auto* brush = LookUpAs<BrushObj>(dc.st.brush, Kind::Brush);
    cairo_t* cr = dc.cr;
    cairo_save(cr);
    ApplyClip(dc, cr);
    bool upscale = needSrc && std::fabs(srcToDev.det()) >= 1.0;
    cairo_extend_t edge = needSrc ? imageEdge(*src, sx, sy, sw, sh) : CAIRO_EXTEND_PAD;

    // Bi-level images ANDed onto the page darken it where they are black;
    // multiplying does that, and keeps the greys of a reduced image.
    bool multiply = fore == 0x88 && !mask && src && src->bilevel;
    if (!mask && (fore == 0xCC || fore == 0xF0 || fore == 0x00 || fore == 0xFF || multiply)) {
        // Plain copies go straight through Cairo.
        quadPath(cr, logical, x, y, w, h);
        if (multiply) cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
        bool image = fore == 0xCC || multiply;
        if (image) setImageSource(dc, cr, ss, srcToDev, upscale, edge);
        else if (fore == 0xF0 && brush) SetBrushSource(dc, cr, brush);
        else cairo_set_source_rgb(cr, fore == 0xFF, fore == 0xFF, fore == 0xFF);
        bool drawn = image && fillInParts(dc, logical, x, y, w, h, ss, srcToDev, upscale, edge);
        if (!drawn && (fore != 0xF0 || (brush && brush->style != BS_NULL))) cairo_fill(cr);
        cairo_new_path(cr);
    } else {
        // Everything else: source and pattern rendered into scratch buffers
        // over the covered device pixels, then combined bit by bit.
        double ex0, ey0, ex1, ey1;
        quadPath(cr, logical, x, y, w, h);
        cairo_fill_extents(cr, &ex0, &ey0, &ex1, &ey1);
        double cx0, cy0, cx1, cy1;
        cairo_clip_extents(cr, &cx0, &cy0, &cx1, &cy1);
        int sw_ = 0, sh_ = 0;
        SurfaceExtent(dc, sw_, sh_);
        int ix0 = std::max(0, static_cast<int>(std::floor(std::max(ex0, cx0))));
        int iy0 = std::max(0, static_cast<int>(std::floor(std::max(ey0, cy0))));
        int ix1 = std::min(sw_, static_cast<int>(std::ceil(std::min(ex1, cx1))));
        int iy1 = std::min(sh_, static_cast<int>(std::ceil(std::min(ey1, cy1))));
        if (ix1 > ix0 && iy1 > iy0 && PaintBackdrop(dc, cr, ix0, iy0, ix1, iy1)) {
            // A document takes the region from the page's picture.
        } else if (ix1 > ix0 && iy1 > iy0) {
            int bw = ix1 - ix0, bh = iy1 - iy0;
            auto scratch = [&](cairo_format_t f) {
                cairo_surface_t* s = cairo_image_surface_create(f, bw, bh);
                cairo_surface_set_device_offset(s, -ix0, -iy0);
                return s;
            };
            // Coverage of the destination quad inside the clip.
            cairo_surface_t* cov = scratch(CAIRO_FORMAT_A8);
            {
                cairo_t* c = cairo_create(cov);
                ApplyClip(dc, c);
                cairo_set_antialias(c, CAIRO_ANTIALIAS_NONE);
                quadPath(c, logical, x, y, w, h);
                cairo_fill(c);
                cairo_destroy(c);
            }
            cairo_surface_t* sbuf = nullptr;
            if (needSrc) {
                sbuf = scratch(CAIRO_FORMAT_RGB24);
                cairo_t* c = cairo_create(sbuf);
                setImageSource(dc, c, ss, srcToDev, upscale, edge);
                cairo_paint(c);
                cairo_destroy(c);
            }
            cairo_surface_t* pbuf = nullptr;
            if ((usesPattern(fore) || usesPattern(back)) && brush) {
                pbuf = scratch(CAIRO_FORMAT_RGB24);
                cairo_t* c = cairo_create(pbuf);
                SetBrushSource(dc, c, brush);
                cairo_paint(c);
                cairo_destroy(c);
            }
            Matrix devToSrc;
            bool haveInv = mask && srcToDev.invert(devToSrc);
            cairo_surface_flush(cov);
            cairo_surface_flush(dc.surface);
            const unsigned char* cv = cairo_image_surface_get_data(cov);
            int cvStride = cairo_image_surface_get_stride(cov);
            auto rowOf = [&](cairo_surface_t* s, int yy) {
                return s ? reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                                             yy * cairo_image_surface_get_stride(s))
                         : nullptr;
            };
            auto* dst = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(dc.surface));
            int dstride = cairo_image_surface_get_stride(dc.surface) / 4;
            for (int yy = 0; yy < bh; ++yy) {
                const uint32_t* srow = rowOf(sbuf, yy);
                const uint32_t* prow = rowOf(pbuf, yy);
                uint32_t* drow = dst + static_cast<size_t>(iy0 + yy) * dstride + ix0;
                for (int xx = 0; xx < bw; ++xx) {
                    if (cv[yy * cvStride + xx] < 128) continue;
                    uint8_t code = fore;
                    if (mask) {
                        code = back;
                        if (haveInv) {
                            PointD u = devToSrc.apply(ix0 + xx + 0.5, iy0 + yy + 0.5);
                            long mx = static_cast<long>(std::floor(u.x - sx)) + maskX;
                            long my = static_cast<long>(std::floor(u.y - sy)) + maskY;
                            if (mx >= 0 && my >= 0 && mx < mask->width && my < mask->height &&
                                (mask->px[static_cast<size_t>(my) * mask->width + mx] & 0xFFFFFF))
                                code = fore;
                        }
                    }
                    uint32_t d = drow[xx];
                    uint32_t r = ternary(code, prow ? prow[xx] : 0, srow ? srow[xx] : 0, d);
                    drow[xx] = (d & 0xFF000000u) | (r & 0xFFFFFF);
                }
            }
            cairo_surface_mark_dirty(dc.surface);
            if (sbuf) cairo_surface_destroy(sbuf);
            if (pbuf) cairo_surface_destroy(pbuf);
            cairo_surface_destroy(cov);
        }
        cairo_new_path(cr);
    }
    if (ss) cairo_surface_destroy(ss);
    cairo_restore(cr);
}

void AlphaBlendImage(DC& dc, const ImageRef& src, double sx, double sy, double sw, double sh, double x, double y,
                     double w, double h, BLENDFUNCTION blend) {
    if (!EnsureSurface(dc) || !src.px || sw <= 0 || sh <= 0 || w == 0 || h == 0) return;
    // Premultiplied BGRA when the source carries alpha, opaque otherwise.
    std::vector<uint32_t> px(src.px, src.px + static_cast<size_t>(src.width) * src.height);
    bool perPixel = blend.AlphaFormat & AC_SRC_ALPHA;
    for (uint32_t& p : px) {
        if (!perPixel) {
            p |= 0xFF000000u;
            continue;
        }
        uint32_t a = p >> 24;
        uint32_t r = std::min((p >> 16) & 0xFF, a), g = std::min((p >> 8) & 0xFF, a), b = std::min(p & 0xFF, a);
        p = (a << 24) | (r << 16) | (g << 8) | b;
    }
    cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(px.data()),
                                                             CAIRO_FORMAT_ARGB32, src.width, src.height, src.width * 4);
    Matrix logical = LogicalToDevice(dc);
    Matrix srcToDev = sourceToDevice(dc, sx, sy, sw, sh, x, y, w, h);
    cairo_t* cr = dc.cr;
    cairo_save(cr);
    ApplyClip(dc, cr);
    quadPath(cr, logical, x, y, w, h);
    cairo_clip(cr);
    setImageSource(dc, cr, s, srcToDev, std::fabs(srcToDev.det()) >= 1.0, imageEdge(src, sx, sy, sw, sh));
    cairo_paint_with_alpha(cr, blend.SourceConstantAlpha / 255.0);
    cairo_restore(cr);
    cairo_surface_destroy(s);
}

}  // namespace gdi
