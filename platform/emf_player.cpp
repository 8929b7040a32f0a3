// Playback of enhanced metafiles onto a DC. Every record is read with its
// size checked against the file and every field against its record; a record
// that does not hold what it claims is skipped, the rest of the page plays.
#include "emf_file.h"
#include "emf_recorder.h"
#include "pattern_comment.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gdi {
int ClipToRegionRects(DC& dc, const std::vector<RECT>& rects, int mode);
}

namespace gdi {
namespace {
// The records that may come between an outline glyph's comment and the fill of its path:
// those that open, make and close the path, and those that choose how it is filled.
bool mayPrecedeGlyphFill(uint32_t type) {
    switch (type) {
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEDIBPATTERNBRUSHPT:
    case EMR_CREATEMONOBRUSH:
    case EMR_SETPOLYFILLMODE:
    case EMR_SETROP2:
    case EMR_SETMITERLIMIT:
    case EMR_SETBRUSHORGEX:
    case EMR_BEGINPATH:
    case EMR_ENDPATH:
    case EMR_CLOSEFIGURE:
    case EMR_MOVETOEX:
    case EMR_LINETO:
    case EMR_POLYLINETO:
    case EMR_POLYLINETO16:
    case EMR_POLYBEZIERTO:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYGON:
    case EMR_POLYGON16:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYGON16: return true;
    default: return false;
    }
}

constexpr size_t kMaxHandles = 65536;

struct Rec {
    const BYTE* p;
    size_t n;
    bool has(size_t off, size_t len) const { return off <= n && len <= n - off; }
    uint32_t u(size_t off) const {
        uint32_t v = 0;
        if (has(off, 4)) std::memcpy(&v, p + off, 4);
        return v;
    }
    int32_t i(size_t off) const { return static_cast<int32_t>(u(off)); }
    float f(size_t off) const {
        float v = 0;
        if (has(off, 4)) std::memcpy(&v, p + off, 4);
        return v;
    }
    uint16_t u16(size_t off) const {
        uint16_t v = 0;
        if (has(off, 2)) std::memcpy(&v, p + off, 2);
        return v;
    }
    RECT rect(size_t off) const { return {i(off), i(off + 4), i(off + 8), i(off + 12)}; }
};

class Player {
public:
    // `devicePixelsPerInch`: the destination's pixels per inch of the page.
    Player(HDC hdc, DC& dc, size_t handles, double devicePixelsPerInch)
        : hdc_(hdc),
          dc_(dc),
          devicePixelsPerInch_(devicePixelsPerInch),
          objects_(std::clamp<size_t>(handles, 1, kMaxHandles)) {
        if (dc_.document) std::swap(decoded_, documentImages());
    }
    ~Player() {
        for (HGDIOBJ o : objects_)
            if (o) DeleteObject(o);
        if (dc_.document) std::swap(decoded_, documentImages());
    }
    void play(const Rec& r, uint32_t type);

private:
    HDC hdc_;
    DC& dc_;
    double devicePixelsPerInch_;
    bool patternsAtOwnResolution_ = false;  // the page said so in a comment
    // Patterns laid at their own resolution, the last few: pages make the same brush anew for
    // each figure or run of text, and laying it costs far more than decoding it.
    struct LaidPattern {
        Image source;
        std::shared_ptr<Image> laid;
    };
    std::vector<LaidPattern> laidPatterns_;
    size_t nextLaid_ = 0;
    // The image of the last bitmap record, its buffer kept for the next: pages often hold
    // many large images, and fresh memory for each costs page faults.
    Image decoded_;
    // A document's images are decoded at their own size, a printer's raster page as large as
    // the page at 600 dpi: their buffer goes on from page to page of the thread's documents.
    static Image& documentImages() {
        static thread_local Image kept;
        return kept;
    }
    std::vector<HGDIOBJ> objects_;

    void store(uint32_t index, HGDIOBJ obj);
    void release(uint32_t index);
    HGDIOBJ object(uint32_t index);
    bool points(const Rec& r, size_t off, uint32_t count, bool small, std::vector<POINT>& out);
    void poly(const Rec& r, uint32_t type);
    void polyPoly(const Rec& r, uint32_t type);
    void polyDraw(const Rec& r, bool small);
    bool dib(const Rec& r, size_t offField, UINT usage, Image& out, bool forceMono = false, int shrink = 1);
    // A brush's or a pen's pattern, at the page's resolution where the page asked for it.
    std::shared_ptr<Image> pattern(const Rec& r, size_t offField, UINT usage, bool forceMono);
    void bitBlt(const Rec& r, uint32_t type);
    void stretchDib(const Rec& r);
    std::string documentStencilIdentity(const Rec& r, UINT usage, DWORD rop) const;
    bool bilevelRows(const Rec& r, std::string_view identity, DWORD rop, int x, int y, int w, int h);
    void setDibToDevice(const Rec& r);
    void text(const Rec& r, size_t emrText, bool wide);
    void smallText(const Rec& r);
    bool region(const Rec& r, size_t off, uint32_t size, std::vector<RECT>& out);
    void gradient(const Rec& r);
};

void Player::store(uint32_t index, HGDIOBJ obj) {
    if (index == 0 || index >= objects_.size()) {
        if (obj) DeleteObject(obj);
        return;
    }
    release(index);
    objects_[index] = obj;
}

void Player::release(uint32_t index) {
    if (index == 0 || index >= objects_.size() || !objects_[index]) return;
    HGDIOBJ o = objects_[index];
    // A selected object gives way to the default one before it goes.
    if (dc_.st.pen == o) dc_.st.pen = GetStockObject(BLACK_PEN);
    if (dc_.st.brush == o) dc_.st.brush = GetStockObject(WHITE_BRUSH);
    if (dc_.st.font == o) dc_.st.font = GetStockObject(SYSTEM_FONT);
    if (dc_.st.palette == o) dc_.st.palette = GetStockObject(DEFAULT_PALETTE);
    DeleteObject(o);
    objects_[index] = nullptr;
}

HGDIOBJ Player::object(uint32_t index) {
    if (index & kStockObjectFlag) return GetStockObject(static_cast<int>(index & 0x7FFFFFFF));
    return index < objects_.size() ? objects_[index] : nullptr;
}

bool Player::points(const Rec& r, size_t off, uint32_t count, bool small, std::vector<POINT>& out) {
    size_t each = small ? 4 : 8;
    if (count > kMaxPathOps || !r.has(off, static_cast<size_t>(count) * each)) return false;
    out.resize(count);
    for (uint32_t k = 0; k < count; ++k) {
        size_t at = off + k * each;
        out[k] = small ? POINT{static_cast<int16_t>(r.u16(at)), static_cast<int16_t>(r.u16(at + 2))}
                       : POINT{r.i(at), r.i(at + 4)};
    }
    return true;
}

void Player::poly(const Rec& r, uint32_t type) {
    bool small = type >= EMR_POLYBEZIER16;
    uint32_t base = small ? type - (EMR_POLYBEZIER16 - EMR_POLYBEZIER) : type;
    std::vector<POINT> pts;
    if (!points(r, 28, r.u(24), small, pts)) return;
    DWORD n = static_cast<DWORD>(pts.size());
    switch (base) {
    case EMR_POLYBEZIER: PolyBezier(hdc_, pts.data(), n); break;
    case EMR_POLYGON: Polygon(hdc_, pts.data(), static_cast<int>(n)); break;
    case EMR_POLYLINE: Polyline(hdc_, pts.data(), static_cast<int>(n)); break;
    case EMR_POLYBEZIERTO: PolyBezierTo(hdc_, pts.data(), n); break;
    case EMR_POLYLINETO: PolylineTo(hdc_, pts.data(), n); break;
    default: break;
    }
}

void Player::polyPoly(const Rec& r, uint32_t type) {
    bool small = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
    uint32_t polys = r.u(24), total = r.u(28);
    if (polys == 0 || polys > kMaxPathOps || !r.has(32, static_cast<size_t>(polys) * 4)) return;
    std::vector<DWORD> counts(polys);
    uint64_t sum = 0;
    for (uint32_t k = 0; k < polys; ++k) sum += counts[k] = r.u(32 + k * 4);
    if (sum != total) return;
    std::vector<POINT> pts;
    if (!points(r, 32 + static_cast<size_t>(polys) * 4, total, small, pts)) return;
    if (type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16) {
        std::vector<INT> c(counts.begin(), counts.end());
        PolyPolygon(hdc_, pts.data(), c.data(), static_cast<int>(polys));
    } else {
        PolyPolyline(hdc_, pts.data(), counts.data(), polys);
    }
}

void Player::polyDraw(const Rec& r, bool small) {
    uint32_t n = r.u(24);
    std::vector<POINT> pts;
    size_t each = small ? 4 : 8;
    if (!points(r, 28, n, small, pts) || !r.has(28 + static_cast<size_t>(n) * each, n)) return;
    PolyDraw(hdc_, pts.data(), r.p + 28 + static_cast<size_t>(n) * each, static_cast<int>(n));
}

std::shared_ptr<Image> Player::pattern(const Rec& r, size_t offField, UINT usage, bool forceMono) {
    auto img = std::make_shared<Image>();
    // A one-bit pattern without colours is monochrome, drawn in the text and background colours.
    if (!dib(r, offField, usage, *img, forceMono)) return nullptr;
    if (usage == DIB_PAL_INDICES && img->bilevel) img->mono = true;
    // A pattern at a resolution of its own keeps its size on the page.
    int32_t xRes = img->pixelsPerMetre[0], yRes = img->pixelsPerMetre[1];
    if (patternsAtOwnResolution_ && xRes > 0 && yRes > 0) {
        for (const LaidPattern& p : laidPatterns_)
            if (p.source.width == img->width && p.source.height == img->height && p.source.mono == img->mono &&
                p.source.pixelsPerMetre[0] == xRes && p.source.pixelsPerMetre[1] == yRes && p.source.px == img->px)
                return p.laid;
        constexpr size_t kKept = 16;
        double perMetre = devicePixelsPerInch_ / 0.0254;
        LaidPattern made{*img, std::make_shared<Image>(ResampledPattern(*img, perMetre / xRes, perMetre / yRes))};
        img = made.laid;
        if (laidPatterns_.size() < kKept) laidPatterns_.push_back(std::move(made));
        else laidPatterns_[nextLaid_++ % kKept] = std::move(made);
    }
    return img;
}

// The DIB whose offBmi, cbBmi, offBits and cbBits fields start at offField.
bool Player::dib(const Rec& r, size_t offField, UINT usage, Image& out, bool forceMono, int shrink) {
    uint32_t offBmi = r.u(offField), cbBmi = r.u(offField + 4), offBits = r.u(offField + 8),
             cbBits = r.u(offField + 12);
    if (cbBmi == 0 || !r.has(offBmi, cbBmi) || !r.has(offBits, cbBits)) return false;
    auto* pal = LookUpAs<PaletteObj>(dc_.st.palette, Kind::Palette);
    if (!DecodeDib(r.p + offBmi, cbBmi, r.p + offBits, cbBits, usage, pal, out, shrink)) return false;
    if (forceMono) out.mono = true;
    return true;
}

void Player::bitBlt(const Rec& r, uint32_t type) {
    int x = r.i(24), y = r.i(28), w = r.i(32), h = r.i(36);
    DWORD rop = r.u(40);
    double sx = r.i(44), sy = r.i(48);
    XFORM xf{r.f(52), r.f(56), r.f(60), r.f(64), r.f(68), r.f(72)};
    COLORREF bk = r.u(76);
    UINT usage = r.u(80);
    bool stretch = type != EMR_BITBLT && type != EMR_MASKBLT;
    double sw = stretch ? r.i(100) : w, sh = stretch ? r.i(104) : h;
    if (!dc_.rec && dc_.kind != DcKind::Memory) return;
    Image& img = decoded_;
    bool haveSrc = dib(r, 84, usage, img);
    if (type == EMR_ALPHABLEND) {
        if (!haveSrc) return;
        BLENDFUNCTION bf;
        std::memcpy(&bf, &rop, 4);
        AlphaBlendImage(dc_, ImageRef(img), sx, sy, sw, sh, x, y, w, h, bf);
        return;
    }
    if (!haveSrc) {
        if (r.u(88) == 0) BlitImage(dc_, nullptr, 0, 0, 0, 0, x, y, w, h, type == EMR_MASKBLT ? rop & 0xFFFFFF : rop);
        return;
    }
    // Source coordinates pass through the source transform when it only scales and moves.
    if (std::isfinite(xf.eM11) && std::isfinite(xf.eM22) && xf.eM12 == 0 && xf.eM21 == 0 && xf.eM11 != 0 &&
        xf.eM22 != 0) {
        sx = sx * xf.eM11 + xf.eDx;
        sy = sy * xf.eM22 + xf.eDy;
        sw *= xf.eM11;
        sh *= xf.eM22;
    }
    COLORREF oldBk = dc_.st.bkColor;
    dc_.st.bkColor = bk;  // a mono source takes the background colour it was recorded with
    ImageRef src(img);
    if (type == EMR_TRANSPARENTBLT) {
        // The colour in the rop field is see-through: build a mask from it.
        Image mask;
        mask.width = img.width, mask.height = img.height, mask.mono = true;
        mask.px.resize(img.px.size());
        uint32_t key = ColorToPixel(rop);
        for (size_t k = 0; k < img.px.size(); ++k) mask.px[k] = (img.px[k] & 0xFFFFFF) == key ? 0 : 0xFFFFFF;
        ImageRef m(mask);
        BlitImage(dc_, &src, sx, sy, sw, sh, x, y, w, h, 0xAACC0020u, &m, static_cast<int>(-sx), static_cast<int>(-sy));
    } else if (type == EMR_MASKBLT) {
        Image mask;
        if (dib(r, 112, r.u(108), mask, true)) {
            ImageRef m(mask);
            BlitImage(dc_, &src, sx, sy, sw, sh, x, y, w, h, rop, &m, r.i(100), r.i(104));
        } else {
            BlitImage(dc_, &src, sx, sy, sw, sh, x, y, w, h, rop & 0xFFFFFF);
        }
    } else {
        BlitImage(dc_, &src, sx, sy, sw, sh, x, y, w, h, rop);
    }
    dc_.st.bkColor = oldBk;
}

// The bytes of a record's DIB, when it may be a stencil on a document: its header and colours
// (at least a full info header, so its height is known) and its bits.
std::string Player::documentStencilIdentity(const Rec& r, UINT usage, DWORD rop) const {
    uint8_t fore = static_cast<uint8_t>(rop >> 16);
    if (!dc_.document || (fore != 0xB8 && fore != 0xE2) || usage != DIB_RGB_COLORS) return {};
    uint32_t offBmi = r.u(48), cbBmi = r.u(52), offBits = r.u(56), cbBits = r.u(60);
    if (cbBmi < 40 || !r.has(offBmi, cbBmi) || !r.has(offBits, cbBits) || r.u(offBmi) < 40) return {};
    std::string identity(reinterpret_cast<const char*>(&cbBmi), 4);
    identity.append(reinterpret_cast<const char*>(r.p + offBmi), cbBmi);
    identity.append(reinterpret_cast<const char*>(r.p + offBits), cbBits);
    return identity;
}

void Player::stretchDib(const Rec& r) {
    int x = r.i(24), y = r.i(28), sx = r.i(32), sy = r.i(36), sw = r.i(40), sh = r.i(44);
    UINT usage = r.u(64);
    DWORD rop = r.u(68);
    int w = r.i(72), h = r.i(76);
    if (dc_.kind != DcKind::Memory) return;
    // Glyphs in a document: an image seen before is drawn without decoding it again.
    std::string identity = documentStencilIdentity(r, usage, rop);
    uint32_t offBmi = r.u(48);
    if (!identity.empty()) {
        int height = r.i(offBmi + 8);
        double top = height > 0 ? static_cast<double>(height) - sy - sh : sy;
        if (BlitStencil(dc_, nullptr, identity, sx, top, sw, sh, x, y, w, h, rop)) return;
    }
    Image& img = decoded_;
    // Only a whole image drawn small is reduced while decoding.
    int fullW = r.has(offBmi, 12) ? r.i(offBmi + 4) : 0, fullH = r.has(offBmi, 12) ? std::abs(r.i(offBmi + 8)) : 0;
    int shrink = sx == 0 && sy == 0 && sw == fullW && sh == fullH ? ShrinkFactor(dc_, w, h, sw, sh) : 1;
    // A printer's page of 1-bit dots: a stencil in a document, a mask on a picture, made from
    // its own rows.
    if (usage == DIB_RGB_COLORS && (dc_.document || shrink == 1) && bilevelRows(r, identity, rop, x, y, w, h)) return;
    if (!dib(r, 48, usage, img, false, shrink)) {
        if (r.u(52) == 0) BlitImage(dc_, nullptr, 0, 0, 0, 0, x, y, w, h, rop);
        return;
    }
    bool bottomUp =
        r.has(offBmi, 12) && (r.u(offBmi) == 12 ? static_cast<int16_t>(r.u16(offBmi + 6)) > 0 : r.i(offBmi + 8) > 0);
    ImageRef src(img);
    src.identity = identity;
    if (shrink > 1) {
        BlitImage(dc_, &src, 0, 0, static_cast<double>(sw) / shrink, static_cast<double>(sh) / shrink, x, y, w, h, rop);
        return;
    }
    double top = bottomUp ? static_cast<double>(img.height) - sy - sh : sy;
    BlitImage(dc_, &src, sx, top, sw, sh, x, y, w, h, rop);
}

bool Player::bilevelRows(const Rec& r, std::string_view identity, DWORD rop, int x, int y, int w, int h) {
    uint32_t offBmi = r.u(48), cbBmi = r.u(52), offBits = r.u(56), cbBits = r.u(60);
    if (cbBmi < 48 || !r.has(offBmi, cbBmi)) return false;
    uint32_t hsize = r.u(offBmi), clrUsed = r.u(offBmi + 32);
    int32_t width = r.i(offBmi + 4), height = r.i(offBmi + 8);
    if (hsize < 40 || hsize > cbBmi - 8 || r.u16(offBmi + 14) != 1 || r.u(offBmi + 16) != BI_RGB || clrUsed > 2 ||
        width <= 0 || width > kMaxBitmapSide || height == 0 || height < -kMaxBitmapSide || height > kMaxBitmapSide)
        return false;
    BilevelRows rows;
    rows.stride = (static_cast<size_t>(width) + 31) / 32 * 4;
    rows.bottomUp = height > 0;
    int rowCount = std::abs(height);
    if (static_cast<uint64_t>(width) * rowCount > kMaxBitmapPixels ||
        cbBits / rows.stride < static_cast<size_t>(rowCount) || !r.has(offBits, cbBits))
        return false;
    rows.bits = r.p + offBits;
    for (int i = 0; i < 2; ++i) rows.colors[i] = r.u(offBmi + hsize + 4 * static_cast<uint32_t>(i)) & 0xFFFFFF;
    if (clrUsed == 1) rows.colors[1] = 0;  // as a DIB decodes: colours past the table are black
    // Black and white are the text and background colours, as for the image decoded.
    if (rows.colors[0] == 0 && rows.colors[1] == 0xFFFFFF)
        rows.colors[0] = ColorToPixel(dc_.st.textColor), rows.colors[1] = ColorToPixel(dc_.st.bkColor);
    ImageRef src;
    src.width = width, src.height = rowCount, src.bilevel = true, src.rows = &rows;
    // The stencil is laid whole: a part of the image is drawn from its pixels.
    if (r.i(32) != 0 || r.i(36) != 0 || r.i(40) != width || r.i(44) != rowCount) return false;
    return dc_.document ? BlitStencil(dc_, &src, identity, 0, 0, width, rowCount, x, y, w, h, rop)
                        : BlitBilevelRows(dc_, src, x, y, w, h, rop);
}

void Player::setDibToDevice(const Rec& r) {
    int x = r.i(24), y = r.i(28), sx = r.i(32), sy = r.i(36), w = r.i(40), h = r.i(44);
    UINT usage = r.u(64), start = r.u(68), lines = r.u(72);
    if (dc_.kind != DcKind::Memory || w <= 0 || h <= 0) return;
    uint32_t offBmi = r.u(48), cbBmi = r.u(52);
    if (cbBmi < 40 || !r.has(offBmi, cbBmi)) return;
    // The bits hold `lines` scans from `start`: decode them as a bitmap of that height.
    std::vector<BYTE> info(r.p + offBmi, r.p + offBmi + cbBmi);
    int32_t height;
    std::memcpy(&height, info.data() + 8, 4);
    bool bottomUp = height > 0;
    int32_t part = static_cast<int32_t>(std::min<uint32_t>(lines, 0x7FFFFFFF));
    if (part == 0) return;
    int32_t signedPart = bottomUp ? part : -part;
    std::memcpy(info.data() + 8, &signedPart, 4);
    Image& img = decoded_;
    uint32_t offBits = r.u(56), cbBits = r.u(60);
    if (!r.has(offBits, cbBits)) return;
    auto* pal = LookUpAs<PaletteObj>(dc_.st.palette, Kind::Palette);
    if (!DecodeDib(info.data(), info.size(), r.p + offBits, cbBits, usage, pal, img)) return;
    double top = bottomUp ? static_cast<double>(img.height) - (static_cast<double>(sy) - start) - h
                          : static_cast<double>(sy) - start;
    ImageRef src(img);
    BlitImage(dc_, &src, sx, top, w, h, x, y, w, h, SRCCOPY);
}

namespace {
// A text record draws in the graphics mode it was recorded in (its field after the bounds).
struct RecordedTextMode {
    DC& dc;
    RecordedTextMode(DC& d, uint32_t mode) : dc(d) {
        dc.textGraphicsMode = mode == GM_COMPATIBLE || mode == GM_ADVANCED ? static_cast<int>(mode) : 0;
    }
    ~RecordedTextMode() { dc.textGraphicsMode = 0; }
    RecordedTextMode(const RecordedTextMode&) = delete;
    RecordedTextMode& operator=(const RecordedTextMode&) = delete;
};
}  // namespace

void Player::text(const Rec& r, size_t t, bool wide) {
    RecordedTextMode mode(dc_, r.u(24));
    int x = r.i(t), y = r.i(t + 4);
    uint32_t n = r.u(t + 8), offString = r.u(t + 12), options = r.u(t + 16);
    RECT rc = r.rect(t + 20);
    uint32_t offDx = r.u(t + 36);
    if (n > (1u << 20) || !r.has(offString, static_cast<size_t>(n) * (wide ? 2 : 1))) return;
    std::u16string s(n, u'\0');
    for (uint32_t k = 0; k < n; ++k) s[k] = wide ? r.u16(offString + k * 2) : r.p[offString + k];
    if (!wide && !(options & ETO_GLYPH_INDEX)) {
        // Single-byte text is Windows-1252.
        std::string bytes(reinterpret_cast<const char*>(r.p + offString), n);
        ExtTextOutA(hdc_, x, y, options & ~ETO_PDY, (options & ETO_NO_RECT) || rc.right <= rc.left ? nullptr : &rc,
                    bytes.data(), n, nullptr);
        return;
    }
    size_t dxCount = static_cast<size_t>(n) * ((options & ETO_PDY) ? 2 : 1);
    std::vector<INT> dx;
    if (offDx && r.has(offDx, dxCount * 4)) {
        dx.resize(dxCount);
        for (size_t k = 0; k < dxCount; ++k) dx[k] = r.i(offDx + k * 4);
    } else {
        options &= ~ETO_PDY;
    }
    const RECT* clip = (options & ETO_NO_RECT) || rc.right <= rc.left || rc.bottom <= rc.top ? nullptr : &rc;
    TextOutCore(hdc_, x, y, options, clip, s.data(), n, dx.empty() ? nullptr : dx.data());
}

void Player::smallText(const Rec& r) {
    RecordedTextMode mode(dc_, r.u(24));
    int x = r.i(8), y = r.i(12);
    uint32_t n = r.u(16), options = r.u(20);
    size_t off = 36;
    RECT rc{0, 0, 0, 0};
    bool haveRect = !(options & ETO_NO_RECT);
    if (haveRect) rc = r.rect(36), off += 16;
    bool small = options & ETO_SMALL_CHARS;
    if (n > (1u << 20) || !r.has(off, static_cast<size_t>(n) * (small ? 1 : 2))) return;
    std::u16string s(n, u'\0');
    for (uint32_t k = 0; k < n; ++k) s[k] = small ? r.p[off + k] : r.u16(off + k * 2);
    TextOutCore(hdc_, x, y, options & ~(ETO_NO_RECT | ETO_SMALL_CHARS | ETO_PDY), haveRect ? &rc : nullptr, s.data(), n,
                nullptr);
}

bool Player::region(const Rec& r, size_t off, uint32_t size, std::vector<RECT>& out) {
    if (size < 32 || !r.has(off, size)) return false;
    uint32_t count = r.u(off + 8);
    if (count > (size - 32) / 16) return false;
    out.resize(count);
    for (uint32_t k = 0; k < count; ++k) out[k] = r.rect(off + 32 + k * 16);
    return true;
}

void Player::gradient(const Rec& r) {
    uint32_t nVer = r.u(24), nTri = r.u(28), mode = r.u(32);
    if (nVer > 65536 || nTri > 65536 || !r.has(36, static_cast<size_t>(nVer) * 16) || !EnsureSurface(dc_)) return;
    size_t meshAt = 36 + static_cast<size_t>(nVer) * 16;
    size_t each = mode == 2 ? 12 : 8;
    if (!r.has(meshAt, static_cast<size_t>(nTri) * each)) return;
    Matrix m = LogicalToDevice(dc_);
    auto vertex = [&](uint32_t k, PointD& p, double rgb[3]) {
        size_t at = 36 + static_cast<size_t>(k) * 16;
        p = m.apply(r.i(at), r.i(at + 4));
        rgb[0] = r.u16(at + 8) / 65280.0, rgb[1] = r.u16(at + 10) / 65280.0, rgb[2] = r.u16(at + 12) / 65280.0;
    };
    cairo_t* cr = dc_.cr;
    cairo_save(cr);
    ApplyClip(dc_, cr);
    for (uint32_t t = 0; t < nTri; ++t) {
        size_t at = meshAt + t * each;
        uint32_t a = r.u(at), b = r.u(at + 4), c = mode == 2 ? r.u(at + 8) : 0;
        if (a >= nVer || b >= nVer || c >= nVer) continue;
        PointD pa, pb, pc;
        double ca[3], cb[3], cc[3];
        vertex(a, pa, ca);
        vertex(b, pb, cb);
        if (mode == 2) {
            vertex(c, pc, cc);
            cairo_pattern_t* mesh = cairo_pattern_create_mesh();
            cairo_mesh_pattern_begin_patch(mesh);
            cairo_mesh_pattern_move_to(mesh, pa.x, pa.y);
            cairo_mesh_pattern_line_to(mesh, pb.x, pb.y);
            cairo_mesh_pattern_line_to(mesh, pc.x, pc.y);
            cairo_mesh_pattern_set_corner_color_rgb(mesh, 0, ca[0], ca[1], ca[2]);
            cairo_mesh_pattern_set_corner_color_rgb(mesh, 1, cb[0], cb[1], cb[2]);
            cairo_mesh_pattern_set_corner_color_rgb(mesh, 2, cc[0], cc[1], cc[2]);
            cairo_mesh_pattern_end_patch(mesh);
            cairo_set_source(cr, mesh);
            cairo_move_to(cr, pa.x, pa.y);
            cairo_line_to(cr, pb.x, pb.y);
            cairo_line_to(cr, pc.x, pc.y);
            cairo_close_path(cr);
            cairo_fill(cr);
            cairo_pattern_destroy(mesh);
        } else {
            bool vertical = mode == 1;
            cairo_pattern_t* lin = vertical ? cairo_pattern_create_linear(0, pa.y, 0, pb.y)
                                            : cairo_pattern_create_linear(pa.x, 0, pb.x, 0);
            cairo_pattern_add_color_stop_rgb(lin, 0, ca[0], ca[1], ca[2]);
            cairo_pattern_add_color_stop_rgb(lin, 1, cb[0], cb[1], cb[2]);
            cairo_set_source(cr, lin);
            cairo_rectangle(cr, std::min(pa.x, pb.x), std::min(pa.y, pb.y), std::fabs(pb.x - pa.x),
                            std::fabs(pb.y - pa.y));
            cairo_fill(cr);
            cairo_pattern_destroy(lin);
        }
    }
    cairo_restore(cr);
}

void Player::play(const Rec& r, uint32_t type) {
    HDC h = hdc_;
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: poly(r, type); break;
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16: polyPoly(r, type); break;
    case EMR_POLYDRAW: polyDraw(r, false); break;
    case EMR_POLYDRAW16: polyDraw(r, true); break;
    case EMR_SETWINDOWEXTEX: SetWindowExtEx(h, r.i(8), r.i(12), nullptr); break;
    case EMR_SETWINDOWORGEX: SetWindowOrgEx(h, r.i(8), r.i(12), nullptr); break;
    case EMR_SETVIEWPORTEXTEX: SetViewportExtEx(h, r.i(8), r.i(12), nullptr); break;
    case EMR_SETVIEWPORTORGEX: SetViewportOrgEx(h, r.i(8), r.i(12), nullptr); break;
    case EMR_SCALEVIEWPORTEXTEX: ScaleViewportExtEx(h, r.i(8), r.i(12), r.i(16), r.i(20), nullptr); break;
    case EMR_SCALEWINDOWEXTEX: ScaleWindowExtEx(h, r.i(8), r.i(12), r.i(16), r.i(20), nullptr); break;
    case EMR_SETBRUSHORGEX: SetBrushOrgEx(h, r.i(8), r.i(12), nullptr); break;
    case EMR_SETPIXELV: SetPixel(h, r.i(8), r.i(12), r.u(16)); break;
    case EMR_SETMAPMODE: SetMapMode(h, r.i(8)); break;
    case EMR_SETBKMODE: SetBkMode(h, r.i(8)); break;
    case EMR_SETPOLYFILLMODE: SetPolyFillMode(h, r.i(8)); break;
    case EMR_SETROP2: SetROP2(h, r.i(8)); break;
    case EMR_SETSTRETCHBLTMODE: SetStretchBltMode(h, r.i(8)); break;
    case EMR_SETTEXTALIGN: SetTextAlign(h, r.u(8)); break;
    case EMR_SETTEXTCOLOR: SetTextColor(h, r.u(8)); break;
    case EMR_SETBKCOLOR: SetBkColor(h, r.u(8)); break;
    case EMR_SETARCDIRECTION: SetArcDirection(h, r.i(8)); break;
    case EMR_SETMITERLIMIT: {
        float f = r.f(8);
        // Some writers store the limit as an integer.
        if (!(f >= 1.0f && f < 1e6f)) f = static_cast<float>(r.u(8));
        if (f >= 1.0f && f < 1e6f) SetMiterLimit(h, f, nullptr);
        break;
    }
    case EMR_MOVETOEX: MoveToEx(h, r.i(8), r.i(12), nullptr); break;
    case EMR_LINETO: LineTo(h, r.i(8), r.i(12)); break;
    case EMR_EXCLUDECLIPRECT: {
        RECT c = r.rect(8);
        ExcludeClipRect(h, c.left, c.top, c.right, c.bottom);
        break;
    }
    case EMR_INTERSECTCLIPRECT: {
        RECT c = r.rect(8);
        IntersectClipRect(h, c.left, c.top, c.right, c.bottom);
        break;
    }
    case EMR_SAVEDC: SaveDC(h); break;
    case EMR_RESTOREDC: RestoreDC(h, r.i(8)); break;
    case EMR_SETWORLDTRANSFORM: {
        XFORM xf{r.f(8), r.f(12), r.f(16), r.f(20), r.f(24), r.f(28)};
        if (r.has(8, 24)) SetWorldTransform(h, &xf);
        break;
    }
    case EMR_MODIFYWORLDTRANSFORM: {
        XFORM xf{r.f(8), r.f(12), r.f(16), r.f(20), r.f(24), r.f(28)};
        if (r.has(8, 28)) ModifyWorldTransform(h, &xf, r.u(32));
        break;
    }
    case EMR_SELECTOBJECT: {
        uint32_t index = r.u(8);
        if (HGDIOBJ o = object(index)) SelectObject(h, o);
        break;
    }
    case EMR_SELECTPALETTE:
        if (HGDIOBJ o = object(r.u(8))) SelectPalette(h, o, FALSE);
        break;
    case EMR_DELETEOBJECT: release(r.u(8)); break;
    case EMR_CREATEPEN:
        if (r.has(8, 20)) store(r.u(8), CreatePen(r.i(12), r.i(16), r.u(24)));
        break;
    case EMR_EXTCREATEPEN: {
        if (!r.has(8, 44)) break;
        uint32_t entries = r.u(48);
        std::vector<DWORD> styles;
        if (entries && entries <= 16 && r.has(52, entries * 4u))
            for (uint32_t k = 0; k < entries; ++k) styles.push_back(r.u(52 + k * 4));
        UINT bs = r.u(36);
        LOGBRUSH lb{bs == BS_NULL          ? UINT{BS_NULL}
                        : bs == BS_HATCHED ? UINT{BS_HATCHED}
                                           : UINT{BS_SOLID},
                    r.u(40), bs == BS_HATCHED ? r.u(44) : 0};
        DWORD style = r.u(28);
        if ((style & PS_STYLE_MASK) == PS_USERSTYLE && styles.empty()) style &= ~PS_STYLE_MASK;
        // A patterned pen carries its DIB as a pattern brush's record does.
        std::shared_ptr<Image> img =
            bs == BS_DIBPATTERN || bs == BS_DIBPATTERNPT ? pattern(r, 12, r.u(40), false) : nullptr;
        if (img) lb.lbColor = 0;
        HPEN pen = ExtCreatePen(style, r.u(32), &lb, static_cast<DWORD>(styles.size()), styles.data());
        if (auto* p = img ? LookUpAs<PenObj>(pen, Kind::Pen) : nullptr) {
            p->brushStyle = BS_DIBPATTERNPT;
            p->pattern = std::move(img);
        }
        store(r.u(8), pen);
        break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
        if (!r.has(8, 16)) break;
        UINT style = r.u(12);
        COLORREF color = r.u(16);
        HBRUSH b = style == BS_NULL ? CreateHatchBrush(0, 0)
            : style == BS_HATCHED   ? CreateHatchBrush(r.i(20), color)
                                    : CreateSolidBrush(color);
        if (style == BS_NULL)
            if (auto* bo = LookUpAs<BrushObj>(b, Kind::Brush)) bo->style = BS_NULL;
        store(r.u(8), b);
        break;
    }
    case EMR_GDICOMMENT: {
        if (!r.has(12, r.u(8))) break;
        GlyphComment glyph;
        if (dc_.document && ReadGlyphComment(r.p + 12, r.u(8), glyph)) dc_.document->nextGlyph = glyph;
        if (IsPatternComment(r.p + 12, r.u(8))) patternsAtOwnResolution_ = true;
        break;
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        std::shared_ptr<Image> img = pattern(r, 16, r.u(12), type == EMR_CREATEMONOBRUSH);
        if (!img) break;
        auto b = std::make_unique<BrushObj>();
        b->style = BS_DIBPATTERNPT;
        b->pattern = std::move(img);
        store(r.u(8), Register(std::move(b)));
        break;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
        if (!r.has(12, sizeof(LOGFONTW))) break;
        LOGFONTW lf;
        std::memcpy(&lf, r.p + 12, sizeof lf);
        store(r.u(8), CreateFontIndirectW(&lf));
        break;
    }
    case EMR_CREATEPALETTE: {
        uint16_t count = r.u16(14);
        if (count == 0 || !r.has(16, count * 4u)) break;
        std::vector<BYTE> buf(4 + count * 4u);
        std::memcpy(buf.data(), r.p + 12, buf.size());
        store(r.u(8), CreatePalette(reinterpret_cast<LOGPALETTE*>(buf.data())));
        break;
    }
    case EMR_SETPALETTEENTRIES: {
        auto* pal = LookUpAs<PaletteObj>(object(r.u(8)), Kind::Palette);
        uint32_t start = r.u(12), count = r.u(16);
        if (!pal || count > 4096 || start > 4096 || !r.has(20, count * 4u)) break;
        if (pal->entries.size() < start + count) pal->entries.resize(start + count);
        std::memcpy(&pal->entries[start], r.p + 20, count * 4u);
        break;
    }
    case EMR_REALIZEPALETTE: RealizePalette(h); break;
    case EMR_ANGLEARC: AngleArc(h, r.i(8), r.i(12), r.u(16), r.f(20), r.f(24)); break;
    case EMR_ELLIPSE: {
        RECT c = r.rect(8);
        Ellipse(h, c.left, c.top, c.right, c.bottom);
        break;
    }
    case EMR_RECTANGLE: {
        RECT c = r.rect(8);
        Rectangle(h, c.left, c.top, c.right, c.bottom);
        break;
    }
    case EMR_ROUNDRECT: {
        RECT c = r.rect(8);
        RoundRect(h, c.left, c.top, c.right, c.bottom, r.i(24), r.i(28));
        break;
    }
    case EMR_ARC:
    case EMR_ARCTO:
    case EMR_CHORD:
    case EMR_PIE: {
        RECT c = r.rect(8);
        auto fn = type == EMR_ARC ? Arc : type == EMR_ARCTO ? ArcTo : type == EMR_CHORD ? Chord : Pie;
        fn(h, c.left, c.top, c.right, c.bottom, r.i(24), r.i(28), r.i(32), r.i(36));
        break;
    }
    case EMR_BEGINPATH: BeginPath(h); break;
    case EMR_ENDPATH: EndPath(h); break;
    case EMR_CLOSEFIGURE: CloseFigure(h); break;
    case EMR_FILLPATH: FillPath(h); break;
    case EMR_STROKEANDFILLPATH: StrokeAndFillPath(h); break;
    case EMR_STROKEPATH: StrokePath(h); break;
    case EMR_FLATTENPATH: FlattenPath(h); break;
    case EMR_WIDENPATH: WidenPath(h); break;
    case EMR_ABORTPATH: AbortPath(h); break;
    case EMR_SELECTCLIPPATH: SelectClipPath(h, r.i(8)); break;
    case EMR_EXTSELECTCLIPRGN: {
        uint32_t size = r.u(8);
        int mode = r.i(12);
        std::vector<RECT> rects;
        if (size == 0 && mode == RGN_COPY) {
            dc_.st.clip.clear();
            dc_.st.hasClip = false;
        } else if (region(r, 16, size, rects)) {
            ClipToRegionRects(dc_, rects, mode);
        }
        break;
    }
    case EMR_FILLRGN:
    case EMR_PAINTRGN: {
        std::vector<RECT> rects;
        bool fill = type == EMR_FILLRGN;
        if (!region(r, fill ? 32 : 28, r.u(24), rects)) break;
        HGDIOBJ brush = fill ? object(r.u(28)) : dc_.st.brush;
        if (!brush || dc_.kind != DcKind::Memory) break;
        Path p;
        // Painted regions are in logical units.
        Matrix m = LogicalToDevice(dc_);
        for (const RECT& c : rects) AddRectangle(p, m, c.left, c.top, c.right, c.bottom);
        PaintRegion(dc_, p, brush);
        break;
    }
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_MASKBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT: bitBlt(r, type); break;
    case EMR_STRETCHDIBITS: stretchDib(r); break;
    case EMR_SETDIBITSTODEVICE: setDibToDevice(r); break;
    case EMR_EXTTEXTOUTA: text(r, 36, false); break;
    case EMR_EXTTEXTOUTW: text(r, 36, true); break;
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        uint32_t n = r.u(36);
        for (uint32_t k = 0; k < n && r.has(40 + k * 40ull, 40); ++k) text(r, 40 + k * 40, type == EMR_POLYTEXTOUTW);
        break;
    }
    case EMR_SMALLTEXTOUT: smallText(r); break;
    case EMR_GRADIENTFILL:
        if (dc_.kind == DcKind::Memory) gradient(r);
        break;
    default:
        // Comments (EMF+ included, whose drawing is repeated in plain records),
        // colour management and anything unknown: passed over by their size.
        break;
    }
}
}  // namespace
}  // namespace gdi

using namespace gdi;

BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE h, const RECT* rect) {
    DC* dc = LookUpDC(hdc);
    EnhMetaFile* emf = LookUpEmf(h);
    if (!dc || !emf || !rect) return FALSE;
    PagePlaying playing;
    const ENHMETAHEADER& hd = emf->header;
    // Frame (0.01 mm) to reference-device pixels.
    double kx = hd.szlDevice.cx > 0 && hd.szlMillimeters.cx > 0 ? hd.szlDevice.cx / (hd.szlMillimeters.cx * 100.0)
                                                                : kScreenDpi / 2540.0;
    double ky = hd.szlDevice.cy > 0 && hd.szlMillimeters.cy > 0 ? hd.szlDevice.cy / (hd.szlMillimeters.cy * 100.0)
                                                                : kScreenDpi / 2540.0;
    double l = hd.rclFrame.left * kx, t = hd.rclFrame.top * ky;
    double fw = (static_cast<double>(hd.rclFrame.right) - hd.rclFrame.left) * kx;
    double fh = (static_cast<double>(hd.rclFrame.bottom) - hd.rclFrame.top) * ky;
    if (!(fw > 0) || !(fh > 0)) {
        l = hd.rclBounds.left, t = hd.rclBounds.top;
        fw = static_cast<double>(hd.rclBounds.right) - hd.rclBounds.left + 1;
        fh = static_cast<double>(hd.rclBounds.bottom) - hd.rclBounds.top + 1;
        if (!(fw > 0) || !(fh > 0)) return FALSE;
    }
    double sx = (static_cast<double>(rect->right) - rect->left) / fw;
    double sy = (static_cast<double>(rect->bottom) - rect->top) / fh;
    Matrix frameToRect{sx, 0, 0, sy, rect->left - l * sx, rect->top - t * sy};
    Matrix outer = LogicalToDevice(*dc);

    // The page plays from a fresh state inside the destination rectangle.
    DcState outerState = dc->st;
    std::vector<DcState> outerSaved = std::move(dc->saved);
    Matrix outerBase = dc->base;
    std::vector<ClipItem> outerMeta = dc->metaClip;
    bool outerPathOpen = dc->pathOpen, outerPathValid = dc->pathValid;
    Path outerPath = std::move(dc->path);
    dc->metaClip.insert(dc->metaClip.end(), outerState.clip.begin(), outerState.clip.end());
    ClipItem dest;
    AddRectangle(dest.path, outer, rect->left, rect->top, rect->right, rect->bottom);
    dc->metaClip.push_back(std::move(dest));
    ResetState(dc->st);
    dc->st.graphicsMode = GM_ADVANCED;
    dc->saved.clear();
    dc->base = frameToRect.then(outer);
    // Metric mapping modes inside the page count on the device it was recorded for.
    int outerDevice[4] = {dc->devWidth, dc->devHeight, dc->devWidthMm, dc->devHeightMm};
    if (hd.szlDevice.cx > 0 && hd.szlDevice.cy > 0 && hd.szlMillimeters.cx > 0 && hd.szlMillimeters.cy > 0) {
        dc->devWidth = hd.szlDevice.cx, dc->devHeight = hd.szlDevice.cy;
        dc->devWidthMm = hd.szlMillimeters.cx, dc->devHeightMm = hd.szlMillimeters.cy;
    }
    dc->pathOpen = dc->pathValid = false;
    dc->path.clear();
    {
        Player player(hdc, *dc, hd.nHandles, std::sqrt(kx * ky) * 2540 * dc->base.scale());
        size_t off = hd.nSize, end = emf->size;
        while (off <= end && end - off >= 8) {
            Rec r{emf->data + off, end - off};
            uint32_t type = r.u(0), size = r.u(4);
            if (size < 8 || size > end - off) break;
            r.n = size;
            if (type == EMR_EOF) break;
            if (type != EMR_HEADER) player.play(r, type);
            // A glyph's character is told just before the glyph: it goes with that record only,
            // or for an outline with the records that make and fill its path.
            if (dc->document && type != EMR_GDICOMMENT &&
                !(dc->document->nextGlyph.outline && mayPrecedeGlyphFill(type)))
                dc->document->nextGlyph = GlyphComment{};
            off += size;
        }
        dc->st = outerState;  // objects made by the page go with the player
    }
    dc->saved = std::move(outerSaved);
    dc->base = outerBase;
    dc->devWidth = outerDevice[0], dc->devHeight = outerDevice[1];
    dc->devWidthMm = outerDevice[2], dc->devHeightMm = outerDevice[3];
    dc->metaClip = std::move(outerMeta);
    dc->pathOpen = outerPathOpen;
    dc->pathValid = outerPathValid;
    dc->path = std::move(outerPath);
    return TRUE;
}
