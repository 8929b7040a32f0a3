// Rectangular area fills and the patterns they, text and rules are drawn
// with: solid, white, shading, cross-hatch and user-defined patterns, with
// source and pattern transparency.
#include "pcl_commands.h"
#include "pcl_page_state.h"
#include "pcl_palettes.h"
#include "plot_page.h"
#include "dib_header.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// Patterns larger than this are not kept: 4096 dots a side.
constexpr int32_t kMaxPatternSide = 4096;
// The truth table of a ternary raster operation, bit (pattern << 2 | source << 1 | page).
bool ropBit(int32_t rop, int pattern, int source, int page) { return (rop >> (pattern << 2 | source << 1 | page)) & 1; }

// A truth table as the raster-operation code GDI takes, with the usual codes for the usual tables.
DWORD ropCode(int32_t table) {
    switch (table) {
    case 0x88: return SRCAND;
    case 0xCC: return SRCCOPY;
    case 0xA0: return 0x00A000C9;  // the pattern ANDed into the page
    case 0xF0: return PATCOPY;
    default: return static_cast<DWORD>(table) << 16;
    }
}

// A table built from `result(pattern, source, page)`.
template <typename F>
int32_t table(F result) {
    int32_t t = 0;
    for (int i = 0; i < 8; ++i) t |= result(i >> 2 & 1, i >> 1 & 1, i & 1) << i;
    return t;
}

// A fill size from a command's value; negative sizes and sizes past 10 m are none.
double fillSize(double v, double unit) {
    double size = v * unit;
    return std::isfinite(size) && size > 0 ? std::min(size, 800000.0) : 0;
}

// The shading printers use for a percentage: eight grey levels, in 256ths of ink.
int32_t shadingLevel(int32_t percent) {
    static const std::pair<int32_t, int32_t> levels[] = {{0, 0},   {2, 4},    {10, 8},   {20, 32},
                                                         {35, 64}, {55, 112}, {80, 168}, {99, 216}};
    for (auto [upTo, level] : levels)
        if (percent <= upTo) return level;
    return 256;
}

// A pattern tile at `dpi` dots per inch: rows of `stride` bytes, each dot a bit (set is black)
// or, in a colour pattern, a byte indexing the palette.
struct PatternTile {
    int32_t width = 0, height = 0, dpi = 300;
    bool colour = false;
    size_t stride = 0;
    std::vector<uint8_t> bits;
    uint8_t at(int32_t x, int32_t y) const {
        const uint8_t* row = &bits[static_cast<size_t>(y) * stride];
        return colour ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
    }
};

PatternTile sixteenSquare() {
    PatternTile t;
    t.width = t.height = 16, t.stride = 2;
    t.bits.assign(32, 0);
    return t;
}

void setDot(PatternTile& t, int x, int y) {
    t.bits[static_cast<size_t>(y) * t.stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

PatternTile shadingPattern(int32_t level) {
    // A 16 x 16 ordered dither: the cells below the level's threshold are black.
    PatternTile t = sixteenSquare();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            int v = 0;
            for (int bit = 0, xx = x, yy = y; bit < 4; ++bit, xx >>= 1, yy >>= 1)
                v |= (((xx ^ yy) & 1) << (7 - 2 * bit)) | ((yy & 1) << (6 - 2 * bit));
            if (v < level) setDot(t, x, y);
        }
    return t;
}

// The six cross-hatches as printers draw them: lines every 16 dots, 2 dots
// thick across and down, 3 dots on the diagonals.
PatternTile crossHatch(int32_t id) {
    PatternTile t = sixteenSquare();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            bool across = y < 2, down = x < 2, rising = (x + y) % 16 < 3, falling = (x - y + 16) % 16 < 3;
            bool on = id == 1 ? across
                : id == 2     ? down
                : id == 3     ? rising
                : id == 4     ? falling
                : id == 5     ? across || down
                              : rising || falling;
            if (on) setDot(t, x, y);
        }
    return t;
}

// The pattern tile of a fill type (that of ESC*c#P) and pattern ID; none (width 0) for solid
// fills and for patterns that do not exist.
PatternTile patternTile(int32_t type, int32_t id) {
    switch (type) {
    case 2: {
        int32_t level = shadingLevel(std::clamp(id, 0, 100));
        return level < 256 ? shadingPattern(level) : PatternTile{};
    }
    case 3: return id >= 1 && id <= 6 ? crossHatch(id) : PatternTile{};
    case 4: {
        auto it = Pcl().patterns.find(id);
        if (it == Pcl().patterns.end()) return {};
        PatternTile t;
        t.width = it->second.width, t.height = it->second.height, t.dpi = it->second.dpi, t.colour = it->second.colour;
        t.stride = t.colour ? static_cast<size_t>(t.width) : (static_cast<size_t>(t.width) + 31) / 32 * 4;
        t.bits = it->second.bits;
        return t;
    }
    default: return {};
    }
}

// The header and colours of a pattern's DIB: a colour pattern's indexes take the palette in
// force (indexes past it are black); a bi-level pattern is white and black.
struct PatternDib {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

PatternDib patternDib(int32_t width, int32_t height, bool colour) {
    PatternDib d{};
    d.header = MakeTwoColourDib(width, height, colour ? 8 : 1).header;
    d.header.biClrUsed = colour ? 256 : 2;
    if (!colour) {
        d.colors[0] = {255, 255, 255, 0};
        return d;
    }
    std::vector<PALETTEENTRY> palette = PaletteInForce();
    for (size_t i = 0; i < palette.size() && i < 256; ++i)
        d.colors[i] = {palette[i].peBlue, palette[i].peGreen, palette[i].peRed, 0};
    return d;
}

// Largest tiled pattern image of one fill, in bytes; a larger fill is tiled at a coarser resolution.
constexpr double kMaxPatternImageBytes = 16 << 20;

// Paints a pattern over a rectangle of the page (page units, y down) as a bi-level image at
// the pattern's own resolution, tiled from the pattern reference point.
void paintPattern(const PatternTile& tile, double left, double top, double right, double bottom, DWORD rop) {
    PclPageState& s = Pcl();
    double dpi = tile.dpi;
    double area = (right - left) * (bottom - top) / (kPageUnitsPerInch * kPageUnitsPerInch);
    dpi = std::min(dpi, std::sqrt(kMaxPatternImageBytes * 8 / std::max(area, 1e-9)));
    double dot = kPageUnitsPerInch / dpi;
    auto width = static_cast<int32_t>(std::ceil((right - left) / dot)),
         height = static_cast<int32_t>(std::ceil((bottom - top) / dot));
    if (width <= 0 || height <= 0) return;
    // Dots are counted from the reference point, in the tile's own resolution.
    double refX = s.patternReferenceSet ? s.patternReference.x : 0,
           refY = s.patternReferenceSet ? s.patternReference.y : 0;
    double scale = tile.dpi / dpi;  // tile dots per image dot
    // Rows of bits, or of palette indices for a colour pattern, as DIBs keep them.
    int bitCount = tile.colour ? 8 : 1;
    size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    std::vector<uint8_t> bits(stride * static_cast<size_t>(height), 0);
    auto tileIndex = [scale](double dotsFromReference, int32_t side) {
        auto t = static_cast<int64_t>(std::floor(dotsFromReference * scale));
        return static_cast<int32_t>((t % side + side) % side);
    };
    std::vector<int32_t> column(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x) column[static_cast<size_t>(x)] = tileIndex((left - refX) / dot + x, tile.width);
    // Rows from one tile row are alike: each is laid out once and copied after.
    std::vector<int32_t> laidAt(static_cast<size_t>(tile.height), -1);
    for (int32_t y = 0; y < height; ++y) {
        int32_t row = tileIndex((top - refY) / dot + y, tile.height);
        uint8_t* out = &bits[static_cast<size_t>(y) * stride];
        int32_t& first = laidAt[static_cast<size_t>(row)];
        if (first >= 0) {
            std::memcpy(out, &bits[static_cast<size_t>(first) * stride], stride);
            continue;
        }
        first = y;
        for (int32_t x = 0; x < width; ++x) {
            uint8_t v = tile.at(column[static_cast<size_t>(x)], row);
            if (tile.colour) out[x] = v;
            else if (v) out[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    auto x0 = static_cast<int>(std::lround(left)), y0 = static_cast<int>(std::lround(top));
    int w = static_cast<int>(std::lround(right)) - x0, h = static_cast<int>(std::lround(bottom)) - y0;
    PatternDib dib = patternDib(width, height, tile.colour);
    const BITMAPINFO* info = dib.info();
    if (!tile.colour || s.patternOpaque || s.logicalOperation != kSourceOrTexture) {
        StretchDIBits(s.pageDC, x0, y0, w, h, 0, 0, width, height, bits.data(), info, DIB_RGB_COLORS, rop);
        return;
    }
    // A transparent pattern leaves the page under its white: the page is cleared where the
    // pattern has colour, and the colours, with white made black, are added to it.
    auto isWhite = [](const RGBQUAD& c) { return c.rgbRed == 255 && c.rgbGreen == 255 && c.rgbBlue == 255; };
    size_t maskStride = (static_cast<size_t>(width) + 31) / 32 * 4;
    std::vector<uint8_t> mask(maskStride * static_cast<size_t>(height), 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (!isWhite(dib.colors[bits[static_cast<size_t>(y) * stride + x]]))
                mask[static_cast<size_t>(y) * maskStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    PatternDib maskDib = patternDib(width, height, false);
    StretchDIBits(s.pageDC, x0, y0, w, h, 0, 0, width, height, mask.data(), maskDib.info(), DIB_RGB_COLORS, SRCAND);
    for (RGBQUAD& c : dib.colors)
        if (isWhite(c)) c = {0, 0, 0, 0};
    StretchDIBits(s.pageDC, x0, y0, w, h, 0, 0, width, height, bits.data(), info, DIB_RGB_COLORS, SRCPAINT);
}
}  // namespace

std::vector<uint8_t> PclPatternDib(int32_t type, int32_t id) {
    PatternTile tile = patternTile(type, id);
    if (tile.width == 0) return {};
    // A packed DIB: the header, its colours and the rows, 32-bit aligned.
    PatternDib dib = patternDib(tile.width, tile.height, tile.colour);
    // The pattern's resolution, at which the page lays it.
    dib.header.biXPelsPerMeter = dib.header.biYPelsPerMeter = static_cast<LONG>(std::lround(tile.dpi / 0.0254));
    size_t stride = (static_cast<size_t>(tile.width) * dib.header.biBitCount + 31) / 32 * 4;
    size_t head = sizeof dib.header + dib.header.biClrUsed * sizeof(RGBQUAD);
    std::vector<uint8_t> packed(head + stride * static_cast<size_t>(tile.height));
    std::memcpy(packed.data(), &dib, head);
    uint8_t* rows = packed.data() + head;
    for (int32_t y = 0; y < tile.height; ++y)
        std::memcpy(rows + static_cast<size_t>(y) * stride, &tile.bits[static_cast<size_t>(y) * tile.stride],
                    std::min(stride, tile.stride));
    return packed;
}

COLORREF PclForegroundColour() {
    PclPageState& s = Pcl();
    if (s.foreground < 0) return 0;
    auto it = s.palettes.find(s.activePaletteId);
    if (it == s.palettes.end() || static_cast<size_t>(s.foreground) >= it->second.entries.size())
        return s.foreground == 0 ? 0xFFFFFF : 0;  // the black-and-white palette: 0 white, 1 black
    const PALETTEENTRY& e = it->second.entries[static_cast<size_t>(s.foreground)];
    return RGB(e.peRed, e.peGreen, e.peBlue);
}

bool PclTextInvisible() {
    PclPageState& s = Pcl();
    // Glyphs are a black source; where the operation leaves the page as it is, they mark nothing.
    int32_t rop = s.logicalOperation;
    if (!ropBit(rop, 0, 0, 0) && ropBit(rop, 0, 0, 1)) return true;
    return !s.patternOpaque && (s.currentPattern == 1 || (s.currentPattern == 0 && PclForegroundColour() == 0xFFFFFF));
}

COLORREF PclTextColour() {
    PclPageState& s = Pcl();
    // An operation that turns black glyphs white (an inverted source) prints them white.
    if (ropBit(s.logicalOperation, 0, 0, 0) && ropBit(s.logicalOperation, 0, 0, 1)) return 0xFFFFFF;
    switch (s.currentPattern) {
    case 1: return 0xFFFFFF;
    case 2: {
        // Shaded text keeps its average grey.
        int32_t level = shadingLevel(std::clamp(s.currentPatternId, 0, 100));
        auto grey = static_cast<BYTE>(255 - std::min(255, level));
        return RGB(grey, grey, grey);
    }
    default: return PclForegroundColour();
    }
}

DWORD PclImageRop() {
    PclPageState& s = Pcl();
    int32_t rop = s.logicalOperation;
    // The pattern is the foreground: black. A transparent source leaves the page under its white.
    return ropCode(table(
        [&](int, int source, int page) { return source && !s.sourceOpaque ? page : ropBit(rop, 0, source, page); }));
}

DWORD PclFillRop() {
    // A fill is a black source through its colour.
    int32_t rop = Pcl().logicalOperation;
    return ropCode(table([&](int pattern, int, int page) { return ropBit(rop, pattern, 0, page); }));
}

DWORD PclPatternRop() {
    // A pattern painted as an image, whose bits play the pattern's part.
    PclPageState& s = Pcl();
    int32_t rop = s.logicalOperation;
    return ropCode(table([&](int, int pattern, int page) {
        return pattern && !s.patternOpaque ? page : ropBit(rop, pattern, 0, page);
    }));
}

namespace {
HBRUSH solidBrush(int32_t type) {
    switch (type) {
    case 0:
    case 2: return CreateSolidBrush(PclForegroundColour());  // a full shade is solid
    case 1: return CreateSolidBrush(0xFFFFFF);
    default: return nullptr;
    }
}
}  // namespace

bool PclLogicalOperation(const PclArgs& a) {
    if (a.Int() >= 0 && a.Int() <= 255) Pcl().logicalOperation = a.Int();
    return true;
}

bool PclRectangleWidthUnits(const PclArgs& a) {
    Pcl().fillWidth = fillSize(a.value, kPageUnitsPerInch / static_cast<double>(Pcl().unitsPerInch));
    return true;
}
bool PclRectangleHeightUnits(const PclArgs& a) {
    Pcl().fillHeight = fillSize(a.value, kPageUnitsPerInch / static_cast<double>(Pcl().unitsPerInch));
    return true;
}
bool PclRectangleWidthDecipoints(const PclArgs& a) {
    Pcl().fillWidth = fillSize(a.value, kDecipoint);
    return true;
}
bool PclRectangleHeightDecipoints(const PclArgs& a) {
    Pcl().fillHeight = fillSize(a.value, kDecipoint);
    return true;
}
bool PclPatternId(const PclArgs& a) {
    Pcl().patternId = a.Int();
    return true;
}
bool PclSourceTransparency(const PclArgs& a) {
    if (a.Int() == 0 || a.Int() == 1) Pcl().sourceOpaque = a.Int() == 1;
    return true;
}
bool PclPatternTransparency(const PclArgs& a) {
    if (a.Int() == 0 || a.Int() == 1) Pcl().patternOpaque = a.Int() == 1;
    return true;
}
bool PclCurrentPattern(const PclArgs& a) {
    // The pattern is the one the pattern ID names now: a later ID is for area fills.
    PclPageState& s = Pcl();
    if (a.Int() >= 0 && a.Int() <= 4) s.currentPattern = a.Int(), s.currentPatternId = s.patternId;
    return true;
}
bool PclSetForegroundColour(const PclArgs& a) {
    Pcl().foreground = a.Int() < 0 ? -1 : a.Int();
    return true;
}

bool PclFillRectangle(const PclArgs& a) {
    PclPageState& s = Pcl();
    int32_t type = a.Int();
    if (type < 0 || type > 5 || s.fillWidth <= 0 || s.fillHeight <= 0) return true;
    int32_t id = s.patternId;
    if (type == 5) type = s.currentPattern, id = s.currentPatternId;  // the current pattern
    // The rectangle runs right and down from the cursor in the print direction, kept on the page.
    PagePoint a0 = PclPagePoint(s.cursorX, s.cursorY),
              a1 = PclPagePoint(s.cursorX + s.fillWidth, s.cursorY + s.fillHeight);
    double left = std::max(0.0, std::min(a0.x, a1.x)), right = std::min<double>(s.pageWidth(), std::max(a0.x, a1.x));
    double top = std::max(0.0, std::min(a0.y, a1.y)), bottom = std::min<double>(s.pageHeight(), std::max(a0.y, a1.y));
    if (right - left < 0.5 || bottom - top < 0.5) return true;
    PatternTile tile = patternTile(type, id);
    HBRUSH brush = tile.width > 0 ? nullptr : solidBrush(type);
    if ((tile.width == 0 && !brush) || !MarkPclPage()) {
        if (brush) DeleteObject(brush);
        return true;
    }
    TopDownMapping();
    if (tile.width > 0) {
        paintPattern(tile, left, top, right, bottom, PclPatternRop());
        return true;
    }
    HGDIOBJ old = SelectObject(s.pageDC, brush);
    auto x = static_cast<int>(std::lround(left)), y = static_cast<int>(std::lround(top));
    PatBlt(s.pageDC, x, y, static_cast<int>(std::lround(right)) - x, static_cast<int>(std::lround(bottom)) - y,
           PclFillRop());
    SelectObject(s.pageDC, old);
    DeleteObject(brush);
    return true;
}

bool PclUserPatternData(const PclArgs& a) {
    PclPageState& s = Pcl();
    // Format, continuation, pixel encoding, reserved, height and width; format 20 adds resolutions.
    if (!a.data || a.count < 8) return false;
    const uint8_t* d = a.data;
    int32_t format = d[0], height = d[4] << 8 | d[5], width = d[6] << 8 | d[7];
    size_t header = format == 20 ? 12 : 8;
    // Format 1 is a colour pattern of 1- or 8-bit palette indexes; the others are 1-bit black.
    int32_t bitCount = d[2];
    if ((format != 0 && format != 1 && format != 20) || (bitCount != 1 && (format != 1 || bitCount != 8)) ||
        width <= 0 || height <= 0 || width > kMaxPatternSide || height > kMaxPatternSide ||
        static_cast<size_t>(a.count) < header)
        return false;
    PclUserPattern p;
    p.width = width, p.height = height, p.colour = format == 1;
    // Format 20 names the resolution of its dots; the others are at 300 dpi.
    if (format == 20 && (d[8] << 8 | d[9]) > 0) p.dpi = std::clamp(d[8] << 8 | d[9], 75, 2400);
    size_t rowBytes = (static_cast<size_t>(width) * bitCount + 7) / 8;
    size_t stride = p.colour ? static_cast<size_t>(width) : (static_cast<size_t>(width) + 31) / 32 * 4;
    p.bits.assign(stride * static_cast<size_t>(height), 0);
    // Rows the data stop short of stay index 0: white, in the default palettes.
    size_t have = static_cast<size_t>(a.count) - header;
    for (size_t row = 0; row < static_cast<size_t>(height) && row * rowBytes < have; ++row) {
        size_t n = std::min(rowBytes, have - row * rowBytes);
        const uint8_t* in = d + header + row * rowBytes;
        uint8_t* out = &p.bits[row * stride];
        if (!p.colour || bitCount == 8) std::memcpy(out, in, n);
        else
            for (size_t x = 0; x < static_cast<size_t>(width) && x / 8 < n; ++x)
                out[x] = (in[x / 8] >> (7 - x % 8)) & 1;
    }
    s.patterns[s.patternId] = std::move(p);
    return true;
}

bool PclPatternReferencePoint(const PclArgs& a) {
    PclPageState& s = Pcl();
    // 0 turns patterns with the print direction and 1 keeps them still; both tile from the cursor.
    if (a.Int() != 0 && a.Int() != 1) return true;
    s.patternReference = PclPagePoint(s.cursorX, s.cursorY);
    s.patternReferenceSet = true;
    return true;
}

bool PclPatternControl(const PclArgs& a) {
    PclPageState& s = Pcl();
    switch (a.Int()) {
    case 0:
    case 1: s.patterns.clear(); break;  // all patterns, all temporary ones (we keep none apart)
    case 2: s.patterns.erase(s.patternId); break;
    default: break;
    }
    return true;
}
