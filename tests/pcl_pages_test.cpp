// PCL5 jobs end to end: page state, pages opened and kept, text placed at the
// cursor in the selected fonts, through to the picture.
#include "convert_print_job.h"
#include "pcl_page_state.h"
#include "spoolsight_plugin.h"
#include "test_support.h"

#include <cstring>

namespace {
const std::string ESC = "\x1B";

// Ink bounding box of a picture region.
RECT Ink(const Pixels& p, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) { return InkBox(p, 80, x0, y0, x1, y1); }
}  // namespace

class PclPagesTest : public TempDirTest {
protected:
    PageList Convert(const std::string& job) { return TempDirTest::Convert(Bytes(job.begin(), job.end()), "job.pcl"); }
    Pixels Picture(const std::string& job, int32_t* width = nullptr, int32_t* height = nullptr) {
        Pixels p = LoadPicture(Write("pic.pcl", Bytes(job.begin(), job.end())));
        if (width) *width = p.width;
        if (height) *height = p.height;
        return p;
    }
};

std::string FaceOf(const PclChosenFont& f) {
    std::string name;
    for (const WCHAR* c = f.lf.lfFaceName; *c; ++c) name += static_cast<char>(*c);
    return name;
}

TEST(PclState, CursorOrientationAndPageSize) {
    InitPclJob();
    PclPageState& s = Pcl();
    DispatchPclCommand('*', 'p', 'X', nullptr, 0, 300);
    EXPECT_EQ(s.cursorX, 2032);
    DispatchPclCommand('&', 'u', 'D', nullptr, 0, 600);
    DispatchPclCommand('*', 'p', 'X', nullptr, 0, 300);
    EXPECT_EQ(s.cursorX, 1016);
    DispatchPclCommand('*', 'p', 'X', nullptr, 0, 300, true);  // +300: relative
    EXPECT_EQ(s.cursorX, 2032);
    DispatchPclCommand('&', 'u', 'D', nullptr, 0, 0);  // ignored
    EXPECT_EQ(s.unitsPerInch, 600);
    // Positions stay on the logical page.
    DispatchPclCommand('*', 'p', 'Y', nullptr, 0, 1e300);
    EXPECT_EQ(s.cursorY, 23760);
    DispatchPclCommand('*', 'p', 'X', nullptr, 0, -5000);
    EXPECT_EQ(s.cursorX, 0);
    DispatchPclCommand('*', 'p', 'X', nullptr, 0, 1e9);
    EXPECT_NEAR(s.cursorX, 16800 - 2 * 71 * 2032 / 300.0, 0.01);
    // Orientation turns the page only when it changes.
    DispatchPclCommand('&', 'l', 'O', nullptr, 0, 1);
    EXPECT_EQ(s.pageWidth(), 23760);  // A4, 297 mm
    DispatchPclCommand('&', 'l', 'O', nullptr, 0, 1);
    EXPECT_EQ(s.pageWidth(), 23760);
    EXPECT_TRUE(s.landscape);
    DispatchPclCommand('&', 'l', 'A', nullptr, 0, 2);
    EXPECT_EQ(s.pageWidth(), 22351);
    EXPECT_EQ(s.pageHeight(), 17271);
    // A reset that clears landscape turns the page back.
    DispatchPclCommand('E', 0, 0, nullptr, 0, 0);
    EXPECT_FALSE(s.landscape);
    EXPECT_EQ(s.pageWidth(), 17271);
    DispatchPclCommand('*', 'c', 'E', nullptr, 0, 65);
    DispatchPclCommand('*', 'c', 'E', nullptr, 0, -1);
    DispatchPclCommand('*', 'c', 'E', nullptr, 0, 65535);
    EXPECT_EQ(s.characterCode, 65);
    uint8_t four[5] = {'W', 1, 2, 3, 4};
    EXPECT_FALSE(DispatchPclCommand('*', 'v', 'W', four, 4, 4));
    EXPECT_FALSE(DispatchPclCommand('&', 'p', 'C', nullptr, 0, 7));
    FinishPclJob();
}

TEST(PclState, FontsAreChosenByTheirCharacteristics) {
    InitPclJob();
    PclPageState& s = Pcl();
    // The printer's default: Courier, 10 characters per inch, 12 points, Roman-8.
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Courier");
    EXPECT_TRUE(ChosenPclFont().fixed);
    EXPECT_NEAR(s.hmi, 203.2, 0.01);
    EXPECT_NEAR(-ChosenPclFont().lf.lfHeight, 12 * 2032 / 72.0, 1);
    EXPECT_STREQ(ChosenPclFont().symbols->name, "Roman-8");
    DispatchPclCommand('(', 's', 'B', nullptr, 0, -3);
    EXPECT_EQ(ChosenPclFont().lf.lfWeight, 300);
    DispatchPclCommand('(', 's', 'B', nullptr, 0, 9);  // no such weight
    EXPECT_EQ(ChosenPclFont().lf.lfWeight, 300);
    DispatchPclCommand('(', 's', 'S', nullptr, 0, 1);
    EXPECT_EQ(ChosenPclFont().lf.lfItalic, 1);
    DispatchPclCommand('(', 's', 'S', nullptr, 0, 0);
    EXPECT_EQ(ChosenPclFont().lf.lfItalic, 0);
    // Spacing comes before the typeface: a fixed-spacing request for Univers gets Courier.
    DispatchPclCommand('(', 's', 'T', nullptr, 0, 4148);
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Courier");
    DispatchPclCommand('(', 's', 'P', nullptr, 0, 1);
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Nimbus Sans");
    EXPECT_FALSE(ChosenPclFont().fixed);
    DispatchPclCommand('(', 's', 'T', nullptr, 0, 16901);
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Times New Roman");
    DispatchPclCommand('(', 's', 'T', nullptr, 0, 4101);
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Nimbus Roman");
    DispatchPclCommand('(', 's', 'V', nullptr, 0, 24);
    EXPECT_NEAR(-ChosenPclFont().lf.lfHeight, 24 * 2032 / 72.0, 1);
    // The secondary font is its own; SO selects it.
    DispatchPclCommand(')', 's', 'P', nullptr, 0, 0);
    DispatchPclCommand(')', 's', 'H', nullptr, 0, 16.67);
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Nimbus Roman");
    PrintPclCharacter(0x0E);
    EXPECT_TRUE(ChosenPclFont().fixed);
    EXPECT_NEAR(s.hmi, 2032 / 16.67, 0.01);
    PrintPclCharacter(0x0F);
    EXPECT_FALSE(ChosenPclFont().fixed);
    // Symbol sets choose before all else; a set we do not know reads as Roman-8.
    SelectSymbolSet(false, 19, 'U');
    EXPECT_STREQ(ChosenPclFont().symbols->name, "Windows 3.1 Latin 1");
    SelectSymbolSet(false, 19, 'M');
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Symbol");
    EXPECT_EQ(ChosenPclFont().symbols->chars[0x61], u'\u03B1');
    SelectSymbolSet(false, 579, 'L');
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Wingdings");
    SelectSymbolSet(false, 8, 'Q');
    EXPECT_STREQ(ChosenPclFont().symbols->name, "Roman-8");
    // Fonts with no installed match and nonsense values keep sensible defaults.
    DispatchPclCommand('(', 's', 'T', nullptr, 0, 9999);
    DispatchPclCommand('(', 's', 'V', nullptr, 0, -4);
    DispatchPclCommand('(', 's', 'H', nullptr, 0, 0);
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Nimbus Roman");
    EXPECT_NEAR(-ChosenPclFont().lf.lfHeight, 24 * 2032 / 72.0, 1);
    SelectDefaultFont(false, 3);
    EXPECT_EQ(FaceOf(ChosenPclFont()), "Courier");
    FinishPclJob();
}

TEST_F(PclPagesTest, WhichPagesAreKept) {
    // The pages GhostPCL prints for each job.
    std::string start = ESC + "E" + ESC + "&l26A" + ESC + "&l0O";
    struct Case {
        std::string job;
        size_t pages;
    } cases[] = {
        {start + "text\f", 1},          // nothing follows the last form feed
        {start + "text", 1},            // the last page needs no form feed
        {ESC + "E" + "text\ftext", 2},  // text before any page command opens a page
        {ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + "one\f" + "two", 2},
        {start + "one\ftwo\f", 2},
        {ESC + "E" + "\f\ftext\f", 3},         // a form feed ejects a page even when it is blank
        {ESC + "E" + "one\f" + ESC + "E", 1},  // a reset ejects only a marked page
        {ESC + "E" + "one" + ESC + "E" + "two" + ESC + "E", 2},
        {ESC + "E" + "one" + ESC + "&l0O" + "two", 1},                  // the same orientation again changes nothing
        {ESC + "E" + "one" + ESC + "&l1O" + "two", 2},                  // a new orientation ejects the page
        {ESC + "E" + "one" + ESC + "&l26A" + "two", 2},                 // so does any page size
        {ESC + "E" + "one" + ESC + "%-12345X" + ESC + "E" + "two", 2},  // and the universal exit
        {ESC + "E" + "no page here" + std::string(1, '\r'), 1},
        {ESC + "E" + ESC + "&l26A" + ESC + "&l1O", 0},  // nothing marked: no page
        {ESC + "%-1B" + "PU;", 0},                      // an HP-GL/2 section that draws nothing
        {ESC + "%-1B" + "IN;SP1;PD100,100;" + ESC + "%0A" + ESC + "&l1O" + "one", 2},
        {ESC + "E" + ESC + "%0BIN;" + ESC + "%0A" + ESC + "&l1O" + "one", 1},
    };
    for (const Case& c : cases) {
        PageList pages = Convert(c.job);
        EXPECT_EQ(pages.size(), c.pages) << c.job;
        DeletePageFiles(pages);
    }
    // A job of nothing but form feeds stops at the page limit.
    PageList many = Convert(ESC + "E" + std::string(kMaxPclPages + 100, '\f'));
    EXPECT_EQ(many.size(), static_cast<size_t>(kMaxPclPages));
    DeletePageFiles(many);
}

TEST_F(PclPagesTest, APageTakesTheLayoutInForceWhenItIsFirstMarked) {
    // A landscape command after an HP-GL/2 entry that drew nothing: the text prints on a landscape page.
    int32_t w = 0, h = 0;
    Picture(ESC + "E" + ESC + "%0BIN;" + ESC + "%0A" + ESC + "&l1O" + "one", &w, &h);
    EXPECT_GT(w, h);
    // Cursor positions given before the first mark hold on the page it opens: x from the logical
    // page's left edge (71 dots in on A4), y from the top margin (half an inch), as GhostPCL has them.
    Pixels p = Picture(ESC + "E" + ESC + "*p600x900Y" + "H");
    RECT ink = Ink(p);
    EXPECT_NEAR(ink.left, (71 + 600) * 192 / 300, 5);
    EXPECT_NEAR(ink.bottom, (150 + 900) * 192 / 300, 3);
    // The default page is A4, 210 x 297 mm.
    Picture(ESC + "E" + "x", &w, &h);
    EXPECT_EQ(w, 1587);
    EXPECT_EQ(h, 2245);
}

TEST_F(PclPagesTest, PageSizesGiveTheirPictures) {
    struct Case {
        const char* command;
        int32_t width, height;
    } cases[] = {
        {"&l26a0O", 1587, 2245},  // A4
        {"&l2a0O", 1632, 2109},   // Letter: 216 x 279 mm
        {"&l3a0O", 1632, 2691},   // Legal: 216 x 356 mm
        {"&l26a1O", 2245, 1587},  // A4 landscape
    };
    for (const Case& c : cases) {
        int32_t w = 0, h = 0;
        Picture(ESC + "E" + ESC + c.command + "x", &w, &h);
        EXPECT_NEAR(w, c.width, 3) << c.command;
        EXPECT_NEAR(h, c.height, 5) << c.command;
    }
}

TEST_F(PclPagesTest, TextLandsAtTheCursorInItsFont) {
    // Positions as GhostPCL prints this job at 300 dpi: the ink of "HHHH" from x = 72 and down to
    // the baseline at y = 750, the lines below it on baselines 1350 and 1400.
    std::string job = ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + ESC + "(s1p16602T" + ESC + "(s36V" + ESC +
        "*p300x600Y" + "HHHH" + ESC + "(s3T" + ESC + "(s12V" + ESC + "*p300x1200Y" + "Line one\r\nLine two";
    Pixels p = Picture(job);
    ASSERT_EQ(p.width, 1587);
    auto dots = [](int d) { return d * 192 / 300; };
    RECT big = Ink(p, 0, 0, p.width, 600);
    EXPECT_NEAR(big.left, dots(71 + 300), 8);  // H has a small side bearing
    EXPECT_NEAR(big.bottom, dots(750), 3);
    // The height is the em: an Arial (Liberation Sans) H stands 0.69 of it.
    EXPECT_NEAR(big.bottom - big.top, 36 * 192 / 72 * 0.69, 3);
    RECT one = Ink(p, 0, 830, p.width, 866);
    EXPECT_NEAR(one.left, dots(71 + 300), 8);
    EXPECT_NEAR(one.bottom, dots(1350), 3);
    // The line feed moves a sixth of an inch down; the carriage return went back to the left margin.
    RECT two = Ink(p, 0, 870, p.width, 900);
    EXPECT_NEAR(two.left, dots(71), 8);
    EXPECT_NEAR(two.bottom, dots(1400), 3);
    EXPECT_EQ(Files().size(), 2u);  // jobs and the dump
}

TEST_F(PclPagesTest, FontsBeforeThePageApplyToIt) {
    std::string job =
        ESC + "E" + ESC + "(s1p16602T" + ESC + "(s48V" + ESC + "&l26A" + ESC + "&l0O" + ESC + "*p300x600Y" + "H";
    Pixels p = Picture(job);
    RECT h = Ink(p);
    EXPECT_NEAR(h.bottom - h.top, 48 * 192 / 72 * 0.69, 3);
}

TEST_F(PclPagesTest, PjlPageSizeAndJobStateFromJobToJob) {
    // PAPERLENGTH doubled gives the page height in page units: 11880 → 23760, an A4 height.
    std::string job = "\x1B%-12345X@PJL SET PAPERLENGTH=11880\r\n@PJL ENTER LANGUAGE=PCL\r\n" + ESC + "E" + "\fHello";
    int32_t w = 0, h = 0;
    Picture(job, &w, &h);
    EXPECT_EQ(h, 2245);
    // The compression method survives a printer reset but not the end of the job.
    InitPclJob();
    DispatchPclCommand('*', 'b', 'M', nullptr, 0, 2);
    DispatchPclCommand('*', 'v', 'A', nullptr, 0, 200);
    DispatchPclCommand('E', 0, 0, nullptr, 0, 0);
    EXPECT_EQ(Pcl().compressionMethod, 2);
    EXPECT_EQ(Pcl().colourComponents[0], 200);
    FinishPclJob();
    InitPclJob();
    EXPECT_EQ(Pcl().compressionMethod, 0);
    EXPECT_EQ(Pcl().colourComponents[0], 0);
    FinishPclJob();
}
