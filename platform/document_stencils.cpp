// Black-and-white images laid with the brush in PDF and SVG documents: stencils rather than
// pixels, each distinct one held once, and in a PDF the small ones (the bitmap glyphs of
// printer fonts) the glyphs of a Type 3 font, so that a line of text is one text object
// rather than a hundred images.
#include "fax_g4.h"
#include "gdi_internal.h"
#include "kernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace gdi {
namespace {
constexpr size_t kMaxStencilBytes = 32u << 20;   // stencils and glyphs a document keeps for reuse
constexpr int kMaxGlyphSide = 256;               // larger images stay stencils of their own
constexpr double kMaxGlyphArea = 512.0 * 512.0;  // and so do images drawn over more device pixels
constexpr size_t kMaxRun = 4096;                 // glyphs shown at once
// Device pixels to the em of the bitmap font: glyph coordinates near one keep the precision
// of the numbers the font is written with.
constexpr double kGlyphEm = 64;

// The stencil of an image as A1 rows, set where the image is black (`whereBlack`) or white,
// after its width and height. Mono images are read as the text and background colours
// they are drawn in. False for an image of other colours.
bool stencilBits(const DC& dc, const ImageRef& src, bool whereBlack, std::string& bits) {
    int w = src.width, h = src.height;
    int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A1, w);
    if ((!src.px && !src.rows) || w <= 0 || h <= 0 || stride <= 0) return false;
    bits.assign(8 + static_cast<size_t>(stride) * h, '\0');
    std::memcpy(&bits[0], &w, 4), std::memcpy(&bits[4], &h, 4);
    uint32_t set = whereBlack ? 0 : 0xFFFFFF;
    if (src.rows)
        return BilevelRowsToA1(*src.rows, w, h, set, reinterpret_cast<uint8_t*>(&bits[8]), static_cast<size_t>(stride));
    uint32_t fg = ColorToPixel(dc.st.textColor), bg = ColorToPixel(dc.st.bkColor);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = src.px + static_cast<size_t>(y) * w;
        char* out = &bits[8 + static_cast<size_t>(y) * stride];
        // A1 pixels are packed in native 32-bit words, the first pixel in the low bit.
        for (int x0 = 0; x0 < w; x0 += 32) {
            uint32_t word = 0, other = 0;
            for (int x = x0, end = std::min(w, x0 + 32); x < end; ++x) {
                uint32_t c = row[x] & 0xFFFFFF;
                if (src.mono) c = c ? bg : fg;
                other |= (c + 1) & 0xFFFFFE;  // neither black nor white
                word |= static_cast<uint32_t>(c == set) << (x - x0);
            }
            if (other) return false;
            std::memcpy(out + x0 / 8, &word, 4);
        }
    }
    return true;
}

cairo_surface_t* a1Surface(const std::string& bits) {
    int w, h;
    std::memcpy(&w, bits.data(), 4), std::memcpy(&h, bits.data() + 4, 4);
    cairo_surface_t* shape = cairo_image_surface_create(CAIRO_FORMAT_A1, w, h);
    if (cairo_surface_status(shape) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(shape);
        return nullptr;
    }
    cairo_surface_flush(shape);
    std::memcpy(cairo_image_surface_get_data(shape), bits.data() + 8, bits.size() - 8);
    cairo_surface_mark_dirty(shape);
    return shape;
}

// The bytes an image was decoded from, with what else decides its stencil.
std::string sourceKey(const DC& dc, std::string_view identity, bool whereBlack) {
    std::string key(identity);
    uint32_t more[3] = {whereBlack, dc.st.textColor, dc.st.bkColor};
    key.append(reinterpret_cast<const char*>(more), sizeof more);
    return key;
}

struct Shape {
    cairo_surface_t* surface = nullptr;  // a reference the caller drops
    int id = -1;                         // the document's stencil, or -1 for one not kept
};

// The document's stencil of these A1 bits: the one kept for the same bits, else a new one,
// kept while the document's budget (less `moreBytes` it will spend beside) lasts.
bool keptShape(DocumentStencils& st, std::string&& bits, size_t moreBytes, Shape& shape) {
    if (auto it = st.byBits.find(bits); it != st.byBits.end()) {
        shape = {cairo_surface_reference(st.shapes[it->second]), it->second};
        return true;
    }
    shape.surface = a1Surface(bits);
    if (!shape.surface) return false;
    if (st.bytes + bits.size() + moreBytes <= kMaxStencilBytes) {
        shape.id = static_cast<int>(st.shapes.size());
        st.shapes.push_back(cairo_surface_reference(shape.surface));
        st.bytes += bits.size();
        st.byBits.emplace(std::move(bits), shape.id);
    }
    return true;
}

// Remembers what the stencil of an image known by its bytes is: a kept one, or -1 for an
// image of other colours.
void rememberSource(DocumentStencils& st, std::string&& byBytes, int id) {
    if (byBytes.empty() || st.bytes + byBytes.size() > kMaxStencilBytes) return;
    st.bytes += byBytes.size();
    st.bySource.emplace(std::move(byBytes), id);
}

bool solidColor(const DC& dc, const BrushObj& brush, COLORREF& color) {
    if (brush.stockIndex == DC_BRUSH) color = dc.st.dcBrushColor;
    else if (brush.style == BS_SOLID) color = brush.color;
    else return false;
    return true;
}

bool samePath(const Path& a, const Path& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind) return false;
        int points = a[i].kind == PathOp::Curve ? 3 : a[i].kind == PathOp::Close ? 0 : 1;
        for (int k = 0; k < points; ++k)
            if (a[i].p[k].x != b[i].p[k].x || a[i].p[k].y != b[i].p[k].y) return false;
    }
    return true;
}

// Whether the DC's clip is the one a run of glyphs was queued under.
bool clipIs(const DC& dc, const std::vector<ClipItem>& clip) {
    if (dc.metaClip.size() + dc.st.clip.size() != clip.size()) return false;
    size_t i = 0;
    for (const auto* list : {&dc.metaClip, &dc.st.clip})
        for (const ClipItem& item : *list) {
            if (item.evenOdd != clip[i].evenOdd || !samePath(item.path, clip[i].path)) return false;
            ++i;
        }
    return true;
}
}  // namespace

// The glyphs of a document's bitmap font: each a stencil and the transform that lays it from
// its origin, in ems.
struct BitmapGlyphTable {
    struct Glyph {
        cairo_surface_t* bits;
        cairo_matrix_t toEm;
        double originX, originY, advance;  // in the image's columns and rows
        // A glyph of an outline instead: its path from the reference point and its advance, in ems.
        cairo_path_t* outline = nullptr;
        cairo_fill_rule_t rule = CAIRO_FILL_RULE_WINDING;
        double advanceX = 0, advanceY = 0;
    };
    std::vector<Glyph> glyphs;
    ~BitmapGlyphTable() {
        for (Glyph& g : glyphs) {
            if (g.bits) cairo_surface_destroy(g.bits);
            if (g.outline) cairo_path_destroy(g.outline);
        }
    }
};

DocumentStencils::~DocumentStencils() {
    for (cairo_surface_t* s : shapes) cairo_surface_destroy(s);
    if (glyphFace) cairo_font_face_destroy(glyphFace);
}

namespace {
const cairo_user_data_key_t kGlyphTableKey{};

cairo_status_t renderBitmapGlyph(cairo_scaled_font_t* font, unsigned long index, cairo_t* cr,
                                 cairo_text_extents_t* extents) {
    auto* table = static_cast<BitmapGlyphTable*>(
        cairo_font_face_get_user_data(cairo_scaled_font_get_font_face(font), &kGlyphTableKey));
    extents->x_advance = extents->y_advance = 0;
    if (!table || index >= table->glyphs.size()) return CAIRO_STATUS_SUCCESS;
    const BitmapGlyphTable::Glyph& g = table->glyphs[index];
    if (g.outline) {
        extents->x_advance = g.advanceX, extents->y_advance = g.advanceY;
        cairo_append_path(cr, g.outline);
        cairo_set_fill_rule(cr, g.rule);
        cairo_fill(cr);
        return CAIRO_STATUS_SUCCESS;
    }
    // Its advance as the page told it, else its width: text extraction reads the gaps the
    // advances leave as the gaps between words. Each glyph is placed where it was drawn.
    double x = g.advance, y = 0;
    cairo_matrix_transform_distance(&g.toEm, &x, &y);
    extents->x_advance = x, extents->y_advance = y;
    cairo_transform(cr, &g.toEm);
    cairo_mask_surface(cr, g.bits, -g.originX, -g.originY);
    return CAIRO_STATUS_SUCCESS;
}

// The document's bitmap font, made when the first glyph needs it.
bool ensureGlyphFace(DocumentStencils& st) {
    if (st.glyphFace) return true;
    auto table = std::make_unique<BitmapGlyphTable>();
    cairo_font_face_t* face = cairo_user_font_face_create();
    cairo_user_font_face_set_render_glyph_func(face, renderBitmapGlyph);
    // The face owns the table: Cairo may keep the face after the document is gone.
    if (cairo_font_face_set_user_data(face, &kGlyphTableKey, table.get(), [](void* p) {
            delete static_cast<BitmapGlyphTable*>(p);
        }) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(face);
        return false;
    }
    st.glyphTable = table.release();
    st.glyphFace = face;
    return true;
}

// The glyph of a kept stencil laid by this transform about the reference point told, added to
// the font the first time with the advance told, else about its top-left corner and as wide as
// it is: its origin and advance in the image's columns and rows.
bool glyphIndex(DocumentStencils& st, int id, const Matrix& srcToDev, const GlyphComment& told, unsigned long& index) {
    double linear[7] = {srcToDev.a, srcToDev.b, srcToDev.c, srcToDev.d, told.originX, told.originY, told.advance};
    std::string key(reinterpret_cast<const char*>(&id), sizeof id);
    key.append(reinterpret_cast<const char*>(linear), sizeof linear);
    if (auto it = st.glyphs.find(key); it != st.glyphs.end()) {
        index = it->second;
        return true;
    }
    if (st.bytes + key.size() > kMaxStencilBytes || !ensureGlyphFace(st)) return false;
    cairo_matrix_t toEm;
    cairo_matrix_init(&toEm, linear[0] / kGlyphEm, linear[1] / kGlyphEm, linear[2] / kGlyphEm, linear[3] / kGlyphEm, 0,
                      0);
    index = st.glyphTable->glyphs.size();
    double advance = told.advance > 0 ? told.advance : cairo_image_surface_get_width(st.shapes[id]);
    st.glyphTable->glyphs.push_back(
        {cairo_surface_reference(st.shapes[id]), toEm, told.originX, told.originY, advance});
    st.bytes += key.size();
    st.glyphs.emplace(std::move(key), index);
    return true;
}

// Glyph `index` of the document's font at (x, y) in device pixels, in a solid colour, standing
// for `character` (0: not known): it joins the run waiting to be shown.
void appendGlyph(DC& dc, unsigned long index, double x, double y, COLORREF color, char32_t character) {
    BitmapGlyphRun& run = dc.document->stencils.run;
    if (!run.glyphs.empty() && (run.color != color || run.glyphs.size() >= kMaxRun || !clipIs(dc, run.clip)))
        FlushBitmapGlyphs(dc);
    size_t textBefore = run.text.size();
    if (run.glyphs.empty()) {
        run.color = color;
        run.clip.assign(dc.metaClip.begin(), dc.metaClip.end());
        run.clip.insert(run.clip.end(), dc.st.clip.begin(), dc.st.clip.end());
    }
    run.glyphs.push_back({index, x, y});
    if (character) AppendUtf8(character, run.text);
    // Glyphs of no known character in a row are one cluster of no text: one marked span in a
    // PDF rather than one a glyph.
    if (!character && !run.clusters.empty() && run.clusters.back().num_bytes == 0) ++run.clusters.back().num_glyphs;
    else run.clusters.push_back({static_cast<int>(run.text.size() - textBefore), 1});
}

// On a PDF, a small stencil in a solid colour joins the run of glyphs waiting to be shown,
// with the character it stands for where the page told it.
bool queueGlyph(DC& dc, const Shape& shape, const Matrix& srcToDev, const BrushObj& brush) {
    DocumentStencils& st = dc.document->stencils;
    COLORREF color;
    int w = cairo_image_surface_get_width(shape.surface), h = cairo_image_surface_get_height(shape.surface);
    if (SvgOutput* svg = dc.document->svg.get()) {
        // An SVG's glyphs stay stencils; their characters go into its text layer.
        const GlyphComment& told = dc.document->nextGlyph;
        PointD at = srcToDev.apply(told.originX, told.originY);
        double advance = told.advance > 0 ? told.advance : w;
        if (told.character && !told.outline)
            AddSvgCharacter(*svg, told.character, at.x, at.y, h * std::fabs(srcToDev.d), advance * srcToDev.a);
        return false;
    }
    if (dc.document->format != DocumentFormat::Pdf || shape.id < 0 || !solidColor(dc, brush, color)) return false;
    if (w > kMaxGlyphSide || h > kMaxGlyphSide || std::fabs(srcToDev.det()) * w * h > kMaxGlyphArea) return false;
    unsigned long index;
    const GlyphComment& told = dc.document->nextGlyph;
    if (told.outline || !glyphIndex(st, shape.id, srcToDev, told, index)) return false;
    // The glyph stands at its reference point.
    PointD at = srcToDev.apply(told.originX, told.originY);
    appendGlyph(dc, index, at.x, at.y, color, told.character);
    return true;
}

// A PDF keeps a stencil in CCITT G4, as printers' raster pages are kept: a tenth of its
// Flate size, and written without compressing it again.
void attachFaxCode(cairo_surface_t* shape) {
    const unsigned char* data;
    unsigned long length;
    cairo_surface_get_mime_data(shape, CAIRO_MIME_TYPE_CCITT_FAX, &data, &length);
    if (data) return;
    int w = cairo_image_surface_get_width(shape), h = cairo_image_surface_get_height(shape);
    cairo_surface_flush(shape);
    std::string code = EncodeFaxG4(cairo_image_surface_get_data(shape),
                                   static_cast<size_t>(cairo_image_surface_get_stride(shape)), w, h);
    if (code.empty()) return;
    // Cairo lays stencils with /Decode [1 0]: the set pixels, coded black, must read as ones.
    auto* held = new std::string(std::move(code));
    auto* params =
        new std::string("Columns=" + std::to_string(w) + " Rows=" + std::to_string(h) + " K=-1 BlackIs1=true");
    auto release = [](void* p) { delete static_cast<std::string*>(p); };
    if (cairo_surface_set_mime_data(shape, CAIRO_MIME_TYPE_CCITT_FAX_PARAMS,
                                    reinterpret_cast<const unsigned char*>(params->data()), params->size(), release,
                                    params) != CAIRO_STATUS_SUCCESS) {
        delete params;
        delete held;
        return;
    }
    if (cairo_surface_set_mime_data(shape, CAIRO_MIME_TYPE_CCITT_FAX,
                                    reinterpret_cast<const unsigned char*>(held->data()), held->size(), release,
                                    held) != CAIRO_STATUS_SUCCESS)
        delete held;
}

void paintStencil(DC& dc, cairo_surface_t* shape, const Matrix& srcToDev, BrushObj* brush) {
    if (dc.document->format == DocumentFormat::Pdf) attachFaxCode(shape);
    cairo_t* cr = dc.cr;
    cairo_save(cr);
    ApplyClip(dc, cr);
    cairo_pattern_t* m = cairo_pattern_create_for_surface(shape);
    Matrix inv;
    if (srcToDev.invert(inv)) {
        cairo_matrix_t cm = inv.toCairo();
        cairo_pattern_set_matrix(m, &cm);
    }
    bool upscale = std::fabs(srcToDev.det()) >= 1.0;
    cairo_pattern_set_filter(m, upscale ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    SetBrushSource(dc, cr, brush);
    cairo_mask(cr, m);
    cairo_pattern_destroy(m);
    cairo_restore(cr);
}
// A large stencil laid in strips of the rows that have set pixels, each cut to the columns
// that do, in whole words: blank margins and gaps cost nothing, and a strip seen before on
// this page or an earlier one (a letterhead, a line of a form) is kept once.
void paintStrips(DC& dc, const std::string& bits, const Matrix& srcToDev, BrushObj* brush) {
    int w, h;
    std::memcpy(&w, bits.data(), 4), std::memcpy(&h, bits.data() + 4, 4);
    size_t words = static_cast<size_t>(cairo_format_stride_for_width(CAIRO_FORMAT_A1, w)) / 4;
    const char* rows = bits.data() + 8;
    // The first and one past the last word of a row with set pixels; first == end for none.
    auto span = [&](int y, size_t& first, size_t& end) {
        const char* row = rows + static_cast<size_t>(y) * words * 4;
        uint32_t word;
        for (first = 0; first < words; ++first)
            if (std::memcpy(&word, row + first * 4, 4), word) break;
        for (end = words; end > first; --end)
            if (std::memcpy(&word, row + (end - 1) * 4, 4), word) break;
    };
    DocumentStencils& st = dc.document->stencils;
    for (int y = 0; y < h;) {
        size_t first, end;
        span(y, first, end);
        if (first == end) {
            ++y;
            continue;
        }
        int y0 = y;
        for (size_t f, e; ++y < h;) {
            span(y, f, e);
            if (f == e) break;
            first = std::min(first, f), end = std::max(end, e);
        }
        int x0 = static_cast<int>(first * 32), stripW = std::min(w, static_cast<int>(end * 32)) - x0, stripH = y - y0;
        std::string strip(8 + (end - first) * 4 * stripH, '\0');
        std::memcpy(&strip[0], &stripW, 4), std::memcpy(&strip[4], &stripH, 4);
        for (int k = 0; k < stripH; ++k)
            std::memcpy(&strip[8 + static_cast<size_t>(k) * (end - first) * 4],
                        rows + (static_cast<size_t>(y0 + k) * words + first) * 4, (end - first) * 4);
        Shape shape;
        if (!keptShape(st, std::move(strip), 0, shape)) continue;
        paintStencil(dc, shape.surface,
                     Matrix{1, 0, 0, 1, static_cast<double>(x0), static_cast<double>(y0)}.then(srcToDev), brush);
        cairo_surface_destroy(shape.surface);
    }
}
}  // namespace

bool DrawStencil(DC& dc, const ImageRef* src, std::string_view identity, const Matrix& srcToDev, bool whereBlack,
                 HGDIOBJ paint) {
    auto* brush = LookUpAs<BrushObj>(paint ? paint : dc.st.brush, Kind::Brush);
    if (!dc.document || !brush || brush->style == BS_NULL || !EnsureSurface(dc)) return false;
    DocumentStencils& st = dc.document->stencils;
    std::string byBytes;
    Shape shape;
    if (!identity.empty()) {
        byBytes = sourceKey(dc, identity, whereBlack);
        if (auto it = st.bySource.find(byBytes); it != st.bySource.end()) {
            if (it->second < 0) return false;
            shape = {cairo_surface_reference(st.shapes[it->second]), it->second};
        }
    }
    if (!shape.surface) {
        std::string bits;
        if (!src) return false;
        if (!stencilBits(dc, *src, whereBlack, bits)) {
            rememberSource(st, std::move(byBytes), -1);
            return false;
        }
        if (src->width > kMaxGlyphSide || src->height > kMaxGlyphSide) {
            paintStrips(dc, bits, srcToDev, brush);
            return true;
        }
        if (!keptShape(st, std::move(bits), byBytes.size(), shape)) return false;
        if (shape.id >= 0) rememberSource(st, std::move(byBytes), shape.id);
    }
    if (!queueGlyph(dc, shape, srcToDev, *brush)) paintStencil(dc, shape.surface, srcToDev, brush);
    cairo_surface_destroy(shape.surface);
    return true;
}

bool QueueOutlineGlyph(DC& dc, const Path& path) {
    if (!dc.document || path.empty()) return false;
    const GlyphComment& told = dc.document->nextGlyph;
    auto* brush = LookUpAs<BrushObj>(dc.st.brush, Kind::Brush);
    if (!told.outline || !told.character || !brush) return false;
    Matrix m = LogicalToDevice(dc);
    PointD ref = m.apply(told.originX, told.originY), advance = m.applyVector(told.advance, 0);
    if (SvgOutput* svg = dc.document->svg.get()) {
        // An SVG's glyphs stay paths; the characters of those drawn go into its text layer, as
        // high as the glyph or as wide as its advance.
        if (dc.st.rop2 == R2_NOP || brush->style == BS_NULL) return false;
        double x0, top, x1, bottom;
        PathBounds(path, x0, top, x1, bottom);
        double high = std::max(bottom, ref.y) - std::min(top, ref.y);
        AddSvgCharacter(*svg, told.character, ref.x, ref.y, std::max(high, std::hypot(advance.x, advance.y)),
                        advance.x);
        return false;
    }
    COLORREF color;
    if (dc.document->format != DocumentFormat::Pdf || dc.st.rop2 != R2_COPYPEN || !solidColor(dc, *brush, color) ||
        !EnsureSurface(dc))
        return false;
    // The outline from its reference point in sixteenths of a device pixel, with its fill rule
    // and advance: the same glyph at the same size is one glyph of the font.
    bool winding = dc.st.polyFillMode == WINDING;
    std::string key(1, static_cast<char>(winding));
    auto put = [&key](double v) {
        auto q = static_cast<int32_t>(std::lround(std::clamp(v * 16, -1e9, 1e9)));
        key.append(reinterpret_cast<const char*>(&q), sizeof q);
    };
    put(advance.x), put(advance.y);
    for (const PathOp& op : path) {
        key.push_back(static_cast<char>(op.kind));
        int points = op.kind == PathOp::Curve ? 3 : op.kind == PathOp::Close ? 0 : 1;
        for (int k = 0; k < points; ++k) {
            double dx = op.p[k].x - ref.x, dy = op.p[k].y - ref.y;
            if (!(std::fabs(dx) <= kMaxGlyphSide && std::fabs(dy) <= kMaxGlyphSide)) return false;
            put(dx), put(dy);
        }
    }
    DocumentStencils& st = dc.document->stencils;
    unsigned long index;
    if (auto it = st.outlineGlyphs.find(key); it != st.outlineGlyphs.end()) {
        index = it->second;
    } else {
        if (st.bytes + key.size() > kMaxStencilBytes || !ensureGlyphFace(st)) return false;
        // The path in ems from the reference point, made on a scratch context.
        cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
        cairo_t* c = cairo_create(scratch);
        Path inEms = path;
        for (PathOp& op : inEms)
            for (PointD& p : op.p) p = {(p.x - ref.x) / kGlyphEm, (p.y - ref.y) / kGlyphEm};
        BuildCairoPath(c, inEms);
        cairo_path_t* outline = cairo_copy_path(c);
        cairo_destroy(c);
        cairo_surface_destroy(scratch);
        if (!outline || outline->status != CAIRO_STATUS_SUCCESS) {
            cairo_path_destroy(outline);
            return false;
        }
        index = st.glyphTable->glyphs.size();
        BitmapGlyphTable::Glyph g{nullptr, {}, 0, 0, 0};
        g.outline = outline;
        g.rule = winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD;
        g.advanceX = advance.x / kGlyphEm, g.advanceY = advance.y / kGlyphEm;
        st.glyphTable->glyphs.push_back(g);
        st.bytes += key.size();
        st.outlineGlyphs.emplace(std::move(key), index);
    }
    appendGlyph(dc, index, ref.x, ref.y, color, told.character);
    return true;
}

void FlushBitmapGlyphs(DC& dc) {
    if (!dc.document || dc.document->stencils.run.glyphs.empty() || !dc.cr) return;
    DocumentStencils& st = dc.document->stencils;
    BitmapGlyphRun& run = st.run;
    cairo_t* cr = dc.cr;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    ApplyClipItems(cr, run.clip);
    SetSourceColor(cr, run.color);
    cairo_set_font_face(cr, st.glyphFace);
    cairo_set_font_size(cr, kGlyphEm);
    // Each glyph carries its character, or none where it is not known: such glyphs read as no
    // text rather than as unknown characters.
    cairo_show_text_glyphs(cr, run.text.data(), static_cast<int>(run.text.size()), run.glyphs.data(),
                           static_cast<int>(run.glyphs.size()), run.clusters.data(),
                           static_cast<int>(run.clusters.size()), static_cast<cairo_text_cluster_flags_t>(0));
    cairo_restore(cr);
    run.glyphs.clear();
    run.text.clear();
    run.clusters.clear();
    run.clip.clear();
}
}  // namespace gdi
