// Device-independent bitmaps: decoding every bit depth and compression that
// EMF records carry, with every size checked against the bytes at hand.
#include "gdi_internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gdi {
namespace {
uint32_t read32(const BYTE* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
uint16_t read16(const BYTE* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

struct Mask {
    uint32_t mask = 0;
    int shift = 0, bits = 0;
    explicit Mask(uint32_t m = 0) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
    }
    uint32_t get(uint32_t v) const {
        if (!mask) return 0;
        uint32_t x = (v & mask) >> shift;
        return bits >= 8 ? x >> (bits - 8) : (x * 255) / ((1u << bits) - 1);
    }
};

// Expands RLE8/RLE4 data into an index per pixel, rows bottom-up as stored.
bool decodeRle(const BYTE* src, size_t size, int width, int height, bool four, std::vector<uint8_t>& out) {
    out.assign(static_cast<size_t>(width) * height, 0);
    int x = 0, y = 0;
    size_t i = 0;
    auto put = [&](uint8_t v) {
        if (x < width && y < height) out[static_cast<size_t>(y) * width + x] = v;
        ++x;
    };
    while (i + 1 < size && y < height) {
        BYTE n = src[i], v = src[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) put(four ? ((k & 1) ? (v & 0x0F) : (v >> 4)) : v);
            continue;
        }
        if (v == 0) {
            x = 0;
            ++y;
            continue;
        }
        if (v == 1) break;
        if (v == 2) {
            if (i + 1 >= size) break;
            x += src[i];
            y += src[i + 1];
            i += 2;
            continue;
        }
        // Absolute run of v pixels, padded to 16 bits.
        size_t bytes = four ? (v + 1u) / 2 : v;
        if (i + bytes > size) return true;
        for (int k = 0; k < v; ++k)
            put(four ? ((k & 1) ? (src[i + k / 2] & 0x0F) : (src[i + k / 2] >> 4)) : src[i + k]);
        i += (bytes + 1) & ~size_t{1};
    }
    return true;
}
}  // namespace

size_t DibHeaderAndColorsSize(const BITMAPINFOHEADER& h, UINT usage) {
    if (h.biSize == sizeof(BITMAPCOREHEADER)) {
        const auto* c = reinterpret_cast<const BITMAPCOREHEADER*>(&h);
        return c->bcBitCount <= 8 ? 12 + 3u * (1u << c->bcBitCount) : 12;
    }
    if (h.biSize < 40 || h.biSize > 124) return 0;
    size_t colors = 0;
    if (h.biBitCount <= 8)
        colors = h.biClrUsed && h.biClrUsed <= (1u << h.biBitCount) ? h.biClrUsed : (1u << h.biBitCount);
    else if (h.biClrUsed <= 256) colors = h.biClrUsed;
    size_t masks = (h.biCompression == BI_BITFIELDS && h.biSize == 40) ? 12 : 0;
    return h.biSize + masks + colors * (usage == DIB_PAL_COLORS ? 2 : 4);
}

uint64_t DibImageSize(const BITMAPINFOHEADER& h) {
    if (h.biSize == sizeof(BITMAPCOREHEADER)) {
        const auto* c = reinterpret_cast<const BITMAPCOREHEADER*>(&h);
        return ((static_cast<uint64_t>(c->bcWidth) * c->bcBitCount + 31) / 32) * 4 * c->bcHeight;
    }
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return 0;
    if (h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4) return h.biSizeImage;
    uint64_t rows = static_cast<uint64_t>(h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight);
    return ((static_cast<uint64_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4 * rows;
}

bool DecodeDib(const BYTE* info, size_t infoSize, const BYTE* bits, size_t bitsSize, UINT usage,
               const PaletteObj* palette, Image& out, int shrink) {
    if (!info || infoSize < 12) return false;
    uint32_t hsize = read32(info);
    int64_t width, height;
    int bpp;
    uint32_t compression = BI_RGB, clrUsed = 0;
    const BYTE* colors;
    int colorBytes = 4;
    if (hsize == 12) {
        width = read16(info + 4);
        height = static_cast<int16_t>(read16(info + 6));
        bpp = read16(info + 10);
        colors = info + 12;
        colorBytes = 3;
    } else {
        if (hsize < 40 || infoSize < hsize) return false;
        width = static_cast<int32_t>(read32(info + 4));
        height = static_cast<int32_t>(read32(info + 8));
        bpp = read16(info + 14);
        compression = read32(info + 16);
        clrUsed = read32(info + 32);
        colors = info + hsize;
    }
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        static_cast<uint64_t>(width * height) > kMaxBitmapPixels)
        return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (compression == BI_RLE8 && bpp != 8) return false;
    if (compression == BI_RLE4 && bpp != 4) return false;
    if (compression != BI_RGB && compression != BI_BITFIELDS && compression != BI_RLE8 && compression != BI_RLE4)
        return false;
    if ((compression == BI_RLE8 || compression == BI_RLE4) && topDown) return false;

    // Colour table.
    std::vector<uint32_t> table;
    if (bpp <= 8) {
        size_t n = clrUsed && clrUsed <= (1u << bpp) ? clrUsed : (1u << bpp);
        size_t available = (info + infoSize > colors) ? static_cast<size_t>(info + infoSize - colors) / colorBytes : 0;
        if (usage == DIB_PAL_COLORS) available = static_cast<size_t>(info + infoSize - colors) / 2;
        n = std::min(n, available);
        for (size_t i = 0; i < n; ++i) {
            if (usage == DIB_PAL_COLORS) {
                uint16_t idx = read16(colors + i * 2);
                uint32_t v = 0;
                if (palette && idx < palette->entries.size()) {
                    const PALETTEENTRY& e = palette->entries[idx];
                    v = (e.peRed << 16) | (e.peGreen << 8) | e.peBlue;
                }
                table.push_back(v);
            } else {
                const BYTE* c = colors + i * colorBytes;
                table.push_back((c[2] << 16) | (c[1] << 8) | c[0]);
            }
        }
        // A monochrome pattern brush as Wine records it: no table, the usage saying indices,
        // which for one bit are the ends of the palette, black and white.
        if (usage == DIB_PAL_INDICES && bpp == 1) table = {0, 0xFFFFFF};
        table.resize(1u << bpp, 0);
    }
    Mask rm(0x7C00), gm(0x03E0), bm(0x001F);
    if (bpp == 32) rm = Mask(0xFF0000), gm = Mask(0xFF00), bm = Mask(0xFF);
    if (compression == BI_BITFIELDS) {
        if (bpp != 16 && bpp != 32) return false;
        const BYTE* mp = hsize == 40 ? info + 40 : info + 40;  // V4/V5 headers hold the masks at the same place
        if (mp + 12 > info + infoSize) return false;
        rm = Mask(read32(mp)), gm = Mask(read32(mp + 4)), bm = Mask(read32(mp + 8));
    }

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.mono = false;
    out.bilevel = bpp == 1;
    out.pixelsPerMetre[0] = hsize >= 40 ? static_cast<int32_t>(read32(info + 24)) : 0;
    out.pixelsPerMetre[1] = hsize >= 40 ? static_cast<int32_t>(read32(info + 28)) : 0;
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        out.px.assign(static_cast<size_t>(width * height), 0);
        std::vector<uint8_t> idx;
        if (!bits) return false;
        decodeRle(bits, bitsSize, out.width, out.height, compression == BI_RLE4, idx);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                out.px[static_cast<size_t>(out.height - 1 - y) * out.width + x] =
                    table[idx[static_cast<size_t>(y) * out.width + x]];
        return true;
    }
    size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    if (!bits || bitsSize < stride) return false;
    auto decodeRow = [&](const BYTE* row, uint32_t* dst) {
        switch (bpp) {
        case 1: {
            // Whole bytes eight pixels at a time, then the bits of the last one.
            int64_t whole = width / 8;
            for (int64_t b = 0; b < whole; ++b, dst += 8)
                for (int k = 0; k < 8; ++k) dst[k] = table[(row[b] >> (7 - k)) & 1];
            for (int64_t x = whole * 8; x < width; ++x) *dst++ = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        }
        case 4:
            for (int64_t x = 0; x < width; ++x) dst[x] = table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
            break;
        case 8:
            for (int64_t x = 0; x < width; ++x) dst[x] = table[row[x]];
            break;
        case 16:
            for (int64_t x = 0; x < width; ++x) {
                uint32_t s = read16(row + x * 2);
                dst[x] = (rm.get(s) << 16) | (gm.get(s) << 8) | bm.get(s);
            }
            break;
        case 24:
            for (int64_t x = 0; x < width; ++x) dst[x] = (row[x * 3 + 2] << 16) | (row[x * 3 + 1] << 8) | row[x * 3];
            break;
        default: {
            uint32_t alpha = compression == BI_RGB ? 0xFF000000u : 0;
            for (int64_t x = 0; x < width; ++x) {
                uint32_t s = read32(row + x * 4);
                dst[x] = (rm.get(s) << 16) | (gm.get(s) << 8) | bm.get(s) | (s & alpha) | (0xFF000000u & ~alpha);
            }
            break;
        }
        }
    };
    // Rows that the data does not hold stay black rather than being read past the end.
    size_t rowsPresent = std::min<size_t>(static_cast<size_t>(height), bitsSize / stride);
    auto storedRow = [&](size_t y) -> const BYTE* {  // y counts from the top
        size_t r = topDown ? y : static_cast<size_t>(height) - 1 - y;
        return r < rowsPresent ? bits + r * stride : nullptr;
    };
    if (shrink <= 1) {
        // Every row is written: a buffer kept from an earlier image is not cleared first.
        out.px.resize(static_cast<size_t>(width * height));
        for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
            uint32_t* to = &out.px[y * static_cast<size_t>(width)];
            if (const BYTE* row = storedRow(y)) decodeRow(row, to);
            else std::fill(to, to + width, 0u);
        }
        if (bpp == 1 && table[0] == 0 && table[1] == 0xFFFFFF) out.mono = true;
        return true;
    }
    // Reduced by `shrink` in both directions, each pixel the mean of its block.
    size_t f = static_cast<size_t>(shrink);
    size_t ow = (static_cast<size_t>(width) + f - 1) / f, oh = (static_cast<size_t>(height) + f - 1) / f;
    out.width = static_cast<int>(ow);
    out.height = static_cast<int>(oh);
    out.px.assign(ow * oh, 0);
    std::vector<uint32_t> row(static_cast<size_t>(width)), sums(ow * 3), counts(ow);
    for (size_t oy = 0; oy < oh; ++oy) {
        std::fill(sums.begin(), sums.end(), 0u);
        std::fill(counts.begin(), counts.end(), 0u);
        for (size_t y = oy * f; y < std::min(static_cast<size_t>(height), oy * f + f); ++y) {
            const BYTE* stored = storedRow(y);
            if (bpp == 1) {
                // Bi-level rows: count the set bits of each block, mix the two colours after.
                for (size_t o = 0, x = 0; o < ow; ++o) {
                    size_t stop = std::min(static_cast<size_t>(width), x + f);
                    uint32_t ones = 0;
                    if (stored)
                        for (; x < stop; ++x) ones += (stored[x >> 3] >> (7 - (x & 7))) & 1;
                    x = stop;
                    sums[o * 3] += ones;
                    counts[o] += static_cast<uint32_t>(stop - o * f);
                }
                continue;
            }
            if (stored) decodeRow(stored, row.data());
            else std::fill(row.begin(), row.end(), 0u);
            for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
                size_t o = x / f;
                sums[o * 3] += (row[x] >> 16) & 0xFF;
                sums[o * 3 + 1] += (row[x] >> 8) & 0xFF;
                sums[o * 3 + 2] += row[x] & 0xFF;
                ++counts[o];
            }
        }
        for (size_t o = 0; o < ow; ++o) {
            uint32_t n = std::max(1u, counts[o]);
            if (bpp == 1) {
                uint32_t ones = sums[o * 3], zeros = n - ones, c0 = table[0], c1 = table[1];
                auto mix = [&](int s) { return ((((c0 >> s) & 0xFF) * zeros + ((c1 >> s) & 0xFF) * ones) / n) << s; };
                out.px[oy * ow + o] = mix(16) | mix(8) | mix(0);
            } else {
                out.px[oy * ow + o] = ((sums[o * 3] / n) << 16) | ((sums[o * 3 + 1] / n) << 8) | (sums[o * 3 + 2] / n);
            }
        }
    }
    return true;
}

int ShrinkFactor(const DC& dc, double w, double h, double sw, double sh) {
    if (dc.document) return 1;  // a document keeps images at their own resolution
    Matrix m = LogicalToDevice(dc);
    PointD dx = m.applyVector(w, 0), dy = m.applyVector(0, h);
    double devW = std::hypot(dx.x, dx.y), devH = std::hypot(dy.x, dy.y);
    if (!(devW > 0) || !(devH > 0)) return 1;
    double f = std::min(std::fabs(sw) / devW, std::fabs(sh) / devH);
    return f >= 2 ? static_cast<int>(std::min(f, 64.0)) : 1;
}

std::vector<BYTE> PackDib(const ImageRef& img, size_t& headerSize, bool keepAlpha) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = img.width;
    h.biHeight = img.height;
    h.biPlanes = 1;
    h.biBitCount = img.mono ? 1 : 32;
    h.biCompression = BI_RGB;
    h.biXPelsPerMeter = img.pixelsPerMetre[0], h.biYPelsPerMeter = img.pixelsPerMetre[1];
    size_t stride = ((static_cast<size_t>(img.width) * h.biBitCount + 31) / 32) * 4;
    h.biSizeImage = static_cast<DWORD>(stride * img.height);
    headerSize = 40 + (img.mono ? 8 : 0);
    std::vector<BYTE> out(headerSize + stride * img.height, 0);
    std::memcpy(out.data(), &h, 40);
    if (img.mono) {
        const BYTE white[4] = {255, 255, 255, 0};
        std::memcpy(out.data() + 44, white, 4);
    }
    for (int y = 0; y < img.height; ++y) {
        BYTE* row = out.data() + headerSize + static_cast<size_t>(img.height - 1 - y) * stride;
        const uint32_t* src = img.px + static_cast<size_t>(y) * img.width;
        for (int x = 0; x < img.width; ++x) {
            if (img.mono) {
                if (src[x] & 0xFFFFFF) row[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
            } else {
                uint32_t v = keepAlpha ? src[x] : src[x] & 0xFFFFFF;
                std::memcpy(row + x * 4, &v, 4);
            }
        }
    }
    return out;
}

namespace {
// How many periods of `n` source pixels, scaled by k, come nearest to a whole number of pixels
// for their length, in a tile of at most 64 pixels a side, so that tiles of them lie on the
// page with little drift from where the pattern lies: a 16-dot period at 300 dpi is 10.24 pixels
// at 192 dpi, 10 when laid alone (a period lost every 40), and 4 of them are 41 (a pixel lost
// every thousand).
int wholeRepeats(int n, double k) {
    constexpr int kLongestSide = 64, kMostRepeats = 64;
    int best = 1;
    double bestDrift = 1;
    for (int m = 1; m <= kMostRepeats && n * m * k <= kLongestSide + 0.5; ++m) {
        double size = n * m * k, drift = std::fabs(size - std::round(size)) / size;
        if (drift < bestDrift - 1e-9) best = m, bestDrift = drift;
    }
    return best;
}
}  // namespace

Image ResampledPattern(const Image& in, double kx, double ky) {
    constexpr double kMaxPixels = 16 << 20;
    if (in.width <= 0 || in.height <= 0 || !(kx > 0) || !(ky > 0)) return in;
    double area = kx * ky * in.width * in.height;
    if (area > kMaxPixels) kx *= std::sqrt(kMaxPixels / area), ky *= std::sqrt(kMaxPixels / area);
    int mx = wholeRepeats(in.width, kx), my = wholeRepeats(in.height, ky);
    if (static_cast<double>(mx) * my * area > kMaxPixels) mx = my = 1;
    int sourceWidth = in.width * mx, sourceHeight = in.height * my;
    int w = std::max(1, static_cast<int>(std::lround(sourceWidth * kx)));
    int h = std::max(1, static_cast<int>(std::lround(sourceHeight * ky)));
    if (w == in.width && h == in.height) return in;
    Image out;
    out.width = w, out.height = h, out.mono = in.mono, out.bilevel = in.bilevel;
    out.pixelsPerMetre[0] = static_cast<int32_t>(std::lround(in.pixelsPerMetre[0] * kx));
    out.pixelsPerMetre[1] = static_cast<int32_t>(std::lround(in.pixelsPerMetre[1] * ky));
    out.px.resize(static_cast<size_t>(w) * h);
    // The source pixels [from(i), from(i + 1)) of the repeated periods fall in pixel i of a side of n pixels.
    auto from = [](int i, int n, int source) { return static_cast<int>(static_cast<int64_t>(i) * source / n); };
    auto at = [&](int sx, int sy) { return in.px[static_cast<size_t>(sy % in.height) * in.width + sx % in.width]; };
    bool average = !in.mono && (w < sourceWidth || h < sourceHeight);
    for (int y = 0; y < h; ++y) {
        int y0 = from(y, h, sourceHeight), y1 = std::max(y0 + 1, from(y + 1, h, sourceHeight));
        for (int x = 0; x < w; ++x) {
            int x0 = from(x, w, sourceWidth), x1 = std::max(x0 + 1, from(x + 1, w, sourceWidth));
            if (!average) {
                out.px[static_cast<size_t>(y) * w + x] = at(x0, y0);
                continue;
            }
            uint64_t sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    uint32_t v = at(sx, sy);
                    for (int c = 0; c < 3; ++c) sum[c] += (v >> (8 * c)) & 0xFF;
                }
            uint64_t n = static_cast<uint64_t>(y1 - y0) * (x1 - x0);
            uint32_t v = 0;
            for (int c = 0; c < 3; ++c) v |= static_cast<uint32_t>((sum[c] + n / 2) / n) << (8 * c);
            out.px[static_cast<size_t>(y) * w + x] = v;
        }
    }
    return out;
}

}  // namespace gdi
