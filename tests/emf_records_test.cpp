// Records that Windows drivers and spoolers write but our recorder does not:
// the 16-bit poly records, SetDIBitsToDevice, small text and gradients,
// spliced into a page and played back.
#include "emf_records.h"
#include "test_support.h"

#include <cstring>
#include <initializer_list>

namespace {
constexpr int kSide = 378;  // a 100 mm page at 96 dpi

// A record: its type, its size and the 32-bit words and bytes after them.
struct RecordBytes {
    Bytes b;
    explicit RecordBytes(uint32_t type) { u32(type).u32(0); }
    RecordBytes& u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    RecordBytes& u16(uint16_t v) {
        b.push_back(static_cast<uint8_t>(v)), b.push_back(static_cast<uint8_t>(v >> 8));
        return *this;
    }
    RecordBytes& bounds() { return u32(0).u32(0).u32(0xFFFFFFFF).u32(0xFFFFFFFF); }
    RecordBytes& raw(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    Bytes done() {
        while (b.size() % 4) b.push_back(0);
        uint32_t size = static_cast<uint32_t>(b.size());
        std::memcpy(&b[4], &size, 4);
        return b;
    }
};

// An empty recorded page with the records put in before its end.
Bytes Page(std::initializer_list<Bytes> records) {
    Bytes emf = Record([](HDC) {}, RECT{0, 0, 10000, 10000});
    Bytes eof(emf.end() - 20, emf.end());
    emf.resize(emf.size() - 20);
    uint32_t count = U32(emf, 52);
    for (const Bytes& r : records) emf.insert(emf.end(), r.begin(), r.end()), ++count;
    emf.insert(emf.end(), eof.begin(), eof.end());
    uint32_t bytes = static_cast<uint32_t>(emf.size());
    std::memcpy(&emf[48], &bytes, 4);
    std::memcpy(&emf[52], &count, 4);
    return emf;
}

Bytes SelectStock(int index) {
    return RecordBytes(EMR_SELECTOBJECT).u32(0x80000000u | static_cast<uint32_t>(index)).done();
}
}  // namespace

TEST(PlaybackRecords, SixteenBitPolyRecords) {
    // Two squares as one poly-polygon, a Bezier and two polylines.
    RecordBytes polys(EMR_POLYPOLYGON16);
    polys.bounds().u32(2).u32(8).u32(4).u32(4);
    for (int16_t v : {20, 20, 100, 20, 100, 100, 20, 100, 200, 20, 280, 20, 280, 100, 200, 100})
        polys.u16(static_cast<uint16_t>(v));
    RecordBytes bezier(EMR_POLYBEZIER16);
    bezier.bounds().u32(4);
    for (int16_t v : {20, 300, 20, 200, 120, 200, 120, 300}) bezier.u16(static_cast<uint16_t>(v));
    RecordBytes lines(EMR_POLYPOLYLINE16);
    lines.bounds().u32(2).u32(4).u32(2).u32(2);
    for (int16_t v : {200, 200, 360, 200, 200, 250, 360, 250}) lines.u16(static_cast<uint16_t>(v));
    Pixels p = PlayOnto(Page({SelectStock(BLACK_BRUSH), polys.done(), bezier.done(), lines.done()}), kSide, kSide);
    EXPECT_EQ(p.at(60, 60), 0x000000u);
    EXPECT_EQ(p.at(240, 60), 0x000000u);
    EXPECT_EQ(p.at(150, 60), 0xFFFFFFu);
    EXPECT_EQ(p.at(70, 300), 0xFFFFFFu);                  // a Bezier is outlined, never filled
    EXPECT_LT(p.Share(60, 220, 80, 230, 0xFFFFFF), 1.0);  // its arch passes over here
    EXPECT_EQ(p.at(280, 200), 0x000000u);
    EXPECT_EQ(p.at(280, 250), 0x000000u);
    EXPECT_EQ(p.at(280, 225), 0xFFFFFFu);
}

TEST(PlaybackRecords, SetDIBitsToDevicePlacesItsScanLines) {
    // A bottom-up 2 x 2 DIB of 24 bits: red and green above, blue and white below.
    BITMAPINFOHEADER h{sizeof h, 2, 2, 1, 24, BI_RGB, 16, 0, 0, 0, 0};
    Bytes bmi(reinterpret_cast<uint8_t*>(&h), reinterpret_cast<uint8_t*>(&h) + sizeof h);
    Bytes bits = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};  // bottom row first, BGR
    RecordBytes r(EMR_SETDIBITSTODEVICE);
    r.bounds().u32(100).u32(100).u32(0).u32(0).u32(2).u32(2);
    r.u32(76).u32(static_cast<uint32_t>(bmi.size())).u32(76 + static_cast<uint32_t>(bmi.size())).u32(16);
    r.u32(DIB_RGB_COLORS).u32(0).u32(2).raw(bmi).raw(bits);
    Pixels p = PlayOnto(Page({r.done()}), kSide, kSide);
    EXPECT_EQ(p.at(100, 100), 0xFF0000u);
    EXPECT_EQ(p.at(101, 100), 0x00FF00u);
    EXPECT_EQ(p.at(100, 101), 0x0000FFu);
    EXPECT_EQ(p.at(101, 101), 0xFFFFFFu);
    EXPECT_EQ(p.at(102, 100), 0xFFFFFFu);
}

TEST(PlaybackRecords, SmallTextAndGradients) {
    LOGFONTW lf{};
    lf.lfHeight = -40;
    const char16_t face[] = u"Arial";
    std::memcpy(lf.lfFaceName, face, sizeof face);
    RecordBytes font(EMR_EXTCREATEFONTINDIRECTW);
    font.u32(1).raw(Bytes(reinterpret_cast<uint8_t*>(&lf), reinterpret_cast<uint8_t*>(&lf) + sizeof lf));
    RecordBytes select(EMR_SELECTOBJECT);
    select.u32(1);
    RecordBytes text(EMR_SMALLTEXTOUT);
    text.u32(20)
        .u32(20)
        .u32(5)
        .u32(ETO_NO_RECT | ETO_SMALL_CHARS)
        .u32(GM_COMPATIBLE)
        .u32(0)
        .u32(0)
        .raw({'H', 'e', 'l', 'l', 'o'});
    // A horizontal gradient from red to blue over (0, 200)-(378, 300).
    RecordBytes grad(EMR_GRADIENTFILL);
    grad.bounds().u32(2).u32(1).u32(0);
    grad.u32(0).u32(200).u16(0xFF00).u16(0).u16(0).u16(0);
    grad.u32(378).u32(300).u16(0).u16(0).u16(0xFF00).u16(0);
    grad.u32(0).u32(1);
    RecordBytes mode(EMR_SETBKMODE);
    mode.u32(TRANSPARENT);
    Pixels p = PlayOnto(Page({mode.done(), font.done(), select.done(), text.done(), grad.done()}), kSide, kSide);
    EXPECT_LT(p.Share(20, 20, 140, 60, 0xFFFFFF), 0.99);  // the text is there
    EXPECT_GT(p.Share(20, 20, 140, 60, 0x000000, 60), 0.01);
    EXPECT_GT(p.Share(200, 20, 378, 60, 0xFFFFFF), 0.999);
    EXPECT_TRUE(Near(p.at(5, 250), 0xFF0000, 20));
    EXPECT_TRUE(Near(p.at(372, 250), 0x0000FF, 20));
    EXPECT_TRUE(Near(p.at(189, 250), 0x800080, 30));
    EXPECT_EQ(p.at(189, 320), 0xFFFFFFu);
}
