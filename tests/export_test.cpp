// PDF and SVG export through the command-line host: page counts and sizes, searchable text,
// and each page rendered back agreeing with the PNG picture of it.
#include "test_support.h"

#include "dib_header.h"
#include "document.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
// A command's standard output.
std::string Output(const std::string& cmd) {
    std::string out;
    RunCommand(cmd + " 2>/dev/null", out);
    return out;
}

int Host(const std::string& args) {
    int status = std::system((std::string(SPOOLSIGHT_HOST) + " -q " + args + " > /dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HavePoppler() { return HaveTool("pdfinfo") && HaveTool("pdftotext") && HaveTool("pdftoppm"); }

// Page `n` of a PDF rendered back at 192 dpi by poppler.
Pixels PdfPage(const std::string& pdf, int n, const std::string& dir) {
    std::string base = dir + "back";
    std::system(("pdftoppm -r 192 -png -f " + std::to_string(n) + " -l " + std::to_string(n) + " -singlefile " + pdf +
                 " " + base + " > /dev/null 2>&1")
                    .c_str());
    Pixels p;
    ReadPng(base + ".png", p);
    std::remove((base + ".png").c_str());
    return p;
}

void ExpectSamePicture(const Pixels& back, const Pixels& picture, const std::string& what) {
    ASSERT_GT(back.width, 0) << what;
    EXPECT_NEAR(back.width, picture.width, 2) << what;
    EXPECT_NEAR(back.height, picture.height, 2) << what;
    CoarseMatch m = CompareCoarse(back, picture, 48);
    EXPECT_GE(m.match, 0.95) << what;
    EXPECT_GE(m.ink, 0.9) << what;
    EXPECT_LE(m.ink, 1.1) << what;
}
}  // namespace

class ExportTest : public TempDirTest {};

TEST_F(ExportTest, APdfHoldsEveryPageWithItsTextAndLooksAsThePictures) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils not installed";
    std::string job = SPOOLSIGHT_EXAMPLE, pdf = dir_ + "sample.pdf";
    ASSERT_EQ(Host(job + " -o " + pdf), 0);
    std::string info = Output("pdfinfo " + pdf);
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
    std::string text = Output("pdftotext " + pdf + " -");
    EXPECT_NE(text.find("The quick brown fox jumps over the lazy dog"), std::string::npos) << text;
    EXPECT_NE(text.find("Page 3"), std::string::npos) << text;
    ASSERT_EQ(Host(job + " --pages 2 -o " + dir_ + "two.png"), 0);
    Pixels picture;
    ASSERT_TRUE(ReadPng(dir_ + "two.png", picture));
    ExpectSamePicture(PdfPage(pdf, 2, dir_), picture, "page 2");
    // Chosen pages in the order asked; a PCL5 job's text in a printer font can be found too.
    ASSERT_EQ(Host(job + " --pages 3,1 -o " + dir_ + "some.pdf"), 0);
    EXPECT_NE(Output("pdfinfo " + dir_ + "some.pdf").find("Pages:           2"), std::string::npos);
    std::string pcl =
        "\x1B"
        "E\x1B(s0p12h10v0s0b3T"
        "Invoice number 4711\r\n\x1B"
        "E";
    std::string pclJob = Write("letter.pcl", Bytes(pcl.begin(), pcl.end()));
    ASSERT_EQ(Host(pclJob + " -o " + dir_ + "letter.pdf"), 0);
    EXPECT_NE(Output("pdftotext " + dir_ + "letter.pdf -").find("Invoice number 4711"), std::string::npos);
    EXPECT_EQ(Files(),
              (std::vector<std::string>{"jobs", "letter.pdf", "out.asm", "sample.pdf", "some.pdf", "two.png"}));
}

TEST_F(ExportTest, SvgPagesLookAsThePictures) {
    if (!HaveTool("rsvg-convert")) GTEST_SKIP() << "rsvg-convert not installed";
    std::string job = SPOOLSIGHT_EXAMPLE;
    ASSERT_EQ(Host(job + " -o " + dir_ + "page-%d.svg"), 0);
    for (int page = 1; page <= 3; ++page) EXPECT_TRUE(fs::exists(dir_ + "page-" + std::to_string(page) + ".svg"));
    ASSERT_EQ(std::system(("rsvg-convert -d 192 -p 192 " + dir_ + "page-1.svg -o " + dir_ + "back.png").c_str()), 0);
    Pixels back, picture;
    ASSERT_TRUE(ReadPng(dir_ + "back.png", back));
    ASSERT_EQ(Host(job + " -o " + dir_ + "one.png"), 0);
    ASSERT_TRUE(ReadPng(dir_ + "one.png", picture));
    ExpectSamePicture(back, picture, "SVG page 1");
    // An SVG holds one page: several need a page number in the name.
    EXPECT_EQ(Host(job + " --pages 1-2 -o " + dir_ + "two.svg"), 2);
}

// Jobs whose pages need raster operations (an HP-GL/2 plot merged with XOR) and jobs with
// text of each language, from GhostPCL's examples.
TEST_F(ExportTest, RasterOperationsAndEachLanguagesText) {
    fs::path corpus = SPOOLSIGHT_CORPUS;
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils not installed";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no example corpus at " << corpus;
    struct Case {
        const char* job;
        const char* text;  // a phrase the PDF's text holds, or null for a page without text
    } cases[] = {
        {"grashopp.pcl", nullptr}, {"owl.pcl", "Perfect"}, {"frs96.pxl", "Licensing"}, {"label.tst", "ABCDEFGH"}};
    for (const Case& c : cases) {
        std::string job = (corpus / c.job).string(), pdf = dir_ + c.job + ".pdf", png = dir_ + c.job + ".png";
        ASSERT_EQ(Host(job + " --pages 1 -o " + pdf), 0) << c.job;
        ASSERT_EQ(Host(job + " -o " + png), 0) << c.job;
        Pixels picture;
        ASSERT_TRUE(ReadPng(png, picture));
        ExpectSamePicture(PdfPage(pdf, 1, dir_), picture, c.job);
        std::string text = Output("pdftotext " + pdf + " -");
        if (c.text) {
            EXPECT_NE(text.find(c.text), std::string::npos) << c.job << ": " << text;
        }
    }
}

// Bitmap glyphs laid with the brush (as printer fonts draw text) go into a PDF as one Type 3
// font, shown a run at a time: the runs keep their colours, their clip and their place
// among the other drawing, and read as no text.
TEST_F(ExportTest, BitmapGlyphsAreAFontThatKeepsColoursClipAndOrder) {
    if (!HavePoppler() || !HaveTool("pdffonts")) GTEST_SKIP() << "poppler-utils not installed";
    std::string pdf = dir_ + "glyphs.pdf";
    HDC dc = CreateDocumentDC(pdf.c_str(), DocumentFormat::Pdf, 192);
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(StartDocumentPage(dc, 400, 300, nullptr));
    TwoColourDib bmi = MakeTwoColourDib(16, 16, 1);
    Bytes square(16 * 4, 0);
    for (int y = 0; y < 16; ++y) square[y * 4] = square[y * 4 + 1] = 0xFF;  // every dot inked
    auto glyph = [&](int x, int y) {
        StretchDIBits(dc, x, y, 40, 40, 0, 0, 16, 16, square.data(), bmi.info(), DIB_RGB_COLORS, 0x00B8074A);
    };
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255)),
           green = CreateSolidBrush(RGB(0, 160, 0));
    SelectObject(dc, red);
    glyph(20, 20);
    glyph(80, 20);
    IntersectClipRect(dc, 0, 0, 150, 300);  // the next glyph shows its left half only
    glyph(130, 20);
    SelectObject(dc, blue);
    glyph(20, 100);
    SelectObject(dc, green);
    SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 20, 100, 41, 141);  // drawn after the glyphs: over the blue one
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    for (HBRUSH b : {red, blue, green}) DeleteObject(b);
    ASSERT_TRUE(EndDocumentPage(dc));
    ASSERT_TRUE(CloseDocumentDC(dc));

    EXPECT_NE(Output("pdffonts " + pdf).find("Type 3"), std::string::npos);
    std::string text = Output("pdftotext " + pdf + " -");
    EXPECT_EQ(text.find_first_not_of(" \n\f"), std::string::npos) << text;
    Pixels back = PdfPage(pdf, 1, dir_);
    ASSERT_EQ(back.width, 400);
    EXPECT_TRUE(Near(back.at(40, 40), 0xFF0000));
    EXPECT_TRUE(Near(back.at(100, 40), 0xFF0000));
    EXPECT_TRUE(Near(back.at(140, 40), 0xFF0000));
    EXPECT_TRUE(Near(back.at(160, 40), 0xFFFFFF));
    EXPECT_TRUE(Near(back.at(30, 120), 0x00A000));
    EXPECT_TRUE(Near(back.at(50, 120), 0x0000FF));
    EXPECT_TRUE(Near(back.at(40, 170), 0xFFFFFF));
}

// Ghostscript's PCL XL output draws text in downloaded bitmap glyphs, thousands a page: the
// PDF holds each glyph once and looks as the picture does.
TEST_F(ExportTest, GhostscriptBitmapTextStaysSmallAndLooksAsThePicture) {
    if (!HavePoppler() || !HaveTool("gs")) GTEST_SKIP() << "poppler-utils or ghostscript not installed";
    std::string body =
        "%!PS\n/Times-Roman findfont 12 scalefont setfont\n"
        "0 1 39 { /i exch def 72 760 i 16 mul sub moveto (The quick brown fox jumps over the lazy dog, again.) show } "
        "for\n"
        "1 0 0 setrgbcolor /Helvetica-Bold findfont 20 scalefont setfont 72 80 moveto (Red heading in bold) show\n"
        "0 0 1 setrgbcolor 300 600 150 100 rectfill showpage\n";
    std::string ps = Write("doc.ps", Bytes(body.begin(), body.end())), job = dir_ + "jobs/doc.pxl";
    ASSERT_EQ(std::system(("gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 -sDEVICE=pxlcolor -r600 -sOutputFile=" +
                           job + " " + ps + " > /dev/null 2>&1")
                              .c_str()),
              0);
    std::string pdf = dir_ + "doc.pdf", png = dir_ + "doc.png";
    ASSERT_EQ(Host(job + " -o " + pdf), 0);
    ASSERT_EQ(Host(job + " -o " + png), 0);
    // About 2,000 glyphs of a few dozen kinds.
    EXPECT_LT(fs::file_size(pdf), 80000u);
    Pixels picture;
    ASSERT_TRUE(ReadPng(png, picture));
    Pixels back = PdfPage(pdf, 1, dir_);
    ExpectSamePicture(back, picture, "Ghostscript text");
    EXPECT_GT(back.Share(200, 1995, 700, 2030, 0xFF0000, 80), 0.1);  // the red heading
}

// A laser printer's raster page (Ghostscript's ljet4 at 600 dpi): in the PDF its dots stay a
// 1-bit image at their own resolution, not colour pixels, and the page looks as its picture.
TEST_F(ExportTest, RasterPagesStayOneBitImages) {
    if (!HavePoppler() || !HaveTool("gs") || !HaveTool("pdfimages")) GTEST_SKIP() << "poppler-utils or gs missing";
    std::string body =
        "%!PS\n/Times-Roman findfont 14 scalefont setfont\n"
        "0 1 30 { /i exch def 72 740 i 20 mul sub moveto (Raster text, line after line.) show } for\n"
        "newpath 300 300 100 0 360 arc fill showpage\n";
    std::string ps = Write("raster.ps", Bytes(body.begin(), body.end())), job = dir_ + "jobs/raster.pcl";
    ASSERT_EQ(std::system(("gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 -sDEVICE=ljet4 -r600 -sOutputFile=" + job +
                           " " + ps + " > /dev/null 2>&1")
                              .c_str()),
              0);
    std::string pdf = dir_ + "raster.pdf", png = dir_ + "raster.png", images;
    ASSERT_EQ(Host(job + " -o " + pdf), 0);
    ASSERT_EQ(Host(job + " -o " + png), 0);
    ASSERT_EQ(RunCommand("pdfimages -list " + pdf + " | tail -n +3", images), 0);
    EXPECT_NE(images.find("stencil"), std::string::npos) << images;
    EXPECT_EQ(images.find("rgb"), std::string::npos) << images;
    EXPECT_NE(images.find("600   600"), std::string::npos) << images;
    Pixels picture;
    ASSERT_TRUE(ReadPng(png, picture));
    ExpectSamePicture(PdfPage(pdf, 1, dir_), picture, "raster page");
}

// TeX's page as dvilj4 prints it, in twenty bitmap soft fonts: the PDF's text reads as the
// page does, glyph after glyph on their baselines with the gaps between words.
TEST_F(ExportTest, PclBitmapSoftFontTextCanBeSearched) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils not installed";
    std::string job = std::string(SPOOLSIGHT_TEST_DATA) + "/pcl-text/tex-portrait.pcl";
    std::string pdf = dir_ + "tex.pdf", png = dir_ + "tex.png";
    ASSERT_EQ(Host(job + " -o " + pdf), 0);
    ASSERT_EQ(Host(job + " -o " + png), 0);
    std::string text = Output("pdftotext " + pdf + " -");
    for (const char* line :
         {"Spoolsight soft fonts", "The quick brown fox jumps over the lazy dog.",
          "Italic text set in cmti10, slanted, typewriter 0123456789,", "sans serif and Caps and Small Caps."})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    Pixels picture;
    ASSERT_TRUE(ReadPng(png, picture));
    ExpectSamePicture(PdfPage(pdf, 1, dir_), picture, "TeX page");
}

// Text in the ISO, PC and Windows code pages and the ISO 646 national sets reads in the PDF as
// the characters each set gives its bytes.
TEST_F(ExportTest, SymbolSetsReadAsTheirCharacters) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils not installed";
    std::string job = std::string(SPOOLSIGHT_TEST_DATA) + "/pcl-text/symbol-sets-2.pcl", pdf = dir_ + "sets.pdf";
    ASSERT_EQ(Host(job + " -o " + pdf), 0);
    std::string text = Output("pdftotext " + pdf + " -");
    for (const char* line :
         {"2N: Zażółć gęślą jaźń", "5N: Türkçe ğüşıöç", "9N: Œuvre Šš €5", "10N: Привет мир",
          "17U: Příliš žluťoučký kůň", "9T: İstanbul ğüşöç", "19L: Ąčęėįšųūž", "5T: Şişli ğüz", "11U: Blåbærsyltetøy",
          "9E: Łódź Kraków", "0D: Blåbærsyltetøy", "1G: Grüße aus Österreich", "2S: ¿Señor, mañana?"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
}
