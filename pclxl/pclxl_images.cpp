// Images and raster patterns: rows decoded from their compression, painted as
// one stretched bitmap per block, or kept as a pattern brush.
#include "pclxl_drawing.h"
#include "pclxl_handlers.h"
#include "pclxl_jpeg.h"
#include "pclxl_stream.h"

#include "job_problems.h"
#include "pattern_comment.h"

#include "raster_rows.h"

#include <algorithm>
#include <cstring>

namespace {
// Most bytes one decoded block may take; rows past it are dropped.
constexpr size_t kMaxBlockBytes = size_t{256} << 20;
// Pattern brushes tile in the pixels of the picture, which shows the page at 192 dpi, and
// say so, for pictures at other resolutions.
constexpr double kPatternDpi = 192;
constexpr int32_t kMaxPatternSide = 2048;

int bitsPerIndex(int32_t depth) { return depth == 0 ? 1 : depth == 1 ? 4 : 8; }

// Bits of one source pixel: an index, a grey level or three colour components.
int bitsPerPixel(const PclXlRaster& r) {
    int bits = bitsPerIndex(r.depth);
    return r.mapping == 0 && r.colorSpace == 2 ? 3 * bits : bits;
}

size_t rowBytes(const PclXlRaster& r) { return (static_cast<size_t>(r.width) * bitsPerPixel(r) + 7) / 8; }

void startRaster(bool pattern) {
    PclXlState& s = XlState();
    const PclXlAttributes& a = s.attr;
    PclXlRaster& r = s.raster;
    r = PclXlRaster{};
    r.pattern = pattern;
    r.width = a.sourceWidth, r.height = a.sourceHeight;
    r.depth = std::clamp(a.colorDepth, 0, 2);
    r.mapping = a.colorMapping == 1 ? 1 : 0;
    r.colorSpace = s.gs.colorSpace;
    r.palette = s.gs.palette;
    r.destination[0] = a.destinationSize[0], r.destination[1] = a.destinationSize[1];
    r.cursor[0] = s.cursor[0], r.cursor[1] = s.cursor[1];
    // An image of no pixels cannot be divided by: it draws nothing. Direct colour comes in whole bytes.
    r.open = r.width > 0 && r.height > 0 && r.width <= 65535 && r.height <= 65535 &&
        !(r.mapping == 0 && r.colorSpace == 2 && r.depth != 2);
    if (r.open) r.seed.assign(rowBytes(r), 0);
}

// The rows of one block, `row` bytes each, from its compressed data; a row
// the data do not complete is left out.
std::vector<uint8_t> decodeRows(PclXlRaster& r, const uint8_t* d, size_t n, int32_t rows, int32_t pad, int32_t mode) {
    PclXlState& s = XlState();
    size_t row = rowBytes(r), padded = (row + pad - 1) / pad * pad;
    size_t most = std::min<size_t>(static_cast<size_t>(rows), kMaxBlockBytes / std::max<size_t>(row, 1));
    std::vector<uint8_t> out;
    auto fromPadded = [&](const uint8_t* p, size_t length) {
        for (size_t y = 0; y < most && y * padded + row <= length; ++y)
            out.insert(out.end(), p + y * padded, p + y * padded + row);
    };
    if (mode == 0) {
        fromPadded(d, n);
    } else if (mode == 1) {
        // PackBits makes at most 128 bytes of every two it reads.
        std::vector<uint8_t> plain(std::min(most * padded, n / 2 * 128 + 128));
        plain.resize(UnpackBits(d, n, plain.data(), plain.size()));
        fromPadded(plain.data(), plain.size());
    } else if (mode == 3) {
        // Each row: its byte count, then delta commands against the row before.
        size_t at = 0;
        for (size_t y = 0; y < most && at + 2 <= n; ++y) {
            size_t length = s.binding == 1 ? d[at] | (d[at + 1] << 8) : (d[at] << 8) | d[at + 1];
            at += 2;
            length = std::min(length, n - at);
            DecodeDeltaRow(d + at, length, r.seed.data(), r.seed.size());
            at += length;
            out.insert(out.end(), r.seed.begin(), r.seed.end());
        }
    } else if (mode == 2) {
        // JPEG images are direct colour in bytes.
        if (r.depth != 2 || r.mapping != 0) {
            ReportJobProblem(s.pageCounter, "a JPEG image of other than direct 8-bit colour is left out");
            return out;
        }
        JpegImage jpeg;
        if (!DecodeJpeg(d, n, kMaxBlockBytes, jpeg)) {
            ReportJobProblem(s.pageCounter, "a JPEG image that cannot be decoded is left out");
            return out;
        }
        size_t pixel = jpeg.components;
        int want = r.colorSpace == 2 ? 3 : 1;
        for (int32_t y = 0; y < jpeg.height && static_cast<size_t>(y) < most; ++y) {
            const uint8_t* p = &jpeg.pixels[static_cast<size_t>(y) * jpeg.width * pixel];
            for (int32_t x = 0; x < r.width; ++x) {
                const uint8_t* q = p + std::min<int32_t>(x, jpeg.width - 1) * pixel;
                if (want == 3) out.insert(out.end(), {q[0], pixel == 3 ? q[1] : q[0], pixel == 3 ? q[2] : q[0]});
                else out.push_back(pixel == 3 ? static_cast<uint8_t>((q[0] * 77 + q[1] * 150 + q[2] * 29) >> 8) : q[0]);
            }
        }
    } else {
        // Drawing the bytes as they come would draw noise.
        ReportJobProblem(s.pageCounter,
                         "an image in an unknown compression (mode " + std::to_string(mode) + ") is left out");
    }
    if ((mode == 0 || mode == 1 || mode == 3) && out.size() < most * row)
        ReportJobProblem(s.pageCounter, "an image's data ends before its rows do");
    return out;
}

// The bitmap header and colour table for the rows of `r`.
struct ImageDib {
    BITMAPINFOHEADER header{};
    RGBQUAD colors[256]{};
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

ImageDib dibFor(const PclXlRaster& r, int32_t rows) {
    ImageDib d;
    d.header.biSize = sizeof(BITMAPINFOHEADER);
    d.header.biWidth = r.width;
    d.header.biHeight = -rows;
    d.header.biPlanes = 1;
    d.header.biCompression = BI_RGB;
    bool rgb = r.mapping == 0 && r.colorSpace == 2;
    if (rgb) {
        d.header.biBitCount = 24;
        return d;
    }
    int bits = bitsPerIndex(r.depth);
    d.header.biBitCount = static_cast<WORD>(bits);
    int n = 1 << bits;
    d.header.biClrUsed = static_cast<DWORD>(n);
    for (int i = 0; i < n; ++i) {
        uint8_t g;
        if (r.mapping == 1) {
            size_t k = r.colorSpace == 2 ? 3 : 1, at = static_cast<size_t>(i) * k;
            if (at + k <= r.palette.size()) {
                uint8_t red = r.palette[at], green = r.palette[at + k / 3], blue = r.palette[at + 2 * (k / 3)];
                d.colors[i] = {blue, green, red, 0};
                continue;
            }
            g = 0;
        } else if (bits == 1) {
            g = i ? 255 : 0;
        } else if (bits == 4) {
            // Each bit of the nibble darkens by its weight: nibble 0 is white, 15 black.
            int sum = 0;
            for (int k = 0; k < 4; ++k) sum += ((i >> k) & 1) * 3 * (1 << (2 * k));
            g = static_cast<uint8_t>(255 - sum);
        } else {
            g = static_cast<uint8_t>(i);
        }
        d.colors[i] = {g, g, g, 0};
    }
    return d;
}

// Rows as the bitmap lays them out: padded to 4 bytes, colours as blue, green, red.
std::vector<uint8_t> dibRows(const PclXlRaster& r, const std::vector<uint8_t>& rows, int32_t count) {
    size_t row = rowBytes(r), stride = (row + 3) / 4 * 4;
    std::vector<uint8_t> out(stride * static_cast<size_t>(count));
    bool rgb = r.mapping == 0 && r.colorSpace == 2;
    for (int32_t y = 0; y < count; ++y) {
        const uint8_t* src = &rows[static_cast<size_t>(y) * row];
        uint8_t* dst = &out[static_cast<size_t>(y) * stride];
        if (rgb)
            for (size_t x = 0; x + 2 < row; x += 3) dst[x] = src[x + 2], dst[x + 1] = src[x + 1], dst[x + 2] = src[x];
        else std::memcpy(dst, src, row);
    }
    return out;
}

int32_t padMultiple() {
    PclXlState& s = XlState();
    if (!XlGiven(xla::PadBytesMultiple)) s.attr.padBytesMultiple = 4;
    return std::max(s.attr.padBytesMultiple, 1);
}

int32_t blockRows(const PclXlRaster& r, int32_t start) {
    const PclXlAttributes& a = XlState().attr;
    int32_t left = r.height - start;
    return a.blockHeight > 0 ? std::min(a.blockHeight, left) : left;
}

void paintBlock(PclXlRaster& r, int32_t start, const std::vector<uint8_t>& rows, int32_t count) {
    PclXlState& s = XlState();
    if (!s.dc || count <= 0) return;
    // The block covers its share of the destination box, from the image's top-left corner.
    int64_t x0 = r.cursor[0], x1 = r.cursor[0] + int64_t{r.destination[0]};
    int64_t y0 = r.cursor[1] + int64_t{start} * r.destination[1] / r.height;
    int64_t y1 = r.cursor[1] + int64_t{start + count} * r.destination[1] / r.height;
    auto logical = [](double v) { return static_cast<int>(std::trunc(std::clamp(v, -1e8, 1e8))); };
    int X0 = logical(x0 * s.sx), X1 = logical(x1 * s.sx), Y0 = logical(y0 * s.sy), Y1 = logical(y1 * s.sy);
    if (X0 == X1 || Y0 == Y1) return;
    ImageDib dib = dibFor(r, count);
    std::vector<uint8_t> bits = dibRows(r, rows, count);
    XlSelectObjects();
    SetStretchBltMode(s.dc, COLORONCOLOR);
    StretchDIBits(s.dc, X0, -Y0, X1 - X0, -(Y1 - Y0), 0, 0, r.width, count, bits.data(), dib.info(), DIB_RGB_COLORS,
                  XlImageRop(bitsPerPixel(r) == 1));
}

// Fills the pattern's picture with the rows of one block.
void storePatternRows(PclXlRaster& r, int32_t start, const std::vector<uint8_t>& rows, int32_t count) {
    PclXlState& s = XlState();
    if (r.width > kMaxPatternSide || r.height > kMaxPatternSide) return;
    PclXlPattern& p = s.patterns[s.attr.patternDefineId];
    if (p.width != r.width || p.height != r.height) {
        p = PclXlPattern{};
        p.width = r.width, p.height = r.height;
        p.pixels.assign(static_cast<size_t>(r.width) * r.height, 0xFFFFFF);
    }
    p.destination[0] = r.destination[0], p.destination[1] = r.destination[1];
    ImageDib dib = dibFor(r, 1);
    size_t row = rowBytes(r);
    int bpp = bitsPerPixel(r);
    for (int32_t y = 0; y < count && start + y < r.height; ++y) {
        const uint8_t* src = &rows[static_cast<size_t>(y) * row];
        uint32_t* dst = &p.pixels[static_cast<size_t>(start + y) * r.width];
        for (int32_t x = 0; x < r.width; ++x) {
            if (bpp == 24) {
                const uint8_t* q = src + 3 * x;
                dst[x] = (uint32_t{q[0]} << 16) | (uint32_t{q[1]} << 8) | q[2];
                continue;
            }
            int bits = bpp, per = 8 / bits;
            int index = (src[x / per] >> (8 - bits * (x % per + 1))) & ((1 << bits) - 1);
            const RGBQUAD& c = dib.colors[index];
            dst[x] = (uint32_t{c.rgbRed} << 16) | (uint32_t{c.rgbGreen} << 8) | c.rgbBlue;
        }
    }
}

void readBlock(bool pattern) {
    PclXlState& s = XlState();
    XlReadOperatorData();
    int32_t pad = padMultiple();
    PclXlRaster& r = s.raster;
    if (!r.open || r.pattern != pattern) startRaster(pattern);
    if (!r.open) return;
    int32_t start = std::max(s.attr.startLine, 0);
    if (start >= r.height) return;
    int32_t rows = blockRows(r, start);
    std::vector<uint8_t> decoded = decodeRows(r, s.embedded, s.embeddedSize, rows, pad, s.attr.compressMode);
    int32_t count = static_cast<int32_t>(decoded.size() / std::max<size_t>(rowBytes(r), 1));
    if (pattern) storePatternRows(r, start, decoded, count);
    else paintBlock(r, start, decoded, count);
}
}  // namespace

void XlBeginImage() { startRaster(false); }
void XlReadImage() { readBlock(false); }
void XlEndImage() { XlState().raster = PclXlRaster{}; }

void XlBeginRastPattern() {
    startRaster(true);
    XlState().patterns.erase(XlState().attr.patternDefineId);
}
void XlReadRastPattern() { readBlock(true); }

void XlEndRastPattern() {
    PclXlState& s = XlState();
    auto it = s.patterns.find(s.attr.patternDefineId);
    s.raster = PclXlRaster{};
    if (it == s.patterns.end()) return;
    PclXlPattern& p = it->second;
    // The tile at its destination size in the picture's pixels.
    double inch = XlUserUnitsPerInch(0);
    int32_t w = p.width, h = p.height;
    if (inch > 0 && p.destination[0] > 0 && p.destination[1] > 0) {
        w = static_cast<int32_t>(std::lround(p.destination[0] / inch * kPatternDpi));
        h = static_cast<int32_t>(std::lround(p.destination[1] / inch * kPatternDpi));
    }
    w = std::clamp(w, 1, kMaxPatternSide), h = std::clamp(h, 1, kMaxPatternSide);
    p.dib.assign(sizeof(BITMAPINFOHEADER) + static_cast<size_t>(w) * h * 4, 0);
    BITMAPINFOHEADER bh{};
    bh.biSize = sizeof bh;
    bh.biWidth = w;
    bh.biHeight = -h;
    bh.biPlanes = 1;
    bh.biBitCount = 32;
    bh.biCompression = BI_RGB;
    bh.biXPelsPerMeter = bh.biYPelsPerMeter = PixelsPerMetre(kPatternDpi);
    std::memcpy(p.dib.data(), &bh, sizeof bh);
    uint32_t* px = reinterpret_cast<uint32_t*>(p.dib.data() + sizeof bh);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            px[static_cast<size_t>(y) * w + x] = p.pixels[static_cast<size_t>(y * int64_t{p.height} / h) * p.width +
                                                          static_cast<size_t>(x * int64_t{p.width} / w)];
    p.pixels.clear();
    p.pixels.shrink_to_fit();
    ++s.patternsDefined;
}
