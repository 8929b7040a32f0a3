// The PCL5 page state: one process-wide record serving one job at a time,
// with the page mapping helpers shared by PCL5 and HP-GL/2 drawing.
#pragma once
#include "gdi.h"
#include "page_list.h"
#include "pcl_job_driver.h"
#include "pcl_outline_fonts.h"
#include "pcl_palettes.h"
#include "pcl_paper.h"
#include "pcl_raster.h"
#include "pcl_soft_fonts.h"
#include "pcl_symbol_sets.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <cstdint>

enum class PclMapping { BottomUp, TopDown, Other };
enum FontKind : int32_t { SystemFont = 23, BitmapSoftFont = 24, BitmapSoftFont20 = 25, OutlineSoftFont = 28 };

// Largest number of pages one job may open; a job of nothing but form feeds stops there.
constexpr int32_t kMaxPclPages = 5000;
// Page units are 1/80 mm; a 300-dpi dot and a decipoint in page units.
constexpr int32_t kPageUnitsPerInch = 2032;
constexpr double kDot = kPageUnitsPerInch / 300.0;
constexpr double kDecipoint = kPageUnitsPerInch / 720.0;
// The farthest a glyph advance or a raster image reaches, in page units either way (about
// 125 m): past it a hostile job's sizes stop growing.
constexpr double kMaxPageReach = 1e7;
// Cursor positions pushed and not yet popped: at most 20, as on a printer.
constexpr size_t kMaxCursorStack = 20;

// The installed font chosen for a PclFontSpec, sized in page units.
struct PclChosenFont {
    LOGFONTW lf{};
    bool fixed = true;
    double advance = 0;  // a fixed font's character width: its pitch
    const SymbolSet* symbols = nullptr;
    bool byteCodes = false;  // a symbol face, which takes the set's bytes as they are
};

// A user-defined pattern: a 1-bit image, rows padded to 32 bits, 1 black.
struct PclUserPattern {
    int32_t width = 0, height = 0;
    int32_t dpi = 300;    // the resolution its dots are drawn at
    bool colour = false;  // bytes of palette indices, else bits of black
    std::vector<uint8_t> bits;
};

struct PclMacro {
    std::vector<uint8_t> bytes;
    bool permanent = false;  // kept through a printer reset
};

// Characters printed but not yet drawn: one text record per run on a line.
struct PclTextRun {
    std::u16string text;
    std::vector<INT> dx;
    double x = 0, y = 0, end = 0;
};

// The default logical operation: source OR texture, which paints the ink over the page.
constexpr int32_t kSourceOrTexture = 252;

// A point on the page in page units, from its top-left corner.
struct PagePoint {
    double x, y;
};

struct PclPageState {
    HDC pageDC = nullptr;
    PclMapping mapping = PclMapping::Other;  // the page DC's mapping; Other: set by other drawing
    int32_t pageNumber = 0;
    const char* tempDir = nullptr;
    PageList pages;
    size_t pageLimit = SIZE_MAX;            // the job stops once this many pages are finished
    PclPageSize size{kA4Length, kA4Width};  // page length (height) and width in page units, swapped for landscape
    bool landscape = false;
    bool pageMarked = false;        // something has been drawn on the open page
    bool defaultLandscape = false;  // the orientation a printer reset returns to
    bool hpglInsidePcl = true;
    int32_t unitsPerInch = 300;
    // The cursor, in page units: x from the logical page's left edge, y down from the page's top edge.
    double cursorX = 0, cursorY = 0;
    // Text layout, in page units: the motion indexes, the margins (x from the logical
    // page's left edge), the top margin and the text length (y).
    double hmi = 0, vmi = 0;
    bool hmiFromFont = true;  // the next font chosen sets the HMI
    double leftMargin = 0, rightMargin = 0, topMargin = 0, textLength = 0;
    bool perforationSkip = true;
    int32_t lineTermination = 0;
    bool endOfLineWrap = false;
    int32_t underline = 0;                 // 0 off, 1 fixed, 3 floating
    int32_t printDirection = 0;            // degrees counter-clockwise: 0, 90, 180, 270
    double leftOffset = 0, topOffset = 0;  // the registration offsets of the logical page, page units
    std::vector<std::pair<double, double>> cursorStack;
    double lastAdvance = 0;  // the last character's width, which a backspace takes back
    PclFontSpec fonts[2];    // primary, secondary: the characteristics fonts are chosen by
    bool secondaryActive = false;
    bool fontChosen = false;  // `chosen` holds the choice for the active font spec
    PclChosenFont chosen;
    double widths[256] = {};  // the chosen font's character widths; 0: not measured yet
    bool fontInPage = false;  // the chosen font is selected into the page DC
    PclTextRun run;
    bool transparentData = false;  // control codes print as characters
    int32_t fontKind = SystemFont;
    int32_t fontId = 0;        // the ID downloads go to
    int32_t selectedFont = 0;  // the downloaded font drawn when fontKind names one
    int32_t characterCode = 0;
    int32_t paletteControlId = 0;
    int32_t activePaletteId = 1;
    uint8_t colourComponents[3] = {0, 0, 0};
    uint8_t colourSpace = 0;
    int32_t pixelEncodingMode = 3;
    uint8_t bitsPerIndex = 1;
    uint8_t bitsPerPrimary[3] = {8, 8, 8};
    int32_t compressionMethod = 0;
    int32_t rasterWidth = 0, rasterHeight = 0;
    int32_t destinationWidth = 0, destinationHeight = 0;
    int32_t rasterResolution = 75;            // ESC*t#R: 75 dpi, as printers have it until a job says otherwise
    std::vector<RasterComponent> rasterInks;  // Configure Raster Data's, when it was given
    // ESC*r#F: 3 lays raster rows along the physical page's width, turning them on a landscape
    // page; 0 lays them along the logical page's.
    int32_t rasterPresentation = 3;
    int32_t rectangleWidth = 0, rectangleHeight = 0;  // the picture frame, decipoints
    double plotSizeX = 0, plotSizeY = 0;              // ESC*c#K/#L: the plot's size in page units, 0 the frame's
    // Rectangular area fill: the size in page units, the pattern ID, the pattern
    // drawn with text and rules, transparency, the foreground colour index, and
    // the user-defined patterns by ID.
    double fillWidth = 0, fillHeight = 0;
    int32_t patternId = 0;
    int32_t currentPattern = 0;    // 0 solid, 1 white, 2 shading, 3 cross-hatch, 4 user-defined
    int32_t currentPatternId = 0;  // the pattern ID when the current pattern was selected
    bool sourceOpaque = false, patternOpaque = false;
    int32_t logicalOperation = kSourceOrTexture;  // ESC*l#O: how source, pattern and page combine (ternary ROP)
    int32_t foreground = -1;                      // a palette index; -1: black
    std::map<int32_t, PclUserPattern> patterns;
    // ESC*p#R: where patterns tile from (page units, y down); the page's corner until it is set.
    bool patternReferenceSet = false;
    PagePoint patternReference{};
    int32_t simpleColour = 0;           // ESC*r#U: 1 black, 3 RGB planes, -3 CMY planes; 0 none
    bool colourConfigured = false;      // Configure Image Data has been given since the last reset
    bool rasterScaled = false;          // the image was started to be scaled to the destination size
    std::unique_ptr<RasterJob> raster;  // the image being received, if any
    PaletteMap palettes;
    // Macros by ID, the ID commands refer to, the overlay run on each page, and how deep
    // macros are running; `runMacro` runs bytes through the job's own interpreter.
    std::map<int32_t, PclMacro> macros;
    int32_t macroId = 0, overlayMacro = -1;
    int macroDepth = 0;
    bool definingMacro = false, runningOverlay = false;
    std::function<void(const uint8_t*, size_t)> runMacro;
    SoftFontMap softFonts;
    OutlineFontMap outlineFonts;
    // Downloaded fonts of a format we cannot draw (Intellifont), by ID: their text is set in
    // the printer font nearest the characteristics their headers give.
    std::map<int32_t, PclFontSpec> standInFonts;
    // HP-GL/2 plot frame, set when a page opens; a plot file may fix it, and
    // move the plot's origin (page units from the lower-left corner) to fit it on its page.
    int32_t plotWidth = 0, plotHeight = 0;
    int32_t fixedPlotWidth = 0, fixedPlotHeight = 0;
    int32_t plotOriginX = 0, plotOriginY = 0;
    bool plotPagePlaced = false;  // the plot file's page is sized already: PS changes the frame only
    // The picture frame's top-left corner on the page (page units, y down): where ESC*c0T
    // anchored it, else the logical page's left edge half an inch down.
    bool frameAnchored = false;
    double frameAnchorX = 0, frameAnchorY = 0;
    int32_t pageWidth() const { return size.width; }
    int32_t pageHeight() const { return size.length; }
    PclFontSpec& font() { return fonts[secondaryActive ? 1 : 0]; }
};

PclPageState& Pcl();

void InitPclJob();
void ResetPclState();
// Swaps the page's sides when the orientation changes.
void TurnPclPage(bool landscape);

// Sets the mapping unless it is the one in force.
void SetPageMapping(PclMapping mode);
inline void BottomUpMapping() { SetPageMapping(PclMapping::BottomUp); }
inline void TopDownMapping() { SetPageMapping(PclMapping::TopDown); }
// The bottom-up mapping with the origin moved to (originX, originY) page units from the lower-left
// corner, and the plot's units stretched by the scales.
void SetPlotMapping(int32_t originX, int32_t originY, double scaleX, double scaleY);
// The page size in reference-device pixels; false without an open page.
bool PageUnitsToPixels(int32_t& x, int32_t& y);

// Page output. A page opens when something is first drawn on it (MarkPclPage),
// at HP-GL/2 entry and at a form feed; a form feed ejects it even when blank;
// EndPclPage keeps it only when something marked it.
void OpenPclPage();
// Something is drawn: a page opens if none is; false when none could.
bool MarkPclPage();
// A form feed: the page, blank or not, is ejected, and the cursor goes to the first line of the next.
void EjectPclPage();
// Printer reset, universal exit, a new page size or orientation, the end of the job:
// a marked page is ejected, an unmarked one forgotten.
void EndPclPage();
bool EnterHpgl(double value);
// Something that could not be read or drawn, told with the page it concerns (the open one).
void ReportPclProblem(const std::string& message);
// The size of the HP-GL/2 plot frame, in page units before ESC*c#K/#L scale it onto the page.
void PlotFrame(int32_t& width, int32_t& height);
// The picture frame's size or anchor changed: the plot takes the new frame.
void PictureFrameChanged();
bool FinishPclJob();

// Commands and characters.
// Runs a command of the table by its key; `data` points at the terminator of a command with data.
bool DispatchPclCommand(uint8_t parameter, uint8_t group, uint8_t terminator, const uint8_t* data, int32_t count,
                        double value, bool relative = false);
void PrintPclCharacter(uint8_t byte);
bool SelectFontById(double value);
// A symbol set (number and letter) for the primary or secondary font.
void SelectSymbolSet(bool secondary, int32_t number, uint8_t letter);
// ESC(3@ and ESC)3@: the font returns to the printer's default.
void SelectDefaultFont(bool secondary, int32_t value);
// The font chosen for the active characteristics, chosen afresh after a change.
const PclChosenFont& ChosenPclFont();
// The em of a scalable font at the active characteristics, in page units: from
// the height for a proportional font, from the pitch for a fixed one.
double PclFontHeight(bool proportional);
// The underline under the text from x0 to x1 on the baseline y, as the underline mode draws it.
void DrawPclUnderline(double x0, double x1, double y);
// The foreground colour (ESC*v#S) and the colour text takes from the current pattern.
COLORREF PclForegroundColour();
COLORREF PclTextColour();
// Text in white under a transparent pattern: it marks nothing.
bool PclTextInvisible();
// The raster operations an image, a solid fill and a patterned fill (its pattern painted as an
// image) are painted with: the job's logical operation, with white left alone where the source
// or the pattern is transparent.
DWORD PclImageRop();
DWORD PclFillRop();
DWORD PclPatternRop();
// Stores the bytes of the macro being defined under the macro ID.
void DefinePclMacro(const uint8_t* data, size_t size);
// Runs the overlay macro on the open page, if there is one.
void RunPclOverlay();
// Draws the characters printed so far; called before anything else changes the page.
void FlushPclText();
// Creates the chosen font in the page DC, deleting the one it replaces.
void ApplyPclFont();

// The logical page: its left edge and width on the page, in page units.
double LogicalPageLeft();
double LogicalPageWidth();
// The frame text is laid out in: the logical page turned by the print direction.
double TextFrameWidth();
double TextFrameHeight();
// A point of the text frame (x right, y down in the print direction) on the page, in page units from its top-left
// corner.
PagePoint PclPagePoint(double x, double y);
// Puts the text layout to the defaults of the page size and orientation:
// margins, text length, motion indexes, and the cursor at the first line.
void DefaultTextLayout();
// The cursor at the left margin of the first line of the text area.
void HomeCursor();
// Moves the cursor down by `dy` page units; past the text area it goes to the next page.
void MoveCursorDown(double dy);
