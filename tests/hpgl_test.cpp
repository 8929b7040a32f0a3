// HP-GL/2 plots end to end: plot files and PCL5 jobs in, pictures out, with
// mapping, pens, lines, fills, curves and labels checked by pixel probes, and
// GNU plotutils' own plots compared with its PNG rendering.
#include "convert_print_job.h"
#include "hpgl_params.h"
#include "pcl_symbol_sets.h"
#include "test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
// A plot file alone lands on an A4 page: 16800 x 23760 page units, 1587 x 2245 pixels.
constexpr double kScale = 1587.0 / 16800;
int X(double units) { return static_cast<int>(std::lround(units * kScale)); }
int Y(double units) { return 2245 - static_cast<int>(std::lround(units * kScale)); }
bool Ink(const Pixels& p, int x, int y) { return !Near(p.at(x, y), 0xFFFFFF, 60); }

// Ink pixels of a picture region, downsampled onto a w x h grid.
std::vector<bool> InkGrid(const Pixels& p, double x0, double y0, double x1, double y1, int w, int h) {
    std::vector<bool> g(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int ax = static_cast<int>(x0 + (x1 - x0) * x / w), bx = static_cast<int>(x0 + (x1 - x0) * (x + 1) / w);
            int ay = static_cast<int>(y0 + (y1 - y0) * y / h), by = static_cast<int>(y0 + (y1 - y0) * (y + 1) / h);
            bool ink = false;
            for (int yy = ay; yy <= by && !ink; ++yy)
                for (int xx = ax; xx <= bx && !ink; ++xx)
                    ink = xx >= 0 && yy >= 0 && xx < p.width && yy < p.height && Ink(p, xx, yy);
            g[static_cast<size_t>(y) * w + x] = ink;
        }
    return g;
}

// A number as PE encodes it: sign in the lowest bit, base-64 (or base-32)
// digits from 63, least significant first, the last one from 191 (or 95).
std::string EncodePe(int v, bool sevenBit) {
    int base = sevenBit ? 32 : 64, terminator = sevenBit ? 95 : 191;
    int u = v >= 0 ? 2 * v : -2 * v + 1;
    std::string out;
    while (u >= base) {
        out.push_back(static_cast<char>(63 + u % base));
        u /= base;
    }
    out.push_back(static_cast<char>(terminator + u));
    return out;
}

// How much of each grid's ink has ink of the other within `reach` cells: the smaller of the two shares.
double InkAgreement(const std::vector<bool>& a, const std::vector<bool>& b, int w, int h, int reach) {
    return CellAgreement(
        w, h, reach, 0.0, [&](bool second, size_t i) { return (second ? b : a)[i]; },
        [&](bool second, size_t, size_t j) { return bool((second ? a : b)[j]); });
}
}  // namespace

class HpglTest : public TempDirTest {
protected:
    Pixels Plot(const std::string& commands) {
        return LoadPicture(Write("plot.hpgl", Bytes(commands.begin(), commands.end())));
    }
};

TEST(HpglParameters, NumbersSeparatorsAndLimits) {
    auto read = [](const std::string& t, bool cut = false) {
        return ReadNumericParams(reinterpret_cast<const uint8_t*>(t.data()), t.size(), cut);
    };
    HpglParams p = read("10 20,2.5,-3;");
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0], 10);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 2.5);
    EXPECT_EQ(p[3], -3);
    EXPECT_EQ(read("5-6;").size(), 2u);       // a sign starts the next number
    EXPECT_EQ(read(",7;").size(), 2u);        // an empty number is 0
    EXPECT_EQ(read("1,2").size(), 2u);        // the next command ends the list
    EXPECT_EQ(read("1,2", true).size(), 1u);  // the data ends inside it
    EXPECT_EQ(read("99999999999999999999;")[0], kHpglNumberLimit);
    EXPECT_EQ(read("-1e5;")[0], -1);
}

TEST_F(HpglTest, MappingScalingAndRelativeMoves) {
    // Scaling off: PA100,200 is page units (200, 400); a line from there to (2200, 400).
    Pixels p = Plot("IN;SP1;PW1;PA100,200;PD1100,200;PU;");
    ASSERT_GT(p.width, 0);
    EXPECT_TRUE(Ink(p, X(1200), Y(400)));
    EXPECT_FALSE(Ink(p, X(1200), Y(1400)));
    // SC maps user units exactly, even when the user span exceeds the plotter span.
    p = Plot("IN;IP0,0,1000,1000;SC0,3000,0,3000;SP1;PW1;PA1500,0;PD1500,3000;PU;");
    EXPECT_TRUE(Ink(p, X(1000), Y(1000)));
    EXPECT_FALSE(Ink(p, X(200), Y(1000)));
    // Relative moves are displacements: PR after SC with an offset window.
    p = Plot("IN;IP0,0,1000,1000;SC100,200,100,200;SP1;PW1;PA150,150;PD;PR0,20;PU;");
    EXPECT_TRUE(Ink(p, X(1000), Y(1200)));  // from (1000, 1000) up 400 page units
    EXPECT_FALSE(Ink(p, X(1000), Y(2500)));
    // Isotropic scaling takes the smaller factor.
    p = Plot("IN;IP0,0,4000,2000;SC0,100,0,100,1;SP1;PW1;PA100,0;PD100,100;PU;");
    EXPECT_TRUE(Ink(p, X(4000), Y(2000)));
    EXPECT_FALSE(Ink(p, X(8000), Y(2000)));
}

TEST_F(HpglTest, PlotsInEveryDialectDrawAlike) {
    // One line, 1000 to 5000 plotter units along y = 1000, written as drivers, CAD programs and instruments write it.
    const std::string ESC = "\x1B";
    Pixels plain = Plot("IN;SP1;PA1000,1000;PD5000,1000;PU;");
    ASSERT_EQ(plain.width, 1587);
    EXPECT_TRUE(Ink(plain, X(6000), Y(2000)));
    EXPECT_FALSE(Ink(plain, X(6000), Y(4000)));
    for (const std::string& plot : {
             ESC + ".(;" + ESC + ".I81;;17:" + ESC + ".N;19:IN;SP1;PA1000,1000;PD5000,1000;PU;" + ESC + ".)",
             std::string("\x03") + "IN;SP1;PA1000,1000;PD5000,1000;PU;",
             std::string(200, '\0') + "IN;SP1;PA1000,1000;PD5000,1000;PU;",
             std::string("INSP1PA1000,1000PD5000,1000PU"),
             std::string("IN\r\nSP 1\r\nPA 1000 1000\r\nPD 5000 1000\r\nPU\r\n"),
             std::string("in;sp1;pa1000,1000;pd5000,1000;pu;"),
             ESC + "%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=HPGL2\r\nIN;SP1;PA1000,1000;PD5000,1000;PU;" + ESC +
                 "%-12345X",
             std::string("DF;CA5;CS0;SP1;PA1000,1000;PD5000,1000;PU;"),
             std::string("IN;WDPA0,0;PD9000,9000;\x03SP1;PA1000,1000;PD5000,1000;PU;"),  // a display message
         }) {
        Pixels p = Plot(plot);
        ASSERT_EQ(p.width, plain.width) << plot;
        EXPECT_TRUE(p.px == plain.px) << plot;
    }
    // An HP-GL/2 entry at the start is a PCL5 job: the line is drawn on the printer's page.
    Pixels inPcl = Plot(ESC + ".(" + ESC + "%-1BIN;SP1;PA1000,1000;PD5000,1000;PU;");
    ASSERT_GT(inPcl.width, 0);
    EXPECT_LT(inPcl.Share(0, 0, inPcl.width, inPcl.height, 0xFFFFFF, 60), 1.0);
}

TEST_F(HpglTest, RotationKeepsThePlotOnTheSheet) {
    // A mark near the origin lands in the corner the turn takes the origin to.
    const char* tails[] = {"RO0;", "RO90;", "RO180;", "RO270;"};
    int corner[4][2] = {{X(600), Y(600)}, {X(16200), Y(600)}, {X(16200), Y(23160)}, {X(600), Y(23160)}};
    for (int r = 0; r < 4; ++r) {
        Pixels p = Plot(std::string("IN;") + tails[r] + "SP1;PA0,0;FT1;RR600,600;");
        ASSERT_GT(p.width, 0);
        EXPECT_TRUE(Ink(p, corner[r][0], corner[r][1])) << tails[r];
        for (int o = 0; o < 4; ++o)
            if (o != r) {
                EXPECT_FALSE(Ink(p, corner[o][0], corner[o][1])) << tails[r] << " corner " << o;
            }
    }
}

TEST_F(HpglTest, PensLineTypesAndWidths) {
    Pixels p = Plot("IN;NP8;PC1,255,0,0;SP1;PW0.5;PA0,2000;PD4000,2000;PU;SP3;PA0,3000;PD4000,3000;PU;");
    EXPECT_TRUE(Near(p.at(X(4000), Y(4000)), 0xFF0000));
    EXPECT_TRUE(Near(p.at(X(4000), Y(6000)), 0x00FF00));
    // A 0.5 mm pen is about 4 pixels wide at this scale.
    int wide = 0;
    for (int y = Y(4000) - 8; y <= Y(4000) + 8; ++y) wide += Ink(p, X(4000), y);
    EXPECT_GE(wide, 3);
    EXPECT_LE(wide, 6);
    // Dashes leave gaps; LT; goes back to solid, and SP keeps the line type.
    p = Plot("IN;SP1;PW0.3;LT2,4;PA0,2000;PD8000,2000;PU;SP1;PA0,3000;PD8000,3000;PU;LT;PA0,4000;PD8000,4000;PU;");
    auto gaps = [&](int y) {
        int n = 0;
        for (int x = X(0) + 2; x < X(16000) - 2; ++x) n += !Ink(p, x, y);
        return n;
    };
    EXPECT_GT(gaps(Y(4000)), 50);
    EXPECT_GT(gaps(Y(6000)), 50);
    EXPECT_LT(gaps(Y(8000)), 5);
}

TEST_F(HpglTest, FillTypesRectanglesAndPolygons) {
    // RA fills; EA outlines only; FT10 shading is darker for more ink.
    Pixels p = Plot(
        "IN;SP1;PA0,0;RA1500,1500;PA2000,0;EA3500,1500;FT10,25;PA4000,0;RA5500,1500;"
        "FT10,75;PA6000,0;RA7500,1500;");
    EXPECT_TRUE(Near(p.at(X(1500), Y(1500)), 0x000000));
    EXPECT_TRUE(Near(p.at(X(5500), Y(1500)), 0xFFFFFF));                                          // inside the outline
    EXPECT_GT(1.0 - p.Share(X(4000) - 3, Y(1500), X(4000) + 3, Y(1500) + 1, 0xFFFFFF, 60), 0.3);  // its edge
    uint32_t light = p.at(X(9500), Y(1500)) & 0xFF, dark = p.at(X(13500), Y(1500)) & 0xFF;
    EXPECT_NEAR(light, 191, 4);
    EXPECT_NEAR(dark, 64, 4);
    // A polygon filled by FP and outlined by EP; the fill stays inside it.
    p = Plot("IN;SP1;PA1000,1000;PM0;PD3000,1000,3000,3000,1000,3000;PM2;FP;EP;PA4000,1000;PD5000,1000;PU;");
    EXPECT_TRUE(Near(p.at(X(4000), Y(4000)), 0x000000));
    EXPECT_FALSE(Ink(p, X(7000), Y(4000)));
    EXPECT_TRUE(Ink(p, X(9000), Y(2000)));  // drawing after FP is not clipped away
    // Cross-hatching marks part of the area, not all of it.
    p = Plot("IN;SP1;FT4,100,45;PA0,0;RA4000,4000;");
    double share = p.Share(X(500), Y(7500), X(7500), Y(500), 0x000000, 120);
    EXPECT_GT(share, 0.05);
    EXPECT_LT(share, 0.6);
}

TEST_F(HpglTest, ArcsCirclesWedgesAndBeziers) {
    // A quarter arc counter-clockwise from (4000, 0) about (0, 0) ends at (0, 4000) plotter units.
    Pixels p = Plot("IN;SP1;PW0.3;PA4000,0;PD;AA0,0,90;PU;");
    double s = std::sqrt(0.5);
    EXPECT_TRUE(Ink(p, X(8000 * s), Y(8000 * s)));
    EXPECT_FALSE(Ink(p, X(8000 * s), Y(1000)));
    // A negative sweep goes the other way; sweep 0 draws nothing; pen up only moves.
    p = Plot("IN;SP1;PW0.3;PA4000,4000;PD;AA2000,4000,-90;PU;PA8000,0;PD;AA8000,2000,0;PU;");
    EXPECT_TRUE(Ink(p, X(6828), Y(5172)));  // clockwise: down from the start
    EXPECT_FALSE(Ink(p, X(6828), Y(10828)));
    // A circle round the pen, a filled wedge, a three-point arc and a Bezier.
    p = Plot(
        "IN;SP1;PW0.3;PA4000,4000;CI1000;PA4000,8000;WG1000,0,90;PA1000,10000;PD;AT2000,11000,3000,10000;PU;"
        "PA5000,10000;PD;BZ5000,11000,6000,11000,6000,10000;PU;");
    EXPECT_TRUE(Ink(p, X(10000), Y(8000)));                // on the circle
    EXPECT_FALSE(Ink(p, X(8000), Y(8000)));                // its centre
    EXPECT_TRUE(Near(p.at(X(8800), Y(16800)), 0x000000));  // inside the wedge's quarter
    EXPECT_FALSE(Ink(p, X(7200), Y(15200)));               // outside it
    EXPECT_TRUE(Ink(p, X(4000), Y(22000)));                // top of the three-point arc
    EXPECT_TRUE(Ink(p, X(11000), Y(21500)));               // the Bezier's crest
}

TEST_F(HpglTest, EncodedPolylines) {
    // 8-bit relative runs: 2000 plotter units right, then up; a pen-up move; then down.
    auto enc = [](int v) { return EncodePe(v, false); };
    std::string pe = "IN;SP1;PW0.3;PA1000,1000;PE" + enc(2000) + enc(0) + enc(0) + enc(2000) + "<" + enc(1000) +
        enc(0) + enc(0) + enc(-1000) + ";";
    Pixels p = Plot(pe);
    EXPECT_TRUE(Ink(p, X(4000), Y(2000)));   // along the first segment
    EXPECT_TRUE(Ink(p, X(6000), Y(4000)));   // up the second
    EXPECT_FALSE(Ink(p, X(7000), Y(6000)));  // the pen-up move draws nothing
    EXPECT_TRUE(Ink(p, X(8000), Y(5000)));   // the segment after it
    // '=' and '<' mark the next point absolute and pen-up, in either order, as CAD programs write them:
    // a pen-up jump to (3000, 3000), then a line 2000 right.
    for (std::string flags : {"=<", "<="}) {
        p = Plot("IN;SP1;PW0.3;PA1000,1000;PE" + flags + enc(3000) + enc(3000) + enc(2000) + enc(0) + ";");
        EXPECT_TRUE(Ink(p, X(8000), Y(6000))) << flags;   // the line from (6000, 6000) page units
        EXPECT_FALSE(Ink(p, X(4000), Y(4000))) << flags;  // no line on the way there
        EXPECT_FALSE(Ink(p, X(4000), Y(2000))) << flags;  // nor one from the old position
    }
}

TEST_F(HpglTest, LabelsTerminatorsAndOrigins) {
    Pixels p = Plot("IN;SP1;SI0.4,0.6;PA2000,2000;LBHello\x03PA2000,4000;DT#;LBWorld#DT;LO6;PA4000,6000;LBMid\x03");
    auto inkIn = [&](double x0, double y0, double x1, double y1) {
        return p.Share(X(x0), Y(y1), X(x1), Y(y0), 0xFFFFFF, 60) < 0.99;
    };
    EXPECT_TRUE(inkIn(4000, 4000, 9000, 5000));  // Hello above its baseline, to the right of the pen
    EXPECT_FALSE(inkIn(0, 4000, 3900, 5000));
    EXPECT_TRUE(inkIn(4000, 8000, 9000, 9000));    // World, ended by '#'
    EXPECT_TRUE(inkIn(6500, 11000, 7900, 12000));  // Mid centred on x = 8000, hanging below the pen
    EXPECT_TRUE(inkIn(8100, 11000, 9500, 12000));
    EXPECT_FALSE(inkIn(6500, 12100, 9500, 13000));
}

TEST_F(HpglTest, ShiftOutAndInSwitchFontsWithinALabel) {
    // "ii" in the 20-point standard font, "II" in the 40-point alternate, "ii" again: the runs sit side by side.
    Pixels p = Plot("IN;SP1;SD1,21,2,1,4,20,7,4148;AD1,21,2,1,4,40,7,4148;PA2000,2000;LBii\x0EII\x0Fii\x03");
    ASSERT_GT(p.width, 0);
    int base = Y(4000);  // the baseline, 2000 plotter units up
    auto columnHeight = [&](int x0, int x1) {
        int top = base;
        for (int x = x0; x < x1; ++x)
            for (int y = base - X(3000); y < base; ++y)
                if (Ink(p, x, y)) top = std::min(top, y);
        return base - top;
    };
    // From the pen: "ii" some 23 pixels wide, then "II" some 60.
    int small = columnHeight(X(4000) + 1, X(4000) + 17), tall = columnHeight(X(4000) + 28, X(4000) + 70);
    EXPECT_GT(small, 0);
    EXPECT_GT(tall, small * 3 / 2);  // the alternate font is twice the size
}

TEST_F(HpglTest, LabelsAlongEachPath) {
    // "III" at the pen with LO1: down (DV1) and up (DV3) it stands three characters tall above the
    // pen, one character wide; leftward (DV2) it lies three wide to the right of the pen.
    auto box = [&](int path) {
        Pixels p = Plot("IN;SP1;SD1,21,2,1,4,20,7,4148;DV" + std::to_string(path) + ";PA4000,4000;LBIII\x03");
        RECT r{p.width, p.height, -1, -1};
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (Ink(p, x, y))
                    r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y),
                    r.right = std::max<LONG>(r.right, x), r.bottom = std::max<LONG>(r.bottom, y);
        return r;
    };
    RECT across = box(0), down = box(1), left = box(2), up = box(3);
    int w = across.right - across.left, h = across.bottom - across.top;
    for (const RECT& r : {down, up}) {
        EXPECT_LT(r.right - r.left, w / 2);
        EXPECT_GT(r.bottom - r.top, 2 * h);
        EXPECT_NEAR(r.bottom, across.bottom, 3);  // the box stands on the pen's line
        EXPECT_NEAR(r.left, across.left, 4);
    }
    EXPECT_NEAR(left.left, across.left, 4);
    EXPECT_NEAR(left.right - left.left, w, 4);
    EXPECT_EQ(left.bottom, across.bottom);
}

TEST_F(HpglTest, InsidePclAndBackOut) {
    const std::string ESC = "\x1B";
    // HP-GL/2 from a PCL page, then the universal exit: nothing of the exit prints.
    std::string job = ESC + "E" + ESC + "%0BIN;SP1;PA0,0;FT1;RR400,400;" + ESC + "%0A" + ESC + "%-12345X";
    Pixels p = LoadPicture(Write("job.pcl", Bytes(job.begin(), job.end())));
    ASSERT_GT(p.width, 0);
    // The plot's origin is the picture frame's corner: the logical page's left edge (71 dots
    // in on A4), half an inch above the page's foot.
    int bottom = p.height - static_cast<int>(std::lround(1016 * kScale));
    int left = static_cast<int>(std::lround(71 * 2032 / 300.0 * kScale));
    EXPECT_TRUE(Near(p.at(left + X(400), bottom - X(400)), 0x000000));
    EXPECT_FALSE(Near(p.at(left - 3, bottom - X(200)), 0x000000));
    EXPECT_FALSE(Ink(p, left + X(400), bottom + 20));
    EXPECT_FALSE(Ink(p, left + X(400), 20));
}

TEST_F(HpglTest, APictureFrameAnchoredAtTheCursorHoldsThePlot) {
    const std::string ESC = "\x1B";
    // A two-inch frame anchored at (300, 300) dots: GhostPCL draws the 1 cm square from
    // (371, 1050) dots, the frame's lower-left corner, up and right.
    std::string job = ESC + "E" + ESC + "&l26A" + ESC + "*p300x300Y" + ESC + "*c1440x1440Y" + ESC + "*c0T" + ESC +
        "%0BIN;SP1;PW0.5;PA0,0;PD400,0,400,400,0,400,0,0;" + ESC + "%0A";
    Pixels p = LoadPicture(Write("frame.pcl", Bytes(job.begin(), job.end())));
    ASSERT_GT(p.width, 0);
    auto dots = [](double d) { return static_cast<int>(std::lround(d * 192 / 300)); };
    EXPECT_TRUE(Ink(p, dots(369), dots(1000)));   // the left side
    EXPECT_TRUE(Ink(p, dots(430), dots(1050)));   // the bottom
    EXPECT_TRUE(Ink(p, dots(487), dots(960)));    // the right side
    EXPECT_FALSE(Ink(p, dots(430), dots(1000)));  // inside
    // ESC*c#K and #L give the plot its own size, which the frame holds stretched: a one-inch
    // plot wide in a two-inch frame doubles x, a four-inch plot high halves y (GhostPCL alike).
    std::string scaled = job;
    scaled.insert(scaled.find(ESC + "%0B"), ESC + "*c1k4L");
    p = LoadPicture(Write("scaled.pcl", Bytes(scaled.begin(), scaled.end())));
    RECT box = InkBox(p, 60);
    EXPECT_NEAR(box.left, dots(371), 3);
    EXPECT_NEAR(box.bottom, dots(1050), 3);
    EXPECT_NEAR(box.right - box.left, dots(236), 4);  // 1 cm doubled
    EXPECT_NEAR(box.bottom - box.top, dots(59), 4);   // 1 cm halved
}

TEST_F(HpglTest, PlotFilesGrowTheirPage) {
    // Marks beyond an A4 sheet, left of and below the origin too: the page takes them all in.
    Pixels p = Plot("IN;SP1;PW1;PA-2000,-1000;PD20000,-1000,20000,16000;PU;");
    ASSERT_GT(p.width, 0);
    EXPECT_GT(p.width, X(44000));
    EXPECT_GT(p.height, static_cast<int>(34000 * kScale));
    // A plot that fits keeps the A4 page.
    p = Plot("IN;SP1;PA0,0;PD1000,1000;");
    EXPECT_EQ(p.width, 1587);
    EXPECT_EQ(p.height, 2245);
}

TEST_F(HpglTest, HostileInputEndsCleanly) {
    const std::string cases[] = {
        "IN;PE",                                    // encoded polyline without data
        "IN;PE" + std::string(5000, '\x3F') + ";",  // a number of endless digits
        "IN;SP1;PA0,0;PD;AA0,0,1e30;CI99999999999;AT1,1,1,1;",
        "IN;SC0,0,0,0;PA5,5;PD;PR1e9,1e9;EW1,0,0.000001;WG99999999,0,-99999999;",
        "IN;RF1,99999,99999," + std::string(2000, '1') + ";FT11,1;RA10,10;",
        "IN;DT;LB" + std::string(100000, 'x'),  // a label without end
        "IN;PM0;" + std::string(20000, 'P') + "PD1,1;PM1;PM1;PM2;FP;EP;",
        "IN;UL1," + std::string(400, '5') + ";LT1;NP0;SP-7;PW-5;LA1,9,2,9,3,-1;BZ1;BR1,2,3,4;",
    };
    for (const std::string& c : cases) {
        PageList pages;
        EXPECT_TRUE(ConvertPrintJob(Write("bad.hpgl", Bytes(c.begin(), c.end())).c_str(), pages));
        for (const std::string& page : pages) DeleteFileA(page.c_str());
    }
}

// GNU plotutils draws the same plot as HP-GL/2, as PCL5 with HP-GL/2 in it and
// as PNG; our pictures of the first two must agree with its PNG.
TEST_F(HpglTest, PlotutilsPlotsMatchItsOwnRendering) {
    if (!HaveTool("graph")) GTEST_SKIP() << "plotutils not installed";
    Bytes points;
    for (int i = 0; i <= 40; ++i) {
        std::string line = std::to_string(i * 0.25) + " " + std::to_string(std::sin(i * 0.25) * 2) + "\n";
        points.insert(points.end(), line.begin(), line.end());
    }
    std::string data = Write("data.txt", points);
    auto run = [&](const std::string& args, const std::string& out) {
        std::string cmd = "graph " + args + " " + data + " > " + dir_ + out;
        return std::system(cmd.c_str()) == 0;
    };
    ASSERT_TRUE(run("-T hpgl -m 1 -S 4", "plot.hpgl"));
    ASSERT_TRUE(run("-T pcl -m 1 -S 4", "plot.pcl"));
    ASSERT_TRUE(run("-T png --bitmap-size 570x570 -m 1 -S 4", "plot.png"));
    Pixels theirs;
    ASSERT_TRUE(ReadPng(dir_ + "plot.png", theirs));
    std::vector<bool> reference = InkGrid(theirs, 0, 0, theirs.width, theirs.height, 190, 190);
    ASSERT_GT(std::count(reference.begin(), reference.end(), true), 1000);  // axes, ticks, labels and the curve

    // The PNG shows the square of P1 to P2: 8128 plotter units from P1, which
    // the plot file puts at its origin and the PCL job one inch above it.
    struct Case {
        const char* file;
        double originAboveFoot;  // page units from the page's foot to P1
        double originRight;      // and from the page's left edge: the logical page's on a PCL page
    } cases[] = {{"plot.hpgl", 0, 0}, {"plot.pcl", 1016 + 2032, 508}};
    for (const Case& c : cases) {
        Pixels ours = LoadPicture(dir_ + c.file);
        ASSERT_GT(ours.width, 0) << c.file;
        double unit = kScale;
        double side = 16256 * unit, bottom = ours.height - c.originAboveFoot * unit;
        double left = c.originRight * unit;
        std::vector<bool> mine = InkGrid(ours, left, bottom - side, left + side, bottom, 190, 190);
        double agreement = InkAgreement(mine, reference, 190, 190, 1);
        std::printf("%s: ink agreement with plotutils' PNG %.3f\n", c.file, agreement);
        // Lines, ticks and the curve agree closely; the labels are drawn in other fonts.
        EXPECT_GT(agreement, 0.9) << c.file;
    }
    // In colour (-C) the curve is red in plotutils' PNG and in both of our pictures, the frame black.
    ASSERT_TRUE(run("-T hpgl -C -m 1 -S 4", "colour.hpgl"));
    ASSERT_TRUE(run("-T pcl -C -m 1 -S 4", "colour.pcl"));
    ASSERT_TRUE(run("-T png -C --bitmap-size 570x570 -m 1 -S 4", "colour.png"));
    ASSERT_TRUE(ReadPng(dir_ + "colour.png", theirs));
    auto count = [](const Pixels& p, uint32_t rgb, int tolerance) {
        return p.Share(0, 0, p.width, p.height, rgb, tolerance) * p.width * p.height;
    };
    ASSERT_GT(count(theirs, 0xFF0000, 60), 500);
    for (const char* file : {"colour.hpgl", "colour.pcl"}) {
        Pixels ours = LoadPicture(dir_ + file);
        ASSERT_GT(ours.width, 0) << file;
        EXPECT_GT(count(ours, 0xFF0000, 60), 1000) << file;   // the curve
        EXPECT_GT(count(ours, 0x000000, 100), 1000) << file;  // the frame, ticks and labels
    }
}

TEST_F(HpglTest, PclTextAfterARotatedPlotIsUpright) {
    const std::string ESC = "\x1B";
    // A plot turned by RO90, then PCL5 text at the top of the page: it stays at the top-left.
    std::string job =
        ESC + "E" + ESC + "%0BIN;RO90;SP1;PA0,0;PD100,100;" + ESC + "%0A" + ESC + "*p100x100YHHHH" + ESC + "E";
    Pixels p = LoadPicture(Write("job.pcl", Bytes(job.begin(), job.end())));
    ASSERT_GT(p.width, 0);
    EXPECT_LT(p.Share(100, 130, 260, 170, 0xFFFFFF, 60), 0.95);  // the text, near the top-left corner
    EXPECT_GT(p.Share(p.width - 300, 0, p.width, 300, 0xFFFFFF, 60), 0.95);
}

TEST_F(HpglTest, ScalingPointsAndFactors) {
    // IP with two values moves P1 and keeps the span: the same user square lands 2000 units further right.
    Pixels p = Plot("IN;IP0,0,1000,1000;IP1000,0;SC0,10,0,10;SP1;PA5,5;FT1;RR1,1;");
    EXPECT_TRUE(Near(p.at(X(3100), Y(1100)), 0x000000));
    EXPECT_FALSE(Ink(p, X(1100), Y(1100)));
    // SC with three values changes nothing; the point-factor form scales by its factors.
    p = Plot("IN;SC0,2,0;SP1;PA100,100;FT1;RR100,100;SC0,4,0,2,2;PA1000,1000;RR100,100;");
    EXPECT_TRUE(Near(p.at(X(300), Y(300)), 0x000000));
    EXPECT_TRUE(Near(p.at(X(8400), Y(4200)), 0x000000));  // (1000*4, 1000*2) plotter units, plus half the box
    EXPECT_FALSE(Ink(p, X(2100), Y(2100)));
}

TEST_F(HpglTest, RelativeShapesAndSegments) {
    // ER is relative to the pen; BR takes each segment from its own start.
    Pixels p = Plot("IN;SP1;PW0.5;PA1000,1000;ER1000,500;PA1000,4000;PD;BR0,0,500,0,500,0,0,0,500,0,500,0;PU;");
    EXPECT_TRUE(Ink(p, X(4000), Y(2000)));  // ER's right edge at x = 2000 plotter units
    EXPECT_FALSE(Ink(p, X(5000), Y(2500)));
    EXPECT_TRUE(Ink(p, X(3000), Y(8000)));  // the second segment ends 1000 plotter units from the start
    EXPECT_FALSE(Ink(p, X(4600), Y(8000)));
}

TEST_F(HpglTest, UserLineTypesAndRasterFills) {
    // UL dashes: long gaps on a thin line.
    Pixels p = Plot("IN;SP1;PW0.3;UL3,200,200;LT3;PA0,2000;PD8000,2000;PU;");
    int gaps = 0;
    for (int x = X(100); x < X(15900); ++x) gaps += !Ink(p, x, Y(4000));
    EXPECT_GT(gaps, 400);
    // A raster fill pattern: a 2x2 checker shows both ink and paper inside the rectangle.
    p = Plot("IN;SP1;RF1,2,2,1,0,0,1;FT11,1;PA0,0;RA2000,2000;");
    double black = p.Share(X(200), Y(3800), X(3800), Y(200), 0x000000, 60);
    EXPECT_GT(black, 0.3);
    EXPECT_LT(black, 0.7);
}

TEST_F(HpglTest, PensDoNotCarryOverToTheNextJob) {
    Pixels p = Plot("IN;PC1,255,0,0;SP1;PW1;PA0,1000;PD4000,1000;PU;");
    EXPECT_TRUE(Near(p.at(X(4000), Y(2000)), 0xFF0000));
    p = Plot("IN;SP1;PW1;PA0,1000;PD4000,1000;PU;");
    EXPECT_TRUE(Near(p.at(X(4000), Y(2000)), 0x000000));
}

TEST_F(HpglTest, EncodedPolylinesInSevenBitsWithFractions) {
    // 7-bit coding (base 32, terminators from 95) and one fraction bit halving the values. The
    // count of fraction bits and a pen chosen inside the polyline are encoded as the coordinates
    // are (GhostPCL and hp2xx draw this line blue, 2000 units long).
    auto enc7 = [](int v) { return EncodePe(v, true); };
    Pixels p = Plot("IN;SP1;PC2,0,0,255;PW1;PA1000,1000;PE7>" + enc7(1) + ":" + enc7(2) + enc7(4000) + enc7(0) + ";");
    EXPECT_TRUE(Ink(p, X(3800), Y(2000)));  // 2000 plotter units to the right, not 4000
    EXPECT_FALSE(Ink(p, X(7000), Y(2000)));
    EXPECT_TRUE(Near(p.at(X(3000), Y(2000)), 0x0000FF, 60));
}

// Curves inside polygon mode become part of the polygon that FP fills.
TEST_F(HpglTest, CurvesCirclesAndArcsInPolygonMode) {
    Pixels p = Plot(
        "IN;SP1;PA2000,2000;PM0;PD4000,2000;BZ4000,4000,2000,4000,2000,2000;PM2;FP;"
        "PU;PA6000,6000;PM0;CI500;PM2;FP;"
        "PU;PA3000,7000;PM0;PD;AA2000,7000,180;PM2;FP;");
    ASSERT_GT(p.width, 0);
    EXPECT_TRUE(Ink(p, X(2 * 3000), Y(2 * 2800)));   // under the Bezier's arch
    EXPECT_FALSE(Ink(p, X(2 * 3000), Y(2 * 3800)));  // above it
    EXPECT_TRUE(Ink(p, X(2 * 6000), Y(2 * 6000)));   // the disc's centre
    EXPECT_TRUE(Ink(p, X(2 * 6350), Y(2 * 6000)));
    EXPECT_FALSE(Ink(p, X(2 * 6700), Y(2 * 6000)));
    EXPECT_TRUE(Ink(p, X(2 * 2000), Y(2 * 7500)));  // the half disc above the chord
    EXPECT_FALSE(Ink(p, X(2 * 2000), Y(2 * 6500)));
}

// Symbol mode marks every point it passes with its character.
TEST_F(HpglTest, SymbolModeMarksThePoints) {
    Pixels p = Plot("IN;SP1;SI0.5,0.7;SM*;PU;PA4000,4000,8000,4000;SM;PA8000,8000;");
    ASSERT_GT(p.width, 0);
    auto inkNear = [&](int x, int y) {
        for (int dy = -20; dy <= 20; dy += 2)
            for (int dx = -20; dx <= 20; dx += 2)
                if (Ink(p, X(2 * x) + dx, Y(2 * y) + dy)) return true;
        return false;
    };
    EXPECT_TRUE(inkNear(4000, 4000));
    EXPECT_TRUE(inkNear(8000, 4000));
    EXPECT_FALSE(inkNear(6000, 4000));  // pen up: no line between the marks
    EXPECT_FALSE(inkNear(8000, 8000));  // symbol mode was ended
}

TEST_F(HpglTest, PlotSizeMakesTheSheet) {
    // PS length along x, width along y: a landscape sheet of 11056 x 7977 plotter units.
    Pixels p = Plot("IN;PS11056,7977;SP1;PA0,0;PD11000,7900;");
    ASSERT_GT(p.width, 0);
    EXPECT_NEAR(p.width, 11056 * 2 * kScale, 4);
    EXPECT_NEAR(p.height, 7977 * 2 * kScale, 4);
    // RO90 turns the plot on that sheet: the origin goes to the lower-right corner, x runs up,
    // and P2 follows the turned frame's far corner, so SC's corners are the sheet's.
    p = Plot("IN;PS11056,7977;RO90;SC0,100,0,100;SP1;PW1;PA0,0;FT1;RR5,5;PA95,95;RR5,5;");
    ASSERT_GT(p.width, 0);
    EXPECT_NEAR(p.width, 11056 * 2 * kScale, 4);
    EXPECT_TRUE(Ink(p, p.width - 20, p.height - 20));
    EXPECT_TRUE(Ink(p, 20, 20));
    EXPECT_FALSE(Ink(p, 20, p.height - 20));
    // AutoCAD's preamble: P2 below P1 and SC turned the same way give plotter units upright again.
    p = Plot(
        "\x1B"
        "E\x1B%0BBP;IN;PS11056,7977;RO90;IP0,0,1016,-1016;SC0,1016,0,-1016;SP1;PA2000,3000;FT1;RR500,500;");
    ASSERT_GT(p.width, 0);
    EXPECT_NEAR(p.width, 11056 * 2 * kScale, 4);
    EXPECT_TRUE(Ink(p, p.width - X(6500), p.height - X(4500)));
    // A drawing made before PS keeps its sheet.
    p = Plot("IN;SP1;PA0,0;PD100,100;PS40000,40000;");
    EXPECT_EQ(p.width, 1587);
}

TEST_F(HpglTest, PageAdvancesMakePages) {
    for (const char* advance : {"PG;", "AF;", "AH;", "FR;"}) {
        std::string plot =
            std::string("IN;SP1;PA0,0;PD1000,1000;PU;") + advance + advance + "PA0,0;PD2000,0;PU;" + advance;
        PageList pages = Convert(Bytes(plot.begin(), plot.end()), "pages.hpgl");
        EXPECT_EQ(pages.size(), 2u) << advance;  // empty sheets are not kept
        for (const std::string& page : pages) DeleteFileA(page.c_str());
    }
    // Inside a PCL5 job only PCL ejects the page.
    std::string job =
        "\x1B"
        "E\x1B%0BIN;SP1;PA0,0;PD1000,1000;PG;PA0,0;PD0,1000;\x1B%0A\x1B"
        "E";
    PageList pages = Convert(Bytes(job.begin(), job.end()), "pages.pcl");
    EXPECT_EQ(pages.size(), 1u);
    for (const std::string& page : pages) DeleteFileA(page.c_str());
}

TEST_F(HpglTest, RelativeScalingPointsWindowsAndInitialize) {
    // IR puts P1 and P2 at percentages of the sheet; SC then spans that part of it.
    Pixels p = Plot("IN;IR50,50,100,100;SC0,10,0,10;SP1;PA0,0;FT1;RR1,1;");
    EXPECT_TRUE(Ink(p, X(8400 + 400), Y(11880 + 400)));
    EXPECT_FALSE(Ink(p, X(400), Y(400)));
    // IW clips what follows to its window, fills and hatching included, until IW; lifts it.
    p = Plot(
        "IN;SP1;PW0.5;IW0,0,4000,8000;PA0,1000;PD8000,1000;PU;PA0,6000;FT3,200;RR8000,1000;"
        "IW;PA0,2000;PD8000,2000;PU;");
    EXPECT_TRUE(Ink(p, X(1000), Y(2000)));
    EXPECT_FALSE(Ink(p, X(10000), Y(2000)));
    EXPECT_LT(p.Share(X(1000), Y(14000), X(7000), Y(12000), 0xFFFFFF, 60), 0.97);    // hatching inside
    EXPECT_GT(p.Share(X(9000), Y(14000), X(15000), Y(12000), 0xFFFFFF, 60), 0.999);  // none outside
    EXPECT_TRUE(Ink(p, X(12000), Y(4000)));
    // IN puts back what an earlier plot changed: rotation, scaling and pens.
    p = Plot("IN;RO90;SC0,1,0,1;SP2;IN;SP1;PA0,0;FT1;RR600,600;");
    EXPECT_TRUE(Near(p.at(X(300), Y(300)), 0x000000));
}

TEST_F(HpglTest, PlotFilesHaveAPlottersPens) {
    // Without PC a plot's pens are a colour plotter's carousel, in a plot file and on a PCL5
    // page alike, in every PCL colour mode: pen 3 is green, as GhostPCL draws it.
    Pixels p = Plot("IN;SP3;PW1;PA0,2000;PD4000,2000;PU;SP5;PA0,3000;PD4000,3000;PU;SP7;PA0,4000;PD4000,4000;");
    EXPECT_TRUE(Near(p.at(X(2000), Y(4000)), 0x00FF00));
    EXPECT_TRUE(Near(p.at(X(2000), Y(6000)), 0x0000FF));
    EXPECT_TRUE(Near(p.at(X(2000), Y(8000)), 0x00FFFF));
    for (const char* mode : {"", "\x1B*r1U", "\x1B*r3U"}) {
        std::string job = std::string("\x1B") + "E" + mode + "\x1B%0BIN;SP3;PW1;PA0,2000;PD4000,2000;\x1B%0A\x1B" + "E";
        Pixels q = LoadPicture(Write("pens.pcl", Bytes(job.begin(), job.end())));
        ASSERT_GT(q.width, 0);
        EXPECT_GT(q.Share(0, 0, q.width, q.height, 0x00FF00, 60), 0.0005) << mode;
        EXPECT_LT(q.Share(0, 0, q.width, q.height, 0x000000, 60), 0.0001) << mode;
    }
}

namespace {
// The box round a picture's ink, in pixels; right < left when there is none.
RECT Box(const Pixels& p, int x0 = 0, int y0 = 0) { return InkBox(p, 60, x0, y0); }
}  // namespace

// The stick font as plotters (and hp2xx) draw it: SI's width is the nominal character,
// the cell one and a half of it, the cap height SI's height and a line two of them.
TEST_F(HpglTest, StickFontLabelsHaveAPlottersMetrics) {
    // 1 cm = 400 plotter units = 800 page units: ten H's of SI0.5,0.5 span 9 cells and an H.
    Pixels p = Plot("IN;SP1;PW0.1;PA1000,4000;SI0.5,0.5;LBHHHHHHHHHH\x03");
    RECT r = Box(p);
    ASSERT_GT(r.right, r.left);
    double cm = 800 * kScale;
    EXPECT_NEAR(r.left, X(2000), 2);  // the first stem on the pen
    EXPECT_NEAR(r.right - r.left, (9 * 0.75 + 0.5) * cm, 3);
    EXPECT_NEAR(r.bottom - r.top, 0.5 * cm, 2);
    EXPECT_NEAR(r.bottom, Y(8000), 2);  // standing on the pen's line
    // CR LF goes back under the first character, two cap heights down; the pen starts there.
    p = Plot("IN;SP1;PW0.1;PA1000,4000;SI0.5,0.5;LBH\r\nH\x03LBH\x03");
    RECT low = Box(p, 0, Y(8000) + 2);
    EXPECT_NEAR(low.left, X(2000), 2);
    EXPECT_NEAR(low.bottom, Y(8000 - 800), 2);
    EXPECT_NEAR(low.right - low.left, (0.75 + 0.5) * cm, 3);  // the second label follows the first
    // Without SI the default font: nine characters to the inch.
    p = Plot("IN;SP1;PW0.1;PA1000,4000;LBHHHHHHHHHH\x03");
    r = Box(p);
    EXPECT_NEAR(r.right - r.left, (9 + 1 / 1.5) * 192 / 9.0, 4);
}

TEST_F(HpglTest, LabelDirectionsSlantsAndSpacing) {
    // DI1,1 runs the label up at 45 degrees: as tall as it is wide.
    Pixels p = Plot("IN;SP1;PW0.1;SI0.5,0.5;DI1,1;PA2000,2000;LBHHHHHHHH\x03");
    RECT r = Box(p);
    EXPECT_NEAR(r.right - r.left, r.bottom - r.top, 6);
    EXPECT_GT(r.right - r.left, 200);
    // DI0,1 runs straight up; DR follows P1-P2, which IP here stretches twice as far in y.
    p = Plot("IN;SP1;PW0.1;SI0.5,0.5;DI0,1;PA2000,2000;LBHHHHHHHH\x03");
    r = Box(p);
    EXPECT_GT(r.bottom - r.top, 4 * (r.right - r.left));
    p = Plot("IN;IP0,0,1000,2000;SP1;PW0.1;SI0.5,0.5;DR1,0.5;PA2000,2000;LBHHHHHHHH\x03");
    r = Box(p);
    EXPECT_NEAR(r.right - r.left, r.bottom - r.top, 6);
    // SL1 leans the tops a cap height to the right; ES1 puts a cell between characters.
    RECT upright = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;PA2000,2000;LBI\x03"));
    RECT leaning = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;SL1;PA2000,2000;LBI\x03"));
    EXPECT_NEAR(leaning.right - leaning.left, upright.right - upright.left + 0.5 * 800 * kScale, 3);
    RECT spaced = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;ES1;PA2000,2000;LBHH\x03"));
    EXPECT_NEAR(spaced.right - spaced.left, (2 * 0.75 + 0.5) * 800 * kScale, 3);
    // CP moves by cells and lines; BL keeps a label that PB prints at the pen.
    RECT moved = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;PA2000,2000;CP2,1;LBH\x03"));
    EXPECT_NEAR(moved.left, X(4000 + 2 * 0.75 * 800), 2);
    EXPECT_NEAR(moved.bottom, Y(4000 + 800), 2);  // lines count upward
    RECT buffered = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;BLHH\x03PA2000,2000;PB;"));
    EXPECT_NEAR(buffered.left, X(4000), 2);
    EXPECT_NEAR(buffered.right - buffered.left, (0.75 + 0.5) * 800 * kScale, 3);
}

TEST_F(HpglTest, LabelCharacterSetsAndTransparentData) {
    // Roman-8's 0xF6 is a minus sign, drawn as the stick font's hyphen; ISO 8859-1 (SD1,14) has
    // the soft hyphen there. A letter with an accent draws as its letter.
    RECT minus = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;PA2000,2000;LB\xF6\x03"));
    RECT hyphen = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;PA2000,2000;LB-\x03"));
    EXPECT_EQ(minus.top, hyphen.top);
    EXPECT_EQ(minus.right - minus.left, hyphen.right - hyphen.left);
    RECT accented = Box(Plot("IN;SP1;PW0.1;SD1,14;SI0.5,0.5;PA2000,2000;LB\xC9\x03"));
    RECT plain = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;PA2000,2000;LBE\x03"));
    EXPECT_EQ(accented.right - accented.left, plain.right - plain.left);
    // TD1 makes a carriage return a character (blank, one cell wide); TD0 obeys it.
    RECT obeyed = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;PA2000,2000;LBH\rH\x03"));
    RECT printed = Box(Plot("IN;SP1;PW0.1;SI0.5,0.5;TD1;PA2000,2000;LBH\rH\x03"));
    EXPECT_NEAR(obeyed.right - obeyed.left, 0.5 * 800 * kScale, 2);
    EXPECT_NEAR(printed.right - printed.left, (2 * 0.75 + 0.5) * 800 * kScale, 3);
}

namespace {
// The part of a picture its ink covers; a picture without ink stays as it is.
Pixels TrimToInk(const Pixels& p) {
    RECT r = Box(p);
    if (r.right < r.left) return p;
    Pixels out;
    out.width = r.right - r.left + 1, out.height = r.bottom - r.top + 1;
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x) out.px.push_back(p.at(x, y));
    return out;
}
}  // namespace

// An instrument's plot in classic HP-GL (a spectrum analyser's screen: graticule, ticks,
// trace, labels in a character set, commands in lower case, output and speed commands
// that draw nothing) against hp2xx's picture of it, both trimmed to their ink.
TEST_F(HpglTest, ClassicPlotsMatchHp2xx) {
    if (!HaveTool("hp2xx")) GTEST_SKIP() << "hp2xx not installed";
    std::string plot =
        "IN;SP1;IP250,279,10250,7479;SC0,1000,0,1000;PU0,0;PD1000,0,1000,1000,0,1000,0,0;PU;TL2,0;"
        "PA0,0;XT;PA200,0;XT;PA400,0;XT;PA600,0;XT;PA800,0;XT;PA0,200;YT;PA0,400;YT;PA0,600;YT;PA0,800;YT;\r\n"
        "sp1;pa0,500;pd100,700,200,300,300,900,400,100,500,800,600,200,700,600,800,400,900,500,1000,500;pu;\r\n"
        "SP1;CS0;SI0.3,0.4;PA300,1050;LBSPECTRUM\x03VS10;OI;OP;OW;CT1;PT0.3;PA500,500;CI50;\r\n";
    std::string file = Write("classic.plt", Bytes(plot.begin(), plot.end()));
    std::string cmd = "hp2xx -q -m png -d 300 -p 3 -f " + dir_ + "classic.png " + file + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Pixels theirs;
    ASSERT_TRUE(ReadPng(dir_ + "classic.png", theirs));
    Pixels ours = LoadPicture(file);
    ASSERT_GT(ours.width, 0);
    // Ticks stand on the axes: XT's above the frame's foot, YT's right of its left side.
    EXPECT_TRUE(Ink(ours, X(2 * (250 + 2000)), Y(2 * 279 + 100)));
    EXPECT_TRUE(Ink(ours, X(2 * 250 + 100), Y(2 * (279 + 1440))));
    CoarseMatch m = CompareCoarse(TrimToInk(ours), TrimToInk(theirs), 48);
    std::printf("classic plot against hp2xx: match %.3f, ink %.2f\n", m.match, m.ink);
    EXPECT_GE(m.match, 0.9);
    EXPECT_GE(m.ink, 0.8);
    EXPECT_LE(m.ink, 1.25);
}

TEST_F(HpglTest, ColourRangeScalesPenColours) {
    // CR0,100,0,100,0,100: PC's 100 is full colour, 50 half.
    Pixels p =
        Plot("IN;CR0,100,0,100,0,100;PC1,100,0,0;PC2,0,50,0;SP1;PW1;PA0,2000;PD4000,2000;PU;SP2;PA0,3000;PD4000,3000;");
    EXPECT_TRUE(Near(p.at(X(2000), Y(4000)), 0xFF0000));
    EXPECT_TRUE(Near(p.at(X(2000), Y(6000)), 0x008000, 20));
}

TEST_F(HpglTest, MergeControlAndTransparency) {
    // Plotter units are two page units. MC1,85 inverts the page under the ink.
    Pixels p = Plot(
        "IN;SP1;FT1;PA500,500;RA2500,2500;MC1,85;PA1500,1500;RA3500,3500;MC0;"
        "RF1,2,2,1,0,0,1;FT1;PA4500,500;RA6500,2500;FT11,1;TR0;PA5500,1500;RA7500,3500;"
        "FT1;PA500,4500;RA2500,6500;FT11,1;TR1;PA1500,5500;RA3500,7500;");
    EXPECT_TRUE(Ink(p, X(1500), Y(1500)));
    EXPECT_FALSE(Ink(p, X(4000), Y(4000)));  // black inverted
    EXPECT_TRUE(Ink(p, X(6000), Y(6000)));   // paper inverted
    // A checker of pens 0 and 1: TR0 paints its white over the black square, TR1 leaves the black.
    auto mixed = [&](double x, double y) {
        int ink = 0;
        for (int dy = 0; dy < 8; ++dy)
            for (int dx = 0; dx < 8; ++dx) ink += Ink(p, X(x) + dx, Y(y) + dy);
        return ink;
    };
    EXPECT_GT(mixed(12000, 4000), 8);
    EXPECT_LT(mixed(12000, 4000), 56);
    EXPECT_EQ(mixed(4000, 12000), 64);
    EXPECT_GT(mixed(6000, 14000), 8);  // the checker alone, on paper
    EXPECT_LT(mixed(6000, 14000), 56);
}

TEST_F(HpglTest, ProportionalOutlineFontsSpaceBySpaces) {
    // In a proportional outline font, ES adds spaces and a character the font lacks advances as one.
    const std::string font = "IN;SP1;SD1,277,2,1,4,20,5,0,6,0,7,4148;SS;PA2000,2000;";
    RECT plain = Box(Plot(font + "LBII\x03"));
    RECT spaced = Box(Plot(font + "ES2;LBII\x03"));
    RECT gap = Box(Plot(font + "LBI  I\x03"));
    EXPECT_NEAR(spaced.right - spaced.left, gap.right - gap.left, 2);
    RECT lacking = Box(Plot(font + "TD1;LBI\x01\x01I\x03"));
    EXPECT_NEAR(lacking.right - lacking.left, gap.right - gap.left, 2);
    EXPECT_GT(gap.right - gap.left, plain.right - plain.left + 20);
}

TEST_F(HpglTest, UserFillSharesEachSpacingByItsGaps) {
    // FT5 hatches with UF's gaps: 1,1,2 puts three lines in every 800 units, a quarter,
    // a quarter and a half apart; without UF it is FT3's even hatching.
    auto lineGaps = [&](const std::string& fill) {
        Pixels p = Plot("IN;SP1;" + fill + "PA0,0;RA4000,4000;");
        std::vector<int> centres;
        RECT box = InkBox(p, 100);
        for (int y = box.top, start = -1; y <= box.bottom + 1; ++y) {
            bool ink = Ink(p, (box.left + box.right) / 2, y);
            if (ink && start < 0) start = y;
            if (!ink && start >= 0) centres.push_back((start + y - 1) / 2), start = -1;
        }
        std::vector<int> gaps;
        for (size_t k = 1; k < centres.size(); ++k) gaps.push_back(centres[k] - centres[k - 1]);
        return gaps;
    };
    double period = 800 * 0.025 / 25.4 * 192;  // pixels
    std::vector<int> gaps = lineGaps("UF1,1,2;FT5,800,0;");
    ASSERT_GE(gaps.size(), 9u);
    std::vector<int> pattern(gaps.begin(), gaps.begin() + 3);
    std::rotate(pattern.begin(), std::max_element(pattern.begin(), pattern.end()), pattern.end());
    EXPECT_NEAR(pattern[0], period / 2, 2);
    EXPECT_NEAR(pattern[1], period / 4, 2);
    EXPECT_NEAR(pattern[2], period / 4, 2);
    for (int g : lineGaps("UF1,1,2;UF;FT5,800,0;")) EXPECT_NEAR(g, period, 2);
    // Absurd gaps are refused and leave the even hatching.
    for (int g : lineGaps("UF-1,5;FT5,800,0;")) EXPECT_NEAR(g, period, 2);
}

TEST_F(HpglTest, PclPatternFillsInsidePcl) {
    // FT21 fills with PCL's cross-hatches, FT22 with a PCL user pattern (here half black).
    const std::string ESC = "\x1B";
    std::string pattern = std::string("\0\0\1\0\0\x08\0\x08", 8) + std::string(4, '\xF0') + std::string(4, '\x0F');
    auto fill = [&](const std::string& type) {
        std::string job = ESC + "E" + ESC + "*c9G" + ESC + "*c16W" + pattern + ESC + "%0BIN;SP1;PA1000,1000;" + type +
            "RR2000,2000;" + ESC + "%0A" + ESC + "E";
        Pixels p = LoadPicture(Write("ft.pcl", Bytes(job.begin(), job.end())));
        RECT box = InkBox(p, 100);
        if (box.right - box.left < 100) return -1.0;
        // The mean ink, as the pattern's dots average out at the picture's resolution.
        double ink = 0;
        for (int y = box.top + 4; y < box.bottom - 4; ++y)
            for (int x = box.left + 4; x < box.right - 4; ++x) ink += 1 - (p.at(x, y) & 0xFF) / 255.0;
        return ink / ((box.right - box.left - 8.0) * (box.bottom - box.top - 8.0));
    };
    EXPECT_NEAR(fill("FT21,1;"), 2.0 / 16, 0.06);  // lines 2 dots thick every 16
    EXPECT_NEAR(fill("FT21,5;"), 60.0 / 256, 0.08);
    EXPECT_NEAR(fill("FT22,9;"), 0.5, 0.1);
    EXPECT_LT(fill("FT22,8;"), 0);  // no such pattern: nothing
}

// CF: outline characters filled solid, with the fill type, or not at all, and edged with a pen.
TEST_F(HpglTest, CharacterFillModesFillAndEdgeOutlineLabels) {
    auto ink = [&](const std::string& mode) {
        Pixels p = Plot("IN;SP1;SD1,21,2,1,4,72,5,0,6,0,7,16602;SS;PA1000,3000;" + mode + "LBOOOO\x03");
        double sum = 0;
        for (uint32_t px : p.px) sum += (255 - (px & 0xFF)) / 255.0;
        return sum;
    };
    double solid = ink(""), hollow = ink("FT10,0;CF3,1;"), edged = ink("CF1;"), shaded = ink("FT10,50;CF2;");
    ASSERT_GT(solid, 1000);
    EXPECT_NEAR(ink("CF;"), solid, solid * 0.02);
    EXPECT_LT(hollow, solid * 0.85);  // white inside a black edge
    EXPECT_GT(hollow, solid * 0.1);
    EXPECT_NEAR(edged, hollow, hollow * 0.1);
    EXPECT_NEAR(shaded, solid * 0.5, solid * 0.15);
    EXPECT_GT(ink("CF0,1;"), solid);  // solid and edged
}

TEST_F(HpglTest, MathLabelsInTheMathSet) {
    // Math-8 (SD1,269): "!" is a radical sign, "A" an Alpha, 0xD9 aleph; in an outline font, a
    // sign the stand-in face lacks (0x26, proportional to) is drawn from a face that has it.
    ASSERT_TRUE(KnownSymbolSet(SymbolSetId(8, 'M')));
    const SymbolSet& math = FindSymbolSet(SymbolSetId(8, 'M'));
    EXPECT_EQ(math.chars[0x21], u'\u221A');
    EXPECT_EQ(math.chars[0x41], u'\u0391');
    EXPECT_EQ(math.chars[0xD9], u'\u2135');
    const std::string font = "IN;SP1;SD1,269,2,1,4,30,5,0,6,0,7,4148;SS;PA2000,2000;";
    RECT sign = Box(Plot(font + "LB&\x03"));
    // The sign lies wide and low, where a missing character's box would stand tall.
    EXPECT_GT(sign.right - sign.left, 20);
    EXPECT_GT(sign.right - sign.left, sign.bottom - sign.top);
}
