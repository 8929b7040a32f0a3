// Downloaded bitmap fonts: headers and characters stored, glyphs prepared
// and printed at the cursor.
#include "pcl_page_state.h"
#include "spoolsight_plugin.h"
#include "convert_print_job.h"
#include "test_support.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>

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

// Text printed upward, upside down or downward turns its glyphs with it.
TEST(PclSoftFonts, GlyphImagesTurnByQuarters) {
    // 3 x 2 dots: X . X over X X . (rows of 4 bytes).
    std::vector<uint8_t> image = {0xA0, 0, 0, 0, 0xC0, 0, 0, 0};
    auto rows = [](const std::vector<uint8_t>& im, int w, int h) {
        std::string out;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) out += im[static_cast<size_t>(y) * 4 + x / 8] & (0x80 >> (x % 8)) ? 'X' : '.';
            out += '/';
        }
        return out;
    };
    std::string expected[] = {"X.X/XX./", "X./.X/XX/", ".XX/X.X/", "XX/X./.X/"};
    for (int turns = 0; turns < 4; ++turns) {
        int w = 3, h = 2;
        std::vector<uint8_t> turned = TurnGlyphImage(image, w, h, turns);
        EXPECT_EQ(rows(turned, w, h), expected[turns]) << turns;
    }
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

TEST(PclSoftFonts, DownloadedFontsAreChosenByTheirCharacteristics) {
    InitPclJob();
    PclPageState& s = Pcl();
    // A bitmap font of typeface 4099 (Courier), Roman-8, fixed at 10 characters per inch
    // (30 dots: 120 quarter dots), downloaded as ID 7, then the printer's own font chosen.
    std::string h(64, '\0');
    h[1] = 64;
    h[14] = 1, h[15] = 21;  // 8U: 8 x 32 + 21
    h[16] = 0, h[17] = 120;
    h[25] = static_cast<char>(4099 & 0xFF), h[26] = static_cast<char>(4099 >> 8);
    std::string header = "W" + h;
    DispatchPclCommand('*', 'c', 'D', nullptr, 0, 7);
    DispatchPclCommand(')', 's', 'W', reinterpret_cast<const uint8_t*>(header.data()), 64, 64);
    EXPECT_EQ(s.fontKind, BitmapSoftFont);
    DispatchPclCommand('(', 's', 'T', nullptr, 0, 4101);
    EXPECT_EQ(s.fontKind, SystemFont);
    // Asking for its characteristics chooses it again, though downloads now go to another ID.
    DispatchPclCommand('*', 'c', 'D', nullptr, 0, 9);
    DispatchPclCommand('(', 's', 'T', nullptr, 0, 4099);
    EXPECT_EQ(s.fontKind, BitmapSoftFont);
    EXPECT_EQ(s.selectedFont, 7);
    EXPECT_EQ(s.fontId, 9);
    // A bitmap font has one size: another pitch is not it.
    DispatchPclCommand('(', 's', 'H', nullptr, 0, 12);
    EXPECT_EQ(s.fontKind, SystemFont);
    DispatchPclCommand('(', 's', 'H', nullptr, 0, 10);
    EXPECT_EQ(s.fontKind, BitmapSoftFont);
    SelectSymbolSet(false, 19, 'U');
    EXPECT_EQ(s.fontKind, SystemFont);
    FinishPclJob();
}

class PclSoftFontPagesTest : public TempDirTest {};

TEST_F(PclSoftFontPagesTest, GlyphsPrintAtTheCursorAndAdvanceIt) {
    std::string job = ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + ESC + "*c1D" + FontHeader(20, 120) +
        BlockCharacter(65) + ESC + "*p300x300Y" + "AA";
    Pixels p = LoadPicture(Write("font.pcl", Bytes(job.begin(), job.end())));
    ASSERT_GT(p.width, 0);
    // Each block is about 10 pixels square with its bottom on the baseline (150 + 300 dots: 288 px down),
    // 12 pixels apart, from 71 + 300 dots (237 px) across.
    EXPECT_TRUE(Near(p.at(241, 284), 0x000000, 60));
    EXPECT_TRUE(Near(p.at(253, 284), 0x000000, 60));
    EXPECT_EQ(p.at(241, 272), 0xFFFFFFu);
    EXPECT_EQ(p.at(241, 292), 0xFFFFFFu);
    EXPECT_EQ(p.at(220, 188), 0xFFFFFFu);
}

// Downloaded glyphs print in the colour text takes from the current pattern, as the printer's
// own fonts do: a shade in its grey, white under a transparent pattern not at all.
// An Intellifont face (format 10) cannot be drawn: its text is set in the printer font its header
// describes, at the size asked for, and the job says so.
TEST_F(PclSoftFontPagesTest, IntellifontTextIsSetInTheNearestPrinterFont) {
    std::string header(80, '\0');
    Put16(header, 0, 80);
    header[2] = 10;                                                                          // Intellifont, bound
    header[3] = 1;                                                                           // font type: 8-bit
    header[13] = 1;                                                                          // proportional
    Put16(header, 14, 277);                                                                  // Roman-8
    header[25] = static_cast<char>(4101 & 0xFF), header[26] = static_cast<char>(4101 >> 8);  // CG Times
    std::string text = ESC + "*p300x600Y" + "Hello Intellifont" + "\f";
    std::string job = ESC + "E" + ESC + "*c5D" + ESC + ")s80W" + header + ESC + "(5X" + text;
    Bytes bytes(job.begin(), job.end());
    PageList pages;
    JobProblems problems;
    ASSERT_TRUE(ConvertPrintJobBytes("intellifont.pcl", bytes.data(), bytes.size(), pages, SIZE_MAX, &problems));
    ASSERT_EQ(pages.size(), 1u);
    DeletePageFiles(pages);
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].message.find("format 10"), std::string::npos) << problems[0].message;
    Pixels standIn = LoadPicture(Write("intellifont.pcl", bytes));
    std::string resident = ESC + "E" + ESC + "(8U" + ESC + "(s1p12v0s0b4101T" + text;
    Pixels printer = LoadPicture(Write("resident.pcl", Bytes(resident.begin(), resident.end())));
    ASSERT_GT(standIn.width, 0);
    EXPECT_TRUE(standIn.px == printer.px);
}

TEST_F(PclSoftFontPagesTest, GlyphsTakeTheCurrentPattern) {
    std::string font =
        ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + ESC + "*c1D" + FontHeader(20, 120) + BlockCharacter(65);
    // A row of block glyphs, and the same place under a rectangle.
    auto glyphs = [&](const std::string& pattern) {
        std::string job = font + pattern + ESC + "*p300x300Y" + std::string(24, 'A');
        return LoadPicture(Write("font.pcl", Bytes(job.begin(), job.end())));
    };
    auto rectangle = [&](const std::string& id, const std::string& type) {
        std::string job = font + ESC + "*p200x200Y" + ESC + "*c600a300b" + id + "g" + type + "P";
        return LoadPicture(Write("rectangle.pcl", Bytes(job.begin(), job.end())));
    };
    // The glyphs' box, from their solid black picture.
    Pixels solid = glyphs("");
    ASSERT_GT(solid.width, 0);
    int x0 = solid.width, y0 = solid.height, x1 = 0, y1 = 0;
    for (int y = 0; y < solid.height; ++y)
        for (int x = 0; x < solid.width; ++x)
            if (solid.at(x, y) == 0)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
    ASSERT_GT(x1 - x0, 100);
    auto ink = [&](const Pixels& p) {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) sum += 255 - (p.at(x, y) & 0xFF);
        return sum / (255.0 * (x1 - x0) * (y1 - y0));
    };
    EXPECT_GT(ink(solid), 0.7);
    // Shading and cross-hatches lie in the glyphs as under a rectangle; white marks nothing.
    for (auto [id, type] : {std::pair<const char*, const char*>{"50", "2"}, {"6", "3"}, {"3", "3"}}) {
        Pixels patterned = glyphs(ESC + "*c" + id + "G" + ESC + "*v" + type + "T");
        double theirs = ink(rectangle(id, type)), ours = ink(patterned);
        EXPECT_GT(ours, 0.05) << id << " " << type;
        EXPECT_LT(ours, 0.8) << id << " " << type;
        EXPECT_NEAR(ours, theirs, 0.1) << id << " " << type;
    }
    EXPECT_LT(ink(glyphs(ESC + "*v1T")), 0.01);
}

namespace {
// The tables of a TrueType file by tag.
std::map<std::string, std::pair<size_t, size_t>> Tables(const Bytes& ttf) {
    auto be16 = [&](size_t at) { return static_cast<size_t>((ttf[at] << 8) | ttf[at + 1]); };
    auto be32 = [&](size_t at) { return (be16(at) << 16) | be16(at + 2); };
    std::map<std::string, std::pair<size_t, size_t>> t;
    for (size_t i = 0; i < be16(4); ++i) {
        size_t e = 12 + i * 16;
        t[std::string(ttf.begin() + static_cast<long>(e), ttf.begin() + static_cast<long>(e + 4))] = {be32(e + 8),
                                                                                                      be32(e + 12)};
    }
    return t;
}

std::string Be16(size_t v) { return std::string{static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string Be32(size_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }

// A PCL job that downloads Liberation Sans as a TrueType soft font with the
// characters of `text`, then prints `text` at one inch, two inches down.
std::string TrueTypeJob(const Bytes& ttf, const std::string& text) {
    auto t = Tables(ttf);
    auto slice = [&](const std::string& tag) {
        auto [o, n] = t.at(tag);
        return std::string(ttf.begin() + static_cast<long>(o), ttf.begin() + static_cast<long>(o + n));
    };
    // The global segment: a directory of head, hhea, hmtx and maxp.
    std::vector<std::string> tags = {"head", "hhea", "hmtx", "maxp"};
    std::string dir = Be32(0x10000) + Be16(tags.size()) + Be16(0) + Be16(0) + Be16(0), body;
    size_t offset = 12 + tags.size() * 16;
    for (const std::string& tag : tags) {
        std::string data = slice(tag);
        dir += tag + Be32(0) + Be32(offset + body.size()) + Be32(data.size());
        body += data;
        while (body.size() % 4) body += '\0';
    }
    std::string gt = dir + body;
    std::string header(72, '\0');
    header[1] = 72;
    header[2] = 15;
    header[13] = 1;  // proportional spacing
    header += Be16(0x4754) + Be16(gt.size()) + gt + Be16(0xFFFF) + Be16(0);
    std::string job = ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + ESC + "*c5D" + ESC + ")s" +
        std::to_string(header.size()) + "W" + header;
    // Each character: its glyph from loca and glyf.
    std::string head = slice("head"), loca = slice("loca"), glyf = slice("glyf");
    bool longLoca = head[51] != 0;
    FT_Library lib;
    FT_Init_FreeType(&lib);
    FT_Face face;
    FT_New_Memory_Face(lib, ttf.data(), static_cast<FT_Long>(ttf.size()), 0, &face);
    for (char c : text) {
        size_t gid = FT_Get_Char_Index(face, static_cast<unsigned char>(c));
        auto at = [&](size_t i) {
            auto u = [&](size_t k) { return static_cast<size_t>(static_cast<uint8_t>(loca[k])); };
            return longLoca ? (u(i * 4) << 24 | u(i * 4 + 1) << 16 | u(i * 4 + 2) << 8 | u(i * 4 + 3))
                            : (u(i * 2) << 8 | u(i * 2 + 1)) * 2;
        };
        std::string g = glyf.substr(at(gid), at(gid + 1) - at(gid));
        std::string d = std::string("\x0F\x00\x02\x00", 4) + Be16(g.size()) + Be16(gid) + g;
        job += ESC + "*c" + std::to_string(static_cast<unsigned char>(c)) + "E" + ESC + "(s" +
            std::to_string(d.size()) + "W" + d;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return job + ESC + "(s24V" + ESC + "*p300x600Y" + text;
}

std::string FontFile(const char* family) {
    std::string cmd = std::string("fc-match -f '%{file}' '") + family + "'";
    FILE* p = popen(cmd.c_str(), "r");
    char buf[512] = {};
    if (p) {
        if (!fgets(buf, sizeof buf, p)) buf[0] = 0;
        pclose(p);
    }
    return buf;
}

RECT InkOf(const Pixels& p) {
    RECT r{p.width, p.height, -1, -1};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (!Near(p.at(x, y), 0xFFFFFF, 80))
                r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y),
                r.right = std::max<LONG>(r.right, x), r.bottom = std::max<LONG>(r.bottom, y);
    return r;
}
}  // namespace

TEST_F(PclSoftFontPagesTest, DownloadedTrueTypeTextMatchesTheSameFontDrawnByThePlatform) {
    std::string file = FontFile("Liberation Sans");
    Bytes ttf = ReadFileBytes(file);
    if (ttf.size() < 1000 || ttf[0] != 0) GTEST_SKIP() << "Liberation Sans not found as a TrueType file";
    auto picture = [&](const std::string& job) { return LoadPicture(Write("tt.pcl", Bytes(job.begin(), job.end()))); };
    const std::string text = "Hello brown fox that";  // nothing below the baseline
    Pixels ours = picture(TrueTypeJob(ttf, text));
    Pixels platform = picture(ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + ESC + "(s1p16602T" + ESC + "(s24V" + ESC +
                              "*p300x600Y" + text);
    ASSERT_GT(ours.width, 0);
    RECT a = InkOf(ours), b = InkOf(platform);
    ASSERT_GE(a.right, a.left);
    // Same place: the baseline two inches below the top margin (750 dots), the text one inch in.
    EXPECT_NEAR(a.bottom, 480, 3);
    EXPECT_NEAR(a.left, b.left, 4);
    // Both are as big: the height is the em, for a downloaded font as for the printer's own.
    EXPECT_NEAR((a.bottom - a.top) / double(b.bottom - b.top), 1.0, 0.06);
    EXPECT_NEAR((a.right - a.left) / double(b.right - b.left), 1.0, 0.06);
    // And as heavy: the outlines are filled as the font draws them, never stroked as well.
    auto ink = [](const Pixels& p) {
        double sum = 0;
        for (uint32_t px : p.px) sum += (255 - (px & 0xFF)) / 255.0;
        return sum;
    };
    EXPECT_NEAR(ink(ours) / ink(platform), 1.0, 0.1);

    // In a PDF the glyphs are a font of the document: the text reads as its characters, and each
    // glyph is kept once however often it is drawn.
    if (!HaveTool("pdftotext") || !HaveTool("pdffonts")) return;
    const std::string words = "Hello brown fox that jumps over the lazy dog";
    std::string job = Write("words.pcl", [&] {
        std::string j = TrueTypeJob(ttf, words);
        return Bytes(j.begin(), j.end());
    }());
    std::string pdf = dir_ + "words.pdf", out;
    ASSERT_EQ(RunCommand(std::string(SPOOLSIGHT_HOST) + " -q " + job + " -o " + pdf, out), 0) << out;
    ASSERT_EQ(RunCommand("pdftotext " + pdf + " -", out), 0);
    EXPECT_NE(out.find(words), std::string::npos) << out;
    ASSERT_EQ(RunCommand("pdffonts " + pdf, out), 0);
    EXPECT_NE(out.find("Type 3"), std::string::npos) << out;
}

TEST(PclOutlineFonts, SimpleAndCompositeGlyphs) {
    OutlineFont font;
    // One contour of three points: on (0, 0), off (30, 30), on (60, 0); coordinates as words.
    std::string simple = Be16(1) + std::string(8, '\0') + Be16(2) + Be16(0) + std::string("\x01\x00\x01", 3) + Be16(0) +
        Be16(30) + Be16(30) + Be16(0) + Be16(30) + Be16(static_cast<uint16_t>(-30));
    font.characters[65] = {7, Bytes(simple.begin(), simple.end())};
    font.glyphIds[7] = 65;
    std::vector<OutlinePoint> pts = DecodeOutline(font, 65);
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts[1].x, 30);
    EXPECT_EQ(pts[1].y, 30);
    EXPECT_FALSE(pts[1].onCurve);
    EXPECT_EQ(pts[2].x, 60);
    EXPECT_EQ(pts[2].y, 0);
    EXPECT_TRUE(pts[0].contourStart);
    // A composite of glyph 7 moved by (100, 0), and one that refers to itself.
    std::string composite =
        Be16(static_cast<uint16_t>(-1)) + std::string(8, '\0') + Be16(0x0003) + Be16(7) + Be16(100) + Be16(0);
    font.characters[66] = {8, Bytes(composite.begin(), composite.end())};
    font.glyphIds[8] = 66;
    pts = DecodeOutline(font, 66);
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_EQ(pts[2].x, 160);
    std::string self = Be16(static_cast<uint16_t>(-1)) + std::string(8, '\0') + Be16(0x0023) + Be16(9) + Be16(0) +
        Be16(0) + Be16(0x0003) + Be16(7) + Be16(0) + Be16(0);
    font.characters[67] = {9, Bytes(self.begin(), self.end())};
    font.glyphIds[9] = 67;
    EXPECT_EQ(DecodeOutline(font, 67).size(), 3u);  // the cycle is cut, glyph 7 still comes
    // Too many points: no outline.
    std::string big = Be16(1) + std::string(8, '\0') + Be16(2000) + Be16(0);
    font.characters[68] = {10, Bytes(big.begin(), big.end())};
    EXPECT_TRUE(DecodeOutline(font, 68).empty());
}
