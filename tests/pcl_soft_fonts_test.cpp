// Downloaded bitmap fonts: headers and characters stored, glyphs prepared
// and printed at the cursor.
#include "pcl_page_state.h"
#include "spoolsight_plugin.h"
#include "test_support.h"

namespace {
const std::string ESC = "\x1B";

void Put16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v >> 8);
    s[at + 1] = static_cast<char>(v);
}

std::string FontHeader(uint8_t format, uint16_t textWidth) {
    std::string h(format == 20 ? 68 : 64, '\0');
    Put16(h, 0, static_cast<uint16_t>(h.size()));
    h[2] = static_cast<char>(format);
    Put16(h, 34, textWidth);
    if (format == 20) Put16(h, 64, 300);
    return ESC + ")s" + std::to_string(h.size()) + "W" + h;
}

// A 16 x 16 solid block whose top is 16 dots above the baseline and which advances 20 dots.
std::string BlockCharacter(int code) {
    std::string d(16, '\0');
    d[0] = 4;
    d[2] = 14;
    d[3] = 1;
    Put16(d, 8, 16);
    Put16(d, 10, 16);
    Put16(d, 12, 16);
    Put16(d, 14, 80);
    d += std::string(32, '\xFF');
    return ESC + "*c" + std::to_string(code) + "E" + ESC + "(s" + std::to_string(d.size()) + "W" + d;
}
}  // namespace

TEST(PclSoftFonts, CompressedGlyphRowsRepeatWithinTheGlyph) {
    BitmapGlyph g;
    g.glyphClass = 2;
    g.width = 20;
    g.height = 4;
    // Row 1 repeated twice: 4 white, 8 black, 8 white; then a row of 20 black repeated 5 times (cut at the height).
    g.data = {2, 4, 8, 8, 5, 0, 20};
    std::vector<uint8_t> image;
    ASSERT_TRUE(PrepareGlyphImage(g, image));
    ASSERT_EQ(image.size(), 16u);  // rows of 4 bytes
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(image[y * 4], 0x0F) << y;
        EXPECT_EQ(image[y * 4 + 1], 0xF0) << y;
    }
    EXPECT_EQ(image[12], 0xFF);
    g.data = {0, 30};  // a white run past the row spoils the glyph
    EXPECT_FALSE(PrepareGlyphImage(g, image));
    g.width = 0;
    EXPECT_FALSE(PrepareGlyphImage(g, image));
}

TEST(PclSoftFonts, HeadersCharactersAndReset) {
    InitPclJob();
    PclPageState& s = Pcl();
    DispatchPclCommand('*', 'c', 'D', nullptr, 0, 7);
    std::string header(10, '\0');  // shorter than its fixed part: zero-filled
    header[1] = 64;
    std::string withTerminator = "W" + header;
    DispatchPclCommand(')', 's', 'W', reinterpret_cast<const uint8_t*>(withTerminator.data()), 10, 10);
    ASSERT_EQ(s.softFonts.count(7), 1u);
    EXPECT_EQ(s.fontKind, BitmapSoftFont);
    // A character for an ID without a font is refused.
    DispatchPclCommand('*', 'c', 'D', nullptr, 0, 8);
    std::string ch = "W" + std::string("\x04\0\x0E\x01", 4) + std::string(12, '\0');
    EXPECT_FALSE(DispatchPclCommand('(', 's', 'W', reinterpret_cast<const uint8_t*>(ch.data()), 16, 16));
    // Selecting the font by ID selects its kind, whatever the header format.
    DispatchPclCommand('(', 's', 'T', nullptr, 0, 3);
    EXPECT_EQ(s.fontKind, SystemFont);
    SelectFontById(7);
    EXPECT_EQ(s.fontKind, BitmapSoftFont);
    DispatchPclCommand('E', 0, 0, nullptr, 0, 0);
    EXPECT_TRUE(s.softFonts.empty());
    FinishPclJob();
}

class PclSoftFontPagesTest : public TempDirTest {};

TEST_F(PclSoftFontPagesTest, GlyphsPrintAtTheCursorAndAdvanceIt) {
    std::string job = ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + ESC + "*c1D" + FontHeader(20, 120) + BlockCharacter(65) +
                      ESC + "*p300x300Y" + "AA";
    std::string path = Write("font.pcl", Bytes(job.begin(), job.end()));
    void* context = ivpLoadPictureInit(path.c_str());
    ASSERT_NE(context, nullptr);
    int32_t k, w, h, r, b, l, c;
    char label[32];
    ASSERT_EQ(ivpLoadPictureGetInfo(context, &k, &w, &h, &r, &b, &l, &c, label, sizeof label), 1);
    Pixels p;
    p.width = w, p.height = h, p.px.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) ivpLoadPictureGetLine(context, y, &p.px[static_cast<size_t>(y) * w]);
    ivpLoadPictureExit(context);
    // Each block is about 10 pixels square with its bottom on the baseline (192 px down), 12 pixels apart.
    EXPECT_TRUE(Near(p.at(196, 188), 0x000000, 60));
    EXPECT_TRUE(Near(p.at(208, 188), 0x000000, 60));
    EXPECT_EQ(p.at(196, 176), 0xFFFFFFu);
    EXPECT_EQ(p.at(196, 196), 0xFFFFFFu);
    EXPECT_EQ(p.at(220, 188), 0xFFFFFFu);
}
