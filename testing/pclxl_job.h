// Writes PCL XL streams tag by tag, low byte first, and builds sample jobs
// from them for the tests, benchmarks and fuzz seeds.
#pragma once
#include "pclxl_attribute_ids.h"
#include "sample_job.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

class XlWriter {
public:
    // Starts with a PJL line and the stream header; `bigEndian` picks "(" over ")".
    explicit XlWriter(bool bigEndian = false, bool pjl = true);
    XlWriter& ubyte(uint8_t v);
    XlWriter& uint16(uint16_t v);
    XlWriter& sint16(int16_t v);
    XlWriter& uint32(uint32_t v);
    XlWriter& real32(float v);
    XlWriter& xy(int16_t x, int16_t y);                             // sint16_xy
    XlWriter& uint16Xy(uint16_t x, uint16_t y);                     // uint16_xy
    XlWriter& realXy(float x, float y);                             // real32_xy
    XlWriter& box(int16_t x1, int16_t y1, int16_t x2, int16_t y2);  // sint16_box
    XlWriter& bytes(const Bytes& elements);                         // ubyte_array
    XlWriter& text(const std::string& s) { return bytes(Bytes(s.begin(), s.end())); }
    XlWriter& realArray(std::initializer_list<float> elements);
    XlWriter& attr(uint8_t id);
    XlWriter& op(uint8_t tag);
    XlWriter& data(const Bytes& d);  // embedded data, 4-byte or 1-byte length
    XlWriter& raw(std::initializer_list<uint8_t> b);
    Bytes out;

private:
    void put(uint32_t v, int n);
    bool big_;
};

// Operator tags and attribute identifiers the writers use.
namespace xl {
enum : uint8_t {
    BeginSession = 0x41,
    EndSession = 0x42,
    BeginPage = 0x43,
    EndPage = 0x44,
    Comment = 0x47,
    OpenDataSource = 0x48,
    CloseDataSource = 0x49,
    BeginFontHeader = 0x4F,
    ReadFontHeader = 0x50,
    EndFontHeader = 0x51,
    BeginChar = 0x52,
    ReadChar = 0x53,
    EndChar = 0x54,
    PopGS = 0x60,
    PushGS = 0x61,
    SetClipReplace = 0x62,
    SetBrushSource = 0x63,
    SetCharAngle = 0x64,
    SetCharScale = 0x65,
    SetCharShear = 0x66,
    SetClipRectangle = 0x68,
    SetClipToPage = 0x69,
    SetColorSpace = 0x6A,
    SetCursor = 0x6B,
    SetFillMode = 0x6E,
    SetFont = 0x6F,
    SetLineDash = 0x70,
    SetPageOrigin = 0x75,
    SetPageScale = 0x77,
    SetPenSource = 0x79,
    SetPenWidth = 0x7A,
    SetROP = 0x7B,
    SetSourceTxMode = 0x7C,
    SetCharBoldValue = 0x7D,
    CloseSubPath = 0x84,
    NewPath = 0x85,
    PaintPath = 0x86,
    BezierPath = 0x93,
    Ellipse = 0x98,
    LinePath = 0x9B,
    LineRelPath = 0x9D,
    Pie = 0x9E,
    Rectangle = 0xA0,
    RectanglePath = 0xA1,
    RoundRectangle = 0xA2,
    Text = 0xA8,
    BeginImage = 0xB0,
    ReadImage = 0xB1,
    EndImage = 0xB2,
    BeginRastPattern = 0xB3,
    ReadRastPattern = 0xB4,
    EndRastPattern = 0xB5,
};
using namespace xla;  // attribute identifiers
}  // namespace xl

// BeginSession at `unitsPerInch`, then BeginPage with A4 portrait.
void XlBeginJob(XlWriter& w, uint16_t unitsPerInch = 600);
// A page of shapes, lines, a grey image and a downloaded bitmap font's text.
void XlSamplePage(XlWriter& w, int pageNumber);
// A job of `pages` sample pages; `more` draws on each page after the sample.
Bytes MakePclXlJob(int pages, const std::function<void(XlWriter&, int page)>& more = {});
