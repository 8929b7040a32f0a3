// Large images filled in parts, each pixel as one fill of the whole figure gives it.
//
// An image ANDed onto the page (multiplied) leaves the page as it is where it is white, so
// the tiles of the figure's inside whose samples are all white are left out: they only lose
// the fourth byte of their pixels, which filling clears. What remains is shared between two
// cores, the upper rows on this thread and the lower ones on another, where a core is spare.
//
// Cairo samples a transformed image through a fixed-point transform whose rounding it fixes
// at the centre of the composite's extents, so a fill of a smaller shape would sample a hair
// differently. Each part's path therefore holds, besides its own tiles, a sliver of the
// figure at the extents' top left and bottom right corners, which keeps the extents of the
// whole. Tiles meet at whole pixels, where the coverage of every pixel stays as it was, and
// pixman computes each pixel of these fills on its own, wherever the composite starts.
//
// The two parts cannot share the page: a fill may write back pixels outside its shape. The
// lower part works on its rows copied into a scratch page, and they are copied back once
// both are done.
#include "gdi_internal.h"
#include "drawing_options.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace gdi {
namespace {
// Figures of fewer device pixels draw faster than they are planned and shared out.
constexpr long kSmoothedPixels = 32 * 1024, kSampledPixels = 256 * 1024;
constexpr long kTile = 16;  // device pixels a side
constexpr int kBlock = 8;   // image pixels a side of the blocks inked or not

// A device coordinate in Cairo's 24.8 fixed point, rounded to the nearest 1/256, ties to even.
long toFixed(double v) { return std::lrint(v * 256.0); }
long floorPixel(long fixed) { return fixed >= 0 ? fixed / 256 : -((255 - fixed) / 256); }
long ceilPixel(long fixed) { return -floorPixel(-fixed); }

// Whether parts drawn on two cores come out as one fill would. Pixman computes each pixel on
// its own, except in its fast paths for copying an image smoothed while it is enlarged,
// whose rounding depends on the rectangle composited. An image laid pixel for pixel is too
// quick to share.
bool sharedPartsMatchOneFill(cairo_operator_t op, const ImageSampling& s) {
    double scaleX = std::fabs(s.toDevice.a), scaleY = std::fabs(s.toDevice.d);
    if (!s.smoothed && scaleX == 1 && scaleY == 1) return false;
    if (op == CAIRO_OPERATOR_MULTIPLY) return true;
    return op == CAIRO_OPERATOR_OVER && (!s.smoothed || (scaleX < 1 && scaleY < 1));
}

// Which blocks of an image hold anything but white, summed from the top left so that any
// rectangle of them is answered at once.
class InkedBlocks {
public:
    explicit InkedBlocks(cairo_surface_t* image)
        : width_(cairo_image_surface_get_width(image)),
          height_(cairo_image_surface_get_height(image)),
          columns_((width_ + kBlock - 1) / kBlock),
          rows_((height_ + kBlock - 1) / kBlock),
          sums_(static_cast<size_t>(columns_ + 1) * (rows_ + 1)) {
        cairo_surface_flush(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        int stride = cairo_image_surface_get_stride(image);
        std::vector<uint8_t> inked(static_cast<size_t>(columns_) * rows_);
        for (int y = 0; y < height_; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
            uint8_t* blocks = &inked[static_cast<size_t>(y / kBlock) * columns_];
            for (int c = 0; c < columns_; ++c) {
                uint32_t all = 0xFFFFFFFF;
                for (int x = c * kBlock, end = std::min(x + kBlock, width_); x < end; ++x) all &= row[x];
                if ((all & 0xFFFFFF) != 0xFFFFFF) blocks[c] = 1;
            }
        }
        for (int r = 0; r < rows_; ++r)
            for (int c = 0; c < columns_; ++c)
                sum(r + 1, c + 1) =
                    inked[static_cast<size_t>(r) * columns_ + c] + sum(r, c + 1) + sum(r + 1, c) - sum(r, c);
    }

    // Whether the image pixels (u0, v0) - (u1, v1) hold ink; beyond the image, its edges repeat.
    // A rectangle that is no number holds ink.
    bool any(double u0, double v0, double u1, double v1) const {
        if (!(u0 <= u1 && v0 <= v1)) return true;
        auto block = [](double v, int limit) {
            return static_cast<int>(std::clamp(std::floor(v), 0.0, limit - 1.0)) / kBlock;
        };
        int c0 = block(u0, width_), c1 = block(u1, width_) + 1, r0 = block(v0, height_), r1 = block(v1, height_) + 1;
        return sum(r1, c1) - sum(r0, c1) - sum(r1, c0) + sum(r0, c0) > 0;
    }

private:
    uint32_t& sum(int r, int c) { return sums_[static_cast<size_t>(r) * (columns_ + 1) + c]; }
    uint32_t sum(int r, int c) const { return sums_[static_cast<size_t>(r) * (columns_ + 1) + c]; }
    int width_, height_, columns_, rows_;
    std::vector<uint32_t> sums_;
};

struct Box {
    double x0, y0, x1, y1;
};

struct PixelRect {
    long x0, y0, x1, y1;
};

// The figure cut into the tiles to fill, joined into runs along each row of tiles, and the
// tiles left white.
struct Tiles {
    std::vector<Box> filled;
    std::vector<long> work;  // device pixels filled in each row of tiles
    std::vector<PixelRect> white;
};

void addRectangle(cairo_t* cr, const Box& b) {
    cairo_move_to(cr, b.x0, b.y0);
    cairo_line_to(cr, b.x1, b.y0);
    cairo_line_to(cr, b.x1, b.y1);
    cairo_line_to(cr, b.x0, b.y1);
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

// A fill of the boxes' rows from `from` to `to` and the two corner slivers that keep the whole
// figure's extents.
void addPart(cairo_t* cr, const std::vector<Box>& boxes, double from, double to, const Box& figure,
             const PixelRect& extents) {
    addRectangle(cr,
                 {figure.x0, figure.y0, std::min(figure.x1, extents.x0 + 1.0), std::min(figure.y1, extents.y0 + 1.0)});
    addRectangle(cr,
                 {std::max(figure.x0, extents.x1 - 1.0), std::max(figure.y0, extents.y1 - 1.0), figure.x1, figure.y1});
    for (const Box& b : boxes)
        if (b.y1 > from && b.y0 < to) addRectangle(cr, {b.x0, std::max(b.y0, from), b.x1, std::min(b.y1, to)});
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

bool FillLargeImage(DC& dc, double x0, double y0, double x1, double y1, cairo_operator_t op, cairo_surface_t* image,
                    const ImageSampling& sampling, const std::function<void(cairo_t*, cairo_surface_t*)>& setSource) {
    constexpr double kFixedRange = 1 << 22;
    if (!ImagesInParts() || dc.document || !image || !dc.surface || !dc.cr ||
        cairo_surface_get_type(dc.surface) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(dc.surface) != CAIRO_FORMAT_RGB24 ||
        cairo_image_surface_get_format(image) != CAIRO_FORMAT_RGB24 || !(x0 < x1 && y0 < y1) || x0 < -kFixedRange ||
        y0 < -kFixedRange || x1 > kFixedRange || y1 > kFixedRange)
        return false;
    bool leaveOutWhite = op == CAIRO_OPERATOR_MULTIPLY;
    bool share = sharedPartsMatchOneFill(op, sampling) && CoreToSpare();
    Matrix toImage;
    if ((!leaveOutWhite && !share) || !sampling.toDevice.invert(toImage)) return false;

    // The composite's extents: the figure rounded out to whole pixels, in the clip and the page.
    // Most images are small: they are told apart before the clip is copied.
    long minimum = sampling.smoothed ? kSmoothedPixels : kSampledPixels;
    if ((std::ceil(x1) - std::floor(x0)) * (std::ceil(y1) - std::floor(y0)) < static_cast<double>(minimum))
        return false;
    cairo_rectangle_t clip;
    if (!clipRectangle(dc.cr, clip)) return false;
    int width = cairo_image_surface_get_width(dc.surface), height = cairo_image_surface_get_height(dc.surface);
    PixelRect extents{std::max({floorPixel(toFixed(x0)), std::lround(clip.x), 0L}),
                      std::max({floorPixel(toFixed(y0)), std::lround(clip.y), 0L}),
                      std::min({ceilPixel(toFixed(x1)), std::lround(clip.x + clip.width), static_cast<long>(width)}),
                      std::min({ceilPixel(toFixed(y1)), std::lround(clip.y + clip.height), static_cast<long>(height)})};
    long area = (extents.x1 - extents.x0) * (extents.y1 - extents.y0);
    if (extents.x1 - extents.x0 < 2 || extents.y1 - extents.y0 < 4 || area < minimum) return false;

    // The tiles, and those wholly inside the figure whose samples (with a margin for the
    // smoothing filter) are all white.
    Box figure{x0, y0, x1, y1};
    PixelRect inside{ceilPixel(toFixed(x0)), ceilPixel(toFixed(y0)), floorPixel(toFixed(x1)), floorPixel(toFixed(y1))};
    double margin = 2 + std::ceil(1 / std::min(std::fabs(sampling.toDevice.a), std::fabs(sampling.toDevice.d)));
    std::unique_ptr<InkedBlocks> ink = leaveOutWhite ? std::make_unique<InkedBlocks>(image) : nullptr;
    Tiles tiles;
    long filledPixels = 0;
    for (long ty = extents.y0; ty < extents.y1; ty += kTile) {
        long ty1 = std::min(ty + kTile, extents.y1), work = 0;
        bool run = false;  // the last tile of this row was filled
        for (long tx = extents.x0; tx < extents.x1; tx += kTile) {
            long tx1 = std::min(tx + kTile, extents.x1);
            if (ink && tx >= inside.x0 && ty >= inside.y0 && tx1 <= inside.x1 && ty1 <= inside.y1) {
                PointD a = toImage.apply(tx, ty), b = toImage.apply(tx1, ty1);
                if (!ink->any(std::min(a.x, b.x) - margin, std::min(a.y, b.y) - margin, std::max(a.x, b.x) + margin,
                              std::max(a.y, b.y) + margin)) {
                    tiles.white.push_back({tx, ty, tx1, ty1});
                    run = false;
                    continue;
                }
            }
            Box b{std::max(x0, static_cast<double>(tx)), std::max(y0, static_cast<double>(ty)),
                  std::min(x1, static_cast<double>(tx1)), std::min(y1, static_cast<double>(ty1))};
            if (run) tiles.filled.back().x1 = b.x1;
            else tiles.filled.push_back(b);
            run = true;
            work += (tx1 - tx) * (ty1 - ty);
        }
        tiles.work.push_back(work);
        filledPixels += work;
    }

    // Shared out where there is enough left: cut at the row where the work halves.
    long middle = extents.y1;
    if (share && filledPixels >= minimum) {
        long before = 0;
        for (size_t r = 0; r < tiles.work.size(); before += tiles.work[r++]) {
            if (2 * (before + tiles.work[r]) < filledPixels) continue;
            long ty = extents.y0 + static_cast<long>(r) * kTile,
                 rowWidth = tiles.work[r] / (std::min(ty + kTile, extents.y1) - ty);
            middle = ty + (filledPixels / 2 - before + rowWidth - 1) / std::max(rowWidth, 1L);
            break;
        }
        if (middle <= extents.y0 || middle >= extents.y1) middle = extents.y1;
    }
    int stride = cairo_image_surface_get_stride(dc.surface);
    unsigned char* scratchPixels =
        middle < extents.y1 ? dc.partScratch.get(static_cast<size_t>(stride) * height) : nullptr;
    if (!scratchPixels) middle = extents.y1;
    if (tiles.white.empty() && middle == extents.y1) return false;  // one fill of the whole is as quick

    // The lower part's fill. Its clip is the page's, applied before the page is read: that
    // may draw glyphs still waiting.
    cairo_surface_t* scratch = nullptr;
    cairo_t* lower = nullptr;
    cairo_surface_t* lowerImage = nullptr;
    unsigned char* page = cairo_image_surface_get_data(dc.surface);
    size_t rowStart = static_cast<size_t>(extents.x0) * 4, rowBytes = static_cast<size_t>(extents.x1 - extents.x0) * 4;
    auto copyLowerRows = [&](const unsigned char* from, unsigned char* to) {
        for (long y = middle; y < extents.y1; ++y)
            std::memcpy(to + y * stride + rowStart, from + y * stride + rowStart, rowBytes);
    };
    std::thread second;
    if (middle < extents.y1) {
        scratch = cairo_image_surface_create_for_data(scratchPixels, CAIRO_FORMAT_RGB24, width, height, stride);
        lower = cairo_create(scratch);
        ApplyClip(dc, lower);
        cairo_set_operator(lower, op);
        lowerImage = twin(image);
        setSource(lower, lowerImage);
        addPart(lower, tiles.filled, static_cast<double>(middle), INFINITY, figure, extents);
        cairo_surface_flush(dc.surface);
        copyLowerRows(page, scratchPixels);
        try {
            second = std::thread([lower] { cairo_fill(lower); });
        } catch (const std::system_error&) {
            cairo_fill(lower);  // no thread to be had: one after the other
        }
    }

    cairo_t* upper = dc.cr;
    cairo_new_path(upper);
    addPart(upper, tiles.filled, -INFINITY, static_cast<double>(middle), figure, extents);
    cairo_fill(upper);
    if (second.joinable()) second.join();

    cairo_surface_flush(dc.surface);
    if (lower) {
        copyLowerRows(scratchPixels, page);
        cairo_destroy(lower);
        cairo_surface_destroy(scratch);
        cairo_surface_destroy(lowerImage);
    }
    for (const PixelRect& t : tiles.white)
        for (long y = t.y0; y < t.y1; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(page + y * stride);
            for (long x = t.x0; x < t.x1; ++x) row[x] &= 0xFFFFFFu;
        }
    cairo_surface_mark_dirty_rectangle(dc.surface, static_cast<int>(extents.x0), static_cast<int>(extents.y0),
                                       static_cast<int>(extents.x1 - extents.x0),
                                       static_cast<int>(extents.y1 - extents.y0));
    return true;
}

}  // namespace gdi
