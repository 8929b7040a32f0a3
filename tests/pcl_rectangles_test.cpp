// PCL5 rectangles and patterns: rules, erasing, shading, cross-hatches and
// user patterns, and text drawn with the current pattern, against GhostPCL.
#include "convert_print_job.h"
#include "pcl_page_state.h"
#include "test_support.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {
const std::string ESC = "\x1B";

// How much ink covers a rectangle given in 300-dpi dots of an A4 page pictured at 192 dpi:
// 0 paper, 1 black, a grey pixel counting as its share of black (dots finer than pixels are grey).
double InkCoverage(const Pixels& p, int x0, int y0, int x1, int y1) {
    auto px = [](int dots) { return dots * 192 / 300; };
    double ink = 0;
    int n = 0;
    for (int y = px(y0); y < px(y1); ++y)
        for (int x = px(x0); x < px(x1); ++x, ++n) {
            uint32_t c = p.at(x, y);
            ink += 1 - (0.3 * (c >> 16 & 0xFF) + 0.59 * (c >> 8 & 0xFF) + 0.11 * (c & 0xFF)) / 255;
        }
    return n ? ink / n : 0;
}
}  // namespace

class PclRectanglesTest : public TempDirTest {};

TEST_F(PclRectanglesTest, AFormOfRulesShadesAndPatternsLooksAsGhostPclPrintsIt) {
    fs::path data = fs::path(SPOOLSIGHT_TEST_DATA) / "pcl-graphics";
    Bytes job = ReadFileBytes((data / "rules.pcl").string());
    Pixels ours = LoadPicture(Write("rules.pcl", job)), theirs;
    ASSERT_TRUE(ReadPng((data / "rules-1.gpcl6.png").string(), theirs));
    CoarseMatch m = CompareCoarse(ours, theirs);
    std::printf("rules: match %.3f, ink %.2f\n", m.match, m.ink);
    EXPECT_GE(m.match, 0.9);
    EXPECT_GT(m.ink, 0.8);
    EXPECT_LT(m.ink, 1.25);
    // Positions are dots from the logical page (71 dots in on A4) and the top margin (150 dots down).
    const int left = 71, top = 150;
    EXPECT_GT(InkCoverage(ours, left + 900, top + 120, left + 1100, top + 190), 0.95);  // the heading bar
    EXPECT_LT(InkCoverage(ours, left + 420, top + 110, left + 680, top + 150), 0.05);   // erased in it
    EXPECT_LT(InkCoverage(ours, left + 300, top + 300, left + 1900, top + 650), 0.01);  // the box's inside
    // Shading levels as printers have them: 10% is 3% ink, 55% is 44%, 100% is black.
    EXPECT_NEAR(InkCoverage(ours, left + 370, top + 920, left + 530, top + 1080), 0.031, 0.03);
    EXPECT_NEAR(InkCoverage(ours, left + 1120, top + 920, left + 1280, top + 1080), 0.44, 0.08);
    EXPECT_GT(InkCoverage(ours, left + 1870, top + 920, left + 2030, top + 1080), 0.95);
    // A horizontal hatch has rows of ink and rows of paper; the user pattern is a half-tone.
    EXPECT_NEAR(InkCoverage(ours, left + 120, top + 1220, left + 380, top + 1480), 0.125, 0.06);
    EXPECT_NEAR(InkCoverage(ours, left + 120, top + 1620, left + 680, top + 1880), 0.5, 0.1);
    // White text under the default transparent pattern marks nothing: the bar stays black under it.
    EXPECT_GT(InkCoverage(ours, left + 160, top + 130, left + 380, top + 170), 0.9);
    // Rectangles of no size or of an unknown fill draw nothing.
    EXPECT_LT(InkCoverage(ours, left + 90, top + 2090, left + 280, top + 2420), 0.01);
    // A rectangle in print direction 90 runs up the page from the cursor: 100 dots across, 600 up.
    EXPECT_GT(InkCoverage(ours, left + 310, 3508 - 1090, left + 390, 3508 - 520), 0.95);
}

TEST_F(PclRectanglesTest, BadSizesAndPatternsDrawNothing) {
    auto pages = [&](const std::string& job) {
        PageList list = Convert(Bytes(job.begin(), job.end()), "bad.pcl");
        size_t n = list.size();
        DeletePageFiles(list);
        return n;
    };
    EXPECT_EQ(pages(ESC + "E" + ESC + "*c0a100b0P" + ESC + "*c-5a100b0P" + ESC + "*c100a100b6P"), 0u);
    EXPECT_EQ(pages(ESC + "E" + ESC + "*c100a100b9g3P" + ESC + "*c100a100b77g4P"),
              0u);  // no such hatch, no such pattern
    // Huge rectangles are kept on the page.
    EXPECT_EQ(pages(ESC + "E" + ESC + "*c99999999a99999999b0P"), 1u);
    InitPclJob();
    // A pattern header larger than allowed, or cut short, is refused; data short of its rows leaves them white.
    std::string huge = std::string("W\0\0\1\0\x7F\xFF\x7F\xFF", 9);
    EXPECT_FALSE(DispatchPclCommand('*', 'c', 'W', reinterpret_cast<const uint8_t*>(huge.data()), 8, 8));
    std::string cut = std::string("W\0\0\1", 4);
    EXPECT_FALSE(DispatchPclCommand('*', 'c', 'W', reinterpret_cast<const uint8_t*>(cut.data()), 3, 3));
    std::string shortData = std::string("W\0\0\1\0\0\x10\0\x10\xFF", 10);
    EXPECT_TRUE(DispatchPclCommand('*', 'c', 'W', reinterpret_cast<const uint8_t*>(shortData.data()), 9, 9));
    ASSERT_EQ(Pcl().patterns.count(0), 1u);
    EXPECT_EQ(Pcl().patterns[0].bits.size(), 16u * 4);
    EXPECT_EQ(Pcl().patterns[0].bits[0], 0xFF);
    EXPECT_EQ(Pcl().patterns[0].bits[4], 0);
    // Colour patterns hold 1- or 8-bit indexes, one byte a dot; other depths are refused.
    std::string fourBits = std::string("W\1\0\4\0\0\x02\0\x02\xFF", 10);
    EXPECT_FALSE(DispatchPclCommand('*', 'c', 'W', reinterpret_cast<const uint8_t*>(fourBits.data()), 9, 9));
    std::string oneBit = std::string("W\1\0\1\0\0\x02\0\x0A\xC0\x40", 11);
    EXPECT_TRUE(DispatchPclCommand('*', 'c', 'W', reinterpret_cast<const uint8_t*>(oneBit.data()), 10, 10));
    EXPECT_EQ(Pcl().patterns[0].bits, (std::vector<uint8_t>{1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0,
                                                            0, 0, 0, 0, 0, 0, 0, 0, 0}));  // the second row is missing
    DispatchPclCommand('*', 'c', 'Q', nullptr, 0, 0);
    EXPECT_TRUE(Pcl().patterns.empty());
    FinishPclJob();
}

TEST_F(PclRectanglesTest, MacrosRunWhereTheyAreCalledAndOverlayEveryPage) {
    // Macro 5 draws a rule at the cursor; macro 7, the overlay, a bar across each page's top.
    std::string rule = ESC + "&f5Y" + ESC + "&f0X" + ESC + "*c600a20b0P" + ESC + "&f1X";
    std::string bar = ESC + "&f7Y" + ESC + "&f0X" + ESC + "*p0x0Y" + ESC + "*c2000a60b0P" + ESC + "&f1X";
    std::string job = ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + rule + bar + ESC + "&f7Y" + ESC + "&f4X" + ESC +
        "&f5Y" + ESC + "*p100x500Y" + ESC + "&f2X" + ESC + "*p100x900Y" + ESC + "&f3X" + "page one\f" + "page two";
    PageList pages = Convert(Bytes(job.begin(), job.end()), "macro.pcl");
    ASSERT_EQ(pages.size(), 2u);
    const int left = 71, top = 150;
    for (size_t i = 0; i < pages.size(); ++i) {
        Pixels p = PlayOnto(ReadFileBytes(pages[i]), 1587, 2245);
        EXPECT_GT(InkCoverage(p, left + 100, top + 10, left + 1900, top + 50), 0.95) << "overlay on page " << i + 1;
        bool first = i == 0;
        EXPECT_EQ(InkCoverage(p, left + 150, top + 505, left + 650, top + 515) > 0.95, first)
            << i;  // the executed rule
        EXPECT_EQ(InkCoverage(p, left + 150, top + 905, left + 650, top + 915) > 0.95, first) << i;  // the called one
    }
    DeletePageFiles(pages);
    // A macro that runs itself stops at the depth printers allow; one never ended takes the rest of the job.
    for (const std::string& bad :
         {ESC + "E" + ESC + "&f1Y" + ESC + "&f0X" + ESC + "&f2Xx" + ESC + "&f1X" + ESC + "&f2X",
          ESC + "E" + ESC + "&f0X" + "text that is never printed"}) {
        PageList list = Convert(Bytes(bad.begin(), bad.end()), "bad.pcl");
        EXPECT_LE(list.size(), 1u);
        DeletePageFiles(list);
    }
}

TEST(PclLogicalOperations, ImagesFillsAndTextCombineAsTheJobSays) {
    InitPclJob();
    PclPageState& s = Pcl();
    // The defaults: images print their black and leave the page under their white; fills likewise.
    EXPECT_EQ(PclImageRop(), static_cast<DWORD>(SRCAND));
    EXPECT_EQ(PclPatternRop(), static_cast<DWORD>(SRCAND));
    EXPECT_EQ(PclFillRop(), static_cast<DWORD>(PATCOPY));
    DispatchPclCommand('*', 'v', 'N', nullptr, 0, 1);  // opaque source: white prints too
    EXPECT_EQ(PclImageRop(), static_cast<DWORD>(SRCCOPY));
    DispatchPclCommand('*', 'v', 'O', nullptr, 0, 1);
    EXPECT_EQ(PclPatternRop(), static_cast<DWORD>(SRCCOPY));
    // An inverted source (51) turns black glyphs white; XOR with the page (102) inverts under the image.
    DispatchPclCommand('*', 'l', 'O', nullptr, 0, 51);
    EXPECT_EQ(PclTextColour(), 0xFFFFFFu);
    EXPECT_FALSE(PclTextInvisible());
    DispatchPclCommand('*', 'l', 'O', nullptr, 0, 102);
    EXPECT_EQ(PclImageRop() >> 16, 0x66u);
    // An operation that keeps the page (170) leaves text unprinted; values past 255 are refused.
    DispatchPclCommand('*', 'l', 'O', nullptr, 0, 170);
    EXPECT_TRUE(PclTextInvisible());
    DispatchPclCommand('*', 'l', 'O', nullptr, 0, 999);
    EXPECT_EQ(s.logicalOperation, 170);
    DispatchPclCommand('E', 0, 0, nullptr, 0, 0);
    EXPECT_EQ(s.logicalOperation, 252);
    FinishPclJob();
}

TEST_F(PclRectanglesTest, PatternsTileFromTheReferencePoint) {
    // A 16-dot pattern black in its top-left quarter fills a rectangle at an odd place: tiled from
    // the cursor (ESC*p0R, ESC*p1R), the rectangle's own corner is black, as a solid fill's is.
    std::string pattern = std::string("\0\0\1\0\0\x10\0\x10", 8);
    for (int row = 0; row < 16; ++row) pattern += row < 8 ? std::string("\xFF\0", 2) : std::string("\0\0", 2);
    auto picture = [&](const std::string& fill) {
        std::string job = ESC + "E" + ESC + "*c7G" + ESC + "*c40W" + pattern + ESC + "*p111x111Y" + fill + ESC + "E";
        return LoadPicture(Write("reference.pcl", Bytes(job.begin(), job.end())));
    };
    RECT solid = InkBox(picture(ESC + "*c64a64b0P"), 100);
    auto cornerInk = [&](const Pixels& p) {
        return 1 - p.Share(solid.left, solid.top, solid.left + 4, solid.top + 4, 0xFFFFFF, 127);
    };
    for (const char* mode : {"*p0R", "*p1R"}) {
        Pixels p = picture(ESC + mode + ESC + "*c64a64b7g4P");
        RECT tiled = InkBox(p, 100);
        EXPECT_NEAR(tiled.left, solid.left, 1) << mode;  // to the pixel, as positions round
        EXPECT_NEAR(tiled.top, solid.top, 1) << mode;
        EXPECT_GT(cornerInk(p), 0.7) << mode;
    }
    // Tiled from the page's corner instead, the pattern starts part-way into its tile.
    EXPECT_LT(cornerInk(picture(ESC + "*c64a64b7g4P")), 0.7);
}

// Figures filled through a pattern brush (HP-GL/2's FT22 here; screened lines and text in patterns
// too) keep the pattern's size and step across the whole page, within a few pixels, although its
// period is no whole number of pixels: 16 dots at 300 dpi are 10.24 pixels at 192 dpi.
TEST_F(PclRectanglesTest, PatternBrushesKeepTheirStepAcrossThePage) {
    std::string pattern = std::string("\0\0\1\0\0\x10\0\x10", 8);
    for (int row = 0; row < 16; ++row) pattern += row < 8 ? std::string("\xFF\xFF", 2) : std::string("\0\0", 2);
    std::string job = ESC + "E" + ESC + "&l26A" + ESC + "*c7G" + ESC + "*c40W" + pattern + ESC +
        "%0BIN;FT22,7;PA0,0;RR30000,30000;" + ESC + "%0A" + ESC + "E";
    Pixels p = LoadPicture(Write("bands.pcl", Bytes(job.begin(), job.end())));
    // Where the bands turn black down one column: each a whole number of periods from the first.
    const double period = 16 * 192 / 300.0;
    std::vector<int> edges;
    for (int y = 200; y < p.height - 200; ++y)
        if (p.at(300, y) < 0x808080 && p.at(300, y - 1) >= 0x808080) edges.push_back(y);
    ASSERT_GT(edges.size(), 150u);
    for (int e : edges) {
        double periods = (e - edges.front()) / period;
        EXPECT_NEAR(periods, std::round(periods), 0.3) << e;  // laid alone, each period would lose a quarter pixel
    }
}

TEST_F(PclRectanglesTest, ColourPatternsTakeThePalettesColours) {
    // A 16-dot colour pattern of palette indexes in simple RGB colour: red and blue quarters
    // and two white ones, over a black rule that covers the left half of the fill.
    std::string pattern = std::string("\1\0\x08\0\0\x10\0\x10", 8);
    for (int row = 0; row < 16; ++row)
        for (int col = 0; col < 16; ++col)
            pattern += static_cast<char>(row < 8 ? (col < 8 ? 1 : 7) : (col < 8 ? 7 : 4));
    auto picture = [&](const std::string& transparency) {
        std::string job = ESC + "E" + ESC + "*r3U" + ESC + "*p300x300Y" + ESC + "*c150a300b0P" + ESC + "*c5G" + ESC +
            "*c" + std::to_string(pattern.size()) + "W" + pattern + transparency + ESC + "*c300a300b5g4P" + ESC + "E";
        return LoadPicture(Write("colour.pcl", Bytes(job.begin(), job.end())));
    };
    Pixels p = picture("");
    RECT box = InkBox(p, 100);
    int mid = (box.left + box.right) / 2;
    auto share = [&](const Pixels& q, int x0, int x1, uint32_t rgb) {
        return q.Share(x0, box.top, x1, box.bottom, rgb, 60);
    };
    // Each colour covers about a quarter; the white quarters are paper on the right and, the
    // pattern being transparent, the rule's black on the left.
    for (uint32_t colour : {0xFF0000u, 0x0000FFu}) {
        EXPECT_NEAR(share(p, box.left, box.right, colour), 0.25, 0.1) << std::hex << colour;
    }
    EXPECT_NEAR(share(p, box.left, mid, 0x000000), 0.5, 0.15);
    EXPECT_NEAR(share(p, mid, box.right, 0xFFFFFF), 0.5, 0.15);
    // An opaque pattern paints its white over the rule.
    Pixels opaque = picture(ESC + "*v1O");
    EXPECT_LT(share(opaque, box.left, mid, 0x000000), 0.05);
    EXPECT_NEAR(share(opaque, box.left, mid, 0xFFFFFF), 0.5, 0.15);
}
