// PCL XL drawing: shapes, paths, pens, brushes, clipping, graphics states,
// raster operations, raster patterns and images, checked by pixel probes.
#include "pclxl_fixture.h"
#include "page_renderer.h"

// ---- Drawing ----

TEST_F(PclXlTest, TheSampleJobDrawsItsShapesImageAndText) {
    Pixels p = LoadPicture(Write("sample.pxl", MakePclXlJob(3)));
    ASSERT_EQ(p.width, kWidth);
    ASSERT_EQ(p.height, kHeight);
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1200)), 0xFF0000));      // the red rectangle
    EXPECT_TRUE(Near(p.at(Px(601), Px(1200)), 0x000000, 60));   // its black outline
    EXPECT_TRUE(Near(p.at(Px(3600), Px(1200)), 0x0000FF));      // the blue ellipse
    EXPECT_TRUE(Near(p.at(Px(2900), Px(700)), 0xFFFFFF));       // outside the ellipse, inside its box
    EXPECT_TRUE(Near(p.at(Px(1400), Px(3300)), 0x00A000));      // the green triangle
    EXPECT_TRUE(Near(p.at(Px(2300), Px(4000)), 0xFFFFFF));      // beside it
    EXPECT_TRUE(Near(p.at(Px(2810), Px(3300)), 0x000000, 30));  // the ramp's dark end
    EXPECT_TRUE(Near(p.at(Px(4590), Px(3300)), 0xFCFCFC, 30));  // its light end
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
    w.box(3000, 600, 4800, 2400)
        .attr(xl::BoundingBox)
        .xy(4800, 1500)
        .attr(xl::StartPoint)
        .xy(3900, 2400)
        .attr(xl::EndPoint);
    w.op(xl::Pie);
    w.box(600, 3000, 2400, 4200).attr(xl::BoundingBox).xy(600, 600).attr(xl::EllipseDimension).op(xl::RoundRectangle);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1500)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(700), Px(700)), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(4200), Px(1800)), 0x000000));  // inside the lower-right quarter
    EXPECT_TRUE(Near(p.at(Px(3600), Px(1200)), 0xFFFFFF));  // the upper-left quarter stays white
    EXPECT_TRUE(Near(p.at(Px(4200), Px(1200)), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(1500), Px(3600)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(620), Px(3020)), 0xFFFFFF));  // a rounded corner
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
    EXPECT_TRUE(Near(p.at(Px(900), Px(4500)), 0xFFFFFF));  // inside the exterior clip's path
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
    unknown.ubyte(5).attr(xl::SourceWidth);
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
    EXPECT_EQ(images[0].x, 50 * kXlFine);  // 300 units at 6 a hundredth of an inch
    EXPECT_EQ(images[1].y, -(50 + 550) * kXlFine);
    EXPECT_EQ(CountRecords(emf, EMR_SETPIXELV), 0u);
    DeletePageFiles(pages);
}

// ---- Pens, units and point lists ----

TEST_F(PclXlTest, PenWidthDashesOriginAndScale) {
    XlWriter w = Job();
    w.attr(xl::NullBrush).op(xl::SetBrushSource).ubyte(0).attr(xl::GrayLevel).op(xl::SetPenSource);
    // A pen a tenth of an inch wide: 19 pixels.
    w.uint16(60).attr(xl::PenWidth).op(xl::SetPenWidth);
    w.op(xl::NewPath).xy(600, 1200).attr(xl::Point).op(xl::SetCursor).xy(3000, 1200).attr(xl::EndPoint);
    w.op(xl::LinePath).op(xl::PaintPath);
    // Dashes of 120 units with gaps of 120.
    w.uint16(18)
        .attr(xl::PenWidth)
        .op(xl::SetPenWidth)
        .raw({0xC8, 0xC0, 2, 120, 120})
        .attr(xl::LineDashStyle)
        .op(xl::SetLineDash);
    w.op(xl::NewPath).xy(600, 1800).attr(xl::Point).op(xl::SetCursor).xy(3000, 1800).attr(xl::EndPoint);
    w.op(xl::LinePath).op(xl::PaintPath);
    // The page origin moves what follows; the page scale multiplies it.
    Brush(w, 0, 0, 255);
    w.xy(1200, 0).attr(xl::PageOrigin).op(xl::SetPageOrigin);
    w.box(0, 2400, 300, 2700).attr(xl::BoundingBox).op(xl::Rectangle);
    w.xy(0, 0).attr(xl::PageOrigin).op(xl::SetPageOrigin).realXy(2, 2).attr(xl::PageScale).op(xl::SetPageScale);
    w.box(300, 1500, 450, 1650).attr(xl::BoundingBox).op(xl::Rectangle);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1200) + 7), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1200) + 14), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(600 + 60), Px(1800)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(600 + 180), Px(1800)), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(1350), Px(2550)), 0x0000FF));
    EXPECT_TRUE(Near(p.at(Px(150), Px(2550)), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(750), Px(3150)), 0x0000FF));  // (375, 1575) at twice the scale
}

// Shapes keep their places to a fraction of a hundredth of an inch: a white band laid two units
// (1/300 inch) below a black one leaves the black one's edge, as a printer draws it (the
// outlines of tiger.px3's whiskers are such edges).
TEST_F(PclXlTest, AnEdgeThinnerThanAHundredthOfAnInchStays) {
    XlWriter w = Job();
    Brush(w, 0, 0, 0);
    w.box(600, 1200, 3000, 1260).attr(xl::BoundingBox).op(xl::Rectangle);
    Brush(w, 255, 255, 255);
    w.box(600, 1202, 3000, 1262).attr(xl::BoundingBox).op(xl::Rectangle);
    w.op(xl::EndPage);
    PageList pages = Convert(w.out);
    ASSERT_EQ(pages.size(), 1u);
    // At 600 dpi a pixel is a unit.
    RenderedPage page;
    ASSERT_TRUE(RenderPageMetafile(pages[0].c_str(), page, 600));
    auto grey = [&](int x, int y) { return page.pixels[(static_cast<size_t>(y) * page.width + x) * 4 + 1]; };
    EXPECT_LT(grey(1800, 1200), 96);
    EXPECT_GT(grey(1800, 1203), 224);
    EXPECT_GT(grey(1800, 1230), 224);
    ReleaseRenderedPage(page);
}

TEST_F(PclXlTest, EmbeddedPointListsFollowPointTypeAndDataOrg) {
    auto points = [&](XlWriter& w) {
        Run(w);
        std::vector<POINT> pts = XlState().path.points;
        Discard();
        return pts;
    };
    // Signed bytes, relative to the cursor at (600, 600); the fifth byte is no whole pair.
    XlWriter rel = Job();
    rel.op(xl::NewPath).xy(600, 600).attr(xl::Point).op(xl::SetCursor).ubyte(1).attr(xl::PointType);
    rel.op(xl::LineRelPath).data({60, 0, 0, 0xC4, 5});
    std::vector<POINT> p = points(rel);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1].x, 110 * kXlFine);
    EXPECT_EQ(p[1].y, -100 * kXlFine);
    EXPECT_EQ(p[2].y, -90 * kXlFine);
    // Unsigned 16-bit values high byte first, absolute, no more than NumberOfPoints.
    XlWriter abs = Job();
    abs.op(xl::NewPath).xy(0, 0).attr(xl::Point).op(xl::SetCursor).ubyte(0).attr(xl::DataOrg).op(xl::OpenDataSource);
    abs.ubyte(2).attr(xl::NumberOfPoints).ubyte(3).attr(xl::PointType).op(xl::LinePath);
    abs.data({0x02, 0x58, 0x04, 0xB0, 0x04, 0xB0, 0x02, 0x58, 0x09, 0x60, 0x09, 0x60});
    p = points(abs);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1].x, 100 * kXlFine);
    EXPECT_EQ(p[1].y, -200 * kXlFine);
    EXPECT_EQ(p[2].x, 200 * kXlFine);
    // A dot as Ghostscript draws it: four relative Bezier segments back to their start.
    XlWriter dot = Job();
    dot.op(xl::NewPath).xy(3000, 3000).attr(xl::Point).op(xl::SetCursor).ubyte(12).attr(xl::NumberOfPoints);
    dot.ubyte(1).attr(xl::PointType).op(0x95).data({0x00, 0x02, 0xFF, 0x04, 0xFD, 0x04, 0xFE, 0x00,
                                                    0xFC, 0xFE, 0xFC, 0xFC, 0x00, 0xFE, 0x02, 0xFD,
                                                    0x04, 0xFD, 0x02, 0x00, 0x03, 0x01, 0x03, 0x03});
    Run(dot);
    EXPECT_EQ(XlState().path.points.size(), 13u);
    EXPECT_EQ(XlState().cursor[0], 3000);
    EXPECT_EQ(XlState().cursor[1], 3000);
    Discard();
}

TEST_F(PclXlTest, ArcsAndChords) {
    XlWriter w = Job();
    Brush(w, 0, 0, 0);
    // The upper half of a circle as a chord, counter-clockwise from 3 o'clock to 9 o'clock.
    w.ubyte(1).attr(xl::ArcDirection).box(600, 600, 2400, 2400).attr(xl::BoundingBox);
    w.xy(2400, 1500).attr(xl::StartPoint).xy(600, 1500).attr(xl::EndPoint).op(0x96);
    // An arc appended to an open figure, closed and filled: a half disc below a line.
    w.op(xl::NewPath).xy(3000, 1500).attr(xl::Point).op(xl::SetCursor);
    w.ubyte(0).attr(xl::ArcDirection).box(3000, 600, 4800, 2400).attr(xl::BoundingBox);
    w.xy(4800, 1500)
        .attr(xl::StartPoint)
        .xy(3000, 1500)
        .attr(xl::EndPoint)
        .op(0x91)
        .op(xl::CloseSubPath)
        .op(xl::PaintPath);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1000)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(1500), Px(2000)), 0xFFFFFF));
    EXPECT_TRUE(Near(p.at(Px(3900), Px(2000)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(3900), Px(1000)), 0xFFFFFF));
}

TEST_F(PclXlTest, CommentsGraphicsStateDepthAndEndSession) {
    XlWriter w = Job();
    w.text("made by a test").attr(xl::CommentData).op(xl::Comment);
    w.op(xl::PopGS);  // nothing saved: nothing happens
    for (int i = 0; i < 300; ++i) w.op(xl::PushGS);
    for (int i = 0; i < 310; ++i) w.op(xl::PopGS);
    w.op(xl::EndPage).op(xl::EndSession);
    // Nothing after EndSession is read.
    w.ubyte(2).attr(xl::MediaSize).op(xl::BeginPage).op(xl::EndPage);
    PageList pages = Convert(w.out);
    ASSERT_EQ(pages.size(), 1u);
    Bytes emf = ReadFileBytes(pages[0]);
    EXPECT_EQ(CountRecords(emf, EMR_GDICOMMENT), 2u);  // the job's, after the page's own
    EXPECT_EQ(CountRecords(emf, EMR_SAVEDC), kMaxGraphicsStates);
    EXPECT_EQ(CountRecords(emf, EMR_RESTOREDC), kMaxGraphicsStates);
    DeletePageFiles(pages);
}

TEST_F(PclXlTest, IndexedImagesTakeTheirPalette) {
    // Four 4-bit indices into red, green, blue and white; then 1-bit indices into red and blue.
    XlWriter w = Job();
    w.ubyte(2).attr(xl::ColorSpace).ubyte(2).attr(xl::PaletteDepth);
    w.raw({0xC8, 0xC0, 12, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}).attr(xl::PaletteData).op(xl::SetColorSpace);
    w.xy(600, 600).attr(xl::Point).op(xl::SetCursor);
    w.ubyte(1).attr(xl::ColorDepth).ubyte(1).attr(xl::ColorMapping).uint16(4).attr(xl::SourceWidth);
    w.uint16(1).attr(xl::SourceHeight).xy(400, 100).attr(xl::DestinationSize).op(xl::BeginImage);
    w.uint16(0).attr(xl::StartLine).uint16(1).attr(xl::BlockHeight).ubyte(0).attr(xl::CompressMode);
    w.op(xl::ReadImage).data({0x01, 0x23, 0, 0}).op(xl::EndImage);
    w.ubyte(2).attr(xl::ColorSpace).ubyte(2).attr(xl::PaletteDepth);
    w.raw({0xC8, 0xC0, 6, 255, 0, 0, 0, 0, 255}).attr(xl::PaletteData).op(xl::SetColorSpace);
    w.xy(600, 1200).attr(xl::Point).op(xl::SetCursor);
    w.ubyte(0).attr(xl::ColorDepth).ubyte(1).attr(xl::ColorMapping).uint16(8).attr(xl::SourceWidth);
    w.uint16(1).attr(xl::SourceHeight).xy(800, 100).attr(xl::DestinationSize).op(xl::BeginImage);
    w.uint16(0).attr(xl::StartLine).uint16(1).attr(xl::BlockHeight).ubyte(0).attr(xl::CompressMode);
    w.op(xl::ReadImage).data({0x0F, 0, 0, 0}).op(xl::EndImage);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(ImagePixel(p, 0, 0), 0xFF0000));
    EXPECT_TRUE(Near(ImagePixel(p, 1, 0), 0x00FF00));
    EXPECT_TRUE(Near(ImagePixel(p, 2, 0), 0x0000FF));
    EXPECT_TRUE(Near(ImagePixel(p, 3, 0), 0xFFFFFF));
    EXPECT_TRUE(Near(ImagePixel(p, 0, 6), 0xFF0000));
    EXPECT_TRUE(Near(ImagePixel(p, 7, 6), 0x0000FF));
}

TEST_F(PclXlTest, VectorRasterOperationsTakeABlackSource) {
    XlWriter w = Job();
    Brush(w, 255, 0, 0);
    w.ubyte(0x00).attr(xl::ROP3).op(xl::SetROP).box(600, 600, 1200, 1200).attr(xl::BoundingBox).op(xl::Rectangle);
    // Pattern XOR page, twice over the same place: the page comes back.
    w.ubyte(0x5A).attr(xl::ROP3).op(xl::SetROP).box(1800, 600, 2400, 1200).attr(xl::BoundingBox).op(xl::Rectangle);
    w.box(1800, 600, 2100, 1200).attr(xl::BoundingBox).op(xl::Rectangle);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(900), Px(900)), 0x000000));   // BLACKNESS whatever the brush
    EXPECT_TRUE(Near(p.at(Px(1950), Px(900)), 0xFFFFFF));  // twice inverted
    EXPECT_TRUE(Near(p.at(Px(2250), Px(900)), 0x00FFFF));  // white XOR red
}

TEST_F(PclXlTest, ImagesShorterThanDeclaredAndBadJpegData) {
    // 100 rows declared, ten sent: the ten are painted, as one bitmap.
    XlWriter w = Job();
    Image(w, 2, 4, 100, Bytes(40, 0), 0, 0, 1);
    Run(w);
    PageList pages = Finish();
    ASSERT_EQ(pages.size(), 1u);
    std::vector<PaintedImage> images = ImagesOfPage(ReadFileBytes(pages[0]));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].height, 10);
    DeletePageFiles(pages);
    // JPEG data that are no JPEG image paint nothing.
    XlWriter bad = Job();
    Bytes junk = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0, 1, 2, 3, 4, 5, 0xFF, 0xD9};
    Image(bad, 2, 4, 4, junk, 2);
    Run(bad);
    pages = Finish();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(CountRecords(ReadFileBytes(pages[0]), EMR_STRETCHDIBITS), 0u);
    DeletePageFiles(pages);
}

TEST_F(PclXlTest, EvenOddClipPathsLeaveTheirHoles) {
    XlWriter w = Job();
    Brush(w, 0, 0, 0);
    w.op(xl::NewPath).box(600, 600, 2400, 2400).attr(xl::BoundingBox).op(xl::RectanglePath);
    w.box(1200, 1200, 1800, 1800).attr(xl::BoundingBox).op(xl::RectanglePath);
    w.ubyte(1).attr(xl::ClipMode).op(0x7F).ubyte(0).attr(xl::ClipRegion).op(xl::SetClipReplace);
    w.box(0, 0, 3000, 3000).attr(xl::BoundingBox).op(xl::Rectangle);
    w.op(xl::SetClipToPage).box(3000, 3000, 3300, 3300).attr(xl::BoundingBox).op(xl::Rectangle);
    Pixels p = Picture(w);
    EXPECT_TRUE(Near(p.at(Px(900), Px(900)), 0x000000));
    EXPECT_TRUE(Near(p.at(Px(1500), Px(1500)), 0xFFFFFF));  // the hole
    EXPECT_TRUE(Near(p.at(Px(2700), Px(900)), 0xFFFFFF));   // outside the clip
    EXPECT_TRUE(Near(p.at(Px(3150), Px(3150)), 0x000000));  // after the clip is lifted
}
