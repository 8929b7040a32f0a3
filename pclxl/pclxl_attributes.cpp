// The attribute step: each identifier pops its value(s) into the attribute state.
#include "pclxl_operators.h"
#include "pclxl_stream.h"

#include <cctype>
#include <string>

namespace {
void popPair(int32_t (&v)[2]) {
    v[1] = XlPopInteger();
    v[0] = XlPopInteger();
}

// A pair, or one value standing for both.
void popRealPair(double (&v)[2]) {
    v[1] = XlPopReal();
    v[0] = XlTopKind() < 0 ? v[1] : XlPopReal();
}

uint8_t colourLevel() {
    // A real level runs from 0 to 1; an integer one from 0 to 255.
    if (XlTopKind() == XlReal) {
        double r = XlPopReal();
        return static_cast<uint8_t>(r <= 0 ? 0 : r >= 1 ? 255 : r * 255 + 0.5);
    }
    return static_cast<uint8_t>(XlPopInteger());
}

// Media names of the standard, as some drivers send them instead of codes.
int32_t mediaCodeOfName(const std::vector<int32_t>& name, int32_t current) {
    static const char* const kNames[] = {"LETTER",  "LEGAL",  "A4", "EXEC",  "LEDGER", "A3", "COM10",
                                         "MONARCH", "C5",     "DL", "JISB4", "JISB5",  "B5", "B5PAPER",
                                         "JPOST",   "JPOSTD", "A5", "A6",    "JISB6"};
    std::string text;
    for (int32_t c : name)
        if (c != ' ') text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(kNames)); ++i)
        if (text == kNames[i]) return i;
    return current;
}
}  // namespace

void StorePclXlAttribute(int id) {
    PclXlAttributes& a = XlState().attr;
    switch (id) {
    case xla::PaletteDepth: a.paletteDepth = XlPopInteger(); break;
    case xla::ColorSpace: a.colorSpace = XlPopInteger(); break;
    case xla::NullBrush:
    case xla::NullPen:
    case xla::DitherMatrixDepth:
    case xla::SolidLine:
    case xla::SourceType: break;
    case xla::PaletteData: a.paletteData = XlPopIntegers(); break;
    case xla::PatternSelectID: a.patternSelectId = XlPopInteger(); break;
    case xla::GrayLevel: a.grayLevel = colourLevel(); break;
    case xla::RGBColor: {
        if (XlTopKind() != XlIntegerArray && XlTopKind() != XlRealArray) throw PclXlError("Invalid type");
        std::vector<int32_t> c = XlPopIntegers();
        if (c.size() < 3) throw PclXlError("Invalid type");
        for (int i = 0; i < 3; ++i) a.rgb[i] = static_cast<uint8_t>(c[i]);
        break;
    }
    case xla::PatternOrigin: popPair(a.patternOrigin); break;
    case xla::NewDestinationSize: popPair(a.newDestinationSize); break;
    case xla::PrimaryArray: a.primaryArray = XlPopIntegers(); break;
    case xla::PrimaryDepth: a.primaryDepth = XlPopInteger(); break;
    case xla::DeviceMatrix:
    case xla::DitherMatrixDataType:
    case xla::MediaDestination:
    case xla::MediaSource:
    case xla::SimplexPageMode:
    case xla::DuplexPageMode:
    case xla::DuplexPageSide:
    case xla::PatternPersistence:
    case xla::BlockByteLength:
    case xla::NumberOfScanLines:
    case xla::ColorTreatment:
    case xla::StreamDataLength:
    case xla::ErrorReport:
    case xla::CharSubModeArray:
    case xla::AllObjectTypes:
    case xla::TextObjects:
    case xla::VectorObjects:
    case xla::RasterObjects:
    case xla::WritingMode: XlPopReal(); break;  // held by a printer, without effect on the picture
    case xla::CharBoldValue: a.charBoldValue = XlPopReal(); break;
    case xla::DitherOrigin:
    case xla::DitherMatrixSize: {
        int32_t unused[2];
        popPair(unused);
        break;
    }
    case xla::MediaType:
    case xla::StreamName: XlPopIntegers(); break;
    case xla::MediaSize:
        if (XlTopKind() == XlIntegerArray || XlTopKind() == XlRealArray)
            a.mediaCode = mediaCodeOfName(XlPopIntegers(), a.mediaCode);
        else a.mediaCode = XlPopInteger();
        a.mediaSizeGiven = true;
        break;
    case xla::Orientation: a.orientation = XlPopInteger(); break;
    case xla::PageAngle: a.pageAngle = XlPopReal(); break;
    case xla::PageOrigin: popPair(a.pageOrigin); break;
    case xla::PageScale: popRealPair(a.pageScale); break;
    case xla::ROP3: a.rop3 = XlPopInteger(); break;
    case xla::TxMode: a.txMode = XlPopInteger(); break;
    case xla::CustomMediaSize:
        popPair(a.customMediaSize);
        a.mediaSizeGiven = false;
        break;
    case xla::CustomMediaSizeUnits: a.customMediaSizeUnits = XlPopInteger(); break;
    case xla::PageCopies: a.pageCopies = XlPopInteger(); break;
    case xla::ArcDirection: a.arcDirection = XlPopInteger(); break;
    case xla::BoundingBox:
    case xla::DestinationBox:
        for (int i = 3; i >= 0; --i) a.boundingBox[i] = XlPopInteger();
        break;
    case xla::DashOffset: a.dashOffset = XlPopInteger(); break;
    case xla::EllipseDimension: popPair(a.ellipseDimension); break;
    case xla::EndPoint: popPair(a.endPoint); break;
    case xla::FillMode: a.fillMode = XlPopInteger(); break;
    case xla::LineCapStyle: a.lineCap = XlPopInteger(); break;
    case xla::LineJoinStyle: a.lineJoin = XlPopInteger(); break;
    case xla::MiterLength: a.miterLength = XlPopInteger(); break;
    case xla::LineDashStyle: a.lineDash = XlPopIntegers(); break;
    case xla::PenWidth: a.penWidth = XlPopReal(); break;
    case xla::Point: popPair(a.point); break;
    case xla::NumberOfPoints: a.numberOfPoints = XlPopInteger(); break;
    case xla::StartPoint: popPair(a.startPoint); break;
    case xla::PointType: a.pointType = XlPopInteger(); break;
    case xla::ControlPoint1: popPair(a.controlPoint1); break;
    case xla::ControlPoint2: popPair(a.controlPoint2); break;
    case xla::ClipRegion: a.clipRegion = XlPopInteger(); break;
    case xla::ClipMode: a.clipMode = XlPopInteger(); break;
    case xla::ColorDepth: a.colorDepth = XlPopInteger(); break;
    case xla::BlockHeight: a.blockHeight = XlPopInteger(); break;
    case xla::ColorMapping: a.colorMapping = XlPopInteger(); break;
    case xla::CompressMode: a.compressMode = XlPopInteger(); break;
    case xla::DestinationSize: popPair(a.destinationSize); break;
    case xla::PatternDefineID: a.patternDefineId = XlPopInteger(); break;
    case xla::SourceHeight: a.sourceHeight = XlPopInteger(); break;
    case xla::SourceWidth: a.sourceWidth = XlPopInteger(); break;
    case xla::StartLine: a.startLine = XlPopInteger(); break;
    case xla::PadBytesMultiple: a.padBytesMultiple = static_cast<uint8_t>(XlPopInteger()); break;
    case xla::CommentData: a.commentData = XlPopIntegers(); break;
    case xla::DataOrg: a.dataOrg = XlPopInteger(); break;
    case xla::Measure: a.measure = XlPopInteger(); break;
    case xla::UnitsPerMeasure: {
        double upm[2];
        popRealPair(upm);
        // A unit of measure of no size cannot be divided by: the last sensible one stays.
        if (upm[0] > 0 && upm[1] > 0 && upm[0] < 1e6 && upm[1] < 1e6)
            a.unitsPerMeasure[0] = upm[0], a.unitsPerMeasure[1] = upm[1];
        break;
    }
    case xla::CharAngle: a.charAngle = XlPopReal(); break;
    case xla::CharCode: a.charCode = XlPopInteger(); break;
    case xla::CharDataSize: a.charDataSize = XlPopInteger(); break;
    case xla::CharScale: popRealPair(a.charScale); break;
    case xla::CharShear: popRealPair(a.charShear); break;
    case xla::CharSize: a.charSize = XlPopReal(); break;
    case xla::FontHeaderLength: a.fontHeaderLength = XlPopInteger(); break;
    case xla::FontName: a.fontName = XlPopIntegers(); break;
    case xla::FontFormat: a.fontFormat = XlPopInteger(); break;
    case xla::SymbolSet: a.symbolSet = XlPopInteger(); break;
    case xla::TextData: a.textData = XlPopIntegers(); break;
    case xla::XSpacingData: a.xSpacing = XlPopIntegers(); break;
    case xla::YSpacingData: a.ySpacing = XlPopIntegers(); break;
    default: throw PclXlError("Unknown attribute", "attribute " + std::to_string(id));
    }
    XlState().given.set(static_cast<size_t>(id));
}
