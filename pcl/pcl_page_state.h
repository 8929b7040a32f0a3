// The PCL5 page state: one process-wide record serving one job at a time,
// with the page mapping helpers shared by PCL5 and HP-GL/2 drawing.
#pragma once
#include "gdi.h"
#include "page_list.h"
#include "pcl_job_driver.h"
#include "pcl_outline_fonts.h"
#include "pcl_palettes.h"
#include "pcl_raster.h"
#include "pcl_soft_fonts.h"

#include <memory>

#include <cstdint>

enum FontKind : int32_t { SystemFont = 23, BitmapSoftFont = 24, BitmapSoftFont20 = 25, OutlineSoftFont = 28 };

// Largest number of pages one job may open; a job of nothing but form feeds stops there.
constexpr int32_t kMaxPclPages = 5000;
// Lines per inch of the line feed.
constexpr int32_t kPclLinesPerInch = 6;
// Page units are 1/80 mm.
constexpr int32_t kPageUnitsPerInch = 2032;
// The page a job gets when it asks for none: A4, 210 x 297 mm.
constexpr int32_t kA4Width = 16800, kA4Length = 23760;

struct PclPageState {
    HDC pageDC = nullptr;
    int32_t pageNumber = 0;
    const char* tempDir = nullptr;
    PageList pages;
    PclPageSize size{kA4Length, kA4Width};  // page length (height) and width in page units, swapped for landscape
    bool landscape = false;
    bool pageMarked = false;  // something has been drawn on the open page
    bool hpglInsidePcl = true;
    int32_t unitsPerInch = 300;
    int32_t cursorX = 0, cursorY = 0;
    LOGFONTA font{};
    int32_t fontKind = SystemFont;
    int32_t fontId = 0;
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
    int32_t rasterResolution = 300;
    int32_t rectangleWidth = 0, rectangleHeight = 0;
    DWORD rasterOperation = SRCAND;
    std::unique_ptr<RasterJob> raster;  // the image being received, if any
    PaletteMap palettes;
    SoftFontMap softFonts;
    OutlineFontMap outlineFonts;
    // HP-GL/2 plot frame, set when a page opens; a plot file may fix it, and
    // move the plot's origin (page units from the lower-left corner) to fit it on its page.
    int32_t plotWidth = 0, plotHeight = 0;
    int32_t fixedPlotWidth = 0, fixedPlotHeight = 0;
    int32_t plotOriginX = 0, plotOriginY = 0;
    int32_t pageWidth() const { return size.width; }
    int32_t pageHeight() const { return size.length; }
};

PclPageState& Pcl();

void InitPclJob();
void ResetPclState();

enum class PclMapping { BottomUp, TopDown };
void SetPageMapping(PclMapping mode);
inline void BottomUpMapping() { SetPageMapping(PclMapping::BottomUp); }
inline void TopDownMapping() { SetPageMapping(PclMapping::TopDown); }
// The bottom-up mapping with the origin moved to (originX, originY) page units from the lower-left corner.
void SetPlotMapping(int32_t originX, int32_t originY);
// The page size in reference-device pixels; false without an open page.
bool PageUnitsToPixels(int32_t& x, int32_t& y);

// Page output. A page opens when something is first drawn on it (MarkPclPage),
// at HP-GL/2 entry and at a form feed; a form feed ejects it even when blank;
// EndPclPage keeps it only when something marked it.
void OpenPclPage();
// Something is drawn: a page opens if none is; false when none could.
bool MarkPclPage();
// A form feed: the page, blank or not, is ejected, and the cursor goes to the top of the next.
void EjectPclPage();
// Printer reset, universal exit, a new page size or orientation, the end of the job:
// a marked page is ejected, an unmarked one forgotten.
void EndPclPage();
bool EnterHpgl(double value);
// The size of the HP-GL/2 plot frame on the page, in page units.
void PlotFrame(int32_t& width, int32_t& height);
bool FinishPclJob();

// Commands and characters.
bool DispatchPclCommand(uint8_t parameter, uint8_t group, uint8_t terminator, const uint8_t* data, int32_t count,
                        double value);
void PrintPclCharacter(uint8_t byte);
bool SelectFontById(double value);
bool SelectSymbolSet(const char* text);
// Creates the font of the current record in the page DC, deleting the one it replaces.
void ApplyPclFont();
