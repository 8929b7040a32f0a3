// PCL5 raster images: the row decoders, and Ghostscript's PCL5 output
// compared with Ghostscript's own rendering of the same page.
#include "convert_print_job.h"
#include "emf_records.h"
#include "pcl_page_state.h"
#include "raster_rows.h"
#include "test_support.h"

#include <filesystem>

#include <cmath>
#include <cstring>

namespace {
Bytes Row(std::initializer_list<uint8_t> b) { return Bytes(b); }

// A P4 PBM file (comments allowed) read into rows of ceil(w/8) bytes.
bool ReadPbm(const Bytes& file, int& w, int& h, Bytes& rows) {
    size_t at = 0;
    std::vector<long> numbers;
    auto token = [&]() -> std::string {
        for (;;) {
            while (at < file.size() && isspace(file[at])) ++at;
            if (at < file.size() && file[at] == '#') {
                while (at < file.size() && file[at] != '\n') ++at;
                continue;
            }
            break;
        }
        size_t start = at;
        while (at < file.size() && !isspace(file[at])) ++at;
        return std::string(file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(at));
    };
    if (token() != "P4") return false;
    w = std::atoi(token().c_str());
    h = std::atoi(token().c_str());
    ++at;  // the single white-space byte after the header
    if (w <= 0 || h <= 0 || at > file.size()) return false;
    rows.assign(file.begin() + static_cast<long>(at), file.end());
    return rows.size() >= static_cast<size_t>((w + 7) / 8) * h;
}
}  // namespace

TEST(PclRasterDecoders, PackBits) {
    Bytes row(4, 0x55);
    Bytes run = Row({0xFE, 0xAA});
    DecodePackBits(run.data(), run.size(), row.data(), row.size());
    EXPECT_EQ(row, Row({0xAA, 0xAA, 0xAA, 0x00}));
    // A literal run longer than the row and the data: only what fits, from what is there.
    Bytes literal = Row({0x7F, 1, 2, 3, 4, 5, 6});
    DecodePackBits(literal.data(), literal.size(), row.data(), row.size());
    EXPECT_EQ(row, Row({1, 2, 3, 4}));
    Bytes repeatAtEnd = Row({0x80, 0x81});  // a no-op, then a repeat without its byte
    DecodePackBits(repeatAtEnd.data(), repeatAtEnd.size(), row.data(), row.size());
    EXPECT_EQ(row, Row({0, 0, 0, 0}));
    // A block of rows (as PCL XL images send them): the bytes made are counted, none past the
    // room given, and what follows the last whole run is left alone.
    Bytes block = Row({0x02, 7, 8, 9, 0xFD, 0x11, 0xFF, 0x22});
    Bytes out(10, 0xEE);
    EXPECT_EQ(UnpackBits(block.data(), block.size(), out.data(), 8), 8u);
    EXPECT_EQ(out, Row({7, 8, 9, 0x11, 0x11, 0x11, 0x11, 0x22, 0xEE, 0xEE}));
    EXPECT_EQ(UnpackBits(block.data(), block.size(), out.data(), 5), 5u);
    EXPECT_EQ(UnpackBits(block.data(), 3, out.data(), out.size()), 2u);  // the literal cut short by the data
}

TEST(PclRasterDecoders, DeltaRow) {
    Bytes row = Row({0x11, 0x22, 0x33, 0x44});
    Bytes delta = Row({0x21, 0x99, 0x88});  // two bytes at offset 1
    DecodeDeltaRow(delta.data(), delta.size(), row.data(), row.size());
    EXPECT_EQ(row, Row({0x11, 0x99, 0x88, 0x44}));
    // Offset 31 + 255 + 2 = 288 on a 300-byte row.
    Bytes wide(300, 0);
    Bytes far = Row({0x1F, 0xFF, 0x02, 0x77});
    DecodeDeltaRow(far.data(), far.size(), wide.data(), wide.size());
    EXPECT_EQ(wide[288], 0x77);
    EXPECT_EQ(std::count(wide.begin(), wide.end(), 0), 299);
    // Offsets past the row and replacement bytes beyond its end are dropped.
    Bytes small(4, 0);
    Bytes past = Row({0x1F, 0xFF, 0xFF, 0xFF, 0x01, 0xE3, 1, 2, 3, 4, 5, 6, 7, 8});
    DecodeDeltaRow(past.data(), past.size(), small.data(), small.size());
    EXPECT_EQ(small, Row({0, 0, 0, 0}));
    Bytes over = Row({0xE3, 1, 2, 3, 4, 5, 6, 7, 8});
    DecodeDeltaRow(over.data(), over.size(), small.data(), small.size());
    EXPECT_EQ(small, Row({0, 0, 0, 1}));
}

class PclRasterTest : public TempDirTest {};

TEST_F(PclRasterTest, RowsPaintAtTheCursorAndMoveIt) {
    InitPclJob();
    Pcl().tempDir = dir_.c_str();
    DispatchPclCommand('&', 'l', 'A', nullptr, 0, 26);
    DispatchPclCommand('&', 'l', 'O', nullptr, 0, 0);
    EXPECT_EQ(Pcl().pageDC, nullptr);  // the first row painted opens the page
    DispatchPclCommand('*', 'r', 'S', nullptr, 0, 64);
    EXPECT_EQ(Pcl().rasterResolution, 75);  // the printers' default
    DispatchPclCommand('*', 't', 'R', nullptr, 0, 300);
    DispatchPclCommand('*', 't', 'R', nullptr, 0, 0);  // keeps 300
    EXPECT_EQ(Pcl().rasterResolution, 300);
    DispatchPclCommand('*', 'r', 'A', nullptr, 0, 1);
    double top = Pcl().cursorY;
    uint8_t row[9] = {'W', 0xFF, 0, 0, 0, 0, 0, 0, 0xFF};
    for (int i = 0; i < 100; ++i) DispatchPclCommand('*', 'b', 'W', row, 8, 8);
    EXPECT_TRUE(DispatchPclCommand('*', 'r', 'C', nullptr, 0, 0));
    EXPECT_EQ(Pcl().cursorY, top + 677);                             // 100 rows at 300 dpi
    EXPECT_FALSE(DispatchPclCommand('*', 'r', 'C', nullptr, 0, 0));  // no image open
    DispatchPclCommand('*', 'b', 'W', row, 8, 8);                    // no image open either
    std::string page = Pcl().pages.at(0);
    FinishPclJob();
    std::vector<PaintedImage> images = ImagesOfPage(ReadFileBytes(page));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].width, 64);
    EXPECT_EQ(images[0].height, 100);
    EXPECT_EQ(images[0].destHeight, 677);
    EXPECT_EQ(images[0].rop, SRCAND);
    std::remove(page.c_str());
}

TEST_F(PclRasterTest, GhostscriptJobsMatchGhostscriptsOwnRendering) {
    if (std::system("command -v gs > /dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript not installed";
    std::string ps = Write("page.ps", [] {
        std::string s =
            "%!PS\n/Helvetica findfont 36 scalefont setfont 72 700 moveto (Raster from Ghostscript) show\n"
            "100 100 300 300 rectfill newpath 400 400 100 0 360 arc fill\n"
            "0.5 setgray 300 500 200 100 rectfill\nshowpage\n";
        return Bytes(s.begin(), s.end());
    }());
    // The LaserJet 4 drivers place rows on the paper's own coordinates; older models' drivers
    // shift them by their printable area, which a page of our own has no notion of.
    for (const char* device : {"ljet4", "ljet4d"}) {
        std::string pcl = dir_ + "jobs/page.pcl", pbm = dir_ + "jobs/page.pbm";
        std::string gs = "gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 -r300 ";
        ASSERT_EQ(std::system((gs + "-sDEVICE=" + device + " -sOutputFile=" + pcl + " " + ps).c_str()), 0);
        ASSERT_EQ(std::system((gs + "-sDEVICE=pbmraw -sOutputFile=" + pbm + " " + ps).c_str()), 0);
        int w = 0, h = 0;
        Bytes expected;
        ASSERT_TRUE(ReadPbm(ReadFileBytes(pbm), w, h, expected));
        PageList pages;
        ASSERT_TRUE(ConvertPrintJob(pcl.c_str(), pages));
        ASSERT_EQ(pages.size(), 1u) << device;
        // Every painted image must hold exactly the page's rows at its place; the
        // vertical offset is searched within a third of an inch either way (the logical page of
        // a LaserJet starts below the paper's edge, and the driver's registration offsets move it).
        size_t stride = (static_cast<size_t>(w) + 7) / 8;
        size_t checkedRows = 0;
        for (const PaintedImage& img : ImagesOfPage(ReadFileBytes(pages[0]))) {
            ASSERT_EQ(img.bits, 1);
            size_t dibStride = ((static_cast<size_t>(img.width) + 31) / 32) * 4;
            size_t n = std::min(stride, (static_cast<size_t>(img.width) + 7) / 8) - 1;
            int y0 = static_cast<int>(std::lround(img.y * 300.0 / 2032));
            auto rowMatches = [&](int r, int shift) {
                int y = y0 + r + shift;
                if (y < 0 || y >= h) return false;
                return memcmp(img.data.data() + r * dibStride, expected.data() + static_cast<size_t>(y) * stride, n) ==
                    0;
            };
            int shift = -100;
            while (shift <= 100 && !(rowMatches(0, shift) && rowMatches(img.height / 2, shift))) ++shift;
            ASSERT_LE(shift, 100) << device;
            for (int r = 0; r < img.height && y0 + r + shift < h; ++r, ++checkedRows)
                ASSERT_TRUE(rowMatches(r, shift)) << device << " row " << r;
        }
        EXPECT_GT(checkedRows, 1000u) << device;
        DeletePageFiles(pages);
    }
}

TEST_F(PclRasterTest, PalettesAndIndexedImages) {
    InitPclJob();
    Pcl().tempDir = dir_.c_str();
    PclPageState& s = Pcl();
    uint8_t config[7] = {'W', 0, 1, 8, 8, 8, 8};
    ASSERT_TRUE(DispatchPclCommand('*', 'v', 'W', config, 6, 6));
    ASSERT_EQ(s.palettes.count(1), 1u);
    EXPECT_EQ(s.palettes[1].entries.size(), 256u);
    EXPECT_EQ(s.palettes[1].encodingMode, 1);
    auto assign = [](double r, double g, double b, double i) {
        DispatchPclCommand('*', 'v', 'A', nullptr, 0, r);
        DispatchPclCommand('*', 'v', 'B', nullptr, 0, g);
        DispatchPclCommand('*', 'v', 'C', nullptr, 0, b);
        return DispatchPclCommand('*', 'v', 'I', nullptr, 0, i);
    };
    EXPECT_TRUE(assign(255, 0, 0, 3));
    EXPECT_EQ(s.palettes[1].entries[3].peRed, 255);
    EXPECT_EQ(s.colourComponents[0], 0);
    EXPECT_TRUE(assign(999, -5, 0, 300));  // out of range: nothing set, components cleared
    EXPECT_TRUE(assign(0, 0, 999, 4));     // components are clamped: blue 255
    EXPECT_EQ(s.palettes[1].entries[4].peBlue, 255);
    // Another active palette ID has no palette until one is configured.
    DispatchPclCommand('&', 'p', 'I', nullptr, 0, 5);
    DispatchPclCommand('&', 'p', 'C', nullptr, 0, 6);
    EXPECT_EQ(s.activePaletteId, 5);
    EXPECT_FALSE(assign(1, 1, 1, 1));
    EXPECT_FALSE(DispatchPclCommand('&', 'p', 'C', nullptr, 0, 4));
    DispatchPclCommand('&', 'p', 'I', nullptr, 0, 1);
    DispatchPclCommand('&', 'p', 'C', nullptr, 0, 6);
    EXPECT_TRUE(DispatchPclCommand('&', 'p', 'S', nullptr, 0, 1));
    EXPECT_FALSE(DispatchPclCommand('&', 'p', 'S', nullptr, 0, 9));
    // An indexed image of three 30-pixel bands: red, blue, and index 259 wrapping round to red.
    DispatchPclCommand('&', 'l', 'A', nullptr, 0, 26);
    DispatchPclCommand('&', 'l', 'O', nullptr, 0, 0);
    DispatchPclCommand('*', 'p', 'X', nullptr, 0, 300);
    DispatchPclCommand('*', 'p', 'Y', nullptr, 0, 300);
    DispatchPclCommand('*', 'r', 'S', nullptr, 0, 90);
    DispatchPclCommand('*', 't', 'R', nullptr, 0, 300);
    DispatchPclCommand('*', 'r', 'A', nullptr, 0, 1);
    uint8_t row[91] = {'W'};
    std::fill(row + 1, row + 31, 3);
    std::fill(row + 31, row + 61, 4);
    std::fill(row + 61, row + 91, 3);
    for (int i = 0; i < 30; ++i) DispatchPclCommand('*', 'b', 'W', row, 90, 90);
    EXPECT_TRUE(DispatchPclCommand('*', 'r', 'C', nullptr, 0, 0));
    std::string page = s.pages.at(0);
    FinishPclJob();
    Pixels p = PlayOnto(ReadFileBytes(page), 1587, 2245);
    // One inch in from the logical page's edge (71 dots in) and down from the top margin (150 dots):
    // at (237, 288) px; each band 0.1 inch (19 px) wide and the image 19 px tall.
    EXPECT_TRUE(Near(p.at(246, 297), 0xFF0000, 40));
    EXPECT_TRUE(Near(p.at(266, 297), 0x0000FF, 40));
    EXPECT_TRUE(Near(p.at(285, 297), 0xFF0000, 40));
    EXPECT_EQ(p.at(225, 297), 0xFFFFFFu);
    EXPECT_EQ(p.at(246, 311), 0xFFFFFFu);
    std::remove(page.c_str());
}

TEST_F(PclRasterTest, YOffsetsAddBlankRowsWithinBounds) {
    InitPclJob();
    Pcl().tempDir = dir_.c_str();
    DispatchPclCommand('&', 'l', 'A', nullptr, 0, 26);
    DispatchPclCommand('&', 'l', 'O', nullptr, 0, 0);
    DispatchPclCommand('*', 'r', 'S', nullptr, 0, 32);
    DispatchPclCommand('*', 'r', 'A', nullptr, 0, 1);
    uint8_t row[5] = {'W', 0xFF, 0xFF, 0xFF, 0xFF};
    DispatchPclCommand('*', 'b', 'W', row, 4, 4);
    DispatchPclCommand('*', 'b', 'Y', nullptr, 0, 9);
    EXPECT_EQ(Pcl().raster->rowCount, 10);
    // Compression 0 rows of zero length repeat the blank seed the offset left.
    DispatchPclCommand('*', 'b', 'W', row, 0, 0);
    EXPECT_EQ(Pcl().raster->image[40], 0);
    // A huge offset stops at the image limit, at once.
    DispatchPclCommand('*', 'b', 'Y', nullptr, 0, 2147483647);
    EXPECT_LE(static_cast<int64_t>(Pcl().raster->image.size()), kMaxRasterBytes);
    DiscardRaster();
    FinishPclJob();
}

TEST_F(PclRasterTest, PaletteControlDeletesAndSelectsOnThePage) {
    InitPclJob();
    Pcl().tempDir = dir_.c_str();
    PclPageState& s = Pcl();
    uint8_t config[7] = {'W', 0, 1, 8, 8, 8, 8};
    ASSERT_TRUE(DispatchPclCommand('*', 'v', 'W', config, 6, 6));
    OpenPclPage();
    ASSERT_NE(s.pageDC, nullptr);
    // A palette selected on an open page goes into the page as a logical palette.
    EXPECT_TRUE(DispatchPclCommand('&', 'p', 'S', nullptr, 0, 1));
    // Operation 2 deletes the palette of the control ID and makes that ID active.
    DispatchPclCommand('&', 'p', 'I', nullptr, 0, 7);
    DispatchPclCommand('&', 'p', 'C', nullptr, 0, 6);
    ASSERT_TRUE(DispatchPclCommand('*', 'v', 'W', config, 6, 6));
    EXPECT_EQ(s.palettes.count(7), 1u);
    EXPECT_TRUE(DispatchPclCommand('&', 'p', 'C', nullptr, 0, 2));
    EXPECT_EQ(s.palettes.count(7), 0u);
    EXPECT_EQ(s.activePaletteId, 7);
    // Operation 0 deletes the active palette.
    DispatchPclCommand('&', 'p', 'I', nullptr, 0, 1);
    DispatchPclCommand('&', 'p', 'C', nullptr, 0, 6);
    EXPECT_TRUE(DispatchPclCommand('&', 'p', 'C', nullptr, 0, 0));
    EXPECT_EQ(s.palettes.count(1), 0u);
    EXPECT_FALSE(DispatchPclCommand('&', 'p', 'S', nullptr, 0, 1));
    MarkPclPage();  // a page nothing marked would not be kept
    std::string page = s.pages.at(0);
    FinishPclJob();
    Bytes emf = ReadFileBytes(page);
    EXPECT_EQ(CountRecords(emf, EMR_CREATEPALETTE), 1u);
    EXPECT_EQ(CountRecords(emf, EMR_SELECTPALETTE), 1u);
    std::remove(page.c_str());
}

TEST(PclRasterDecoders, RunLengthAndReplacementDeltaRow) {
    Bytes row(6, 0x11);
    Bytes rle = Row({2, 0xAA, 0, 0xBB, 200});  // three 0xAA, one 0xBB, a pair cut short
    DecodeRunLength(rle.data(), rle.size(), row.data(), row.size());
    EXPECT_EQ(row, Row({0xAA, 0xAA, 0xAA, 0xBB, 0, 0}));
    // Replacement delta row: two literal bytes at offset 1, then a run of four 0x55 at offset 0 after them.
    Bytes seed = Row({1, 2, 3, 4, 5, 6, 7, 8});
    Bytes delta = Row({0x09, 0xA1, 0xA2, 0x82, 0x55});
    DecodeReplacementDeltaRow(delta.data(), delta.size(), seed.data(), seed.size());
    EXPECT_EQ(seed, Row({1, 0xA1, 0xA2, 0x55, 0x55, 0x55, 0x55, 8}));
    // Extended offsets and counts stop at the row's end; a run without its byte does nothing.
    Bytes far = Row({0x7F, 0xFF, 0xFF, 0x09, 0x77, 0x9F, 0xFF});
    DecodeReplacementDeltaRow(far.data(), far.size(), seed.data(), seed.size());
    EXPECT_EQ(seed, Row({1, 0xA1, 0xA2, 0x55, 0x55, 0x55, 0x55, 8}));
}

// One 8-pixel row of each layout, painted and read back as colours.
TEST_F(PclRasterTest, EveryPixelEncodingAndCompressionGivesItsColours) {
    struct Case {
        const char* name;
        std::string setup;              // commands before the rows
        std::vector<std::string> rows;  // each a full transfer command
        uint32_t left, right;           // the colours of pixels 0 and 7
    };
    const std::string ESC = "\x1B";
    auto cid = [&](int space, int mode, int index, int primary) {
        std::string d{static_cast<char>(space),   static_cast<char>(mode),    static_cast<char>(index),
                      static_cast<char>(primary), static_cast<char>(primary), static_cast<char>(primary)};
        return ESC + "*v6W" + d;
    };
    std::string rgbRow = std::string("\xFF\0\0", 3) + std::string(18, '\0') + std::string("\0\0\xFF", 3);
    Case cases[] = {
        {"mono, run-length", ESC + "*b1M", {ESC + "*b2W" + std::string("\0\x80", 2)}, 0x000000, 0xFFFFFF},
        {"24-bit by pixel, delta row",
         cid(0, 3, 8, 8) + ESC + "*b3M",
         {ESC + "*b27W" + std::string("\xE0", 1) + rgbRow.substr(0, 8) + "\xE0" + rgbRow.substr(8, 8) +
          std::string("\xE0", 1) + rgbRow.substr(16, 8)},
         0xFF0000,
         0x0000FF},
        {"direct by plane, PackBits",
         cid(0, 2, 1, 1) + ESC + "*b2M",
         {ESC + "*b2V" + std::string("\0\x80", 2) + ESC + "*b2V" + std::string("\0\x01", 2) + ESC + "*b2W" +
          std::string("\0\x01", 2)},
         0xFF0000,
         0x00FFFF},
        {"simple colour CMY planes",
         ESC + "*r-3U",
         {ESC + "*b1V" + std::string("\x80", 1) + ESC + "*b1V" + std::string("\x80", 1) + ESC + "*b1W" +
          std::string("\x01", 1)},
         0x0000FF,
         0xFFFF00},
        {"indexed by pixel, 4 bits, replacement delta row",
         cid(0, 1, 4, 8) + ESC + "*b9M",
         {ESC + "*b5W" + std::string("\x03\x10\0\0\x04", 5)},
         0xFF0000,
         0x0000FF},
        {"adaptive block of two rows",
         ESC + "*b5M",
         {ESC + "*b8W" + std::string("\0\0\1\x80", 4) + std::string("\5\0\1\0", 4)},
         0x000000,
         0xFFFFFF},
    };
    for (const Case& c : cases) {
        std::string job = ESC + "E" + ESC + "&l26A" + ESC + "&l0O" + ESC + "*t75R" + c.setup + ESC + "*r8S" + ESC +
            "*p0x0Y" + ESC + "*r1A";
        for (const std::string& r : c.rows) job += r;
        job += ESC + "*rB";
        Pixels p = LoadPicture(Write("enc.pcl", Bytes(job.begin(), job.end())));
        ASSERT_GT(p.width, 0) << c.name;
        // Each pixel at 75 dpi is 2.56 picture pixels; the image starts 71 dots (45 px) in and 150 dots (96 px) down.
        EXPECT_TRUE(Near(p.at(46, 97), c.left, 60)) << c.name << std::hex << " " << p.at(46, 97);
        EXPECT_TRUE(Near(p.at(45 + 19, 97), c.right, 60)) << c.name << std::hex << " " << p.at(64, 97);
    }
}

TEST_F(PclRasterTest, AColourLaserJetJobLooksAsGhostscriptDrawsIt) {
    if (std::system("command -v gs > /dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript not installed";
    std::string ps = Write("colour.ps", [] {
        std::string s =
            "%!PS\n/Times-Roman findfont 24 scalefont setfont 72 700 moveto (A document in colour) show\n"
            "1 0 0 setrgbcolor 72 500 200 100 rectfill 0 0 1 setrgbcolor 300 500 100 100 rectfill\n"
            "0 setgray 72 400 moveto (Black text below the boxes) show showpage\n";
        return Bytes(s.begin(), s.end());
    }());
    std::string pcl = dir_ + "jobs/colour.pcl", png = dir_ + "jobs/colour.png";
    std::string gs = "gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 ";
    // The Color LaserJet 5 driver sends 24-bit rows in delta-row compression.
    ASSERT_EQ(std::system((gs + "-r150 -sDEVICE=cljet5c -sOutputFile=" + pcl + " " + ps).c_str()), 0);
    ASSERT_EQ(std::system((gs + "-r96 -sDEVICE=png16m -sOutputFile=" + png + " " + ps).c_str()), 0);
    Pixels ours = LoadPicture(pcl), theirs;
    ASSERT_TRUE(ReadPng(png, theirs));
    ASSERT_GT(ours.width, 0);
    // Ghostscript draws the page further right and down by the printer's unprintable
    // edges, which the driver leaves out (about a third of an inch): the best of the
    // pictures moved by that much, give or take a tenth of an inch.
    CoarseMatch m;
    for (int dy = 40; dy <= 72; dy += 8)
        for (int dx = 48; dx <= 80; dx += 8) {
            Pixels moved = ours;
            std::fill(moved.px.begin(), moved.px.end(), 0xFFFFFFu);
            for (int y = 0; y + dy < ours.height; ++y)
                std::copy(ours.px.begin() + static_cast<long>(y) * ours.width,
                          ours.px.begin() + static_cast<long>(y) * ours.width + (ours.width - dx),
                          moved.px.begin() + static_cast<long>(y + dy) * ours.width + dx);
            CoarseMatch c = CompareCoarse(moved, theirs);
            if (c.match > m.match) m = c;
        }
    std::printf("cljet5c: match %.3f, ink %.2f\n", m.match, m.ink);
    EXPECT_GE(m.match, 0.95);
    EXPECT_NEAR(m.ink, 1.0, 0.15);
}

TEST_F(PclRasterTest, PresentationModeTurnsRowsWithThePhysicalPage) {
    // A bar 200 dots wide and 40 rows high on a landscape page: mode 3 (the default) lays its rows
    // along the physical page's width, across the landscape picture; mode 0 along the logical page.
    std::string e = "\x1B";
    auto bar = [&](const std::string& mode) {
        std::string job = e + "E" + e + "&l1O" + e + "*p300x300Y" + mode + e + "*t300R" + e + "*r200S" + e + "*r1A";
        for (int row = 0; row < 40; ++row) job += e + "*b25W" + std::string(25, '\xFF');
        job += e + "*rC" + e + "E";
        Pixels p = LoadPicture(Write("presentation.pcl", Bytes(job.begin(), job.end())));
        EXPECT_GT(p.width, p.height);  // the landscape page
        RECT r = InkBox(p, 100);
        return std::make_pair(r.right - r.left + 1, r.bottom - r.top + 1);
    };
    auto logical = bar(e + "*r0F");
    EXPECT_NEAR(logical.first, 200 * 192 / 300, 2);
    EXPECT_NEAR(logical.second, 40 * 192 / 300, 2);
    for (const std::string& mode : {e + "*r3F", std::string()}) {
        auto physical = bar(mode);
        EXPECT_NEAR(physical.first, logical.second, 1);
        EXPECT_NEAR(physical.second, logical.first, 1);
    }
}

TEST_F(PclRasterTest, InkjetRasterOfConfiguredInksAndResolutions) {
    if (std::system("command -v gs > /dev/null 2>&1") != 0) GTEST_SKIP() << "ghostscript not installed";
    // Ghostscript's DeskJet 880 and 970 drivers write HP's inkjet raster: Configure Raster Data
    // with black and three colour inks of four levels, all at 600 dpi (880) or the colours at
    // 300 dpi (970), the planes of each row group in PackBits.
    std::string ps = Write("page.ps", [] {
        std::string s =
            "%!PS\n/Helvetica findfont 40 scalefont setfont 72 600 moveto (Inkjet raster) show\n"
            "1 0 0 setrgbcolor 72 300 200 200 rectfill\nshowpage\n";
        return Bytes(s.begin(), s.end());
    }());
    for (const char* device : {"cdj880", "cdj970"}) {
        std::string job = dir_ + "jobs/" + device + ".prn";
        std::string gs = "gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 -r600 -sDEVICE=";
        ASSERT_EQ(std::system((gs + device + " -sOutputFile=" + job + " " + ps + " 2>/dev/null").c_str()), 0);
        Pixels p = LoadPicture(job);
        ASSERT_GT(p.width, 0) << device;
        // The red square: 200 points a side at 192 dpi, its foot 300 points up an A4 page.
        int red = 0, left = p.width, right = 0, top = p.height, bottom = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (Near(p.at(x, y), 0xFF0000, 60)) {
                    ++red;
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                    bottom = std::max(bottom, y);
                }
        ASSERT_GT(red, 10000) << device;
        EXPECT_NEAR(right - left + 1, 200 * 192 / 72, 6) << device;
        EXPECT_NEAR(bottom - top + 1, 200 * 192 / 72, 6) << device;
        EXPECT_NEAR(bottom, 2245 - 300 * 192 / 72, 8) << device;
        // The text above it is black, standing on its baseline with the j below. (The 970 driver
        // also writes "ESCu300D", a units command without its '&': "300D" prints near the top, as
        // in GhostPCL.)
        RECT text = InkBox(p, 100, 0, 300, p.width, top - 20);
        ASSERT_LT(text.left, text.right) << device;
        EXPECT_GE(text.bottom, 2245 - 600 * 192 / 72) << device;
        EXPECT_LE(text.bottom, 2245 - 600 * 192 / 72 + 25) << device;
        EXPECT_GT(p.Share(text.left, text.top, text.right, text.bottom, 0x000000, 80), 0.05) << device;
    }
}

TEST(PclRasterInks, ConfigurationsOutOfBoundsAreRefused) {
    InitPclJob();
    auto configure = [](std::vector<uint8_t> d) {
        return ConfigureRasterData(d.data(), static_cast<int32_t>(d.size()));
    };
    auto ink = [](int x, int y, int levels) {
        return std::vector<uint8_t>{uint8_t(x >> 8), uint8_t(x),           uint8_t(y >> 8),
                                    uint8_t(y),      uint8_t(levels >> 8), uint8_t(levels)};
    };
    auto join = [](int format, int inks, std::initializer_list<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> d{uint8_t(format), uint8_t(inks)};
        for (const auto& p : parts) d.insert(d.end(), p.begin(), p.end());
        return d;
    };
    EXPECT_TRUE(configure(join(2, 1, {ink(600, 600, 2)})));
    EXPECT_EQ(Pcl().rasterResolution, 600);
    EXPECT_FALSE(configure(join(3, 1, {ink(600, 600, 2)})));                    // another format
    EXPECT_FALSE(configure(join(2, 2, {ink(600, 600, 2), ink(600, 600, 2)})));  // two inks
    EXPECT_FALSE(configure(join(2, 3, {ink(600, 600, 2), ink(600, 600, 2)})));  // cut short
    EXPECT_FALSE(configure(join(2, 1, {ink(0, 600, 2)})));                      // no resolution
    EXPECT_FALSE(configure(join(2, 1, {ink(600, 600, 1)})));                    // one level
    // Black at 2400 dpi over colours at 75 dpi: 32 rows of black a group, past what a group may hold.
    EXPECT_FALSE(configure(join(2, 4, {ink(2400, 2400, 4), ink(75, 75, 4), ink(75, 75, 4), ink(75, 75, 4)})));
    EXPECT_EQ(Pcl().rasterInks.size(), 1u);  // the last good configuration stands
    FinishPclJob();
}

// Our own jobs (tests/data/pcl-graphics) beside GhostPCL's 96 dpi pictures of them: an
// instrument's screen dump at the default resolution, a driver's escape sequence of an unknown
// parameterised character before its page set-up, raster under a top margin of nought,
// HP-GL/2 drawing clipped by the picture frame, and lines screened with hatches, shading and a
// raster fill (where our hatches lie a few dots apart from GhostPCL's, and its shading is dithered).
TEST_F(PclRasterTest, OwnJobsLookAsGhostPclPrintsThem) {
    namespace fs = std::filesystem;
    fs::path data = fs::path(SPOOLSIGHT_TEST_DATA) / "pcl-graphics";
    struct Job {
        const char* name;
        double match;
    };
    for (auto [name, least] : {Job{"instrument", 0.95}, Job{"unknown-escape", 0.95}, Job{"top-margin", 0.95},
                               Job{"frame-clip", 0.95}, Job{"screened-vectors", 0.9}}) {
        Bytes job = ReadFileBytes((data / (std::string(name) + ".pcl")).string());
        Pixels ours = LoadPicture(Write(std::string(name) + ".pcl", job)), theirs;
        ASSERT_TRUE(ReadPng((data / (std::string(name) + "-1.gpcl6.png")).string(), theirs)) << name;
        CoarseMatch m = CompareCoarse(ours, theirs);
        std::printf("%s: match %.3f, ink %.2f\n", name, m.match, m.ink);
        EXPECT_GE(m.match, least) << name;
        EXPECT_GT(m.ink, 0.8) << name;
        EXPECT_LT(m.ink, 1.25) << name;
        PageList pages = Convert(job);
        EXPECT_EQ(pages.size(), 1u) << name;
        DeletePageFiles(pages);
    }
}
