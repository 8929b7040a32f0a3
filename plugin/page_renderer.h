// Plays a page metafile into a top-down 32-bit picture at twice the screen
// resolution, the picture being the page's reference size in millimetres (or its
// frame's size, when the frame has other proportions).
#pragma once
#include "gdi.h"

#include "page_list.h"

#include <cstdint>

// Largest picture made: 16384 pixels a side and 1 GiB of pixels.
constexpr int64_t kMaxPictureSide = 16384;
constexpr int64_t kMaxPictureBytes = 1024ll * 1024 * 1024;

struct RenderedPage {
    HENHMETAFILE metafile = nullptr;
    ENHMETAHEADER header{};
    int32_t width = 0, height = 0, bytesPerPixel = 0, resolution = 0;
    uint8_t* pixels = nullptr;  // rows of width * 4 bytes: blue, green, red, unused
    HDC memoryDC = nullptr;
    HBITMAP bitmap = nullptr;
};

// A page file's header; false when it is no metafile's. A header written without the
// extensions that follow its description (88 bytes) reads with those fields zero.
bool ReadPageHeader(HENHMETAFILE metafile, ENHMETAHEADER& header);

// Picture size for a size in hundredths of a millimetre at the given dots per inch; false
// when it is not a sensible picture (zero, negative or above the limits).
bool PictureSize(int32_t dotsX, int32_t dotsY, int64_t hmmX, int64_t hmmY, int32_t& width, int32_t& height);

// A page's picture shows its reference device, whose size the header gives in whole
// millimetres. Where the frame (in hundredths of a millimetre) is that page to within a
// millimetre, the picture is the frame, exact. A metafile made on a screen for a picture of
// its own has a frame of other proportions; its picture is then the frame too, which
// playback stretches over the whole picture, so that circles stay round. False when the
// device's size stands: a frame of the device's proportions but not its size.
bool PictureOfFrame(const ENHMETAHEADER& header, int64_t& hmmX, int64_t& hmmY);

// The picture's size in pixels for a page's header at the given dots per inch.
bool PagePictureSize(const ENHMETAHEADER& header, int32_t dotsX, int32_t dotsY, int32_t& width, int32_t& height);

// The size of the plug-in's picture of a page file, at twice the screen's resolution; false
// when the file cannot be read or gives no sensible picture.
bool PageFilePictureSize(const char* path, int32_t& width, int32_t& height);

// Fills `page` with the picture of a page file, in the bitmap it holds when that has the
// picture's size, else in a new one. False, with nothing held, when the file cannot be read,
// its header is invalid or the bitmap cannot be made. `dotsPerInch` 0 gives the plug-in's
// picture, at twice the screen's resolution. With `width` and `height` above 0 the picture
// has that size instead, the page stretched over it (a thumbnail is drawn at its own size).
bool RenderPageMetafile(const char* path, RenderedPage& page, int32_t dotsPerInch = 0, int32_t width = 0,
                        int32_t height = 0);
void ReleaseRenderedPage(RenderedPage& page);

// The size of a page file's picture fitted in a box of `boxWidth` x `boxHeight` pixels, its
// proportions kept (a thumbnail's size); false when the file gives no sensible picture.
bool FitPictureInBox(const char* path, int32_t boxWidth, int32_t boxHeight, int32_t& width, int32_t& height);

// Pictures larger than one bitmap in memory are drawn a band of rows at a time, up to this
// many pixels a side (an A4 page at 2400 dpi), each band at most kMaxBandBytes.
constexpr int64_t kMaxBandedPictureSide = 32768;
constexpr int64_t kMaxBandBytes = 64ll * 1024 * 1024;
// The size of a page's whole picture at `dotsPerInch` drawn in bands; false when even bands
// cannot draw it.
bool BandedPictureSize(const char* path, int32_t dotsPerInch, int32_t& width, int32_t& height);
// Fills `band` with rows [top, top + rows) of that whole picture.
bool RenderPageBand(const char* path, RenderedPage& band, int32_t dotsPerInch, int32_t top, int32_t rows);
