// PCL5 text as printers print it: the flow of text through control codes,
// margins and motion indexes, fonts and symbol sets, pages that text runs
// off, each against GhostPCL's picture of the same job.
#include "convert_print_job.h"
#include "pcl_page_state.h"
#include "pcl_symbol_sets.h"
#include "test_support.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {
const std::string ESC = "\x1B";

void run(const std::string& bytes) {
    for (unsigned char c : bytes) PrintPclCharacter(c);
}
}  // namespace

class PclTextTest : public TempDirTest {};

// Our own jobs (tests/data/pcl-text) beside GhostPCL's 96 dpi pictures of them.
TEST_F(PclTextTest, OwnJobsLookAsGhostPclPrintsThem) {
    fs::path data = fs::path(SPOOLSIGHT_TEST_DATA) / "pcl-text";
    for (const char* file : {"plain.pcl", "layout.pcl", "fonts.pcl", "symbol-sets.pcl", "overflow.pcl",
                             "directions.pcl", "tex-portrait.pcl", "tex-landscape.pcl", "plain-text.txt",
                             "symbol-sets-2.pcl", "pattern-text.pcl", "word-processor.pcl", "patterned-text.pcl"}) {
        std::string name = fs::path(file).stem().string();
        Bytes job = ReadFileBytes((data / file).string());
        Pixels ours = LoadPicture(Write(file, job)), theirs;
        ASSERT_TRUE(ReadPng((data / (name + "-1.gpcl6.png")).string(), theirs)) << name;
        CoarseMatch m = CompareCoarse(ours, theirs);
        std::printf("%s: match %.3f, ink %.2f\n", name.c_str(), m.match, m.ink);
        // Text in patterns: our hatches lie a few dots apart from GhostPCL's.
        EXPECT_GE(m.match, name == "patterned-text" ? 0.85 : 0.9) << name;
        EXPECT_GT(m.ink, 0.8) << name;
        EXPECT_LT(m.ink, 1.25) << name;
        size_t pages = 0;
        while (fs::exists(data / (name + "-" + std::to_string(pages + 1) + ".gpcl6.png"))) ++pages;
        PageList ourPages = Convert(job, file);
        EXPECT_EQ(ourPages.size(), pages) << name;  // GhostPCL prints every page it has a picture of
        DeletePageFiles(ourPages);
    }
}

// GhostPCL's own examples of text flow, fonts, relative moves, rectangles and patterns, on the
// Letter page GhostPCL gives a job that names none.
TEST_F(PclTextTest, GhostPclExamplesLookAsGhostPclPrintsThem) {
    fs::path corpus = SPOOLSIGHT_CORPUS;
    if (!fs::is_directory(corpus / "ref")) GTEST_SKIP() << "no example corpus at " << corpus;
    for (const char* name : {"lineprinter.pcl", "fonts.pcl", "owl.pcl", "opaque.pcl", "fills.pcl", "pattern.pcl"}) {
        std::string pjl = "@PJL SET PAPER=LETTER\r\n";
        Bytes job(pjl.begin(), pjl.end()), body = ReadFileBytes((corpus / name).string());
        job.insert(job.end(), body.begin(), body.end());
        Pixels ours = LoadPicture(Write("example.pcl", job)), theirs;
        ASSERT_TRUE(ReadPng((corpus / "ref" / (std::string(name) + ".png")).string(), theirs));
        CoarseMatch m = CompareCoarse(ours, theirs);
        std::printf("%s: match %.3f, ink %.2f\n", name, m.match, m.ink);
        EXPECT_GE(m.match, 0.9) << name;
        EXPECT_GT(m.ink, 0.8) << name;
        EXPECT_LT(m.ink, 1.25) << name;
    }
}

// The PostScript sets (PostScript's standard and Symbol encodings) and the Macintosh set.
TEST(PclSymbolSets, PostScriptAndMacintoshSets) {
    const SymbolSet& psText = FindSymbolSet(SymbolSetId(10, 'J'));
    ASSERT_TRUE(KnownSymbolSet(psText.id));
    EXPECT_EQ(psText.chars[0x27], u'\u2019');                              // quoteright
    EXPECT_EQ(psText.chars[0xAE], u'\uFB01');                              // fi
    EXPECT_EQ(psText.chars[0xE9], u'\u00D8');                              // Oslash
    EXPECT_EQ(psText.chars[0xA0], 0);                                      // no character there
    EXPECT_EQ(FindSymbolSet(SymbolSetId(5, 'M')).chars[0x61], u'\u03B1');  // alpha
    EXPECT_EQ(FindSymbolSet(SymbolSetId(12, 'J')).chars[0x80], u'\u00C4');
    EXPECT_EQ(FindSymbolSet(SymbolSetId(12, 'J')).chars[0xAA], u'\u2122');  // trademark
}

TEST(PclTextFlow, ControlCodesMoveTheCursor) {
    InitPclJob();
    PclPageState& s = Pcl();
    const double line = 2032 / 6.0, column = 203.2;
    double first = 1016 + 0.75 * line;  // the first line below the half-inch top margin
    EXPECT_DOUBLE_EQ(s.cursorY, first);
    run("ab\tc");
    EXPECT_NEAR(s.cursorX, 9 * column, 1e-6);  // the tab stop after eight columns, then one character
    run("\b");
    EXPECT_NEAR(s.cursorX, 8 * column, 1e-6);
    run("\r\n\n");
    EXPECT_EQ(s.cursorX, 0);
    EXPECT_NEAR(s.cursorY, first + 2 * line, 1e-6);
    // Line termination 2: a line feed also returns the carriage; 1: a return also feeds a line.
    DispatchPclCommand('&', 'k', 'G', nullptr, 0, 2);
    run("xy\n");
    EXPECT_EQ(s.cursorX, 0);
    DispatchPclCommand('&', 'k', 'G', nullptr, 0, 1);
    double y = s.cursorY;
    run("\r");
    EXPECT_NEAR(s.cursorY, y + line, 1e-6);
    DispatchPclCommand('&', 'k', 'G', nullptr, 0, 0);
    // A half-line feed, a VMI of 12/48 inch, a lines-per-inch of 8.
    y = s.cursorY;
    DispatchPclCommand('=', 0, 0, nullptr, 0, 0);
    EXPECT_NEAR(s.cursorY, y + line / 2, 1e-6);
    DispatchPclCommand('&', 'l', 'C', nullptr, 0, 12);
    EXPECT_NEAR(s.vmi, 508, 1e-6);
    DispatchPclCommand('&', 'l', 'D', nullptr, 0, 8);
    EXPECT_NEAR(s.vmi, 254, 1e-6);
    DispatchPclCommand('&', 'l', 'D', nullptr, 0, 7);  // not a spacing printers take
    EXPECT_NEAR(s.vmi, 254, 1e-6);
    // Rows and columns count from the top margin's first line and the left edge.
    DispatchPclCommand('&', 'a', 'R', nullptr, 0, 2);
    EXPECT_NEAR(s.cursorY, 1016 + 0.75 * 254 + 2 * 254, 1e-6);
    DispatchPclCommand('&', 'k', 'H', nullptr, 0, 12);  // 12/120 inch
    DispatchPclCommand('&', 'a', 'C', nullptr, 0, 10);
    EXPECT_NEAR(s.cursorX, 2032, 1e-6);
    DispatchPclCommand('&', 'a', 'C', nullptr, 0, -3, true);
    EXPECT_NEAR(s.cursorX, 7 * 203.2, 1e-6);
    FinishPclJob();
}

TEST(PclTextFlow, MarginsAndBadLayoutValues) {
    InitPclJob();
    PclPageState& s = Pcl();
    DispatchPclCommand('&', 'a', 'L', nullptr, 0, 10);
    EXPECT_NEAR(s.leftMargin, 2032, 1e-6);
    EXPECT_NEAR(s.cursorX, 2032, 1e-6);                // the cursor moves onto a margin it was left of
    DispatchPclCommand('&', 'a', 'M', nullptr, 0, 5);  // a right margin left of the left one
    EXPECT_NEAR(s.rightMargin, LogicalPageWidth(), 1e-6);
    DispatchPclCommand('&', 'a', 'M', nullptr, 0, 29);
    EXPECT_NEAR(s.rightMargin, 30 * 203.2, 1e-6);
    DispatchPclCommand('&', 'a', 'L', nullptr, 0, 40);  // past the right margin: ignored
    EXPECT_NEAR(s.leftMargin, 2032, 1e-6);
    DispatchPclCommand('&', 'a', 'M', nullptr, 0, 100000);
    EXPECT_NEAR(s.rightMargin, LogicalPageWidth(), 1e-6);
    DispatchPclCommand('9', 0, 0, nullptr, 0, 0);
    EXPECT_EQ(s.leftMargin, 0);
    // Motion indexes of zero hold the cursor; negative ones are ignored.
    DispatchPclCommand('&', 'k', 'H', nullptr, 0, -5);
    EXPECT_NEAR(s.hmi, 203.2, 1e-6);
    DispatchPclCommand('&', 'k', 'H', nullptr, 0, 0);
    double x = s.cursorX;
    run("abc\t");
    EXPECT_EQ(s.cursorX, x);
    DispatchPclCommand('&', 'l', 'C', nullptr, 0, -1);
    EXPECT_NEAR(s.vmi, 2032 / 6.0, 1e-6);
    // Text lengths of zero or past the page are ignored; a top margin resets the length.
    double length = s.textLength;
    DispatchPclCommand('&', 'l', 'F', nullptr, 0, 0);
    DispatchPclCommand('&', 'l', 'F', nullptr, 0, 500);
    EXPECT_EQ(s.textLength, length);
    DispatchPclCommand('&', 'l', 'E', nullptr, 0, 3);
    EXPECT_NEAR(s.topMargin, 3 * 2032 / 6.0, 1e-6);
    EXPECT_NEAR(s.textLength, 23760 - 3 * 2032 / 6.0 - 1016, 1e-6);
    // The cursor stack is bounded: pushes past its depth are dropped, pops of an empty stack do nothing.
    for (int i = 0; i < 100; ++i) DispatchPclCommand('&', 'f', 'S', nullptr, 0, 0);
    EXPECT_EQ(s.cursorStack.size(), kMaxCursorStack);
    for (int i = 0; i < 100; ++i) DispatchPclCommand('&', 'f', 'S', nullptr, 0, 1);
    EXPECT_TRUE(s.cursorStack.empty());
    FinishPclJob();
}

TEST(PclTextFlow, PrintDirectionTurnsTheFrameAndKeepsTheCursorOnThePage) {
    InitPclJob();
    PclPageState& s = Pcl();
    DispatchPclCommand('&', 'l', 'A', nullptr, 0, 2);  // Letter: the logical page 75 dots in
    const double dot = 2032 / 300.0;
    DispatchPclCommand('*', 'p', 'X', nullptr, 0, 300);
    DispatchPclCommand('*', 'p', 'Y', nullptr, 0, 300);
    PagePoint before = PclPagePoint(s.cursorX, s.cursorY);
    EXPECT_NEAR(before.x, 375 * dot, 1e-6);
    EXPECT_NEAR(before.y, 450 * dot, 1e-6);
    for (int direction : {90, 180, 270, 0}) {
        DispatchPclCommand('&', 'a', 'P', nullptr, 0, direction);
        PagePoint now = PclPagePoint(s.cursorX, s.cursorY);
        EXPECT_NEAR(now.x, before.x, 1e-6) << direction;
        EXPECT_NEAR(now.y, before.y, 1e-6) << direction;
    }
    // Where GhostPCL puts *p300x300Y in each direction, in dots on the Letter page.
    struct Case {
        int direction;
        double x, y;
    } cases[] = {{90, 375, 3000}, {180, 2175, 2850}, {270, 2175, 300}};
    for (const Case& c : cases) {
        DispatchPclCommand('&', 'a', 'P', nullptr, 0, c.direction);
        DispatchPclCommand('*', 'p', 'X', nullptr, 0, 300);
        DispatchPclCommand('*', 'p', 'Y', nullptr, 0, 300);
        PagePoint p = PclPagePoint(s.cursorX, s.cursorY);
        EXPECT_NEAR(p.x / dot, c.x, 0.5) << c.direction;
        EXPECT_NEAR(p.y / dot, c.y, 0.5) << c.direction;
        EXPECT_EQ(ChosenPclFont().lf.lfEscapement, c.direction * 10);
    }
    DispatchPclCommand('&', 'a', 'P', nullptr, 0, 45);  // not a direction
    EXPECT_EQ(s.printDirection, 270);
    DispatchPclCommand('&', 'l', 'O', nullptr, 0, 1);  // a new orientation starts upright
    EXPECT_EQ(s.printDirection, 0);
    FinishPclJob();
}

TEST_F(PclTextTest, TextPastTheTextAreaGoesOnTheNextPage) {
    // 70 lines at six per inch pass the bottom of an A4 text area (64 lines): two pages.
    std::string job = ESC + "E";
    for (int i = 0; i < 70; ++i) job += "line " + std::to_string(i) + "\r\n";
    PageList pages = Convert(Bytes(job.begin(), job.end()));
    EXPECT_EQ(pages.size(), 2u);
    DeletePageFiles(pages);
    // With end-of-line wrap a long line breaks at the right margin instead of running off the page.
    std::string wrapped = ESC + "E" + ESC + "&s0C" + std::string(300, 'x');
    Pixels p = LoadPicture(Write("wrap.pcl", Bytes(wrapped.begin(), wrapped.end())));
    EXPECT_LT(p.Share(0, 150, p.width, 175, 0xFFFFFF, 60), 0.97);  // three lines of x
    EXPECT_LT(p.Share(0, 190, p.width, 215, 0xFFFFFF, 60), 0.97);
    // Endless line feeds on an unmarked page make no pages at all; after text, the page limit holds.
    std::string feeds = ESC + "E" + std::string(200000, '\n');
    PageList none = Convert(Bytes(feeds.begin(), feeds.end()));
    EXPECT_TRUE(none.empty());
    std::string many = ESC + "E";
    for (int i = 0; i < 2000; ++i) many += "x\r" + std::string(70, '\n');
    PageList limited = Convert(Bytes(many.begin(), many.end()));
    EXPECT_GT(limited.size(), 1000u);
    EXPECT_LE(limited.size(), static_cast<size_t>(kMaxPclPages));
    DeletePageFiles(limited);
}

TEST_F(PclTextTest, PjlPaperAndOrientationAreTheJobsDefaults) {
    auto size = [&](const std::string& job) {
        Pixels p = LoadPicture(Write("pjl.pcl", Bytes(job.begin(), job.end())));
        return std::pair{p.width, p.height};
    };
    std::string letter =
        "\x1B%-12345X@PJL SET PAPER=LETTER\r\n@PJL SET ORIENTATION=LANDSCAPE\r\n@PJL ENTER LANGUAGE=PCL\r\n";
    EXPECT_EQ(size(letter + ESC + "Etext"), (std::pair{2111, 1631}));
    // A reset returns to the job's own orientation; a job's own page size still wins.
    EXPECT_EQ(size(letter + ESC + "E" + ESC + "&l0O" + ESC + "Etext"), (std::pair{2111, 1631}));
    EXPECT_EQ(size(letter + ESC + "E" + ESC + "&l26A" + ESC + "&l0Otext"), (std::pair{1587, 2245}));
    EXPECT_EQ(size("@PJL SET PAPER=NOSUCHPAPER\r\n" + ESC + "Etext"), (std::pair{1587, 2245}));
}
