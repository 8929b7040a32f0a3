// The PCL5 commands the renderer carries out, as the command table names them.
#pragma once
#include "pcl_command_table.h"

// Job and page.
bool PclPrinterReset(const PclArgs& a);
bool PclUniversalExit(const PclArgs& a);
bool PclSelectPageSize(const PclArgs& a);
bool PclOrientation(const PclArgs& a);
bool PclUnitOfMeasure(const PclArgs& a);

// Cursor.
bool PclCursorX(const PclArgs& a);
bool PclCursorY(const PclArgs& a);
bool PclColumn(const PclArgs& a);
bool PclRow(const PclArgs& a);
bool PclDecipointX(const PclArgs& a);
bool PclDecipointY(const PclArgs& a);
bool PclPushPopCursor(const PclArgs& a);
bool PclPrintDirection(const PclArgs& a);
bool PclLeftOffset(const PclArgs& a);
bool PclTopOffset(const PclArgs& a);
bool PclHalfLineFeed(const PclArgs& a);

// Text layout.
bool PclLeftMargin(const PclArgs& a);
bool PclRightMargin(const PclArgs& a);
bool PclClearMargins(const PclArgs& a);
bool PclTopMargin(const PclArgs& a);
bool PclTextLength(const PclArgs& a);
bool PclPerforationSkip(const PclArgs& a);
bool PclHmi(const PclArgs& a);
bool PclVmi(const PclArgs& a);
bool PclLineSpacing(const PclArgs& a);
bool PclLineTermination(const PclArgs& a);
bool PclEndOfLineWrap(const PclArgs& a);
bool PclTransparentData(const PclArgs& a);
bool PclUnderlineOn(const PclArgs& a);
bool PclUnderlineOff(const PclArgs& a);

// Fonts (the parameter tells the primary from the secondary font).
bool PclSpacing(const PclArgs& a);
bool PclPitch(const PclArgs& a);
bool PclHeight(const PclArgs& a);
bool PclStyle(const PclArgs& a);
bool PclStrokeWeight(const PclArgs& a);
bool PclTypeface(const PclArgs& a);
bool PclFontId(const PclArgs& a);
bool PclCharacterCode(const PclArgs& a);
bool PclFontHeader(const PclArgs& a);
bool PclCharacterDefinition(const PclArgs& a);

// Raster graphics.
bool PclPictureFrameWidth(const PclArgs& a);
bool PclPictureFrameAnchor(const PclArgs& a);
bool PclPictureFrameHeight(const PclArgs& a);
bool PclPlotSizeX(const PclArgs& a);
bool PclRasterPresentation(const PclArgs& a);
bool PclPatternReferencePoint(const PclArgs& a);
bool PclPlotSizeY(const PclArgs& a);
bool PclRasterResolution(const PclArgs& a);
bool PclRasterHeight(const PclArgs& a);
bool PclRasterWidth(const PclArgs& a);
bool PclDestinationWidth(const PclArgs& a);
bool PclDestinationHeight(const PclArgs& a);
bool PclStartRaster(const PclArgs& a);
bool PclRasterYOffset(const PclArgs& a);
bool PclCompressionMethod(const PclArgs& a);
bool PclRasterRow(const PclArgs& a);
bool PclRasterPlane(const PclArgs& a);
bool PclSimpleColour(const PclArgs& a);
bool PclEndRaster(const PclArgs& a);

// Rectangles and patterns.
bool PclRectangleWidthUnits(const PclArgs& a);
bool PclRectangleHeightUnits(const PclArgs& a);
bool PclRectangleWidthDecipoints(const PclArgs& a);
bool PclRectangleHeightDecipoints(const PclArgs& a);
bool PclPatternId(const PclArgs& a);
bool PclFillRectangle(const PclArgs& a);
bool PclCurrentPattern(const PclArgs& a);
bool PclSourceTransparency(const PclArgs& a);
bool PclPatternTransparency(const PclArgs& a);
bool PclUserPatternData(const PclArgs& a);
bool PclPatternControl(const PclArgs& a);
bool PclLogicalOperation(const PclArgs& a);

// Macros.
bool PclMacroId(const PclArgs& a);
bool PclMacroControl(const PclArgs& a);

// Colour.
bool PclSetForegroundColour(const PclArgs& a);
bool PclConfigureImageData(const PclArgs& a);
bool PclConfigureRasterData(const PclArgs& a);
bool PclSelectPalette(const PclArgs& a);
bool PclPaletteControlId(const PclArgs& a);
bool PclPaletteControl(const PclArgs& a);
bool PclColourComponent(const PclArgs& a);
bool PclAssignColourIndex(const PclArgs& a);
