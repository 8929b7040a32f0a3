// Playback of recorded pages: geometry, pens and brushes, raster operations,
// bitmaps of every format, clipping and text, checked by pixel probes.
#include "convert_print_job.h"
#include "emf_records.h"
#include "page_renderer.h"
#include "dib_header.h"
#include "drawing_options.h"
#include "test_support.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {
// A 100 x 100 mm page plays 1:1 onto a 378 x 378 canvas (96 dpi).
constexpr int kSide = 378;
const RECT kSquare{0, 0, 10000, 10000};

template <class F>
Pixels Draw(F draw) {
    return PlayOnto(Record(draw, kSquare), kSide, kSide);
}

void Fill(HDC dc, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    DeleteObject(SelectObject(dc, b));
    SelectObject(dc, GetStockObject(NULL_PEN));
}

// A DIB with a header, colour table and bits, for StretchDIBits.
struct Dib {
    std::vector<uint8_t> info, bits;
    const BITMAPINFO* bmi() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

Dib MakeDib(int w, int h, int bpp, uint32_t compression, std::vector<uint32_t> colors, std::vector<uint8_t> bits,
            std::vector<uint32_t> masks = {}) {
    Dib d;
    BITMAPINFOHEADER hd{sizeof hd,
                        w,
                        h,
                        1,
                        static_cast<WORD>(bpp),
                        compression,
                        static_cast<DWORD>(bits.size()),
                        0,
                        0,
                        static_cast<DWORD>(colors.size()),
                        0};
    d.info.resize(sizeof hd);
    memcpy(d.info.data(), &hd, sizeof hd);
    for (uint32_t m : masks)
        d.info.insert(d.info.end(), reinterpret_cast<uint8_t*>(&m), reinterpret_cast<uint8_t*>(&m) + 4);
    for (uint32_t c : colors)
        d.info.insert(d.info.end(), reinterpret_cast<uint8_t*>(&c), reinterpret_cast<uint8_t*>(&c) + 4);
    d.bits = std::move(bits);
    return d;
}

// Plays a 2 x 2 image stretched over the canvas and returns the colour of each quadrant.
std::vector<uint32_t> Quadrants(const Dib& d) {
    Pixels p = Draw([&](HDC dc) {
        StretchDIBits(dc, 0, 0, kSide, kSide, 0, 0, 2, 2, d.bits.data(), d.bmi(), DIB_RGB_COLORS, SRCCOPY);
    });
    int q = kSide / 4;
    return {p.at(q, q), p.at(3 * q, q), p.at(q, 3 * q), p.at(3 * q, 3 * q)};
}

const std::vector<uint32_t> kExpected = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};  // TL, TR, BL, BR
}  // namespace

TEST(PlaybackGeometry, MappingModesPlaceShapes) {
    Pixels lometric = Draw([](HDC dc) {
        SetMapMode(dc, MM_LOMETRIC);  // 0.1 mm, y up
        Fill(dc, RGB(255, 0, 0));
        Rectangle(dc, 100, -100, 300, -300);
    });
    EXPECT_EQ(lometric.at(75, 75), 0xFF0000u);  // 20 mm in
    EXPECT_EQ(lometric.at(30, 30), 0xFFFFFFu);
    EXPECT_EQ(lometric.at(120, 75), 0xFFFFFFu);
    Pixels aniso = Draw([](HDC dc) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 1000, 1000, nullptr);
        SetViewportExtEx(dc, kSide, -kSide, nullptr);  // y up, origin at the bottom
        SetViewportOrgEx(dc, 0, kSide, nullptr);
        Fill(dc, RGB(0, 0, 255));
        Rectangle(dc, 0, 0, 500, 250);
    });
    EXPECT_EQ(aniso.at(90, kSide - 40), 0x0000FFu);
    EXPECT_EQ(aniso.at(90, 40), 0xFFFFFFu);
    EXPECT_EQ(aniso.at(250, kSide - 40), 0xFFFFFFu);
}

TEST(PlaybackGeometry, TinyMarkersStillShow) {
    // Scatter-chart markers of 1 to 5 logical units in 0.1 mm units (under two pixels):
    // outlined ellipses, filled rectangles and crosses each leave solid ink, not a
    // faint smudge that vanishes when the picture is scaled down.
    Pixels p = Draw([](HDC dc) {
        SetMapMode(dc, MM_LOMETRIC);
        HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
        for (int size = 1; size <= 5; ++size) {
            int x = 100 + 100 * size;
            SelectObject(dc, pen);
            SelectObject(dc, GetStockObject(NULL_BRUSH));
            Ellipse(dc, x, -100, x + size, -100 - size);
            SelectObject(dc, GetStockObject(NULL_PEN));
            SelectObject(dc, GetStockObject(BLACK_BRUSH));
            Rectangle(dc, x, -300, x + size, -300 - size);
            SelectObject(dc, pen);
            POINT cross[] = {{x - size, -500}, {x + size, -500}};
            Polyline(dc, cross, 2);
        }
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    });
    auto darkest = [&](int lx, int ly) {
        int cx = static_cast<int>(lx * kSide / 1000.0), cy = static_cast<int>(-ly * kSide / 1000.0);
        uint32_t best = 255;
        for (int y = cy - 3; y <= cy + 3; ++y)
            for (int x = cx - 3; x <= cx + 3; ++x) best = std::min(best, p.at(x, y) & 0xFF);
        return best;
    };
    for (int size = 1; size <= 5; ++size) {
        int x = 100 + 100 * size;
        EXPECT_LT(darkest(x, -100), 96u) << "ellipse " << size;
        EXPECT_LT(darkest(x, -300), 96u) << "rectangle " << size;
        EXPECT_LT(darkest(x, -500), 96u) << "line " << size;
    }
}

TEST(PlaybackGeometry, MetricModesCountOnTheRecordingDevice) {
    // A page recorded for a 1200-dpi printer: 0.01 mm units are that device's, so a
    // square from 20 to 50 mm lands there on the picture whatever device plays it.
    Bytes emf = Record(
        [](HDC dc) {
            SetMapMode(dc, MM_HIMETRIC);
            Fill(dc, RGB(0, 128, 0));
            Rectangle(dc, 2000, -2000, 5000, -5000);
        },
        kSquare);
    int32_t device[2] = {4724, 4724}, mm[2] = {100, 100};  // the header's reference device
    memcpy(&emf[72], device, 8);
    memcpy(&emf[80], mm, 8);
    Pixels p = PlayOnto(emf, kSide, kSide);
    EXPECT_EQ(p.at(130, 130), 0x008000u);  // 35 mm in
    EXPECT_EQ(p.at(60, 60), 0xFFFFFFu);    // 16 mm in
    EXPECT_EQ(p.at(200, 200), 0xFFFFFFu);  // 53 mm in
}

TEST(PlaybackGeometry, WorldTransformRotates) {
    Pixels p = Draw([](HDC dc) {
        SetGraphicsMode(dc, GM_ADVANCED);
        XFORM rotate{0, 1, -1, 0, 300, 0};  // 90 degrees, then moved right
        SetWorldTransform(dc, &rotate);
        Fill(dc, RGB(0, 128, 0));
        Rectangle(dc, 0, 0, 200, 50);  // becomes 50 wide, 200 tall
    });
    EXPECT_EQ(p.at(275, 150), 0x008000u);
    EXPECT_EQ(p.at(150, 25), 0xFFFFFFu);
}

TEST(PlaybackGeometry, PenWidthsAndStyles) {
    Pixels p = Draw([](HDC dc) {
        HPEN wide = CreatePen(PS_SOLID, 20, RGB(0, 0, 0));
        SelectObject(dc, wide);
        MoveToEx(dc, 20, 50, nullptr);
        LineTo(dc, 350, 50);
        HPEN dash = CreatePen(PS_DASH, 0, RGB(0, 0, 0));
        SelectObject(dc, dash);
        DeleteObject(wide);
        MoveToEx(dc, 20, 150, nullptr);
        LineTo(dc, 350, 150);
        SelectObject(dc, GetStockObject(NULL_PEN));
        DeleteObject(dash);
        MoveToEx(dc, 20, 250, nullptr);
        LineTo(dc, 350, 250);
    });
    EXPECT_EQ(p.Share(30, 42, 340, 58, 0x000000, 30), 1.0);
    double dashInk = 1.0 - p.Share(20, 149, 350, 152, 0xFFFFFF, 60);
    EXPECT_GT(dashInk, 0.1);
    EXPECT_LT(dashInk, 0.5);
    EXPECT_EQ(p.Share(0, 240, kSide, 260, 0xFFFFFF, 0), 1.0);
}

TEST(PlaybackGeometry, ArcsPiesAndPathsFill) {
    Pixels p = Draw([](HDC dc) {
        Fill(dc, RGB(255, 0, 0));
        Pie(dc, 0, 0, 200, 200, 200, 100, 100, 0);  // quarter from 3 o'clock to 12
        Fill(dc, RGB(0, 0, 255));
        BeginPath(dc);
        MoveToEx(dc, 250, 250, nullptr);
        LineTo(dc, 370, 250);
        LineTo(dc, 310, 370);
        CloseFigure(dc);
        EndPath(dc);
        FillPath(dc);
    });
    EXPECT_EQ(p.at(140, 60), 0xFF0000u);  // inside the upper right quarter
    EXPECT_EQ(p.at(60, 140), 0xFFFFFFu);  // the rest of the circle is empty
    EXPECT_EQ(p.at(310, 290), 0x0000FFu);
    EXPECT_EQ(p.at(260, 360), 0xFFFFFFu);
}

TEST(PlaybackRaster, BinaryRasterOperations) {
    Pixels p = Draw([](HDC dc) {
        Fill(dc, RGB(0, 0, 0));
        Rectangle(dc, 0, 0, 200, 378);
        SetROP2(dc, R2_XORPEN);
        Fill(dc, RGB(255, 255, 0));
        Rectangle(dc, 100, 100, 300, 200);
        SetROP2(dc, R2_NOP);
        Fill(dc, RGB(255, 0, 0));
        Rectangle(dc, 0, 250, 378, 350);
    });
    EXPECT_EQ(p.at(150, 150), 0xFFFF00u);  // black xor yellow
    EXPECT_EQ(p.at(250, 150), 0x0000FFu);  // white xor yellow
    EXPECT_EQ(p.at(300, 300), 0xFFFFFFu);  // nothing drawn
    // A hatched brush under a raster operation combines each of its pixels, not one colour.
    p = Draw([](HDC dc) {
        SetROP2(dc, R2_XORPEN);
        SetBkColor(dc, RGB(0, 0, 0));
        HBRUSH hatch = CreateHatchBrush(HS_VERTICAL, RGB(255, 255, 255));
        HGDIOBJ old = SelectObject(dc, hatch);
        SelectObject(dc, GetStockObject(NULL_PEN));
        Rectangle(dc, 0, 0, 200, 100);
        SelectObject(dc, old);
        DeleteObject(hatch);
    });
    size_t black = 0, white = 0;
    for (int x = 10; x < 190; ++x) (p.at(x, 50) == 0 ? black : white) += p.at(x, 50) == 0 || p.at(x, 50) == 0xFFFFFFu;
    EXPECT_GT(black, 0u);    // the hatch's lines: white xor white
    EXPECT_GT(white, 100u);  // its gaps: white xor black
    // A dashed pen keeps its dashes under a raster operation.
    p = Draw([](HDC dc) {
        Fill(dc, RGB(0, 0, 0));
        Rectangle(dc, 0, 0, kSide, 100);
        SetROP2(dc, R2_XORPEN);
        HPEN dashed = CreatePen(PS_DASH, 1, RGB(255, 255, 255));
        SelectObject(dc, dashed);
        MoveToEx(dc, 10, 50, nullptr);
        LineTo(dc, 360, 50);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(dashed);
    });
    int most = 0;  // the line's row has the most white, its dashes
    for (int y = 48; y <= 52; ++y) {
        int white = 0;
        for (int x = 20; x < 350; ++x) white += p.at(x, y) == 0xFFFFFFu;
        most = std::max(most, white);
    }
    EXPECT_GT(most, 100);
    EXPECT_LT(most, 300);  // a solid line would be white all along its 330 pixels
}

// Every binary raster operation mixes each pixel of a solid, hatched or patterned brush with the
// page beneath, by its truth table, exactly inside the figure and nowhere outside it. The
// patterns' periods (3 x 5, 70 x 65) and the figure's edges fall across any run of pixels.
TEST(PlaybackRaster, EveryOperationMixesEachBrushPixelWithThePage) {
    const RECT figure{13, 21, 13 + 157, 21 + 61};
    auto select = [](HDC dc, int kind) {
        static const uint32_t colours[15] = {0x123456, 0xFEDCBA, 0x00FF00, 0xFF00FF, 0x0F0F0F,
                                             0xF0F0F0, 0x808080, 0x7F7F7F, 0xA5A55A, 0x5A5AA5,
                                             0x010203, 0xFFFFFF, 0x000000, 0x336699, 0xC0FFEE};
        // A pattern larger than those kept between figures: 70 x 65 pixels.
        static const std::vector<uint32_t> large = [] {
            std::vector<uint32_t> px(70 * 65);
            for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
            return px;
        }();
        HBITMAP bmp = kind == 3 ? CreateBitmap(70, 65, 1, 32, large.data()) : CreateBitmap(3, 5, 1, 32, colours);
        HBRUSH brush = kind == 0 ? CreateSolidBrush(RGB(0x39, 0xA7, 0x5C))
            : kind == 1          ? CreateHatchBrush(HS_DIAGCROSS, RGB(0xE0, 0x20, 0x90))
                                 : CreatePatternBrush(bmp);
        DeleteObject(bmp);
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, RGB(0x21, 0x43, 0x65));
        DeleteObject(SelectObject(dc, brush));
        SelectObject(dc, GetStockObject(NULL_PEN));
    };
    auto stripes = [](HDC dc) {
        for (int x = 0; x < kSide; x += 7) {
            Fill(dc, RGB(x * 37 % 256, x * 11 % 256, 255 - x % 256));
            Rectangle(dc, x, 0, x + 8, kSide + 1);
        }
    };
    for (int kind = 0; kind < 4; ++kind) {
        Pixels brush = Draw([&](HDC dc) {
            select(dc, kind);
            Rectangle(dc, 0, 0, kSide + 1, kSide + 1);
        });
        Pixels page = Draw(stripes);
        for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
            Pixels mixed = Draw([&](HDC dc) {
                stripes(dc);
                select(dc, kind);
                SetROP2(dc, rop);
                Rectangle(dc, figure.left, figure.top, figure.right, figure.bottom);
            });
            int wrong = 0;
            for (int y = figure.top - 2; y < figure.bottom + 2; ++y)
                for (int x = figure.left - 2; x < figure.right + 2; ++x) {
                    bool inside = x > figure.left && x < figure.right - 1 && y > figure.top && y < figure.bottom - 1;
                    bool outside = x < figure.left || x >= figure.right || y < figure.top || y >= figure.bottom;
                    uint32_t p = brush.at(x, y), d = page.at(x, y), want = d;
                    if (inside) {
                        want = 0;
                        for (int bit = 0; bit < 24; ++bit) {
                            int pair = ((p >> bit & 1) << 1) | (d >> bit & 1);
                            want |= static_cast<uint32_t>((rop - 1) >> pair & 1) << bit;
                        }
                    }
                    if ((inside || outside) && mixed.at(x, y) != want) ++wrong;
                }
            EXPECT_EQ(wrong, 0) << "brush " << kind << ", operation " << rop;
        }
    }
}

// A figure reaching far beyond the page, or scaled past any number, under a raster operation:
// its box stays within the clip, and what is on the page is mixed once.
TEST(PlaybackRaster, FiguresBeyondAnyNumberStayInTheClip) {
    for (float scale : {1.0f, 1e30f, 3e38f}) {
        Pixels p = Draw([scale](HDC dc) {
            SetROP2(dc, R2_NOT);
            SelectObject(dc, GetStockObject(NULL_PEN));
            SetGraphicsMode(dc, GM_ADVANCED);
            XFORM far{scale, 0, 0, scale, 0, 0};
            SetWorldTransform(dc, &far);
            POINT pts[3] = {{-2000000000, -2000000000}, {2000000000, 5}, {5, 2000000000}};
            Polygon(dc, pts, 3);
        });
        for (int y = 0; y < kSide; y += 37)
            for (int x = 0; x < kSide; x += 41) EXPECT_TRUE(p.at(x, y) == 0 || p.at(x, y) == 0xFFFFFFu) << scale;
    }
}

TEST(PlaybackRaster, MonoBitmapWithSrcAndPrintsOnlyItsBlack) {
    Pixels p = Draw([](HDC dc) {
        Fill(dc, RGB(0, 0, 255));
        Rectangle(dc, 0, 0, 378, 100);
        // 8 x 1 bitmap: black on the left half, white on the right.
        uint8_t bits[2] = {0x0F, 0x00};
        HBITMAP mono = CreateBitmap(8, 1, 1, 1, bits);
        HDC mem = CreateCompatibleDC(dc);
        SelectObject(mem, mono);
        StretchBlt(dc, 0, 0, 378, 200, mem, 0, 0, 8, 1, SRCAND);
        DeleteDC(mem);
        DeleteObject(mono);
    });
    EXPECT_EQ(p.at(50, 50), 0x000000u);
    EXPECT_EQ(p.at(50, 150), 0x000000u);
    EXPECT_EQ(p.at(300, 50), 0x0000FFu);  // white left the page as it was
    EXPECT_EQ(p.at(300, 150), 0xFFFFFFu);
}

// PSDPxax (0xB8) lays the brush where the source is black; DSPDxax (0xE2) where it is white.
TEST(PlaybackRaster, BrushThroughMaskOperations) {
    for (DWORD rop : {0x00B8074Au, 0x00E20746u}) {
        Pixels p = Draw([rop](HDC dc) {
            HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
            HGDIOBJ old = SelectObject(dc, green);
            TwoColourDib bmi = MakeTwoColourDib(2, 1, 1);  // 0 white, 1 black
            uint8_t row[4] = {0x40, 0, 0, 0};              // white, then black
            StretchDIBits(dc, 0, 0, 200, 100, 0, 0, 2, 1, row, bmi.info(), DIB_RGB_COLORS, rop);
            SelectObject(dc, old);
            DeleteObject(green);
        });
        bool underBlack = rop == 0x00B8074Au;
        EXPECT_EQ(p.at(50, 50), underBlack ? 0xFFFFFFu : 0x00FF00u) << std::hex << rop;
        EXPECT_EQ(p.at(150, 50), underBlack ? 0x00FF00u : 0xFFFFFFu) << std::hex << rop;
    }
}

TEST(PlaybackRaster, PatternAndHatchBrushes) {
    Pixels p = Draw([](HDC dc) {
        SetBkMode(dc, TRANSPARENT);
        HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(255, 0, 0));
        SelectObject(dc, hatch);
        SelectObject(dc, GetStockObject(NULL_PEN));
        Rectangle(dc, 0, 0, 160, 160);
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, RGB(0, 255, 0));
        Rectangle(dc, 200, 0, 360, 160);
        uint32_t checker[4] = {0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000};
        HBITMAP bmp = CreateBitmap(2, 2, 1, 32, checker);
        HBRUSH pattern = CreatePatternBrush(bmp);
        DeleteObject(bmp);
        SelectObject(dc, pattern);
        DeleteObject(hatch);
        Rectangle(dc, 0, 200, 100, 300);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        DeleteObject(pattern);
    });
    double red = p.Share(0, 0, 160, 160, 0xFF0000, 60), white = p.Share(0, 0, 160, 160, 0xFFFFFF, 0);
    EXPECT_GT(red, 0.1);
    EXPECT_GT(white, 0.5);
    EXPECT_GT(p.Share(200, 0, 360, 160, 0x00FF00, 60), 0.5);
    double black = p.Share(10, 210, 90, 290, 0x000000, 10);
    EXPECT_NEAR(black, 0.5, 0.1);
}

// Pens made with a DIB pattern or a hatch paint their lines as such brushes paint figures, also
// under a raster operation; the pattern travels in the page's pen record.
TEST(PlaybackRaster, PatternedAndHatchedPensPaintTheirLines) {
    // A packed 2 x 2 checker of red and white, 32 bits a pixel.
    Dib checker =
        MakeDib(2, 2, 32, BI_RGB, {}, {0, 0, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0xFF, 0});
    std::vector<uint8_t> packed = checker.info;
    packed.insert(packed.end(), checker.bits.begin(), checker.bits.end());
    Pixels p = Draw([&](HDC dc) {
        LOGBRUSH pattern{BS_DIBPATTERNPT, DIB_RGB_COLORS, reinterpret_cast<uintptr_t>(packed.data())};
        HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT, 30, &pattern, 0, nullptr);
        ASSERT_NE(pen, nullptr);
        SelectObject(dc, pen);
        MoveToEx(dc, 40, 75, nullptr);
        LineTo(dc, 340, 75);
        SetROP2(dc, R2_MASKPEN);  // red and white over black: black stays
        MoveToEx(dc, 40, 187, nullptr);
        LineTo(dc, 340, 187);
        SetROP2(dc, R2_COPYPEN);
        LOGBRUSH hatch{BS_HATCHED, RGB(0, 0, 255), HS_HORIZONTAL};
        HPEN hatched = ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT, 30, &hatch, 0, nullptr);
        SelectObject(dc, hatched);
        DeleteObject(pen);
        MoveToEx(dc, 40, 300, nullptr);
        LineTo(dc, 340, 300);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(hatched);
    });
    // The first line: half red, half white, nothing else.
    EXPECT_NEAR(p.Share(60, 60, 320, 90, 0xFF0000, 10), 0.5, 0.1);
    EXPECT_NEAR(p.Share(60, 60, 320, 90, 0xFFFFFF, 10), 0.5, 0.1);
    // Masked onto white, the same; the hatched line is blue stripes on white.
    EXPECT_NEAR(p.Share(60, 175, 320, 200, 0xFF0000, 10), 0.5, 0.1);
    double blue = p.Share(60, 290, 320, 315, 0x0000FF, 10);
    EXPECT_GT(blue, 0.05);
    EXPECT_LT(blue, 0.5);
}

// Wine records a monochrome pattern brush as a one-bit DIB pattern without colours, its usage
// field 2: drawn in the text and background colours, its rows 32-bit aligned and bottom-up.
TEST(PlaybackRaster, MonochromeBrushesRecordedWithoutColoursTakeTheTextAndBackgroundColours) {
    Bytes emf = Record(
        [&](HDC dc) {
            SetTextColor(dc, RGB(255, 0, 0));
            SetBkColor(dc, RGB(0, 0, 255));
            HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
            SelectObject(dc, brush);
            SelectObject(dc, GetStockObject(NULL_PEN));
            Rectangle(dc, 0, 0, 65, 65);
            SelectObject(dc, GetStockObject(WHITE_BRUSH));
            DeleteObject(brush);
        },
        kSquare);
    // The solid brush becomes a pattern brush as Wine writes one: a diagonal of set pixels.
    Bytes brush(72 + 32, 0);
    auto put = [&](size_t off, uint32_t v) { std::memcpy(&brush[off], &v, 4); };
    put(0, EMR_CREATEDIBPATTERNBRUSHPT), put(4, static_cast<uint32_t>(brush.size())), put(12, DIB_PAL_INDICES);
    put(16, 32), put(20, 40), put(24, 72), put(28, 32);
    put(32, 40), put(36, 8), put(40, 8), put(44, 1 | 1 << 16);
    for (int row = 0; row < 8; ++row)
        brush[72 + static_cast<size_t>(row) * 4] = static_cast<uint8_t>(~(0x80 >> (7 - row)));
    for (size_t off = 0; off + 16 <= emf.size(); off += U32(emf, off + 4))
        if (U32(emf, off) == EMR_CREATEBRUSHINDIRECT) {
            put(8, U32(emf, off + 8));
            emf.erase(emf.begin() + static_cast<ptrdiff_t>(off),
                      emf.begin() + static_cast<ptrdiff_t>(off + U32(emf, off + 4)));
            emf.insert(emf.begin() + static_cast<ptrdiff_t>(off), brush.begin(), brush.end());
            uint32_t total = static_cast<uint32_t>(emf.size());
            std::memcpy(&emf[48], &total, 4);
            break;
        }
    Pixels p = PlayOnto(emf, kSide, kSide);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(p.at(16 + x, 16 + y), x % 8 == y % 8 ? 0xFF0000u : 0x0000FFu) << x << "," << y;
}

TEST(PlaybackBitmaps, EveryDibFormatDecodes) {
    // Rows are stored bottom-up: the bottom row (blue, white) comes first.
    auto pal = std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    EXPECT_EQ(Quadrants(MakeDib(2, 2, 8, BI_RGB, pal, {2, 3, 0, 0, 0, 1, 0, 0})), kExpected);
    EXPECT_EQ(Quadrants(MakeDib(2, 2, 4, BI_RGB, pal, {0x23, 0, 0, 0, 0x01, 0, 0, 0})), kExpected);
    auto mono = MakeDib(2, 2, 1, BI_RGB, {0x000000, 0xFFFFFF}, {0x40, 0, 0, 0, 0x80, 0, 0, 0});
    EXPECT_EQ(Quadrants(mono), (std::vector<uint32_t>{0xFFFFFF, 0, 0, 0xFFFFFF}));
    EXPECT_EQ(Quadrants(MakeDib(2, 2, 24, BI_RGB, {}, {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0})),
              kExpected);
    EXPECT_EQ(Quadrants(MakeDib(2, 2, 32, BI_RGB, {}, {255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0})),
              kExpected);
    // 16-bit 5-5-5 by default and 5-6-5 through bit fields.
    auto w16 = [](std::vector<uint16_t> v) {
        std::vector<uint8_t> b;
        for (uint16_t x : v) b.push_back(static_cast<uint8_t>(x)), b.push_back(static_cast<uint8_t>(x >> 8));
        return b;
    };
    EXPECT_EQ(Quadrants(MakeDib(2, 2, 16, BI_RGB, {}, w16({0x001F, 0x7FFF, 0x7C00, 0x03E0}))), kExpected);
    EXPECT_EQ(
        Quadrants(MakeDib(2, 2, 16, BI_BITFIELDS, {}, w16({0x001F, 0xFFFF, 0xF800, 0x07E0}), {0xF800, 0x07E0, 0x001F})),
        kExpected);
    // Run-length encoded, rows ended by end-of-line and the bitmap by end-of-bitmap codes.
    EXPECT_EQ(Quadrants(MakeDib(2, 2, 8, BI_RLE8, pal, {1, 2, 1, 3, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1})), kExpected);
    // An absolute run of three pixels (padded to 16 bits) then a delta that skips the last row.
    Dib absolute = MakeDib(3, 2, 8, BI_RLE8, pal, {0, 3, 2, 3, 2, 0, 0, 2, 0, 1, 0, 1});
    Pixels p = Draw([&](HDC dc) {
        StretchDIBits(dc, 0, 0, 3, 2, 0, 0, 3, 2, absolute.bits.data(), absolute.bmi(), DIB_RGB_COLORS, SRCCOPY);
    });
    EXPECT_EQ(p.at(0, 1), 0x0000FFu);
    EXPECT_EQ(p.at(1, 1), 0xFFFFFFu);
    EXPECT_EQ(p.at(2, 1), 0x0000FFu);
    EXPECT_EQ(p.at(0, 0), 0xFF0000u);  // skipped pixels take colour 0
    EXPECT_EQ(Quadrants(MakeDib(2, 2, 4, BI_RLE4, pal, {2, 0x23, 0, 0, 2, 0x01, 0, 1})), kExpected);
}

// Bitmaps below and above the size that is mapped on its own start black, also the second
// time round, when page-sized ones reuse the memory the first gave back, and take drawing to
// their last pixel.
TEST(PlaybackBitmaps, PageSizedBitmapsStartBlackAndDrawToTheirLastPixel) {
    for (int round = 0; round < 2; ++round)
        for (auto [w, h] : {std::pair{1023, 1024}, std::pair{1024, 1024}, std::pair{1632, 2112}}) {
            BITMAPINFO bmi{};
            bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            void* p = nullptr;
            HBITMAP bmp = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
            ASSERT_TRUE(bmp && p) << w << " x " << h;
            auto* px = static_cast<uint32_t*>(p);
            size_t count = static_cast<size_t>(w) * h;
            EXPECT_TRUE(std::all_of(px, px + count, [](uint32_t v) { return v == 0; })) << w << " x " << h;
            HDC dc = CreateCompatibleDC(nullptr);
            SelectObject(dc, bmp);
            RECT corner{w - 3, h - 3, w, h};
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(dc, &corner, red);
            DeleteObject(red);
            EXPECT_EQ(px[count - 1] & 0xFFFFFF, 0xFF0000u) << w << " x " << h;
            EXPECT_EQ(px[count - 4] & 0xFFFFFF, 0u);
            DeleteDC(dc);
            DeleteObject(bmp);
        }
}

TEST(PlaybackBitmaps, TopDownAndSourceRectangles) {
    auto pal = std::vector<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    Dib d = MakeDib(2, -2, 8, BI_RGB, pal, {0, 1, 0, 0, 2, 3, 0, 0});
    EXPECT_EQ(Quadrants(d), kExpected);
    // Only the bottom-left source pixel (blue) of a bottom-up DIB.
    Dib up = MakeDib(2, 2, 8, BI_RGB, pal, {2, 3, 0, 0, 0, 1, 0, 0});
    Pixels p = Draw([&](HDC dc) {
        StretchDIBits(dc, 0, 0, kSide, kSide, 0, 0, 1, 1, up.bits.data(), up.bmi(), DIB_RGB_COLORS, SRCCOPY);
    });
    EXPECT_EQ(p.at(kSide / 2, kSide / 2), 0x0000FFu);
}

TEST(PlaybackBitmaps, LyingDibHeadersAreRefusedOrCut) {
    auto pal = std::vector<uint32_t>{0xFF0000, 0x00FF00};
    // Claims 1000 x 1000 pixels with 8 bytes of bits: the rows that are there draw, nothing is read past.
    Dib big = MakeDib(2, 2, 8, BI_RGB, pal, {1, 1, 0, 0, 1, 1, 0, 0});
    Pixels p = Draw([&](HDC dc) {
        StretchDIBits(dc, 0, 0, kSide, kSide, 0, 0, 2, 2, big.bits.data(), big.bmi(), DIB_RGB_COLORS, SRCCOPY);
    });
    EXPECT_EQ(p.at(10, 10), 0x00FF00u);
    Bytes emf = Record(
        [&](HDC dc) {
            StretchDIBits(dc, 0, 0, kSide, kSide, 0, 0, 2, 2, big.bits.data(), big.bmi(), DIB_RGB_COLORS, SRCCOPY);
        },
        kSquare);
    // Inflate the width in the recorded header: the record no longer holds the bits.
    for (size_t off = 108; off + 8 <= emf.size();) {
        uint32_t type, size;
        memcpy(&type, &emf[off], 4);
        memcpy(&size, &emf[off + 4], 4);
        if (type == EMR_STRETCHDIBITS) {
            uint32_t offBmi;
            memcpy(&offBmi, &emf[off + 48], 4);
            int32_t width = 100000;
            memcpy(&emf[off + offBmi + 4], &width, 4);
        }
        off += size;
    }
    Pixels q = PlayOnto(emf, kSide, kSide);
    EXPECT_EQ(q.at(10, 10), 0xFFFFFFu);
}

TEST(PlaybackClip, RectanglesPathsAndSavedStates) {
    Pixels p = Draw([](HDC dc) {
        SaveDC(dc);
        IntersectClipRect(dc, 0, 0, 100, 100);
        Fill(dc, RGB(255, 0, 0));
        Rectangle(dc, 0, 0, 378, 378);
        RestoreDC(dc, -1);
        ExcludeClipRect(dc, 150, 150, 250, 250);
        Fill(dc, RGB(0, 0, 255));
        Rectangle(dc, 120, 120, 280, 280);
        SelectClipRgn(dc, nullptr);
        BeginPath(dc);
        Ellipse(dc, 300, 0, 378, 78);
        EndPath(dc);
        SelectClipPath(dc, RGN_AND);
        Fill(dc, RGB(0, 255, 0));
        Rectangle(dc, 290, 0, 378, 100);
    });
    EXPECT_EQ(p.at(50, 50), 0xFF0000u);
    EXPECT_EQ(p.at(110, 50), 0xFFFFFFu);
    EXPECT_EQ(p.at(130, 130), 0x0000FFu);
    EXPECT_EQ(p.at(200, 200), 0xFFFFFFu);
    EXPECT_EQ(p.at(339, 39), 0x00FF00u);
    EXPECT_EQ(p.at(302, 2), 0xFFFFFFu);  // corner outside the ellipse
    EXPECT_EQ(p.at(339, 90), 0xFFFFFFu);
}

TEST(PlaybackText, TextDrawsWithAlignmentAndEscapement) {
    auto inkBox = [](const Pixels& p) {
        int x0 = p.width, y0 = p.height, x1 = -1, y1 = -1;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (!Near(p.at(x, y), 0xFFFFFF, 60))
                    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        return RECT{x0, y0, x1, y1};
    };
    auto page = [](int escapement, UINT align) {
        return Draw([=](HDC dc) {
            HFONT f = CreateFontA(-30, 0, escapement, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
            SelectObject(dc, f);
            SetTextAlign(dc, align);
            TextOutA(dc, 189, 189, "HHHHHH", 6);
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            DeleteObject(f);
        });
    };
    RECT flat = inkBox(page(0, TA_LEFT | TA_TOP));
    EXPECT_GT(flat.right - flat.left, 2 * (flat.bottom - flat.top));
    EXPECT_NEAR(flat.left, 189, 4);
    EXPECT_GE(flat.top, 189);
    EXPECT_LT(flat.top, 200);
    RECT right = inkBox(page(0, TA_RIGHT | TA_BASELINE));
    EXPECT_NEAR(right.right, 189, 4);
    EXPECT_NEAR(right.bottom, 189, 2);
    RECT up = inkBox(page(900, TA_LEFT | TA_BASELINE));
    EXPECT_GT(up.bottom - up.top, 2 * (up.right - up.left));
    EXPECT_LT(up.bottom, 192);  // the text runs upwards from its origin
    EXPECT_LT(up.right, 192);   // with the tops of the glyphs to the left

    // Where the logical y axis points up, the escapement turns the baseline towards
    // logical -y: 90 degrees runs down the page, 270 up it, and the glyphs are turned,
    // never mirrored (their tops to the right of a line running down).
    auto yUp = [](int mode, int escapement) {
        return Draw([=](HDC dc) {
            SetMapMode(dc, mode);
            int x = 189, y = 189;
            if (mode == MM_LOMETRIC) {
                x = 500, y = -500;
            } else {
                SetWindowExtEx(dc, 2000, -1000, nullptr);
                SetWindowOrgEx(dc, 0, 1000, nullptr);
                SetViewportExtEx(dc, kSide, kSide, nullptr);
                x = 1000, y = 500;
            }
            HFONT f = CreateFontA(mode == MM_LOMETRIC ? -80 : -80, 0, escapement, escapement, FW_BOLD, 0, 0, 0, 0, 0, 0,
                                  0, 0, "Arial");
            SelectObject(dc, f);
            SetTextAlign(dc, TA_LEFT | TA_BASELINE);
            TextOutA(dc, x, y, "HHHHHH", 6);
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            DeleteObject(f);
        });
    };
    for (int mode : {MM_LOMETRIC, MM_ANISOTROPIC}) {
        RECT down = inkBox(yUp(mode, 900));
        EXPECT_GT(down.bottom - down.top, 2 * (down.right - down.left)) << mode;
        EXPECT_GT(down.top, 186) << mode;
        EXPECT_GT(down.left, 186) << mode;
        RECT rising = inkBox(yUp(mode, 2700));
        EXPECT_GT(rising.bottom - rising.top, 2 * (rising.right - rising.left)) << mode;
        EXPECT_LT(rising.bottom, 192) << mode;
        EXPECT_LT(rising.right, 192) << mode;
    }
}

TEST(PlaybackText, ClippedRunsKeepGlyphsTheirAdvancesFit) {
    // A run recorded for a narrower face: its advances fill the clipping rectangle exactly,
    // and the stand-in face's last glyph reaches past it. That glyph is drawn whole, at the
    // recorded positions; a run whose advances overflow the rectangle is still cut.
    auto page = [](int advance) {
        return Draw([=](HDC dc) {
            HFONT f = CreateFontA(-40, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
            SelectObject(dc, f);
            SetTextAlign(dc, TA_LEFT | TA_BASELINE);
            RECT clip{100, 100, 160, 160};
            INT dx[3] = {advance, advance, advance};
            ExtTextOutA(dc, 100, 150, ETO_CLIPPED, &clip, "WWW", 3, dx);
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            DeleteObject(f);
        });
    };
    auto inkRight = [](const Pixels& p) {
        int right = -1;
        for (int y = 100; y < 160; ++y)
            for (int x = 0; x < kSide; ++x)
                if ((p.at(x, y) & 0xFF) < 128) right = std::max(right, x);
        return right;
    };
    EXPECT_GT(inkRight(page(20)), 168);  // the third W starts at 140 and is 37 wide
    EXPECT_LE(inkRight(page(40)), 160);
}

TEST(PlaybackRecords, CommentsAndUnknownRecordsArePassedOver) {
    Bytes emf = Record(
        [](HDC dc) {
            const BYTE plus[] = {'E', 'M', 'F', '+', 1, 0x40, 0, 0, 28, 0, 0, 0};
            GdiComment(dc, sizeof plus, plus);
            Fill(dc, RGB(255, 0, 0));
            Rectangle(dc, 0, 0, 100, 100);
        },
        kSquare);
    // Put an unknown record of type 250 before the EOF.
    Bytes odd = {250, 0, 0, 0, 12, 0, 0, 0, 1, 2, 3, 4};
    emf.insert(emf.end() - 20, odd.begin(), odd.end());
    Pixels p = PlayOnto(emf, kSide, kSide);
    EXPECT_EQ(p.at(50, 50), 0xFF0000u);
}

TEST(PlaybackRaster, AlphaBlendAndMaskBlt) {
    Pixels p = Draw([](HDC dc) {
        uint32_t red[4] = {0xFF0000, 0xFF0000, 0xFF0000, 0xFF0000};
        HBITMAP bmp = CreateBitmap(2, 2, 1, 32, red);
        HDC mem = CreateCompatibleDC(dc);
        SelectObject(mem, bmp);
        BLENDFUNCTION half{AC_SRC_OVER, 0, 128, 0};
        AlphaBlend(dc, 0, 0, 100, 100, mem, 0, 0, 2, 2, half);
        // Mask: left column set (foreground rop SRCCOPY), right column clear (background leaves the page).
        uint8_t maskBits[4] = {0x80, 0, 0x80, 0};
        HBITMAP mask = CreateBitmap(2, 2, 1, 1, maskBits);
        MaskBlt(dc, 200, 0, 2, 2, mem, 0, 0, mask, 0, 0, (0xAA000000u) | SRCCOPY);
        DeleteDC(mem);
        DeleteObject(bmp);
        DeleteObject(mask);
    });
    EXPECT_TRUE(Near(p.at(50, 50), 0xFF7F7F, 6));
    EXPECT_EQ(p.at(200, 0), 0xFF0000u);
    EXPECT_EQ(p.at(201, 1), 0xFFFFFFu);
}

TEST(PlaybackGeometry, IsotropicKeepsTheAspect) {
    Pixels p = Draw([](HDC dc) {
        SetMapMode(dc, MM_ISOTROPIC);
        SetWindowExtEx(dc, 100, 100, nullptr);
        SetViewportExtEx(dc, kSide, kSide / 2, nullptr);  // the smaller scale wins: 1 unit = 1.89 px
        Fill(dc, RGB(0, 0, 0));
        Rectangle(dc, 0, 0, 100, 100);
    });
    EXPECT_EQ(p.at(180, 180), 0x000000u);
    EXPECT_EQ(p.at(200, 100), 0xFFFFFFu);
    EXPECT_EQ(p.at(100, 200), 0xFFFFFFu);
}

TEST(PlaybackText, TextInAPathBecomesItsOutline) {
    Pixels p = Draw([](HDC dc) {
        HFONT f = CreateFontA(-120, 0, 0, 0, FW_HEAVY, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        SelectObject(dc, f);
        SetBkMode(dc, TRANSPARENT);
        BeginPath(dc);
        TextOutA(dc, 20, 20, "H", 1);
        // Small glyphs far from the page's corner too, many ems away.
        HFONT small = CreateFontA(-24, 0, 0, 0, FW_HEAVY, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        SelectObject(dc, small);
        TextOutA(dc, 300, 300, "HHH", 3);
        SelectObject(dc, f);
        DeleteObject(small);
        EndPath(dc);
        Fill(dc, RGB(255, 0, 0));
        FillPath(dc);
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(f);
    });
    EXPECT_GT(p.Share(20, 20, 120, 140, 0xFF0000, 30), 0.2);
    EXPECT_GT(p.Share(300, 300, 350, 324, 0xFF0000, 30), 0.2);
    EXPECT_EQ(p.Share(20, 20, 120, 140, 0x000000, 30), 0.0);  // filled with the brush, not drawn as text
}

// In the advanced graphics mode a world transform shapes glyphs as it shapes figures: a glyph
// stretched across is wider, one sheared leans; the mapping mode still leaves them upright.
TEST(PlaybackText, WorldTransformsStretchAndShearGlyphs) {
    auto box = [](const XFORM& shape) {
        Pixels p = Draw([&](HDC dc) {
            SetGraphicsMode(dc, GM_ADVANCED);
            SetWorldTransform(dc, &shape);
            HFONT f = CreateFontA(-120, 0, 0, 0, FW_HEAVY, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
            SelectObject(dc, f);
            SetBkMode(dc, TRANSPARENT);
            TextOutA(dc, 0, 0, "I", 1);
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            DeleteObject(f);
        });
        return InkBox(p, 100);
    };
    RECT plain = box({1, 0, 0, 1, 100, 100}), wide = box({2, 0, 0, 1, 100, 100});
    RECT leaning = box({1, 0, 0.5f, 1, 100, 100});  // x moves by half of y
    ASSERT_LT(plain.left, plain.right);
    int w = plain.right - plain.left, h = plain.bottom - plain.top;
    EXPECT_NEAR(wide.right - wide.left, 2 * w, 4);
    EXPECT_NEAR(wide.bottom - wide.top, h, 2);
    EXPECT_NEAR(leaning.right - leaning.left, w + h / 2, 6);
    EXPECT_NEAR(leaning.bottom - leaning.top, h, 2);
}

TEST(PlaybackBitmaps, LargeImagesDrawnSmallAreAveraged) {
    // A 600 x 600 checkerboard of single pixels drawn into 100 x 100 device pixels: mid grey.
    std::vector<uint8_t> bits(600 * 80);  // rows of 75 bytes padded to 80
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 75; ++x) bits[y * 80 + x] = y % 2 ? 0xAA : 0x55;
    Dib d = MakeDib(600, -600, 1, BI_RGB, {0x000000, 0xFFFFFF}, bits);
    Pixels p = Draw([&](HDC dc) {
        StretchDIBits(dc, 0, 0, 100, 100, 0, 0, 600, 600, d.bits.data(), d.bmi(), DIB_RGB_COLORS, SRCCOPY);
        // Part of the image only: drawn without reduction, the left column black then white.
        StretchDIBits(dc, 200, 0, 100, 100, 0, 0, 2, 1, d.bits.data(), d.bmi(), DIB_RGB_COLORS, SRCCOPY);
    });
    EXPECT_TRUE(Near(p.at(50, 50), 0x7F7F7F, 8));
    EXPECT_EQ(p.at(220, 50), 0x000000u);
    EXPECT_EQ(p.at(280, 50), 0xFFFFFFu);
}

TEST(PlaybackBitmaps, OneBitPagesAndedOntoAPictureLookAsTheirPixels) {
    // A printer's raster, ANDed onto grey and drawn at 0.64 of its size or enlarged: single-dot
    // checks, 6-dot squares and thin lines, bottom-up and top-down, black on white and white on
    // black. Played from a metafile the image is reduced from its own bits; drawn straight onto
    // a bitmap it is decoded into pixels first: both look the same.
    const int w = 250, h = 250;
    std::vector<uint8_t> bits(32 * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool dot = x < 80 ? (x + y) % 2 == 0 : x < 160 ? (x / 6 + y / 6) % 2 == 0 : x == 200 || y == 125;
            if (dot) bits[y * 32 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    for (int rowsDown : {0, 1})
        for (bool inverted : {false, true}) {
            Dib d = MakeDib(w, rowsDown ? -h : h, 1, BI_RGB,
                            inverted ? std::vector<uint32_t>{0x000000, 0xFFFFFF} : std::vector<uint32_t>{0xFFFFFF, 0},
                            bits);
            auto draw = [&](HDC dc) {
                HBRUSH grey = CreateSolidBrush(RGB(200, 180, 160));
                RECT all{0, 0, kSide, kSide};
                FillRect(dc, &all, grey);
                DeleteObject(grey);
                // A black-and-white table takes the text colour for black, as decoded images do.
                if (inverted) SetTextColor(dc, RGB(0, 0, 160));
                StretchDIBits(dc, 7, 9, 160, 160, 0, 0, w, h, d.bits.data(), d.bmi(), DIB_RGB_COLORS, SRCAND);
                StretchDIBits(dc, 180, 20, 190, 330, 0, 0, w, h, d.bits.data(), d.bmi(), DIB_RGB_COLORS, SRCAND);
            };
            Pixels played = Draw(draw);
            Canvas direct(kSide, kSide);
            draw(direct.dc);
            Pixels decoded = direct.Read();
            int apart = 0;
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x) apart += !Near(played.at(x, y), decoded.at(x, y), 24);
            EXPECT_LT(apart, kSide * kSide / 200) << rowsDown << inverted;
            // Single-dot checks reduced are half as dark as the grey under them.
            if (!inverted) {
                EXPECT_TRUE(Near(played.at(40, 40), 0x645A50, 16)) << std::hex << played.at(40, 40);
            }
        }
}

class PlaybackThreads : public TempDirTest {};

TEST_F(PlaybackThreads, LargeImagesDrawnInPartsMatchOneFill) {
    // Large images reduced, enlarged and halftoned, copied and ANDed as bi-level line art with
    // white stretches over stripes, mirrored, clipped and running off the page, at scales that
    // put their edges between pixels: drawn in parts on one core and on two, each the same to
    // the byte as drawn in one piece.
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    std::vector<uint8_t> colour(640 * 480 * 3), mono(400 * 52, 0xFF);  // mono rows of 50 bytes padded to 52
    for (uint8_t& b : colour) b = static_cast<uint8_t>(next());
    for (int by = 0; by < 400; by += 16)
        for (int bx = 0; bx < 50; bx += 2)
            if (next() % 10 < 3)  // a block of 16 x 16 pixels with ink
                for (int y = by; y < by + 16; ++y)
                    for (int b = bx; b < bx + 2; ++b) mono[y * 52 + b] &= static_cast<uint8_t>(next());
    Dib noise = MakeDib(640, 480, 24, BI_RGB, {}, colour);
    Dib lineArt = MakeDib(400, 400, 1, BI_RGB, {0x000000, 0xFFFFFF}, mono);
    std::vector<Bytes> pages;
    for (int p = 0; p < 4; ++p)
        pages.push_back(Record(
            [&](HDC dc) {
                for (int x = 0; x < kSide; x += 26) {
                    Fill(dc, RGB(x % 255, 200, 255 - x % 200));
                    Rectangle(dc, x, 0, x + 13, kSide);
                }
                // Enlarged, smoothed, mirrored and off the page: a copy only one core may draw.
                SetStretchBltMode(dc, HALFTONE);
                StretchDIBits(dc, 335, -59, -110, 366, 0, 0, 231, 211, noise.bits.data(), noise.bmi(), DIB_RGB_COLORS,
                              SRCCOPY);
                if (p == 3) IntersectClipRect(dc, 19, 64, 333, 374);
                for (int k = 0; k < 6; ++k) {
                    bool anded = next() % 3;
                    const Dib& d = anded ? lineArt : noise;
                    int w = static_cast<int>(next() % 300) + 40, h = static_cast<int>(next() % 300) + 40;
                    int x = static_cast<int>(next() % 400) - 60, y = static_cast<int>(next() % 400) - 60;
                    int sw = static_cast<int>(next() % 390) + 10, sh = static_cast<int>(next() % 390) + 10;
                    if (next() % 4 == 0) x += w, w = -w;  // mirrored
                    if (next() % 4 == 0) y += h, h = -h;
                    SetStretchBltMode(dc, next() % 3 ? COLORONCOLOR : HALFTONE);
                    StretchDIBits(dc, x, y, w, h, 0, 0, sw, sh, d.bits.data(), d.bmi(), DIB_RGB_COLORS,
                                  anded ? SRCAND : SRCCOPY);
                }
            },
            kSquare));
    auto differ = [](const Pixels& a, const Pixels& b) {
        size_t n = 0;
        for (size_t i = 0; i < a.px.size(); ++i) n += a.px[i] != b.px[i];  // all four bytes
        return n;
    };
    for (size_t p = 0; p < pages.size(); ++p)
        for (int side : {820, 1000, 1213}) {
            SetImagesInParts(false);
            Pixels whole = PlayOnto(pages[p], side, side + 17);
            SetImagesInParts(true);
            SetDrawingCores(1);
            Pixels one = PlayOnto(pages[p], side, side + 17);
            SetDrawingCores(2);
            Pixels two = PlayOnto(pages[p], side, side + 17);
            SetDrawingCores(0);
            EXPECT_EQ(differ(whole, one), 0u) << "page " << p << ", " << side << " pixels, one core";
            EXPECT_EQ(differ(whole, two), 0u) << "page " << p << ", " << side << " pixels, two cores";
        }
}

TEST_F(PlaybackThreads, PagesPlayedAtOnceMatchPagesPlayedInTurn) {
    // Pages with text in several faces, shapes, bitmaps, patterns and raster operations,
    // from spool files and PCL5 and HP-GL/2 jobs: pictured one after the other, then by four
    // threads at once, each picture the same to the byte.
    std::vector<Bytes> emf;
    for (int i = 1; i <= 3; ++i) emf.push_back(RecordSamplePage("", i));
    std::string pcl =
        "\x1B"
        "E\x1B(s1p12v4148TUnivers text\x1B*c300a300b25g2P\x1B(s0p10h3TCourier\f"
        "\x1B%0BIN;SP1;MC1,90;FT10,40;PA1000,1000;RA5000,5000;LBlabel\x03\x1B%0A\x1B"
        "E";
    PageList pages;
    ASSERT_TRUE(ConvertPrintJob(Write("job.spl", WrapInSpool(emf)).c_str(), pages));
    PageList more;
    ASSERT_TRUE(ConvertPrintJob(Write("job.pcl", Bytes(pcl.begin(), pcl.end())).c_str(), more));
    pages.insert(pages.end(), more.begin(), more.end());
    ASSERT_EQ(pages.size(), 5u);
    auto picture = [](const std::string& page) {
        RenderedPage r;
        std::vector<uint8_t> bytes;
        if (RenderPageMetafile(page.c_str(), r))
            bytes.assign(r.pixels, r.pixels + static_cast<size_t>(r.width) * r.height * 4);
        ReleaseRenderedPage(r);
        return bytes;
    };
    std::vector<std::vector<uint8_t>> inTurn;
    for (const std::string& p : pages) inTurn.push_back(picture(p));
    std::vector<std::vector<std::vector<uint8_t>>> atOnce(4, std::vector<std::vector<uint8_t>>(pages.size()));
    std::vector<std::thread> threads;
    for (size_t t = 0; t < atOnce.size(); ++t)
        threads.emplace_back([&, t] {
            // Each thread starts at another page, so that different pages play at the same time.
            for (size_t k = 0; k < pages.size(); ++k) {
                size_t i = (k + t) % pages.size();
                atOnce[t][i] = picture(pages[i]);
            }
        });
    for (std::thread& t : threads) t.join();
    for (size_t t = 0; t < atOnce.size(); ++t)
        for (size_t i = 0; i < pages.size(); ++i) {
            ASSERT_FALSE(inTurn[i].empty()) << i;
            EXPECT_TRUE(atOnce[t][i] == inTurn[i]) << "thread " << t << ", page " << i;
        }
    DeletePageFiles(pages);
}

TEST(PlaybackText, CharactersTheFaceLacksComeFromAFaceThatHasThem) {
    // Liberation Sans (Arial's stand-in) has no "proportional to" sign: it is drawn from a face
    // that has one, as from that face itself, where the first face would have drawn its empty box.
    auto page = [](const char* face, const wchar_t* text) {
        return Draw([=](HDC dc) {
            HFONT f = CreateFontA(-60, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, face);
            SelectObject(dc, f);
            SetTextAlign(dc, TA_BASELINE);  // the faces' ascents differ
            std::u16string s(text, text + std::wcslen(text));
            TextOutW(dc, 100, 100, reinterpret_cast<const WCHAR*>(s.c_str()), static_cast<int>(s.size()));
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            DeleteObject(f);
        });
    };
    Pixels linked = page("Arial", L"\u221D"), own = page("DejaVu Sans", L"\u221D");
    EXPECT_EQ(linked.px, own.px);
    // A character no face has keeps the box.
    Pixels none = page("Arial", L"\uE123"), box = page("Arial", L"\uE124");
    EXPECT_EQ(none.px, box.px);
    EXPECT_NE(none.px, own.px);
}

TEST_F(PlaybackThreads, APictureReusedForTheNextPageIsThatPagesOwn) {
    // Pages pictured one after another in one picture (portrait, portrait again: the bitmap is
    // kept; then landscape: a new one) come out as each does in a picture of its own.
    std::string pcl =
        "\x1B"
        "E\x1B(s1p12v4148TPortrait text\x1B*c300a300b0P\x1B"
        "E"
        "\x1B*p900x900Y\x1B(s0p10h3TAgain\x1B"
        "E\x1B&l1OLandscape\x1B*c600a200b25g2P\x1B"
        "E";
    PageList pages;
    ASSERT_TRUE(ConvertPrintJob(Write("job.pcl", Bytes(pcl.begin(), pcl.end())).c_str(), pages));
    ASSERT_EQ(pages.size(), 3u);
    auto bytesOf = [](const RenderedPage& r) {
        return std::vector<uint8_t>(r.pixels, r.pixels + static_cast<size_t>(r.width) * r.height * 4);
    };
    RenderedPage reused;
    uint8_t* firstPixels = nullptr;
    for (const std::string& page : pages) {
        ASSERT_TRUE(RenderPageMetafile(page.c_str(), reused));
        if (&page == &pages[0]) firstPixels = reused.pixels;
        if (&page == &pages[1]) {
            EXPECT_EQ(reused.pixels, firstPixels);  // the same bitmap
        }
        RenderedPage own;
        ASSERT_TRUE(RenderPageMetafile(page.c_str(), own));
        EXPECT_EQ(reused.width, own.width);
        EXPECT_TRUE(bytesOf(reused) == bytesOf(own)) << page;
        ReleaseRenderedPage(own);
    }
    ReleaseRenderedPage(reused);
    DeletePageFiles(pages);
}

// A page too large for one picture is drawn a band of rows at a time, each band played from the
// page on its own: the bands make the picture one fill makes, whatever the language, patterns,
// text and images included (an image reduced from another first row may take other greys).
TEST_F(PlaybackThreads, BandsOfAPictureMakeThePictureWhole) {
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        PageList pages = Convert(bytes, name);
        ASSERT_FALSE(pages.empty()) << name;
        RenderedPage whole, band;
        ASSERT_TRUE(RenderPageMetafile(pages[0].c_str(), whole, 150)) << name;
        int32_t width = 0, height = 0;
        ASSERT_TRUE(BandedPictureSize(pages[0].c_str(), 150, width, height)) << name;
        ASSERT_EQ(width, whole.width) << name;
        ASSERT_EQ(height, whole.height) << name;
        size_t differing = 0, stride = static_cast<size_t>(width) * 4;
        for (int32_t top = 0; top < height; top += 97) {
            int32_t rows = std::min(97, height - top);
            ASSERT_TRUE(RenderPageBand(pages[0].c_str(), band, 150, top, rows)) << name;
            for (int32_t y = 0; y < rows; ++y)
                for (size_t x = 0; x < stride; x += 4)
                    for (size_t c = 0; c < 3; ++c)
                        if (std::abs(band.pixels[y * stride + x + c] - whole.pixels[(top + y) * stride + x + c]) > 48) {
                            ++differing;
                            break;
                        }
        }
        std::printf("%s: %zu of %d pixels differ\n", name.c_str(), differing, width * height);
        EXPECT_LT(differing, static_cast<size_t>(width) * height / 2000) << name;
        EXPECT_FALSE(RenderPageBand(pages[0].c_str(), band, 150, height - 5, 10)) << name;
        ReleaseRenderedPage(whole);
        ReleaseRenderedPage(band);
    }
}
