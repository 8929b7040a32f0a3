// A 1-bit image's dots reduced onto the device pixels of a picture: each pixel covered as much
// as the dots cover its footprint, as a box filter reduces them. Printers' raster pages
// (300 or 600 dpi) are drawn this way at a viewer's resolution, from their own bits, without
// a copy in 32-bit pixels.
#include "gdi_internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace gdi {
namespace {
// The source cells an output cell's footprint overlaps along one axis, and how much of each:
// the first and last partly, those between wholly (`inner`, the scale).
struct Span {
    int first = 0, last = -1;  // source cells, last < first for none
    float firstWeight = 0, lastWeight = 0;
};

// Output cells [o0, o1) over source cells [0, n) placed at `offset` with `scale` device
// pixels a cell.
std::vector<Span> spans(int o0, int o1, double offset, double scale, int n) {
    std::vector<Span> out(static_cast<size_t>(o1 - o0));
    for (int o = o0; o < o1; ++o) {
        double s0 = std::max(0.0, (o - offset) / scale),
               s1 = std::min(static_cast<double>(n), (o + 1 - offset) / scale);
        Span& sp = out[static_cast<size_t>(o - o0)];
        if (s1 <= s0) continue;
        sp.first = static_cast<int>(std::floor(s0));
        sp.last = std::min(n - 1, static_cast<int>(std::ceil(s1)) - 1);
        if (sp.first == sp.last) {
            sp.firstWeight = sp.lastWeight = static_cast<float>((s1 - s0) * scale);
        } else {
            sp.firstWeight = static_cast<float>((sp.first + 1 - s0) * scale);
            sp.lastWeight = static_cast<float>((s1 - sp.last) * scale);
        }
    }
    return out;
}

bool dot(const uint8_t* row, int x) { return (row[x >> 3] >> (x & 7)) & 1; }

// Source rows reduced across, found again by their bytes: up to kKept distinct rows are kept.
class ReducedRows {
public:
    ReducedRows(size_t rowBytes, size_t columns) : rowBytes_(rowBytes), columns_(columns), scratch_(columns) {}
    // The reduction of `row`, by `reduce(row, out)` when it is not kept yet; null for a row without dots.
    template <typename Reduce>
    const float* Find(const uint8_t* row, Reduce& reduce) {
        if (row == last_) return lastReduced_;
        last_ = row;
        uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a, eight bytes a step
        bool dots = false;
        size_t i = 0;
        for (uint64_t word; i + 8 <= rowBytes_; i += 8) {
            std::memcpy(&word, row + i, 8);
            dots |= word != 0;
            h = (h ^ word) * 0x100000001b3ull;
        }
        for (; i < rowBytes_; ++i) dots |= row[i] != 0, h = (h ^ row[i]) * 0x100000001b3ull;
        if (!dots) return lastReduced_ = nullptr;
        for (size_t probe = 0, s = h >> 58; probe < kSlots; ++probe, s = (s + 1) % kSlots) {
            Slot& slot = slots_[s];
            if (!slot.row) {
                if (used_ == kKept) break;  // full: reduced each time from here on
                if (!reduced_) reduced_.reset(new float[kKept * columns_]);
                slot.row = row, slot.hash = h, slot.reduced = &reduced_[used_++ * columns_];
                reduce(row, slot.reduced);
                return lastReduced_ = slot.reduced;
            }
            if (slot.hash == h && std::memcmp(slot.row, row, rowBytes_) == 0) return lastReduced_ = slot.reduced;
        }
        reduce(row, scratch_.data());
        return lastReduced_ = scratch_.data();
    }

private:
    static constexpr size_t kSlots = 64, kKept = kSlots / 2;
    struct Slot {
        const uint8_t* row = nullptr;
        uint64_t hash = 0;
        float* reduced = nullptr;
    };
    size_t rowBytes_, columns_;
    Slot slots_[kSlots];
    size_t used_ = 0;
    std::unique_ptr<float[]> reduced_;  // kKept rows of reductions, made when the first is kept
    std::vector<float> scratch_;
    const uint8_t* last_ = nullptr;
    const float* lastReduced_ = nullptr;
};
}  // namespace

cairo_surface_t* ReducedDotMask(const uint8_t* a1, size_t stride, int width, int height, const Matrix& srcToDev,
                                const PixelBox& within, int& originX, int& originY) {
    double ax = srcToDev.a, dy = srcToDev.d;
    if (srcToDev.b != 0 || srcToDev.c != 0 || !(ax > 0) || !(dy > 0) || ax > 1 || dy > 1) return nullptr;
    int x0 = std::max(within.x0, static_cast<int>(std::floor(srcToDev.e)));
    int y0 = std::max(within.y0, static_cast<int>(std::floor(srcToDev.f)));
    int x1 = std::min(within.x1, static_cast<int>(std::ceil(srcToDev.e + ax * width)));
    int y1 = std::min(within.y1, static_cast<int>(std::ceil(srcToDev.f + dy * height)));
    if (x1 <= x0 || y1 <= y0) return nullptr;
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, x1 - x0, y1 - y0);
    if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(mask);
        return nullptr;
    }
    std::vector<Span> columns = spans(x0, x1, srcToDev.e, ax, width), rows = spans(y0, y1, srcToDev.f, dy, height);
    cairo_surface_flush(mask);
    uint8_t* out = cairo_image_surface_get_data(mask);
    auto outStride = static_cast<size_t>(cairo_image_surface_get_stride(mask));
    std::vector<float> sum(columns.size());
    size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
    // One source row reduced across into `across`: each output column's share of dots in it.
    auto reduceRow = [&](const uint8_t* row, float* across) {
        for (size_t k = 0; k < columns.size(); ++k) {
            const Span& c = columns[k];
            float v = 0;
            if (c.last >= c.first) {
                v = c.firstWeight * static_cast<float>(dot(row, c.first));
                if (c.last > c.first) {
                    int inner = 0;
                    for (int x = c.first + 1; x < c.last; ++x) inner += dot(row, x);
                    v += static_cast<float>(ax) * static_cast<float>(inner) +
                        c.lastWeight * static_cast<float>(dot(row, c.last));
                }
            }
            across[k] = v;
        }
    };
    // Patterns and dithers repeat a few rows over and over: each distinct row is reduced once.
    ReducedRows reducedRows(rowBytes, columns.size());
    for (size_t k = 0; k < rows.size(); ++k) {
        const Span& r = rows[k];
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (int y = r.first; y <= r.last; ++y) {
            const float* across = reducedRows.Find(a1 + static_cast<size_t>(y) * stride, reduceRow);
            if (!across) continue;
            float weight = y == r.first ? r.firstWeight : y == r.last ? r.lastWeight : static_cast<float>(dy);
            for (size_t i = 0; i < sum.size(); ++i) sum[i] += weight * across[i];
        }
        uint8_t* line = out + k * outStride;
        // Rounded by hand (halves up), as lrint is a call a pixel: the coverage is never negative.
        for (size_t i = 0; i < sum.size(); ++i)
            line[i] =
                static_cast<uint8_t>(std::min(sum[i], 1.0f) * 255 + 0.5f);  // NOLINT(bugprone-incorrect-roundings)
    }
    cairo_surface_mark_dirty(mask);
    originX = x0, originY = y0;
    return mask;
}
}  // namespace gdi
