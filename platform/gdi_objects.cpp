// The GDI object table: pens, brushes, fonts, bitmaps, regions and palettes.
#include "emf_recorder.h"
#include "kernel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include <sys/mman.h>

namespace gdi {
namespace {
HandleTable<Object>& table() {
    static HandleTable<Object> t;
    return t;
}

void copyFaceName(WCHAR* dst, const char* src) {
    size_t i = 0;
    for (; src[i] && i + 1 < LF_FACESIZE; ++i) dst[i] = static_cast<unsigned char>(src[i]);
    dst[i] = 0;
}

HGDIOBJ makeStock(int index) {
    std::unique_ptr<Object> obj;
    auto brush = [](COLORREF c, UINT style) {
        auto b = std::make_unique<BrushObj>();
        b->color = c;
        b->style = style;
        return b;
    };
    auto pen = [](COLORREF c, int style) {
        auto p = std::make_unique<PenObj>();
        p->color = c;
        p->style = static_cast<DWORD>(style);
        return p;
    };
    auto font = [](const char* face, int height, BYTE pitch) {
        auto f = std::make_unique<FontObj>();
        f->lf.lfHeight = height;
        f->lf.lfWeight = FW_NORMAL;
        f->lf.lfPitchAndFamily = pitch;
        copyFaceName(f->lf.lfFaceName, face);
        return f;
    };
    switch (index) {
    case WHITE_BRUSH: obj = brush(0xFFFFFF, BS_SOLID); break;
    case LTGRAY_BRUSH: obj = brush(0xC0C0C0, BS_SOLID); break;
    case GRAY_BRUSH: obj = brush(0x808080, BS_SOLID); break;
    case DKGRAY_BRUSH: obj = brush(0x404040, BS_SOLID); break;
    case BLACK_BRUSH: obj = brush(0, BS_SOLID); break;
    case NULL_BRUSH: obj = brush(0, BS_NULL); break;
    case DC_BRUSH: obj = brush(0xFFFFFF, BS_SOLID); break;
    case WHITE_PEN: obj = pen(0xFFFFFF, PS_SOLID); break;
    case BLACK_PEN: obj = pen(0, PS_SOLID); break;
    case NULL_PEN: obj = pen(0, PS_NULL); break;
    case DC_PEN: obj = pen(0, PS_SOLID); break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: obj = font("Courier New", 16, FIXED_PITCH | FF_MODERN); break;
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case DEFAULT_GUI_FONT: obj = font("Arial", 16, VARIABLE_PITCH | FF_SWISS); break;
    case DEFAULT_PALETTE: {
        auto p = std::make_unique<PaletteObj>();
        static const BYTE base[20][3] = {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                                         {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                                         {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                                         {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                                         {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
        for (auto& c : base) p->entries.push_back({c[0], c[1], c[2], 0});
        obj = std::move(p);
        break;
    }
    default: return nullptr;
    }
    obj->stockIndex = index;
    return Register(std::move(obj));
}
}  // namespace

Object* LookUp(HGDIOBJ h) { return h ? table().Find(h) : nullptr; }

HGDIOBJ Register(std::unique_ptr<Object> obj) { return table().Add(std::move(obj)); }

std::shared_ptr<Image> ImageFromBitmap(const BitmapObj& bmp) {
    auto img = std::make_shared<Image>();
    img->width = bmp.width;
    img->height = bmp.height;
    img->mono = bmp.mono;
    img->px.assign(bmp.bits, bmp.bits + static_cast<size_t>(bmp.width) * bmp.height);
    return img;
}

// Page-sized pixels given back, kept for the next bitmap of their size: a viewer shows page
// after page, and memory faulted in once is cheaper to clear than fresh memory to fault in.
// Set up before any code runs and never destroyed, as bitmaps may be freed late in an exit;
// the library's finaliser returns the memory kept.
namespace {
struct ReleasedPixels {
    static constexpr size_t kKept = 2;
    std::mutex lock;
    std::pair<void*, size_t> areas[kKept] = {};
    size_t count = 0;
};
static_assert(std::is_trivially_destructible_v<ReleasedPixels>);
ReleasedPixels released;

__attribute__((destructor)) void returnReleasedPixels() {
    std::lock_guard<std::mutex> hold(released.lock);
    for (size_t i = 0; i < released.count; ++i) munmap(released.areas[i].first, released.areas[i].second);
    released.count = 0;
}
}  // namespace

void BitmapObj::Free::operator()(uint32_t* p) const {
    if (!mapped) {
        std::free(p);
        return;
    }
    {
        std::lock_guard<std::mutex> hold(released.lock);
        if (released.count < ReleasedPixels::kKept) {
            released.areas[released.count++] = {p, mapped};
            return;
        }
    }
    munmap(p, mapped);
}

// Zeroed pixels. A page-sized bitmap is mapped on its own in huge pages, where the system has
// them: its first touch then faults a few times rather than thousands.
static std::unique_ptr<uint32_t, BitmapObj::Free> allocatePixels(size_t count) {
    constexpr size_t kHuge = size_t{2} << 20, kMappedFrom = size_t{4} << 20;
    size_t bytes = count * sizeof(uint32_t);
    if (bytes < kMappedFrom)
        return std::unique_ptr<uint32_t, BitmapObj::Free>(static_cast<uint32_t*>(std::calloc(count, sizeof(uint32_t))));
    size_t mapped = (bytes + kHuge - 1) / kHuge * kHuge;
    {
        std::lock_guard<std::mutex> hold(released.lock);
        for (size_t i = 0; i < released.count; ++i)
            if (released.areas[i].second == mapped) {
                auto* pixels = static_cast<uint32_t*>(released.areas[i].first);
                released.areas[i] = released.areas[--released.count];
                std::memset(pixels, 0, bytes);
                return std::unique_ptr<uint32_t, BitmapObj::Free>(pixels, BitmapObj::Free{mapped});
            }
    }
    void* area = mmap(nullptr, mapped + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return nullptr;
    // Aligned to a huge page, the rest given back.
    auto start = reinterpret_cast<uintptr_t>(area), aligned = (start + kHuge - 1) / kHuge * kHuge;
    if (aligned > start) munmap(area, aligned - start);
    if (start + kHuge > aligned) munmap(reinterpret_cast<void*>(aligned + mapped), start + kHuge - aligned);
    madvise(reinterpret_cast<void*>(aligned), mapped, MADV_HUGEPAGE);
    return std::unique_ptr<uint32_t, BitmapObj::Free>(reinterpret_cast<uint32_t*>(aligned), BitmapObj::Free{mapped});
}

static HBITMAP newBitmap(int width, int height, bool mono) {
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        static_cast<uint64_t>(width) * height > kMaxBitmapPixels)
        return nullptr;
    auto b = std::make_unique<BitmapObj>();
    b->width = width;
    b->height = height;
    b->mono = mono;
    b->storage = allocatePixels(static_cast<size_t>(width) * height);
    if (!b->storage) return nullptr;
    b->bits = b->storage.get();
    return Register(std::move(b));
}

}  // namespace gdi

using namespace gdi;

HGDIOBJ GetStockObject(int index) {
    static std::mutex made;
    static std::unordered_map<int, HGDIOBJ> stock;
    std::lock_guard<std::mutex> lock(made);
    auto it = stock.find(index);
    if (it != stock.end()) return it->second;
    HGDIOBJ h = makeStock(index);
    if (h) stock[index] = h;
    return h;
}

int GetObjectType(HGDIOBJ h) {
    if (LookUpDC(h)) {
        DcKind k = LookUpDC(h)->kind;
        return k == DcKind::Memory ? OBJ_MEMDC : k == DcKind::Metafile ? OBJ_ENHMETADC : OBJ_DC;
    }
    Object* o = LookUp(h);
    if (!o) return 0;
    switch (o->kind) {
    case Kind::Pen: return static_cast<PenObj*>(o)->extended ? OBJ_EXTPEN : OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Region: return OBJ_REGION;
    case Kind::Palette: return OBJ_PAL;
    }
    return 0;
}

BOOL DeleteObject(HGDIOBJ h) {
    Object* o = LookUp(h);
    if (!o) return FALSE;
    if (o->stockIndex >= 0) return TRUE;
    if (o->kind == Kind::Bitmap && static_cast<BitmapObj*>(o)->selected) return FALSE;
    ForgetRecordedObject(o);
    table().Remove(o);
    return TRUE;
}

namespace {
// A packed DIB's picture: its header, its colours and its rows, one after the other.
std::shared_ptr<Image> imageOfPackedDib(const void* packed, UINT usage) {
    if (packed == nullptr) return nullptr;
    const auto* bytes = static_cast<const BYTE*>(packed);
    BITMAPINFOHEADER h;
    std::memcpy(&h, bytes, sizeof h);
    size_t headerSize = DibHeaderAndColorsSize(h);
    uint64_t imageSize = DibImageSize(h);
    if (headerSize == 0 || imageSize == 0) return nullptr;
    auto img = std::make_shared<Image>();
    if (!DecodeDib(bytes, headerSize, bytes + headerSize, imageSize, usage, nullptr, *img)) return nullptr;
    return img;
}
}  // namespace

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles) {
    if (brush == nullptr) return nullptr;
    auto p = std::make_unique<PenObj>();
    p->style = style;
    p->extended = true;
    p->width = (style & PS_TYPE_MASK) == PS_GEOMETRIC ? width : 0;
    p->color = brush->lbColor;
    p->brushStyle = brush->lbStyle;
    p->hatch = static_cast<ULONG>(brush->lbHatch);
    if (brush->lbStyle == BS_DIBPATTERNPT) {
        // Lines painted with a pattern, which tiles the page as a brush's does.
        p->pattern = imageOfPackedDib(reinterpret_cast<const void*>(brush->lbHatch), brush->lbColor);
        if (!p->pattern) return nullptr;
        p->color = 0;
        p->hatch = 0;
    } else if (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_HATCHED && brush->lbStyle != BS_NULL) {
        p->brushStyle = BS_SOLID;
    }
    if ((style & PS_STYLE_MASK) == PS_USERSTYLE) {
        if (styles == nullptr || styleCount == 0 || styleCount > 16) return nullptr;
        p->dashes.assign(styles, styles + styleCount);
    }
    if (brush->lbStyle == BS_NULL) p->style = (p->style & ~PS_STYLE_MASK) | PS_NULL;
    return Register(std::move(p));
}

HPEN CreatePen(int style, int width, COLORREF color) {
    auto p = std::make_unique<PenObj>();
    p->style = static_cast<DWORD>(style) & PS_STYLE_MASK;
    p->width = width < 0 ? -static_cast<double>(width) : width;
    p->color = color & 0xFFFFFF;
    // A wide pen of the old kind is geometric with round ends; only width 0 or 1 keeps dashes.
    if (p->width > 1 && p->styleKind() != PS_NULL && p->styleKind() != PS_INSIDEFRAME) p->style = PS_SOLID;
    if (p->width > 0) p->style |= PS_GEOMETRIC;
    return Register(std::move(p));
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
    return lp ? CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor) : nullptr;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto b = std::make_unique<BrushObj>();
    b->color = color & 0xFFFFFF;
    return Register(std::move(b));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    auto b = std::make_unique<BrushObj>();
    b->style = BS_HATCHED;
    b->color = color & 0xFFFFFF;
    b->hatch = static_cast<UINT>(std::clamp(hatch, 0, HS_DIAGCROSS));
    return Register(std::move(b));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    auto* bmp = LookUpAs<BitmapObj>(bitmap, Kind::Bitmap);
    if (!bmp) return nullptr;
    auto b = std::make_unique<BrushObj>();
    b->style = BS_PATTERN;
    b->pattern = ImageFromBitmap(*bmp);
    return Register(std::move(b));
}

HBRUSH CreateDIBPatternBrushPt(const void* packed, UINT usage) {
    std::shared_ptr<Image> img = imageOfPackedDib(packed, usage);
    if (!img) return nullptr;
    auto b = std::make_unique<BrushObj>();
    b->style = BS_DIBPATTERNPT;
    b->pattern = std::move(img);
    return Register(std::move(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
    if (!lb) return nullptr;
    switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_NULL: return GetStockObject(NULL_BRUSH);
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    case BS_DIBPATTERNPT: return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(lb->lbHatch), 0);
    default: return nullptr;
    }
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits) {
    if (planes != 1 || (bitCount != 1 && bitCount != 24 && bitCount != 32)) return nullptr;
    HBITMAP h = newBitmap(width, height, bitCount == 1);
    auto* b = LookUpAs<BitmapObj>(h, Kind::Bitmap);
    if (!b) return nullptr;
    const auto* src = static_cast<const BYTE*>(bits);
    // Rows of device-dependent bitmaps are padded to 16 bits.
    size_t stride = ((static_cast<size_t>(width) * bitCount + 15) / 16) * 2;
    for (int y = 0; y < height; ++y) {
        uint32_t* row = b->bits + static_cast<size_t>(y) * width;
        const BYTE* s = src ? src + y * stride : nullptr;
        for (int x = 0; x < width; ++x) {
            if (bitCount == 1) row[x] = (!s || (s[x >> 3] & (0x80 >> (x & 7)))) ? 0xFFFFFF : 0;
            else if (!s) row[x] = 0;
            else if (bitCount == 24) row[x] = s[x * 3] | (s[x * 3 + 1] << 8) | (s[x * 3 + 2] << 16);
            else row[x] = (s[x * 4] | (s[x * 4 + 1] << 8) | (s[x * 4 + 2] << 16));
        }
    }
    return h;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    DC* dc = LookUpDC(hdc);
    if (!dc) return nullptr;
    // A memory DC still holding its default bitmap is monochrome.
    bool mono = dc->kind == DcKind::Memory && dc->bitmap == dc->defaultBitmap;
    return newBitmap(width, height, mono);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* bmi, UINT, void** bits, HANDLE, DWORD) {
    if (bits) *bits = nullptr;
    if (bmi == nullptr || bmi->bmiHeader.biBitCount != 32 ||
        (bmi->bmiHeader.biCompression != BI_RGB && bmi->bmiHeader.biCompression != BI_BITFIELDS))
        return nullptr;
    LONG w = bmi->bmiHeader.biWidth, hgt = bmi->bmiHeader.biHeight;
    if (hgt == INT32_MIN) return nullptr;
    HBITMAP h = newBitmap(w, hgt < 0 ? -hgt : hgt, false);
    auto* b = LookUpAs<BitmapObj>(h, Kind::Bitmap);
    if (!b) return nullptr;
    if (bits) *bits = b->bits;
    return h;
}

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
    if (!lf) return nullptr;
    auto f = std::make_unique<FontObj>();
    f->lf = *lf;
    f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
    return Register(std::move(f));
}

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
    if (!lf) return nullptr;
    LOGFONTW w;
    std::memcpy(&w, lf, offsetof(LOGFONTA, lfFaceName));
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, lf->lfFaceName, LF_FACESIZE);
    WCHAR wide[LF_FACESIZE] = {};
    int n =
        MultiByteToWideChar(CP_ACP, 0, face, static_cast<int>(strnlen(face, LF_FACESIZE - 1)), wide, LF_FACESIZE - 1);
    std::memcpy(w.lfFaceName, wide, sizeof wide);
    w.lfFaceName[n < LF_FACESIZE ? n : LF_FACESIZE - 1] = 0;
    return CreateFontIndirectW(&w);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR face) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic != 0);
    lf.lfUnderline = static_cast<BYTE>(underline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}

HPALETTE CreatePalette(const LOGPALETTE* lp) {
    if (!lp || lp->palNumEntries == 0) return nullptr;
    auto p = std::make_unique<PaletteObj>();
    p->entries.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
    return Register(std::move(p));
}

HRGN CreateRectRgn(int l, int t, int r, int b) {
    auto rg = std::make_unique<RegionObj>();
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    if (l < r && t < b) rg->rects.push_back({l, t, r, b});
    return Register(std::move(rg));
}

HRGN CreateRectRgnIndirect(const RECT* r) { return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr; }

namespace {
// Rectangle sets are kept as disjoint bands so that unions and differences stay exact.
std::vector<RECT> subtract(const std::vector<RECT>& a, const RECT& cut) {
    std::vector<RECT> out;
    for (const RECT& r : a) {
        if (cut.right <= r.left || cut.left >= r.right || cut.bottom <= r.top || cut.top >= r.bottom) {
            out.push_back(r);
            continue;
        }
        if (cut.top > r.top) out.push_back({r.left, r.top, r.right, cut.top});
        if (cut.bottom < r.bottom) out.push_back({r.left, cut.bottom, r.right, r.bottom});
        LONG t = std::max(r.top, cut.top), b = std::min(r.bottom, cut.bottom);
        if (cut.left > r.left) out.push_back({r.left, t, cut.left, b});
        if (cut.right < r.right) out.push_back({cut.right, t, r.right, b});
    }
    return out;
}
std::vector<RECT> intersect(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    std::vector<RECT> out;
    for (const RECT& x : a)
        for (const RECT& y : b) {
            RECT r{std::max(x.left, y.left), std::max(x.top, y.top), std::min(x.right, y.right),
                   std::min(x.bottom, y.bottom)};
            if (r.left < r.right && r.top < r.bottom) out.push_back(r);
        }
    return out;
}
}  // namespace

int CombineRgn(HRGN dest, HRGN ha, HRGN hb, int mode) {
    auto* d = LookUpAs<RegionObj>(dest, Kind::Region);
    auto* a = LookUpAs<RegionObj>(ha, Kind::Region);
    auto* b = LookUpAs<RegionObj>(hb, Kind::Region);
    if (!d || !a || (mode != RGN_COPY && !b)) return ERROR;
    std::vector<RECT> out;
    switch (mode) {
    case RGN_COPY: out = a->rects; break;
    case RGN_AND: out = intersect(a->rects, b->rects); break;
    case RGN_OR:
        out = a->rects;
        for (const RECT& r : b->rects) {
            out = subtract(out, r);
        }
        out.insert(out.end(), b->rects.begin(), b->rects.end());
        break;
    case RGN_DIFF:
        out = a->rects;
        for (const RECT& r : b->rects) out = subtract(out, r);
        break;
    case RGN_XOR: {
        std::vector<RECT> ab = a->rects, ba = b->rects;
        for (const RECT& r : b->rects) ab = subtract(ab, r);
        for (const RECT& r : a->rects) ba = subtract(ba, r);
        out = ab;
        out.insert(out.end(), ba.begin(), ba.end());
        break;
    }
    default: return ERROR;
    }
    if (out.size() > 65536) return ERROR;
    d->rects = std::move(out);
    return d->rects.empty() ? NULLREGION : d->rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
