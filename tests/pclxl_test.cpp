// PCL XL jobs: the stream reader's values, attributes and error paths,
// pages and their units, drawing, images, downloaded fonts, hostile input,
// and Ghostscript's PCL XL output compared with its own rendering.
#include "convert_print_job.h"
#include "emf_records.h"
#include "pclxl_drawing.h"
#include "pclxl_handlers.h"
#include "pclxl_job.h"
#include "pclxl_operators.h"
#include "pclxl_stream.h"
#include "test_support.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>

namespace {
// A4 at 192 dpi; at 600 units an inch a unit is 0.32 pixels.
constexpr int kWidth = 1587, kHeight = 2245;
int Px(double units) { return static_cast<int>(std::lround(units * 192.0 / 600)); }

class PclXlTest : public TempDirTest {
protected:
    // Runs the stream as a job whose pages stay open for inspection; Finish() ends it.
    void Run(const XlWriter& w) {
        InitPclXlJob(dir_.c_str());
        RunPclXlStream(w.out.data(), w.out.size());
    }
    PageList Finish() {
        FinishPclXlJob();
        PageList pages = std::move(XlState().pages);
        XlState().pages.clear();
        return pages;
    }
    void Discard() {
        PageList pages = Finish();
        DeletePageFiles(pages);
    }
    PageList Convert(const Bytes& job, const std::string& name = "job.pxl") {
        PageList pages;
        EXPECT_TRUE(ConvertPrintJob(Write(name, job).c_str(), pages));
        return pages;
    }
    Pixels Picture(XlWriter& w) {
        w.op(xl::EndPage).op(xl::EndSession);
        return LoadPicture(Write("picture.pxl", w.out));
    }
    static ENHMETAHEADER Header(const std::string& page) {
        ENHMETAHEADER h{};
        HENHMETAFILE emf = GetEnhMetaFileA(page.c_str());
        if (emf) GetEnhMetaFileHeader(emf, sizeof h, &h);
        DeleteEnhMetaFile(emf);
        return h;
    }
};

XlWriter Job(uint16_t unitsPerInch = 600) {
    XlWriter w;
    XlBeginJob(w, unitsPerInch);
    return w;
}

// A solid RGB brush and no pen.
void Brush(XlWriter& w, uint8_t r, uint8_t g, uint8_t b) {
    w.raw({0xC8, 0xC0, 3, r, g, b}).attr(xl::RGBColor).op(xl::SetBrushSource).attr(xl::NullPen).op(xl::SetPenSource);
}

// An 8 x n image of one block at the cursor (600, 600), 100 units a pixel.
void Image(XlWriter& w, int depth, int width, int height, const Bytes& rows, int compress = 0, int startLine = 0,
           int pad = -1) {
    w.xy(600, 600).attr(xl::Point).op(xl::SetCursor);
    w.ubyte(static_cast<uint8_t>(depth)).attr(xl::ColorDepth).ubyte(0).attr(xl::ColorMapping);
    w.uint16(static_cast<uint16_t>(width)).attr(xl::SourceWidth).uint16(static_cast<uint16_t>(height)).attr(xl::SourceHeight);
    w.xy(static_cast<int16_t>(width * 100), static_cast<int16_t>(height * 100)).attr(xl::DestinationSize).op(xl::BeginImage);
    w.uint16(static_cast<uint16_t>(startLine)).attr(xl::StartLine).uint16(static_cast<uint16_t>(height - startLine)).attr(xl::BlockHeight);
    w.ubyte(static_cast<uint8_t>(compress)).attr(xl::CompressMode);
    if (pad >= 0) w.ubyte(static_cast<uint8_t>(pad)).attr(xl::PadBytesMultiple);
    w.op(xl::ReadImage).data(rows).op(xl::EndImage);
}

// The grey of source pixel (x, y) of an image placed by Image().
uint32_t ImagePixel(const Pixels& p, int x, int y) { return p.at(Px(600 + x * 100 + 50), Px(600 + y * 100 + 50)); }
uint32_t Grey(uint8_t g) { return (uint32_t{g} << 16) | (uint32_t{g} << 8) | g; }
}  // namespace

// ---- The stream reader ----

TEST_F(PclXlTest, ValuesFollowTheBindingAndTheirTypes) {
    for (bool big : {false, true}) {
        XlWriter w(big);
        w.raw({0xC1, 0x34, 0x12}).attr(108);                 // SourceWidth, uint16
        w.raw({0xC3, 0xFF, 0xFF}).attr(67);                  // DashOffset, sint16
        w.raw({0xC1, 0xFF, 0xFF}).attr(107);                 // SourceHeight
        w.realXy(1.5f, 2.5f).attr(xl::PageScale);
        w.realArray({1.5f, 2.5f}).attr(14);                  // PrimaryArray
        w.raw({0xC2, 0x01, 0x00, 0x00, 0x80}).attr(163);     // CharDataSize, uint32
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
    w.uint16(77).attr(108);
    Run(w);
    EXPECT_EQ(XlState().binding, 1);
    EXPECT_EQ(XlState().attr.sourceWidth, 77);
    Finish();
    // The ASCII binding is recognised and nothing is read.
    XlWriter ascii(false, false);
    std::string text = "' HP-PCL XL;2;0\n";
    ascii.out.assign(text.begin(), text.end());
    ascii.uint16(77).attr(108).op(xl::BeginPage);
    Run(ascii);
    EXPECT_EQ(XlState().attr.sourceWidth, 0);
    EXPECT_TRUE(Finish().empty());
}

TEST_F(PclXlTest, AFailingTagIsDroppedAndReadingGoesOn) {
    XlWriter w;
    w.ubyte(1).attr(200);          // unknown attribute
    w.raw({0x30});                 // unknown tag
    w.attr(108);                   // an attribute without its value
    w.raw({0xC8, 0xC3, 0x00, 0x02, 1, 2});  // an array whose length is not unsigned
    w.uint16(5).attr(108);
    w.real32(std::nanf("")).attr(xl::PageScale);  // not a number
    w.real32(3e9f).attr(107);      // too large for an integer
    w.op(xl::Rectangle);           // no page: draws nothing
    w.uint16(9).attr(107);
    Run(w);
    EXPECT_EQ(XlState().attr.sourceWidth, 5);
    EXPECT_EQ(XlState().attr.sourceHeight, 9);
    EXPECT_EQ(XlState().attr.pageScale[0], 1);
    EXPECT_TRUE(XlState().stack.empty());
    EXPECT_TRUE(Finish().empty());
}

TEST_F(PclXlTest, OperatorsReadOnlyEmbeddedDataAfterThemselves) {
    // Operators that take data, each followed by another operator: nothing recurses.
    XlWriter w = Job();
    for (int i = 0; i < 200000; ++i) w.op(i % 2 ? xl::LineRelPath : xl::ReadImage);
    w.uint16(3).attr(108).op(xl::EndPage);
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
    } cases[] = {{"2", 0, 21000, 29700},  {"2", 1, 29700, 21000},  {"0", 0, 21590, 27940}, {"1", 3, 35560, 21590},
                 {"5", 0, 29700, 42000},  {"99", 0, 21000, 29700}, {"A3", 0, 29700, 42000}, {"letter", 2, 21590, 27940}};
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
        double x;       // a user x
        LONG logical;   // its logical x
    } cases[] = {
        {0, 600, true, MM_LOENGLISH, 600, 100},  // 600 an inch, PageScale (1, 1)
        {0, 600, false, MM_LOENGLISH, 600, 100}, // no SetPageScale: scale 1
        {0, 150, false, MM_LOENGLISH, 150, 100}, {0, 75, false, MM_LOENGLISH, 75, 100},
        {1, 10, true, MM_LOMETRIC, 10, 10},      // tenths of a millimetre per unit: logical units
        {2, 1, false, MM_LOMETRIC, 10, 10},      // one unit a tenth of a millimetre
        {0, 0, false, MM_LOENGLISH, 600, 100},   // no units at all: the default stays
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
        EXPECT_EQ(p.x, c.logical) << c.measure << " " << c.units;
        EXPECT_EQ(p.y, -c.logical) << c.measure << " " << c.units;
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
    EXPECT_EQ(CountRecords(first, EMR_CREATEBRUSHINDIRECT), CountRecords(first, EMR_DELETEOBJECT) - CountRecords(first, EMR_EXTCREATEPEN) - CountRecords(first, EMR_CREATEPEN));
    DeletePageFiles(pages);
    // A job whose last byte is EndPage shows its page.
    XlWriter last = Job();
    Brush(last, 0, 0, 0);
    last.box(600, 600, 1200, 1200).attr(xl::BoundingBox).op(xl::Rectangle).op(xl::EndPage);
    Pixels p = LoadPicture(Write("last.pxl", last.out));
    ASSERT_EQ(p.width, kWidth);
    EXPECT_EQ(p.at(Px(900), Px(900)), 0x000000u);
}

// ---- Drawing ----

TEST_F(PclXlTest, TheSampleJobDrawsItsShapesImageAndText) {
    Pixels p = LoadPicture(Write("sample.pxl", MakePclXlJob(3)));
    ASSERT_EQ(p.width, kWidth);
    ASSERT_EQ(p.height, kHeight);
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1200)), 0xFF0000));           // the red rectangle
    EXPECT_TRUE(Near(p.at(Px(601), Px(1200)), 0x000000, 60));        // its black outline
    EXPECT_TRUE(Near(p.at(Px(3600), Px(1200)), 0x0000FF));           // the blue ellipse
    EXPECT_TRUE(Near(p.at(Px(2900), Px(700)), 0xFFFFFF));            // outside the ellipse, inside its box
    EXPECT_TRUE(Near(p.at(Px(1400), Px(3300)), 0x00A000));           // the green triangle
    EXPECT_TRUE(Near(p.at(Px(2300), Px(4000)), 0xFFFFFF));           // beside it
    EXPECT_TRUE(Near(p.at(Px(2810), Px(3300)), 0x000000, 30));       // the ramp's dark end
    EXPECT_TRUE(Near(p.at(Px(4590), Px(3300)), 0xFCFCFC, 30));       // its light end
    EXPECT_TRUE(Near(p.at(Px(2800 + 900), Px(3300)), Grey(128), 30));
    // Page 1 in the font: seven frames (B) and a block (A) last.
    EXPECT_TRUE(Near(p.at(Px(600 + 7 * 48 + 16), Px(5600 - 20)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(600 + 16), Px(5600 - 20)), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(600 + 1), Px(5600 - 20)), 0x000000, 60));
}

TEST_F(PclXlTest, NullBrushAndNullPenDrawNothing) {
    XlWriter w = Job();
    w.attr(xl::NullBrush).op(xl::SetBrushSource).ubyte(0).attr(xl::GrayLevel).op(xl::SetPenSource);
    w.uint16(30).attr(xl::PenWidth).op(xl::SetPenWidth);
    w.box(600, 600, 1800, 1800).attr(xl::BoundingBox).op(xl::Rectangle);
    w.ubyte(0).attr(xl::GrayLevel).op(xl::SetBrushSource).attr(xl::NullPen).op(xl::SetPenSource);
    w.box(2400, 600, 3600, 1800).attr(xl::BoundingBox).op(xl::Ellipse);
    Pixels p = Picture(w);
    ASSERT_EQ(p.width, kWidth);
    EXPECT_TRUE(Near(p.at(Px(1200), Px(1200)), 0xFFFFFF));  // no fill
    EXPECT_TRUE(Near(p.at(Px(605), Px(1200)), 0x000000));   // the outline
    EXPECT_TRUE(Near(p.at(Px(3000), Px(1200)), 0x000000));  // the filled ellipse
    EXPECT_TRUE(Near(p.at(Px(3000), Px(595)), 0xFFFFFF));   // without outline
}

TEST_F(PclXlTest, PathsFillWithTheirModeAndCloseSubPathStrokes) {
    // Two nested squares: non-zero winding fills both, even-odd leaves the hole.
    for (int mode : {0, 1}) {
        XlWriter w = Job();
        Brush(w, 0, 0, 0);
        w.ubyte(static_cast<uint8_t>(mode)).attr(xl::FillMode).op(xl::SetFillMode).op(xl::NewPath);
        w.box(600, 600, 2400, 2400).attr(xl::BoundingBox).op(xl::RectanglePath);
        w.box(1200, 1200, 1800, 1800).attr(xl::BoundingBox).op(xl::RectanglePath);
        w.op(xl::PaintPath);
        Pixels p = Picture(w);
        EXPECT_TRUE(Near(p.at(Px(900), Px(900)), 0x000000));
        EXPECT_TRUE(Near(p.at(Px(1500), Px(1500)), mode ? 0xFFFFFF : 0x000000)) << mode;
    }
    // CloseSubPath strokes the open figure; the path stays to be filled by PaintPath.
    XlWriter w = Job();
    w.raw({0xC8, 0xC0, 3, 0, 0, 255}).attr(xl::RGBColor).op(xl::SetBrushSource);
    w.ubyte(0).attr(xl::GrayLevel).op(xl::SetPenSource).uint16(40).attr(xl::PenWidth).op(xl::SetPenWidth);
    w.op(xl::NewPath).xy(600, 600).attr(xl::Point).op(xl::SetCursor);
    w.xy(1800, 0).attr(xl::EndPoint).op(xl::LineRelPath).xy(0, 1800).attr(xl::EndPoint).op(xl::LineRelPath);
    w.xy(-1800, 0).attr(xl::EndPoint).op(xl::LineRelPath).op(xl::CloseSubPath).op(xl::PaintPath);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1500)), 0x0000FF));
    EXPECT_TRUE(Near(p.at(Px(1500), Px(600)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(600), Px(1500)), 0x000000));  // the closing side
}

TEST_F(PclXlTest, CurvesPiesAndRoundRectangles) {
    XlWriter w = Job();
    Brush(w, 0, 0, 0);
    // A Bezier hump from (600, 1800) to (2400, 1800), closed along its base.
    w.op(xl::NewPath).xy(600, 1800).attr(xl::Point).op(xl::SetCursor);
    w.xy(600, 600).attr(xl::ControlPoint1).xy(2400, 600).attr(xl::ControlPoint2).xy(2400, 1800).attr(xl::EndPoint);
    w.op(xl::BezierPath).op(xl::CloseSubPath).op(xl::PaintPath);
    // The quarter of a circle from 3 o'clock to 6 o'clock, clockwise on the page.
    w.box(3000, 600, 4800, 2400).attr(xl::BoundingBox).xy(4800, 1500).attr(xl::StartPoint).xy(3900, 2400).attr(xl::EndPoint);
    w.op(xl::Pie);
    w.box(600, 3000, 2400, 4200).attr(xl::BoundingBox).xy(600, 600).attr(xl::EllipseDimension).op(xl::RoundRectangle);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1500)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(700), Px(700)), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(4200), Px(1800)), 0x000000));  // inside the lower-right quarter
    EXPECT_TRUE(Near(p.at(Px(3600), Px(1200)), 0xFFFFFF));  // the upper-left quarter stays white
    EXPECT_TRUE(Near(p.at(Px(4200), Px(1200)), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(1500), Px(3600)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(620), Px(3020)), 0xFFFFFF));   // a rounded corner
}

TEST_F(PclXlTest, ClippingAndGraphicsStates) {
    XlWriter w = Job();
    Brush(w, 255, 0, 0);
    w.op(xl::PushGS);
    w.box(600, 600, 1800, 1800).attr(xl::BoundingBox).ubyte(0).attr(xl::ClipRegion).op(xl::SetClipRectangle);
    w.box(0, 0, 4000, 4000).attr(xl::BoundingBox).op(xl::Rectangle);
    w.op(xl::PopGS);
    // Outside the popped clip, the brush is red again after a blue one in a saved state.
    w.op(xl::PushGS);
    Brush(w, 0, 0, 255);
    w.op(xl::PopGS);
    w.box(3000, 3000, 3600, 3600).attr(xl::BoundingBox).op(xl::Rectangle);
    // An exterior clip keeps what lies outside the path.
    w.op(xl::NewPath).box(600, 4200, 1200, 4800).attr(xl::BoundingBox).op(xl::RectanglePath);
    w.ubyte(1).attr(xl::ClipRegion).op(xl::SetClipReplace);
    w.box(300, 3900, 1500, 5100).attr(xl::BoundingBox).op(xl::Rectangle);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(1200), Px(1200)), 0xFF0000));
    EXPECT_TRUE(Near(p.at(Px(2400), Px(2400)), 0xFFFFFF));  // clipped away
    EXPECT_TRUE(Near(p.at(Px(3300), Px(3300)), 0xFF0000));
    EXPECT_TRUE(Near(p.at(Px(900), Px(4500)), 0xFFFFFF));   // inside the exterior clip's path
    EXPECT_TRUE(Near(p.at(Px(400), Px(4000)), 0xFF0000));
}

TEST_F(PclXlTest, RasterOperationsAndTransparentMasks) {
    // A black-and-white image over red: with ROP 0x88 (source AND page) its white
    // pixels leave the red; with a transparent source and SRCCOPY too.
    for (int variant : {0, 1}) {
        XlWriter w = Job();
        Brush(w, 255, 0, 0);
        w.box(500, 500, 1500, 800).attr(xl::BoundingBox).op(xl::Rectangle);
        if (variant == 0) w.ubyte(0x88).attr(xl::ROP3).op(xl::SetROP);
        else w.ubyte(0xCC).attr(xl::ROP3).op(xl::SetROP).ubyte(1).attr(xl::TxMode).op(xl::SetSourceTxMode);
        Image(w, 0, 8, 1, {0x0F});
        Pixels p = Picture(w);
        EXPECT_TRUE(Near(ImagePixel(p, 1, 0), 0x000000)) << variant;
        EXPECT_TRUE(Near(ImagePixel(p, 6, 0), 0xFF0000)) << variant;
    }
}

TEST_F(PclXlTest, RasterPatternsTileTheirDestinationSize) {
    // A 2 x 2 checker of an inch a side, indexed through a palette of red and white.
    XlWriter w = Job();
    w.ubyte(2).attr(xl::ColorSpace).ubyte(2).attr(xl::PaletteDepth).raw({0xC8, 0xC0, 6, 255, 0, 0, 255, 255, 255});
    w.attr(xl::PaletteData).op(xl::SetColorSpace);
    w.ubyte(2).attr(xl::ColorDepth).ubyte(1).attr(xl::ColorMapping).uint16(2).attr(xl::SourceWidth);
    w.uint16(2).attr(xl::SourceHeight).xy(600, 600).attr(xl::DestinationSize).ubyte(1).attr(xl::PatternDefineID);
    w.ubyte(0).attr(xl::PatternPersistence).op(xl::BeginRastPattern);
    w.uint16(0).attr(xl::StartLine).uint16(2).attr(xl::BlockHeight).ubyte(0).attr(xl::CompressMode);
    w.op(xl::ReadRastPattern).data({0, 1, 0, 0, 1, 0, 0, 0}).op(xl::EndRastPattern);
    w.ubyte(1).attr(xl::PatternSelectID).op(xl::SetBrushSource).attr(xl::NullPen).op(xl::SetPenSource);
    w.box(600, 600, 3000, 3000).attr(xl::BoundingBox).op(xl::Rectangle);
    Pixels p = Picture(w);
    // Tiles of 192 pixels from the page's corner: red top-left and bottom-right quarters.
    EXPECT_TRUE(Near(p.at(192 + 20, 192 + 20), 0xFF0000));
    EXPECT_TRUE(Near(p.at(192 + 96 + 20, 192 + 20), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(192 + 96 + 20, 192 + 96 + 20), 0xFF0000));
    EXPECT_TRUE(Near(p.at(100, 100), 0xFFFFFF));  // outside the rectangle
}

// ---- Images ----

TEST_F(PclXlTest, ImageRowsByDepthPaddingAndStartLine) {
    XlWriter w = Job();
    Image(w, 0, 8, 1, {0x80});
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(ImagePixel(p, 0, 0), 0xFFFFFF));
    EXPECT_TRUE(Near(ImagePixel(p, 1, 0), 0x000000));
    EXPECT_TRUE(Near(ImagePixel(p, 7, 0), 0x000000));

    XlWriter four = Job();
    Image(four, 1, 2, 1, {0x0F});
    p = Picture(four);
    EXPECT_TRUE(Near(ImagePixel(p, 0, 0), 0xFFFFFF));
    EXPECT_TRUE(Near(ImagePixel(p, 1, 0), 0x000000));

    // Ten 1-bit pixels take two bytes, padded to four: rows must not shear.
    XlWriter padded = Job();
    Image(padded, 0, 10, 2, {0x7F, 0xC0, 0, 0, 0xBF, 0xC0, 0, 0});
    p = Picture(padded);
    EXPECT_TRUE(Near(ImagePixel(p, 0, 0), 0x000000));
    EXPECT_TRUE(Near(ImagePixel(p, 1, 0), 0xFFFFFF));
    EXPECT_TRUE(Near(ImagePixel(p, 1, 1), 0x000000));
    EXPECT_TRUE(Near(ImagePixel(p, 9, 1), 0xFFFFFF));

    // A pad multiple of 0 means rows of their own length; StartLine places the block.
    XlWriter start = Job();
    Image(start, 2, 3, 8, {10, 20, 30, 40, 50, 60, 70, 80, 90}, 0, 5, 0);
    p = Picture(start);
    EXPECT_TRUE(Near(ImagePixel(p, 0, 4), 0xFFFFFF, 2));
    EXPECT_TRUE(Near(ImagePixel(p, 0, 5), Grey(10), 2));
    EXPECT_TRUE(Near(ImagePixel(p, 0, 6), Grey(40), 2));
    EXPECT_TRUE(Near(ImagePixel(p, 2, 7), Grey(90), 2));
}

TEST_F(PclXlTest, RunLengthDeltaRowAndUnknownCompression) {
    XlWriter w = Job();
    // 0xFE 0x80: three of 128; 0x80 does nothing; 0x01 0x10 0x20: two literals.
    Image(w, 2, 5, 1, {0xFE, 0x80, 0x80, 0x01, 0x10, 0x20}, 1, 0, 1);
    Pixels p = Picture(w);
    for (int x = 0; x < 3; ++x) EXPECT_TRUE(Near(ImagePixel(p, x, 0), Grey(128), 2)) << x;
    EXPECT_TRUE(Near(ImagePixel(p, 3, 0), Grey(16), 2));
    EXPECT_TRUE(Near(ImagePixel(p, 4, 0), Grey(32), 2));

    // Run-length 1-bit rows expand through the depth: 0xF0 repeated for two rows of 8.
    XlWriter bits = Job();
    Image(bits, 0, 8, 2, {0xF9, 0xF0}, 1);
    p = Picture(bits);
    EXPECT_TRUE(Near(ImagePixel(p, 0, 1), 0xFFFFFF));
    EXPECT_TRUE(Near(ImagePixel(p, 7, 1), 0x000000));

    // Delta rows: the second row changes its second byte only.
    XlWriter delta = Job();
    Image(delta, 2, 3, 2, {4, 0, 0x40, 50, 60, 70, 2, 0, 0x01, 200}, 3);
    p = Picture(delta);
    EXPECT_TRUE(Near(ImagePixel(p, 1, 0), Grey(60), 2));
    EXPECT_TRUE(Near(ImagePixel(p, 0, 1), Grey(50), 2));
    EXPECT_TRUE(Near(ImagePixel(p, 1, 1), Grey(200), 2));

    // Direct colour in less than a byte a component is no image a driver sends: nothing is drawn.
    XlWriter rgb = Job();
    rgb.ubyte(2).attr(xl::ColorSpace).op(xl::SetColorSpace);
    Image(rgb, 0, 8, 2, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    p = Picture(rgb);
    EXPECT_TRUE(Near(ImagePixel(p, 0, 0), 0xFFFFFF));

    XlWriter unknown = Job();
    Image(unknown, 2, 3, 1, {0, 0, 0}, 7);
    unknown.ubyte(5).attr(108);
    Run(unknown);
    EXPECT_EQ(XlState().attr.sourceWidth, 5);  // the stream went on
    PageList pages = Finish();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(CountRecords(ReadFileBytes(pages[0]), EMR_STRETCHDIBITS), 0u);
    DeletePageFiles(pages);
}

TEST_F(PclXlTest, AFullPageImageIsOneBitmapPerBlock) {
    // 4800 x 6600 1-bit pixels (8 x 11 inches at 600 dpi) in two blocks.
    XlWriter w = Job();
    w.xy(300, 300).attr(xl::Point).op(xl::SetCursor);
    w.ubyte(0).attr(xl::ColorDepth).ubyte(0).attr(xl::ColorMapping).uint16(4800).attr(xl::SourceWidth);
    w.uint16(6600).attr(xl::SourceHeight).xy(4800, 6600).attr(xl::DestinationSize).op(xl::BeginImage);
    for (int block = 0; block < 2; ++block) {
        Bytes rows(600 * 3300, static_cast<uint8_t>(block ? 0x00 : 0xAA));
        w.uint16(static_cast<uint16_t>(block * 3300)).attr(xl::StartLine).uint16(3300).attr(xl::BlockHeight);
        w.ubyte(0).attr(xl::CompressMode).op(xl::ReadImage).data(rows);
    }
    w.op(xl::EndImage).op(xl::EndPage);
    Run(w);
    PageList pages = Finish();
    ASSERT_EQ(pages.size(), 1u);
    Bytes emf = ReadFileBytes(pages[0]);
    std::vector<PaintedImage> images = ImagesOfPage(emf);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width, 4800);
    EXPECT_EQ(images[0].height, 3300);
    EXPECT_EQ(images[0].bits, 1);
    EXPECT_EQ(images[0].x, 50);        // 300 units at 6 a logical unit
    EXPECT_EQ(images[1].y, -(50 + 550));
    EXPECT_EQ(CountRecords(emf, EMR_SETPIXELV), 0u);
    DeletePageFiles(pages);
}

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
    g.push_back(static_cast<uint8_t>(side));                 // y: 0, 0, +s, s
    Bytes r = {1, 0};
    be(r, static_cast<int>(g.size()) + 4);
    be(r, 7);  // glyph index
    r.insert(r.end(), g.begin(), g.end());
    return r;
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
        w.uint16(65535).attr(xl::CharCode).uint16(static_cast<uint16_t>(small.size())).attr(xl::CharDataSize).op(xl::ReadChar).data(small);
    }
    Bytes glyph = SquareGlyph(200);
    w.ubyte('S').attr(xl::CharCode).uint16(static_cast<uint16_t>(glyph.size())).attr(xl::CharDataSize).op(xl::ReadChar).data(glyph);
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
    EXPECT_TRUE(Near(p.at(Px(848), Px(1080)), 0xFFFFFF));   // the gap between them
    EXPECT_TRUE(Near(p.at(Px(720), Px(900)), 0xFFFFFF));    // above the glyph
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
    outside[10] = 0, outside[11] = 50;  // a box smaller than the points
    EXPECT_FALSE(load(outside));
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
         "/Times-Roman findfont 11 scalefont setfont 72 700 moveto (Eleven point Times: the quick brown fox jumps over the lazy dog.) show\n"
         "/Courier findfont 48 scalefont setfont 72 620 moveto (Courier 48) show\n"
         "1 0 0 setrgbcolor 100 100 200 150 rectfill 0 0 1 setrgbcolor 5 setlinewidth newpath 300 300 80 0 360 arc stroke\n"
         "0 0.6 0 setrgbcolor newpath 350 100 moveto 500 250 lineto 550 120 lineto closepath fill\n"
         "0.5 setgray [10 5] 0 setdash 2 setlinewidth newpath 72 500 moveto 500 520 lineto stroke\n"},
        {"images",
         "/data 64 32 mul 3 mul string def 0 1 data length 1 sub { data exch dup 7 mul 256 mod put } for\n"
         "gsave 100 450 translate 300 200 scale /DeviceRGB setcolorspace\n"
         "<< /ImageType 1 /Width 64 /Height 32 /BitsPerComponent 8 /Decode [0 1 0 1 0 1] /ImageMatrix [64 0 0 -32 0 32] /DataSource data >> image grestore\n"
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
         "<< /PageSize [842 595] >> setpagedevice /Helvetica findfont 30 scalefont setfont 72 500 moveto (Landscape page one) show\n"
         "0 0 1 setrgbcolor 100 100 500 200 rectfill 0.3 setgray 3 setlinewidth newpath 650 300 100 0 270 arc stroke showpage\n"
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
                std::string render = std::string(gs) + "-r192 -dLastPage=1 -sDEVICE=" +
                                     (std::string(device) == "pxlmono" ? "pnggray" : "png16m") + " -sOutputFile=" + png + " " + ps;
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
