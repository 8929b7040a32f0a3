// Text a document can be searched for. A PDF keeps each glyph's characters beside the glyph
// (Cairo writes them into the font's character map). Cairo writes an SVG's glyphs as shapes
// only, so the characters go into a text layer of their own, invisible, over the page: each
// character where its glyph is, at the glyph's size, for a viewer to find, select and copy.
#include "gdi_internal.h"
#include "kernel.h"

#include <cairo-svg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gdi {
namespace {
// Bytes held back from the file as Cairo writes it: enough to hold the closing tag, before
// which the text layer goes.
constexpr size_t kHeldBack = 64;

// The size the SVG element gives the page, in points, in place of the pixels Cairo gives it:
// the drawing stays in pixels (its view box), shown at the page's own size.
void sizeInPoints(SvgOutput& out) {
    out.sized = true;
    size_t tag = out.tail.find("<svg ");
    size_t width = out.tail.find(" width=\"", tag), height = out.tail.find(" height=\"", tag);
    size_t end = out.tail.find('"', height == std::string::npos ? height : height + 9);
    if (tag == std::string::npos || width == std::string::npos || height == std::string::npos || height < width ||
        end == std::string::npos)
        return;
    char size[96];
    std::snprintf(size, sizeof size, " width=\"%.9gpt\" height=\"%.9gpt\"", out.widthPoints, out.heightPoints);
    out.tail.replace(width, end + 1 - width, size);
}

cairo_status_t writeSvg(void* closure, const unsigned char* data, unsigned int length) {
    auto& out = *static_cast<SvgOutput*>(closure);
    out.tail.append(reinterpret_cast<const char*>(data), length);
    if (!out.sized) {
        if (out.tail.find("viewBox") == std::string::npos) return CAIRO_STATUS_SUCCESS;
        sizeInPoints(out);
    }
    if (out.tail.size() <= kHeldBack) return CAIRO_STATUS_SUCCESS;
    size_t ready = out.tail.size() - kHeldBack;
    if (std::fwrite(out.tail.data(), 1, ready, out.file) != ready) return CAIRO_STATUS_WRITE_ERROR;
    out.tail.erase(0, ready);
    return CAIRO_STATUS_SUCCESS;
}

// A character as XML text; none for those XML cannot hold.
void appendXmlCharacter(char32_t c, std::string& out) {
    switch (c) {
    case '&': out += "&amp;"; return;
    case '<': out += "&lt;"; return;
    case '>': out += "&gt;"; return;
    default: break;
    }
    bool allowed = (c >= 0x20 && c < 0xD800) || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
    if (allowed) AppendUtf8(c, out);
}

void appendNumber(double v, std::string& out) {
    char number[32];
    std::snprintf(number, sizeof number, "%.2f ", std::isfinite(v) ? std::clamp(v, -1e9, 1e9) : 0.0);
    out += number;
}

// Writes the run of characters waiting into the text layer, one `text` element a run.
void endRun(SvgOutput& out) {
    SvgOutput::Run& run = out.run;
    if (run.chars.empty()) return;
    run.xs.pop_back();
    std::string& layer = out.textLayer;
    layer += "<text x=\"" + run.xs + "\" y=\"";
    appendNumber(run.y, layer);
    layer.back() = '"';
    layer += " font-size=\"";
    appendNumber(run.size, layer);
    layer.back() = '"';
    layer += ">" + run.chars + "</text>\n";
    run = SvgOutput::Run{};
}

}  // namespace

cairo_surface_t* CreateSvgSurface(DocumentState& doc, int width, int height, double widthPoints, double heightPoints) {
    doc.svg = std::make_unique<SvgOutput>();
    SvgOutput& out = *doc.svg;
    out.width = width, out.height = height;
    out.widthPoints = widthPoints, out.heightPoints = heightPoints;
    out.file = std::fopen(doc.path.c_str(), "wb");
    if (!out.file) return cairo_image_surface_create(CAIRO_FORMAT_INVALID, 0, 0);  // an error surface
    // Drawn in device pixels without a device scale: Cairo's SVG writer leaves that scale out
    // of masks, so stencils would land at the wrong place and size.
    cairo_surface_t* s = cairo_svg_surface_create_for_stream(writeSvg, &out, width, height);
    cairo_svg_surface_set_document_unit(s, CAIRO_SVG_UNIT_PT);
    // What must be drawn as pixels is drawn at 300 dots per inch, as in a PDF.
    double fallback = 300.0 * 72.0 / doc.dotsPerInch;
    cairo_surface_set_fallback_resolution(s, fallback, fallback);
    return s;
}

void AddSvgCharacter(SvgOutput& out, char32_t c, double x, double y, double size, double advance) {
    std::string xml;
    appendXmlCharacter(c, xml);
    // Only what lies on the page: glyphs off it are not drawn.
    bool onPage = x + std::max(0.0, advance) >= 0 && x <= out.width && y >= 0 && y - size <= out.height;
    if (xml.empty() || !onPage || !std::isfinite(size) || !std::isfinite(advance)) return;
    // A run goes on along one baseline (glyphs laid from their own bitmaps stray from it by a
    // pixel or so), left to right.
    SvgOutput::Run& run = out.run;
    if (!run.chars.empty() && (std::fabs(y - run.y) > 0.15 * std::max(run.size, size) || x < run.lastX)) endRun(out);
    if (run.chars.empty()) {
        run.y = y;
    } else if (x > run.nextX + 0.2 * std::max(run.size, size) && c != ' ' && run.chars.back() != ' ') {
        // Where the page leaves a gap, as printers draw no glyph for a space, the words are
        // kept apart.
        run.chars += ' ';
        appendNumber(run.nextX, run.xs);
    }
    run.chars += xml;
    appendNumber(x, run.xs);
    run.lastX = x;
    run.nextX = x + std::max(0.0, advance);
    run.size = std::max(run.size, size);
}

bool FinishSvgFile(DocumentState& doc) {
    if (!doc.svg || !doc.svg->file) return false;
    SvgOutput& out = *doc.svg;
    endRun(out);
    std::string& tail = out.tail;
    size_t end = tail.rfind("</svg>");
    if (!out.textLayer.empty() && end != std::string::npos)
        tail.insert(
            end,
            "<g fill-opacity=\"0\" font-family=\"sans-serif\" xml:space=\"preserve\">\n" + out.textLayer + "</g>\n");
    bool ok = std::fwrite(tail.data(), 1, tail.size(), out.file) == tail.size();
    ok = std::fclose(out.file) == 0 && ok;
    out.file = nullptr;
    return ok;
}

void AddToTextLayer(const DC& dc, cairo_t* cr, const cairo_glyph_t* glyphs, const WCHAR* text, size_t count) {
    if (!dc.document || !dc.document->svg) return;
    SvgOutput& out = *dc.document->svg;
    // The size of the glyphs' em on the page, in pixels as the rest of the drawing.
    cairo_matrix_t font, user;
    cairo_get_font_matrix(cr, &font);
    cairo_get_matrix(cr, &user);
    cairo_matrix_multiply(&font, &font, &user);
    double em = std::sqrt(std::fabs(font.xx * font.yy - font.xy * font.yx));
    for (size_t k = 0; k < count; ++k) {
        // Each glyph's advance reaches the next one's place; the last one's is its font's.
        double x = glyphs[k].x, y = glyphs[k].y, advance, rise;
        if (k + 1 < count) {
            advance = glyphs[k + 1].x - x, rise = glyphs[k + 1].y - y;
        } else {
            cairo_text_extents_t extents;
            cairo_glyph_extents(cr, &glyphs[k], 1, &extents);
            advance = extents.x_advance, rise = extents.y_advance;
        }
        cairo_user_to_device(cr, &x, &y);
        cairo_user_to_device_distance(cr, &advance, &rise);
        // A control code, as half a surrogate pair, stands for no character of its own.
        char32_t c = text[k];
        AddSvgCharacter(out, c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) ? 0xFFFD : c, x, y, em, advance);
    }
}
}  // namespace gdi
