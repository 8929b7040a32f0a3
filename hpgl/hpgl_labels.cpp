// Labels (LB, BL, PB), their terminator (DT), origin (LO), size (SI, SR), direction
// (DI, DR, DV), slant (SL), spacing (ES, CP) and fonts (SD, AD, SS, SA, CS, CA).
#include "hpgl_labels.h"

#include "hpgl_drawing.h"
#include "hpgl_fills.h"
#include "hpgl_lines.h"
#include "hpgl_plot_state.h"
#include "hpgl_stroke_font.h"
#include "hpgl_syntax.h"
#include "kernel.h"
#include "pcl_symbol_sets.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
// Page units per point.
constexpr double kUnitsPerPoint = 2032.0 / 72;
// Cap height of the stand-in outline fonts as a part of their em.
constexpr double kCapHeight = 0.72;
// The stick font's cap height per point of SD's height, and its nominal character's
// width per cap height when the font is proportional (a plotter's 0.187 by 0.269 cm).
constexpr double kStickCapPerPoint = 0.663;
constexpr double kStickWidthPerCap = 0.187 / 0.269;
// The stick font's cell is one and a half nominal characters wide and its line two cap heights.
constexpr double kStickCellPerWidth = 1.5, kStickLinePerCap = 2;
// The Hershey 'H' is 14 units between its stems: the nominal character.
constexpr double kStrokeNominalWidth = 14;
// Label geometry stays within the plot's coordinate range.
constexpr double kMaxLabelUnits = 10000000;

bool strokeTypeface(int32_t typeface) { return typeface == 48 || typeface == 50; }

const char* faceOf(int32_t typeface) {
    switch (typeface) {
    case 3:
    case 4099: return "Courier New";
    case 5:
    case 25:
    case 4101:
    case 4197: return "Times New Roman";
    default: return "Arial";  // Univers, Helvetica and the rest
    }
}

// An outline font of a definition at the label size in force; null when none can be made.
HFONT createFont(const HpglFontDefinition& d) {
    HpglPlotState& h = Hpgl();
    LOGFONTA lf{};
    double em = h.capHeight != 0 ? std::fabs(h.capHeight) / kCapHeight : d.height * kUnitsPerPoint;
    lf.lfHeight = -static_cast<LONG>(std::clamp(std::llround(em), 1LL, 1000000LL));
    if (h.charWidth != 0) {
        // The cell holds a character and its spacing; the average glyph fills two thirds of it.
        lf.lfWidth = static_cast<LONG>(std::clamp(std::llround(std::fabs(h.charWidth) * 2.0 / 3), 1LL, 1000000LL));
    }
    lf.lfWeight = d.weight >= 3 ? FW_BOLD : d.weight <= -3 ? FW_LIGHT : FW_NORMAL;
    lf.lfItalic = d.posture == 1 || d.posture == 2;
    lf.lfPitchAndFamily = d.spacing == 0 ? FIXED_PITCH : VARIABLE_PITCH;
    std::strcpy(lf.lfFaceName, faceOf(d.typeface));
    return CreateFontIndirectA(&lf);
}

void makeFont() {
    HpglPlotState& h = Hpgl();
    const HpglFontDefinition& d = h.alternateSelected ? h.alternateFont : h.standardFont;
    if (h.font) DeleteObject(h.font);
    h.font = strokeTypeface(d.typeface) ? nullptr : createFont(d);
}

// How one of the two fonts lays characters out, in page units.
struct LabelFont {
    const HpglFontDefinition* definition = nullptr;
    bool stroke = true;
    bool proportional = false;
    double width = 0, cap = 0;  // the nominal character and the cap height
    double cell = 0, line = 0;  // the fixed advance (and ES's unit), the line spacing
    HFONT font = nullptr;       // an outline font
    bool ownsFont = false;
};

LabelFont labelFont(HDC dc, bool alternate) {
    HpglPlotState& h = Hpgl();
    LabelFont f;
    f.definition = alternate ? &h.alternateFont : &h.standardFont;
    const HpglFontDefinition& d = *f.definition;
    f.stroke = strokeTypeface(d.typeface);
    f.proportional = d.spacing == 1 || d.typeface == 50;
    if (f.stroke) {
        f.cap = h.capHeight != 0 ? std::fabs(h.capHeight) : d.height * kUnitsPerPoint * kStickCapPerPoint;
        if (h.charWidth != 0) f.width = std::fabs(h.charWidth);
        else if (f.proportional) f.width = f.cap * kStickWidthPerCap;
        else f.width = 2032.0 / d.pitch / kStickCellPerWidth;
        f.cell = f.width * kStickCellPerWidth;
        f.line = f.cap * kStickLinePerCap;
        return f;
    }
    if (alternate == h.alternateSelected && h.font) {
        f.font = h.font;
    } else {
        f.font = createFont(d);
        f.ownsFont = f.font != nullptr;
    }
    if (!f.font) return f;
    HGDIOBJ previous = SelectObject(dc, f.font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    f.cap = tm.tmAscent - tm.tmInternalLeading;
    f.width = tm.tmAveCharWidth;
    f.cell = tm.tmAveCharWidth;
    if (f.proportional) {
        // A proportional font's cell, ES's unit and the advance of a character it lacks, is its space.
        const char16_t space = u' ';
        SIZE e{};
        if (GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(&space), 1, &e) && e.cx > 0) f.cell = e.cx;
    }
    SelectObject(dc, previous);
    f.line = tm.tmHeight + tm.tmExternalLeading;
    return f;
}

// A character placed in label space: x along the run, y up, from the pen; page units.
struct Placed {
    char16_t c;
    bool alternate;
    double x, y, advance;
    int line;
};

// Label space to the page: slant, mirror and direction about the pen.
struct LabelTransform {
    double ux = 1, uy = 0, slant = 0, mirrorX = 1, mirrorY = 1, ox = 0, oy = 0;
    // How far along the run a page point lies from the pen.
    double alongRun(double x, double y) const { return ((x - ox) * ux + (y - oy) * uy) * mirrorX; }
    void apply(double x, double y, double& px, double& py) const {
        double sx = mirrorX * (x + slant * y), sy = mirrorY * y;
        px = ox + ux * sx - uy * sy;
        py = oy + uy * sx + ux * sy;
    }
};

LabelTransform labelTransform() {
    HpglPlotState& h = Hpgl();
    LabelTransform t;
    double rx = h.runX, ry = h.runY;
    if (h.relativeDirection) {
        rx *= static_cast<double>(h.p2x) - h.p1x;
        ry *= static_cast<double>(h.p2y) - h.p1y;
    }
    double n = std::hypot(rx, ry);
    if (n > 0 && std::isfinite(n)) t.ux = rx / n, t.uy = ry / n;
    t.slant = std::clamp(h.slant, -100.0, 100.0);
    t.mirrorX = h.charWidth < 0 ? -1 : 1;
    t.mirrorY = h.capHeight < 0 ? -1 : 1;
    t.ox = h.x, t.oy = h.y;
    return t;
}

int32_t clampUnits(double v) {
    if (!(v == v)) return 0;
    return static_cast<int32_t>(std::lround(std::clamp(v, -kMaxLabelUnits, kMaxLabelUnits)));
}

// The characters of a label laid out from the pen along DV's path, with CR, LF, BS and
// SO/SI obeyed unless TD makes them characters. `endX`, `endY`: where the next would go.
std::vector<Placed> layOut(HDC dc, const std::string& text, LabelFont fonts[2], bool& alternate, double crX,
                           double& endX, double& endY, double& lineStartX) {
    HpglPlotState& h = Hpgl();
    static const double kPath[4][2] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
    const double* pv = kPath[h.textPath & 3];
    // A line feed goes a quarter turn clockwise of the path.
    double lfx = pv[1], lfy = -pv[0];
    std::vector<Placed> out;
    double x = 0, y = 0, last = 0;
    lineStartX = crX;
    double lineStartY = 0;
    int line = 0;
    for (unsigned char byte : text) {
        LabelFont& f = fonts[alternate ? 1 : 0];
        double lineStep = f.line * (1 + h.extraLine);
        if (!h.transparentData && byte < 32) {
            switch (byte) {
            case '\r':
                x = pv[0] != 0 ? lineStartX : x;
                y = pv[1] != 0 ? lineStartY : y;
                break;
            case '\n':
                x += lfx * lineStep, y += lfy * lineStep;
                lineStartX += lfx * lineStep, lineStartY += lfy * lineStep;
                ++line;
                break;
            case '\b': x -= pv[0] * last, y -= pv[1] * last; break;
            case 0x0E: alternate = true; break;
            case 0x0F: alternate = false; break;
            default: break;
            }
            continue;
        }
        char16_t c = FindSymbolSet(f.definition->symbolSet).chars[byte];
        double advance = f.cell;
        if (f.stroke) {
            StrokeGlyph g;
            if (f.proportional && FindStrokeGlyph(c, g)) advance = g.width * f.width / kStrokeNominalWidth;
        } else if (f.font && c && f.proportional) {
            HGDIOBJ previous = SelectObject(dc, f.font);
            SIZE e{};
            GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(&c), 1, &e);
            SelectObject(dc, previous);
            advance = e.cx;
        }
        // Vertical paths stack characters an em apart.
        if (pv[0] == 0) advance = f.cap / kCapHeight;
        advance += h.extraSpace * f.cell;
        last = advance;
        if (pv[0] < 0) x -= advance;
        if (pv[1] < 0) y -= advance;
        out.push_back({c, alternate, x, y, advance - h.extraSpace * f.cell, line});
        if (pv[0] > 0) x += advance;
        if (pv[1] > 0) y += advance;
        if (std::fabs(x) > kMaxLabelUnits || std::fabs(y) > kMaxLabelUnits) break;
    }
    endX = x, endY = y;
    return out;
}

// Moves the characters so that LO's point of the label lies on the pen.
void placeByOrigin(std::vector<Placed>& chars, LabelFont fonts[2], double& endX, double& endY, double& lineStartX) {
    HpglPlotState& h = Hpgl();
    int32_t origin = h.labelOrigin > 10 ? h.labelOrigin - 10 : h.labelOrigin;
    int32_t column = (origin - 1) / 3, row = (origin - 1) % 3;  // left, centre, right; bottom, middle, top
    double top = -kMaxLabelUnits, bottom = kMaxLabelUnits, left = kMaxLabelUnits, right = -kMaxLabelUnits;
    for (const Placed& p : chars) {
        double cap = fonts[p.alternate ? 1 : 0].cap;
        top = std::max(top, p.y + cap), bottom = std::min(bottom, p.y);
        left = std::min(left, p.x), right = std::max(right, p.x + p.advance);
    }
    double nominal = fonts[h.alternateSelected ? 1 : 0].width, cap = fonts[h.alternateSelected ? 1 : 0].cap;
    if (h.textPath == 0 || h.textPath == 2) {
        // Lines go down the sheet from the first, which LO places.
        bottom = 0, top = cap;
    }
    double dy = -(bottom + (top - bottom) * row / 2);
    double dx = -(left + (right - left) * column / 2);
    if (h.labelOrigin > 10) {
        // 11 to 19 stand half a character off the point, away from the label.
        dx += column == 0 ? nominal / 2 : column == 2 ? -nominal / 2 : 0;
        dy += row == 0 ? cap / 2 : row == 2 ? -cap / 2 : 0;
    }
    if (h.textPath == 0 && column != 0) {
        // Each line of a label along the baseline is centred or set right on its own.
        int lines = chars.back().line + 1;
        std::vector<double> ends(static_cast<size_t>(lines), 0);
        for (const Placed& p : chars)
            ends[static_cast<size_t>(p.line)] = std::max(ends[static_cast<size_t>(p.line)], p.x + p.advance);
        for (Placed& p : chars) p.x -= ends[static_cast<size_t>(p.line)] * column / 2;
        dx = column == 2 && h.labelOrigin > 10 ? -nominal / 2 : 0;
    }
    for (Placed& p : chars) p.x += dx, p.y += dy;
    endX += dx, endY += dy, lineStartX += dx;
}

void drawStroke(HDC dc, const Placed& p, const LabelFont& f, const LabelTransform& t) {
    StrokeGlyph g;
    if (!FindStrokeGlyph(p.c, g)) return;
    double sx = f.width / kStrokeNominalWidth, sy = f.cap / kStrokeCapHeight;
    // A fixed cell centres its character on the nominal character's width.
    double shift = f.proportional ? 0 : (kStrokeNominalWidth - g.width) / 2;
    const int16_t* v = g.points;
    std::vector<POINT> points;
    for (uint16_t s = 0; s < g.strokes; ++s) {
        points.clear();
        for (uint16_t i = 0; i < g.lengths[s]; ++i, v += 2) {
            double px, py;
            t.apply(p.x + (v[0] + shift) * sx, p.y + v[1] * sy, px, py);
            points.push_back(POINT{clampUnits(px), clampUnits(py)});
        }
        if (points.size() == 1) points.push_back(points[0]);  // a dot
        Polyline(dc, points.data(), static_cast<int>(points.size()));
    }
}

void drawOutline(HDC dc, const Placed& p, const LabelFont& f, const LabelTransform& t) {
    if (!f.font || !p.c) return;
    XFORM before{};
    GetWorldTransform(dc, &before);
    // Label space onto the plot: the turn, slant and mirror of the label about the pen. Glyphs
    // are drawn with their tops towards logical -y and label space's y axis points up, so the
    // character is set in label space turned upside down, its place with it.
    double ax, ay, bx, by, ox, oy;
    t.apply(0, 0, ox, oy);
    t.apply(1, 0, ax, ay);
    t.apply(0, 1, bx, by);
    XFORM label{static_cast<FLOAT>(ax - ox),    static_cast<FLOAT>(ay - oy), static_cast<FLOAT>(-(bx - ox)),
                static_cast<FLOAT>(-(by - oy)), static_cast<FLOAT>(ox),      static_cast<FLOAT>(oy)};
    ModifyWorldTransform(dc, &label, MWT_LEFTMULTIPLY);
    HGDIOBJ previous = SelectObject(dc, f.font);
    const HpglPlotState& h = Hpgl();
    int32_t edge = h.edgePen < 0 ? h.currentPen : h.edgePen;
    bool edged = h.characterFill != 2 && edge != 0, plain = h.characterFill == 0 && !edged;
    // CF other than solid and unedged: the character's outline filled solid or with the fill
    // type, edged with a pen as heavy as the type is large, or both.
    if (!plain) BeginPath(dc);
    TextOutW(dc, clampUnits(p.x), clampUnits(-p.y), reinterpret_cast<LPCWSTR>(&p.c), 1);
    if (!plain) EndPath(dc);
    SelectObject(dc, previous);
    SetWorldTransform(dc, &before);
    if (plain) return;
    HBRUSH brush = h.characterFill == 1 ? nullptr
        : h.characterFill == 0          ? CreateSolidBrush(PenColor(h.currentPen))
                                        : CreateFillTypeBrush();
    HPEN pen = nullptr;
    if (edged) {
        LOGBRUSH colour{BS_SOLID, PenColor(edge), 0};
        auto width = static_cast<DWORD>(std::clamp(std::fabs(f.cap) / 25, 1.0, 1000.0));
        pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_JOIN_ROUND, width, &colour, 0, nullptr);
    }
    HGDIOBJ oldBrush = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
    if (brush && pen) StrokeAndFillPath(dc);
    else if (brush) FillPath(dc);
    else if (pen) StrokePath(dc);
    else AbortPath(dc);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    if (brush) DeleteObject(brush);
    if (pen) DeleteObject(pen);
}

// Draws a label from the pen and moves the pen on as a plotter does.
void drawLabel(const std::string& text) {
    HpglPlotState& h = Hpgl();
    HDC dc = PlotInkDC();
    if (!dc) return;
    LabelFont fonts[2] = {labelFont(dc, false), labelFont(dc, true)};
    LabelTransform t = labelTransform();
    // The carriage-return point, along the run, from the pen.
    double crX = t.alongRun(h.crX, h.crY);
    bool alternate = h.alternateSelected;
    double endX = 0, endY = 0, lineStartX = 0;
    std::vector<Placed> chars = layOut(dc, text, fonts, alternate, crX, endX, endY, lineStartX);
    if (!chars.empty()) {
        placeByOrigin(chars, fonts, endX, endY, lineStartX);
        UINT align = SetTextAlign(dc, TA_LEFT | TA_BASELINE);
        HPEN pen = CreateLabelPen();
        HGDIOBJ previousPen = pen ? SelectObject(dc, pen) : nullptr;
        for (const Placed& p : chars) {
            const LabelFont& f = fonts[p.alternate ? 1 : 0];
            if (f.stroke) drawStroke(dc, p, f, t);
            else drawOutline(dc, p, f, t);
        }
        if (previousPen) SelectObject(dc, previousPen);
        if (pen) DeleteObject(pen);
        SetTextAlign(dc, align);
    }
    for (LabelFont& f : fonts)
        if (f.ownsFont) DeleteObject(f.font);
    // The font a label shifted to stays selected.
    if (alternate != h.alternateSelected) {
        h.alternateSelected = alternate;
        makeFont();
    }
    // A label set from its left leaves the pen where its next character would go.
    int32_t origin = h.labelOrigin > 10 ? h.labelOrigin - 10 : h.labelOrigin;
    if (origin <= 3) {
        double px, py, cx, cy;
        t.apply(endX, endY, px, py);
        t.apply(lineStartX, endY, cx, cy);
        h.x = clampUnits(px), h.y = clampUnits(py);
        h.crX = clampUnits(cx), h.crY = clampUnits(cy);
    }
    MoveToEx(dc, h.x, h.y, nullptr);
}

// The label text after LB or BL, to the terminator.
std::optional<std::string> labelText(const uint8_t* params, size_t length) {
    return ReadLabelText(params, length, Hpgl().labelTerminator);
}

void defineFont(const HpglParams& p, HpglFontDefinition& d) {
    for (size_t i = 0; i + 1 < p.size(); i += 2) {
        double v = p[i + 1];
        switch (p.integer(i)) {
        case 1: d.symbolSet = p.integer(i + 1); break;
        case 2: d.spacing = p.integer(i + 1); break;
        case 3:
            if (v > 0) d.pitch = std::min(v, 10000.0);
            break;
        case 4:
            if (v > 0) d.height = std::min(v, 10000.0);
            break;
        case 5: d.posture = p.integer(i + 1); break;
        case 6: d.weight = p.integer(i + 1); break;
        case 7: d.typeface = p.integer(i + 1); break;
        default: break;
        }
    }
}
}  // namespace

bool HpglDefineTerminator(const uint8_t* params, size_t length) {
    Hpgl().labelTerminator = HpglLabelTerminatorAfter("DT", params, length, Hpgl().labelTerminator);
    return true;
}

bool HpglLabelOrigin(const HpglParams& p) {
    int32_t n = p.empty() ? 1 : p.integer(0);
    Hpgl().labelOrigin = (n >= 1 && n <= 9) || (n >= 11 && n <= 19) ? n : 1;
    return true;
}

bool HpglLabel(const uint8_t* params, size_t length) {
    std::optional<std::string> text = labelText(params, length);
    if (!text) return false;
    drawLabel(*text);
    return true;
}

bool HpglBufferLabel(const uint8_t* params, size_t length) {
    std::optional<std::string> text = labelText(params, length);
    if (!text) return false;
    Hpgl().labelBuffer = std::move(*text);
    return true;
}

bool HpglPrintBuffer() {
    drawLabel(Hpgl().labelBuffer);
    return true;
}

bool HpglTextPath(const HpglParams& p) {
    int32_t n = p.empty() ? 0 : p.integer(0);
    Hpgl().textPath = n >= 0 && n <= 3 ? n : 0;
    return true;
}

bool HpglCharacterSize(const HpglParams& p, bool relative) {
    HpglPlotState& h = Hpgl();
    double w, ht;
    if (relative) {
        // Percentages of the P1-P2 spans, plotter units doubled to page units.
        double pw = p.size() >= 2 ? p[0] : 0.75, ph = p.size() >= 2 ? p[1] : 1.5;
        w = pw / 100 * std::fabs(static_cast<double>(h.p2x) - h.p1x) * 2;
        ht = ph / 100 * std::fabs(static_cast<double>(h.p2y) - h.p1y) * 2;
    } else if (p.size() >= 2) {
        w = p[0] * 10 * 80, ht = p[1] * 10 * 80;  // centimetres to 1/80 mm
    } else {
        h.capHeight = h.charWidth = 0;  // back to the font's own size
        makeFont();
        return true;
    }
    h.charWidth = std::clamp(SaturatedInt(w), -1000000, 1000000);
    h.capHeight = std::clamp(SaturatedInt(ht), -1000000, 1000000);
    makeFont();
    return true;
}

bool HpglDirection(const HpglParams& p, bool relative) {
    HpglPlotState& h = Hpgl();
    h.relativeDirection = relative && p.size() >= 2;
    if (p.size() >= 2 && (p[0] != 0 || p[1] != 0)) h.runX = p[0], h.runY = p[1];
    else h.runX = 1, h.runY = 0;
    return true;
}

bool HpglSlant(const HpglParams& p) {
    Hpgl().slant = p.empty() ? 0 : p[0];
    return true;
}

bool HpglExtraSpace(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    h.extraSpace = p.size() >= 1 ? std::clamp(p[0], -100.0, 100.0) : 0;
    h.extraLine = p.size() >= 2 ? std::clamp(p[1], -100.0, 100.0) : 0;
    return true;
}

bool HpglCharacterPlot(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    HDC dc = PlotDC();
    LabelFont f = labelFont(dc, h.alternateSelected);
    if (f.ownsFont) DeleteObject(f.font);
    LabelTransform t = labelTransform();
    double px, py;
    if (p.size() >= 2) {
        // Whole cells along the run and lines up from the pen.
        t.apply(std::clamp(p[0], -1e5, 1e5) * f.cell * (1 + h.extraSpace), std::clamp(p[1], -1e5, 1e5) * f.line, px,
                py);
    } else {
        // A carriage return and a line feed.
        t.apply(t.alongRun(h.crX, h.crY), -f.line * (1 + h.extraLine), px, py);
    }
    h.x = clampUnits(px), h.y = clampUnits(py);
    if (p.size() < 2) h.crX = h.x, h.crY = h.y;
    if (dc) MoveToEx(dc, h.x, h.y, nullptr);
    return true;
}

bool HpglTransparentData(const HpglParams& p) {
    Hpgl().transparentData = !p.empty() && p.integer(0) == 1;
    return true;
}

bool HpglCharacterFill(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    int32_t mode = p.empty() ? 0 : std::clamp(p.integer(0), 0, 3);
    h.characterFill = mode;
    // Without an edge pen, modes 1 and 3 edge with the current pen.
    h.edgePen = p.size() >= 2 ? p.integer(1) : mode == 1 || mode == 3 ? -1 : 0;
    return true;
}

bool HpglFontCommand(const char* mnemonic, const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    if (std::strcmp(mnemonic, "SD") == 0) {
        defineFont(p, h.standardFont);
        h.capHeight = h.charWidth = 0;  // a definition brings its own size
    } else if (std::strcmp(mnemonic, "AD") == 0) {
        defineFont(p, h.alternateFont);
    } else if (std::strcmp(mnemonic, "CS") == 0 || std::strcmp(mnemonic, "CA") == 0) {
        // The character sets of HP-GL: 0 to 39 are national variants of ASCII, which
        // Roman-8 begins with; larger numbers are HP symbol set values.
        int32_t set = p.empty() ? 0 : p.integer(0);
        HpglFontDefinition& d = mnemonic[1] == 'S' ? h.standardFont : h.alternateFont;
        d.symbolSet = set >= 0 && set <= 39 ? kRoman8 : set;
    } else {
        h.alternateSelected = std::strcmp(mnemonic, "SA") == 0;
    }
    makeFont();
    return true;
}

void PlotSymbolCharacter(char c) {
    HpglPlotState& h = Hpgl();
    // The symbol is centred on the point: a one-character label at LO5, the pen left where it was.
    int32_t x = h.x, y = h.y, crX = h.crX, crY = h.crY, origin = h.labelOrigin, path = h.textPath;
    h.labelOrigin = 5, h.textPath = 0;
    drawLabel(std::string(1, c));
    h.labelOrigin = origin, h.textPath = path;
    h.x = x, h.y = y, h.crX = crX, h.crY = crY;
    if (HDC dc = PlotDC()) MoveToEx(dc, x, y, nullptr);
}
