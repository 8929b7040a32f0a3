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
    static const char* const kNames[] = {"LETTER", "LEGAL",    "A4",  "EXEC",      "LEDGER",    "A3", "COM10",
                                         "MONARCH", "C5",      "DL",  "JISB4",     "JISB5",     "B5", "B5PAPER",
                                         "JPOST",   "JPOSTD",  "A5",  "A6",        "JISB6"};
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
    case 2: a.paletteDepth = XlPopInteger(); break;
    case 3: a.colorSpace = XlPopInteger(); break;
    case 4:
    case 5:
    case 51:
    case 78:
    case 136: break;
    case 6: a.paletteData = XlPopIntegers(); break;
    case 8: a.patternSelectId = XlPopInteger(); break;
    case 9: a.grayLevel = colourLevel(); break;
    case 11: {
        if (XlTopKind() != XlIntegerArray && XlTopKind() != XlRealArray) throw PclXlError("Invalid type");
        std::vector<int32_t> c = XlPopIntegers();
        if (c.size() < 3) throw PclXlError("Invalig type");
        for (int i = 0; i < 3; ++i) a.rgb[i] = static_cast<uint8_t>(c[i]);
        break;
    }
    case 12: popPair(a.patternOrigin); break;
    case 13: popPair(a.newDestinationSize); break;
    case 14: a.primaryArray = XlPopIntegers(); break;
    case 15: a.primaryDepth = XlPopInteger(); break;
    case 33:
    case 34:
    case 36:
    case 38:
    case 52:
    case 53:
    case 54:
    case 104:
    case 111:
    case 115:
    case 120:
    case 140:
    case 143:
    case 172:
    case 173:
    case 177: XlPopReal(); break;  // held by a printer, without effect on the picture
    case 35:
    case 50: {
        int32_t unused[2];
        popPair(unused);
        break;
    }
    case 39:
    case 139: XlPopIntegers(); break;
    case 37:
        if (XlTopKind() == XlIntegerArray || XlTopKind() == XlRealArray)
            a.mediaCode = mediaCodeOfName(XlPopIntegers(), a.mediaCode);
        else
            a.mediaCode = XlPopInteger();
        a.mediaSizeGiven = true;
        break;
    case 40: a.orientation = XlPopInteger(); break;
    case 41: a.pageAngle = XlPopReal(); break;
    case 42: popPair(a.pageOrigin); break;
    case 43: popRealPair(a.pageScale); break;
    case 44: a.rop3 = XlPopInteger(); break;
    case 45: a.txMode = XlPopInteger(); break;
    case 47:
        popPair(a.customMediaSize);
        a.mediaSizeGiven = false;
        break;
    case 48: a.customMediaSizeUnits = XlPopInteger(); break;
    case 49: a.pageCopies = XlPopInteger(); break;
    case 65: a.arcDirection = XlPopInteger(); break;
    case 66:
    case 102:
        for (int i = 3; i >= 0; --i) a.boundingBox[i] = XlPopInteger();
        break;
    case 67: a.dashOffset = XlPopInteger(); break;
    case 68: popPair(a.ellipseDimension); break;
    case 69: popPair(a.endPoint); break;
    case 70: a.fillMode = XlPopInteger(); break;
    case 71: a.lineCap = XlPopInteger(); break;
    case 72: a.lineJoin = XlPopInteger(); break;
    case 73: a.miterLength = XlPopInteger(); break;
    case 74: a.lineDash = XlPopIntegers(); break;
    case 75: a.penWidth = XlPopReal(); break;
    case 76: popPair(a.point); break;
    case 77: a.numberOfPoints = XlPopInteger(); break;
    case 79: popPair(a.startPoint); break;
    case 80: a.pointType = XlPopInteger(); break;
    case 81: popPair(a.controlPoint1); break;
    case 82: popPair(a.controlPoint2); break;
    case 83: a.clipRegion = XlPopInteger(); break;
    case 84: a.clipMode = XlPopInteger(); break;
    case 98: a.colorDepth = XlPopInteger(); break;
    case 99: a.blockHeight = XlPopInteger(); break;
    case 100: a.colorMapping = XlPopInteger(); break;
    case 101: a.compressMode = XlPopInteger(); break;
    case 103: popPair(a.destinationSize); break;
    case 105: a.patternDefineId = XlPopInteger(); break;
    case 107: a.sourceHeight = XlPopInteger(); break;
    case 108: a.sourceWidth = XlPopInteger(); break;
    case 109: a.startLine = XlPopInteger(); break;
    case 110: a.padBytesMultiple = static_cast<uint8_t>(XlPopInteger()); break;
    case 129: a.commentData = XlPopIntegers(); break;
    case 130: a.dataOrg = XlPopInteger(); break;
    case 134: a.measure = XlPopInteger(); break;
    case 137: {
        double upm[2];
        popRealPair(upm);
        // A unit of measure of no size cannot be divided by: the last sensible one stays.
        if (upm[0] > 0 && upm[1] > 0 && upm[0] < 1e6 && upm[1] < 1e6) a.unitsPerMeasure[0] = upm[0], a.unitsPerMeasure[1] = upm[1];
        break;
    }
    case 161: a.charAngle = XlPopReal(); break;
    case 162: a.charCode = XlPopInteger(); break;
    case 163: a.charDataSize = XlPopInteger(); break;
    case 164: popRealPair(a.charScale); break;
    case 165: {
        int32_t unused[2];
        popPair(unused);
        break;
    }
    case 166: a.charSize = XlPopReal(); break;
    case 167: a.fontHeaderLength = XlPopInteger(); break;
    case 168: a.fontName = XlPopIntegers(); break;
    case 169: a.fontFormat = XlPopInteger(); break;
    case 170: a.symbolSet = XlPopInteger(); break;
    case 171: a.textData = XlPopIntegers(); break;
    case 175: a.xSpacing = XlPopIntegers(); break;
    case 176: a.ySpacing = XlPopIntegers(); break;
    default: throw PclXlError("Unknown attribute");
    }
    XlState().given.set(static_cast<size_t>(id));
}
