// Documents that pages are played into as vectors: Cairo's PDF and SVG surfaces behind a
// device context. Device units are pixels of the document's resolution, so pens one pixel
// wide and everything else come out as on the page's picture at that resolution.
#pragma once
#include "win_types.h"

#include <cstdint>
#include <functional>

enum class DocumentFormat { Pdf, Svg };

// The page's picture at the document's resolution (rows of 0x00RRGGBB pixels, top row first),
// or a null `pixels` when it cannot be had.
struct BackdropPixels {
    const uint32_t* pixels = nullptr;
    int width = 0, height = 0;
};
using BackdropSource = std::function<BackdropPixels()>;

// A document file at `path`; an SVG document holds one page. Null when it cannot be made.
HDC CreateDocumentDC(const char* path, DocumentFormat format, int dotsPerInch);
// Starts the next page, of `width` x `height` device pixels. Records that raster operations
// draw (reading the page's pixels) take the page's own picture from `backdrop`, fetched once
// when first needed.
BOOL StartDocumentPage(HDC dc, int width, int height, BackdropSource backdrop);
BOOL EndDocumentPage(HDC dc);
// Finishes the file and deletes the DC; false when the file could not be written whole.
BOOL CloseDocumentDC(HDC dc);
