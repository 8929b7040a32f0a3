// Large images filled on two cores: the top half of the figure on this thread, the bottom
// half on another, with every pixel as one fill of the whole figure gives it.
//
// Cairo samples a transformed image through a fixed-point transform whose rounding it fixes
// at the centre of the composite's extents, so a fill cut to a band samples a hair
// differently. Each half is therefore filled with the extents of the whole: its path is its
// band of the figure and a sliver of the figure's far corner, in the other band. The bands
// split at a pixel row, where the coverage of each row stays as it was.
//
// The two fills cannot share the page: each writes back every row of the extents, those of
// the other band unchanged. The second works on its band's rows copied into a scratch page,
// and they are copied back once both are done.
#include "gdi_internal.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

namespace gdi {
namespace {
// Figures of fewer device pixels draw faster than a second thread starts and pays back.
constexpr long kSmoothedPixels = 32 * 1024, kSampledPixels = 256 * 1024;

// Whether two halves come out as one fill would. Pixman computes each pixel on its own, except
// in its fast paths for copying an image smoothed while it is enlarged, whose rounding depends
// on the rectangle composited. An image laid pixel for pixel is too quick to share.
bool halvesMatchOneFill(cairo_operator_t op, const ImageSampling& s) {
    if (!s.smoothed && s.scaleX == 1 && s.scaleY == 1) return false;
    if (op == CAIRO_OPERATOR_MULTIPLY) return true;
    return op == CAIRO_OPERATOR_OVER && (!s.smoothed || (s.scaleX < 1 && s.scaleY < 1));
}

// A device coordinate in Cairo's 24.8 fixed point, rounded to the nearest 1/256, ties to even.
long toFixed(double v) { return std::lrint(v * 256.0); }
long floorPixel(long fixed) { return fixed >= 0 ? fixed / 256 : -((255 - fixed) / 256); }
long ceilPixel(long fixed) { return -floorPixel(-fixed); }

void addRectangle(cairo_t* cr, double x0, double y0, double x1, double y1) {
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y0);
    cairo_line_to(cr, x1, y1);
    cairo_line_to(cr, x0, y1);
    cairo_close_path(cr);
}

// Another Cairo surface over the same pixels, for another thread to read.
cairo_surface_t* twin(cairo_surface_t* s) {
    return cairo_image_surface_create_for_data(cairo_image_surface_get_data(s), cairo_image_surface_get_format(s),
                                               cairo_image_surface_get_width(s), cairo_image_surface_get_height(s),
                                               cairo_image_surface_get_stride(s));
}

// The one rectangle of whole device pixels the context clips to; false for any other clip.
bool clipRectangle(cairo_t* cr, cairo_rectangle_t& r) {
    cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
    bool one = list->status == CAIRO_STATUS_SUCCESS && list->num_rectangles == 1;
    if (one) r = list->rectangles[0];
    cairo_rectangle_list_destroy(list);
    return one;
}
}  // namespace

PageScratch::~PageScratch() {
    if (area_) munmap(area_, bytes_);
}

unsigned char* PageScratch::get(size_t bytes) {
    if (area_ && bytes_ != bytes) {
        munmap(area_, bytes_);
        area_ = nullptr;
    }
    if (!area_) {
        void* a = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (a == MAP_FAILED) return nullptr;
        area_ = a, bytes_ = bytes;
    }
    return static_cast<unsigned char*>(area_);
}

bool FillImageOnTwoCores(DC& dc, double x0, double y0, double x1, double y1, cairo_operator_t op,
                         cairo_surface_t* image, const ImageSampling& sampling,
                         const std::function<void(cairo_t*, cairo_surface_t*)>& setSource) {
    constexpr double kFixedRange = 1 << 22;
    if (dc.document || !image || !dc.surface || !dc.cr ||
        cairo_surface_get_type(dc.surface) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(dc.surface) != CAIRO_FORMAT_RGB24 || !(x0 < x1 && y0 < y1) ||
        x0 < -kFixedRange || y0 < -kFixedRange || x1 > kFixedRange || y1 > kFixedRange ||
        !halvesMatchOneFill(op, sampling) || !CoreToSpare())
        return false;

    // The composite's extents: the figure rounded out to whole pixels, in the clip and the page.
    cairo_rectangle_t clip;
    if (!clipRectangle(dc.cr, clip)) return false;
    int width = cairo_image_surface_get_width(dc.surface), height = cairo_image_surface_get_height(dc.surface);
    long left = std::max({floorPixel(toFixed(x0)), std::lround(clip.x), 0L});
    long top = std::max({floorPixel(toFixed(y0)), std::lround(clip.y), 0L});
    long right = std::min({ceilPixel(toFixed(x1)), std::lround(clip.x + clip.width), static_cast<long>(width)});
    long bottom = std::min({ceilPixel(toFixed(y1)), std::lround(clip.y + clip.height), static_cast<long>(height)});
    if (right - left < 2 || bottom - top < 4 ||
        (right - left) * (bottom - top) < (sampling.smoothed ? kSmoothedPixels : kSampledPixels))
        return false;
    long middle = top + (bottom - top) / 2;

    int stride = cairo_image_surface_get_stride(dc.surface);
    unsigned char* scratchPixels = dc.halfScratch.get(static_cast<size_t>(stride) * height);
    if (!scratchPixels) return false;

    // The lower half's fill. Its clip is the page's, applied before the page is read: that
    // may draw glyphs still waiting.
    cairo_surface_t* scratch =
        cairo_image_surface_create_for_data(scratchPixels, CAIRO_FORMAT_RGB24, width, height, stride);
    cairo_t* lower = cairo_create(scratch);
    ApplyClip(dc, lower);
    cairo_set_operator(lower, op);
    cairo_surface_t* lowerImage = twin(image);
    setSource(lower, lowerImage);
    addRectangle(lower, x0, static_cast<double>(middle), x1, y1);
    addRectangle(lower, x0, y0, std::min(x1, left + 1.0), std::min(y1, top + 1.0));

    cairo_surface_flush(dc.surface);
    unsigned char* page = cairo_image_surface_get_data(dc.surface);
    size_t rowStart = static_cast<size_t>(left) * 4, rowBytes = static_cast<size_t>(right - left) * 4;
    auto copyLowerRows = [&](const unsigned char* from, unsigned char* to) {
        for (long y = middle; y < bottom; ++y)
            std::memcpy(to + y * stride + rowStart, from + y * stride + rowStart, rowBytes);
    };
    copyLowerRows(page, scratchPixels);

    std::thread second;
    try {
        second = std::thread([lower] { cairo_fill(lower); });
    } catch (const std::system_error&) {
        cairo_fill(lower);  // no thread to be had: one after the other
    }

    cairo_t* upper = dc.cr;
    cairo_new_path(upper);
    addRectangle(upper, x0, y0, x1, static_cast<double>(middle));
    addRectangle(upper, std::max(x0, right - 1.0), std::max(y0, bottom - 1.0), x1, y1);
    cairo_fill(upper);
    if (second.joinable()) second.join();

    cairo_surface_flush(dc.surface);
    copyLowerRows(scratchPixels, page);
    cairo_surface_mark_dirty_rectangle(dc.surface, static_cast<int>(left), static_cast<int>(middle),
                                       static_cast<int>(right - left), static_cast<int>(bottom - middle));
    cairo_destroy(lower);
    cairo_surface_destroy(scratch);
    cairo_surface_destroy(lowerImage);
    return true;
}

}  // namespace gdi
