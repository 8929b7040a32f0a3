// PDF and SVG documents behind a device context.
#include "document.h"

#include "gdi_internal.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <memory>
#include <string>

namespace gdi {
namespace {
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

bool PaintBackdrop(DC& dc, cairo_t* cr, int x0, int y0, int x1, int y1) {
    if (!dc.document) return false;
    DocumentState& doc = *dc.document;
    if (!doc.backdropSurface && doc.backdrop) {
        BackdropPixels b = doc.backdrop();
        // One surface for the page, however many regions it fills: the document holds the
        // picture once and shows the parts of it that each region needs.
        if (b.pixels && b.width > 0 && b.height > 0)
            doc.backdropSurface = cairo_image_surface_create_for_data(
                reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(b.pixels)), CAIRO_FORMAT_RGB24, b.width,
                b.height, b.width * 4);
        doc.backdrop = nullptr;
    }
    if (!doc.backdropSurface || x1 <= x0 || y1 <= y0) return true;
    cairo_save(cr);
    cairo_new_path(cr);  // the figure that needed the pixels is not part of the rectangle
    cairo_set_source_surface(cr, doc.backdropSurface, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_fill(cr);
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
        dc->surface = doc->format == DocumentFormat::Pdf ? cairo_pdf_surface_create(doc->path.c_str(), w, hgt)
                                                         : cairo_svg_surface_create(doc->path.c_str(), w, hgt);
        if (cairo_surface_status(dc->surface) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(dc->surface);
            dc->surface = nullptr;
            return FALSE;
        }
        if (doc->format == DocumentFormat::Pdf) cairo_pdf_surface_set_metadata(dc->surface, CAIRO_PDF_METADATA_CREATOR, "spoolsight");
        else cairo_svg_surface_set_document_unit(dc->surface, CAIRO_SVG_UNIT_PT);
        // Device units are the document's pixels.
        cairo_surface_set_device_scale(dc->surface, 72.0 / doc->dotsPerInch, 72.0 / doc->dotsPerInch);
    } else {
        cairo_pdf_surface_set_size(dc->surface, w, hgt);
    }
    if (!dc->cr) dc->cr = cairo_create(dc->surface);
    ResetState(dc->st);
    dc->saved.clear();
    doc->width = width, doc->height = height;
    dc->devWidth = width, dc->devHeight = height;
    dc->devWidthMm = static_cast<int>(width * 25.4 / doc->dotsPerInch + 0.5);
    dc->devHeightMm = static_cast<int>(height * 25.4 / doc->dotsPerInch + 0.5);
    // The picture is made when a record first needs it, and once a page.
    doc->backdrop = std::move(backdrop);
    doc->pageOpen = true;
    return TRUE;
}

BOOL EndDocumentPage(HDC h) {
    DC* dc = LookUpDC(h);
    DocumentState* doc = dc ? dc->document.get() : nullptr;
    if (!doc || !doc->pageOpen) return FALSE;
    cairo_show_page(dc->cr);
    // The page's picture stays valid until the page is finished: the surface goes first.
    if (doc->backdropSurface) cairo_surface_finish(doc->backdropSurface), cairo_surface_destroy(doc->backdropSurface);
    doc->backdropSurface = nullptr;
    doc->backdrop = nullptr;
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
    DeleteDC(h);
    return ok;
}
