// A 1-bit image's dots reduced onto the device pixels of a picture: each pixel covered as much
// as the dots cover its footprint, as a box filter reduces them. Printers' raster pages
// (300 or 600 dpi) are drawn this way at a viewer's resolution, from their own bits, without
// a copy in 32-bit pixels.
#include "gdi_internal.h"

#include <algorithm>
#include <cmath>
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
    std::vector<float> across(columns.size()), sum(columns.size());
    size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
    // One source row reduced across: each output column's share of dots in it. False for a
    // row without dots.
    auto reduceRow = [&](const uint8_t* row) {
        if (std::all_of(row, row + rowBytes, [](uint8_t b) { return b == 0; })) return false;
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
        return true;
    };
    int reduced = -1;  // the source row `across` holds, shared by two output rows at most
    bool reducedDots = false;
    for (size_t k = 0; k < rows.size(); ++k) {
        const Span& r = rows[k];
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (int y = r.first; y <= r.last; ++y) {
            if (y != reduced) reducedDots = reduceRow(a1 + static_cast<size_t>(y) * stride), reduced = y;
            if (!reducedDots) continue;
            float weight = y == r.first ? r.firstWeight : y == r.last ? r.lastWeight : static_cast<float>(dy);
            for (size_t i = 0; i < sum.size(); ++i) sum[i] += weight * across[i];
        }
        uint8_t* line = out + k * outStride;
        for (size_t i = 0; i < sum.size(); ++i)
            line[i] = static_cast<uint8_t>(std::lrint(std::min(sum[i], 1.0f) * 255));
    }
    cairo_surface_mark_dirty(mask);
    originX = x0, originY = y0;
    return mask;
}
}  // namespace gdi
