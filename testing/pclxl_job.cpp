#include "pclxl_job.h"

#include <cstring>

XlWriter::XlWriter(bool bigEndian, bool pjl) : big_(bigEndian) {
    std::string head = pjl ? "\x1B%-12345X@PJL ENTER LANGUAGE = PCLXL\n" : "";
    head += bigEndian ? "( HP-PCL XL;2;0;Comment\n" : ") HP-PCL XL;2;0;Comment\n";
    out.assign(head.begin(), head.end());
}

void XlWriter::put(uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
        int shift = big_ ? 8 * (n - 1 - i) : 8 * i;
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

XlWriter& XlWriter::ubyte(uint8_t v) { return raw({0xC0, v}); }
XlWriter& XlWriter::uint16(uint16_t v) {
    out.push_back(0xC1), put(v, 2);
    return *this;
}
XlWriter& XlWriter::sint16(int16_t v) {
    out.push_back(0xC3), put(static_cast<uint16_t>(v), 2);
    return *this;
}
XlWriter& XlWriter::uint32(uint32_t v) {
    out.push_back(0xC2), put(v, 4);
    return *this;
}
XlWriter& XlWriter::real32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    out.push_back(0xC5), put(bits, 4);
    return *this;
}
XlWriter& XlWriter::xy(int16_t x, int16_t y) {
    out.push_back(0xD3), put(static_cast<uint16_t>(x), 2), put(static_cast<uint16_t>(y), 2);
    return *this;
}
XlWriter& XlWriter::uint16Xy(uint16_t x, uint16_t y) {
    out.push_back(0xD1), put(x, 2), put(y, 2);
    return *this;
}
XlWriter& XlWriter::realXy(float x, float y) {
    uint32_t a, b;
    std::memcpy(&a, &x, 4), std::memcpy(&b, &y, 4);
    out.push_back(0xD5), put(a, 4), put(b, 4);
    return *this;
}
XlWriter& XlWriter::box(int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
    out.push_back(0xE3);
    for (int16_t v : {x1, y1, x2, y2}) put(static_cast<uint16_t>(v), 2);
    return *this;
}
XlWriter& XlWriter::bytes(const Bytes& e) {
    out.push_back(0xC8), out.push_back(0xC1), put(static_cast<uint32_t>(e.size()), 2);
    out.insert(out.end(), e.begin(), e.end());
    return *this;
}
XlWriter& XlWriter::realArray(std::initializer_list<float> e) {
    out.push_back(0xCD), out.push_back(0xC0), out.push_back(static_cast<uint8_t>(e.size()));
    for (float f : e) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        put(bits, 4);
    }
    return *this;
}
XlWriter& XlWriter::attr(uint8_t id) { return raw({0xF8, id}); }
XlWriter& XlWriter::op(uint8_t tag) { return raw({tag}); }
XlWriter& XlWriter::data(const Bytes& d) {
    if (d.size() < 256) out.push_back(0xFB), out.push_back(static_cast<uint8_t>(d.size()));
    else out.push_back(0xFA), put(static_cast<uint32_t>(d.size()), 4);
    out.insert(out.end(), d.begin(), d.end());
    return *this;
}
XlWriter& XlWriter::raw(std::initializer_list<uint8_t> b) {
    out.insert(out.end(), b.begin(), b.end());
    return *this;
}

void XlBeginJob(XlWriter& w, uint16_t unitsPerInch) {
    // uint16_xy, the type printers (and GhostPCL) ask of the session's units.
    w.uint16Xy(unitsPerInch, unitsPerInch).attr(xl::UnitsPerMeasure);
    w.ubyte(0).attr(xl::Measure).op(xl::BeginSession);
    w.ubyte(0).attr(xl::SourceType).ubyte(1).attr(xl::DataOrg).op(xl::OpenDataSource);
    w.ubyte(0).attr(xl::Orientation).ubyte(2).attr(xl::MediaSize).op(xl::BeginPage);
}

namespace {
// A bitmap font of two characters, 'A' a filled block and 'B' a frame, 600 dots an inch.
void downloadFont(XlWriter& w) {
    w.text("Blocks").attr(xl::FontName).ubyte(0).attr(xl::FontFormat).op(xl::BeginFontHeader);
    Bytes header = {0, 0, 0, 14, 254, 0, 0, 2, 'B', 'R', 0, 0, 0, 4, 0x02, 0x58, 0x02, 0x58, 0xFF, 0xFF, 0, 0, 0, 0};
    w.uint16(static_cast<uint16_t>(header.size())).attr(xl::FontHeaderLength).op(xl::ReadFontHeader).data(header);
    w.op(xl::EndFontHeader);
    w.text("Blocks").attr(xl::FontName).op(xl::BeginChar);
    for (int c = 0; c < 2; ++c) {
        Bytes glyph = {0, 0, 0, 0, 0, 40, 0, 32, 0, 40};  // left 0, top 40, 32 x 40 dots
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 4; ++x) {
                bool edge = y < 4 || y >= 36 || x == 0 || x == 3;
                glyph.push_back(c == 0 || edge ? 0xFF : 0x00);
            }
        w.ubyte(static_cast<uint8_t>('A' + c)).attr(xl::CharCode);
        w.uint16(static_cast<uint16_t>(glyph.size())).attr(xl::CharDataSize).op(xl::ReadChar).data(glyph);
    }
    w.op(xl::EndChar);
}
}  // namespace

void XlSamplePage(XlWriter& w, int pageNumber) {
    // A red rectangle with a black outline, a blue ellipse, a green triangle and a dashed line.
    w.raw({0xC8, 0xC0, 3, 255, 0, 0}).attr(xl::RGBColor).op(xl::SetBrushSource);
    w.ubyte(0).attr(xl::GrayLevel).op(xl::SetPenSource).uint16(6).attr(xl::PenWidth).op(xl::SetPenWidth);
    w.box(600, 600, 2400, 1800).attr(xl::BoundingBox).op(xl::Rectangle);
    w.raw({0xC8, 0xC0, 3, 0, 0, 255}).attr(xl::RGBColor).op(xl::SetBrushSource);
    w.box(2800, 600, 4400, 1800).attr(xl::BoundingBox).op(xl::Ellipse);
    w.raw({0xC8, 0xC0, 3, 0, 160, 0}).attr(xl::RGBColor).op(xl::SetBrushSource);
    w.attr(xl::NullPen).op(xl::SetPenSource).op(xl::NewPath);
    w.xy(600, 3000).attr(xl::Point).op(xl::SetCursor);
    w.uint16(2).attr(xl::NumberOfPoints).ubyte(3).attr(xl::PointType).op(xl::LinePath);
    w.data({0x60, 0x09, 0xB8, 0x0B, 0xB0, 0x04, 0x40, 0x10});  // (2400, 3000) and (1200, 4160)
    w.op(xl::CloseSubPath).op(xl::PaintPath);
    w.ubyte(0)
        .attr(xl::GrayLevel)
        .op(xl::SetPenSource)
        .raw({0xC8, 0xC0, 2, 60, 30})
        .attr(xl::LineDashStyle)
        .op(xl::SetLineDash);
    w.op(xl::NewPath).xy(600, 4500).attr(xl::Point).op(xl::SetCursor);
    w.xy(4400, 4500).attr(xl::EndPoint).op(xl::LinePath).attr(xl::NullBrush).op(xl::SetBrushSource).op(xl::PaintPath);
    // A grey ramp image, 64 x 16 pixels, over 1800 x 600 units.
    w.ubyte(1).attr(xl::ColorSpace).op(xl::SetColorSpace);
    w.xy(2800, 3000).attr(xl::Point).op(xl::SetCursor);
    w.ubyte(2).attr(xl::ColorDepth).ubyte(0).attr(xl::ColorMapping).uint16(64).attr(xl::SourceWidth);
    w.uint16(16).attr(xl::SourceHeight).xy(1800, 600).attr(xl::DestinationSize).op(xl::BeginImage);
    Bytes ramp;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 64; ++x) ramp.push_back(static_cast<uint8_t>(x * 4));
    w.uint16(0).attr(xl::StartLine).uint16(16).attr(xl::BlockHeight).ubyte(0).attr(xl::CompressMode);
    w.op(xl::ReadImage).data(ramp).op(xl::EndImage);
    // The page number in blocks of the downloaded font.
    if (pageNumber == 1) downloadFont(w);
    w.ubyte(0).attr(xl::GrayLevel).op(xl::SetBrushSource);
    w.text("Blocks").attr(xl::FontName).uint16(1).attr(xl::CharSize).uint16(0).attr(xl::SymbolSet).op(xl::SetFont);
    w.xy(600, 5600).attr(xl::Point).op(xl::SetCursor);
    Bytes digits, spacing;
    for (int i = 0; i < 8; ++i) digits.push_back((pageNumber >> (7 - i)) & 1 ? 'A' : 'B'), spacing.push_back(48);
    w.bytes(digits).attr(xl::TextData).bytes(spacing).attr(xl::XSpacingData).op(xl::Text);
}

Bytes MakePclXlJob(int pages, const std::function<void(XlWriter&, int page)>& more) {
    XlWriter w;
    for (int p = 1; p <= pages; ++p) {
        if (p == 1) XlBeginJob(w);
        else w.ubyte(0).attr(xl::Orientation).ubyte(2).attr(xl::MediaSize).op(xl::BeginPage);
        XlSamplePage(w, p);
        if (more) more(w, p);
        w.op(xl::EndPage);
    }
    w.op(xl::CloseDataSource).op(xl::EndSession);
    std::string tail = "\x1B%-12345X";
    w.out.insert(w.out.end(), tail.begin(), tail.end());
    return w.out;
}
