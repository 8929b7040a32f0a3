// HP's inkjet raster (PCL3GUI): the colour rows' method, components of their own
// resolutions composed into bands of rows with ink, and pages written by HP's own inkjet
// driver (hpijs) compared pixel for pixel with Ghostscript's rendering of the same page.
#include "convert_print_job.h"
#include "emf_records.h"
#include "raster_rows.h"
#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {
// A row of pixels, red, green and blue each.
Bytes Pixels3(std::initializer_list<uint32_t> rgb) {
    Bytes row;
    for (uint32_t c : rgb) row.insert(row.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    return row;
}

Bytes Decode(const Bytes& seed, const Bytes& data) {
    Bytes row = seed;
    DecodeInkjetRgb(data.data(), data.size(), row.data(), row.size() / 3);
    return row;
}

void Append(Bytes& job, const std::string& s) { job.insert(job.end(), s.begin(), s.end()); }
// An escape sequence with its data: ESC, the two characters, the data's length, the letter.
void Command(Bytes& job, const char* escape, char letter, const Bytes& data) {
    Append(job, "\x1b" + std::string(escape) + std::to_string(data.size()) + letter);
    job.insert(job.end(), data.begin(), data.end());
}

// Black at 600 x 300 dpi in the replacement delta row method and colour at 300 x 300 in the
// colour method, no compression command: two rows of black at both ends over red, a blank
// group, a row of black only, and a form feed.
Bytes InkjetJob() {
    Bytes job;
    Append(job,
           "\x1b"
           "E\x1b&u600D\x1b*r16S");
    Command(job, "*g", 'W', {6, 0x1F, 0, 2, 0x02, 0x58, 0x01, 0x2C, 9, 0, 1, 1, 0x01, 0x2C, 0x01, 0x2C, 10, 1, 32, 1});
    Append(job, "\x1b*p300Y\x1b*r1A");
    auto row = [&](const Bytes& black, const Bytes& colour) {
        Command(job, "*b", 'V', black);
        Command(job, "*b", 'W', colour);
    };
    row({0x01, 0xF0, 0x0F}, {0x86, 0x7F, 0x80, 0x00});  // black at both ends over eight red pixels
    row({}, {});                                        // the same again (both methods are deltas)
    Append(job, "\x1b*b1Y");                            // a blank group, seeds cleared
    row({0x01, 0xFF, 0xFF}, {});                        // black only
    Append(job, "\x0c");
    return job;
}
}  // namespace

TEST(InkjetRgbRows, EveryCommandAndPixelForm) {
    const uint32_t white = 0xFFFFFF;
    Bytes seed = Pixels3({white, 0x102030, 0x405060, white, white, white, white, white});
    // A run (command bit 7) of a new pixel sent whole: 23 bits, blue's lowest bit repeating its
    // next; the count less two in bits 0-2, the offset from the seed in bits 3-4.
    EXPECT_EQ(Decode(seed, {0x88, 0x7F, 0x80, 0x00}),
              Pixels3({white, 0xFF0000, 0xFF0000, white, white, white, white, white}));
    EXPECT_EQ(Decode(seed, {0x80, 0x00, 0x00, 0x7F}),
              Pixels3({0x0000FF, 0x0000FF, 0x405060, white, white, white, white, white}));
    // A string (bit 7 clear) of three: the first from the seed above right (source 2), then a
    // change from the pixel above (+1 red, -1 green, +2 blue, as steps of two) and a whole one.
    EXPECT_EQ(Decode(seed, {0x4A, 0x87, 0xE1, 0x00, 0x40, 0x3F}),
              Pixels3({white, 0x405060, 0x414F62, 0x00807F, white, white, white, white}));
    // A run from the left (source 1), and one of the last new pixel (source 3).
    const uint32_t c = 0x01007F;
    EXPECT_EQ(Decode(seed, {0x00, 0x00, 0x80, 0x3F, 0xA0, 0xE8}), Pixels3({c, c, c, white, c, c, white, white}));
    // Counts and offsets of 7 and 3 take bytes that add on while they are 255, after the pixel.
    Bytes wide(300 * 3, 0xFF);
    Bytes runs = Decode(wide, {0x9F, 0xFF, 0x02, 0x7F, 0x80, 0x00, 0x05});
    EXPECT_EQ(runs[3 * 259], 0xFF);
    EXPECT_EQ(runs[3 * 259 + 1], 0xFF);
    for (size_t x : {260u, 273u}) EXPECT_EQ(runs[3 * x + 1], 0x00) << x;
    EXPECT_EQ(runs[3 * 274 + 1], 0xFF);  // 3 + 255 + 2 copied, then 7 + 5 + 2 of red
    // Nothing written past the row or read past the data: a run longer than the row, an offset
    // past it, a pixel cut short.
    const uint32_t b = 0x0000FF;
    EXPECT_EQ(Decode(seed, {0x87, 0x00, 0x00, 0x7F, 0xFF, 0xFF, 0x10}), Pixels3({b, b, b, b, b, b, b, b}));
    EXPECT_EQ(Decode(seed, {0x98, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x00}), seed);
    EXPECT_EQ(Decode(seed, {0x80, 0x7F}), seed);
    EXPECT_EQ(Decode(seed, {0x01, 0x7F, 0x80, 0x00, 0x80}),
              Pixels3({0xFF0000, 0x102030, 0x405060, white, white, white, white, white}));
}

class InkjetRasterTest : public TempDirTest {};

// Rows with ink become bands, blank rows are left out, black prints over colour, and the form
// feed ends the image on its own page.
TEST_F(InkjetRasterTest, ComponentsOfTheirOwnResolutionsMakeBands) {
    Bytes job = InkjetJob();
    PageList pages = Convert(job);
    ASSERT_EQ(pages.size(), 1u);
    std::vector<PaintedImage> images = ImagesOfPage(ReadFileBytes(pages[0]));
    ASSERT_EQ(images.size(), 2u);
    const PaintedImage& colour = images[0];
    EXPECT_EQ(colour.bits, 24);
    EXPECT_EQ(colour.width, 16);
    EXPECT_EQ(colour.height, 2);
    EXPECT_EQ(colour.destHeight, 13);  // two rows at 300 dpi, in 1/2032 inch
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint8_t* p = colour.data.data() + y * 48 + 3 * x;
            bool black = x < 4 || x >= 12;
            EXPECT_EQ(p[2], black ? 0 : 255) << x;  // red
            EXPECT_EQ(p[0] + p[1], 0) << x;
        }
    // Placed from the top of the paper: inkjets printing this raster have no top margin.
    EXPECT_EQ(colour.y, 1016);
    const PaintedImage& dots = images[1];
    EXPECT_EQ(dots.bits, 1);
    EXPECT_EQ(dots.height, 1);
    EXPECT_EQ(dots.y - colour.y, 20);  // three rows further down
    EXPECT_EQ(dots.data[0], 0xFF);
    EXPECT_EQ(dots.data[1], 0xFF);
    DeletePageFiles(pages);
}

TEST_F(InkjetRasterTest, HpDriversPagesMatchGhostscriptsRendering) {
    if (!HaveTool("gs") || !HaveTool("hpijs")) GTEST_SKIP() << "ghostscript or hpijs not installed";
    std::string ps = Write("page.ps", [] {
        std::string s =
            "%!PS\n<< /PageSize [288 216] >> setpagedevice\n"
            "1 0 0 setrgbcolor 36 108 72 72 rectfill 0 0 1 setrgbcolor 144 108 36 54 rectfill\n"
            "gsave 36 20 translate 200 60 scale 0 0 1 1 rectclip << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 "
            "1 0]\n"
            "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0.8 0] /C1 [0 0.3 0.6] /N 1 >> >> shfill grestore\n"
            "gsave 200 100 translate 72 100 scale 0 0 1 1 rectclip << /ShadingType 2 /ColorSpace /DeviceRGB\n"
            "/Coords [0 0 0.3 1] /Function << /FunctionType 2 /Domain [0 1] /C0 [0.9 0.1 0.5] /C1 [0.1 0.9 0.3] /N 1 "
            ">>\n"
            ">> shfill grestore\n"
            "0 setgray /Helvetica findfont 20 scalefont setfont 36 190 moveto (Text) show showpage\n";
        return Bytes(s.begin(), s.end());
    }());
    std::string job = dir_ + "jobs/page.pcl", png = dir_ + "jobs/page.png";
    std::string gs = "gs -q -dBATCH -dSAFER -dNOPAUSE -r600 ";
    ASSERT_EQ(std::system((gs +
                           "-sDEVICE=ijs -sIjsServer=hpijs -sDeviceManufacturer=HEWLETT-PACKARD "
                           "'-sDeviceModel=deskjet 5550' -dIjsUseOutputFD -sOutputFile=" +
                           job + " " + ps + " > /dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_EQ(std::system((gs + "-sDEVICE=png16m -sOutputFile=" + png + " " + ps).c_str()), 0);
    Pixels expected;
    ASSERT_TRUE(ReadPng(png, expected));
    int w = expected.width, h = expected.height;
    PageList pages;
    ASSERT_TRUE(ConvertPrintJob(job.c_str(), pages));
    ASSERT_EQ(pages.size(), 1u);
    std::vector<PaintedImage> images = ImagesOfPage(ReadFileBytes(pages[0]));
    ASSERT_FALSE(images.empty());
    // The driver leaves out its printable area's margins: the red square's corner sets the shift.
    int rx = 0, ry = 0;
    while (ry < h && expected.at(rx, ry) != 0xFF0000)
        if (++rx == w) rx = 0, ++ry;
    ASSERT_LT(ry, h);
    int ox = -1, oy = -1;
    const PaintedImage* red = nullptr;
    for (const PaintedImage& img : images) {
        size_t stride = (static_cast<size_t>(img.width) * 3 + 3) / 4 * 4;
        for (int y = 0; img.bits == 24 && !red && y < img.height; ++y)
            for (int x = 0; !red && x < img.width; ++x) {
                const uint8_t* p = img.data.data() + y * stride + 3 * x;
                if (p[2] == 255 && p[1] == 0 && p[0] == 0) red = &img, ox = x, oy = y;
            }
    }
    ASSERT_NE(red, nullptr);
    int bandTop = static_cast<int>(std::lround(red->y * 600.0 / 2032));
    int dx = rx - ox, dy = ry - oy - bandTop;
    EXPECT_GE(dy, 0);
    EXPECT_LE(dy, 40);  // rows from the top of the paper, less a millimetre or so
    size_t pixels = 0, same = 0;
    for (const PaintedImage& img : images) {
        int top = static_cast<int>(std::lround(img.y * 600.0 / 2032)) + dy;
        size_t stride = img.bits == 24 ? (img.width * 3 + 3) / 4 * 4 : (img.width + 31) / 32 * 4;
        for (int y = 0; y < img.height && top + y < h; ++y)
            for (int x = 0; x < img.width && x + dx < w; ++x) {
                uint32_t c = expected.at(x + dx, top + y);
                int e[3] = {static_cast<int>(c >> 16), static_cast<int>(c >> 8 & 255), static_cast<int>(c & 255)};
                const uint8_t* row = img.data.data() + y * stride;
                uint8_t ours[3] = {255, 255, 255};
                if (img.bits == 24) ours[0] = row[3 * x + 2], ours[1] = row[3 * x + 1], ours[2] = row[3 * x];
                else if (row[x >> 3] & (0x80 >> (x & 7))) ours[0] = ours[1] = ours[2] = 0;
                ++pixels;
                same += std::abs(ours[0] - e[0]) <= 2 && std::abs(ours[1] - e[1]) <= 2 && std::abs(ours[2] - e[2]) <= 2;
            }
    }
    std::printf("%zu pixels, %.5f the same, %d rows below the paper's top\n", pixels,
                static_cast<double>(same) / static_cast<double>(pixels), dy);
    EXPECT_GT(pixels, 500000u);
    EXPECT_GT(static_cast<double>(same) / static_cast<double>(pixels), 0.999);
    DeletePageFiles(pages);
}

TEST_F(InkjetRasterTest, CorruptInkjetJobs) {
    std::mt19937 rng(606);
    Bytes job = InkjetJob();
    for (int round = 0; round < 300; ++round) {
        PageList pages;
        ConvertPrintJob(Write("m.pcl", Mutate(job, rng)).c_str(), pages);
        DeletePageFiles(pages);
        // Nothing left but the trace of a mutation read as text.
        std::vector<std::string> left = Files();
        std::erase_if(left, [](const std::string& f) { return f == "out.asm"; });
        ASSERT_EQ(left, std::vector<std::string>{"jobs"}) << "round " << round;
    }
}
