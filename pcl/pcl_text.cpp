// Characters: control codes that move the cursor, printable characters
// through the symbol set in the chosen or a downloaded font, text runs drawn
// as one record each, and underlining.
#include "pcl_commands.h"
#include "pcl_page_state.h"
#include "pcl_text_paint.h"

#include <algorithm>
#include <cmath>

namespace {
// A run longer than this is drawn and a new one begun.
constexpr size_t kMaxRunLength = 4096;

// The width of a character in the chosen system font, measured once per font.
double systemWidth(uint8_t byte, char16_t u) {
    PclPageState& s = Pcl();
    if (s.widths[byte] > 0) return s.widths[byte];
    SIZE e{0, 0};
    GetTextExtentPoint32W(s.pageDC, reinterpret_cast<const WCHAR*>(&u), 1, &e);
    s.widths[byte] = std::max<double>(e.cx, 0.001);
    return s.widths[byte];
}

void carriageReturn() {
    FlushPclText();
    Pcl().cursorX = Pcl().leftMargin;
}

void lineFeed() {
    FlushPclText();
    MoveCursorDown(Pcl().vmi);
}

void horizontalTab() {
    PclPageState& s = Pcl();
    FlushPclText();
    // Tab stops every eight columns from the left margin.
    double stop = 8 * s.hmi;
    if (stop <= 0) return;
    double k = std::floor((s.cursorX - s.leftMargin) / stop + 1e-6) + 1;
    s.cursorX = std::min(s.leftMargin + k * stop, std::max(s.rightMargin, s.cursorX));
}

void shift(bool secondary) {
    PclPageState& s = Pcl();
    if (s.secondaryActive == secondary) return;
    FlushPclText();
    s.secondaryActive = secondary;
    s.fontChosen = false;
    s.hmiFromFont = true;
}

// A downloaded font of type 2 or 3, and the printer's own fonts in the PC symbol sets, have
// characters at the codes below 32 other than the control codes 0, 7 to 15 and 27.
bool printsBelowSpace(uint8_t byte) {
    PclPageState& s = Pcl();
    if (byte == 0 || (byte >= 7 && byte <= 15) || byte == 27) return false;
    if (s.fontKind == SystemFont) return ChosenPclFont().symbols->chars[byte] != 0;
    if (s.fontKind == BitmapSoftFont || s.fontKind == BitmapSoftFont20) {
        auto f = s.softFonts.find(s.selectedFont);
        return f != s.softFonts.end() && f->second.spec.fontType >= 2;
    }
    if (s.fontKind == OutlineSoftFont) {
        auto f = s.outlineFonts.find(s.selectedFont);
        return f != s.outlineFonts.end() && f->second.spec.fontType >= 2;
    }
    return false;
}

// A control code's action; false when the byte is not one.
bool control(uint8_t byte) {
    PclPageState& s = Pcl();
    bool crLf = s.lineTermination == 1 || s.lineTermination == 3;
    bool lfCr = s.lineTermination == 2 || s.lineTermination == 3;
    switch (byte) {
    case '\r':
        carriageReturn();
        if (crLf) lineFeed();
        return true;
    case '\n':
        if (lfCr) carriageReturn();
        lineFeed();
        return true;
    case '\f':
        FlushPclText();
        EjectPclPage();
        return true;
    case '\b':
        FlushPclText();
        s.cursorX = std::max(s.leftMargin, s.cursorX - s.lastAdvance);
        return true;
    case '\t': horizontalTab(); return true;
    case 0x0E: shift(true); return true;
    case 0x0F: shift(false); return true;
    default: return byte < 0x20 && !printsBelowSpace(byte);  // other control codes print nothing
    }
}

// Adds a character at the cursor to the run being gathered, and moves the cursor on.
void addToRun(char16_t u, double advance) {
    PclPageState& s = Pcl();
    PclTextRun& r = s.run;
    if (!r.text.empty() && (std::fabs(r.end - s.cursorX) > 0.01 || r.y != s.cursorY || r.text.size() >= kMaxRunLength))
        FlushPclText();
    if (r.text.empty()) r.x = r.end = s.cursorX, r.y = s.cursorY;
    double next = s.cursorX + advance;
    r.text.push_back(u);
    r.dx.push_back(static_cast<INT>(std::lround(next) - std::lround(s.cursorX)));
    r.end = next;
}

POINT pagePoint(double x, double y) {
    PagePoint p = PclPagePoint(x, y);
    return POINT{static_cast<LONG>(std::lround(p.x)), static_cast<LONG>(std::lround(p.y))};
}

}  // namespace

void DrawPclUnderline(double x0, double x1, double y) {
    PclPageState& s = Pcl();
    if (x1 <= x0 || !s.pageDC) return;
    // Three dots thick, five below the baseline; a floating underline sits lower under large type.
    double offset = 5 * kDot;
    if (s.underline == 3) offset = std::max(offset, -ChosenPclFont().lf.lfHeight * 0.15);
    double top = y + offset, bottom = top + 3 * kDot;
    POINT corners[4] = {pagePoint(x0, top), pagePoint(x1, top), pagePoint(x1, bottom), pagePoint(x0, bottom)};
    TopDownMapping();
    HGDIOBJ pen = SelectObject(s.pageDC, GetStockObject(NULL_PEN));
    HGDIOBJ brush = SelectObject(s.pageDC, GetStockObject(BLACK_BRUSH));
    Polygon(s.pageDC, corners, 4);
    SelectObject(s.pageDC, pen);
    SelectObject(s.pageDC, brush);
}

namespace {

void printSystemCharacter(uint8_t byte, char16_t u) {
    PclPageState& s = Pcl();
    const PclChosenFont& font = ChosenPclFont();
    ApplyPclFont();
    double advance = font.fixed ? s.hmi : (u == ' ' ? s.hmi : systemWidth(byte, u));
    addToRun(u, advance);
    s.lastAdvance = advance;
    s.cursorX += advance;
}
}  // namespace

void FlushPclText() {
    PclPageState& s = Pcl();
    PclTextRun& r = s.run;
    if (r.text.empty()) return;
    // White text under a transparent pattern leaves the page as it is.
    if (s.pageDC && !PclTextInvisible()) {
        TopDownMapping();
        SetTextAlign(s.pageDC, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
        SetTextColor(s.pageDC, PclTextColour());
        SetBkMode(s.pageDC, TRANSPARENT);
        POINT at = pagePoint(r.x, r.y);
        PclTextPaint paint;
        // Characters in a pattern are their outlines filled with it.
        if (paint.patterned()) BeginPath(s.pageDC);
        ExtTextOutW(s.pageDC, at.x, at.y, 0, nullptr, reinterpret_cast<const WCHAR*>(r.text.data()),
                    static_cast<UINT>(r.text.size()), r.dx.data());
        if (paint.patterned()) {
            EndPath(s.pageDC);
            HGDIOBJ pen = SelectObject(s.pageDC, GetStockObject(NULL_PEN));
            FillPath(s.pageDC);
            SelectObject(s.pageDC, pen);
        }
        if (s.underline) DrawPclUnderline(r.x, r.end, r.y);
    }
    r.text.clear();
    r.dx.clear();
}

void PrintPclCharacter(uint8_t byte) {
    PclPageState& s = Pcl();
    if (!s.transparentData && control(byte)) return;
    // With end-of-line wrap a character that would pass the right margin starts a new line.
    double width = s.fontKind == SystemFont && ChosenPclFont().fixed ? s.hmi : 0;
    if (s.endOfLineWrap && s.cursorX + width > s.rightMargin + 0.5 && s.cursorX > s.leftMargin) {
        carriageReturn();
        lineFeed();
    }
    // Past the logical page's right edge nothing prints.
    if (s.cursorX > TextFrameWidth() + 0.5) return;
    if (s.fontKind == SystemFont) {
        const PclChosenFont& font = ChosenPclFont();
        char16_t u = font.symbols->chars[byte];
        if (u == 0 || !MarkPclPage()) return;  // the set has no character there
        if (font.byteCodes) u = byte;
        printSystemCharacter(byte, u);
        return;
    }
    if (!MarkPclPage()) return;
    FlushPclText();
    double before = s.cursorX;
    if (s.fontKind == BitmapSoftFont || s.fontKind == BitmapSoftFont20) DrawBitmapGlyph(byte);
    else if (s.fontKind == OutlineSoftFont) DrawOutlineGlyph(byte);
    s.lastAdvance = s.cursorX - before;
    if (s.underline) DrawPclUnderline(before, s.cursorX, s.cursorY);
}

bool PclTransparentData(const PclArgs& a) {
    PclPageState& s = Pcl();
    s.transparentData = true;
    for (int32_t i = 0; i < a.count; ++i) PrintPclCharacter(a.data[i]);
    s.transparentData = false;
    return true;
}

bool PclUnderlineOn(const PclArgs& a) {
    Pcl().underline = a.Int() == 3 ? 3 : 1;
    return true;
}

bool PclUnderlineOff(const PclArgs&) {
    Pcl().underline = 0;
    return true;
}
