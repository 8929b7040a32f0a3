// PCL XL jobs: the stream reader's values, attributes and error paths,
// pages and their units, hostile input, and Ghostscript's PCL XL output
// compared with its own rendering.
#include "pclxl_fixture.h"

#include <chrono>
#include <cstdlib>
#include <random>

// ---- The stream reader ----

TEST_F(PclXlTest, ValuesFollowTheBindingAndTheirTypes) {
    for (bool big : {false, true}) {
        XlWriter w(big);
        w.raw({0xC1, 0x34, 0x12}).attr(xl::SourceWidth);  // uint16
        w.raw({0xC3, 0xFF, 0xFF}).attr(xl::DashOffset);   // sint16
        w.raw({0xC1, 0xFF, 0xFF}).attr(xl::SourceHeight);
        w.realXy(1.5f, 2.5f).attr(xl::PageScale);
        w.realArray({1.5f, 2.5f}).attr(xl::PrimaryArray);
        w.raw({0xC2, 0x01, 0x00, 0x00, 0x80}).attr(xl::CharDataSize);  // uint32
        Run(w);
        const PclXlAttributes& a = XlState().attr;
        EXPECT_EQ(a.sourceWidth, big ? 0x3412 : 0x1234);
        EXPECT_EQ(a.dashOffset, -1);
        EXPECT_EQ(a.sourceHeight, 65535);
        EXPECT_EQ(a.pageScale[0], 1.5);
        EXPECT_EQ(a.pageScale[1], 2.5);
        EXPECT_EQ(a.primaryArray, (std::vector<int32_t>{1, 2}));
        EXPECT_EQ(static_cast<uint32_t>(a.charDataSize), big ? 0x01000080u : 0x80000001u);
        Finish();
    }
}

TEST_F(PclXlTest, TheHeaderIsTheFirstByteOfALine) {
    // Job-control lines first; a binding byte inside a line is not the header.
    std::string head = "\x1B%-12345X@PJL SET RESOLUTION=600\n@PJL COMMENT ( not here\n) HP-PCL XL;2;0\n";
    XlWriter w(false, false);
    w.out.assign(head.begin(), head.end());
    w.uint16(77).attr(xl::SourceWidth);
    Run(w);
    EXPECT_EQ(XlState().binding, 1);
    EXPECT_EQ(XlState().attr.sourceWidth, 77);
    Finish();
    // The ASCII binding is recognised and nothing is read.
    XlWriter ascii(false, false);
    std::string text = "' HP-PCL XL;2;0\n";
    ascii.out.assign(text.begin(), text.end());
    ascii.uint16(77).attr(xl::SourceWidth).op(xl::BeginPage);
    Run(ascii);
    EXPECT_EQ(XlState().attr.sourceWidth, 0);
    EXPECT_TRUE(Finish().empty());
}

TEST_F(PclXlTest, StreamsUnderTheHeadersRealDriversWrite) {
    // The sample job's session and page, under other job-control headers and stream names.
    Bytes sample = MakePclXlJob(1);
    std::string standard = "\x1B%-12345X@PJL ENTER LANGUAGE = PCLXL\n) HP-PCL XL;2;0;Comment\n";
    ASSERT_TRUE(std::equal(standard.begin(), standard.end(), sample.begin()));
    Bytes body(sample.begin() + static_cast<long>(standard.size()), sample.end());
    for (const std::string& head : {
             std::string("\x1B%-12345X@PJL JOB\r\n@PJL SET RESOLUTION=600\r\n) HP-PCL XL;2;0\n"),  // no ENTER LANGUAGE
             std::string("\x1B%-12345X) HP-PCL XL;2;0\n"),  // the header after the UEL
             std::string(
                 "\x1B%-12345X@PJL\r\n@PJL ENTER LANGUAGE = XL2HB\r\n) BROTHER XL2HB;1;0\n"),  // Brother's drivers
             std::string(") BROTHER XL2HB;1;0\n"),
         }) {
        Bytes job(head.begin(), head.end());
        job.insert(job.end(), body.begin(), body.end());
        PageList pages = Convert(job);
        EXPECT_EQ(pages.size(), 1u) << head;
        DeletePageFiles(pages);
    }
    EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
}

TEST_F(PclXlTest, AFailingTagIsDroppedAndReadingGoesOn) {
    XlWriter w;
    w.ubyte(1).attr(200);                   // unknown attribute
    w.raw({0x30});                          // unknown tag
    w.attr(xl::SourceWidth);                // an attribute without its value
    w.raw({0xC8, 0xC3, 0x00, 0x02, 1, 2});  // an array whose length is not unsigned
    w.uint16(5).attr(xl::SourceWidth);
    w.real32(std::nanf("")).attr(xl::PageScale);  // not a number
    w.real32(3e9f).attr(xl::SourceHeight);        // too large for an integer
    w.op(xl::Rectangle);                          // no page: draws nothing
    w.uint16(9).attr(xl::SourceHeight);
    Run(w);
    EXPECT_EQ(XlState().attr.sourceWidth, 5);
    EXPECT_EQ(XlState().attr.sourceHeight, 9);
    EXPECT_EQ(XlState().attr.pageScale[0], 1);
    EXPECT_TRUE(XlState().stack.empty());
    EXPECT_TRUE(Finish().empty());
}

// What a job holds that could not be read or drawn is told with its page: an image in a
// compression nobody knows (left out, never drawn as noise), an unknown operator, a stream cut
// short. The end of a job after its stream (a universal exit and PJL) is no problem, and the
// class 3.0 colour settings by kind of object are read without effect.
TEST_F(PclXlTest, ProblemsAreToldWithTheirPages) {
    XlWriter w = Job();
    w.ubyte(0).attr(xl::TextObjects).ubyte(1).attr(xl::RasterObjects).op(0x94);
    w.ubyte(2).attr(xl::AllObjectTypes).op(0x92);
    Image(w, 2, 2, 2, Bytes(12, 0), 7);
    w.op(0xB8);  // no such operator
    w.op(xl::EndPage).op(xl::EndSession);
    std::string end = "\x1B%-12345X@PJL EOJ\r\n\x1B%-12345X";
    w.out.insert(w.out.end(), end.begin(), end.end());
    JobProblems problems;
    PageList pages;
    ASSERT_TRUE(ConvertPrintJob(Write("job.pxl", w.out).c_str(), pages, SIZE_MAX, &problems));
    EXPECT_EQ(pages.size(), 1u);
    EXPECT_TRUE(ImagesOfPage(ReadFileBytes(pages[0])).empty());
    DeletePageFiles(pages);
    EXPECT_EQ(problems,
              (JobProblems{{1, "an image in an unknown compression (mode 7) is left out"},
                           {1, "PCL XL error: Unknown tag (operator 184)"}}));
    // Cut inside the page: the pages before it stand, and the cut is told once.
    XlWriter two = Job();
    two.op(xl::EndPage).ubyte(2).attr(xl::MediaSize).op(xl::BeginPage);
    Brush(two, 0, 0, 0);
    two.box(600, 600, 1200, 1200).attr(xl::BoundingBox);
    two.out.pop_back();
    problems.clear();
    ASSERT_TRUE(ConvertPrintJob(Write("cut.pxl", two.out).c_str(), pages, SIZE_MAX, &problems));
    EXPECT_EQ(pages.size(), 2u);
    DeletePageFiles(pages);
    EXPECT_EQ(problems, (JobProblems{{2, "the job ends inside a command"}}));
}

TEST_F(PclXlTest, OperatorsReadOnlyEmbeddedDataAfterThemselves) {
    // Operators that take data, each followed by another operator: nothing recurses.
    XlWriter w = Job();
    for (int i = 0; i < 200000; ++i) w.op(i % 2 ? xl::LineRelPath : xl::ReadImage);
    w.uint16(3).attr(xl::SourceWidth).op(xl::EndPage);
    auto start = std::chrono::steady_clock::now();
    PageList pages = Convert(w.out);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(pages.size(), 1u);
    DeletePageFiles(pages);
    // A declared length far beyond the data allocates nothing for it.
    XlWriter huge = Job();
    huge.raw({0xC8, 0xC2, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3});
    huge.raw({0xFA, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2});
    pages = Convert(huge.out);
    EXPECT_EQ(pages.size(), 1u);
    DeletePageFiles(pages);
    EXPECT_TRUE(Files().size() == 1u);  // only the jobs folder
}

// ---- Pages and units ----

TEST_F(PclXlTest, MediaSizesAndOrientations) {
    struct Case {
        std::string media;  // a code, or a name
        int orientation;
        LONG width, height;
    } cases[] = {{"2", 0, 21000, 29700}, {"2", 1, 29700, 21000},  {"0", 0, 21590, 27940},  {"1", 3, 35560, 21590},
                 {"5", 0, 29700, 42000}, {"99", 0, 21000, 29700}, {"A3", 0, 29700, 42000}, {"letter", 2, 21590, 27940}};
    for (const Case& c : cases) {
        XlWriter w;
        w.xy(600, 600).attr(xl::UnitsPerMeasure).ubyte(0).attr(xl::Measure).op(xl::BeginSession);
        w.ubyte(static_cast<uint8_t>(c.orientation)).attr(xl::Orientation);
        if (std::isdigit(static_cast<unsigned char>(c.media[0]))) w.ubyte(static_cast<uint8_t>(std::stoi(c.media)));
        else w.text(c.media);
        w.attr(xl::MediaSize).op(xl::BeginPage).op(xl::EndPage).op(xl::EndSession);
        PageList pages = Convert(w.out);
        ASSERT_EQ(pages.size(), 1u) << c.media;
        ENHMETAHEADER h = Header(pages[0]);
        EXPECT_EQ(h.rclFrame.right, c.width) << c.media << " " << c.orientation;
        EXPECT_EQ(h.rclFrame.bottom, c.height) << c.media << " " << c.orientation;
        DeletePageFiles(pages);
    }
    // A custom size in millimetres.
    XlWriter w;
    w.xy(600, 600).attr(xl::UnitsPerMeasure).ubyte(0).attr(xl::Measure).op(xl::BeginSession);
    w.xy(100, 150).attr(xl::CustomMediaSize).ubyte(1).attr(xl::CustomMediaSizeUnits).op(xl::BeginPage).op(xl::EndPage);
    PageList pages = Convert(w.out);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Header(pages[0]).rclFrame.right, 10000);
    EXPECT_EQ(Header(pages[0]).rclFrame.bottom, 15000);
    DeletePageFiles(pages);
}

TEST_F(PclXlTest, UnitsOfMeasureGiveTheScale) {
    struct Case {
        int measure;
        float units;
        bool pageScale;
        int mapMode;
        double x;      // a user x
        LONG logical;  // its place in the mapping's units (logical units are kXlFine times finer)
    } cases[] = {
        {0, 600, true, MM_LOENGLISH, 600, 100},   // 600 an inch, PageScale (1, 1)
        {0, 600, false, MM_LOENGLISH, 600, 100},  // no SetPageScale: scale 1
        {0, 150, false, MM_LOENGLISH, 150, 100}, {0, 75, false, MM_LOENGLISH, 75, 100},
        {1, 10, true, MM_LOMETRIC, 10, 10},     // tenths of a millimetre per unit: logical units
        {2, 1, false, MM_LOMETRIC, 10, 10},     // one unit a tenth of a millimetre
        {0, 0, false, MM_LOENGLISH, 600, 100},  // no units at all: the default stays
    };
    for (const Case& c : cases) {
        XlWriter w;
        w.realXy(c.units, c.units).attr(xl::UnitsPerMeasure).ubyte(static_cast<uint8_t>(c.measure)).attr(xl::Measure);
        w.op(xl::BeginSession).ubyte(2).attr(xl::MediaSize).op(xl::BeginPage);
        if (c.pageScale) w.realXy(1, 1).attr(xl::PageScale).op(xl::SetPageScale);
        Run(w);
        ASSERT_NE(XlState().dc, nullptr);
        EXPECT_EQ(GetMapMode(XlState().dc), c.mapMode) << c.units;
        POINT p = XlMapUser(c.x, c.x);
        EXPECT_EQ(p.x, c.logical * kXlFine) << c.measure << " " << c.units;
        EXPECT_EQ(p.y, -c.logical * kXlFine) << c.measure << " " << c.units;
        Discard();
    }
}

TEST_F(PclXlTest, PagesCloseAtTheNextPageAndAtTheEnd) {
    // Two pages without EndPage, the stream ending on its last byte.
    XlWriter w = Job();
    Brush(w, 255, 0, 0);
    w.box(600, 600, 1200, 1200).attr(xl::BoundingBox).op(xl::Rectangle);
    w.ubyte(2).attr(xl::MediaSize).op(xl::BeginPage).box(600, 600, 1200, 1200).attr(xl::BoundingBox).op(xl::Rectangle);
    PageList pages = Convert(w.out);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_LT(pages[0], pages[1]);
    EXPECT_NE(pages[0].find("_0001.emf"), std::string::npos);
    EXPECT_NE(pages[1].find("_0002.emf"), std::string::npos);
    for (const std::string& page : pages) {
        EXPECT_GT(CountRecords(ReadFileBytes(page), EMR_POLYDRAW), 0u) << page;
        EXPECT_EQ(Header(page).rclFrame.right, 21000);
    }
    // What the page made is deleted with it: the first page frees its brush before it closes.
    Bytes first = ReadFileBytes(pages[0]);
    EXPECT_EQ(CountRecords(first, EMR_CREATEBRUSHINDIRECT),
              CountRecords(first, EMR_DELETEOBJECT) - CountRecords(first, EMR_EXTCREATEPEN) -
                  CountRecords(first, EMR_CREATEPEN));
    DeletePageFiles(pages);
    // A job whose last byte is EndPage shows its page.
    XlWriter last = Job();
    Brush(last, 0, 0, 0);
    last.box(600, 600, 1200, 1200).attr(xl::BoundingBox).op(xl::Rectangle).op(xl::EndPage);
    Pixels p = LoadPicture(Write("last.pxl", last.out));
    ASSERT_EQ(p.width, kWidth);
    EXPECT_EQ(p.at(Px(900), Px(900)), 0x000000u);
}

// ---- Hostile input ----

TEST_F(PclXlTest, TruncatedAndMutatedJobsStaySafe) {
    Bytes job = MakePclXlJob(2);
    std::mt19937 random(7);
    auto check = [&](const Bytes& bytes) {
        PageList pages = Convert(bytes, "bad.pxl");
        for (const std::string& page : pages) {
            HENHMETAFILE emf = GetEnhMetaFileA(page.c_str());
            EXPECT_NE(emf, nullptr) << page;
            DeleteEnhMetaFile(emf);
        }
        DeletePageFiles(pages);
    };
    for (size_t n = 0; n < job.size(); n += 97) check(Bytes(job.begin(), job.begin() + static_cast<long>(n)));
    for (int round = 0; round < 150; ++round) {
        Bytes m = job;
        for (int k = 0; k < 6; ++k) m[random() % m.size()] = static_cast<uint8_t>(random());
        check(m);
    }
    // No page file is left behind (a mutation read as PCL5 leaves that language's trace).
    for (const std::string& f : Files()) EXPECT_TRUE(f == "jobs" || f == "out.asm") << f;
}

// ---- Ghostscript's PCL XL output ----

TEST_F(PclXlTest, GhostscriptJobsMatchGhostscriptsOwnRendering) {
    if (!HaveTool("gs")) GTEST_SKIP() << "ghostscript not installed";
    struct Document {
        const char* name;
        const char* postscript;
        bool viaPdf = false;  // the job is made from a PDF of the document
        size_t pages = 1;
    } documents[] = {
        {"text and shapes",
         "/Helvetica findfont 24 scalefont setfont 72 740 moveto (Hello from PCL XL, 24 point Helvetica) show\n"
         "/Times-Roman findfont 11 scalefont setfont 72 700 moveto (Eleven point Times: the quick brown fox jumps over "
         "the lazy dog.) show\n"
         "/Courier findfont 48 scalefont setfont 72 620 moveto (Courier 48) show\n"
         "1 0 0 setrgbcolor 100 100 200 150 rectfill 0 0 1 setrgbcolor 5 setlinewidth newpath 300 300 80 0 360 arc "
         "stroke\n"
         "0 0.6 0 setrgbcolor newpath 350 100 moveto 500 250 lineto 550 120 lineto closepath fill\n"
         "0.5 setgray [10 5] 0 setdash 2 setlinewidth newpath 72 500 moveto 500 520 lineto stroke\n"},
        {"images",
         "/data 64 32 mul 3 mul string def 0 1 data length 1 sub { data exch dup 7 mul 256 mod put } for\n"
         "gsave 100 450 translate 300 200 scale /DeviceRGB setcolorspace\n"
         "<< /ImageType 1 /Width 64 /Height 32 /BitsPerComponent 8 /Decode [0 1 0 1 0 1] /ImageMatrix [64 0 0 -32 0 "
         "32] /DataSource data >> image grestore\n"
         "gsave 100 100 translate 200 200 scale 16 16 8 [16 0 0 16 0 0] {<"
         "00102030405060708090a0b0c0d0e0f0f0e0d0c0b0a090807060504030201000"
         "00102030405060708090a0b0c0d0e0f0f0e0d0c0b0a090807060504030201000"
         "00102030405060708090a0b0c0d0e0f0f0e0d0c0b0a090807060504030201000"
         "00102030405060708090a0b0c0d0e0f0f0e0d0c0b0a090807060504030201000"
         "00102030405060708090a0b0c0d0e0f0f0e0d0c0b0a090807060504030201000"
         "00102030405060708090a0b0c0d0e0f0f0e0d0c0b0a090807060504030201000"
         "00102030405060708090a0b0c0d0e0f0f0e0d0c0b0a090807060504030201000"
         "00102030405060708090a0b0c0d0e0f0f0e0d0c0b0a090807060504030201000>} image grestore\n"
         "/Helvetica-Bold findfont 30 scalefont setfont 350 200 moveto 0.8 0.2 0.2 setrgbcolor (Red bold) show\n"},
        {"landscape PDF of two pages",
         "<< /PageSize [842 595] >> setpagedevice /Helvetica findfont 30 scalefont setfont 72 500 moveto (Landscape "
         "page one) show\n"
         "0 0 1 setrgbcolor 100 100 500 200 rectfill 0.3 setgray 3 setlinewidth newpath 650 300 100 0 270 arc stroke "
         "showpage\n"
         "/Helvetica findfont 30 scalefont setfont 72 500 moveto (Page two) show\n",
         true, 2},
    };
    const char* gs = "gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 ";
    for (const Document& d : documents) {
        std::string body = std::string("%!PS\n") + d.postscript + "showpage\n";
        std::string ps = Write("doc.ps", Bytes(body.begin(), body.end()));
        if (d.viaPdf) {
            std::string pdf = dir_ + "jobs/doc.pdf";
            ASSERT_EQ(std::system((std::string(gs) + "-sDEVICE=pdfwrite -sOutputFile=" + pdf + " " + ps).c_str()), 0);
            ps = pdf;
        }
        for (const char* device : {"pxlcolor", "pxlmono"}) {
            for (const char* compression : {"1", "2", "3"}) {
                if (std::string(device) == "pxlmono" && std::string(compression) == "2") continue;
                std::string job = dir_ + "jobs/doc.pxl", png = dir_ + "jobs/doc.png";
                std::string make = std::string(gs) + "-r600 -sDEVICE=" + device + " -dCompressMode=" + compression +
                    " -sOutputFile=" + job + " " + ps;
                ASSERT_EQ(std::system(make.c_str()), 0);
                std::string render = std::string(gs) +
                    "-r192 -dLastPage=1 -sDEVICE=" + (std::string(device) == "pxlmono" ? "pnggray" : "png16m") +
                    " -sOutputFile=" + png + " " + ps;
                ASSERT_EQ(std::system(render.c_str()), 0);
                PageList pages;
                ASSERT_TRUE(ConvertPrintJob(job.c_str(), pages));
                EXPECT_EQ(pages.size(), d.pages) << d.name;
                DeletePageFiles(pages);
                Pixels theirs, ours = LoadPicture(job);
                ASSERT_TRUE(ReadPng(png, theirs));
                ASSERT_EQ(ours.width, theirs.width) << d.name << " " << device;
                ASSERT_EQ(ours.height, theirs.height) << d.name << " " << device;
                double s = ColourSimilarity(ours, theirs);
                std::printf("%s, %s, compression %s: similarity %.3f\n", d.name, device, compression, s);
                EXPECT_GT(s, 0.9) << d.name << " " << device << " " << compression;
            }
        }
    }
}

// ---- Whole jobs ----

TEST_F(PclXlTest, BothByteOrdersDrawTheSamePage) {
    auto job = [](bool big) {
        XlWriter w(big);
        XlBeginJob(w);
        XlSamplePage(w, 5);
        w.op(xl::EndPage).op(xl::EndSession);
        return w.out;
    };
    Pixels little = LoadPicture(Write("little.pxl", job(false))), big = LoadPicture(Write("big.pxl", job(true)));
    ASSERT_EQ(little.width, kWidth);
    ASSERT_EQ(big.width, kWidth);
    EXPECT_EQ(little.px, big.px);
    EXPECT_TRUE(Near(little.at(Px(1500), Px(1200)), 0xFF0000));
}

TEST_F(PclXlTest, MillimetreJobsPlaceTheirDrawing) {
    // Tenths of a millimetre: a square from 25.4 mm to 50.8 mm, one inch to two at 192 pixels an inch.
    XlWriter w;
    w.xy(10, 10).attr(xl::UnitsPerMeasure).ubyte(1).attr(xl::Measure).op(xl::BeginSession);
    w.ubyte(2).attr(xl::MediaSize).op(xl::BeginPage);
    Brush(w, 0, 0, 0);
    w.box(254, 254, 508, 508).attr(xl::BoundingBox).op(xl::Rectangle);
    Pixels p = Picture(w);
    ASSERT_EQ(p.width, kWidth);
    EXPECT_TRUE(Near(p.at(200, 200), 0x000000));
    EXPECT_TRUE(Near(p.at(380, 380), 0x000000));
    EXPECT_TRUE(Near(p.at(185, 200), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(395, 380), 0xFFFFFF));
}

TEST_F(PclXlTest, AJobMakesAtMostItsPageLimit) {
    XlWriter w = Job();
    for (int i = 0; i < kMaxPclXlPages + 3; ++i) w.op(xl::BeginPage);
    PageList pages = Convert(w.out);
    EXPECT_EQ(pages.size(), static_cast<size_t>(kMaxPclXlPages));
    DeletePageFiles(pages);
    EXPECT_EQ(Files().size(), 1u);
}
