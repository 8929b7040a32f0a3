// PCL XL text: downloaded TrueType and bitmap fonts, their records and
// their glyphs, and system-font text.
#include "pclxl_fixture.h"
#include "pclxl_resident_fonts.h"

#include <filesystem>
#include <functional>

// ---- Downloaded fonts ----

namespace {
// A TrueType font header with a GT segment holding a head table of 1000 units an em.
Bytes TrueTypeHeader(uint8_t technology) {
    Bytes head(54, 0);
    head[18] = 1000 >> 8, head[19] = 1000 & 0xFF;
    Bytes gt = {0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 'h', 'e', 'a', 'd', 0, 0, 0, 0, 0, 0, 0, 28, 0, 0, 0, 54};
    gt.insert(gt.end(), head.begin(), head.end());
    Bytes h = {0, 0, 0, 14, technology, 0, 0, 1, 'G', 'T', 0, 0, 0, static_cast<uint8_t>(gt.size())};
    h.insert(h.end(), gt.begin(), gt.end());
    h.insert(h.end(), {0xFF, 0xFF, 0, 0, 0, 0});
    return h;
}

// A class-0 TrueType character: a square from (0, 0) to (side, side) font units.
Bytes SquareGlyph(int16_t side) {
    auto be = [](Bytes& b, int v) { b.push_back(static_cast<uint8_t>(v >> 8)), b.push_back(static_cast<uint8_t>(v)); };
    Bytes g;
    be(g, 1), be(g, 0), be(g, 0), be(g, side), be(g, side);  // one contour and its box
    be(g, 3), be(g, 0);                                      // end point 3, no instructions
    g.insert(g.end(), {0x31, 0x33, 0x35, 0x23});             // on-curve points with short or no deltas
    g.push_back(static_cast<uint8_t>(side)), g.push_back(static_cast<uint8_t>(side));  // x: 0, +s, s, -s
    g.push_back(static_cast<uint8_t>(side));                                           // y: 0, 0, +s, s
    Bytes r = {1, 0};
    be(r, static_cast<int>(g.size()) + 4);
    be(r, 7);  // glyph index
    r.insert(r.end(), g.begin(), g.end());
    return r;
}

// The words pdftotext reads in the PDF the command makes of the job at `dir` + `job`.
std::string PdfText(const std::string& dir, const std::string& job) {
    std::string out;
    if (RunCommand(std::string(SPOOLSIGHT_HOST) + " -q " + dir + job + " -o " + dir + "text.pdf", out) != 0) return "";
    RunCommand("pdftotext " + dir + "text.pdf -", out);
    return out;
}

void DownloadSquareFont(XlWriter& w, uint8_t technology, bool extraRecord) {
    w.text("Squares").attr(xl::FontName).ubyte(0).attr(xl::FontFormat).op(xl::BeginFontHeader);
    Bytes header = TrueTypeHeader(technology);
    w.uint16(static_cast<uint16_t>(header.size())).attr(xl::FontHeaderLength).op(xl::ReadFontHeader).data(header);
    w.op(xl::EndFontHeader);
    w.text("Squares").attr(xl::FontName).op(xl::BeginChar);
    if (extraRecord) {
        // A record without a code: the next code takes the record after it.
        Bytes small = SquareGlyph(100);
        w.uint16(65535)
            .attr(xl::CharCode)
            .uint16(static_cast<uint16_t>(small.size()))
            .attr(xl::CharDataSize)
            .op(xl::ReadChar)
            .data(small);
    }
    Bytes glyph = SquareGlyph(200);
    w.ubyte('S')
        .attr(xl::CharCode)
        .uint16(static_cast<uint16_t>(glyph.size()))
        .attr(xl::CharDataSize)
        .op(xl::ReadChar)
        .data(glyph);
    w.op(xl::EndChar);
}
}  // namespace

TEST_F(PclXlTest, TrueTypeGlyphsFillWithTheBrush) {
    XlWriter w = Job();
    DownloadSquareFont(w, 1, false);
    w.raw({0xC8, 0xC0, 3, 0, 0, 255}).attr(xl::RGBColor).op(xl::SetBrushSource);
    // 1200 units high: the square of 200 units of 1000 is 240 units a side.
    w.text("Squares").attr(xl::FontName).uint16(1200).attr(xl::CharSize).uint16(0).attr(xl::SymbolSet).op(xl::SetFont);
    w.xy(600, 1200).attr(xl::Point).op(xl::SetCursor).text("SS").attr(xl::TextData);
    w.raw({0xC9, 0xC0, 2, 0x00, 0x01, 0, 0}).attr(xl::XSpacingData).op(xl::Text);  // the second one 256 units on
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(720), Px(1080)), 0x0000FF));
    EXPECT_TRUE(Near(p.at(Px(856 + 120), Px(1080)), 0x0000FF));
    EXPECT_TRUE(Near(p.at(Px(848), Px(1080)), 0xFFFFFF));  // the gap between them
    EXPECT_TRUE(Near(p.at(Px(720), Px(900)), 0xFFFFFF));   // above the glyph
    // In a PDF the squares read as the characters their codes stand for in the font's symbol set.
    if (HaveTool("pdftotext")) {
        EXPECT_NE(PdfText(dir_, "jobs/picture.pxl").find("SS"), std::string::npos);
    }
}

TEST_F(PclXlTest, FontHeadersAndCharacterRecords) {
    // An unknown technology raises, but the name is there for SetFont.
    XlWriter w = Job();
    DownloadSquareFont(w, 0, false);
    w.text("Squares").attr(xl::FontName).uint16(1200).attr(xl::CharSize).op(xl::SetFont);
    Run(w);
    ASSERT_NE(XlState().gs.font, nullptr);
    EXPECT_EQ(XlState().gs.font->technology, 0);
    Discard();

    // CharCode 65535 stores its bytes; the next code takes the next record.
    XlWriter skip = Job();
    DownloadSquareFont(skip, 1, true);
    Run(skip);
    const PclXlDownloadedFont* font = XlFindFont({'S', 'q', 'u', 'a', 'r', 'e', 's'});
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->glyphs.count('S'), 1u);
    EXPECT_EQ(font->glyphs.at('S').outline.size(), 4u);
    EXPECT_EQ(font->glyphs.at('S').outline[0].x, 0);
    EXPECT_EQ(font->glyphs.at('S').outline[1].x, 100);  // the 100-unit square came first
    EXPECT_EQ(font->unitsPerEm, 1000);
    Discard();

    // A new job starts without the fonts of the one before.
    Run(Job());
    EXPECT_EQ(XlFindFont({'S', 'q', 'u', 'a', 'r', 'e', 's'}), nullptr);
    Discard();
}

TEST_F(PclXlTest, BadGlyphRecordsAreRejected) {
    auto load = [&](const Bytes& record) {
        XlWriter w = Job();
        w.text("F").attr(xl::FontName).op(xl::BeginChar).ubyte('x').attr(xl::CharCode).op(xl::ReadChar).data(record);
        w.op(xl::EndChar);
        Run(w);
        const PclXlDownloadedFont* f = XlFindFont({'F'});
        bool stored = f && f->glyphs.count('x');
        Discard();
        return stored;
    };
    Bytes square = SquareGlyph(200);
    EXPECT_TRUE(load(square));
    Bytes outside = square;
    outside[10] = 0, outside[11] = 50;  // a box far smaller than the points
    EXPECT_FALSE(load(outside));
    Bytes rounded = square;
    rounded[10] = 0, rounded[11] = 3;  // a box a driver rounded: the points 3 units below it
    EXPECT_TRUE(load(rounded));
    Bytes cut(square.begin(), square.begin() + 14);  // a record longer than its data
    EXPECT_FALSE(load(cut));
    Bytes bitmap = {0, 0, 0, 0, 0, 0, 0x10, 0x00, 0x10, 0x00, 0xFF};  // 4096 x 4096 dots with one byte
    EXPECT_FALSE(load(bitmap));
    EXPECT_TRUE(load({0, 0, 0, 0, 0, 0, 0, 0, 0, 20}));  // a space: no dots at all
    // A composite glyph whose every component is itself composite stops at the depth limit.
    Bytes composite = {1, 0, 0, 20, 0, 7, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x22, 0, 1, 0, 0};
    Bytes many;
    for (int i = 0; i < 20; ++i) many.insert(many.end(), composite.begin(), composite.end());
    EXPECT_FALSE(load(many));
}

TEST_F(PclXlTest, CompositeGlyphsPlaceTheirComponents) {
    // Two components, the records after the composite: one moved by (50, 0), the next by (0, 100).
    auto be = [](Bytes& b, int v) { b.push_back(static_cast<uint8_t>(v >> 8)), b.push_back(static_cast<uint8_t>(v)); };
    Bytes glyph;
    be(glyph, -1), be(glyph, 0), be(glyph, 0), be(glyph, 300), be(glyph, 300);
    be(glyph, 0x0022), be(glyph, 1), glyph.insert(glyph.end(), {50, 0});  // XY offsets, more components
    be(glyph, 0x0002), be(glyph, 2), glyph.insert(glyph.end(), {0, 100});
    Bytes composite = {1, 0};
    be(composite, static_cast<int>(glyph.size()) + 4), be(composite, 9);
    composite.insert(composite.end(), glyph.begin(), glyph.end());
    XlWriter w = Job();
    w.text("C").attr(xl::FontName).op(xl::BeginChar);
    w.ubyte('c').attr(xl::CharCode).op(xl::ReadChar).data(composite);
    for (int16_t side : {100, 200}) w.uint16(65535).attr(xl::CharCode).op(xl::ReadChar).data(SquareGlyph(side));
    w.op(xl::EndChar);
    Run(w);
    const PclXlDownloadedFont* font = XlFindFont({'C'});
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->glyphs.count('c'), 1u);
    const std::vector<OutlinePoint>& o = font->glyphs.at('c').outline;
    ASSERT_EQ(o.size(), 8u);
    EXPECT_EQ(o[0].x, 50);
    EXPECT_EQ(o[1].x, 150);
    EXPECT_EQ(o[4].y, 100);
    EXPECT_EQ(o[6].y, 300);
    EXPECT_TRUE(o[4].contourStart);
    Discard();
}

TEST_F(PclXlTest, BitmapGlyphsTakeTheBrushAndLeaveTheirHoles) {
    XlWriter w = Job();
    Brush(w, 255, 0, 0);
    w.box(500, 5400, 1200, 5700).attr(xl::BoundingBox).op(xl::Rectangle);
    w.raw({0xC8, 0xC0, 3, 0, 0, 255}).attr(xl::RGBColor).op(xl::SetBrushSource);
    XlSamplePage(w, 1);  // ends with the page number in the downloaded frame and block glyphs
    Pixels p = Picture(w);
    // The glyph frames are black (the sample page sets a black brush); inside them the red stays.
    EXPECT_TRUE(Near(p.at(Px(600 + 1), Px(5600 - 20)), 0x000000, 60));
    EXPECT_TRUE(Near(p.at(Px(600 + 16), Px(5600 - 20)), 0xFF0000));
    // In a PDF the glyphs read as their characters: page 1 in binary, A for one and B for nought.
    if (HaveTool("pdftotext")) {
        EXPECT_NE(PdfText(dir_, "jobs/picture.pxl").find("BBBBBBBA"), std::string::npos);
    }
    // A brush of no colour draws no text at all.
    XlWriter none = Job();
    XlSamplePage(none, 1);
    none.attr(xl::NullBrush).op(xl::SetBrushSource).xy(600, 6600).attr(xl::Point).op(xl::SetCursor);
    none.text("AAAA").attr(xl::TextData).op(xl::Text);
    p = Picture(none);
    EXPECT_TRUE(Near(p.at(Px(600 + 7 * 48 + 16), Px(5600 - 20)), 0x000000));  // the sample's own block
    EXPECT_TRUE(Near(p.at(Px(600 + 16), Px(6600 - 20)), 0xFFFFFF));
}

// Glyphs of 600 dots an inch on a page counted in hundredths of an inch: each keeps its height
// and its place about the baseline, whatever the cursor's position.
TEST_F(PclXlTest, BitmapGlyphsSitOnTheBaselineAtTheirOwnSize) {
    XlWriter w = Job();
    w.text("Bars").attr(xl::FontName).ubyte(0).attr(xl::FontFormat).op(xl::BeginFontHeader);
    Bytes header = {0, 0, 0, 14, 254, 0, 0, 3, 'B', 'R', 0, 0, 0, 4, 0x02, 0x58, 0x02, 0x58, 0xFF, 0xFF, 0, 0, 0, 0};
    w.uint16(static_cast<uint16_t>(header.size())).attr(xl::FontHeaderLength).op(xl::ReadFontHeader).data(header);
    w.op(xl::EndFontHeader);
    w.text("Bars").attr(xl::FontName).op(xl::BeginChar);
    struct Bar {
        uint8_t top, height;
    } bars[] = {{40, 40}, {20, 31}, {7, 13}};  // on the baseline, and two through it
    for (int c = 0; c < 3; ++c) {
        Bytes glyph = {0, 0, 0, 0, 0, bars[c].top, 0, 16, 0, bars[c].height};  // 16 dots wide, all inked
        glyph.insert(glyph.end(), size_t{2} * bars[c].height, 0xFF);
        w.ubyte(static_cast<uint8_t>('a' + c)).attr(xl::CharCode);
        w.uint16(static_cast<uint16_t>(glyph.size())).attr(xl::CharDataSize).op(xl::ReadChar).data(glyph);
    }
    w.op(xl::EndChar);
    w.text("Bars").attr(xl::FontName).uint16(100).attr(xl::CharSize).op(xl::SetFont);
    Brush(w, 0, 0, 0);
    const int baseline = 5605;  // half a hundredth of an inch off the page's grid
    w.xy(600, baseline).attr(xl::Point).op(xl::SetCursor);
    w.text("abc").attr(xl::TextData).raw({0xC8, 0xC0, 3, 100, 100, 100}).attr(xl::XSpacingData).op(xl::Text);
    Pixels p = Picture(w);
    for (int c = 0; c < 3; ++c) {
        // The ink down the bar's middle column: how much of it, and its centre.
        int x = Px(600 + 100 * c + 8);
        double mass = 0, moment = 0;
        for (int y = Px(baseline - 60); y < Px(baseline + 60); ++y) {
            double ink = (255 - (p.at(x, y) & 0xFF)) / 255.0;
            mass += ink, moment += ink * (y + 0.5);
        }
        double top = (baseline - bars[c].top) * 0.32, bottom = (baseline - bars[c].top + bars[c].height) * 0.32;
        EXPECT_NEAR(mass, bottom - top, 1) << c;  // whole rows: those whose centres it covers
        EXPECT_NEAR(moment / mass, (top + bottom) / 2, 0.35) << c;
    }
}

TEST_F(PclXlTest, SystemFontTextMovesTheCursor) {
    XlWriter w = Job();
    w.raw({0xC8, 0xC0, 3, 0, 0, 255}).attr(xl::RGBColor).op(xl::SetBrushSource);
    w.text("Arial           ")
        .attr(xl::FontName)
        .uint16(300)
        .attr(xl::CharSize)
        .uint16(277)
        .attr(xl::SymbolSet)
        .op(xl::SetFont);
    w.xy(600, 1200).attr(xl::Point).op(xl::SetCursor).text("HH").attr(xl::TextData);
    w.raw({0xC8, 0xC0, 2, 200, 200}).attr(xl::XSpacingData).op(xl::Text);
    Run(w);
    EXPECT_EQ(XlState().cursor[0], 1000);  // moved by the spacing
    EXPECT_EQ(XlState().cursor[1], 1200);
    Discard();
    w.text("HH").attr(xl::TextData).op(xl::Text);  // and by the text's own width without spacing
    Pixels p = Picture(w);
    ASSERT_EQ(p.width, kWidth);
    // Blue ink between the baseline and the cap height (0.72 of the em), white above.
    EXPECT_LT(p.Share(Px(600), Px(1200 - 200), Px(1000), Px(1200), 0xFFFFFF), 0.9);
    EXPECT_GT(p.Share(Px(600), Px(1200 - 200), Px(1000), Px(1200), 0x0000FF), 0.1);
    EXPECT_GT(p.Share(Px(600), Px(1200 - 400), Px(1000), Px(1200 - 260), 0xFFFFFF), 0.99);
    EXPECT_GT(p.Share(Px(1000), Px(1200 - 200), Px(1400), Px(1200), 0x0000FF), 0.1);  // the second Text
    EXPECT_GT(p.Share(Px(1400), Px(1200 - 200), Px(2400), Px(1200), 0xFFFFFF), 0.99);
}

TEST_F(PclXlTest, RemovedFontsAreGoneUnlessInUse) {
    XlWriter w = Job();
    DownloadSquareFont(w, 1, false);
    w.text("Squares").attr(xl::FontName).op(0x55);
    Run(w);
    EXPECT_EQ(XlFindFont({'S', 'q', 'u', 'a', 'r', 'e', 's'}), nullptr);
    Discard();
    XlWriter used = Job();
    DownloadSquareFont(used, 1, false);
    used.text("Squares").attr(xl::FontName).uint16(100).attr(xl::CharSize).op(xl::SetFont).op(0x55);
    used.text("S").attr(xl::TextData).op(xl::Text);
    Run(used);
    EXPECT_NE(XlFindFont({'S', 'q', 'u', 'a', 'r', 'e', 's'}), nullptr);
    Discard();
}

// ---- Resident fonts ----

TEST(PclXlResidentFaces, NamesAsDriversWriteThem) {
    struct Case {
        const char* name;
        const char* face;
        LONG weight;
        bool italic;
    } cases[] = {
        {"TimesNewRmn     ", "Times New Roman", FW_NORMAL, false},
        {"TimesNewRmn   Bd", "Times New Roman", FW_BOLD, false},
        {"TimeNewRmn    It", "Times New Roman", FW_NORMAL, true},  // as a driver misspells it
        {"CGTimesBdIt", "Times New Roman", FW_BOLD, true},
        {"Tms Rmn", "Times New Roman", FW_NORMAL, false},
        {"CourierBd", "Courier", FW_BOLD, false},
        {"Helvetica-BoldOblique", "Arial", FW_BOLD, true},
        {"UniversCdMd", "Arial", FW_NORMAL, false},
        {"ArialIt", "Arial", FW_NORMAL, true},
        {"ITCAvantGardeDm", "Century Gothic", FW_SEMIBOLD, false},
        {"ITCBookman Lt", "Bookman Old Style", FW_LIGHT, false},
        {"NewCenturySchlbk", "Century Schoolbook", FW_NORMAL, false},
        {"GaramondKrsvHlb", "Garamond", FW_BOLD, true},
        {"LetterGothicBd", "Letter Gothic", FW_BOLD, false},
        {"Symbol", "Symbol", FW_NORMAL, false},
        {"Wingdings", "Wingdings", FW_NORMAL, false},
        {"OCR-B-Digits", "OCR-B-Digits", FW_NORMAL, false},  // no family known: its own name
    };
    for (const Case& c : cases) {
        PclXlResidentFace f = XlResidentFace(c.name);
        EXPECT_EQ(f.face, c.face) << c.name;
        EXPECT_EQ(f.weight, c.weight) << c.name;
        EXPECT_EQ(f.italic, c.italic) << c.name;
    }
    EXPECT_EQ(XlResidentFace("CourierIt").pitchAndFamily, FIXED_PITCH | FF_MODERN);
    EXPECT_EQ(XlResidentFace("CGTimes").pitchAndFamily, VARIABLE_PITCH | FF_ROMAN);
}

// Lines set in resident fonts as drivers name them, against GhostPCL's picture of the same job:
// each line as heavy and as long as there.
TEST_F(PclXlTest, ResidentFontsAreSetAsGhostPclSetsThem) {
    const std::string gpcl6 = SPOOLSIGHT_SHARED "/oracles/gpcl6";
    if (!std::filesystem::exists(gpcl6)) GTEST_SKIP() << gpcl6 << " is not there";
    const char* names[] = {"TimesNewRmn     ", "TimesNewRmn   Bd", "TimesNewRmn   It", "Courier       Bd",
                           "Arial           ", "Univers       Bd", "Helvetica       "};
    XlWriter w = Job();
    w.ubyte(2).attr(xl::ColorSpace).op(xl::SetColorSpace);  // RGB, as GhostPCL asks before a colour
    w.raw({0xC8, 0xC0, 3, 0, 0, 0}).attr(xl::RGBColor).op(xl::SetBrushSource);
    int y = 900;
    for (const char* name : names) {
        w.text(name).attr(xl::FontName).uint16(200).attr(xl::CharSize).uint16(277).attr(xl::SymbolSet).op(xl::SetFont);
        w.xy(600, static_cast<int16_t>(y)).attr(xl::Point).op(xl::SetCursor);
        // Spaced as drivers space text, each character by the advance given.
        std::string text = "Hamburgefonstiv 1994";
        w.text(text).attr(xl::TextData).bytes(Bytes(text.size(), 110)).attr(xl::XSpacingData).op(xl::Text);
        y += 400;
    }
    Pixels ours = Picture(w), theirs;
    GhostPclPicture(theirs);
    if (HasFatalFailure()) return;
    ASSERT_EQ(ours.width, theirs.width);
    // Dark pixels of the line with its baseline at `base` units, and how far right they reach.
    auto line = [](const Pixels& p, int base, int& right) {
        int ink = 0;
        right = 0;
        for (int py = Px(base - 250); py < Px(base + 80); ++py)
            for (int px = 0; px < p.width; ++px)
                if ((p.at(px, py) & 0xFF) < 128) ++ink, right = std::max(right, px);
        return ink;
    };
    std::vector<int> inks;
    y = 900;
    for (const char* name : names) {
        int ourRight, theirRight;
        int ourInk = line(ours, y, ourRight), theirInk = line(theirs, y, theirRight);
        inks.push_back(ourInk);
        EXPECT_NEAR(ourInk, theirInk, 0.15 * theirInk) << name;
        EXPECT_NEAR(ourRight, theirRight, 6) << name;  // the advances add up without drifting
        y += 400;
    }
    EXPECT_GT(inks[1], 1.25 * inks[0]);  // bold is bold
}

// Characters turned, sheared, stretched and emboldened by the character attributes, against
// GhostPCL's picture of the same lines: each line where GhostPCL sets it, as wide, as tall and
// as heavy.
TEST_F(PclXlTest, CharacterAttributesShapeTextAsGhostPclDoes) {
    const std::string gpcl6 = SPOOLSIGHT_SHARED "/oracles/gpcl6";
    if (!std::filesystem::exists(gpcl6)) GTEST_SKIP() << gpcl6 << " is not there";
    struct Line {
        const char* text;
        std::function<void(XlWriter&)> set, reset;
    };
    auto angle = [](float a) { return [a](XlWriter& w) { w.real32(a).attr(xl::CharAngle).op(xl::SetCharAngle); }; };
    auto shear = [](float x, float y) {
        return [x, y](XlWriter& w) { w.realXy(x, y).attr(xl::CharShear).op(xl::SetCharShear); };
    };
    auto scale = [](float x, float y) {
        return [x, y](XlWriter& w) { w.realXy(x, y).attr(xl::CharScale).op(xl::SetCharScale); };
    };
    auto bold = [](float b) {
        return [b](XlWriter& w) { w.real32(b).attr(xl::CharBoldValue).op(xl::SetCharBoldValue); };
    };
    const Line lines[] = {{"Plain text", {}, {}},
                          {"Angle 30", angle(30), angle(0)},
                          {"Shear .5 0", shear(0.5f, 0), shear(0, 0)},
                          {"Shear 0 .3", shear(0, 0.3f), shear(0, 0)},
                          {"Bold 0.1", bold(0.1f), bold(0)},
                          {"Bold 0.3", bold(0.3f), bold(0)},
                          {"Scale 2 1", scale(2, 1), scale(1, 1)},
                          {"Plain again", {}, {}}};
    XlWriter w = Job();
    w.ubyte(1).attr(xl::ColorSpace).op(xl::SetColorSpace).ubyte(0).attr(xl::GrayLevel).op(xl::SetBrushSource);
    w.text("Courier         ").attr(xl::FontName).uint16(200).attr(xl::CharSize).uint16(277).attr(xl::SymbolSet);
    w.op(xl::SetFont);
    int y = 600;
    for (const Line& l : lines) {
        if (l.set) l.set(w);
        std::string text = l.text;
        w.xy(300, static_cast<int16_t>(y)).attr(xl::Point).op(xl::SetCursor);
        w.text(text).attr(xl::TextData).bytes(Bytes(text.size(), 120)).attr(xl::XSpacingData).op(xl::Text);
        if (l.reset) l.reset(w);
        y += 700;
    }
    Pixels ours = Picture(w), theirs;
    GhostPclPicture(theirs);
    if (HasFatalFailure()) return;
    ASSERT_EQ(ours.width, theirs.width);
    y = 600;
    for (const Line& l : lines) {
        RECT o = InkBox(ours, 128, 0, Px(y - 350), ours.width, Px(y + 250));
        RECT t = InkBox(theirs, 128, 0, Px(y - 350), theirs.width, Px(y + 250));
        double ourInk = 1 - ours.Share(o.left, o.top, o.right, o.bottom, 0xFFFFFF, 127);
        double theirInk = 1 - theirs.Share(t.left, t.top, t.right, t.bottom, 0xFFFFFF, 127);
        ourInk *= static_cast<double>(o.right - o.left) * (o.bottom - o.top);
        theirInk *= static_cast<double>(t.right - t.left) * (t.bottom - t.top);
        EXPECT_NEAR(o.left, t.left, 4) << l.text;
        EXPECT_NEAR(o.right, t.right, 8) << l.text;
        EXPECT_NEAR(o.top, t.top, 8) << l.text;
        EXPECT_NEAR(o.bottom, t.bottom, 8) << l.text;
        EXPECT_NEAR(ourInk, theirInk, 0.3 * theirInk) << l.text;
        y += 700;
    }
}
