// Raster rows of inkjet drivers: inks of several levels a dot, each at its own resolution
// (format 2 of Configure Raster Data), or HP's components (PCL3GUI, format 6), each at its own
// resolution and in its own compression method, of black dots and of 24-bit colour. Rows are
// composed one at a time into bands of rows with ink, so a page of text never becomes a
// page-sized colour image.
#include "pcl_raster.h"

#include "pcl_page_state.h"

#include <algorithm>
#include <cstring>

namespace {
bool allBytes(const uint8_t* p, size_t n, uint8_t v) {
    return n == 0 || (p[0] == v && std::memcmp(p, p + 1, n - 1) == 0);
}

// Whether a plane holds its ink's row for composed row `k` of the group.
bool onRow(const RasterJob& r, const RasterJob::InkPlane& p, int k) { return p.row == k * p.inkRows / r.groupRows; }

// Sets the black dots of a component's row in the composed row, from its resolution across.
void addDots(RasterJob& r, const std::vector<uint8_t>& dots, int32_t xDpi) {
    uint8_t* out = r.dotsRow.data();
    if (xDpi == r.xDpi) {
        size_t n = std::min(dots.size(), r.dotsRow.size());
        for (size_t i = 0; i < n; ++i) out[i] |= dots[i];
        return;
    }
    for (int64_t x = 0; x < r.width; ++x)
        if (RasterDot(dots, static_cast<size_t>(x * xDpi / r.xDpi)))
            out[x >> 3] = static_cast<uint8_t>(out[x >> 3] | 0x80 >> (x & 7));
}

// A composed row of inks of levels, red, green and blue pixels across; null when no ink is on.
// Each ink's level takes its share of the paper's light: cyan from red, magenta from green,
// yellow from blue, black from all three. One ink is black; three are cyan, magenta and
// yellow; four lead with black.
const uint8_t* inkLevelsRow(RasterJob& r, int k) {
    auto row = [&](size_t p) { return onRow(r, r.inkPlanes[p], k); };
    bool any = false;
    for (size_t p = 0; p < r.inkPlanes.size() && !any; ++p)
        any = row(p) && !allBytes(r.seeds[p].data(), r.seeds[p].size(), 0);
    if (!any) return nullptr;
    size_t inks = r.inks.size(), width = static_cast<size_t>(r.width);
    r.inkLevels.assign(inks * width, 0);
    for (size_t p = 0; p < r.inkPlanes.size(); ++p) {
        const std::vector<uint8_t>& bits = r.seeds[p];
        if (!row(p) || allBytes(bits.data(), bits.size(), 0)) continue;
        const RasterJob::InkPlane& plane = r.inkPlanes[p];
        int32_t xDpi = r.inks[static_cast<size_t>(plane.ink)].xDpi;
        uint8_t* level = r.inkLevels.data() + static_cast<size_t>(plane.ink) * width;
        for (size_t x = 0; x < width; ++x) {
            size_t from = xDpi == r.xDpi ? x : static_cast<size_t>(static_cast<int64_t>(x) * xDpi / r.xDpi);
            if (RasterDot(bits, from)) level[x] = static_cast<uint8_t>(level[x] | 1 << plane.bit);
        }
    }
    r.inkRow.assign(3 * width, 255);
    uint8_t* out = r.inkRow.data();
    for (size_t i = 0; i < inks; ++i) {
        // The light an ink's level leaves, out of 255.
        int levels = r.inks[i].levels;
        uint8_t light[256];
        for (int v = 0; v < 256; ++v)
            light[v] = static_cast<uint8_t>(255 - std::min(255, (255 * v + (levels - 1) / 2) / (levels - 1)));
        bool black = inks != 3 && i == 0;
        size_t channel = inks == 4 ? i - 1 : i;
        const uint8_t* level = r.inkLevels.data() + i * width;
        for (size_t x = 0; x < width; ++x) {
            if (level[x] == 0) continue;
            unsigned f = light[level[x]];
            for (size_t c = black ? 0 : channel; c < (black ? 3 : channel + 1); ++c)
                out[3 * x + c] = static_cast<uint8_t>((out[3 * x + c] * f + 127) / 255);
        }
    }
    return out;
}

// Room for a page's rows, so a band grows without being copied; pages it never uses are never
// touched.
void reserveRows(std::vector<uint8_t>& band, int64_t rowBytes, int32_t rowDpi) {
    int64_t rows = static_cast<int64_t>(Pcl().pageHeight()) * rowDpi / kPageUnitsPerInch + 1;
    band.reserve(static_cast<size_t>(std::min(rows * rowBytes, kMaxRasterBytes)));
}

// Appends a colour row (red, green, blue pixels of `pixels` across) as a DIB row at the
// composed resolution: blue, green, red.
void addColour(RasterJob& r, const uint8_t* colour, int64_t pixels) {
    size_t at = r.bandColour.size();
    r.bandColour.resize(at + static_cast<size_t>(r.rowLength), 255);
    uint8_t* out = r.bandColour.data() + at;
    if (!colour) return;
    for (int64_t x = 0; x < r.width; ++x) {
        int64_t from = pixels == r.width ? x : x * pixels / r.width;
        const uint8_t* c = colour + 3 * from;
        out[3 * x] = c[2], out[3 * x + 1] = c[1], out[3 * x + 2] = c[0];
    }
}
}  // namespace

bool ReadInkjetComponents(const uint8_t* d, int32_t count, std::vector<RasterComponent>& components) {
    // Format 6: the format, a byte, the number of components (two bytes), then per component
    // its horizontal and vertical resolution (two bytes each), its compression method, its
    // colour space (0 black, 1 RGB), its bits a pixel and its planes.
    if (count < 4) return false;
    int n = d[2] << 8 | d[3];
    if (n < 1 || n > 8 || count < 4 + 8 * n) return false;
    components.clear();
    for (int i = 0; i < n; ++i) {
        const uint8_t* c = d + 4 + 8 * i;
        RasterComponent k{c[0] << 8 | c[1], c[2] << 8 | c[3], 2, c[4], c[4] == 10};
        if (k.xDpi < 75 || k.xDpi > 2400 || k.yDpi < 75 || k.yDpi > 2400) return false;
        // Black dots come in one of the row methods; colour in the colour method.
        bool known = k.rgb || (c[6] == 1 && (k.method <= 3 || k.method == 9));
        if (!known) {
            ReportPclProblem("inkjet raster of bits " + std::to_string(c[6]) + " in method " +
                             std::to_string(k.method) + " is not drawn");
            return false;
        }
        components.push_back(k);
    }
    return true;
}

void ConfigureInkjetRows(RasterJob& r, const std::vector<RasterComponent>& inks) {
    r.layout = RasterLayout::InkjetBands;
    r.inks = inks;
    int32_t minY = 2400, maxY = 0, maxX = 0;
    for (const RasterComponent& k : inks)
        minY = std::min(minY, k.yDpi), maxY = std::max(maxY, k.yDpi), maxX = std::max(maxX, k.xDpi);
    // Rows come in groups at the coarsest vertical resolution, composed at the finest.
    r.groupRows = std::max(1, maxY / minY);
    r.rowDpi = maxY, r.xDpi = maxX;
    r.seeds.clear();
    r.inkPlanes.clear();
    for (size_t i = 0; i < inks.size(); ++i) {
        int64_t pixels = r.width * inks[i].xDpi / maxX;
        // Colour planes hold pixels of three bytes, white to begin with.
        auto bytes = static_cast<size_t>(inks[i].rgb ? 3 * pixels : (pixels + 7) / 8);
        int rows = std::max(1, inks[i].yDpi / minY);
        for (int row = 0; row < rows; ++row)
            for (int bit = 0; bit < inks[i].bits(); ++bit) {
                r.inkPlanes.push_back({static_cast<int>(i), row, bit, rows});
                r.seeds.emplace_back(bytes, inks[i].rgb ? 255 : 0);
                r.planeBytes = std::max(r.planeBytes, static_cast<int64_t>(bytes));
            }
    }
    r.planes = static_cast<int>(r.inkPlanes.size());
    r.bits = 24;
    r.rowLength = ((r.bits * r.width + 31) / 32) * 4;
    r.dotsLength = (r.width + 31) / 32 * 4;
    r.dotsRow.assign(static_cast<size_t>(r.dotsLength), 0);
    reserveRows(r.bandDots, r.dotsLength, r.rowDpi);
}

void ComposeInkjetRows(RasterJob& r) {
    // An image scaled to its place is painted whole, when its height is known; other images are
    // painted in bands, which leave out blank rows where white leaves the page as it is.
    const PclPageState& s = Pcl();
    bool bands = !s.rasterScaled, skipBlankRows = bands && !s.sourceOpaque;
    for (int k = 0; k < r.groupRows; ++k) {
        std::fill(r.dotsRow.begin(), r.dotsRow.end(), 0);
        const uint8_t* colour = nullptr;
        int64_t colourPixels = r.width;
        bool levels = r.inks.front().method < 0;
        if (levels) colour = inkLevelsRow(r, k);
        for (size_t p = 0; p < r.inkPlanes.size() && !levels; ++p) {
            const RasterJob::InkPlane& plane = r.inkPlanes[p];
            const RasterComponent& c = r.inks[static_cast<size_t>(plane.ink)];
            if (!onRow(r, plane, k)) continue;
            if (!c.rgb) {
                addDots(r, r.seeds[p], c.xDpi);
            } else if (!allBytes(r.seeds[p].data(), r.seeds[p].size(), 255)) {
                colour = r.seeds[p].data();
                colourPixels = static_cast<int64_t>(r.seeds[p].size() / 3);
            }
        }
        bool noDots = allBytes(r.dotsRow.data(), r.dotsRow.size(), 0);
        if (skipBlankRows && noDots && !colour) {
            PaintInkjetBand(r);
            ++r.rowCount;
            continue;
        }
        size_t rowBytes = static_cast<size_t>(r.dotsLength + (colour || r.bandInColour ? r.rowLength : 0));
        if (r.bandDots.size() + r.bandColour.size() + rowBytes > static_cast<size_t>(kMaxRasterBytes)) {
            if (!bands) return;  // the image holds no more
            PaintInkjetBand(r);
        }
        if (r.bandDots.empty()) r.bandFirst = r.rowCount;
        // The band takes colour from its first row with colour on.
        if (colour && !r.bandInColour) {
            r.bandInColour = true;
            reserveRows(r.bandColour, r.rowLength, r.rowDpi);
            r.bandColour.assign(
                r.bandDots.size() / static_cast<size_t>(r.dotsLength) * static_cast<size_t>(r.rowLength), 255);
        }
        r.bandDots.insert(r.bandDots.end(), r.dotsRow.begin(), r.dotsRow.end());
        if (r.bandInColour) addColour(r, colour, colourPixels);
        ++r.rowCount;
    }
}

void PaintInkjetBand(RasterJob& r) {
    int64_t rows = r.dotsLength > 0 ? static_cast<int64_t>(r.bandDots.size()) / r.dotsLength : 0;
    if (rows > 0 && !r.bandInColour) {
        PaintRasterRows(r, r.bandDots.data(), 1, r.bandFirst, rows);
    } else if (rows > 0) {
        // Black dots print over the colour.
        for (int64_t y = 0; y < rows; ++y) {
            const uint8_t* dots = r.bandDots.data() + y * r.dotsLength;
            uint8_t* out = r.bandColour.data() + y * r.rowLength;
            for (int64_t x = 0; x < r.width; ++x)
                if (dots[x >> 3] & (0x80 >> (x & 7))) std::memset(out + 3 * x, 0, 3);
        }
        PaintRasterRows(r, r.bandColour.data(), 24, r.bandFirst, rows);
    }
    r.bandDots.clear();
    r.bandColour.clear();
    r.bandInColour = false;
}
