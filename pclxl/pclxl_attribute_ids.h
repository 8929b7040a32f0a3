// PCL XL attribute identifiers: the byte after an attribute tag names the attribute the
// value before it sets. The reader, the operators and the writers of test streams all
// use these names.
#pragma once
#include <cstdint>

namespace xla {
enum Id : uint8_t {
    PaletteDepth = 2, ColorSpace = 3, NullBrush = 4, NullPen = 5, PaletteData = 6, PatternSelectID = 8,
    GrayLevel = 9, RGBColor = 11, PatternOrigin = 12, NewDestinationSize = 13, PrimaryArray = 14, PrimaryDepth = 15,
    // The page and the medium.
    DeviceMatrix = 33, DitherMatrixDataType = 34, DitherOrigin = 35, MediaDestination = 36, MediaSize = 37,
    MediaSource = 38, MediaType = 39, Orientation = 40, PageAngle = 41, PageOrigin = 42, PageScale = 43, ROP3 = 44,
    TxMode = 45, CustomMediaSize = 47, CustomMediaSizeUnits = 48, PageCopies = 49, DitherMatrixSize = 50,
    DitherMatrixDepth = 51, SimplexPageMode = 52, DuplexPageMode = 53, DuplexPageSide = 54,
    // Paths and their painting.
    ArcDirection = 65, BoundingBox = 66, DashOffset = 67, EllipseDimension = 68, EndPoint = 69, FillMode = 70,
    LineCapStyle = 71, LineJoinStyle = 72, MiterLength = 73, LineDashStyle = 74, PenWidth = 75, Point = 76,
    NumberOfPoints = 77, SolidLine = 78, StartPoint = 79, PointType = 80, ControlPoint1 = 81, ControlPoint2 = 82,
    ClipRegion = 83, ClipMode = 84,
    // Images and raster patterns.
    ColorDepth = 98, BlockHeight = 99, ColorMapping = 100, CompressMode = 101, DestinationBox = 102,
    DestinationSize = 103, PatternPersistence = 104, PatternDefineID = 105, SourceHeight = 107, SourceWidth = 108,
    StartLine = 109, PadBytesMultiple = 110, BlockByteLength = 111, NumberOfScanLines = 115, ColorTreatment = 120,
    // The session, its data and its streams.
    CommentData = 129, DataOrg = 130, Measure = 134, SourceType = 136, UnitsPerMeasure = 137, StreamName = 139,
    StreamDataLength = 140, ErrorReport = 143,
    // Fonts and text.
    CharAngle = 161, CharCode = 162, CharDataSize = 163, CharScale = 164, CharShear = 165, CharSize = 166,
    FontHeaderLength = 167, FontName = 168, FontFormat = 169, SymbolSet = 170, TextData = 171, CharSubModeArray = 172,
    WritingMode = 173, XSpacingData = 175, YSpacingData = 176, CharBoldValue = 177,
};
}  // namespace xla
