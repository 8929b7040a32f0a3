// The PCL XL interpreter's state: the byte reader, the value stack, the
// attributes named so far, and the graphics state of the page being drawn.
// One process-wide record serves one job at a time.
#pragma once
#include "gdi.h"
#include "page_list.h"
#include "pclxl_attribute_ids.h"
#include "truetype_glyph.h"

#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Every error of the reader and the operators; the tag loop drops the tag that raised it. It
// goes by the name printers give it, with what it concerns (an operator's or an attribute's
// number) where that helps to tell it.
struct PclXlError : std::runtime_error {
    explicit PclXlError(const char* name, std::string what = {})
        : std::runtime_error(name), concerning(std::move(what)) {}
    std::string concerning;
};

enum PclXlKind : int { XlInteger = 0, XlReal = 1, XlIntegerArray = 2, XlRealArray = 3 };

struct PclXlValue {
    int kind = XlInteger;
    int32_t integer = 0;
    double real = 0;
    std::vector<int32_t> integers;
    std::vector<double> reals;
};

// Values waiting for an attribute identifier; a box is the most one attribute takes.
constexpr size_t kMaxPclXlStack = 64;
// Most pages one job may make, and how deep PushGS may nest.
constexpr int32_t kMaxPclXlPages = 5000;
constexpr size_t kMaxGraphicsStates = 256;
// Most points one path may hold.
constexpr size_t kMaxPathPoints = 1 << 22;

// The attributes as the stream names them; they keep their values from one operator to the next.
struct PclXlAttributes {
    int32_t paletteDepth = 0, colorSpace = 0;
    std::vector<int32_t> paletteData;
    int32_t patternSelectId = 0;
    int32_t grayLevel = 0;
    uint8_t rgb[3] = {0, 0, 0};
    int32_t patternOrigin[2] = {0, 0}, newDestinationSize[2] = {0, 0};
    std::vector<int32_t> primaryArray;
    int32_t primaryDepth = 0;
    int32_t mediaCode = 2;
    bool mediaSizeGiven = false;
    int32_t orientation = 0;
    double pageAngle = 0;
    int32_t pageOrigin[2] = {0, 0};
    double pageScale[2] = {1, 1};
    int32_t rop3 = 252, txMode = 0;
    int32_t customMediaSize[2] = {0, 0}, customMediaSizeUnits = 0;
    int32_t pageCopies = 1;
    int32_t arcDirection = 0;
    int32_t boundingBox[4] = {0, 0, 0, 0};
    int32_t dashOffset = 0;
    int32_t ellipseDimension[2] = {0, 0};
    int32_t endPoint[2] = {0, 0};
    int32_t fillMode = 0, lineCap = 0, lineJoin = 0, miterLength = 10;
    std::vector<int32_t> lineDash;
    double penWidth = 1;
    int32_t point[2] = {0, 0};
    int32_t numberOfPoints = 0;
    int32_t startPoint[2] = {0, 0};
    int32_t pointType = 0;
    int32_t controlPoint1[2] = {0, 0}, controlPoint2[2] = {0, 0};
    int32_t clipRegion = 0, clipMode = 0;
    int32_t colorDepth = 0, blockHeight = 0, colorMapping = 0, compressMode = 0;
    int32_t destinationSize[2] = {0, 0};
    int32_t patternPersistence = 0, patternDefineId = 0;
    int32_t sourceHeight = 0, sourceWidth = 0, startLine = 0;
    int32_t padBytesMultiple = 4, blockByteLength = 0;
    std::vector<int32_t> commentData;
    int32_t dataOrg = 0, measure = 0;
    double unitsPerMeasure[2] = {600, 600};
    double charAngle = 0;
    int32_t charCode = 0, charDataSize = 0;
    double charScale[2] = {1, 1}, charShear[2] = {0, 0}, charBoldValue = 0;
    double charSize = 0;
    int32_t fontHeaderLength = 0;
    std::vector<int32_t> fontName;
    int32_t fontFormat = 0, symbolSet = 0;
    std::vector<int32_t> textData, xSpacing, ySpacing;
};

// A pen or brush: a colour, nothing, or a raster pattern.
struct PclXlPaint {
    enum Kind { Solid, None, Pattern } kind = Solid;
    COLORREF color = RGB(0, 0, 0);
    int32_t patternId = 0;
    bool operator==(const PclXlPaint&) const = default;
};

struct PclXlDownloadedFont;

// What PushGS saves and PopGS restores.
struct PclXlGraphicsState {
    PclXlPaint brush, pen;
    double penWidth = 1;  // user units
    int32_t lineCap = 0, lineJoin = 0;
    double miterLimit = 10;
    std::vector<int32_t> dash;  // user units; empty: solid
    int32_t dashOffset = 0;
    int32_t fillMode = 0, clipMode = 0;  // 0 non-zero winding, 1 even-odd
    uint8_t rop3 = 252;
    bool sourceTransparent = false, patternTransparent = false;
    int32_t colorSpace = 1;  // 1 grey, 2 RGB
    std::vector<uint8_t> palette;
    std::string fontName;
    PclXlDownloadedFont* font = nullptr;  // the downloaded font in use, if any
    double charSize = 0, charAngle = 0;   // degrees, counter-clockwise on the page
    double charScale[2] = {1, 1}, charShear[2] = {0, 0};
    double charBold = 0;  // the stroke that emboldens glyphs, in ems
    int32_t symbolSet = 0;
};

// A figure under construction: points in logical units with PolyDraw types.
struct PclXlPath {
    std::vector<POINT> points;
    std::vector<BYTE> types;
    bool pending = false;       // drawn to since it was last painted or clipped to
    bool figureOpen = false;    // the last figure takes further segments
    int32_t start[2] = {0, 0};  // where the open figure began, user units
    void clear() { points.clear(), types.clear(), pending = false, figureOpen = false; }
};

// A character outline in font units, or a bitmap glyph in dots.
struct PclXlGlyph {
    std::vector<OutlinePoint> outline;
    int32_t advance = -1;  // font units, when the character gave one
    int32_t left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> bits;  // rows padded to 4 bytes, set bits inked
};

struct PclXlDownloadedFont {
    int32_t technology = -1;  // 1 TrueType, 254 bitmap
    int32_t resolution[2] = {300, 300};
    int32_t unitsPerEm = 0;  // 0: not known
    int32_t symbolSet = 0;   // the header's: what the character codes stand for
    std::map<int32_t, PclXlGlyph> glyphs;
};

struct PclXlPattern {
    int32_t width = 0, height = 0;    // source pixels
    int32_t destination[2] = {0, 0};  // user units
    std::vector<uint32_t> pixels;     // 0x00RRGGBB while the pattern is defined
    std::vector<uint8_t> dib;         // the tile as a packed 32-bit DIB, top-down
};

// The image between BeginImage and EndImage, or the raster pattern being defined.
struct PclXlRaster {
    bool open = false, pattern = false;
    int32_t width = 0, height = 0, depth = 0, mapping = 0, colorSpace = 1;
    int32_t destination[2] = {0, 0};
    int32_t cursor[2] = {0, 0};  // the image's top-left corner, user units with the page origin
    std::vector<uint8_t> palette;
    std::vector<uint8_t> seed;  // the delta-row seed
};

// Logical units are this many times finer than the page's mapping units (hundredths of an
// inch or tenths of a millimetre), through the page's world transform: thin shapes, curves and
// glyph dots keep their places to a fraction of a device pixel.
constexpr double kXlFine = 16;

struct PclXlState {
    // The byte reader.
    const uint8_t* data = nullptr;
    size_t size = 0, pos = 0;
    int binding = 0;  // 0 ASCII, 1 low byte first, 2 high byte first
    bool stop = false;
    size_t pageLimit = SIZE_MAX;  // reading stops once this many pages are finished
    std::vector<PclXlValue> stack;
    PclXlAttributes attr;
    std::bitset<256> given;
    const uint8_t* embedded = nullptr;  // the last embedded data, inside the mapped job
    size_t embeddedSize = 0;

    // The job and its pages.
    std::string tempDir;
    PageList pages;
    int32_t pageCounter = 0;
    HDC dc = nullptr;
    double rx = 6, ry = 6;                      // user units per unit of the page's mapping, from the units of measure
    double sx = kXlFine / 6, sy = kXlFine / 6;  // logical units per user unit
    bool pageScaleSet = false;                  // SetPageScale was sent in this job
    int32_t origin[2] = {0, 0};                 // the page origin, user units
    int32_t cursor[2] = {0, 0};
    PclXlGraphicsState gs;
    std::vector<PclXlGraphicsState> savedStates;
    PclXlPath path;

    // The GDI objects made for the page, and what they were made from.
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    bool objectsSelected = false, fontSelected = false;
    std::string penKey, brushKey, fontKey;
    struct Modes {  // as last set on the page; -1 not known
        int fillMode = -1, rop2 = -1;
        double miterLimit = -1;
    } modes;

    // Downloads.
    std::map<std::string, PclXlDownloadedFont> fonts;
    PclXlDownloadedFont* loadingFont = nullptr;
    std::vector<uint8_t> fontHeader;
    std::vector<std::vector<uint8_t>> charRecords;  // one a ReadChar, in order
    std::vector<int32_t> charCodes;
    std::map<int32_t, PclXlPattern> patterns;
    int32_t patternsDefined = 0;  // a pattern brush is made anew after each definition
    PclXlRaster raster;
};

PclXlState& XlState();
