// Plays a page metafile into a top-down 32-bit picture at twice the screen
// resolution, the picture being the page's reference size in millimetres (or its
// frame's size, when the frame has other proportions).
#pragma once
#include "document.h"
#include "gdi.h"

#include "page_list.h"

#include <cstdint>
#include <functional>

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

// Picture size for a size in hundredths of a millimetre at the given dots per inch; false
// when it is not a sensible picture (zero, negative or above the limits).
bool PictureSize(int32_t dotsX, int32_t dotsY, int64_t hmmX, int64_t hmmY, int32_t& width, int32_t& height);

// A page's picture shows its reference device, whose size the header gives in whole
// millimetres. A metafile made on a screen for a picture of its own has a frame of other
// proportions; its picture is then the frame (in hundredths of a millimetre), which
// playback stretches over the whole picture, so that circles stay round. False when
// the frame has the device's proportions.
bool FrameHasOtherProportions(const ENHMETAHEADER& header, int64_t& hmmX, int64_t& hmmY);

// The picture's size in pixels for a page's header at the given dots per inch.
bool PagePictureSize(const ENHMETAHEADER& header, int32_t dotsX, int32_t dotsY, int32_t& width, int32_t& height);

// Plays a page file into the next page of a document (PDF or SVG) as vectors, at the size of
// its picture at `dotsPerInch`. False when the page cannot be read or drawn.
bool DrawPageIntoDocument(HDC document, const char* path, int32_t dotsPerInch);

// Fills `page` with the picture of a page file, in the bitmap it holds when that has the
// picture's size, else in a new one. False, with nothing held, when the file cannot be read,
// its header is invalid or the bitmap cannot be made. `dotsPerInch` 0 gives the plug-in's
// picture, at twice the screen's resolution. With `width` and `height` above 0 the picture
// has that size instead, the page stretched over it (a thumbnail is drawn at its own size).
bool RenderPageMetafile(const char* path, RenderedPage& page, int32_t dotsPerInch = 0, int32_t width = 0,
                        int32_t height = 0);
void ReleaseRenderedPage(RenderedPage& page);

// Runs `work` at once on as many threads as there are cores, but no more than `items`, this
// thread being one of them; returns when every one has returned.
void RunOnEveryCore(size_t items, const std::function<void()>& work);

// Pictures every page of a list on all cores, handing each picture to `use` (from several
// threads at once, every page once; null for a page that cannot be pictured). When `use`
// returns false, no further page is begun.
void PicturePages(const PageList& pages, const std::function<bool(size_t index, const RenderedPage* page)>& use,
                  int32_t dotsPerInch = 0);
