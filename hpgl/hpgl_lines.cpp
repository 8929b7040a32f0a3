#include "hpgl_lines.h"

#include "hpgl_coordinates.h"
#include "hpgl_drawing.h"
#include "hpgl_fills.h"
#include "hpgl_plot_state.h"
#include "plot_page.h"

#include <algorithm>
#include <cmath>

namespace {
// Widest pen: 200 mm in page units.
constexpr int32_t kMaxPenWidth = 16000;
// GDI takes at most this many dash lengths.
constexpr size_t kMaxDashes = 16;

void selectPen(HPEN pen) {
    HpglPlotState& h = Hpgl();
    HDC dc = PlotDC();
    if (!pen) return;  // the pen in use stays
    if (!dc) {
        DeleteObject(pen);
        return;
    }
    SelectObject(dc, pen);
    if (h.pen) DeleteObject(h.pen);
    h.pen = pen;
}

HPEN makePen(COLORREF colour) {
    HpglPlotState& h = Hpgl();
    LOGBRUSH brush{BS_SOLID, colour, 0};
    // SV screens the lines: shaded, patterned, or not drawn where the pattern is undefined.
    std::optional<PlotPaint> screen = VectorScreen();
    if (screen && screen->invisible) brush = {BS_NULL, 0, 0};
    else if (screen && !screen->pattern.empty())
        brush = {BS_DIBPATTERNPT, DIB_RGB_COLORS, reinterpret_cast<uintptr_t>(screen->pattern.data())};
    else if (screen) brush.lbColor = screen->colour;
    auto width = static_cast<DWORD>(std::clamp(h.penWidth, 1, kMaxPenWidth));
    auto user = h.userLineTypes.find(h.userLineType);
    if (user != h.userLineTypes.end() && !user->second.empty()) {
        DWORD style = PS_GEOMETRIC | PS_USERSTYLE | (h.lineStyle & ~PS_STYLE_MASK);
        return ExtCreatePen(style, width, &brush, static_cast<DWORD>(user->second.size()), user->second.data());
    }
    return ExtCreatePen(PS_GEOMETRIC | static_cast<DWORD>(h.lineStyle), width, &brush, 0, nullptr);
}

// The pairs of PA, PR, PD and PU; an odd last value is dropped.
void plotPairs(const HpglParams& p, bool relative, bool down, bool symbols) {
    for (size_t i = 0; i + 1 < p.size(); i += 2) {
        int32_t x, y;
        if (relative) RelativePoint(p[i], p[i + 1], x, y);
        else ScalePoint(p[i], p[i + 1], x, y);
        PenTo(x, y, down);
        if (symbols) PlotSymbol();
    }
}

// Polyline-encoded numbers: base-64 (or base-32) digits, least significant first.
struct PeDecoder {
    const std::string& text;
    size_t pos = 0;
    bool sevenBit = false;
    int32_t fraction = 0;

    static bool flag(uint8_t c) {
        return c == ';' || c == ':' || c == '<' || c == '>' || c == '=' || c == '7' || c == '9';
    }
    int32_t terminatorBase() const { return sevenBit ? 95 : 191; }
    bool atEnd() const { return pos >= text.size(); }
    uint8_t peek() const { return static_cast<uint8_t>(text[pos]); }

    // Up to four numbers (at most `count`), stopping before a flag byte or at the end.
    struct Numbers {
        double v[4];
        size_t size = 0;
    };
    Numbers numbers(size_t count) {
        Numbers out;
        count = std::min<size_t>(count, 4);
        int32_t t = terminatorBase();
        double base = sevenBit ? 32 : 64;
        // 2 to the power of minus the fractional bits: scaling by it is exact.
        const double unit = std::ldexp(1.0, -fraction);
        while (out.size < count && !atEnd() && !flag(peek())) {
            if (peek() < 63) {  // not a digit of either coding
                ++pos;
                continue;
            }
            double v = 0, weight = 1;
            bool ended = false;
            while (!atEnd()) {
                uint8_t c = peek();
                ++pos;
                double d = c < t ? c - 63 : c - t;
                if (weight < 1e18) v += d * weight;  // digits beyond any real value are ignored
                weight *= base;
                if (c >= t) {
                    ended = true;
                    break;
                }
            }
            if (!ended) break;  // a number cut off by the end of the text
            // The lowest bit of the whole part is the sign.
            double whole = std::trunc(v);
            bool even = whole == 2 * std::floor(whole / 2);
            v = even ? v / 2 : -(v - 1) / 2;
            out.v[out.size++] = std::clamp(v * unit, -kHpglNumberLimit, kHpglNumberLimit);
        }
        return out;
    }
    // A whole number (a pen, a count of fractional bits), encoded as the coordinates are.
    int32_t integer() {
        int32_t kept = fraction;
        fraction = 0;
        Numbers n = numbers(1);
        fraction = kept;
        return n.size ? static_cast<int32_t>(n.v[0]) : 0;
    }
};
}  // namespace

COLORREF PenColor(int32_t n) {
    static const COLORREF builtIn[8] = {0xFFFFFF, 0x000000, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
    HpglPlotState& h = Hpgl();
    auto it = h.penColours.find(n);
    if (it != h.penColours.end()) return it->second;
    return n >= 0 && n < 8 ? builtIn[n] : 0;
}

// The pen whose colour a pen number draws with: undefined numbers wrap round the number of pens.
static int32_t shownPen(int32_t n) {
    HpglPlotState& h = Hpgl();
    if (h.penColours.count(n)) return n;
    return static_cast<int32_t>((int64_t{n} - 1) % h.numberOfPens + 1);
}

void RemakePen(int32_t pen) { selectPen(makePen(PenColor(shownPen(pen)))); }

HPEN CreateLabelPen() {
    HpglPlotState& h = Hpgl();
    LOGBRUSH brush{BS_SOLID, PenColor(shownPen(h.currentPen)), 0};
    auto width = static_cast<DWORD>(std::clamp(h.penWidth, 1, kMaxPenWidth));
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND, width, &brush, 0, nullptr);
}

bool HpglPlotAbsolute(const HpglParams& p) {
    Hpgl().absolute = true;
    plotPairs(p, false, !Hpgl().penUp, true);
    return true;
}

bool HpglPlotRelative(const HpglParams& p) {
    Hpgl().absolute = false;
    plotPairs(p, true, !Hpgl().penUp, true);
    return true;
}

bool HpglPenDown(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    h.penUp = false;
    plotPairs(p, !h.absolute, true, true);
    return true;
}

bool HpglPenUp(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    h.penUp = true;
    if (h.polygonMode && !h.polygonOpen.empty()) h.polygonOpen.back() = true;
    plotPairs(p, !h.absolute, false, false);
    return true;
}

bool HpglPolylineEncoded(const std::string& text) {
    HpglPlotState& h = Hpgl();
    PeDecoder d{text};
    // '<' (pen up) and '=' (absolute) mark the one point that follows them, in either order.
    bool penUp = false, absolute = false, rectangles = false;
    while (!d.atEnd()) {
        uint8_t c = d.peek();
        if (c == '7') {
            ++d.pos;
            d.sevenBit = true;
        } else if (c == ':') {
            ++d.pos;
            HpglParams pen;
            pen.values.push_back(d.integer());
            HpglSelectPen(pen);
        } else if (c == '>') {
            ++d.pos;
            d.fraction = std::clamp(d.integer(), 0, 26);
        } else if (c == '9') {
            ++d.pos;
            rectangles = true;
        } else if (c == '<') {
            ++d.pos;
            rectangles = false;
            penUp = true;
        } else if (c == '=') {
            ++d.pos;
            absolute = true;
        } else if (c == ';') {
            ++d.pos;
        } else {
            PeDecoder::Numbers n = d.numbers(rectangles && !penUp ? 4 : 2);
            const double* v = n.v;
            if (n.size < 2) continue;  // the bytes read were no whole point
            int32_t x, y;
            if (absolute) ScalePoint(v[0], v[1], x, y);
            else RelativePoint(std::trunc(v[0]), std::trunc(v[1]), x, y);
            if (rectangles && !penUp && n.size == 4) {
                h.x = x, h.y = y;
                if (HDC dc = PlotInkDC())
                    Rectangle(dc, x, y, SaturatedInt(std::trunc(v[2])), SaturatedInt(std::trunc(v[3])));
            } else {
                PenTo(x, y, !penUp);
            }
            PlotSymbol();
            penUp = absolute = false;
        }
    }
    return true;
}

bool HpglSymbolMode(const uint8_t* params, size_t length) {
    HpglPlotState& h = Hpgl();
    uint8_t c = length ? params[0] : ';';
    h.symbolMode = !(c == ';' || c == ' ' || c == '\t');
    h.symbol = h.symbolMode ? static_cast<char>(c) : 0;
    return true;
}

bool HpglSelectPen(const HpglParams& p) {
    if (p.empty()) return false;
    Hpgl().currentPen = p.integer(0);
    RemakePen(Hpgl().currentPen);  // the line type in force goes with the new pen
    return true;
}

bool HpglNumberOfPens(const HpglParams& p) {
    if (!p.empty() && p.integer(0) > 0) Hpgl().numberOfPens = std::min(p.integer(0), 32768);
    return true;
}

bool HpglPenColour(const HpglParams& p) {
    if (p.size() < 4) return false;
    HpglPlotState& h = Hpgl();
    // Each primary from CR's range onto 0 to 255.
    auto primary = [&](size_t i) {
        double lo = h.colourRange[2 * (i - 1)], hi = h.colourRange[2 * (i - 1) + 1];
        double v = hi != lo ? (p[i] - lo) / (hi - lo) * 255 : 0;
        return static_cast<COLORREF>(std::lround(std::clamp(v, 0.0, 255.0)));
    };
    h.penColours[p.integer(0)] = primary(1) | primary(2) << 8 | primary(3) << 16;
    if (p.integer(0) == h.currentPen) RemakePen(h.currentPen);
    return true;
}

bool HpglColourRange(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    static const double kDefault[6] = {0, 255, 0, 255, 0, 255};
    if (p.empty()) std::copy(std::begin(kDefault), std::end(kDefault), h.colourRange);
    else if (p.size() == 6)
        for (size_t i = 0; i < 6; ++i) h.colourRange[i] = p[i];
    else return false;
    return true;
}

bool HpglTickLength(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    h.tickUp = p.size() >= 1 ? std::clamp(p[0], -128.0, 128.0) : 0.5;
    h.tickDown = p.size() >= 2 ? std::clamp(p[1], -128.0, 128.0) : p.size() == 1 ? 0 : 0.5;
    return true;
}

bool HpglTick(const HpglParams&, bool alongX) {
    HpglPlotState& h = Hpgl();
    // A tick across the axis it marks: XT's runs up and down, YT's left and right, in
    // parts of the P1-P2 span across it.
    double span = std::fabs(alongX ? static_cast<double>(h.p2y) - h.p1y : static_cast<double>(h.p2x) - h.p1x) * 2;
    double up = h.tickUp / 100 * span, down = h.tickDown / 100 * span;
    HDC dc = PlotInkDC();
    if (!dc) return true;
    if (alongX) {
        MoveToEx(dc, h.x, PageCoordinate(h.y + up), nullptr);
        LineTo(dc, h.x, PageCoordinate(h.y - down));
    } else {
        MoveToEx(dc, PageCoordinate(h.x + up), h.y, nullptr);
        LineTo(dc, PageCoordinate(h.x - down), h.y);
    }
    MoveToEx(dc, h.x, h.y, nullptr);
    return true;
}

bool HpglPenWidthUnit(const HpglParams& p) {
    Hpgl().penWidthUnit = p.empty() ? 0 : p.integer(0);
    return true;
}

bool HpglPenWidth(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    double w = p.empty() ? (h.penWidthUnit == 1 ? 0.1 : 0.35) : p[0];
    double units;
    if (h.penWidthUnit == 0) {
        units = w * 80;  // millimetres to 1/80 mm
    } else if (h.penWidthUnit == 1) {
        // A percentage of the P1-P2 diagonal, in plotter units (two page units each).
        double diagonal = std::hypot(static_cast<double>(h.p2x) - h.p1x, static_cast<double>(h.p2y) - h.p1y);
        units = w * diagonal / 100 * 2;
    } else {
        return false;
    }
    h.penWidth = std::clamp(SaturatedInt(units), 1, kMaxPenWidth);
    RemakePen(h.currentPen);
    return true;
}

bool HpglLineType(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    int32_t t = p.empty() ? 0 : p.integer(0);
    int32_t flags = h.lineStyle & ~PS_STYLE_MASK;  // the ends and joins of LA stay
    if (h.userLineTypes.count(t) && t != 0) {
        h.userLineType = t;
    } else {
        h.userLineType = -1;
        int32_t a = t < 0 ? -t : t, style = PS_SOLID;
        if (a >= 1 && a <= 4) style = PS_DASH;
        else if (a == 5) style = PS_DASHDOT;
        else if (a == 6) style = PS_DASHDOTDOT;
        else if (a == 7 || a == 8) style = PS_DOT;
        h.lineStyle = style | flags;
    }
    RemakePen(h.currentPen);
    return true;
}

bool HpglUserLineType(const HpglParams& p) {
    if (p.empty()) return false;
    std::vector<DWORD> dashes;
    for (size_t i = 1; i < p.size() && dashes.size() < kMaxDashes; ++i)
        dashes.push_back(static_cast<DWORD>(std::clamp(p.integer(i), 0, kMaxPlotCoordinate)));
    Hpgl().userLineTypes[p.integer(0)] = std::move(dashes);
    return true;
}

bool HpglLineAttributes(const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    if (p.empty()) return true;
    for (size_t i = 0; i + 1 < p.size(); i += 2) {
        int32_t kind = p.integer(i), v = p.integer(i + 1);
        if (kind == 1) {
            int32_t end = v == 1 ? PS_ENDCAP_FLAT : (v == 2 || v == 3) ? PS_ENDCAP_SQUARE : PS_ENDCAP_ROUND;
            h.lineStyle = (h.lineStyle & ~PS_ENDCAP_MASK) | end;
        } else if (kind == 2) {
            int32_t join = (v == 1 || v == 2)  ? PS_JOIN_MITER
                : (v == 3 || v == 5 || v == 6) ? PS_JOIN_BEVEL
                                               : PS_JOIN_ROUND;
            h.lineStyle = (h.lineStyle & ~PS_JOIN_MASK) | join;
        } else if (kind == 3 && PlotDC()) {
            SetMiterLimit(PlotDC(), static_cast<FLOAT>(std::clamp(p[i + 1], 1.0, 32767.0)), nullptr);
        }
    }
    RemakePen(h.currentPen);
    return true;
}
