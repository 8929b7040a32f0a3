// Characters at the cursor and the selection of the system font.
#include "pcl_page_state.h"

#include <algorithm>
#include <cstring>

namespace {
// The printer's own font when the job sets none: Courier, 12 points.
constexpr double kDefaultPoints = 12;
}  // namespace

void ApplyPclFont() {
    PclPageState& s = Pcl();
    if (!s.pageDC) return;  // the record waits for the next page
    LOGFONTA lf = s.font;
    if (lf.lfFaceName[0] == 0) std::strcpy(lf.lfFaceName, "Courier");
    if (lf.lfHeight == 0) {
        POINT pts[2] = {{0, 0}, {0, static_cast<LONG>(GetDeviceCaps(s.pageDC, LOGPIXELSY) * kDefaultPoints / 72)}};
        DPtoLP(s.pageDC, pts, 2);
        lf.lfHeight = std::abs(pts[1].y - pts[0].y);
    }
    HFONT font = CreateFontIndirectA(&lf);
    if (!font) return;
    HGDIOBJ old = SelectObject(s.pageDC, font);
    if (old && old != GetStockObject(SYSTEM_FONT)) DeleteObject(old);
}

bool SelectSymbolSet(const char* text) {
    static const std::pair<const char*, BYTE> sets[] = {
        {"19U", ANSI_CHARSET}, {"19M", SYMBOL_CHARSET}, {"19C", 134}, {"0U", 255}, {"19K", 128}};
    PclPageState& s = Pcl();
    s.font.lfCharSet = DEFAULT_CHARSET;
    for (auto& [name, set] : sets)
        if (std::strcmp(text, name) == 0) {
            s.font.lfCharSet = set;
            break;
        }
    ApplyPclFont();
    return true;
}

bool SelectFontById(double value) {
    PclPageState& s = Pcl();
    s.fontId = static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
    // A downloaded bitmap font of that ID is drawn from now on, whichever header format it had.
    if (auto f = s.softFonts.find(s.fontId); f != s.softFonts.end())
        s.fontKind = f->second.headerFormat == 20 ? BitmapSoftFont20 : BitmapSoftFont;
    else if (s.outlineFonts.count(s.fontId))
        s.fontKind = OutlineSoftFont;
    return true;
}

void PrintPclCharacter(uint8_t byte) {
    PclPageState& s = Pcl();
    if (byte == '\f') {
        EjectPclPage();
        return;
    }
    if (byte == '\r') {
        s.cursorX = 0;
        return;
    }
    if (byte == '\n') {
        // A line down at six lines per inch.
        s.cursorY = std::min(s.cursorY + kPageUnitsPerInch / kPclLinesPerInch, 10000000);
        return;
    }
    // Other control codes have no glyph: they print nothing.
    if (byte < 0x20 || !MarkPclPage()) return;
    if (s.fontKind == BitmapSoftFont || s.fontKind == BitmapSoftFont20) {
        DrawBitmapGlyph(byte);
        return;
    }
    if (s.fontKind == OutlineSoftFont) {
        DrawOutlineGlyph(byte);
        return;
    }
    if (s.fontKind != SystemFont) return;
    char c = static_cast<char>(byte);
    SIZE extent{0, 0};
    TEXTMETRICA tm{};
    GetTextExtentPoint32A(s.pageDC, &c, 1, &extent);
    GetTextMetricsA(s.pageDC, &tm);
    TopDownMapping();
    SetBkMode(s.pageDC, TRANSPARENT);
    TextOutA(s.pageDC, s.cursorX, s.cursorY - extent.cy + tm.tmDescent, &c, 1);
    BottomUpMapping();
    s.cursorX = std::min(s.cursorX + extent.cx, 10000000);
}
