// Text output and measurement. Glyph advances come from the font itself, so
// what a converter measures on a recording DC is what playback draws.
#include "drawing_options.h"
#include "emf_recorder.h"
#include "fonts.h"
#include "kernel.h"

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>

namespace gdi {
namespace {
struct TextFrame {
    PointD base{};         // logical start of the baseline
    PointD along{}, up{};  // logical unit vectors along the baseline and towards the top of the glyphs
    double width = 0;      // logical advance of the whole run
};

// Logical direction of the baseline and of "up". The escapement turns the baseline
// from the logical x axis towards logical -y, as on a y-down device, so in a mapping
// whose y axis points up an escapement of 90 degrees runs down the page, as Windows
// draws it. In the compatible graphics mode glyphs are never mirrored: "up" is a quarter
// turn counter-clockwise from the baseline as the page shows it. In the advanced mode
// glyphs are drawn in logical space, their tops towards logical -y turned with the
// baseline, and the whole transform shapes them as it shapes figures: stretched, sheared,
// and mirrored where it mirrors (upside down in a mapping whose y axis points up), as
// Windows draws them.
void directions(const DC& dc, double angle, PointD& along, PointD& up) {
    along = {std::cos(angle), -std::sin(angle)};
    if (AdvancedText(dc)) {
        up = {-std::sin(angle), -std::cos(angle)};
        return;
    }
    Matrix m = LogicalToDevice(dc);
    PointD dev = m.applyVector(along.x, along.y);
    double det = m.det();
    if (!(std::fabs(det) > 1e-12)) {
        up = {-along.y, along.x};
        return;
    }
    // The device's quarter turn (d.y, -d.x) taken back into logical space.
    double ux = (m.d * dev.y + m.c * dev.x) / det, uy = (-m.b * dev.y - m.a * dev.x) / det;
    double len = std::hypot(ux, uy);
    up = len > 0 ? PointD{ux / len, uy / len} : PointD{-along.y, along.x};
}

std::vector<double> advances(const SizedFont& f, const WCHAR* text, UINT count, const INT* dx, bool glyphIndex,
                             bool pdy) {
    std::vector<double> adv(count);
    for (UINT i = 0; i < count; ++i) adv[i] = dx ? dx[pdy ? 2 * i : i] : f.advance(text[i], glyphIndex);
    return adv;
}

TextFrame layout(const DC& dc, const SizedFont& f, double x, double y, double width) {
    TextFrame t;
    directions(dc, f.escapement, t.along, t.up);
    t.width = width;
    UINT align = dc.st.textAlign;
    double shift = 0;
    if ((align & TA_CENTER) == TA_CENTER) shift = -width / 2;
    else if (align & TA_RIGHT) shift = -width;
    double lift = 0;
    if ((align & TA_BASELINE) == TA_BASELINE) lift = 0;
    else if (align & TA_BOTTOM) lift = f.descent();
    else lift = -f.ascent();
    t.base = {x + t.along.x * shift + t.up.x * lift, y + t.along.y * shift + t.up.y * lift};
    return t;
}

Path boxPath(const Matrix& m, const TextFrame& t, double ascent, double descent) {
    auto at = [&](double a, double u) {
        return m.apply(t.base.x + t.along.x * a + t.up.x * u, t.base.y + t.along.y * a + t.up.y * u);
    };
    return {{PathOp::Move, {at(0, ascent)}},
            {PathOp::Line, {at(t.width, ascent)}},
            {PathOp::Line, {at(t.width, -descent)}},
            {PathOp::Line, {at(0, -descent)}},
            {PathOp::Close, {}}};
}

void fillPath(cairo_t* cr, const Path& p, COLORREF c) {
    SetSourceColor(cr, c);
    BuildCairoPath(cr, p);
    cairo_fill(cr);
}

// Selects the sized font on `cr` and lays out the glyphs of a run in device
// space. False when the glyphs would be too small to see or bigger than any
// page (Cairo and FreeType fail on such sizes).
bool setGlyphs(cairo_t* cr, const Matrix& m, const SizedFont& f, const TextFrame& t, const WCHAR* text, UINT count,
               const std::vector<double>& adv, bool glyphIndex, std::vector<cairo_glyph_t>& glyphs) {
    PointD da = m.applyVector(t.along.x, t.along.y), du = m.applyVector(t.up.x, t.up.y);
    cairo_matrix_t fm = {da.x * f.emWidth, da.y * f.emWidth, -du.x * f.emHeight, -du.y * f.emHeight, 0, 0};
    double emX = std::hypot(fm.xx, fm.yx), emY = std::hypot(fm.xy, fm.yy);
    if (!(std::isfinite(emX) && std::isfinite(emY) && emX > 0.05 && emY > 0.05 && emX < 20000 && emY < 20000 &&
          std::fabs(fm.xx * fm.yy - fm.xy * fm.yx) > 1e-6))
        return false;
    cairo_set_font_face(cr, f.face->cairo);
    cairo_set_font_matrix(cr, &fm);
    cairo_font_options_t* fo = cairo_font_options_create();
    cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(fo, DrawingAntialiased() ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_set_font_options(cr, fo);
    cairo_font_options_destroy(fo);
    glyphs.resize(count);
    double pos = 0;
    for (UINT i = 0; i < count; ++i) {
        PointD p = m.apply(t.base.x + t.along.x * pos, t.base.y + t.along.y * pos);
        glyphs[i] = {f.glyph(text[i], glyphIndex), p.x, p.y};
        pos += adv[i];
    }
    return true;
}

// Text inside a path bracket adds the outlines of its glyphs to the path.
void addTextToPath(DC& dc, const SizedFont& f, const TextFrame& t, const WCHAR* text, UINT count,
                   const std::vector<double>& adv, bool glyphIndex) {
    // An unbounded surface: Cairo leaves out of a path the glyphs that lie outside its surface.
    cairo_surface_t* s = cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr);
    cairo_t* cr = cairo_create(s);
    std::vector<cairo_glyph_t> glyphs;
    if (setGlyphs(cr, LogicalToDevice(dc), f, t, text, count, adv, glyphIndex, glyphs)) {
        cairo_glyph_path(cr, glyphs.data(), static_cast<int>(glyphs.size()));
        cairo_path_t* cp = cairo_copy_path(cr);
        Path p;
        for (int i = 0; cp->status == CAIRO_STATUS_SUCCESS && i < cp->num_data; i += cp->data[i].header.length) {
            const cairo_path_data_t* d = &cp->data[i];
            auto pt = [&](int k) { return PointD{d[k].point.x, d[k].point.y}; };
            switch (d->header.type) {
            case CAIRO_PATH_MOVE_TO: p.push_back({PathOp::Move, {pt(1)}}); break;
            case CAIRO_PATH_LINE_TO: p.push_back({PathOp::Line, {pt(1)}}); break;
            case CAIRO_PATH_CURVE_TO: p.push_back({PathOp::Curve, {pt(1), pt(2), pt(3)}}); break;
            case CAIRO_PATH_CLOSE_PATH: p.push_back({PathOp::Close, {}}); break;
            }
        }
        cairo_path_destroy(cp);
        if (dc.path.size() + p.size() <= kMaxPathOps) dc.path.insert(dc.path.end(), p.begin(), p.end());
    }
    cairo_destroy(cr);
    cairo_surface_destroy(s);
}

// Glyphs drawn; in a document they also carry the characters they stand for, one each, so
// that the document's text can be searched and copied. `text` is null for glyph indexes.
void showGlyphs(const DC& dc, cairo_t* cr, const cairo_glyph_t* glyphs, const UINT* chars, size_t n,
                const WCHAR* text) {
    if (n == 0) return;
    if (!dc.document || !text) {
        cairo_show_glyphs(cr, glyphs, static_cast<int>(n));
        return;
    }
    std::string utf8;
    std::vector<cairo_text_cluster_t> clusters(n);
    for (size_t k = 0; k < n; ++k) {
        // Each glyph stands for one UTF-16 unit: half a surrogate pair has no character of its own.
        char32_t c = text[chars[k]];
        size_t before = utf8.size();
        AppendUtf8(c < 0x20 ? 0xFFFD : c, utf8);
        clusters[k] = {static_cast<int>(utf8.size() - before), 1};
    }
    cairo_show_text_glyphs(cr, utf8.data(), static_cast<int>(utf8.size()), glyphs, static_cast<int>(n), clusters.data(),
                           static_cast<int>(n), static_cast<cairo_text_cluster_flags_t>(0));
}

void paintText(DC& dc, const SizedFont& f, const TextFrame& t, const WCHAR* text, UINT count,
               const std::vector<double>& adv, UINT options, const RECT* rect, bool glyphIndex) {
    if (!EnsureSurface(dc)) return;
    cairo_t* cr = dc.cr;
    Matrix m = LogicalToDevice(dc);
    cairo_save(cr);
    ApplyClip(dc, cr);
    if (rect) {
        Path r;
        AddRectangle(r, m, rect->left, rect->top, rect->right, rect->bottom);
        if (options & ETO_OPAQUE) fillPath(cr, r, dc.st.bkColor);
        if (options & ETO_CLIPPED) {
            // A stand-in face may draw glyphs wider than the advances recorded for the
            // original one: a level run whose advances fit the rectangle keeps the
            // overhang of its glyphs on either side. Text running past it is cut.
            double start = std::min(t.base.x, t.base.x + t.along.x * t.width);
            double end = std::max(t.base.x, t.base.x + t.along.x * t.width);
            double left = std::min(rect->left, rect->right), right = std::max(rect->left, rect->right);
            Path c = r;
            if (std::fabs(t.along.y) < 1e-9 && start >= left - 1 && end <= right + 1) {
                c.clear();
                AddRectangle(c, m, left - f.emWidth, rect->top, right + f.emWidth, rect->bottom);
            }
            BuildCairoPath(cr, c);
            cairo_clip(cr);
        }
    }
    if (dc.st.bkMode == OPAQUE && count > 0) fillPath(cr, boxPath(m, t, f.ascent(), f.descent()), dc.st.bkColor);
    std::vector<cairo_glyph_t> glyphs;
    if (setGlyphs(cr, m, f, t, text, count, adv, glyphIndex, glyphs)) {
        SetSourceColor(cr, dc.st.textColor);
        // Characters the face lacks come from a face that has them, in their places; the rest
        // are drawn together.
        std::vector<cairo_glyph_t> own;
        std::vector<UINT> ownText;  // the character each of the face's own glyphs draws
        std::vector<std::tuple<const FontFace*, cairo_glyph_t, UINT>> linked;
        for (UINT i = 0; i < count; ++i) {
            uint32_t index = 0;
            const FontFace* other =
                glyphs[i].index != 0 || glyphIndex || text[i] <= 0x20 ? nullptr : FallbackFace(f.lf, text[i], index);
            if (other) {
                linked.push_back({other, {index, glyphs[i].x, glyphs[i].y}, i});
            } else {
                own.push_back(glyphs[i]);
                ownText.push_back(i);
            }
        }
        // An SVG's text layer takes the characters in the string's order, wherever their glyphs
        // come from.
        if (!glyphIndex) AddToTextLayer(dc, cr, glyphs.data(), text, count);
        showGlyphs(dc, cr, own.data(), ownText.data(), own.size(), glyphIndex ? nullptr : text);
        for (const auto& [face, glyph, i] : linked) {
            cairo_set_font_face(cr, face->cairo);
            showGlyphs(dc, cr, &glyph, &i, 1, text);
        }
    }
    // Underline and strike-out run under and through the whole advance.
    auto line = [&](double pos, double thick) {
        double th = std::max(thick / f.face->unitsPerEm * f.emHeight, 0.5 / std::max(1e-9, m.scale()));
        double u = pos / f.face->unitsPerEm * f.emHeight;
        fillPath(cr, boxPath(m, t, u + th / 2, -(u - th / 2)), dc.st.textColor);
    };
    if (f.lf.lfUnderline) line(f.face->underlinePos, f.face->underlineThickness);
    if (f.lf.lfStrikeOut) line(f.face->strikePos, f.face->strikeThickness);
    cairo_restore(cr);
}

void recordText(DC& dc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count,
                const std::vector<double>& adv, const Path& box) {
    dc.rec->extend(box, 1);
    RecordWriter w(*dc.rec, EMR_EXTTEXTOUTW);
    LONG l = 0, t = 0, r = -1, b = -1;
    w.rect(l, t, r, b).u32(static_cast<uint32_t>(dc.st.graphicsMode)).f32(0).f32(0);
    size_t stringOffset = 76, dxOffset = stringOffset + ((count * 2 + 3) & ~3u);
    w.i32(x).i32(y).u32(count).u32(static_cast<uint32_t>(stringOffset)).u32(options & ~ETO_PDY);
    if (rect) w.rect(rect->left, rect->top, rect->right, rect->bottom);
    else w.rect(0, 0, -1, -1);
    w.u32(static_cast<uint32_t>(dxOffset));
    w.raw(text, count * 2).pad4();
    // Integer advances that add up to the rounded positions, so no error accumulates.
    double pos = 0;
    long prev = 0;
    for (UINT i = 0; i < count; ++i) {
        pos += adv[i];
        long next = std::lround(pos);
        w.i32(static_cast<int32_t>(next - prev));
        prev = next;
    }
}
}  // namespace

BOOL TextOutCore(HDC h, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count, const INT* dx) {
    DC* dc = LookUpDC(h);
    if (!dc || (count && !text) || count > 1u << 20) return FALSE;
    SizedFont f = SizeFont(*dc);
    if (!f.face) return FALSE;
    bool glyphIndex = options & ETO_GLYPH_INDEX, pdy = options & ETO_PDY;
    std::vector<double> adv = advances(f, text, count, dx, glyphIndex, pdy);
    double width = 0;
    for (double a : adv) width += a;
    bool updateCp = dc->st.textAlign & TA_UPDATECP;
    double ox = updateCp ? dc->st.current.x : x, oy = updateCp ? dc->st.current.y : y;
    TextFrame t = layout(*dc, f, ox, oy, width);
    if (dc->rec)
        recordText(*dc, x, y, options, rect, text, count, adv,
                   boxPath(LogicalToDevice(*dc), t, f.ascent(), f.descent()));
    if (dc->pathOpen) addTextToPath(*dc, f, t, text, count, adv, glyphIndex);
    else if (dc->kind == DcKind::Memory) paintText(*dc, f, t, text, count, adv, options, rect, glyphIndex);
    if (updateCp) {
        // The position moves along the baseline by the run's advance.
        dc->st.current.x = static_cast<LONG>(std::lround(ox + t.along.x * width));
        dc->st.current.y = static_cast<LONG>(std::lround(oy + t.along.y * width));
    }
    return TRUE;
}

static std::u16string widen(LPCSTR text, int count) {
    std::u16string w(static_cast<size_t>(count), u'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, text, count, w.data(), count);
    w.resize(static_cast<size_t>(n));
    return w;
}

static BOOL extent(HDC h, const WCHAR* text, int count, SIZE* size) {
    DC* dc = LookUpDC(h);
    if (!dc || !size || count < 0 || (count && !text)) return FALSE;
    SizedFont f = SizeFont(*dc);
    if (!f.face) return FALSE;
    double w = 0;
    for (int i = 0; i < count; ++i) w += f.advance(text[i], false);
    size->cx = static_cast<LONG>(std::lround(w));
    size->cy = static_cast<LONG>(std::lround(f.ascent() + f.descent()));
    return TRUE;
}

template <class TM>
static BOOL metrics(HDC h, TM* tm) {
    DC* dc = LookUpDC(h);
    if (!dc || !tm) return FALSE;
    SizedFont f = SizeFont(*dc);
    if (!f.face) return FALSE;
    std::memset(tm, 0, sizeof *tm);
    double upem = f.face->unitsPerEm;
    tm->tmAscent = static_cast<LONG>(std::lround(f.ascent()));
    tm->tmDescent = static_cast<LONG>(std::lround(f.descent()));
    tm->tmHeight = tm->tmAscent + tm->tmDescent;
    tm->tmInternalLeading = std::max<LONG>(0, tm->tmHeight - static_cast<LONG>(std::lround(f.emHeight)));
    tm->tmAveCharWidth = static_cast<LONG>(std::lround(f.face->avgWidth / upem * f.emWidth));
    tm->tmMaxCharWidth = static_cast<LONG>(std::lround(f.face->maxWidth / upem * f.emWidth));
    tm->tmWeight = f.lf.lfWeight ? f.lf.lfWeight : FW_NORMAL;
    tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = kScreenDpi;
    tm->tmFirstChar = 32;
    tm->tmLastChar = 255;
    tm->tmDefaultChar = '?';
    tm->tmBreakChar = ' ';
    tm->tmItalic = f.lf.lfItalic;
    tm->tmUnderlined = f.lf.lfUnderline;
    tm->tmStruckOut = f.lf.lfStrikeOut;
    // The pitch bit is set for variable-pitch fonts, as in Windows.
    tm->tmPitchAndFamily = static_cast<BYTE>(TMPF_TRUETYPE | TMPF_VECTOR | (f.face->fixedPitch ? 0 : TMPF_FIXED_PITCH) |
                                             (f.lf.lfPitchAndFamily & 0xF0));
    tm->tmCharSet = f.lf.lfCharSet;
    return TRUE;
}

}  // namespace gdi

using namespace gdi;

BOOL ExtTextOutW(HDC h, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx) {
    return TextOutCore(h, x, y, options, rect, text, count, dx);
}

BOOL ExtTextOutA(HDC h, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const INT* dx) {
    if (count && !text) return FALSE;
    if (options & ETO_GLYPH_INDEX) {
        std::u16string w(text, text + count);
        return TextOutCore(h, x, y, options, rect, w.data(), count, dx);
    }
    std::u16string w = widen(text, static_cast<int>(count));
    return TextOutCore(h, x, y, options, rect, w.data(), static_cast<UINT>(w.size()), w.size() == count ? dx : nullptr);
}

BOOL TextOutW(HDC h, int x, int y, LPCWSTR text, int count) {
    return count >= 0 && TextOutCore(h, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL TextOutA(HDC h, int x, int y, LPCSTR text, int count) {
    return count >= 0 && ExtTextOutA(h, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL GetTextExtentPoint32W(HDC h, LPCWSTR text, int count, SIZE* size) { return extent(h, text, count, size); }
BOOL GetTextExtentPointW(HDC h, LPCWSTR text, int count, SIZE* size) { return extent(h, text, count, size); }
BOOL GetTextExtentPoint32A(HDC h, LPCSTR text, int count, SIZE* size) {
    if (count < 0 || (count && !text)) return FALSE;
    std::u16string w = widen(text, count);
    return extent(h, w.data(), static_cast<int>(w.size()), size);
}
BOOL GetTextExtentPointA(HDC h, LPCSTR text, int count, SIZE* size) {
    return GetTextExtentPoint32A(h, text, count, size);
}
BOOL GetTextMetricsW(HDC h, TEXTMETRICW* tm) { return metrics(h, tm); }
BOOL GetTextMetricsA(HDC h, TEXTMETRICA* tm) { return metrics(h, tm); }
