// Device contexts: creation, device facts, state, mapping and attributes.
#include "emf_recorder.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace gdi {
namespace {
HandleTable<DC>& dcTable() {
    static HandleTable<DC> t;
    return t;
}

}  // namespace

HDC NewDC(DcKind kind) {
    auto dc = std::make_unique<DC>();
    dc->kind = kind;
    ResetState(dc->st);
    return dcTable().Add(std::move(dc));
}

namespace {

int clampInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Units of the fixed mapping modes per millimetre.
double unitsPerMm(int mode) {
    switch (mode) {
    case MM_LOMETRIC: return 10.0;
    case MM_HIMETRIC: return 100.0;
    case MM_LOENGLISH: return 100.0 / 25.4;
    case MM_HIENGLISH: return 1000.0 / 25.4;
    case MM_TWIPS: return 1440.0 / 25.4;
    default: return 0;
    }
}
}  // namespace

DC::~DC() {
    if (cr) cairo_destroy(cr);
    if (surface) cairo_surface_destroy(surface);
}

DC* LookUpDC(HDC h) { return h ? dcTable().Find(h) : nullptr; }

void ResetState(DcState& st) {
    st = DcState{};
    st.pen = GetStockObject(BLACK_PEN);
    st.brush = GetStockObject(WHITE_BRUSH);
    st.font = GetStockObject(SYSTEM_FONT);
    st.palette = GetStockObject(DEFAULT_PALETTE);
}

Matrix Matrix::then(const Matrix& n) const {
    return {n.a * a + n.c * b, n.b * a + n.d * b,       n.a * c + n.c * d,
            n.b * c + n.d * d, n.a * e + n.c * f + n.e, n.b * e + n.d * f + n.f};
}

bool Matrix::invert(Matrix& out) const {
    double dt = det();
    if (!std::isfinite(dt) || std::fabs(dt) < 1e-300) return false;
    Matrix r;  // `out` may be this matrix itself
    r.a = d / dt;
    r.b = -b / dt;
    r.c = -c / dt;
    r.d = a / dt;
    r.e = -(r.a * e + r.c * f);
    r.f = -(r.b * e + r.d * f);
    out = r;
    return true;
}

double Matrix::scale() const { return std::sqrt(std::fabs(det())); }

Matrix PageTransform(const DC& dc) {
    const DcState& s = dc.st;
    double sx = 1, sy = 1;
    if (s.mapMode == MM_ISOTROPIC || s.mapMode == MM_ANISOTROPIC) {
        sx = s.windowExt.cx ? static_cast<double>(s.viewportExt.cx) / s.windowExt.cx : 1;
        sy = s.windowExt.cy ? static_cast<double>(s.viewportExt.cy) / s.windowExt.cy : 1;
        if (s.mapMode == MM_ISOTROPIC) {
            double m = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    } else if (double u = unitsPerMm(s.mapMode); u > 0) {
        sx = dc.devWidth / (dc.devWidthMm * u);
        sy = -dc.devHeight / (dc.devHeightMm * u);
    }
    Matrix m;
    m.a = sx;
    m.d = sy;
    m.e = s.viewportOrg.x - s.windowOrg.x * sx;
    m.f = s.viewportOrg.y - s.windowOrg.y * sy;
    return m;
}

Matrix LogicalToDevice(const DC& dc) {
    Matrix world = dc.st.graphicsMode == GM_ADVANCED ? Matrix::fromXform(dc.st.world) : Matrix{};
    return world.then(PageTransform(dc)).then(dc.base);
}

PointD Transform(const DC& dc, double x, double y) { return LogicalToDevice(dc).apply(x, y); }

}  // namespace gdi

using namespace gdi;

HDC CreateDCA(LPCSTR driver, LPCSTR, LPCSTR, const void*) {
    if (driver == nullptr) return nullptr;
    std::string d = driver;
    for (char& c : d) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return d == "DISPLAY" ? NewDC(DcKind::Display) : nullptr;
}

HDC CreateCompatibleDC(HDC) {
    HDC h = NewDC(DcKind::Memory);
    DC* dc = LookUpDC(h);
    dc->defaultBitmap = CreateBitmap(1, 1, 1, 1, nullptr);
    dc->bitmap = dc->defaultBitmap;
    if (auto* b = LookUpAs<BitmapObj>(dc->bitmap, Kind::Bitmap)) b->selected = true;
    return h;
}

HDC CreateMetafileDC(std::unique_ptr<Recorder> rec, int widthPx, int heightPx, int widthMm, int heightMm) {
    HDC h = NewDC(DcKind::Metafile);
    DC* dc = LookUpDC(h);
    dc->rec = std::move(rec);
    dc->devWidth = widthPx;
    dc->devHeight = heightPx;
    dc->devWidthMm = widthMm;
    dc->devHeightMm = heightMm;
    return h;
}

BOOL GdiFlush() { return TRUE; }

BOOL DeleteDC(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (auto* b = LookUpAs<BitmapObj>(dc->bitmap, Kind::Bitmap)) b->selected = false;
    if (dc->defaultBitmap) DeleteObject(dc->defaultBitmap);
    dcTable().Remove(dc);
    return TRUE;
}

int GetDeviceCaps(HDC h, int index) {
    DC* dc = LookUpDC(h);
    if (!dc) return 0;
    switch (index) {
    case HORZSIZE: return dc->devWidthMm;
    case VERTSIZE: return dc->devHeightMm;
    case HORZRES:
    case PHYSICALWIDTH: return dc->devWidth;
    case VERTRES:
    case PHYSICALHEIGHT: return dc->devHeight;
    case LOGPIXELSX:
    case LOGPIXELSY: return kScreenDpi;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHDIB;
    default: return 0;
    }
}

int SaveDC(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc || dc->saved.size() >= 4096) return 0;
    if (dc->rec) RecordSimple(*dc, EMR_SAVEDC, {});
    dc->saved.push_back(dc->st);
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC h, int which) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    int depth = static_cast<int>(dc->saved.size());
    int target = which < 0 ? depth + which + 1 : which;  // level to return to
    if (which == 0 || target < 1 || target > depth) return FALSE;
    if (dc->rec) RecordSimple(*dc, EMR_RESTOREDC, {static_cast<uint32_t>(which)});
    // Objects of the saved state may have been deleted meanwhile; fall back to stock ones.
    DcState st = dc->saved[static_cast<size_t>(target - 1)];
    dc->saved.resize(static_cast<size_t>(target - 1));
    if (!LookUp(st.pen)) st.pen = GetStockObject(BLACK_PEN);
    if (!LookUp(st.brush)) st.brush = GetStockObject(WHITE_BRUSH);
    if (!LookUp(st.font)) st.font = GetStockObject(SYSTEM_FONT);
    if (!LookUp(st.palette)) st.palette = GetStockObject(DEFAULT_PALETTE);
    dc->st = st;
    return TRUE;
}

int SetGraphicsMode(HDC h, int mode) {
    DC* dc = LookUpDC(h);
    if (!dc || (mode != GM_COMPATIBLE && mode != GM_ADVANCED)) return 0;
    int old = dc->st.graphicsMode;
    dc->st.graphicsMode = mode;
    if (mode == GM_COMPATIBLE) dc->st.world = {1, 0, 0, 1, 0, 0};
    // EMF has no record for this: metafiles always play in advanced mode.
    return old;
}

int GetGraphicsMode(HDC h) {
    DC* dc = LookUpDC(h);
    return dc ? dc->st.graphicsMode : 0;
}

int SetMapMode(HDC h, int mode) {
    DC* dc = LookUpDC(h);
    if (!dc || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
    int old = dc->st.mapMode;
    if (dc->rec) RecordSimple(*dc, EMR_SETMAPMODE, {static_cast<uint32_t>(mode)});
    if (mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC) {
        if (old == MM_TEXT) {
            dc->st.windowExt = {1, 1};
            dc->st.viewportExt = {1, 1};
        } else if (old != MM_ISOTROPIC && old != MM_ANISOTROPIC) {
            // Start from the extents of the mode in force; they depend on the
            // device, so a recording writes the next extents whatever they are.
            if (dc->rec) dc->rec->extentsUncertain = true;
            Matrix p = PageTransform(*dc);
            dc->st.viewportExt = {dc->devWidth, dc->devHeight};
            dc->st.windowExt = {static_cast<LONG>(std::lround(dc->devWidth / p.a)),
                                static_cast<LONG>(std::lround(dc->devHeight / p.d))};
            if (dc->st.windowExt.cx == 0) dc->st.windowExt.cx = 1;
            if (dc->st.windowExt.cy == 0) dc->st.windowExt.cy = 1;
        }
    } else {
        dc->st.windowExt = {1, 1};
        dc->st.viewportExt = {1, 1};
    }
    dc->st.mapMode = mode;
    return old;
}

int GetMapMode(HDC h) {
    DC* dc = LookUpDC(h);
    return dc ? dc->st.mapMode : 0;
}

static BOOL setPair(HDC h, unsigned type, int x, int y, bool extent, bool window, void* old) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (extent && (x == 0 || y == 0)) return FALSE;
    DcState& s = dc->st;
    // A value that is already in force is not recorded again.
    bool iso = s.mapMode == MM_ISOTROPIC || s.mapMode == MM_ANISOTROPIC;
    bool uncertain = extent && dc->rec && dc->rec->extentsUncertain;
    bool same = extent ? !uncertain && iso && (window ? s.windowExt : s.viewportExt).cx == x &&
            (window ? s.windowExt : s.viewportExt).cy == y
                       : (window ? s.windowOrg : s.viewportOrg).x == x && (window ? s.windowOrg : s.viewportOrg).y == y;
    if (dc->rec && !same) RecordSimple(*dc, type, {static_cast<uint32_t>(x), static_cast<uint32_t>(y)});
    if (extent) {
        SIZE& e = window ? s.windowExt : s.viewportExt;
        if (old) *static_cast<SIZE*>(old) = e;
        if (s.mapMode == MM_ISOTROPIC || s.mapMode == MM_ANISOTROPIC) e = {x, y};
    } else {
        POINT& p = window ? s.windowOrg : s.viewportOrg;
        if (old) *static_cast<POINT*>(old) = p;
        p = {x, y};
    }
    return TRUE;
}

BOOL SetWindowExtEx(HDC h, int x, int y, SIZE* old) { return setPair(h, EMR_SETWINDOWEXTEX, x, y, true, true, old); }
BOOL SetViewportExtEx(HDC h, int x, int y, SIZE* old) {
    return setPair(h, EMR_SETVIEWPORTEXTEX, x, y, true, false, old);
}
BOOL SetWindowOrgEx(HDC h, int x, int y, POINT* old) { return setPair(h, EMR_SETWINDOWORGEX, x, y, false, true, old); }
BOOL SetViewportOrgEx(HDC h, int x, int y, POINT* old) {
    return setPair(h, EMR_SETVIEWPORTORGEX, x, y, false, false, old);
}

BOOL OffsetViewportOrgEx(HDC h, int x, int y, POINT* old) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    POINT o = dc->st.viewportOrg;
    return SetViewportOrgEx(h, clampInt(int64_t{o.x} + x), clampInt(int64_t{o.y} + y), old);
}

BOOL OffsetWindowOrgEx(HDC h, int x, int y, POINT* old) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    POINT o = dc->st.windowOrg;
    return SetWindowOrgEx(h, clampInt(int64_t{o.x} + x), clampInt(int64_t{o.y} + y), old);
}

static BOOL scaleExt(HDC h, bool window, int xn, int xd, int yn, int yd, SIZE* old) {
    DC* dc = LookUpDC(h);
    if (!dc || xd == 0 || yd == 0) return FALSE;
    SIZE e = window ? dc->st.windowExt : dc->st.viewportExt;
    if (old) *old = e;
    long long cx = static_cast<long long>(e.cx) * xn / xd, cy = static_cast<long long>(e.cy) * yn / yd;
    if (cx == 0 || cy == 0 || cx != static_cast<LONG>(cx) || cy != static_cast<LONG>(cy)) return FALSE;
    return window ? SetWindowExtEx(h, static_cast<int>(cx), static_cast<int>(cy), nullptr)
                  : SetViewportExtEx(h, static_cast<int>(cx), static_cast<int>(cy), nullptr);
}

BOOL ScaleViewportExtEx(HDC h, int xn, int xd, int yn, int yd, SIZE* old) {
    return scaleExt(h, false, xn, xd, yn, yd, old);
}
BOOL ScaleWindowExtEx(HDC h, int xn, int xd, int yn, int yd, SIZE* old) {
    return scaleExt(h, true, xn, xd, yn, yd, old);
}

BOOL GetWindowExtEx(HDC h, SIZE* s) {
    DC* dc = LookUpDC(h);
    if (!dc || !s) return FALSE;
    *s = dc->st.windowExt;
    return TRUE;
}
BOOL GetViewportExtEx(HDC h, SIZE* s) {
    DC* dc = LookUpDC(h);
    if (!dc || !s) return FALSE;
    *s = dc->st.viewportExt;
    return TRUE;
}
BOOL GetWindowOrgEx(HDC h, POINT* p) {
    DC* dc = LookUpDC(h);
    if (!dc || !p) return FALSE;
    *p = dc->st.windowOrg;
    return TRUE;
}
BOOL GetViewportOrgEx(HDC h, POINT* p) {
    DC* dc = LookUpDC(h);
    if (!dc || !p) return FALSE;
    *p = dc->st.viewportOrg;
    return TRUE;
}

static bool finiteXform(const XFORM& x) {
    return std::isfinite(x.eM11) && std::isfinite(x.eM12) && std::isfinite(x.eM21) && std::isfinite(x.eM22) &&
        std::isfinite(x.eDx) && std::isfinite(x.eDy);
}

static void recordXform(DC& dc, unsigned type, const XFORM& xf, uint32_t mode, bool withMode) {
    RecordWriter w(*dc.rec, type);
    w.f32(xf.eM11).f32(xf.eM12).f32(xf.eM21).f32(xf.eM22).f32(xf.eDx).f32(xf.eDy);
    if (withMode) w.u32(mode);
}

BOOL SetWorldTransform(HDC h, const XFORM* xf) {
    DC* dc = LookUpDC(h);
    if (!dc || !xf || dc->st.graphicsMode != GM_ADVANCED || !finiteXform(*xf)) return FALSE;
    if (xf->eM11 * xf->eM22 - xf->eM12 * xf->eM21 == 0) return FALSE;
    if (dc->rec) recordXform(*dc, EMR_SETWORLDTRANSFORM, *xf, 0, false);
    dc->st.world = *xf;
    return TRUE;
}

BOOL ModifyWorldTransform(HDC h, const XFORM* xf, DWORD mode) {
    DC* dc = LookUpDC(h);
    if (!dc || dc->st.graphicsMode != GM_ADVANCED) return FALSE;
    XFORM identity{1, 0, 0, 1, 0, 0};
    if (mode != MWT_IDENTITY && (!xf || !finiteXform(*xf))) return FALSE;
    if (dc->rec) recordXform(*dc, EMR_MODIFYWORLDTRANSFORM, xf ? *xf : identity, mode, true);
    Matrix cur = Matrix::fromXform(dc->st.world), m = xf ? Matrix::fromXform(*xf) : Matrix{}, r;
    switch (mode) {
    case MWT_IDENTITY: r = Matrix{}; break;
    case MWT_LEFTMULTIPLY: r = m.then(cur); break;
    case MWT_RIGHTMULTIPLY: r = cur.then(m); break;
    case MWT_SET: r = m; break;
    default: return FALSE;
    }
    if (r.det() == 0) return FALSE;
    dc->st.world = {static_cast<float>(r.a), static_cast<float>(r.b), static_cast<float>(r.c),
                    static_cast<float>(r.d), static_cast<float>(r.e), static_cast<float>(r.f)};
    return TRUE;
}

BOOL GetWorldTransform(HDC h, XFORM* xf) {
    DC* dc = LookUpDC(h);
    if (!dc || !xf) return FALSE;
    *xf = dc->st.world;
    return TRUE;
}

static BOOL mapPoints(HDC h, POINT* pts, int count, bool toLogical) {
    DC* dc = LookUpDC(h);
    if (!dc || !pts || count < 0) return FALSE;
    Matrix m = PageTransform(*dc);
    if (dc->st.graphicsMode == GM_ADVANCED) m = Matrix::fromXform(dc->st.world).then(m);
    if (toLogical && !m.invert(m)) return FALSE;
    for (int i = 0; i < count; ++i) {
        PointD p = m.apply(pts[i].x, pts[i].y);
        pts[i].x = static_cast<LONG>(std::lround(std::clamp(p.x, -2147483647.0, 2147483647.0)));
        pts[i].y = static_cast<LONG>(std::lround(std::clamp(p.y, -2147483647.0, 2147483647.0)));
    }
    return TRUE;
}

BOOL DPtoLP(HDC h, POINT* pts, int count) { return mapPoints(h, pts, count, true); }
BOOL LPtoDP(HDC h, POINT* pts, int count) { return mapPoints(h, pts, count, false); }

#define DC_SETTER(Name, Type, field, recordType)                                                    \
    Type Name(HDC h, Type value) {                                                                  \
        DC* dc = LookUpDC(h);                                                                       \
        if (!dc) return 0;                                                                          \
        Type old = dc->st.field;                                                                    \
        if (dc->rec && old != value) RecordSimple(*dc, recordType, {static_cast<uint32_t>(value)}); \
        dc->st.field = value;                                                                       \
        return old;                                                                                 \
    }

DC_SETTER(SetBkMode, int, bkMode, EMR_SETBKMODE)
DC_SETTER(SetTextAlign, UINT, textAlign, EMR_SETTEXTALIGN)
DC_SETTER(SetPolyFillMode, int, polyFillMode, EMR_SETPOLYFILLMODE)
DC_SETTER(SetROP2, int, rop2, EMR_SETROP2)
DC_SETTER(SetStretchBltMode, int, stretchMode, EMR_SETSTRETCHBLTMODE)
DC_SETTER(SetArcDirection, int, arcDirection, EMR_SETARCDIRECTION)

// Colours are kept without their top byte; record type 0 means not recorded.
static COLORREF setColor(HDC h, COLORREF DcState::*field, COLORREF c, unsigned recordType) {
    DC* dc = LookUpDC(h);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->st.*field;
    if (dc->rec && recordType && old != (c & 0xFFFFFF)) RecordSimple(*dc, recordType, {c & 0xFFFFFF});
    dc->st.*field = c & 0xFFFFFF;
    return old;
}

COLORREF SetBkColor(HDC h, COLORREF c) { return setColor(h, &DcState::bkColor, c, EMR_SETBKCOLOR); }
COLORREF SetTextColor(HDC h, COLORREF c) { return setColor(h, &DcState::textColor, c, EMR_SETTEXTCOLOR); }
COLORREF SetDCBrushColor(HDC h, COLORREF c) { return setColor(h, &DcState::dcBrushColor, c, 0); }
COLORREF SetDCPenColor(HDC h, COLORREF c) { return setColor(h, &DcState::dcPenColor, c, 0); }

COLORREF GetBkColor(HDC h) {
    DC* dc = LookUpDC(h);
    return dc ? dc->st.bkColor : CLR_INVALID;
}
COLORREF GetTextColor(HDC h) {
    DC* dc = LookUpDC(h);
    return dc ? dc->st.textColor : CLR_INVALID;
}
int GetBkMode(HDC h) {
    DC* dc = LookUpDC(h);
    return dc ? dc->st.bkMode : 0;
}
UINT GetTextAlign(HDC h) {
    DC* dc = LookUpDC(h);
    return dc ? dc->st.textAlign : GDI_ERROR;
}
int GetROP2(HDC h) {
    DC* dc = LookUpDC(h);
    return dc ? dc->st.rop2 : 0;
}

BOOL SetMiterLimit(HDC h, FLOAT limit, FLOAT* old) {
    DC* dc = LookUpDC(h);
    if (!dc || !(limit >= 1.0f)) return FALSE;
    if (old) *old = dc->st.miterLimit;
    if (dc->rec) {
        RecordWriter w(*dc->rec, EMR_SETMITERLIMIT);
        w.f32(limit);
    }
    dc->st.miterLimit = limit;
    return TRUE;
}

BOOL SetBrushOrgEx(HDC h, int x, int y, POINT* old) {
    DC* dc = LookUpDC(h);
    if (!dc) return FALSE;
    if (old) *old = dc->st.brushOrg;
    if (dc->rec) RecordSimple(*dc, EMR_SETBRUSHORGEX, {static_cast<uint32_t>(x), static_cast<uint32_t>(y)});
    dc->st.brushOrg = {x, y};
    return TRUE;
}

DWORD SetMapperFlags(HDC h, DWORD flags) {
    DC* dc = LookUpDC(h);
    if (!dc) return GDI_ERROR;
    if (dc->rec) RecordSimple(*dc, EMR_SETMAPPERFLAGS, {flags});
    return 0;
}

HGDIOBJ GetCurrentObject(HDC h, UINT type) {
    DC* dc = LookUpDC(h);
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: return dc->st.pen;
    case OBJ_BRUSH: return dc->st.brush;
    case OBJ_FONT: return dc->st.font;
    case OBJ_PAL: return dc->st.palette;
    case OBJ_BITMAP: return dc->bitmap;
    default: return nullptr;
    }
}

HGDIOBJ SelectObject(HDC h, HGDIOBJ obj) {
    DC* dc = LookUpDC(h);
    Object* o = LookUp(obj);
    if (!dc || !o) return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (o->kind) {
    case Kind::Pen: slot = &dc->st.pen; break;
    case Kind::Brush: slot = &dc->st.brush; break;
    case Kind::Font: slot = &dc->st.font; break;
    case Kind::Palette: return SelectPalette(h, obj, FALSE);
    case Kind::Region: {
        int r = SelectClipRgn(h, obj);
        return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(r));
    }
    case Kind::Bitmap: {
        auto* bmp = static_cast<BitmapObj*>(o);
        if (dc->kind != DcKind::Memory) return nullptr;
        if (obj == dc->bitmap) return obj;
        if (bmp->selected) return nullptr;
        HGDIOBJ old = dc->bitmap;
        if (auto* ob = LookUpAs<BitmapObj>(old, Kind::Bitmap)) ob->selected = false;
        bmp->selected = true;
        dc->bitmap = obj;
        if (dc->cr) cairo_destroy(dc->cr);
        if (dc->surface) cairo_surface_destroy(dc->surface);
        dc->cr = nullptr;
        dc->surface = nullptr;
        dc->st.clip.clear();
        dc->st.hasClip = false;
        return old;
    }
    }
    HGDIOBJ old = *slot;
    if (dc->rec) RecordSelect(*dc, o);
    *slot = obj;
    return old;
}

HPALETTE SelectPalette(HDC h, HPALETTE pal, BOOL) {
    DC* dc = LookUpDC(h);
    Object* o = LookUpAs<PaletteObj>(pal, Kind::Palette);
    if (!dc || !o) return nullptr;
    HPALETTE old = dc->st.palette;
    if (dc->rec) {
        uint32_t index = RecordObject(*dc, o);
        RecordSimple(*dc, EMR_SELECTPALETTE, {index});
    }
    dc->st.palette = pal;
    return old;
}

UINT RealizePalette(HDC h) {
    DC* dc = LookUpDC(h);
    if (!dc) return GDI_ERROR;
    if (dc->rec) RecordSimple(*dc, EMR_REALIZEPALETTE, {});
    auto* p = LookUpAs<PaletteObj>(dc->st.palette, Kind::Palette);
    return p ? static_cast<UINT>(p->entries.size()) : 0;
}
