// PDF and SVG documents behind a device context.
#include "document.h"

#include "gdi_internal.h"

#include <cairo-pdf.h>

#include <cmath>
#include <memory>
#include <string>

namespace gdi {
namespace {
// Side of the square tiles the page's picture is cut into, in pixels.
constexpr int kBackdropTile = 128;
// Regions a page takes from its picture one by one.
constexpr int kMaxBackdropRegions = 256;

double points(int pixels, int dotsPerInch) { return pixels * 72.0 / dotsPerInch; }

}  // namespace

void SurfaceExtent(const DC& dc, int& width, int& height) {
    if (dc.document) {
        width = dc.document->width, height = dc.document->height;
        return;
    }
    width = dc.surface ? cairo_image_surface_get_width(dc.surface) : 0;
    height = dc.surface ? cairo_image_surface_get_height(dc.surface) : 0;
}

namespace {
const BackdropPixels& fetchBackdrop(DocumentState& doc) {
    if (!doc.backdropFetched) {
        doc.backdropFetched = true;
        if (doc.backdrop) doc.backdropPixels = doc.backdrop();
    }
    return doc.backdropPixels;
}

// The whole picture over the page, where too many regions needed it.
void paintWholeBackdrop(DocumentState& doc, cairo_t* cr) {
    const BackdropPixels& b = fetchBackdrop(doc);
    if (!b.pixels) return;
    cairo_surface_t* all =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(b.pixels)),
                                            CAIRO_FORMAT_RGB24, b.width, b.height, b.width * 4);
    cairo_save(cr);
    cairo_reset_clip(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_surface(cr, all, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_finish(all);
    cairo_surface_destroy(all);
}
}  // namespace

bool PaintBackdrop(DC& dc, cairo_t* cr, int x0, int y0, int x1, int y1) {
    if (!dc.document) return false;
    DocumentState& doc = *dc.document;
    if (doc.backdropWholePage || ++doc.backdropRegions > kMaxBackdropRegions) {
        doc.backdropWholePage = true;
        return true;
    }
    const BackdropPixels& b = fetchBackdrop(doc);
    x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, b.width), y1 = std::min(y1, b.height);
    if (!b.pixels || x1 <= x0 || y1 <= y0) return true;
    int across = (b.width + kBackdropTile - 1) / kBackdropTile, down = (b.height + kBackdropTile - 1) / kBackdropTile;
    doc.backdropTiles.resize(static_cast<size_t>(across) * down, nullptr);
    cairo_save(cr);
    cairo_new_path(cr);  // the figure that needed the pixels is not part of the rectangle
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_clip(cr);
    for (int ty = y0 / kBackdropTile; ty <= (y1 - 1) / kBackdropTile; ++ty)
        for (int tx = x0 / kBackdropTile; tx <= (x1 - 1) / kBackdropTile; ++tx) {
            cairo_surface_t*& tile = doc.backdropTiles[static_cast<size_t>(ty) * across + tx];
            int left = tx * kBackdropTile, top = ty * kBackdropTile;
            if (!tile)
                tile = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(
                                                               b.pixels + static_cast<size_t>(top) * b.width + left)),
                                                           CAIRO_FORMAT_RGB24, std::min(kBackdropTile, b.width - left),
                                                           std::min(kBackdropTile, b.height - top), b.width * 4);
            cairo_set_source_surface(cr, tile, left, top);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
            cairo_paint(cr);
        }
    cairo_restore(cr);
    return true;
}
}  // namespace gdi

using namespace gdi;

HDC CreateDocumentDC(const char* path, DocumentFormat format, int dotsPerInch) {
    if (!path || dotsPerInch <= 0) return nullptr;
    HDC h = NewDC(DcKind::Memory);
    DC* dc = LookUpDC(h);
    if (!dc) return nullptr;
    dc->document = std::make_unique<DocumentState>();
    dc->document->format = format;
    dc->document->path = path;
    dc->document->dotsPerInch = dotsPerInch;
    return h;
}

BOOL StartDocumentPage(HDC h, int width, int height, BackdropSource backdrop) {
    DC* dc = LookUpDC(h);
    DocumentState* doc = dc ? dc->document.get() : nullptr;
    if (!doc || doc->pageOpen || width <= 0 || height <= 0) return FALSE;
    if (doc->format == DocumentFormat::Svg && doc->pages > 0) return FALSE;
    double w = points(width, doc->dotsPerInch), hgt = points(height, doc->dotsPerInch);
    if (!dc->surface) {
        bool pdf = doc->format == DocumentFormat::Pdf;
        dc->surface =
            pdf ? cairo_pdf_surface_create(doc->path.c_str(), w, hgt) : CreateSvgSurface(*doc, width, height, w, hgt);
        if (cairo_surface_status(dc->surface) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(dc->surface);
            dc->surface = nullptr;
            return FALSE;
        }
        if (pdf) {
            cairo_pdf_surface_set_metadata(dc->surface, CAIRO_PDF_METADATA_CREATOR, "spoolsight");
            // Device units are the document's pixels.
            cairo_surface_set_device_scale(dc->surface, 72.0 / doc->dotsPerInch, 72.0 / doc->dotsPerInch);
        }
    } else {
        cairo_pdf_surface_set_size(dc->surface, w, hgt);
    }
    if (!dc->cr) dc->cr = cairo_create(dc->surface);
    ResetState(dc->st);
    dc->saved.clear();
    doc->width = width, doc->height = height;
    dc->devWidth = width, dc->devHeight = height;
    dc->devWidthMm = static_cast<int>(std::lround(width * 25.4 / doc->dotsPerInch));
    dc->devHeightMm = static_cast<int>(std::lround(height * 25.4 / doc->dotsPerInch));
    // The picture is made when a record first needs it, and once a page.
    doc->backdrop = std::move(backdrop);
    doc->pageOpen = true;
    return TRUE;
}

BOOL EndDocumentPage(HDC h) {
    DC* dc = LookUpDC(h);
    DocumentState* doc = dc ? dc->document.get() : nullptr;
    if (!doc || !doc->pageOpen) return FALSE;
    FlushBitmapGlyphs(*dc);
    if (doc->backdropWholePage) paintWholeBackdrop(*doc, dc->cr);
    cairo_show_page(dc->cr);
    // The page's picture stays valid until the page is finished: its tiles go first.
    doc->DropBackdrop();
    doc->pageOpen = false;
    ++doc->pages;
    return cairo_status(dc->cr) == CAIRO_STATUS_SUCCESS;
}

BOOL CloseDocumentDC(HDC h) {
    DC* dc = LookUpDC(h);
    DocumentState* doc = dc ? dc->document.get() : nullptr;
    if (!doc) return FALSE;
    bool ok = !doc->pageOpen && doc->pages > 0 && dc->surface;
    if (dc->cr) {
        ok = ok && cairo_status(dc->cr) == CAIRO_STATUS_SUCCESS;
        cairo_destroy(dc->cr);
        dc->cr = nullptr;
    }
    if (dc->surface) {
        cairo_surface_finish(dc->surface);
        ok = ok && cairo_surface_status(dc->surface) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(dc->surface);
        dc->surface = nullptr;
    }
    if (doc->svg) ok = FinishSvgFile(*doc) && ok;
    DeleteDC(h);
    return ok;
}
