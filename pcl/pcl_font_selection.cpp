// Font selection: the primary and secondary font characteristics, the
// installed face chosen for them, and fonts selected by ID.
#include "pcl_commands.h"
#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
enum class Spacing { Proportional, Fixed, LinePrinter, Symbols };

// Typeface families (the typeface number less its vendor part) and the
// installed faces closest to them in metrics and look.
struct Family {
    int32_t family;
    const char* face;
    Spacing spacing;
    bool serif;
};
const Family kFamilies[] = {
    {0, "Liberation Mono", Spacing::LinePrinter, false},    // Line Printer
    {1, "Nimbus Mono PS", Spacing::Fixed, true},            // Pica
    {2, "Nimbus Mono PS", Spacing::Fixed, true},            // Elite
    {3, "Courier", Spacing::Fixed, true},                   // Courier
    {4, "Nimbus Sans", Spacing::Proportional, false},       // Helvetica
    {5, "Nimbus Roman", Spacing::Proportional, true},       // CG Times, Times
    {6, "Liberation Mono", Spacing::Fixed, false},          // Letter Gothic
    {8, "Nimbus Mono PS", Spacing::Fixed, true},            // Prestige
    {11, "Nimbus Sans", Spacing::Proportional, false},      // Presentations
    {15, "P052", Spacing::Proportional, true},              // Palatino
    {17, "Nimbus Sans", Spacing::Proportional, false},      // CG Omega, Optima
    {20, "Z003", Spacing::Proportional, true},              // Coronet
    {23, "C059", Spacing::Proportional, true},              // Century Schoolbook
    {31, "URW Gothic", Spacing::Proportional, false},       // ITC Avant Garde
    {43, "Z003", Spacing::Proportional, true},              // Zapf Chancery
    {44, "C059", Spacing::Proportional, true},              // Clarendon
    {45, "D050000L", Spacing::Symbols, false},              // Zapf Dingbats
    {47, "URW Bookman", Spacing::Proportional, true},       // ITC Bookman
    {52, "Nimbus Sans", Spacing::Proportional, false},      // Univers
    {72, "Nimbus Sans", Spacing::Proportional, false},      // Antique Olive
    {80, "MS Mincho", Spacing::Proportional, true},         // MS Mincho
    {101, "P052", Spacing::Proportional, true},             // Garamond
    {127, "C059", Spacing::Proportional, true},             // New Century Schoolbook
    {153, "MS Gothic", Spacing::Proportional, false},       // MS Gothic
    {201, "Z003", Spacing::Proportional, true},             // Marigold
    {218, "Arial", Spacing::Proportional, false},           // Arial
    {266, "Nimbus Sans", Spacing::Proportional, false},     // Albertus
    {302, "Symbol", Spacing::Symbols, true},                // Symbol
    {517, "Times New Roman", Spacing::Proportional, true},  // Times New Roman
    {2730, "Wingdings", Spacing::Symbols, false},           // Wingdings
};
const Family& kCourier = kFamilies[3];
const Family& kCgTimes = kFamilies[5];
const Family& kSymbol = kFamilies[27];
const Family& kWingdings = kFamilies[29];

const Family* findFamily(int32_t typeface) {
    int32_t family = typeface & 0xFFF;
    for (const Family& f : kFamilies)
        if (f.family == family) return &f;
    return nullptr;
}

// Printers look at the symbol set first, then spacing, then the typeface.
const Family& chooseFamily(const PclFontSpec& spec) {
    if (spec.symbolSet == kSymbolSet19M) return kSymbol;
    if (spec.symbolSet == kWingdingsSet) return kWingdings;
    const Family* f = findFamily(spec.typeface);
    if (f && f->spacing == Spacing::Symbols) f = nullptr;  // a text set needs a text face
    bool fixed = spec.spacing == 0;
    if (f && (f->spacing != Spacing::Proportional) == fixed) return *f;
    // No face of that spacing in the family: the printers' defaults, Courier and CG Times.
    return fixed ? kCourier : kCgTimes;
}

// The point size of a fixed-pitch font: its characters are 0.6 em wide.
double pointsOfPitch(double pitch) { return 72 / pitch / 0.6; }

LONG weightOf(int32_t strokeWeight) {
    static const LONG weights[15] = {100, 100, 100, 200, 300, 400, 400, 400, 600, 600, 700, 800, 900, 900, 900};
    return weights[std::clamp(strokeWeight, -7, 7) + 7];
}

bool within(double a, double b, double tolerance) { return a > b - tolerance && a < b + tolerance; }

// A downloaded font has the characteristics asked for: a bitmap font at its
// one size, a scalable one at any.
bool matches(const PclFontSpec& font, const PclFontSpec& want, bool scalable) {
    if (font.symbolSet != want.symbolSet || font.spacing != want.spacing || font.style != want.style ||
        font.weight != want.weight || font.typeface != want.typeface)
        return false;
    if (scalable) return true;
    return font.spacing == 0 ? within(font.pitch, want.pitch, 0.1) : within(font.height, want.height, 0.25);
}

// Downloaded fonts take part in the choice by their headers' characteristics;
// without one that matches, the printer's own font is drawn.
void chooseDownloadedFont() {
    PclPageState& s = Pcl();
    const PclFontSpec& want = s.font();
    for (const auto& [id, f] : s.outlineFonts)
        if (matches(f.spec, want, true)) {
            s.fontKind = OutlineSoftFont, s.selectedFont = id;
            return;
        }
    for (const auto& [id, f] : s.softFonts)
        if (matches(f.spec, want, false)) {
            s.fontKind = f.headerFormat == 20 ? BitmapSoftFont20 : BitmapSoftFont, s.selectedFont = id;
            return;
        }
    s.fontKind = SystemFont;
}

// A change of the active font's characteristics: the font is chosen afresh.
void changed(bool secondary) {
    PclPageState& s = Pcl();
    if (secondary != s.secondaryActive) return;
    s.fontChosen = false;
    s.hmiFromFont = true;
    chooseDownloadedFont();
}

PclFontSpec& specOf(const PclArgs& a) { return Pcl().fonts[a.parameter == ')' ? 1 : 0]; }

template <typename Field, typename Value>
bool set(const PclArgs& a, Field PclFontSpec::*field, Value v) {
    specOf(a).*field = v;
    changed(a.parameter == ')');
    return true;
}
}  // namespace

bool PclSpacing(const PclArgs& a) {
    if (a.Int() != 0 && a.Int() != 1) return true;
    return set(a, &PclFontSpec::spacing, a.Int());
}

bool PclPitch(const PclArgs& a) {
    if (!(a.value > 0)) return true;  // no pitch of 0 or less
    return set(a, &PclFontSpec::pitch, std::clamp(a.value, 0.1, 576.0));
}

bool PclHeight(const PclArgs& a) {
    if (!(a.value > 0)) return true;
    return set(a, &PclFontSpec::height, std::clamp(a.value, 0.25, 999.75));
}

bool PclStyle(const PclArgs& a) { return set(a, &PclFontSpec::style, std::clamp(a.Int(), 0, 32767)); }

bool PclStrokeWeight(const PclArgs& a) {
    if (a.Int() < -7 || a.Int() > 7) return true;  // not a stroke weight: the weight stays
    return set(a, &PclFontSpec::weight, a.Int());
}

bool PclTypeface(const PclArgs& a) { return set(a, &PclFontSpec::typeface, std::clamp(a.Int(), 0, 65535)); }

void SelectSymbolSet(bool secondary, int32_t number, uint8_t letter) {
    if (number < 0 || number > 2047 || letter < 64 || letter > 95) return;
    Pcl().fonts[secondary ? 1 : 0].symbolSet = SymbolSetId(number, static_cast<char>(letter));
    changed(secondary);
}

void SelectDefaultFont(bool secondary, int32_t value) {
    if (value != 3) return;
    Pcl().fonts[secondary ? 1 : 0] = PclFontSpec{};
    changed(secondary);
}

bool SelectFontById(double value) {
    PclPageState& s = Pcl();
    s.fontId = static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
    // A downloaded font of that ID is drawn from now on, and its characteristics
    // become the ones asked for: a later size or style asks for a font like it.
    const PclFontSpec* spec = nullptr;
    if (auto f = s.softFonts.find(s.fontId); f != s.softFonts.end()) {
        s.fontKind = f->second.headerFormat == 20 ? BitmapSoftFont20 : BitmapSoftFont;
        spec = &f->second.spec;
    } else if (auto o = s.outlineFonts.find(s.fontId); o != s.outlineFonts.end()) {
        s.fontKind = OutlineSoftFont;
        PclFontSpec& active = s.font();
        double pitch = active.pitch, height = active.height;
        active = o->second.spec;
        active.pitch = pitch, active.height = height;  // a scalable font keeps the size asked for
        s.selectedFont = s.fontId;
        return true;
    } else if (auto standIn = s.standInFonts.find(s.fontId); standIn != s.standInFonts.end()) {
        // A scalable font we cannot draw: the printer font chosen by its characteristics, at
        // the size asked for.
        s.fontKind = SystemFont;
        PclFontSpec& active = s.font();
        double pitch = active.pitch, height = active.height;
        active = standIn->second;
        active.pitch = pitch, active.height = height;
        s.fontChosen = false;
        s.hmiFromFont = true;
        return true;
    }
    if (!spec) return true;
    s.font() = *spec;
    s.selectedFont = s.fontId;
    s.fontChosen = false;
    s.hmiFromFont = true;
    return true;
}

PclFontSpec FontSpecOfHeader(const uint8_t* h, size_t n, int32_t resolution) {
    auto byte = [&](size_t i) -> uint32_t { return i < n ? h[i] : 0; };
    auto word = [&](size_t i) { return byte(i) << 8 | byte(i + 1); };
    PclFontSpec spec;
    spec.spacing = byte(13) != 0 ? 1 : 0;
    spec.fontType = static_cast<int32_t>(byte(3));
    spec.symbolSet = static_cast<int32_t>(word(14));
    spec.style = static_cast<int32_t>(byte(4) << 8 | byte(23));
    spec.weight = std::clamp<int32_t>(static_cast<int8_t>(byte(24)), -7, 7);
    spec.typeface = static_cast<int32_t>(byte(26) << 8 | byte(25));
    double dots = resolution > 0 ? resolution : 300;
    // Pitch and height in quarter dots.
    if (word(16) > 0) spec.pitch = dots * 4 / word(16);
    if (word(18) > 0) spec.height = word(18) / 4.0 / dots * 72;
    return spec;
}

const PclChosenFont& ChosenPclFont() {
    PclPageState& s = Pcl();
    if (s.fontChosen) return s.chosen;
    const PclFontSpec& spec = s.font();
    const Family& family = chooseFamily(spec);
    PclChosenFont c;
    c.symbols = &FindSymbolSet(spec.symbolSet);
    c.byteCodes = &family == &kSymbol;
    c.fixed = family.spacing == Spacing::Fixed || family.spacing == Spacing::LinePrinter;
    double points = spec.height;
    if (c.fixed) {
        // A fixed font's size comes from its pitch.
        c.advance = kPageUnitsPerInch / spec.pitch;
        points = pointsOfPitch(spec.pitch);
        // The line printer face stands 8.5 points tall at 16.67 characters per inch, narrower than it is tall.
        if (family.spacing == Spacing::LinePrinter) points = 8.5 * 16.67 / spec.pitch;
    }
    LOGFONTW& lf = c.lf;
    lf.lfHeight = -std::max<LONG>(1, static_cast<LONG>(std::lround(points * kPageUnitsPerInch / 72)));
    if (family.spacing == Spacing::LinePrinter) lf.lfWidth = static_cast<LONG>(std::lround(c.advance));
    lf.lfEscapement = lf.lfOrientation = s.printDirection * 10;
    lf.lfWeight = weightOf(spec.weight);
    lf.lfItalic = (spec.style & 3) != 0;
    lf.lfCharSet = c.byteCodes ? SYMBOL_CHARSET : ANSI_CHARSET;
    lf.lfPitchAndFamily =
        static_cast<BYTE>((c.fixed ? FIXED_PITCH : VARIABLE_PITCH) | (family.serif ? FF_ROMAN : FF_SWISS));
    for (size_t i = 0; family.face[i] && i + 1 < LF_FACESIZE; ++i)
        lf.lfFaceName[i] = static_cast<WCHAR>(family.face[i]);
    s.chosen = c;
    s.fontChosen = true;
    s.fontInPage = false;
    std::fill(std::begin(s.widths), std::end(s.widths), 0.0);
    if (s.hmiFromFont) {
        // A fixed font sets the HMI to its pitch; a proportional one to the width of its
        // space, about a quarter em until the font is in a page to measure it.
        s.hmi = c.fixed ? c.advance : -lf.lfHeight * 0.25;
        s.hmiFromFont = !c.fixed;
    }
    return s.chosen;
}

double PclFontHeight(bool proportional) {
    const PclFontSpec& spec = Pcl().font();
    double points = proportional ? spec.height : pointsOfPitch(spec.pitch);
    return points * kPageUnitsPerInch / 72;
}

void ApplyPclFont() {
    PclPageState& s = Pcl();
    if (!s.pageDC) return;  // the font waits for the next page
    const PclChosenFont& c = ChosenPclFont();
    if (s.fontInPage) return;
    HFONT font = CreateFontIndirectW(&c.lf);
    if (!font) return;
    HGDIOBJ old = SelectObject(s.pageDC, font);
    if (old && old != GetStockObject(SYSTEM_FONT)) DeleteObject(old);
    s.fontInPage = true;
    if (s.hmiFromFont) {
        WCHAR space = ' ';
        SIZE e{0, 0};
        if (GetTextExtentPoint32W(s.pageDC, &space, 1, &e) && e.cx > 0) s.hmi = e.cx;
        s.hmiFromFont = false;
    }
}
