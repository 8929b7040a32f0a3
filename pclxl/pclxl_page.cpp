// Pages: each one a metafile in the temporary directory, with its mapping
// from the job's units of measure, and the GDI objects drawn with.
#include "pclxl_drawing.h"
#include "pclxl_operators.h"
#include "pclxl_stream.h"

#include "page_files.h"
#include "pattern_comment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {
struct MediaSize {
    LONG width, height;  // 0.01 mm, portrait
};
// The media codes of the standard, in their order.
const MediaSize kMedia[] = {
    {21590, 27940}, {21590, 35560}, {21000, 29700}, {18415, 26670}, {27940, 43180}, {29700, 42000},
    {10477, 24130}, {9843, 19050},  {16200, 22900}, {11000, 22000}, {25700, 36400}, {18200, 25700},
    {17600, 25000}, {17600, 25000}, {10000, 14800}, {20000, 14800}, {14800, 21000}, {10500, 14800},
    {12800, 18200}, {27300, 39400}, {19700, 27300}, {21600, 33000},
};
constexpr MediaSize kA4 = {21000, 29700};

MediaSize pageSize(const PclXlAttributes& a) {
    if (a.mediaSizeGiven)
        return a.mediaCode >= 0 && a.mediaCode < static_cast<int32_t>(std::size(kMedia)) ? kMedia[a.mediaCode] : kA4;
    // A custom size in inches, millimetres or tenths of millimetres.
    double unit = a.customMediaSizeUnits == 1 ? 100 : a.customMediaSizeUnits == 2 ? 10 : 2540;
    double w = a.customMediaSize[0] * unit, h = a.customMediaSize[1] * unit;
    if (w >= 100 && h >= 100 && w <= 500000 && h <= 500000) return {static_cast<LONG>(w), static_cast<LONG>(h)};
    return kA4;
}

// Keys that tell whether the object made last time still serves: the values that make
// it, as bytes (text is asked for each run of text, and formatting would cost more than
// the run).
template <typename T>
void appendKey(std::string& key, T value) {
    key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string paintKey(const PclXlPaint& p) {
    std::string key;
    key.reserve(64);
    int32_t generation = p.kind == PclXlPaint::Pattern ? XlState().patternsDefined : 0;
    appendKey(key, static_cast<int32_t>(p.kind)), appendKey(key, p.color), appendKey(key, p.patternId);
    appendKey(key, generation);
    return key;
}

// A brush of a raster pattern; a pattern never defined paints nothing.
HBRUSH patternBrush(int32_t id) {
    PclXlState& s = XlState();
    auto it = s.patterns.find(id);
    if (it == s.patterns.end() || it->second.dib.empty()) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    return CreateDIBPatternBrushPt(it->second.dib.data(), DIB_RGB_COLORS);
}

HBRUSH makeBrush(const PclXlPaint& p) {
    switch (p.kind) {
    case PclXlPaint::None: return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case PclXlPaint::Pattern: return patternBrush(p.patternId);
    default: return CreateSolidBrush(p.color);
    }
}

HPEN makePen(const PclXlGraphicsState& g) {
    if (g.pen.kind == PclXlPaint::None) return static_cast<HPEN>(GetStockObject(NULL_PEN));
    // A pen of a raster pattern draws in black.
    COLORREF color = g.pen.kind == PclXlPaint::Pattern ? RGB(0, 0, 0) : g.pen.color;
    long width = std::lround(std::clamp(XlScaleX(g.penWidth), 0.0, 1e7));
    static const DWORD kCaps[] = {PS_ENDCAP_FLAT, PS_ENDCAP_ROUND, PS_ENDCAP_SQUARE, PS_ENDCAP_SQUARE};
    static const DWORD kJoins[] = {PS_JOIN_MITER, PS_JOIN_ROUND, PS_JOIN_BEVEL, PS_JOIN_BEVEL};
    std::vector<DWORD> dash;
    for (int32_t d : g.dash) dash.push_back(static_cast<DWORD>(std::lround(std::clamp(XlScaleX(d), 1.0, 1e7))));
    DWORD style = PS_GEOMETRIC | (dash.empty() ? PS_SOLID : PS_USERSTYLE) | kCaps[std::clamp(g.lineCap, 0, 3)] |
        kJoins[std::clamp(g.lineJoin, 0, 3)];
    if (width == 0 && dash.empty()) return CreatePen(PS_SOLID, 0, color);  // the thinnest line the device draws
    LOGBRUSH lb{BS_SOLID, color, 0};
    return ExtCreatePen(style, static_cast<DWORD>(std::max(width, 1L)), &lb, static_cast<DWORD>(dash.size()),
                        dash.empty() ? nullptr : dash.data());
}

std::string penKey(const PclXlGraphicsState& g) {
    std::string key = paintKey(g.pen);
    // Widths to a thousandth of a unit and miter limits to a hundredth make the same pen.
    auto rounded = [](double v, double per) {
        return std::isfinite(v) ? std::llround(std::clamp(v, -1e12, 1e12) * per) : 0LL;
    };
    appendKey(key, rounded(XlScaleX(g.penWidth), 1000)), appendKey(key, rounded(g.miterLimit, 100));
    appendKey(key, g.lineCap), appendKey(key, g.lineJoin), appendKey(key, g.dashOffset);
    for (int32_t d : g.dash) appendKey(key, d);
    return key;
}

bool isStock(HGDIOBJ o) { return o == GetStockObject(NULL_BRUSH) || o == GetStockObject(NULL_PEN); }

}  // namespace

void XlSelectMade(HGDIOBJ& current, std::string& currentKey, bool selected, const std::string& key,
                  const std::function<HGDIOBJ()>& make) {
    PclXlState& s = XlState();
    if (key == currentKey && selected && current) return;
    if (key != currentKey || !current) {
        HGDIOBJ made = make();
        if (!made) return;
        SelectObject(s.dc, made);
        if (current && !isStock(current)) DeleteObject(current);
        current = made;
        currentKey = key;
    } else {
        SelectObject(s.dc, current);
    }
}

POINT XlMapUser(double x, double y) {
    PclXlState& s = XlState();
    return XlMapCursor(s.origin[0] + x, s.origin[1] + y);
}

void XlPageFrame(HDC dc) {
    XFORM finer{static_cast<FLOAT>(1 / kXlFine), 0, 0, static_cast<FLOAT>(1 / kXlFine), 0, 0};
    SetWorldTransform(dc, &finer);
}

POINT XlMapCursor(double x, double y) {
    PclXlState& s = XlState();
    auto logical = [](double v) { return static_cast<LONG>(std::trunc(std::clamp(v + 0.5, -1e8, 1e8))); };
    return {logical(x * s.sx), -logical(y * s.sy)};
}

double XlScaleX(double length) { return length * XlState().sx; }

double XlUserUnitsPerInch(int axis) {
    const PclXlAttributes& a = XlState().attr;
    double per = a.measure == 1 ? 25.4 : a.measure == 2 ? 254 : 1;
    return a.unitsPerMeasure[axis] * per;
}

void XlSelectObjects() {
    PclXlState& s = XlState();
    if (!s.dc) return;
    const PclXlGraphicsState& g = s.gs;
    if (!s.objectsSelected) s.modes = PclXlState::Modes{};  // the DC's own state came back
    XlSelectMade(s.brush, s.brushKey, s.objectsSelected, paintKey(g.brush), [&] { return makeBrush(g.brush); });
    XlSelectMade(s.pen, s.penKey, s.objectsSelected, penKey(g), [&] { return makePen(g); });
    s.objectsSelected = true;
    // A vector's source is black: the ternary operation reduces to one of pen and page.
    int table = 0;
    for (int p = 0; p < 2; ++p)
        for (int d = 0; d < 2; ++d)
            if ((g.rop3 >> (p * 4 + d)) & 1) table |= 1 << (p * 2 + d);
    PclXlState::Modes want{g.fillMode == 1 ? ALTERNATE : WINDING, table + 1, std::clamp(g.miterLimit, 1.0, 1000.0)};
    if (want.fillMode != s.modes.fillMode) SetPolyFillMode(s.dc, want.fillMode);
    if (want.rop2 != s.modes.rop2) SetROP2(s.dc, want.rop2);
    if (want.miterLimit != s.modes.miterLimit) SetMiterLimit(s.dc, static_cast<FLOAT>(want.miterLimit), nullptr);
    s.modes = want;
}

void XlObjectsDeselected() { XlState().objectsSelected = XlState().fontSelected = false; }

void XlDeselectObjects() {
    PclXlState& s = XlState();
    if (s.dc) {
        SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
        SelectObject(s.dc, GetStockObject(BLACK_PEN));
        SelectObject(s.dc, GetStockObject(SYSTEM_FONT));
    }
    XlObjectsDeselected();
}

void XlReleaseObjects() {
    PclXlState& s = XlState();
    XlDeselectObjects();
    for (HGDIOBJ* o : {&s.pen, &s.brush, &s.font}) {
        if (*o && !isStock(*o)) DeleteObject(*o);
        *o = nullptr;
    }
    s.penKey.clear(), s.brushKey.clear(), s.fontKey.clear();
}

DWORD XlImageRop(bool biLevel) {
    const PclXlGraphicsState& g = XlState().gs;
    uint32_t rop = g.rop3;
    // A transparent source leaves the page as it is under its white pixels,
    // exactly so for images of black and white.
    if (biLevel && g.sourceTransparent) {
        uint32_t t = 0;
        for (int i = 0; i < 8; ++i) {
            bool s = i & 2, d = i & 1;
            bool bit = s ? d : ((rop >> i) & 1);
            t |= uint32_t{bit} << i;
        }
        rop = t;
    }
    // The operation's index in the third byte, where playback reads it.
    return rop << 16;
}

bool XlPaintFromAttributes(PclXlPaint& paint, int nullAttribute) {
    PclXlState& s = XlState();
    const PclXlAttributes& a = s.attr;
    // Colours are direct: a palette serves the indexed images.
    if (XlGiven(xla::RGBColor)) {
        paint = {PclXlPaint::Solid, RGB(a.rgb[0], a.rgb[1], a.rgb[2]), 0};
    } else if (XlGiven(xla::GrayLevel)) {
        uint8_t g = static_cast<uint8_t>(a.grayLevel);
        paint = {PclXlPaint::Solid, RGB(g, g, g), 0};
    } else if (XlGiven(xla::PrimaryArray) && !a.primaryArray.empty()) {
        const std::vector<int32_t>& c = a.primaryArray;
        uint8_t r = static_cast<uint8_t>(c[0]), gr = c.size() > 1 ? static_cast<uint8_t>(c[1]) : r,
                b = c.size() > 2 ? static_cast<uint8_t>(c[2]) : r;
        paint = {PclXlPaint::Solid, s.gs.colorSpace == 2 ? RGB(r, gr, b) : RGB(r, r, r), 0};
    } else if (XlGiven(xla::PatternSelectID)) {
        paint = {PclXlPaint::Pattern, RGB(0, 0, 0), a.patternSelectId};
    } else if (XlGiven(nullAttribute)) {
        paint = {PclXlPaint::None, RGB(0, 0, 0), 0};
    } else {
        return false;
    }
    return true;
}

void XlBeginPage() {
    PclXlState& s = XlState();
    // A page that never got EndPage ends here.
    XlEndPage();
    if (s.pageCounter >= kMaxPclXlPages) return;
    const PclXlAttributes& a = s.attr;
    MediaSize m = pageSize(a);
    RECT frame{0, 0, m.width, m.height};
    if (a.orientation == 1 || a.orientation == 3) std::swap(frame.right, frame.bottom);
    ++s.pageCounter;
    std::string name = ReservePageFile(s.tempDir.c_str(), s.pageCounter);
    if (name.empty()) return;
    s.dc = CreateEnhMetaFileA(nullptr, name.c_str(), &frame, nullptr);
    if (!s.dc) {
        DeleteTemporaryFile(name);
        return;
    }
    s.pages.push_back(name);
    std::array<uint8_t, kPatternCommentSize> patterns = PatternCommentBytes();
    GdiComment(s.dc, static_cast<UINT>(patterns.size()), patterns.data());
    // Logical units of 0.1 mm or 0.01 inch, y growing upward from the top-left corner.
    bool metric = a.measure == 1 || a.measure == 2;
    SetMapMode(s.dc, metric ? MM_LOMETRIC : MM_LOENGLISH);
    double per = a.measure == 1 ? 10 : a.measure == 2 ? 1 : 100;
    s.rx = a.unitsPerMeasure[0] / per;
    s.ry = a.unitsPerMeasure[1] / per;
    if (!s.pageScaleSet) s.sx = kXlFine / s.rx, s.sy = kXlFine / s.ry;
    SetGraphicsMode(s.dc, GM_ADVANCED);
    XlPageFrame(s.dc);
    SetBkMode(s.dc, TRANSPARENT);
    // Text stands on the cursor's baseline, whatever the face's ascent where it is drawn.
    SetTextAlign(s.dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
    s.attr.pageCopies = 1;
    // Every page starts with the printer's defaults.
    s.gs = PclXlGraphicsState{};
    s.savedStates.clear();
    s.path.clear();
    s.cursor[0] = s.cursor[1] = 0;
    s.raster = PclXlRaster{};
}

static void ClosePage(bool printed) {
    PclXlState& s = XlState();
    if (!s.dc) return;
    XlReleaseObjects();
    HENHMETAFILE emf = CloseEnhMetaFile(s.dc);
    s.dc = nullptr;
    if (emf) DeleteEnhMetaFile(emf);
    if ((!emf || !printed) && !s.pages.empty()) {
        // A page that could not be written, or is printed in no copies, is no page.
        DeleteTemporaryFile(s.pages.back());
        s.pages.pop_back();
    }
    if (s.pages.size() >= s.pageLimit) s.stop = true;
}

void XlEndPage() { ClosePage(true); }

void XlEndPageOperator() {
    // HP's drivers end some jobs with a page printed in no copies: it is no page.
    PclXlState& s = XlState();
    ClosePage(!XlGiven(xla::PageCopies) || s.attr.pageCopies != 0);
}

void InitPclXlJob(const char* tempDir) {
    PclXlState& s = XlState();
    XlEndPage();
    DeletePageFiles(s.pages);
    s = PclXlState{};
    s.tempDir = tempDir ? tempDir : "";
}

void FinishPclXlJob() { XlEndPage(); }
