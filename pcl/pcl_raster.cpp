#include "pcl_raster.h"

#include "dib_header.h"
#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
int64_t rowLengthFor(const PclPageState& s, int64_t w) {
    int32_t index = s.bitsPerIndex == 0 ? 1 : s.bitsPerIndex;
    int64_t primary = s.bitsPerPrimary[0];
    switch (s.pixelEncodingMode) {
    case 0: case 1: return (index * w + 7) / 8;
    case 2: return ((3 * primary * w + 31) / 32) * 4;
    case 3: return index == 1 ? ((w + 31) / 32) * 4 : ((3 * primary * w + 31) / 32) * 4;
    default: return ((3 * w + 31) / 32) * 4;
    }
}

// The image's DIB bit count, 0 when a DIB cannot hold its pixels.
int bitCount(const RasterJob& r) {
    if (r.encodingMode == 1) return r.bitsPerIndex == 1 || r.bitsPerIndex == 2 || r.bitsPerIndex == 4 || r.bitsPerIndex == 8 ? 24 : 0;
    if (r.encodingMode != 3) return 0;
    if (r.bitsPerIndex <= 1) return 1;
    int bits = 3 * r.bitsPerPrimary;
    return bits == 24 ? 24 : 0;
}

// Indexed rows to 24-bit DIB rows through the palette; indexes beyond its
// size wrap round. Empty when there is no palette.
std::vector<uint8_t> indexedToRgb(const RasterJob& r, const PclPalette* palette) {
    std::vector<uint8_t> out;
    if (!palette || palette->entries.empty()) return out;
    size_t stride = ((24 * static_cast<size_t>(r.width) + 31) / 32) * 4, n = palette->entries.size();
    out.assign(stride * static_cast<size_t>(r.rowCount), 0);
    int bits = r.bitsPerIndex;
    for (int64_t y = 0; y < r.rowCount; ++y) {
        const uint8_t* row = r.image.data() + y * r.rowLength;
        uint8_t* dst = out.data() + static_cast<size_t>(y) * stride;
        for (int64_t x = 0; x < r.width; ++x) {
            int64_t bit = x * bits;
            unsigned index = (row[bit >> 3] >> (8 - bits - (bit & 7))) & ((1u << bits) - 1);
            const PALETTEENTRY& e = palette->entries[index % n];
            dst[x * 3] = e.peBlue;
            dst[x * 3 + 1] = e.peGreen;
            dst[x * 3 + 2] = e.peRed;
        }
    }
    return out;
}
}  // namespace

void DecodePackBits(const uint8_t* data, size_t n, uint8_t* row, size_t rowLength) {
    size_t in = 0, out = 0;
    while (in < n) {
        uint8_t c = data[in++];
        if (c < 128) {
            size_t run = std::min<size_t>(c + 1u, n - in);
            size_t fit = std::min(run, rowLength - out);
            std::memcpy(row + out, data + in, fit);
            out += fit;
            in += run;
        } else if (c > 128) {
            if (in >= n) break;
            uint8_t v = data[in++];
            size_t run = std::min<size_t>(257u - c, rowLength - out);
            std::memset(row + out, v, run);
            out += run;
        }
    }
    std::memset(row + out, 0, rowLength - out);
}

void DecodeDeltaRow(const uint8_t* data, size_t n, uint8_t* row, size_t rowLength) {
    size_t in = 0, p = 0;
    while (in < n) {
        uint8_t command = data[in++];
        size_t count = (command >> 5) + 1u, offset = command & 31u;
        if (offset == 31) {
            // Offsets saturate at the row's end rather than wrapping.
            while (in < n) {
                uint8_t more = data[in++];
                offset = std::min(offset + more, rowLength + 1);
                if (more != 255) break;
            }
        }
        count = std::min(count, n - in);
        p = std::min(p + offset, rowLength);
        if (p >= rowLength) return;
        size_t fit = std::min(count, rowLength - p);
        std::memcpy(row + p, data + in, fit);
        p += fit;
        in += count;
    }
}

void DiscardRaster() { Pcl().raster.reset(); }

void StartRaster() {
    PclPageState& s = Pcl();
    DiscardRaster();
    if (s.rasterWidth == 0) {
        s.rasterWidth = static_cast<int32_t>((static_cast<uint32_t>(s.rasterResolution) * static_cast<uint32_t>(s.rectangleWidth)) / 720);
        s.rasterOperation = SRCAND;
    }
    if (s.rasterWidth == 0) {
        // Without a width the printer takes the rest of the logical page at the raster resolution.
        int64_t dots = static_cast<int64_t>((LogicalPageWidth() - s.cursorX) * s.rasterResolution / kPageUnitsPerInch);
        s.rasterWidth = static_cast<int32_t>(std::clamp<int64_t>(dots, 0, kMaxRasterWidth));
    }
    s.raster = std::make_unique<RasterJob>();
}

void TransferRasterRow(const uint8_t* data, int32_t length) {
    PclPageState& s = Pcl();
    if (!s.raster) return;  // no image was started
    RasterJob& r = *s.raster;
    if (!r.configured) {
        r.configured = true;
        r.width = std::clamp<int64_t>(s.rasterWidth, 0, kMaxRasterWidth);
        r.encodingMode = s.pixelEncodingMode;
        r.bitsPerIndex = s.bitsPerIndex == 0 ? 1 : s.bitsPerIndex;
        r.bitsPerPrimary = s.bitsPerPrimary[0];
        r.rowLength = rowLengthFor(s, r.width);
    }
    size_t L = static_cast<size_t>(r.rowLength);
    if (L == 0 || static_cast<int64_t>(r.image.size() + L) > kMaxRasterBytes) return;
    size_t at = r.image.size();
    r.image.resize(at + L, 0);
    uint8_t* row = r.image.data() + at;
    const uint8_t* seed = at >= L ? row - L : nullptr;
    size_t n = length > 0 ? static_cast<size_t>(length) : 0;
    ++r.rowCount;
    if (n == 0) {
        if (seed) std::memcpy(row, seed, L);
        return;
    }
    switch (s.compressionMethod) {
    case 0: std::memcpy(row, data, std::min(n, L)); break;
    case 2: DecodePackBits(data, n, row, L); break;
    case 3:
        if (seed) std::memcpy(row, seed, L);
        DecodeDeltaRow(data, n, row, L);
        break;
    default: break;  // methods we do not decode leave a blank row
    }
}

void SkipRasterRows(int32_t rows) {
    PclPageState& s = Pcl();
    if (!s.raster || rows <= 0) return;
    // One row fixes the layout; the rest are blank rows added at once (and a blank seed row).
    TransferRasterRow(nullptr, 0);
    RasterJob& r = *s.raster;
    if (r.rowLength <= 0 || r.rowCount == 0) return;
    size_t L = static_cast<size_t>(r.rowLength);
    std::memset(r.image.data() + r.image.size() - L, 0, L);
    size_t room = (static_cast<size_t>(kMaxRasterBytes) - r.image.size()) / L;
    size_t more = std::min(static_cast<size_t>(rows - 1), room);
    r.image.resize(r.image.size() + more * L, 0);
    r.rowCount += static_cast<int64_t>(more);
}

bool EndRaster() {
    PclPageState& s = Pcl();
    if (!s.raster) return false;
    std::unique_ptr<RasterJob> job = std::move(s.raster);
    RasterJob& r = *job;
    int bits = bitCount(r);
    if (r.rowCount == 0 || r.width == 0 || bits == 0 || static_cast<int64_t>(r.image.size()) < r.rowCount * r.rowLength ||
        !MarkPclPage())
        return false;
    std::vector<uint8_t> converted;
    const uint8_t* pixels = r.image.data();
    if (r.encodingMode == 1) {
        auto it = s.palettes.find(s.activePaletteId);
        converted = indexedToRgb(r, it == s.palettes.end() ? nullptr : &it->second);
        if (converted.empty()) return false;
        pixels = converted.data();
    } else if (bits == 24) {
        // Red, green, blue to the blue, green, red of a DIB, pixel by pixel within each row.
        for (int64_t y = 0; y < r.rowCount; ++y) {
            uint8_t* row = r.image.data() + y * r.rowLength;
            for (int64_t x = 0; x < r.width; ++x) std::swap(row[x * 3], row[x * 3 + 2]);
        }
    }
    TwoColourDib bmi = MakeTwoColourDib(r.width, std::min<int64_t>(r.rowCount, INT32_MAX), static_cast<WORD>(bits));
    double scale = 25.4 / static_cast<uint32_t>(s.rasterResolution > 0 ? s.rasterResolution : 300) * 80;
    int64_t dotsW = r.width, dotsH = r.rowCount;
    if (s.destinationWidth != 0 && s.destinationHeight != 0) dotsW = s.destinationWidth, dotsH = s.destinationHeight;
    int32_t w = static_cast<int32_t>(std::clamp(dotsW * scale, -1e7, 1e7));
    int32_t h = static_cast<int32_t>(std::clamp(dotsH * scale, -1e7, 1e7));
    bool rotated = s.landscape && r.encodingMode == 3 && bits == 1;
    PagePoint at = PclPagePoint(s.cursorX, s.cursorY);
    int32_t x = static_cast<int32_t>(std::lround(at.x)), y = static_cast<int32_t>(std::lround(at.y));
    int32_t px = 0, py = 0;
    PageUnitsToPixels(px, py);
    int32_t m = std::max(s.pageWidth(), s.pageHeight()), p = std::max(px, py);
    if (rotated) {
        x = static_cast<int32_t>(std::lround(s.cursorY));
        y = static_cast<int32_t>(std::lround(s.pageWidth() - s.cursorX - LogicalPageLeft()));
        SetWindowExtEx(s.pageDC, m, m, nullptr);
        SetViewportExtEx(s.pageDC, p, p, nullptr);
        SetViewportOrgEx(s.pageDC, p, 0, nullptr);
        XFORM quarter{0, 1, -1, 0, 0, 0};
        SetWorldTransform(s.pageDC, &quarter);
    } else {
        TopDownMapping();
    }
    StretchDIBits(s.pageDC, x, y, w, h, 0, 0, static_cast<int>(r.width), static_cast<int>(r.rowCount), pixels,
                  bmi.info(), DIB_RGB_COLORS, s.rasterOperation);
    s.rasterWidth = s.rasterHeight = s.destinationWidth = s.destinationHeight = 0;
    s.rasterOperation = SRCCOPY;
    if (rotated) {
        SetViewportExtEx(s.pageDC, p, -p, nullptr);
        SetViewportOrgEx(s.pageDC, 0, p, nullptr);
        XFORM identity{1, 0, 0, 1, 0, 0};
        SetWorldTransform(s.pageDC, &identity);
        s.mapping = PclMapping::Other;
        s.cursorX -= h;
    } else {
        s.cursorY = std::min<double>(s.cursorY + h, s.pageHeight());
    }
    return true;
}
