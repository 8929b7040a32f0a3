#include "page_renderer.h"

#include "user.h"

#include <algorithm>
#include <cmath>

bool ReadPageHeader(HENHMETAFILE metafile, ENHMETAHEADER& header) {
    header = ENHMETAHEADER{};
    return metafile && GetEnhMetaFileHeader(metafile, sizeof header, &header) >= 88;
}

namespace {
// The picture's size in pixels for a size in hundredths of a millimetre, when it is at most
// `maxSide` a side and `maxBytes` of 32-bit pixels.
bool sizeWithin(int32_t dotsX, int32_t dotsY, int64_t hmmX, int64_t hmmY, int64_t maxSide, int64_t maxBytes,
                int32_t& width, int32_t& height) {
    constexpr int64_t kMaxHmm = 1000000000;  // ten kilometres
    if (dotsX <= 0 || dotsY <= 0 || hmmX <= 0 || hmmY <= 0 || hmmX > kMaxHmm || hmmY > kMaxHmm) return false;
    int64_t w = static_cast<int64_t>(static_cast<double>(int64_t{dotsX} * hmmX) / 2540);
    int64_t h = static_cast<int64_t>(static_cast<double>(int64_t{dotsY} * hmmY) / 2540);
    if (w < 1 || h < 1 || w > maxSide || h > maxSide || w * h * 4 > maxBytes) return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}
}  // namespace

bool PictureSize(int32_t dotsX, int32_t dotsY, int64_t hmmX, int64_t hmmY, int32_t& width, int32_t& height) {
    return sizeWithin(dotsX, dotsY, hmmX, hmmY, kMaxPictureSide, kMaxPictureBytes, width, height);
}

bool PictureOfFrame(const ENHMETAHEADER& header, int64_t& hmmX, int64_t& hmmY) {
    int64_t mx = header.szlMillimeters.cx, my = header.szlMillimeters.cy;
    int64_t fx = int64_t{header.rclFrame.right} - header.rclFrame.left;
    int64_t fy = int64_t{header.rclFrame.bottom} - header.rclFrame.top;
    if (fx <= 0 || fy <= 0 || mx <= 0 || my <= 0) return false;
    // A frame within a millimetre of the device is the page itself, to the hundredth: a Letter
    // page is 279.4 mm tall, where the device counts 279.
    if (std::llabs(fx - mx * 100) <= 100 && std::llabs(fy - my * 100) <= 100) {
        hmmX = fx, hmmY = fy;
        return true;
    }
    // Within 1 % it is the same page: the device's size counts in whole millimetres.
    double ratio = static_cast<double>(fx) * my / (static_cast<double>(fy) * mx);
    if (std::fabs(ratio - 1) <= 0.01) return false;
    hmmX = fx, hmmY = fy;
    return true;
}

namespace {
// The picture of a page's header within the limits given (see PagePictureSize).
bool pagePictureSizeWithin(const ENHMETAHEADER& header, int32_t dotsX, int32_t dotsY, int64_t maxSide, int64_t maxBytes,
                           int32_t& width, int32_t& height) {
    auto fits = [&](int64_t hmmX, int64_t hmmY) {
        return sizeWithin(dotsX, dotsY, hmmX, hmmY, maxSide, maxBytes, width, height);
    };
    if (!fits(int64_t{header.szlMillimeters.cx} * 100, int64_t{header.szlMillimeters.cy} * 100)) return false;
    // The frame where it is the page itself or has other proportions. One too large for a
    // picture keeps its proportions at the device's size, its longer side the device's.
    int64_t frameX = 0, frameY = 0;
    if (PictureOfFrame(header, frameX, frameY) && !fits(frameX, frameY)) {
        double k = std::max(header.szlMillimeters.cx, header.szlMillimeters.cy) * 100.0 / std::max(frameX, frameY);
        if (k < 1) fits(std::max<int64_t>(std::llround(frameX * k), 1), std::max<int64_t>(std::llround(frameY * k), 1));
    }
    return true;
}
}  // namespace

bool PagePictureSize(const ENHMETAHEADER& header, int32_t dotsX, int32_t dotsY, int32_t& width, int32_t& height) {
    return pagePictureSizeWithin(header, dotsX, dotsY, kMaxPictureSide, kMaxPictureBytes, width, height);
}

void ReleaseRenderedPage(RenderedPage& page) {
    // The bitmap leaves the DC with the DC, then goes itself.
    if (page.memoryDC) DeleteDC(page.memoryDC);
    if (page.bitmap) DeleteObject(page.bitmap);
    if (page.metafile) DeleteEnhMetaFile(page.metafile);
    page = RenderedPage{};
}

namespace {
// The picture's dots per inch each way: `dotsPerInch`, else twice the screen's.
void pictureResolution(HDC screen, int32_t dotsPerInch, int32_t& dpiX, int32_t& dpiY) {
    dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) * 2 : 0;
    dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) * 2 : 0;
    if (dotsPerInch > 0) dpiX = dpiY = dotsPerInch;
}

// Plays a page onto the white bitmap a picture holds: rows [top, top + page.height) of a
// picture `height` rows tall.
void playInto(RenderedPage& page, HENHMETAFILE metafile, int32_t top, int32_t height) {
    RECT area{0, 0, page.width, page.height};
    FillRect(page.memoryDC, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    // Images reduced to the picture are averaged, as the page looks from afar, rather than
    // ANDed (GDI's default), which darkens printers' shading patterns.
    SetStretchBltMode(page.memoryDC, HALFTONE);
    SetBrushOrgEx(page.memoryDC, 0, 0, nullptr);
    RECT whole{0, -top, page.width, height - top};
    PlayEnhMetaFile(page.memoryDC, metafile, &whole);
    GdiFlush();  // the pixels are read straight from the bitmap's memory
}

// A top-down 32-bit bitmap of the size given, selected into a memory DC of its own.
bool makeBitmap(HDC screen, int32_t width, int32_t height, RenderedPage& page) {
    page.memoryDC = CreateCompatibleDC(screen);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    page.bitmap = page.memoryDC ? CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    page.pixels = static_cast<uint8_t*>(bits);
    return page.bitmap && page.pixels && SelectObject(page.memoryDC, page.bitmap);
}
}  // namespace

bool PageFilePictureSize(const char* path, int32_t& width, int32_t& height) {
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    int32_t dpiX, dpiY;
    pictureResolution(screen, 0, dpiX, dpiY);
    if (screen) DeleteDC(screen);
    HENHMETAFILE metafile = path ? GetEnhMetaFileA(path) : nullptr;
    ENHMETAHEADER header{};
    bool ok = ReadPageHeader(metafile, header) && PagePictureSize(header, dpiX, dpiY, width, height);
    if (metafile) DeleteEnhMetaFile(metafile);
    return ok;
}

bool FitPictureInBox(const char* path, int32_t boxWidth, int32_t boxHeight, int32_t& width, int32_t& height) {
    int32_t w = 0, h = 0;
    if (boxWidth < 1 || boxHeight < 1 || !PageFilePictureSize(path, w, h)) return false;
    double k = std::min(static_cast<double>(boxWidth) / w, static_cast<double>(boxHeight) / h);
    width = std::clamp(static_cast<int32_t>(std::lround(w * k)), 1, boxWidth);
    height = std::clamp(static_cast<int32_t>(std::lround(h * k)), 1, boxHeight);
    return true;
}

bool RenderPageMetafile(const char* path, RenderedPage& page, int32_t dotsPerInch, int32_t askedWidth,
                        int32_t askedHeight) {
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HENHMETAFILE metafile = path && screen ? GetEnhMetaFileA(path) : nullptr;
    ENHMETAHEADER header{};
    int32_t width = 0, height = 0;
    int32_t dpiX, dpiY;
    pictureResolution(screen, dotsPerInch, dpiX, dpiY);
    bool ok = ReadPageHeader(metafile, header) && PagePictureSize(header, dpiX, dpiY, width, height);
    if (ok && askedWidth > 0 && askedHeight > 0) {
        ok = askedWidth <= kMaxPictureSide && askedHeight <= kMaxPictureSide &&
            int64_t{askedWidth} * askedHeight * 4 <= kMaxPictureBytes;
        width = askedWidth, height = askedHeight;
    }
    // A picture of the size of the one held keeps its bitmap, painted white again: pages of
    // a job are pictured without a fresh allocation each.
    if (ok && page.bitmap && page.width == width && page.height == height) {
        if (page.metafile) DeleteEnhMetaFile(page.metafile);
        page.metafile = nullptr;
    } else {
        ReleaseRenderedPage(page);
        ok = ok && makeBitmap(screen, width, height, page);
    }
    page.resolution = dotsPerInch > 0 ? dotsPerInch : dpiX / 2;
    if (screen) DeleteDC(screen);
    if (!ok) {
        if (metafile) DeleteEnhMetaFile(metafile);
        ReleaseRenderedPage(page);
        return false;
    }
    page.metafile = metafile;
    page.header = header;
    page.width = width;
    page.height = height;
    page.bytesPerPixel = 32 / 8;
    playInto(page, metafile, 0, height);
    return true;
}

bool BandedPictureSize(const char* path, int32_t dotsPerInch, int32_t& width, int32_t& height) {
    HENHMETAFILE metafile = path ? GetEnhMetaFileA(path) : nullptr;
    ENHMETAHEADER header{};
    // The page as one picture would show it, at any size bands of rows can hold.
    constexpr int64_t kAnyBytes = kMaxBandedPictureSide * kMaxBandedPictureSide * 4;
    bool ok = ReadPageHeader(metafile, header) &&
        pagePictureSizeWithin(header, dotsPerInch, dotsPerInch, kMaxBandedPictureSide, kAnyBytes, width, height) &&
        int64_t{width} * 4 <= kMaxBandBytes;
    if (metafile) DeleteEnhMetaFile(metafile);
    return ok;
}

bool RenderPageBand(const char* path, RenderedPage& band, int32_t dotsPerInch, int32_t top, int32_t rows) {
    int32_t width = 0, height = 0;
    if (!BandedPictureSize(path, dotsPerInch, width, height) || top < 0 || rows < 1 || top > height - rows ||
        int64_t{width} * rows * 4 > kMaxBandBytes)
        return false;
    HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (band.bitmap && (band.width != width || band.height != rows)) ReleaseRenderedPage(band);
    bool ok = band.bitmap || makeBitmap(screen, width, rows, band);
    if (screen) DeleteDC(screen);
    band.width = width, band.height = rows, band.bytesPerPixel = 4;
    HENHMETAFILE metafile = ok ? GetEnhMetaFileA(path) : nullptr;
    ok = ok && metafile;
    if (!ok) {
        if (metafile) DeleteEnhMetaFile(metafile);
        ReleaseRenderedPage(band);
        return false;
    }
    playInto(band, metafile, top, height);
    DeleteEnhMetaFile(metafile);
    band.resolution = dotsPerInch;
    return true;
}
