// The HP-GL/2 plot state: one process-wide record beside the PCL5 page state,
// reset when a job starts and carried over between HP-GL/2 sections and pages.
#pragma once
#include "gdi.h"

#include <map>
#include <string>
#include <vector>

#include <cstdint>

enum HpglScaling : int32_t { ScalingOff = -1, Anisotropic = 0, Isotropic = 1, PointFactor = 2 };

// The font of SD or AD: the HP font selection values.
struct HpglFontDefinition {
    int32_t symbolSet = 277, spacing = 0, posture = 0, weight = 0, typeface = 48;  // 48: the stick font
    double pitch = 9, height = 11.5;                                               // characters per inch, points
};

// MC0's raster operation: the ink paints over the page.
constexpr int32_t kPaintOperation = 252;

struct HpglPlotState {
    // Pen position after the last motion, in page units, and the carriage-return point
    // labels return to: where the last motion put the pen, moved down by line feeds.
    int32_t x = 0, y = 0;
    int32_t crX = 0, crY = 0;
    bool penUp = true;
    bool absolute = true;
    bool symbolMode = false;
    char symbol = 0;
    int32_t currentPen = 1;
    int32_t numberOfPens = 8;
    int32_t lineStyle = PS_SOLID;  // pen style with the end and join flags of LA
    int32_t userLineType = -1;     // the UL pattern LT chose, -1 none
    HPEN pen = nullptr;            // the pen this state selected into the page
    int32_t penWidthUnit = 0;
    int32_t penWidth = 28;  // page units: the plotter's 0.35 mm until PW says otherwise
    std::map<int32_t, COLORREF> penColours;
    std::map<int32_t, std::vector<DWORD>> userLineTypes;
    int32_t fillType = 1;
    int32_t fillSpacing = 0;
    int32_t fillAngle = 0;
    std::vector<double> userFillGaps;  // UF: FT5's gaps between lines, in proportion
    int32_t rasterFillIndex = -1;
    std::map<int32_t, std::vector<uint8_t>> rasterFills;  // RF's patterns as packed DIBs
    HBRUSH fillBrush = nullptr;
    int32_t screenType = 0, screenOption = 0;  // SV: the pen's lines painted as a fill type paints
    uint8_t labelTerminator = 3;
    // CF: outline characters filled solid (0), only edged (1), filled with the fill type (2),
    // or both (3); the pen that edges them, 0 for none, -1 for the current pen.
    int32_t characterFill = 0, edgePen = 0;
    int32_t textPath = 0;     // DV: 0 right, 1 down, 2 left, 3 up, the characters upright
    int32_t labelOrigin = 1;  // LO: 1 to 9 place the label's left, centre or right at its bottom, middle or top
    HpglFontDefinition standardFont, alternateFont;
    bool alternateSelected = false;
    // SI and SR: the nominal character's width and the cap height in page units, 0 when
    // the font's own; negative values mirror the characters.
    int32_t charWidth = 0, capHeight = 0;
    HFONT font = nullptr;  // the outline label font, owned here and selected only while labels draw
    // DI and DR: the direction labels run in, absolute or in parts of P1-P2; SL's slant.
    double runX = 1, runY = 0;
    bool relativeDirection = false;
    double slant = 0;
    double extraSpace = 0, extraLine = 0;      // ES: parts of a character cell and of a line
    bool transparentData = false;              // TD1: control codes print as characters
    std::string labelBuffer;                   // BL's label, which PB prints
    int32_t mergeOperation = kPaintOperation;  // MC
    bool whiteTransparent = true;              // TR
    int32_t rotation = 0;
    // Scaling points (plotter units) and the user window of SC. Until IP or IR
    // places them, P1 and P2 follow the frame's corners as RO turns it.
    int32_t p1x = 0, p1y = 0, p2x = 1, p2y = 1;
    bool scalingPointsSet = false;
    // IW's clip window in page units (left, bottom, right, top), when one is set.
    bool windowSet = false;
    int32_t window[4] = {0, 0, 0, 0};
    // CR: the values of PC that stand for no colour and for full colour, per primary.
    double colourRange[6] = {0, 255, 0, 255, 0, 255};
    double tickUp = 0.5, tickDown = 0.5;  // TL, percent of the P1-P2 span
    int32_t scaling = ScalingOff;
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    int32_t left = 50, bottom = 50;
    // Polygon mode: the figures recorded since PM0, in page units.
    bool polygonMode = false;
    std::vector<std::vector<POINT>> polygon;
    std::vector<bool> polygonOpen;  // a figure whose pen went up before it closed: no closing edge
    size_t polygonPoints = 0;
};

HpglPlotState& Hpgl();

// Sets every field to its start value and deletes the objects the state owns.
void ResetHpglDefaults();
// A page opened: P2 becomes the plot's far corner and the pen goes home.
void HpglPageOpened();
// The plot's frame in plotter units, its sides swapped when RO turns it a quarter.
void TurnedFrame(double& width, double& height);
// The plot's frame changed size: P1 and P2 go to its corners.
void HpglFrameChanged();
// A page is about to close: the pen selected into it is deleted.
void HpglPageClosing();
// HP-GL/2 was entered: the rotation and the pen of the plot state are applied to the page.
void HpglSectionEntered();
// ESC%1B: the pen moves to this point of the plot's frame (page units from its lower-left
// corner, y up, before RO's turn), where the PCL cursor stands; labels return to it.
void HpglPenToFramePoint(double x, double y);
// PCL5 takes the page back: IW's window no longer clips it.
void HpglSectionLeft();

// Hands one recognised command to its handler with its parameters as HpglCommandExtent
// delimits them; `cut`: the data ended inside them.
bool DispatchHpglCommand(const char* mnemonic, const uint8_t* params, size_t length, bool cut);
