// Text: system fonts by name, downloaded bitmap and TrueType fonts drawn glyph by glyph.
#include "pclxl_drawing.h"
#include "pclxl_handlers.h"
#include "pclxl_resident_fonts.h"
#include "pclxl_stream.h"

#include "dib_header.h"
#include "glyph_comment.h"
#include "pcl_symbol_sets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// The shape characters take beyond their size, in glyph space (y up): scaled, sheared, then
// turned. x' = a x + b y, y' = c x + d y.
struct GlyphShape {
    double a = 1, b = 0, c = 0, d = 1;
};

double finiteOr(double v, double fallback) { return std::isfinite(v) ? std::clamp(v, -1e4, 1e4) : fallback; }

// The character angle, in radians.
double turnOf(const PclXlGraphicsState& g) { return finiteOr(g.charAngle, 0) * 3.14159265358979323846 / 180; }

GlyphShape glyphShape(const PclXlGraphicsState& g) {
    double sx = finiteOr(g.charScale[0], 1), sy = finiteOr(g.charScale[1], 1);
    double hx = finiteOr(g.charShear[0], 0), hy = finiteOr(g.charShear[1], 0);
    double turn = turnOf(g), cs = std::cos(turn), sn = std::sin(turn);
    // The shear moves x by hx for each unit up, and y by hy for each unit across.
    double m11 = sx, m12 = hx * sy, m21 = hy * sx, m22 = sy;
    return {cs * m11 - sn * m21, cs * m12 - sn * m22, sn * m11 + cs * m21, sn * m12 + cs * m22};
}

// The world transform that sets resident-font characters of shape `m` with their place on the
// baseline at `o` (logical units). Glyphs are drawn with their tops towards logical -y, and the
// page's y axis points up: they are turned upright about the baseline, then shaped.
XFORM characterFrame(POINT o, const GlyphShape& m) {
    double ox = o.x, oy = o.y, a = m.a, b = -m.b, c = m.c, d = -m.d, f = 1 / kXlFine;
    return {static_cast<FLOAT>(a * f),
            static_cast<FLOAT>(c * f),
            static_cast<FLOAT>(b * f),
            static_cast<FLOAT>(d * f),
            static_cast<FLOAT>((ox - a * ox - b * oy) * f),
            static_cast<FLOAT>((oy - c * ox - d * oy) * f)};
}

// Characters of their font's own shape: no turn, shear or stretch.
bool plainShape(const PclXlGraphicsState& g) {
    return g.charAngle == 0 && g.charShear[0] == 0 && g.charShear[1] == 0 && g.charScale[0] == g.charScale[1] &&
        !(g.charBold > 0);
}

// The stroke that emboldens characters, in user units: the bold value of the character size.
double boldStroke(const PclXlGraphicsState& g) {
    return std::isfinite(g.charBold) ? std::clamp(g.charBold, 0.0, 10.0) * g.charSize : 0.0;
}

// Where an emboldened glyph is drawn from its place, in user units (y down): its left edge and
// its foot stay where they were, and it grows to the right and upwards, turned with the text.
void boldShift(const PclXlGraphicsState& g, double& dx, double& dy) {
    double half = boldStroke(g) / 2, turn = turnOf(g);
    dx = half * (std::cos(turn) - std::sin(turn));
    dy = -half * (std::sin(turn) + std::cos(turn));
}

// Fills the path made of glyph outlines with the brush, and for bold characters strokes it with
// the brush too.
void fillGlyphPath() {
    PclXlState& s = XlState();
    PclXlGraphicsState saved = s.gs;
    s.gs.pen = {PclXlPaint::None, 0, 0};
    double bold = boldStroke(saved);
    if (bold > 0) {
        s.gs.pen = s.gs.brush;
        s.gs.penWidth = bold;
        s.gs.lineJoin = s.gs.lineCap = 1;  // round
        s.gs.dash.clear();
    }
    s.gs.fillMode = 0;
    XlSelectObjects();
    if (bold > 0) StrokeAndFillPath(s.dc);
    else FillPath(s.dc);
    s.gs = saved;
    s.objectsSelected = false;
}

std::string faceName(const std::vector<int32_t>& name) {
    std::string face;
    for (int32_t c : name)
        if (c >= 0x20 && c < 0x7F) face += static_cast<char>(c);
    while (!face.empty() && face.back() == ' ') face.pop_back();
    return face.substr(0, LF_FACESIZE - 1);
}

// The system font the graphics state names, selected into the page: its height the character
// size, stretched by the vertical scale unless the characters are shaped apart.
void selectSystemFont(bool scaled) {
    PclXlState& s = XlState();
    const PclXlGraphicsState& g = s.gs;
    // The character size is the em height.
    double height = std::clamp(g.charSize * (scaled ? g.charScale[1] : 1) * s.sy, 0.0, 1e6);
    char key[160];
    std::snprintf(key, sizeof key, "%s/%.2f/%d", g.fontName.c_str(), height, g.symbolSet & 0xFF);
    XlSelectMade(s.font, s.fontKey, s.fontSelected, key, [&]() -> HGDIOBJ {
        PclXlResidentFace face = XlResidentFace(g.fontName);
        return CreateFontA(-static_cast<int>(height), 0, 0, 0, face.weight, face.italic, 0, 0,
                           static_cast<DWORD>(g.symbolSet & 0xFF), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, face.pitchAndFamily, face.face.c_str());
    });
    s.fontSelected = s.font && s.fontKey == key;
}

// How far the cursor moves after character i: the spacing data, else the glyph's own advance.
double advanceX(size_t i, double glyphAdvance) {
    const PclXlAttributes& a = XlState().attr;
    return i < a.xSpacing.size() ? a.xSpacing[i] : glyphAdvance;
}
double advanceY(size_t i) {
    const PclXlAttributes& a = XlState().attr;
    return i < a.ySpacing.size() ? a.ySpacing[i] : 0;
}

void moveCursorBy(double dx, double dy) {
    PclXlState& s = XlState();
    XlMoveCursor(s.cursor[0] + dx, s.cursor[1] + dy);
}

// The character a downloaded font's code stands for: the code itself in a Unicode font (18N),
// else the byte in the symbol set the header names; 0 where that is not known.
char32_t characterOf(const PclXlDownloadedFont& font, int32_t code) {
    constexpr int32_t kUnicode = SymbolSetId(18, 'N');
    if (font.symbolSet == kUnicode)
        return code > 0 && code <= 0xFFFF && (code < 0xD800 || code > 0xDFFF) ? static_cast<char32_t>(code) : 0;
    if (code < 0 || code > 255 || !KnownSymbolSet(font.symbolSet)) return 0;
    return FindSymbolSet(font.symbolSet).chars[code];
}

// Tells a document which character the glyph drawn next stands for.
void tellGlyph(const GlyphComment& glyph) {
    PclXlState& s = XlState();
    if (!glyph.character || !s.dc) return;
    auto bytes = GlyphCommentBytes(glyph);
    GdiComment(s.dc, static_cast<UINT>(bytes.size()), bytes.data());
}

// Bitmap glyphs: inked dots take the brush, the others leave the page as it is. Each glyph's
// corners are rounded on their own, in logical units finer than its dots, so that every glyph
// keeps its size and sits on the baseline.
void drawBitmapText(const PclXlDownloadedFont& font) {
    PclXlState& s = XlState();
    const std::vector<int32_t>& text = s.attr.textData;
    double kx = XlUserUnitsPerInch(0) / font.resolution[0], ky = XlUserUnitsPerInch(1) / font.resolution[1];
    auto fine = [&](double x, double y) {
        auto logical = [](double v) { return static_cast<LONG>(std::lround(std::clamp(v, -1e9, 1e9))); };
        return POINT{logical(x * s.sx), logical(-y * s.sy)};
    };
    XlSelectObjects();
    bool drawing = s.dc && s.gs.brush.kind != PclXlPaint::None;
    for (size_t i = 0; i < text.size(); ++i) {
        auto it = font.glyphs.find(text[i]);
        if (drawing && it != font.glyphs.end() && !it->second.bits.empty()) {
            const PclXlGlyph& g = it->second;
            POINT a = fine(s.cursor[0] + g.left * kx, s.cursor[1] - g.top * ky);
            POINT b = fine(s.cursor[0] + (g.left + g.width) * kx, s.cursor[1] + (g.height - g.top) * ky);
            // Inked dots are black, and PSDPxax paints the brush where the source is black.
            TwoColourDib bmi = MakeTwoColourDib(g.width, g.height, 1);
            tellGlyph({characterOf(font, text[i]), static_cast<double>(-g.left), static_cast<double>(g.top),
                       kx > 0 ? advanceX(i, 0) / kx : 0});
            StretchDIBits(s.dc, a.x, a.y, b.x - a.x, b.y - a.y, 0, 0, g.width, g.height, g.bits.data(), bmi.info(),
                          DIB_RGB_COLORS, 0x00B8074A);
        }
        moveCursorBy(advanceX(i, 0), advanceY(i));
    }
}

// TrueType glyphs: every outline of the string filled with the brush as one path.
void drawOutlineText(const PclXlDownloadedFont& font) {
    PclXlState& s = XlState();
    const PclXlGraphicsState& gs = s.gs;
    const std::vector<int32_t>& text = s.attr.textData;
    double perUnit = font.unitsPerEm > 0 ? 1.0 / font.unitsPerEm : 0.0004;
    double k = gs.charSize * perUnit, kx = k * gs.charScale[0];
    GlyphShape m = glyphShape(gs);
    double shiftX = 0, shiftY = 0;
    boldShift(gs, shiftX, shiftY);
    for (size_t i = 0; i < text.size(); ++i) {
        auto it = font.glyphs.find(text[i]);
        double advance = 0;
        if (it != font.glyphs.end()) {
            const PclXlGlyph& g = it->second;
            if (g.advance >= 0) advance = g.advance * kx;
            double cx = s.cursor[0] + shiftX, cy = s.cursor[1] + shiftY;
            if (s.dc && !g.outline.empty()) {
                // Each glyph its own path, told as its character to a document.
                POINT at = XlMapCursor(cx, cy);
                tellGlyph({characterOf(font, text[i]), static_cast<double>(at.x), static_cast<double>(at.y),
                           static_cast<double>(XlMapCursor(cx + advanceX(i, advance), cy).x - at.x), true});
                BeginPath(s.dc);
                AddOutlineFigures(s.dc, g.outline, [&](const OutlinePoint& p) {
                    return XlMapCursor(cx + (m.a * p.x + m.b * p.y) * k, cy - (m.c * p.x + m.d * p.y) * k);
                });
                EndPath(s.dc);
                fillGlyphPath();
            }
        }
        moveCursorBy(advanceX(i, advance), advanceY(i));
    }
}

// System-font characters of a shape of their own: each drawn on its own through a transform
// about its place on the baseline.
void drawShapedSystemText(const std::string& bytes) {
    PclXlState& s = XlState();
    selectSystemFont(false);
    GlyphShape m = glyphShape(s.gs);
    double shiftX = 0, shiftY = 0;
    boldShift(s.gs, shiftX, shiftY);
    bool visible = s.gs.brush.kind != PclXlPaint::None, bold = visible && boldStroke(s.gs) > 0;
    if (bold) BeginPath(s.dc);
    else SetTextColor(s.dc, s.gs.brush.color);
    double x = s.cursor[0], y = s.cursor[1];
    for (size_t i = 0; i < bytes.size(); ++i) {
        POINT o = XlMapCursor(x + shiftX, y + shiftY);
        XFORM frame = characterFrame(o, m);
        SetWorldTransform(s.dc, &frame);
        if (visible) TextOutA(s.dc, o.x, o.y, &bytes[i], 1);
        SIZE extent{};
        GetTextExtentPoint32A(s.dc, &bytes[i], 1, &extent);
        double natural = s.sx > 0 ? extent.cx / s.sx * s.gs.charScale[0] : 0;
        x += advanceX(i, natural), y += advanceY(i);
    }
    XlPageFrame(s.dc);
    if (bold) {
        EndPath(s.dc);
        fillGlyphPath();
    }
    XlMoveCursor(x, y);
}

void drawSystemText() {
    PclXlState& s = XlState();
    const std::vector<int32_t>& text = s.attr.textData;
    std::string bytes;
    for (int32_t c : text) bytes += static_cast<char>(c);
    if (!s.dc || bytes.empty()) return;
    XlSelectObjects();
    if (!plainShape(s.gs)) {
        drawShapedSystemText(bytes);
        return;
    }
    selectSystemFont(true);
    bool visible = s.gs.brush.kind != PclXlPaint::None;
    SetTextColor(s.dc, s.gs.brush.color);
    POINT at = XlMapCursor(s.cursor[0], s.cursor[1]);
    // Each character lands where the advances so far place it, rounded once: rounding each
    // advance on its own would carry a line's characters ever further from their places.
    std::vector<INT> dx;
    double total = 0;
    long placed = 0;
    for (size_t i = 0; i < text.size() && i < s.attr.xSpacing.size(); ++i) {
        total += s.attr.xSpacing[i];
        long next = std::lround(XlScaleX(total));
        dx.push_back(static_cast<INT>(next - placed));
        placed = next;
    }
    if (visible) {
        XFORM frame = characterFrame(at, GlyphShape{});
        SetWorldTransform(s.dc, &frame);
        if (dx.size() == bytes.size())
            ExtTextOutA(s.dc, at.x, at.y, 0, nullptr, bytes.data(), static_cast<UINT>(bytes.size()), dx.data());
        else TextOutA(s.dc, at.x, at.y, bytes.data(), static_cast<int>(bytes.size()));
        XlPageFrame(s.dc);
    }
    // The cursor moves past the text, as the printer's does.
    if (dx.size() != bytes.size()) {
        SIZE extent{};
        GetTextExtentPoint32A(s.dc, bytes.data(), static_cast<int>(bytes.size()), &extent);
        total = s.sx > 0 ? extent.cx / s.sx : 0;
    }
    double down = 0;
    for (size_t i = 0; i < s.attr.ySpacing.size() && i < text.size(); ++i) down += s.attr.ySpacing[i];
    moveCursorBy(total, down);
}
}  // namespace

void XlSetFont() {
    PclXlState& s = XlState();
    PclXlGraphicsState& g = s.gs;
    g.font = XlFindFont(s.attr.fontName);
    g.fontName = faceName(s.attr.fontName);
    g.charSize = s.attr.charSize;
    g.symbolSet = s.attr.symbolSet;
}

void XlSetCharScale() {
    PclXlState& s = XlState();
    s.gs.charScale[0] = s.attr.charScale[0];
    s.gs.charScale[1] = s.attr.charScale[1];
}

void XlSetCharAngle() { XlState().gs.charAngle = XlState().attr.charAngle; }

void XlSetCharShear() {
    PclXlState& s = XlState();
    s.gs.charShear[0] = s.attr.charShear[0];
    s.gs.charShear[1] = s.attr.charShear[1];
}

void XlSetCharBoldValue() { XlState().gs.charBold = XlState().attr.charBoldValue; }

void XlText() {
    PclXlState& s = XlState();
    XlPaintPendingPath();
    if (s.gs.font && s.gs.font->technology == 254) drawBitmapText(*s.gs.font);
    else if (s.gs.font) drawOutlineText(*s.gs.font);
    else drawSystemText();
    s.attr.textData.clear();
    s.path.clear();
}
