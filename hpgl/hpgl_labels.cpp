// Labels (LB), their terminator (DT), origin (LO), size (SI, SR) and fonts (SD, AD, SS, SA).
#include "hpgl_labels.h"

#include "hpgl_drawing.h"
#include "hpgl_lines.h"
#include "hpgl_plot_state.h"
#include "kernel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
// Page units per point.
constexpr double kUnitsPerPoint = 2032.0 / 72;
// Cap height of the stand-in fonts as a part of their em.
constexpr double kCapHeight = 0.72;

const char* faceOf(int32_t typeface) {
    switch (typeface) {
    case 3:
    case 4099: return "Courier New";
    case 5:
    case 25:
    case 4101:
    case 4197: return "Times New Roman";
    default: return "Arial";  // the stick font, Univers, Helvetica and the rest
    }
}

// A font of a definition at the label size in force; null when none can be made.
HFONT createFont(const HpglFontDefinition& d) {
    HpglPlotState& h = Hpgl();
    LOGFONTA lf{};
    double em = h.capHeight > 0 ? h.capHeight / kCapHeight : d.height * kUnitsPerPoint;
    lf.lfHeight = -std::clamp(static_cast<LONG>(std::lround(em)), LONG{1}, LONG{1000000});
    if (h.cellWidth > 0) {
        // The cell holds a character and its spacing; the average glyph fills two thirds of it.
        lf.lfWidth = std::clamp(static_cast<LONG>(std::lround(h.cellWidth * 2.0 / 3)), LONG{1}, LONG{1000000});
    }
    lf.lfWeight = d.weight >= 3 ? FW_BOLD : d.weight <= -3 ? FW_LIGHT : FW_NORMAL;
    lf.lfItalic = d.posture == 1 || d.posture == 2;
    lf.lfPitchAndFamily = d.spacing == 0 && d.typeface != 48 ? FIXED_PITCH : VARIABLE_PITCH;
    std::strcpy(lf.lfFaceName, faceOf(d.typeface));
    return CreateFontIndirectA(&lf);
}

void makeFont() {
    HpglPlotState& h = Hpgl();
    HFONT font = createFont(h.alternateSelected ? h.alternateFont : h.standardFont);
    if (!font) return;  // the font in use stays
    if (h.font) DeleteObject(h.font);
    h.font = font;
}

// A run of a label's line in one font: SO and SI switch to the alternate and the standard font.
struct LabelRun {
    bool alternate;
    std::u16string text;
    int32_t width = 0;
};

std::vector<LabelRun> splitRuns(const std::u16string& line, bool& alternate) {
    std::vector<LabelRun> runs{{alternate, {}}};
    for (char16_t c : line) {
        if (c == 0x0E || c == 0x0F) {
            alternate = c == 0x0E;
            if (!runs.back().text.empty()) runs.push_back({alternate, {}});
            else runs.back().alternate = alternate;
        } else {
            runs.back().text.push_back(c);
        }
    }
    return runs;
}

void defineFont(const HpglParams& p, HpglFontDefinition& d) {
    for (size_t i = 0; i + 1 < p.size(); i += 2) {
        double v = p[i + 1];
        switch (p.integer(i)) {
        case 1: d.symbolSet = p.integer(i + 1); break;
        case 2: d.spacing = p.integer(i + 1); break;
        case 3: if (v > 0) d.pitch = v; break;
        case 4: if (v > 0) d.height = std::min(v, 10000.0); break;
        case 5: d.posture = p.integer(i + 1); break;
        case 6: d.weight = p.integer(i + 1); break;
        case 7: d.typeface = p.integer(i + 1); break;
        default: break;
        }
    }
}

// A label along DV's path: its characters one after another down, leftward or up,
// each upright, in a box placed at the pen by LO as a label of one line is.
template <typename FontOf>
void drawAlongPath(HDC dc, const std::u16string& text, FontOf fontOf, bool& alternate, int32_t origin, int32_t cap,
                   int32_t line) {
    HpglPlotState& h = Hpgl();
    struct Glyph {
        char16_t c;
        bool alternate;
        int32_t width;
    };
    std::vector<Glyph> glyphs;
    for (char16_t c : text) {
        if (c == 0x0E || c == 0x0F) alternate = c == 0x0E;
        else if (c != u'\r' && c != u'\n' && fontOf(alternate)) glyphs.push_back({c, alternate, 0});
    }
    if (glyphs.empty()) return;
    int32_t widest = 0, total = 0;
    for (Glyph& g : glyphs) {
        SelectObject(dc, fontOf(g.alternate));
        SIZE e{};
        GetTextExtentPoint32W(dc, &g.c, 1, &e);
        g.width = e.cx;
        widest = std::max(widest, g.width);
        total = std::min(total + g.width, 10000000);
    }
    bool vertical = h.textPath == 1 || h.textPath == 3;
    int64_t n = static_cast<int64_t>(glyphs.size());
    // The box: one character wide and n lines tall, or a line of them; y grows upward.
    int64_t boxWidth = vertical ? widest : total;
    int64_t boxHeight = vertical ? cap + (n - 1) * line : cap;
    int32_t column = (origin - 1) / 3, row = (origin - 1) % 3;
    int64_t left = h.x - (column == 2 ? boxWidth : column == 1 ? boxWidth / 2 : 0);
    int64_t bottom = h.y - (row == 2 ? boxHeight : row == 1 ? boxHeight / 2 : 0);
    int64_t x = h.textPath == 2 ? left + boxWidth : left;
    for (int64_t i = 0; i < n; ++i) {
        const Glyph& g = glyphs[static_cast<size_t>(i)];
        SelectObject(dc, fontOf(g.alternate));
        int64_t gx = x, gy = bottom;
        if (h.textPath == 1) gy = bottom + (n - 1 - i) * line;  // the first at the top
        if (h.textPath == 3) gy = bottom + i * line;            // the first at the bottom
        if (h.textPath == 2) gx = x -= g.width;                 // the first at the right
        auto clamp = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -10000000, 10000000)); };
        TextOutW(dc, clamp(gx), clamp(gy), &g.c, 1);
        if (h.textPath == 0) x += g.width;
    }
}

// The label's lines, drawn one below the other from the current position; each
// line's runs side by side in their fonts.
void drawLabel(HDC dc, const std::u16string& text) {
    HpglPlotState& h = Hpgl();
    int32_t origin = h.labelOrigin > 10 ? h.labelOrigin - 10 : h.labelOrigin;
    int32_t horizontal = origin >= 7 ? 2 : origin >= 4 ? 1 : 0;  // left, centre, right
    HFONT fonts[2] = {h.alternateSelected ? createFont(h.standardFont) : nullptr,
                      h.alternateSelected ? nullptr : createFont(h.alternateFont)};
    fonts[h.alternateSelected ? 1 : 0] = h.font;
    auto fontOf = [&](bool alternate) { return fonts[alternate ? 1 : 0]; };
    HGDIOBJ previous = h.font ? SelectObject(dc, h.font) : nullptr;
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    int32_t cap = tm.tmAscent - tm.tmInternalLeading, line = tm.tmHeight + tm.tmExternalLeading;
    // Rows 1, 2 and 3 of LO put the current position at the bottom, middle or top of the characters.
    int32_t row = (origin - 1) % 3;
    int32_t lines = 1 + static_cast<int32_t>(std::count(text.begin(), text.end(), u'\n'));
    int32_t drop = row == 0 ? (lines - 1) * -line : row == 1 ? cap / 2 - (lines - 1) * line / 2 : cap;
    UINT align = SetTextAlign(dc, TA_LEFT | TA_BASELINE);
    int32_t y = h.y - drop, end = h.x;
    bool alternate = h.alternateSelected;
    // A label along another path is drawn as a whole; the pen stays where it is.
    // Characters stacked along a vertical path are an em apart.
    if (h.textPath != 0) drawAlongPath(dc, text, fontOf, alternate, origin, cap, tm.tmHeight - tm.tmInternalLeading);
    size_t start = h.textPath != 0 ? text.size() + 1 : 0;
    while (start <= text.size()) {
        size_t stop = text.find_first_of(u"\r\n", start);
        if (stop == std::u16string::npos) stop = text.size();
        std::vector<LabelRun> runs = splitRuns(text.substr(start, stop - start), alternate);
        int32_t total = 0;
        for (LabelRun& r : runs) {
            if (r.text.empty() || !fontOf(r.alternate)) continue;
            SelectObject(dc, fontOf(r.alternate));
            SIZE e{};
            GetTextExtentPoint32W(dc, r.text.data(), static_cast<int>(r.text.size()), &e);
            r.width = e.cx;
            total = std::min(total + r.width, 10000000);
        }
        int32_t x = h.x - (horizontal == 2 ? total : horizontal == 1 ? total / 2 : 0);
        for (const LabelRun& r : runs) {
            if (r.text.empty() || !fontOf(r.alternate)) continue;
            SelectObject(dc, fontOf(r.alternate));
            TextOutW(dc, x, y, r.text.data(), static_cast<int>(r.text.size()));
            x += r.width;
        }
        end = x;
        if (stop < text.size() && text[stop] == u'\n') y -= line;
        start = stop + 1;
    }
    SetTextAlign(dc, align);
    if (previous) SelectObject(dc, previous);
    for (HFONT f : fonts)
        if (f && f != h.font) DeleteObject(f);
    // The font a label shifted to stays selected.
    if (alternate != h.alternateSelected) {
        h.alternateSelected = alternate;
        makeFont();
    }
    // After a single-line label set from its left the pen waits at its end, ready for the next.
    if (lines == 1 && horizontal == 0) h.x = end;
    MoveToEx(dc, h.x, h.y, nullptr);
}
}  // namespace

bool HpglDefineTerminator(const uint8_t* params, size_t length) {
    // The byte after DT, unless it is the ';' that restores ETX.
    Hpgl().labelTerminator = length && params[0] != ';' ? params[0] : 3;
    return true;
}

bool HpglLabelOrigin(const HpglParams& p) {
    int32_t n = p.empty() ? 1 : p.integer(0);
    Hpgl().labelOrigin = (n >= 1 && n <= 9) || (n >= 11 && n <= 19) ? n : 1;
    return true;
}

bool HpglLabel(const uint8_t* params, size_t length) {
    std::optional<std::string> text = ReadLabelText(params, length, Hpgl().labelTerminator);
    if (!text) return false;
    int n = MultiByteToWideChar(CP_ACP, 0, text->data(), static_cast<int>(text->size()), nullptr, 0);
    std::u16string wide(static_cast<size_t>(std::max(n, 0)), u'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text->data(), static_cast<int>(text->size()), wide.data(), n);
    if (HDC dc = PlotInkDC()) drawLabel(dc, wide);
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
        h.capHeight = h.cellWidth = 0;  // back to the font's own size
        makeFont();
        return true;
    }
    h.cellWidth = std::clamp(static_cast<int32_t>(std::fabs(w)), 0, 1000000);
    h.capHeight = std::clamp(static_cast<int32_t>(std::fabs(ht)), 0, 1000000);
    makeFont();
    return true;
}

bool HpglFontCommand(const char* mnemonic, const HpglParams& p) {
    HpglPlotState& h = Hpgl();
    if (std::strcmp(mnemonic, "SD") == 0) {
        defineFont(p, h.standardFont);
        h.capHeight = h.cellWidth = 0;  // a definition brings its own size
    } else if (std::strcmp(mnemonic, "AD") == 0) {
        defineFont(p, h.alternateFont);
    } else {
        h.alternateSelected = std::strcmp(mnemonic, "SA") == 0;
    }
    makeFont();
    return true;
}
