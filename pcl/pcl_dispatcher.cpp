// PCL5 commands executed against the page state.
#include "pcl_page_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// Page coordinates stay within ±125 m, whatever the job asks for.
constexpr double kMaxCoordinate = 10000000;

int32_t truncated(double v) {
    if (!(v == v)) return 0;
    return static_cast<int32_t>(std::clamp(std::trunc(v), double{INT32_MIN}, double{INT32_MAX}));
}

struct PageSize {
    int32_t code, width, height;
};
const PageSize PageSizeTable[] = {
    {1, 15240, 21335}, {2, 17271, 22351}, {3, 17271, 28447}, {6, 22351, 34543}, {27, 23760, 33600},
    {80, 7873, 15240}, {81, 8382, 19304}, {90, 8800, 17600}, {91, 12960, 18320}, {100, 14080, 20000},
};

// PCL units at the current units per inch to page units.
int32_t position(double value) {
    PclPageState& s = Pcl();
    double v = truncated(value) * (25.4 / s.unitsPerInch * 80);
    return static_cast<int32_t>(std::clamp(std::trunc(v), -kMaxCoordinate, kMaxCoordinate));
}

bool moveCursor(bool horizontal, double value) {
    PclPageState& s = Pcl();
    // An image interrupted by a cursor move is painted; its further rows start a new one.
    if (s.raster) {
        EndRaster();
        StartRaster();
    }
    (horizontal ? s.cursorX : s.cursorY) = position(value);
    if (s.pageDC) MoveToEx(s.pageDC, s.cursorX, s.cursorY, nullptr);
    return true;
}

// A new page layout: the page drawn so far is ejected (or forgotten when blank),
// the next one opens in the new layout with the cursor at its top.
void newLayout() {
    PclPageState& s = Pcl();
    EndPclPage();
    s.cursorX = s.cursorY = 0;
}

bool orientation(int32_t n) {
    PclPageState& s = Pcl();
    bool landscape = n == 1 || n == 3;
    // The page turns only when the orientation changes.
    if (landscape == s.landscape) return true;
    std::swap(s.size.length, s.size.width);
    s.landscape = landscape;
    newLayout();
    return true;
}

bool pageSize(int32_t n) {
    PclPageState& s = Pcl();
    int32_t w = kA4Width, h = kA4Length;
    for (const PageSize& p : PageSizeTable)
        if (p.code == n) w = p.width, h = p.height;
    s.size.width = w;
    s.size.length = h;
    if (s.landscape) std::swap(s.size.length, s.size.width);
    newLayout();
    return true;
}

bool fontHeightFromPoints(double points) {
    PclPageState& s = Pcl();
    int64_t v = static_cast<int64_t>(std::clamp(std::trunc(points * 100), 0.0, 100000000.0));
    if (s.pageDC) {
        int64_t pixels = GetDeviceCaps(s.pageDC, LOGPIXELSY) * v / 72 / 100;
        POINT pts[2] = {{0, 0}, {0, static_cast<LONG>(std::min<int64_t>(pixels, 1000000))}};
        DPtoLP(s.pageDC, pts, 2);
        s.font.lfHeight = std::abs(pts[1].y - pts[0].y);
    } else {
        // Without a page the height is kept in the page's own units, as a page would give it.
        s.font.lfHeight = static_cast<LONG>(std::min<int64_t>(v * 2032 / 7200, 10000000));
    }
    ApplyPclFont();
    return true;
}

bool typeface(int32_t n) {
    static const std::pair<int32_t, const char*> faces[] = {
        {3, "Courier"}, {16602, "Arial"}, {16901, "Times New Roman"}, {16686, "Symbol"}, {6826, "Wingdings"},
        {31402, "Wingdings"}, {28752, "MS Mincho"}, {28825, "MS Gothic"}};
    PclPageState& s = Pcl();
    for (auto& [code, face] : faces)
        if (code == n) {
            std::strncpy(s.font.lfFaceName, face, LF_FACESIZE - 1);
            s.font.lfFaceName[LF_FACESIZE - 1] = 0;
        }
    s.fontKind = SystemFont;
    ApplyPclFont();
    return true;
}

bool strokeWeight(int32_t n) {
    static const LONG weights[15] = {100, 100, 100, 200, 300, 400, 400, 400, 600, 600, 700, 800, 900, 900, 900};
    if (n >= -7 && n <= 7) Pcl().font.lfWeight = weights[n + 7];
    ApplyPclFont();
    return true;
}

bool style(int32_t n) {
    // 1 is italic, 0 upright; other styles keep the slant as it is.
    if (n == 1) Pcl().font.lfItalic = 1;
    if (n == 0) Pcl().font.lfItalic = 0;
    ApplyPclFont();
    return true;
}

bool underline(bool on) {
    Pcl().font.lfUnderline = on ? 1 : 0;
    ApplyPclFont();
    return true;
}

}  // namespace

bool DispatchPclCommand(uint8_t p, uint8_t g, uint8_t t, const uint8_t* data, int32_t count, double value) {
    PclPageState& s = Pcl();
    char key[4] = {static_cast<char>(p), static_cast<char>(g), static_cast<char>(t), 0};
    int32_t n = truncated(value);
    auto is = [&](const char* k) { return std::strcmp(key, k) == 0; };
    if (is("&uD")) {
        if (n > 0) s.unitsPerInch = n;  // a unit of 0 or less would divide by it
        return true;
    }
    if (is("*pX")) return moveCursor(true, value);
    if (is("*pY")) return moveCursor(false, value);
    if (is("(sV")) return fontHeightFromPoints(value);
    if (is("(sT")) return typeface(n);
    if (is("(sB")) return strokeWeight(n);
    if (is("(sS")) return style(n);
    if (is("&d@")) return underline(false);
    if (is("&dD")) return underline(true);
    if (is("*cD")) return SelectFontById(value);
    if (is(")sW")) return data && DownloadFontHeader(data + 1, count);
    if (is("(sW")) return data && DownloadCharacter(data + 1, count);
    if (is("*cE")) {
        if ((n & 0xFFFF) != 0xFFFF) s.characterCode = n;
        return true;
    }
    if (p == '%' && t == 'X') {  // the universal exit ends the job's page
        EndPclPage();
        return true;
    }
    if (is("E")) {
        EndPclPage();  // a reset prints what the page holds
        ResetPclState();
        return true;
    }
    if (is("(sH")) return fontHeightFromPoints(value / 1.25);  // as tall as a font of value / 1.25 points
    if (is("*vW")) return data && ConfigureImageData(data + 1, count);
    if (is("*vI")) return AssignColourIndex(value);
    if (is("&pS")) return SelectPclPalette(value);
    if (is("*vA") || is("*vB") || is("*vC")) {
        s.colourComponents[t - 'A'] = static_cast<uint8_t>(std::clamp(n, 0, 255));
        return true;
    }
    if (is("&pI")) {
        s.paletteControlId = n;
        return true;
    }
    if (is("&pC")) return static_cast<uint32_t>(n) <= 6 && PaletteControl(n);
    if (is("*bM")) { s.compressionMethod = n; return true; }
    if (is("*rT")) { s.rasterHeight = n; return true; }
    if (is("*rS")) { s.rasterWidth = n; return true; }
    if (is("*tR")) {
        if (n > 0) s.rasterResolution = n;  // a resolution of 0 keeps the one in force
        return true;
    }
    if (is("*rA")) {
        StartRaster();
        return true;
    }
    if (is("*bW")) {
        if (data) TransferRasterRow(data + 1, count);
        return true;
    }
    if (is("*rC") || is("*rB")) return EndRaster();
    if (is("*bY")) {
        SkipRasterRows(n);
        return true;
    }
    if (is("*tV")) { s.destinationHeight = n; return true; }
    if (is("*tH")) { s.destinationWidth = n; return true; }
    if (is("*cX")) { s.rectangleWidth = n; return true; }
    if (is("*cY")) { s.rectangleHeight = n; return true; }
    if (is("&lO")) return orientation(n);
    if (is("&lA")) return pageSize(n);
    return true;
}
