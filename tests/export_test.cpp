// PDF and SVG export through the command-line host: page counts and sizes, searchable text,
// and each page rendered back agreeing with the PNG picture of it.
#include "test_support.h"

#include "dib_header.h"
#include "document.h"
#include "emf_records.h"
#include "fax_g4.h"
#include "zjs_job.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>

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

// How many marked-content spans (BDC) a PDF's Flate streams hold.
int MarkedSpans(const std::string& pdf) {
    Bytes file = ReadFileBytes(pdf);
    std::string all(file.begin(), file.end());
    int spans = 0;
    for (size_t at = all.find(">>\nstream"); at != std::string::npos; at = all.find(">>\nstream", at + 1)) {
        size_t from = all.find('\n', at + 3) + 1, to = all.find("endstream", from);
        if (to == std::string::npos) break;
        std::vector<Bytef> out(1 << 16);
        z_stream z{};
        if (inflateInit(&z) != Z_OK) break;
        z.next_in = reinterpret_cast<Bytef*>(&all[from]);
        z.avail_in = static_cast<uInt>(to - from);
        std::string text;
        int status = Z_OK;
        while (status == Z_OK) {
            z.next_out = out.data(), z.avail_out = static_cast<uInt>(out.size());
            status = inflate(&z, Z_NO_FLUSH);
            text.append(reinterpret_cast<const char*>(out.data()), out.size() - z.avail_out);
        }
        inflateEnd(&z);
        for (size_t b = text.find("BDC"); b != std::string::npos; b = text.find("BDC", b + 1)) ++spans;
        at = to;
    }
    return spans;
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

// The words of an SVG's text layer, one line a run, its markup undone.
std::string SvgText(const std::string& svg) {
    Bytes bytes = ReadFileBytes(svg);
    std::string all(bytes.begin(), bytes.end()), words;
    for (size_t at = all.find("<text "); at != std::string::npos; at = all.find("<text ", at + 1)) {
        size_t from = all.find('>', at) + 1, to = all.find("</text>", from);
        if (to == std::string::npos) break;
        std::string run = all.substr(from, to - from);
        for (auto [entity, c] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}})
            for (size_t e = run.find(entity); e != std::string::npos; e = run.find(entity, e + 1))
                run.replace(e, std::strlen(entity), c);
        words += run + "\n";
    }
    return words;
}

// Text drawn with every kind of font (printer fonts, PCL XL TrueType outlines, bitmap glyphs)
// is in an SVG too, as an invisible layer of words where the glyphs are; the glyphs drawn as
// stencils land where the picture has them, on a page of the job's own size.
TEST_F(ExportTest, SvgPagesKeepTheirWordsAndTheirGlyphsPlaces) {
    fs::path corpus = SPOOLSIGHT_CORPUS;
    if (!HaveTool("rsvg-convert")) GTEST_SKIP() << "rsvg-convert not installed";
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no example corpus at " << corpus;
    struct Case {
        const char* job;
        const char* words;
        const char* size;
    } cases[] = {{"owl.pcl", "WordPerfect for Windows", "width=\"595.125pt\" height=\"841.875pt\""},
                 {"frs96.pxl", "Licensing", "width=\"612pt\" height=\"792pt\""},
                 {"bitfonts.pxl", "The quick brown fox.", "width=\"612pt\""}};
    for (const Case& c : cases) {
        std::string job = (corpus / c.job).string(), svg = dir_ + c.job + ".svg", png = dir_ + c.job + ".png";
        ASSERT_EQ(Host(job + " -o " + svg), 0) << c.job;
        ASSERT_EQ(Host(job + " -o " + png), 0) << c.job;
        Bytes bytes = ReadFileBytes(svg);
        std::string text = SvgText(svg), markup(bytes.begin(), bytes.end());
        EXPECT_NE(text.find(c.words), std::string::npos) << c.job << ": " << text;
        EXPECT_NE(markup.find(c.size), std::string::npos) << c.job;
        EXPECT_NE(markup.find("<g fill-opacity=\"0\""), std::string::npos) << c.job;
        if (HaveTool("xmllint")) {
            EXPECT_EQ(std::system(("xmllint --noout " + svg + " 2>/dev/null").c_str()), 0) << c.job;
        }
        ASSERT_EQ(std::system(("rsvg-convert -d 192 -p 192 " + svg + " -o " + dir_ + "back.png").c_str()), 0);
        Pixels back, picture;
        ASSERT_TRUE(ReadPng(dir_ + "back.png", back));
        ASSERT_TRUE(ReadPng(png, picture));
        ExpectSamePicture(back, picture, c.job);
    }
    // Characters XML gives a meaning stay text; a page's characters keep their order.
    std::string pcl =
        "\x1B"
        "E\x1B(s0p12h10v0s0b3TInvoice <4711> & Co\r\n\x1B"
        "E";
    std::string svg = dir_ + "markup.svg";
    ASSERT_EQ(Host(Write("markup.pcl", Bytes(pcl.begin(), pcl.end())) + " -o " + svg), 0);
    EXPECT_NE(SvgText(svg).find("Invoice <4711> & Co"), std::string::npos) << SvgText(svg);
    if (HaveTool("xmllint")) {
        EXPECT_EQ(std::system(("xmllint --noout " + svg + " 2>/dev/null").c_str()), 0);
    }
}

// Characters a face lacks come from another face, drawn after the rest: the text layer still
// reads them in the string's order, in one run.
TEST_F(ExportTest, SvgTextKeepsItsOrderWhereAnotherFaceDrawsSomeCharacters) {
    std::string svg = dir_ + "linked.svg";
    HDC dc = CreateDocumentDC(svg.c_str(), DocumentFormat::Svg, 192);
    ASSERT_NE(dc, nullptr);
    ASSERT_TRUE(StartDocumentPage(dc, 800, 200, nullptr));
    LOGFONTW lf{};
    lf.lfHeight = -32;
    std::u16string face = u"Arial";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    std::u16string line = u"Tick \u2713 or smile \u263A here";
    TextOutW(dc, 20, 60, reinterpret_cast<const WCHAR*>(line.c_str()), static_cast<int>(line.size()));
    SelectObject(dc, old);
    DeleteObject(font);
    ASSERT_TRUE(EndDocumentPage(dc));
    ASSERT_TRUE(CloseDocumentDC(dc));
    EXPECT_EQ(SvgText(svg), "Tick \u2713 or smile \u263A here\n");
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
    } cases[] = {{"grashopp.pcl", nullptr},
                 {"owl.pcl", "Perfect"},
                 {"frs96.pxl", "Licensing"},
                 {"label.tst", "ABCDEFGH"},
                 {"bitfonts.pxl", "The quick brown fox"}};  // bitmap fonts in Windows 3.0 Latin 1
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
    // About 2,000 glyphs of a few dozen kinds, whose codes (Ghostscript numbers them as they
    // come) stand for no known characters: they read as no text, marked so a run at a time.
    EXPECT_LT(fs::file_size(pdf), 40000u);
    EXPECT_LT(MarkedSpans(pdf), 60);
    std::string text = Output("pdftotext " + pdf + " -");
    EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c));
    })) << text;
    Pixels picture;
    ASSERT_TRUE(ReadPng(png, picture));
    Pixels back = PdfPage(pdf, 1, dir_);
    ExpectSamePicture(back, picture, "Ghostscript text");
    EXPECT_GT(back.Share(200, 1995, 700, 2030, 0xFF0000, 80), 0.1);  // the red heading
}

// A laser printer's raster pages (Ghostscript's ljet4 at 600 dpi): in the PDF their dots stay
// 1-bit images at their own resolution in CCITT G4, not colour pixels, in strips of the rows
// with ink; a strip the second page repeats is kept once; and each page looks as its picture.
TEST_F(ExportTest, RasterPagesStayOneBitImages) {
    if (!HavePoppler() || !HaveTool("gs") || !HaveTool("pdfimages")) GTEST_SKIP() << "poppler-utils or gs missing";
    std::string body =
        "%!PS\n/Times-Roman findfont 14 scalefont setfont\n"
        "1 1 2 { /p exch def 72 780 moveto (Page ) show p 1 string cvs show\n"
        "  0 1 30 { /i exch def 72 740 i 20 mul sub moveto (Raster text, line after line.) show } for\n"
        "  newpath 300 200 100 0 360 arc fill showpage } for\n";
    std::string ps = Write("raster.ps", Bytes(body.begin(), body.end())), job = dir_ + "jobs/raster.pcl";
    ASSERT_EQ(std::system(("gs -q -dBATCH -dSAFER -dNOPAUSE -sPAPERSIZE=a4 -sDEVICE=ljet4 -r600 -sOutputFile=" + job +
                           " " + ps + " > /dev/null 2>&1")
                              .c_str()),
              0);
    std::string pdf = dir_ + "raster.pdf", png = dir_ + "raster-%d.png", images;
    ASSERT_EQ(Host(job + " --pages 1-2 -o " + pdf), 0);
    ASSERT_EQ(Host(job + " -o " + png), 0);
    ASSERT_EQ(RunCommand("pdfimages -list " + pdf + " | tail -n +3", images), 0);
    std::istringstream lines(images);
    std::map<int, std::set<std::string>> objectsOnPage;
    std::map<int, int> imagesOnPage;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        int page;
        std::string num, type, width, height, color, comp, bpc, enc, interp, object;
        fields >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc >> interp >> object;
        EXPECT_EQ(type + " " + enc, "stencil ccitt") << line;
        EXPECT_NE(line.find("600   600"), std::string::npos) << line;
        objectsOnPage[page].insert(object);
        ++imagesOnPage[page];
    }
    ASSERT_EQ(objectsOnPage.size(), 2u) << images;
    // Both pages draw the same lines of text and the same circle: only their headings differ.
    std::set<std::string> all = objectsOnPage[1];
    all.insert(objectsOnPage[2].begin(), objectsOnPage[2].end());
    EXPECT_GE(imagesOnPage[1], 10) << images;
    EXPECT_LE(all.size(), objectsOnPage[1].size() + 1) << images;
    EXPECT_LT(fs::file_size(pdf), 80'000u);
    for (int page = 1; page <= 2; ++page) {
        Pixels picture;
        ASSERT_TRUE(ReadPng(dir_ + "raster-" + std::to_string(page) + ".png", picture));
        ExpectSamePicture(PdfPage(pdf, page, dir_), picture, "raster page " + std::to_string(page));
    }
}

// A host-based printer's job (ZjStream, its pages JBIG images copied onto the page): in the
// PDF its pages are G4 stencils over white, as quick to write as the pictures, and look as
// they do.
TEST_F(ExportTest, ZjStreamPagesAreStencils) {
    if (!HavePoppler() || !HaveTool("pdfimages")) GTEST_SKIP() << "poppler-utils not installed";
    std::string job = Write("page.zjs", MakeZjsJob({SamplePageImage(2400, 3300), SamplePageImage(2400, 3300)}));
    std::string pdf = dir_ + "page.pdf", png = dir_ + "page.png", images;
    ASSERT_EQ(Host(job + " -o " + pdf), 0);
    ASSERT_EQ(Host(job + " -o " + png), 0);
    ASSERT_EQ(RunCommand("pdfimages -list " + pdf + " | tail -n +3", images), 0);
    EXPECT_NE(images.find("stencil"), std::string::npos) << images;
    for (const char* other : {"image", "rgb", "gray"}) EXPECT_EQ(images.find(other), std::string::npos) << images;
    Pixels picture;
    ASSERT_TRUE(ReadPng(png, picture));
    ExpectSamePicture(PdfPage(pdf, 1, dir_), picture, "ZjStream page");
}

// Large 1-bit images as drivers lay them (ANDed, ORed, copied, the brush through them; rows bottom-up
// or top-down; black on white or white on black) are stencils made from their own rows, and
// look on the PDF as on the picture; corrupted, they draw what they can and nothing else, on
// documents and pictures alike.
TEST_F(ExportTest, LargeOneBitImagesAreStencilsOfTheirRows) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils not installed";
    const int w = 300, h = 280;  // larger than a glyph
    size_t stride = (w + 31) / 32 * 4;
    Bytes rows(stride * h, 0);
    for (int y = 0; y < h; ++y)  // checks in bands, a blank gap below each
        for (int x = 0; x < w && (y / 20) % 2 == 0; ++x)
            if ((x / 10 + y / 10) % 2 == 0) rows[y * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    TwoColourDib topDown = MakeTwoColourDib(w, h, 1), bottomUp = topDown, whiteOnBlack = topDown;
    bottomUp.header.biHeight = h;
    whiteOnBlack.colors[0] = {0, 0, 0, 0}, whiteOnBlack.colors[1] = {255, 255, 255, 0};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), grey = CreateSolidBrush(RGB(128, 128, 128));
    auto draw = [&](HDC dc) {
        StretchDIBits(dc, 10, 10, w, h, 0, 0, w, h, rows.data(), topDown.info(), DIB_RGB_COLORS, SRCAND);
        HGDIOBJ old = SelectObject(dc, red);
        StretchDIBits(dc, 330, 10, w, h, 0, 0, w, h, rows.data(), bottomUp.info(), DIB_RGB_COLORS, 0x00B8074A);
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        PatBlt(dc, 0, 300, 640, 300, PATCOPY);
        StretchDIBits(dc, 10, 310, w * 2, h, 0, 0, w, h, rows.data(), whiteOnBlack.info(), DIB_RGB_COLORS, SRCPAINT);
        SelectObject(dc, grey);
        PatBlt(dc, 0, 600, 640, 300, PATCOPY);
        StretchDIBits(dc, 170, 610, w, h, 0, 0, w, h, rows.data(), bottomUp.info(), DIB_RGB_COLORS, SRCCOPY);
        SelectObject(dc, old);
    };
    Canvas picture(640, 900);
    draw(picture.dc);
    std::string pdf = dir_ + "rows.pdf";
    auto playInto = [&](const std::function<void(HDC)>& drawing) {
        HDC doc = CreateDocumentDC(pdf.c_str(), DocumentFormat::Pdf, 192);
        ASSERT_NE(doc, nullptr);
        ASSERT_TRUE(StartDocumentPage(doc, 640, 900, nullptr));
        drawing(doc);
        ASSERT_TRUE(EndDocumentPage(doc));
        ASSERT_TRUE(CloseDocumentDC(doc));
    };
    playInto(draw);
    std::string images;
    RunCommand("pdfimages -list " + pdf + " | tail -n +3", images);
    EXPECT_EQ(images.find("rgb"), std::string::npos) << images;
    // Ghostscript lays an image's pixels where they fall (poppler widens each image by a row
    // and a column).
    if (HaveTool("gs")) {
        std::system(("gs -q -dBATCH -dSAFER -dNOPAUSE -sDEVICE=png16m -r192 -sOutputFile=" + dir_ + "rows.png " + pdf +
                     " > /dev/null 2>&1")
                        .c_str());
        Pixels back, ours = picture.Read();
        ASSERT_TRUE(ReadPng(dir_ + "rows.png", back));
        ASSERT_EQ(back.width, 640);
        int wrong = 0;
        for (int y = 0; y < 900; ++y)
            for (int x = 0; x < 640; ++x) wrong += !Near(back.at(x, y), ours.at(x, y), 100);
        EXPECT_LT(wrong, 640 * 900 / 1000);
    }

    // Each round corrupts the page at random, or sets one field of an image record or of its
    // header (offsets, sizes, dimensions, colours used) to an extreme.
    Bytes page = Record(draw, {0, 0, 16933, 23813});
    std::vector<size_t> fields;
    for (size_t at = 0; at + 8 <= page.size();) {
        uint32_t type, size;
        std::memcpy(&type, &page[at], 4), std::memcpy(&size, &page[at + 4], 4);
        if (size < 8 || at + size > page.size()) break;
        if (type == EMR_STRETCHDIBITS) {
            uint32_t offBmi;
            std::memcpy(&offBmi, &page[at + 48], 4);
            for (size_t field : {32, 36, 40, 44, 48, 52, 56, 60}) fields.push_back(at + field);
            for (size_t field : {0, 4, 8, 14, 32}) fields.push_back(at + offBmi + field);
        }
        at += size;
    }
    ASSERT_EQ(fields.size(), 52u);
    std::mt19937 rng(31);
    for (int round = 0; round < 120; ++round) {
        Bytes bad = page;
        if (round % 2) {
            bad = Mutate(page, rng);
        } else {
            const uint32_t extremes[] = {0, 1, 2, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0xFFFF0000u, 40};
            uint32_t value = extremes[rng() % 8];
            std::memcpy(&bad[fields[rng() % fields.size()]], &value, 4);
        }
        HENHMETAFILE emf = SetEnhMetaFileBits(static_cast<UINT>(bad.size()), bad.data());
        playInto([&](HDC doc) {
            RECT all{0, 0, 640, 900};
            if (emf) PlayEnhMetaFile(doc, emf, &all);
        });
        DeleteEnhMetaFile(emf);
        PlayOnto(bad, 320, 450);  // and onto a picture, where the images are reduced from their rows
    }
    DeleteObject(red);
    DeleteObject(grey);
}

// Our G4 code read back by poppler, pixel for pixel: noise, runs of both colours longer than
// the longest make-up code, edges moving by every vertical offset and by more, rows the same
// as the one above, and widths that are not whole words.
TEST_F(ExportTest, FaxG4StencilsReadBackExactly) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils not installed";
    auto pattern = [](int x, int y, int w, std::mt19937& noise) {
        switch (y % 8) {
        case 0: return noise() % 2 == 0;
        case 1: return x >= 5 && x < w - 7;                       // a black run of nearly the width
        case 2: return x < 3 || (x > w / 2 && x < w / 2 + 2700);  // long runs of both colours
        case 3: return (x / (1 + y % 5)) % 2 == 1;                // stripes of 1 to 5
        case 4: return x % 97 >= y % 13;                          // edges moving along
        case 5: return (x + y * 3) % 40 < 6;                      // edges moving by three
        case 6: return noise() % 23 == 0;
        default: return x % 97 >= (y + 1) % 13;
        }
    };
    for (auto [w, h] : {std::pair{4100, 48}, std::pair{33, 9}, std::pair{1, 5}}) {
        std::mt19937 noise(w);
        cairo_surface_t* shape = cairo_image_surface_create(CAIRO_FORMAT_A1, w, h);
        cairo_surface_flush(shape);
        auto* rows = cairo_image_surface_get_data(shape);
        size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(shape));
        std::vector<bool> expected;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                // Rows 16 to 23 repeat the eight above them.
                bool black =
                    y >= 16 && y < 24 ? bool(expected[static_cast<size_t>(y - 8) * w + x]) : pattern(x, y, w, noise);
                expected.push_back(black);
                uint32_t word;
                std::memcpy(&word, rows + y * stride + x / 32 * 4, 4);
                word |= static_cast<uint32_t>(black) << (x % 32);
                std::memcpy(rows + y * stride + x / 32 * 4, &word, 4);
            }
        cairo_surface_mark_dirty(shape);
        std::string code = gdi::EncodeFaxG4(rows, stride, w, h);
        std::string params = "Columns=" + std::to_string(w) + " Rows=" + std::to_string(h) + " K=-1 BlackIs1=true";
        ASSERT_FALSE(code.empty());
        cairo_surface_set_mime_data(shape, CAIRO_MIME_TYPE_CCITT_FAX_PARAMS,
                                    reinterpret_cast<const unsigned char*>(params.data()), params.size(), nullptr,
                                    nullptr);
        cairo_surface_set_mime_data(shape, CAIRO_MIME_TYPE_CCITT_FAX,
                                    reinterpret_cast<const unsigned char*>(code.data()), code.size(), nullptr, nullptr);
        std::string pdf = dir_ + "fax.pdf";
        cairo_surface_t* doc = cairo_pdf_surface_create(pdf.c_str(), w, h);
        cairo_t* cr = cairo_create(doc);
        cairo_mask_surface(cr, shape, 0, 0);
        cairo_destroy(cr);
        cairo_surface_destroy(doc);
        cairo_surface_destroy(shape);
        std::string images;
        RunCommand("pdfimages -list " + pdf, images);
        EXPECT_NE(images.find("ccitt"), std::string::npos) << images;
        // At 72 dpi each image pixel is one pixel of poppler's picture.
        std::system(("pdftoppm -r 72 -png -singlefile " + pdf + " " + dir_ + "fax > /dev/null 2>&1").c_str());
        Pixels back;
        ASSERT_TRUE(ReadPng(dir_ + "fax.png", back));
        ASSERT_EQ(back.width, w);
        ASSERT_EQ(back.height, h);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) wrong += (back.at(x, y) < 0x808080) != expected[static_cast<size_t>(y) * w + x];
        EXPECT_EQ(wrong, 0) << w << " x " << h;
    }
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
