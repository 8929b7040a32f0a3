#include "pcl_raster.h"

#include "raster_rows.h"

#include "dib_header.h"
#include "pcl_page_state.h"
#include "pcl_palettes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

int RasterComponent::bits() const {
    int b = 1;
    while ((1 << b) < levels && b < 8) ++b;
    return b;
}

bool ConfigureRasterData(const uint8_t* d, int32_t count) {
    std::vector<RasterComponent> components;
    PclPageState& s = Pcl();
    if (d && count >= 1 && d[0] == 6) {
        if (!ReadInkjetComponents(d, count, components)) return false;
    } else {
        // Format 2: the format, the number of inks, then per ink its horizontal and vertical
        // resolution and its number of levels, two bytes each.
        if (!d || count < 2 || d[0] != 2) return false;
        int inks = d[1];
        if ((inks != 1 && inks != 3 && inks != 4) || count < 2 + 6 * inks) return false;
        for (int i = 0; i < inks; ++i) {
            const uint8_t* c = d + 2 + 6 * i;
            RasterComponent k{c[0] << 8 | c[1], c[2] << 8 | c[3], c[4] << 8 | c[5]};
            if (k.xDpi < 75 || k.xDpi > 2400 || k.yDpi < 75 || k.yDpi > 2400 || k.levels < 2 || k.levels > 256)
                return false;
            components.push_back(k);
        }
    }
    int32_t minY = 2400, maxX = 0;
    int planes = 0;
    for (const RasterComponent& k : components) minY = std::min(minY, k.yDpi), maxX = std::max(maxX, k.xDpi);
    for (const RasterComponent& k : components) planes += std::max(1, k.yDpi / minY) * k.bits();
    if (planes > kMaxInkPlanes) return false;
    if (components.front().method >= 0) {
        // Inkjets printing their drivers' raster have no top margin (perforation skip off):
        // the driver places its rows from the top of the page.
        s.perforationSkip = false;
        s.topMargin = 0;
    }
    s.rasterInks = std::move(components);
    s.rasterResolution = maxX;  // widths count dots of the finest ink
    s.simpleColour = 0;
    s.colourConfigured = false;
    return true;
}

namespace {
// The layout of the image's rows, from simple colour or the image configuration in force.
void configure(RasterJob& r, const PclPageState& s) {
    r.configured = true;
    r.width = std::clamp<int64_t>(s.rasterWidth, 0, kMaxRasterWidth);
    r.rowDpi = s.rasterResolution;
    if (!s.rasterInks.empty()) {
        ConfigureInkjetRows(r, s.rasterInks);
        return;
    }
    r.cmy = s.simpleColour == -3 || (s.colourConfigured && s.colourSpace == 1);
    int indexBits = std::clamp<int>(s.bitsPerIndex == 0 ? 1 : s.bitsPerIndex, 1, kMaxPaletteBits);
    if (s.simpleColour == 3 || s.simpleColour == -3) {
        r.layout = RasterLayout::IndexedPlanes, r.planes = 3;
        r.palette = DefaultPalette(3, r.cmy);
    } else if (!s.colourConfigured || s.simpleColour == 1) {
        r.layout = RasterLayout::Mono;
    } else {
        switch (s.pixelEncodingMode) {
        case 0: r.layout = RasterLayout::IndexedPlanes, r.planes = indexBits; break;
        case 1:
            r.layout = RasterLayout::IndexedPixels;
            r.planeBits = indexBits == 1 || indexBits == 2 || indexBits == 4 ? indexBits : 8;
            break;
        case 2: r.layout = RasterLayout::DirectPlanes, r.planes = 3; break;
        default: r.layout = RasterLayout::DirectPixels, r.planeBits = 24; break;
        }
        if (r.layout == RasterLayout::IndexedPlanes || r.layout == RasterLayout::IndexedPixels) {
            int bits = r.layout == RasterLayout::IndexedPlanes ? r.planes : r.planeBits;
            auto it = s.palettes.find(s.activePaletteId);
            r.palette = it != s.palettes.end() && !it->second.entries.empty()
                ? it->second.entries
                : DefaultPalette(std::min(bits, 8), r.cmy);
        }
    }
    r.planeBytes = (r.width * r.planeBits + 7) / 8;
    r.bits = r.layout == RasterLayout::Mono ? 1 : 24;
    r.rowLength = ((r.bits * r.width + 31) / 32) * 4;
    r.seeds.assign(static_cast<size_t>(r.planes), std::vector<uint8_t>(static_cast<size_t>(r.planeBytes), 0));
}

// Composes the planes of a finished row into the image.
void composeRow(RasterJob& r) {
    if (r.layout == RasterLayout::InkjetBands) {
        ComposeInkjetRows(r);
        return;
    }
    size_t L = static_cast<size_t>(r.rowLength);
    if (L == 0 || static_cast<int64_t>(r.image.size() + L) > kMaxRasterBytes) return;
    size_t at = r.image.size();
    r.image.resize(at + L, 0);
    uint8_t* out = r.image.data() + at;
    ++r.rowCount;
    auto put = [&](int64_t x, uint8_t red, uint8_t green, uint8_t blue) {
        if (r.cmy)
            red = static_cast<uint8_t>(255 - red), green = static_cast<uint8_t>(255 - green),
            blue = static_cast<uint8_t>(255 - blue);
        out[x * 3] = blue, out[x * 3 + 1] = green, out[x * 3 + 2] = red;
    };
    auto indexed = [&](int64_t x, unsigned index) {
        const PALETTEENTRY& e = r.palette[index % r.palette.size()];
        out[x * 3] = e.peBlue, out[x * 3 + 1] = e.peGreen, out[x * 3 + 2] = e.peRed;
    };
    const std::vector<uint8_t>& first = r.seeds[0];
    switch (r.layout) {
    case RasterLayout::Mono: std::memcpy(out, first.data(), std::min(first.size(), L)); break;
    case RasterLayout::DirectPixels:
        for (int64_t x = 0; x < r.width; ++x) put(x, first[x * 3], first[x * 3 + 1], first[x * 3 + 2]);
        break;
    case RasterLayout::DirectPlanes:
        for (int64_t x = 0; x < r.width; ++x)
            put(x, RasterDot(r.seeds[0], static_cast<size_t>(x)) ? 255 : 0,
                RasterDot(r.seeds[1], static_cast<size_t>(x)) ? 255 : 0,
                RasterDot(r.seeds[2], static_cast<size_t>(x)) ? 255 : 0);
        break;
    case RasterLayout::IndexedPlanes:
        for (int64_t x = 0; x < r.width; ++x) {
            unsigned index = 0;
            for (int p = 0; p < r.planes; ++p)
                index |= static_cast<unsigned>(RasterDot(r.seeds[static_cast<size_t>(p)], static_cast<size_t>(x))) << p;
            indexed(x, index);
        }
        break;
    case RasterLayout::IndexedPixels:
        for (int64_t x = 0; x < r.width; ++x) {
            int64_t bit = x * r.planeBits;
            indexed(
                x, (first[static_cast<size_t>(bit >> 3)] >> (8 - r.planeBits - (bit & 7))) & ((1u << r.planeBits) - 1));
        }
        break;
    case RasterLayout::InkjetBands: break;
    }
}

// A plane of 24-bit colour pixels (an inkjet colour component) rather than of bits.
bool colourPlane(const RasterJob& r, int plane) {
    return r.layout == RasterLayout::InkjetBands &&
        r.inks[static_cast<size_t>(r.inkPlanes[static_cast<size_t>(plane)].ink)].rgb;
}

// A blank row of a plane: no ink, white where the plane holds colours.
void clearPlane(RasterJob& r, int plane) {
    std::vector<uint8_t>& seed = r.seeds[static_cast<size_t>(plane)];
    std::fill(seed.begin(), seed.end(), colourPlane(r, plane) ? 255 : 0);
}

// Decodes one plane's data into its seed row by the compression method.
void decodePlane(int32_t method, const uint8_t* data, size_t n, std::vector<uint8_t>& seed, bool colour) {
    uint8_t* row = seed.data();
    size_t L = seed.size();
    if (colour != (method == 10)) method = -1;  // the colour method has colour planes, and only it
    switch (method) {
    case 0:
        std::memcpy(row, data, std::min(n, L));
        if (n < L) std::memset(row + n, 0, L - n);
        break;
    case 1: DecodeRunLength(data, n, row, L); break;
    case 2: DecodePackBits(data, n, row, L); break;
    case 3: DecodeDeltaRow(data, n, row, L); break;
    case 9: DecodeReplacementDeltaRow(data, n, row, L); break;
    case 10: DecodeInkjetRgb(data, n, row, L / 3); break;
    default:
        // A method we do not know leaves a blank row.
        std::memset(row, colour ? 255 : 0, L);
        ReportPclProblem("raster rows in an unknown compression (method " + std::to_string(method) +
                         ") are left blank");
        break;
    }
}

// Adaptive compression: a block of rows, each an entry of a method byte and a
// two-byte count: unencoded, run-length, PackBits or delta row data of that
// length, or a count of empty or repeated rows.
void decodeAdaptive(RasterJob& r, const uint8_t* data, size_t n) {
    std::vector<uint8_t>& seed = r.seeds[0];
    for (size_t in = 0; in + 3 <= n;) {
        uint8_t method = data[in];
        size_t count = static_cast<size_t>(data[in + 1]) << 8 | data[in + 2];
        in += 3;
        if (method == 4 || method == 5) {
            if (method == 4) std::fill(seed.begin(), seed.end(), 0);
            size_t room = static_cast<size_t>(kMaxRasterBytes) / std::max<int64_t>(r.rowLength, 1);
            for (size_t i = 0; i < count && static_cast<size_t>(r.rowCount) < room; ++i) composeRow(r);
            continue;
        }
        size_t take = std::min(count, n - in);
        decodePlane(method, data + in, take, seed, false);
        composeRow(r);
        in += take;
    }
}

void transfer(const uint8_t* data, int32_t length, bool rowEnds) {
    PclPageState& s = Pcl();
    if (!s.raster) return;  // no image was started
    RasterJob& r = *s.raster;
    if (!r.configured) configure(r, s);
    if (r.planeBytes <= 0) return;
    size_t n = length > 0 ? static_cast<size_t>(length) : 0;
    int32_t method = s.compressionMethod;
    if (method == 5 && r.planes == 1) {
        decodeAdaptive(r, data, n);
        return;
    }
    if (r.plane < r.planes) {
        // Inkjet components name their own methods.
        if (r.layout == RasterLayout::InkjetBands) {
            int32_t own = r.inks[static_cast<size_t>(r.inkPlanes[static_cast<size_t>(r.plane)].ink)].method;
            if (own >= 0) method = own;
        }
        // No data repeats the seed in the delta methods and clears the row in the others.
        if (n > 0) decodePlane(method, data, n, r.seeds[static_cast<size_t>(r.plane)], colourPlane(r, r.plane));
        else if (method != 3 && method != 9 && method != 10) clearPlane(r, r.plane);
        ++r.plane;
    }
    if (!rowEnds && r.plane < r.planes) return;
    // Planes the row did not send are blank.
    for (int p = r.plane; p < r.planes; ++p) clearPlane(r, p);
    composeRow(r);
    r.plane = 0;
}
}  // namespace

void DiscardRaster() { Pcl().raster.reset(); }

void StartRaster() {
    PclPageState& s = Pcl();
    DiscardRaster();
    if (s.rasterWidth == 0)
        s.rasterWidth = static_cast<int32_t>(
            (static_cast<uint32_t>(s.rasterResolution) * static_cast<uint32_t>(s.rectangleWidth)) / 720);
    if (s.rasterWidth == 0) {
        // Without a width the printer takes the rest of the logical page at the raster resolution.
        int64_t dots = static_cast<int64_t>((LogicalPageWidth() - s.cursorX) * s.rasterResolution / kPageUnitsPerInch);
        s.rasterWidth = static_cast<int32_t>(std::clamp<int64_t>(dots, 0, kMaxRasterWidth));
    }
    s.raster = std::make_unique<RasterJob>();
}

void TransferRasterRow(const uint8_t* data, int32_t length) { transfer(data, length, true); }
void TransferRasterPlane(const uint8_t* data, int32_t length) { transfer(data, length, false); }

void SkipRasterRows(int32_t rows) {
    PclPageState& s = Pcl();
    if (!s.raster || rows <= 0) return;
    RasterJob& r = *s.raster;
    if (!r.configured) configure(r, s);
    // The offset clears the seed rows and adds blank rows, at once.
    for (int p = 0; p < r.planes; ++p) clearPlane(r, p);
    r.plane = 0;
    if (r.layout == RasterLayout::InkjetBands) {
        if (!s.rasterScaled) {
            PaintInkjetBand(r);
            r.rowCount += static_cast<int64_t>(rows) * r.groupRows;  // offsets count groups of rows
            return;
        }
        // An image scaled to its place keeps its blank rows, as far as it has room.
        for (int32_t i = 0; i < rows; ++i) {
            int64_t before = r.rowCount;
            ComposeInkjetRows(r);
            if (r.rowCount == before) break;
        }
        return;
    }
    size_t L = static_cast<size_t>(r.rowLength);
    if (L == 0) return;
    size_t room =
        (static_cast<size_t>(kMaxRasterBytes) - std::min(r.image.size(), static_cast<size_t>(kMaxRasterBytes))) / L;
    // Inkjet offsets count groups of rows.
    size_t more = std::min(static_cast<size_t>(rows) * static_cast<size_t>(r.groupRows), room);
    // Blank is white: zero bits in a 1-bit image, 255 in a colour one.
    r.image.resize(r.image.size() + more * L, r.bits == 1 ? 0 : 255);
    r.rowCount += static_cast<int64_t>(more);
}

namespace {
// Page units a dot of the raster resolution takes.
double dotSize(const PclPageState& s) {
    return 25.4 / static_cast<uint32_t>(s.rasterResolution > 0 ? s.rasterResolution : 300) * 80;
}

// Page units a row of the image takes.
double rowHeight(const PclPageState& s, const RasterJob& r) {
    double scale = dotSize(s);
    // Scaled images (started with 2 or 3) take the destination size, in decipoints.
    if (s.rasterScaled && s.destinationWidth > 0 && s.destinationHeight > 0 && r.rowCount > 0)
        return static_cast<double>(
                   static_cast<int64_t>(s.destinationHeight * static_cast<double>(s.rasterResolution) / 720)) *
            scale / static_cast<double>(r.rowCount);
    // Rows may be finer or coarser than dots across (inkjet raster's own resolutions).
    return s.rasterScaled || r.rowDpi <= 0 ? scale : 25.4 / r.rowDpi * 80;
}

int32_t pageReach(double v) { return static_cast<int32_t>(std::clamp(v, -kMaxPageReach, kMaxPageReach)); }
}  // namespace

bool PaintRasterRows(const RasterJob& r, const uint8_t* pixels, int bits, int64_t first, int64_t rows) {
    PclPageState& s = Pcl();
    if (rows <= 0 || r.width == 0 || !MarkPclPage()) return false;
    TwoColourDib bmi = MakeTwoColourDib(r.width, std::min<int64_t>(rows, INT32_MAX), static_cast<WORD>(bits));
    double scale = dotSize(s);
    int64_t dotsW = r.width;
    if (s.rasterScaled && s.destinationWidth > 0 && s.destinationHeight > 0)
        dotsW = static_cast<int64_t>(s.destinationWidth * static_cast<double>(s.rasterResolution) / 720);
    double down = rowHeight(s, r);
    int32_t w = pageReach(dotsW * scale), top = pageReach(first * down);
    int32_t h = pageReach((first + rows) * down) - top;
    bool rotated = s.landscape && s.rasterPresentation == 3;
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
    StretchDIBits(s.pageDC, x, y + top, w, h, 0, 0, static_cast<int>(r.width), static_cast<int>(rows), pixels,
                  bmi.info(), DIB_RGB_COLORS, PclImageRop());
    if (rotated) {
        SetViewportExtEx(s.pageDC, p, -p, nullptr);
        SetViewportOrgEx(s.pageDC, 0, p, nullptr);
        XFORM identity{1, 0, 0, 1, 0, 0};
        SetWorldTransform(s.pageDC, &identity);
        s.mapping = PclMapping::Other;
    }
    return true;
}

bool EndRaster() {
    PclPageState& s = Pcl();
    if (!s.raster) return false;
    std::unique_ptr<RasterJob> job = std::move(s.raster);
    RasterJob& r = *job;
    if (r.rowCount == 0 || r.width == 0) return false;
    if (r.layout == RasterLayout::InkjetBands) {
        PaintInkjetBand(r);
    } else if (static_cast<int64_t>(r.image.size()) < r.rowCount * r.rowLength ||
               !PaintRasterRows(r, r.image.data(), r.bits, 0, r.rowCount)) {
        return false;
    }
    // The cursor moves past the image's rows, painted or blank.
    int32_t h = pageReach(r.rowCount * rowHeight(s, r));
    if (s.landscape && s.rasterPresentation == 3) s.cursorX -= h;
    else s.cursorY = std::min<double>(s.cursorY + h, s.pageHeight());
    return true;
}
