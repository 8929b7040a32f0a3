// Bitmap calls: BitBlt and its relatives, DIB transfers, pixels.
#include "emf_recorder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gdi {
namespace {
// The pixels behind a source DC and the source rectangle in them.
bool sourceOf(HDC h, int sx, int sy, int sw, int sh, ImageRef& img, double rect[4]) {
    DC* src = LookUpDC(h);
    if (!src || src->kind != DcKind::Memory) return false;
    auto* bmp = LookUpAs<BitmapObj>(src->bitmap, Kind::Bitmap);
    if (!bmp) return false;
    if (src->surface) cairo_surface_flush(src->surface);
    img.width = bmp->width;
    img.height = bmp->height;
    img.px = bmp->bits;
    img.mono = bmp->mono;
    Matrix m = LogicalToDevice(*src);
    PointD a = m.apply(sx, sy), b = m.apply(sx + sw, sy + sh);
    rect[0] = a.x, rect[1] = a.y, rect[2] = b.x - a.x, rect[3] = b.y - a.y;
    return true;
}

// The part of an image that a source rectangle covers, for recording.
Image crop(const ImageRef& img, const double r[4], int& offX, int& offY) {
    int x0 = std::clamp(static_cast<int>(std::floor(std::min(r[0], r[0] + r[2]))), 0, img.width);
    int y0 = std::clamp(static_cast<int>(std::floor(std::min(r[1], r[1] + r[3]))), 0, img.height);
    int x1 = std::clamp(static_cast<int>(std::ceil(std::max(r[0], r[0] + r[2]))), 0, img.width);
    int y1 = std::clamp(static_cast<int>(std::ceil(std::max(r[1], r[1] + r[3]))), 0, img.height);
    Image out;
    out.mono = img.mono;
    out.width = std::max(1, x1 - x0);
    out.height = std::max(1, y1 - y0);
    out.px.assign(static_cast<size_t>(out.width) * out.height, 0xFFFFFF);
    for (int y = y0; y < y1; ++y)
        std::memcpy(&out.px[static_cast<size_t>(y - y0) * out.width], img.px + static_cast<size_t>(y) * img.width + x0,
                    static_cast<size_t>(x1 - x0) * 4);
    offX = x0;
    offY = y0;
    return out;
}

void extendQuad(DC& dc, double x, double y, double w, double h) {
    Path p;
    AddRectangle(p, LogicalToDevice(dc), x, y, x + w, y + h);
    dc.rec->extend(p, 0);
}

// BITBLT, STRETCHBLT and ALPHABLEND share one layout; the stretched forms add the source size.
void recordBlt(DC& dc, unsigned type, int x, int y, int w, int h, DWORD rop, const Image* img, int sx, int sy, int sw,
               int sh, bool keepAlpha) {
    {
        RecordWriter wr(*dc.rec, type);
        wr.box(x, y, w, h);
        wr.i32(x).i32(y).i32(w).i32(h).u32(rop).i32(sx).i32(sy);
        wr.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0);
        wr.u32(dc.st.bkColor).u32(DIB_RGB_COLORS).u32(0).u32(0).u32(0).u32(0);
        if (type != EMR_BITBLT) wr.i32(sw).i32(sh);
        if (img) RecordDib(wr, 84, *img, keepAlpha);
    }
    extendQuad(dc, x, y, w, h);
}

// Recorded blits carry the source pixels they read.
BOOL recordSourceBlt(DC& dc, unsigned type, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                     DWORD rop) {
    ImageRef img;
    double r[4];
    if (!sourceOf(src, sx, sy, sw, sh, img, r)) return FALSE;
    int ox, oy;
    Image part = crop(img, r, ox, oy);
    recordBlt(dc, type, x, y, w, h, rop, &part, static_cast<int>(std::lround(r[0])) - ox,
              static_cast<int>(std::lround(r[1])) - oy, static_cast<int>(std::lround(r[2])),
              static_cast<int>(std::lround(r[3])), type == EMR_ALPHABLEND);
    return TRUE;
}

bool ropUsesSource(DWORD rop) {
    uint8_t c = static_cast<uint8_t>(rop >> 16);
    return ((c >> 2) & 0x33) != (c & 0x33);
}
}  // namespace
}  // namespace gdi

using namespace gdi;

BOOL PatBlt(HDC h, int x, int y, int w, int hgt, DWORD rop) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (dc->rec) {
        recordBlt(*dc, EMR_BITBLT, x, y, w, hgt, rop, nullptr, 0, 0, 0, 0, false);
        return TRUE;
    }
    if (dc->kind == DcKind::Memory && !ropUsesSource(rop)) BlitImage(*dc, nullptr, 0, 0, 0, 0, x, y, w, hgt, rop);
    return TRUE;
}

BOOL StretchBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
    DC* dc = LookUpDC(dest);
    if (!dc) return FALSE;
    if (!ropUsesSource(rop)) return PatBlt(dest, x, y, w, h, rop);
    if (dc->rec) return recordSourceBlt(*dc, EMR_STRETCHBLT, x, y, w, h, src, sx, sy, sw, sh, rop);
    ImageRef img;
    double r[4];
    if (!sourceOf(src, sx, sy, sw, sh, img, r)) return FALSE;
    if (dc->kind == DcKind::Memory) BlitImage(*dc, &img, r[0], r[1], r[2], r[3], x, y, w, h, rop);
    return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    DC* dc = LookUpDC(dest);
    if (!dc) return FALSE;
    if (dc->rec && ropUsesSource(rop)) return recordSourceBlt(*dc, EMR_BITBLT, x, y, w, h, src, sx, sy, w, h, rop);
    return StretchBlt(dest, x, y, w, h, src, sx, sy, w, h, rop);
}

BOOL MaskBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, HBITMAP mask, int mx, int my, DWORD rop) {
    DC* dc = LookUpDC(dest);
    auto* m = LookUpAs<BitmapObj>(mask, Kind::Bitmap);
    if (!dc) return FALSE;
    if (!m) return BitBlt(dest, x, y, w, h, src, sx, sy, rop & 0xFFFFFF);
    ImageRef img, maskImg;
    maskImg.width = m->width, maskImg.height = m->height, maskImg.px = m->bits, maskImg.mono = true;
    double r[4] = {0, 0, 0, 0};
    bool haveSrc = sourceOf(src, sx, sy, w, h, img, r);
    if (dc->rec) {
        int ox = 0, oy = 0;
        Image part = haveSrc ? crop(img, r, ox, oy) : Image{};
        double mr[4] = {static_cast<double>(mx), static_cast<double>(my), static_cast<double>(w),
                        static_cast<double>(h)};
        int mox, moy;
        Image maskPart = crop(maskImg, mr, mox, moy);
        maskPart.mono = true;
        {
            RecordWriter wr(*dc->rec, EMR_MASKBLT);
            wr.box(x, y, w, h).i32(x).i32(y).i32(w).i32(h).u32(rop);
            wr.i32(haveSrc ? static_cast<int>(r[0]) - ox : 0).i32(haveSrc ? static_cast<int>(r[1]) - oy : 0);
            wr.f32(1).f32(0).f32(0).f32(1).f32(0).f32(0);
            wr.u32(dc->st.bkColor).u32(DIB_RGB_COLORS).u32(0).u32(0).u32(0).u32(0);
            wr.i32(mx - mox).i32(my - moy).u32(DIB_RGB_COLORS).u32(0).u32(0).u32(0).u32(0);
            if (haveSrc) RecordDib(wr, 84, part);
            RecordDib(wr, 112, maskPart);
        }
        extendQuad(*dc, x, y, w, h);
        return TRUE;
    }
    if (dc->kind == DcKind::Memory)
        BlitImage(*dc, haveSrc ? &img : nullptr, r[0], r[1], w, h, x, y, w, h, rop, &maskImg, mx, my);
    return TRUE;
}

BOOL AlphaBlend(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, BLENDFUNCTION bf) {
    DC* dc = LookUpDC(dest);
    if (!dc || sw <= 0 || sh <= 0) return FALSE;
    DWORD packed;
    std::memcpy(&packed, &bf, 4);
    if (dc->rec) return recordSourceBlt(*dc, EMR_ALPHABLEND, x, y, w, h, src, sx, sy, sw, sh, packed);
    ImageRef img;
    double r[4];
    if (!sourceOf(src, sx, sy, sw, sh, img, r)) return FALSE;
    if (dc->kind == DcKind::Memory) AlphaBlendImage(*dc, img, r[0], r[1], r[2], r[3], x, y, w, h, bf);
    return TRUE;
}

int StretchDIBits(HDC h, int x, int y, int w, int hgt, int sx, int sy, int sw, int sh, const void* bits,
                  const BITMAPINFO* bmi, UINT usage, DWORD rop) {
    DC* dc = LookUpDC(h);
    if (!dc || !bmi) return 0;
    size_t headerSize = DibHeaderAndColorsSize(bmi->bmiHeader, usage);
    uint64_t bitsSize = DibImageSize(bmi->bmiHeader);
    if (headerSize == 0 || (ropUsesSource(rop) && (bitsSize == 0 || bitsSize > 0x7FFFFFFF || !bits))) return 0;
    int lines = std::abs(bmi->bmiHeader.biHeight);
    if (dc->rec) {
        {
            RecordWriter wr(*dc->rec, EMR_STRETCHDIBITS);
            wr.box(x, y, w, hgt);
            wr.i32(x).i32(y).i32(sx).i32(sy).i32(sw).i32(sh);
            wr.u32(80).u32(static_cast<uint32_t>(headerSize)).u32(static_cast<uint32_t>(80 + headerSize));
            wr.u32(bits ? static_cast<uint32_t>(bitsSize) : 0).u32(usage).u32(rop).i32(w).i32(hgt);
            wr.raw(bmi, headerSize);
            if (bits) wr.raw(bits, static_cast<size_t>(bitsSize));
        }
        extendQuad(*dc, x, y, w, hgt);
        return lines;
    }
    if (dc->kind != DcKind::Memory) return lines;
    if (!ropUsesSource(rop)) {
        BlitImage(*dc, nullptr, 0, 0, 0, 0, x, y, w, hgt, rop);
        return lines;
    }
    Image img;
    auto* pal = LookUpAs<PaletteObj>(dc->st.palette, Kind::Palette);
    if (!DecodeDib(reinterpret_cast<const BYTE*>(bmi), headerSize, static_cast<const BYTE*>(bits),
                   static_cast<size_t>(bitsSize), usage, pal, img))
        return 0;
    // Source rows of a bottom-up DIB count from its bottom edge.
    double top = bmi->bmiHeader.biHeight > 0 ? img.height - sy - sh : sy;
    ImageRef ref(img);
    BlitImage(*dc, &ref, sx, top, sw, sh, x, y, w, hgt, rop);
    return lines;
}

int SetDIBitsToDevice(HDC h, int x, int y, DWORD w, DWORD hgt, int sx, int sy, UINT startScan, UINT lines,
                      const void* bits, const BITMAPINFO* bmi, UINT usage) {
    DC* dc = LookUpDC(h);
    if (!dc || !bmi || !bits || lines == 0 || w > 0x7FFFFFFF || hgt > 0x7FFFFFFF) return 0;
    size_t headerSize = DibHeaderAndColorsSize(bmi->bmiHeader, usage);
    if (headerSize == 0 || bmi->bmiHeader.biSize < 40 || bmi->bmiHeader.biCompression > BI_BITFIELDS ||
        bmi->bmiHeader.biCompression == BI_RLE8 || bmi->bmiHeader.biCompression == BI_RLE4)
        return 0;
    // The bits hold `lines` scans starting at `startScan`.
    std::vector<BYTE> info(reinterpret_cast<const BYTE*>(bmi), reinterpret_cast<const BYTE*>(bmi) + headerSize);
    auto* ih = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    bool bottomUp = ih->biHeight > 0;
    ih->biHeight = bottomUp ? static_cast<LONG>(lines) : -static_cast<LONG>(lines);
    uint64_t bitsSize = DibImageSize(*ih);
    if (bitsSize == 0 || bitsSize > 0x7FFFFFFF) return 0;
    if (dc->rec) {
        {
            RecordWriter wr(*dc->rec, EMR_SETDIBITSTODEVICE);
            wr.box(x, y, w, hgt);
            wr.i32(x).i32(y).i32(sx).i32(sy).u32(w).u32(hgt);
            wr.u32(76).u32(static_cast<uint32_t>(headerSize)).u32(static_cast<uint32_t>(76 + headerSize));
            wr.u32(static_cast<uint32_t>(bitsSize)).u32(usage).u32(startScan).u32(lines);
            wr.raw(bmi, headerSize).raw(bits, static_cast<size_t>(bitsSize));
        }
        extendQuad(*dc, x, y, w, hgt);
        return static_cast<int>(lines);
    }
    if (dc->kind != DcKind::Memory) return static_cast<int>(lines);
    Image img;
    auto* pal = LookUpAs<PaletteObj>(dc->st.palette, Kind::Palette);
    if (!DecodeDib(info.data(), info.size(), static_cast<const BYTE*>(bits), static_cast<size_t>(bitsSize), usage, pal,
                   img))
        return 0;
    double top = bottomUp ? static_cast<double>(lines) - (static_cast<double>(sy) - startScan) - hgt
                          : static_cast<double>(sy) - startScan;
    ImageRef ref(img);
    // Device-unit placement: one source pixel per device pixel, whatever the mapping.
    BlitImage(*dc, &ref, sx, top, w, hgt, x, y, w, hgt, SRCCOPY);
    return static_cast<int>(lines);
}

COLORREF SetPixel(HDC h, int x, int y, COLORREF color) {
    DC* dc = LookUpDC(h);
    if (!dc) return CLR_INVALID;
    color &= 0xFFFFFF;
    if (dc->rec) {
        RecordSimple(*dc, EMR_SETPIXELV, {static_cast<uint32_t>(x), static_cast<uint32_t>(y), color});
        extendQuad(*dc, x, y, 1, 1);
        return color;
    }
    if (!EnsureSurface(*dc)) return CLR_INVALID;
    PointD p = Transform(*dc, x, y);
    cairo_save(dc->cr);
    ApplyClip(*dc, dc->cr);
    SetSourceColor(dc->cr, color);
    cairo_rectangle(dc->cr, std::floor(p.x), std::floor(p.y), 1, 1);
    cairo_fill(dc->cr);
    cairo_restore(dc->cr);
    return color;
}

COLORREF GetPixel(HDC h, int x, int y) {
    DC* dc = LookUpDC(h);
    if (!dc || !EnsureSurface(*dc)) return CLR_INVALID;
    PointD p = Transform(*dc, x, y);
    auto* bmp = LookUpAs<BitmapObj>(dc->bitmap, Kind::Bitmap);
    long px = static_cast<long>(std::floor(p.x)), py = static_cast<long>(std::floor(p.y));
    if (!bmp || !bmp->bits || px < 0 || py < 0 || px >= bmp->width || py >= bmp->height) return CLR_INVALID;
    cairo_surface_flush(dc->surface);
    return PixelToColor(bmp->bits[static_cast<size_t>(py) * bmp->width + px] & 0xFFFFFF);
}
