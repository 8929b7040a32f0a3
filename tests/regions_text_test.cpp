// Regions (made, combined, filled, clipped to) and formatted text, recorded
// into page metafiles and played back, checked by pixel probes.
#include "emf_records.h"
#include "test_support.h"

#include <string>

namespace {
// A 100 x 100 mm page plays 1:1 onto a 378 x 378 canvas (96 dpi).
constexpr int kSide = 378;

template <class F>
Pixels Draw(F draw) {
    return PlayOnto(Record(draw, RECT{0, 0, 10000, 10000}), kSide, kSide);
}

// Ink of any colour: not the white of the canvas.
bool Inked(const Pixels& p, int x0, int y0, int x1, int y1) { return p.Share(x0, y0, x1, y1, 0xFFFFFF, 30) < 0.999; }
}  // namespace

TEST(PlaybackRegions, FillRgnPaintsCombinedRegions) {
    Bytes emf = Record(
        [](HDC dc) {
            HRGN a = CreateRectRgn(20, 20, 120, 120), b = CreateRectRgn(80, 80, 180, 180),
                 both = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(both, a, b, RGN_OR);
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            FillRgn(dc, both, red);
            // The overlap taken out of the first square, painted with the selected brush.
            HRGN left = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(left, a, b, RGN_DIFF);
            OffsetViewportOrgEx(dc, 200, 0, nullptr);
            HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
            HGDIOBJ old = SelectObject(dc, blue);
            PaintRgn(dc, left);
            SelectObject(dc, old);
            for (HGDIOBJ o : {HGDIOBJ(a), HGDIOBJ(b), HGDIOBJ(both), HGDIOBJ(left), HGDIOBJ(red), HGDIOBJ(blue)})
                DeleteObject(o);
        },
        RECT{0, 0, 10000, 10000});
    EXPECT_EQ(CountRecords(emf, EMR_FILLRGN), 2u);
    Pixels p = PlayOnto(emf, kSide, kSide);
    EXPECT_EQ(p.at(50, 50), 0xFF0000u);
    EXPECT_EQ(p.at(150, 150), 0xFF0000u);
    EXPECT_EQ(p.at(150, 50), 0xFFFFFFu);   // neither square
    EXPECT_EQ(p.at(250, 50), 0x0000FFu);   // the first square, moved over by 200
    EXPECT_EQ(p.at(300, 100), 0xFFFFFFu);  // the overlap was taken out
}

TEST(PlaybackRegions, ClipRegionsAndTheirModes) {
    auto painted = [](int mode, bool emptyRegion) {
        return Draw([&](HDC dc) {
            HRGN first = CreateRectRgn(0, 0, 200, 378),
                 second = emptyRegion ? CreateRectRgn(0, 0, 0, 0) : CreateRectRgn(100, 0, 300, 378);
            SelectClipRgn(dc, first);
            ExtSelectClipRgn(dc, second, mode);
            HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
            RECT all{0, 0, kSide, kSide};
            FillRect(dc, &all, black);
            DeleteObject(first);
            DeleteObject(second);
        });
    };
    Pixels both = painted(RGN_AND, false);
    EXPECT_EQ(both.at(50, 10), 0xFFFFFFu);
    EXPECT_EQ(both.at(150, 10), 0x000000u);
    EXPECT_EQ(both.at(250, 10), 0xFFFFFFu);
    Pixels diff = painted(RGN_DIFF, false);
    EXPECT_EQ(diff.at(50, 10), 0x000000u);
    EXPECT_EQ(diff.at(150, 10), 0xFFFFFFu);
    Pixels copy = painted(RGN_COPY, false);
    EXPECT_EQ(copy.at(50, 10), 0xFFFFFFu);
    EXPECT_EQ(copy.at(250, 10), 0x000000u);
    // The union shows at least both; an empty region selected alone clips everything away.
    Pixels any = painted(RGN_OR, false);
    EXPECT_EQ(any.at(50, 10), 0x000000u);
    EXPECT_EQ(any.at(250, 10), 0x000000u);
    Pixels none = painted(RGN_COPY, true);
    EXPECT_GT(none.Share(0, 0, kSide, kSide, 0xFFFFFF), 0.999);
}

TEST(PlaybackRegions, ClipBoxFollowsTheMapping) {
    HDC dc = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    RECT box{};
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_GT(box.right, box.left);
    EXPECT_GT(box.bottom, box.top);
    SetMapMode(dc, MM_LOENGLISH);
    RECT english{};
    GetClipBox(dc, &english);
    EXPECT_LT(english.top, 1);                       // y grows upward: the page lies below the origin
    EXPECT_EQ(english.right, box.right * 100 / 96);  // the reference screen at 96 dpi, in hundredths of an inch
    IntersectClipRect(dc, 0, 0, 10, -10);
    EXPECT_EQ(GetClipBox(dc, &english), COMPLEXREGION);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
}

TEST(PlaybackText, DrawTextAlignsWrapsAndMeasures) {
    auto font = [](HDC dc) {
        HFONT f = CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
        SelectObject(dc, f);
        SetBkMode(dc, TRANSPARENT);
        return f;
    };
    // DT_CALCRECT measures without drawing; two lines are twice one line's height.
    HDC screen = CreateCompatibleDC(nullptr);
    HFONT f = font(screen);
    RECT one{0, 0, 1000, 0}, two{0, 0, 1000, 0};
    int h1 = DrawTextA(screen, "Hello", -1, &one, DT_CALCRECT);
    int h2 = DrawTextA(screen, "Hello\nWorld", -1, &two, DT_CALCRECT);
    EXPECT_GT(h1, 15);
    EXPECT_EQ(h2, 2 * h1);
    EXPECT_GT(one.right, 30);
    EXPECT_LT(one.right, 80);
    DeleteDC(screen);
    DeleteObject(f);

    Pixels p = Draw([&](HDC dc) {
        HFONT g = font(dc);
        RECT right{0, 0, 370, 40};
        DrawTextA(dc, "Right", -1, &right, DT_RIGHT | DT_SINGLELINE);
        RECT centre{0, 100, 378, 200};
        DrawTextA(dc, "Middle", -1, &centre, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        // Words that do not fit the width go to the next line.
        RECT narrow{0, 250, 120, 378};
        DrawTextW(dc, u"wrap these words", -1, &narrow, DT_WORDBREAK);
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(g);
    });
    EXPECT_TRUE(Inked(p, 300, 0, 370, 30));
    EXPECT_FALSE(Inked(p, 0, 0, 200, 40));
    EXPECT_TRUE(Inked(p, 140, 135, 240, 165));
    EXPECT_FALSE(Inked(p, 0, 100, 100, 200));
    EXPECT_FALSE(Inked(p, 140, 100, 240, 125));
    EXPECT_TRUE(Inked(p, 0, 250, 120, 272));
    EXPECT_TRUE(Inked(p, 0, 275, 120, 300));  // the second line
    EXPECT_FALSE(Inked(p, 125, 250, 378, 378));
}

TEST(PlaybackRegions, FrameRectDrawsOnlyTheEdge) {
    Pixels p = Draw([](HDC dc) {
        RECT r{50, 50, 250, 250};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FrameRect(dc, &r, red);
        DeleteObject(red);
    });
    EXPECT_EQ(p.at(50, 150), 0xFF0000u);
    EXPECT_EQ(p.at(249, 150), 0xFF0000u);
    EXPECT_EQ(p.at(150, 50), 0xFF0000u);
    EXPECT_EQ(p.at(150, 150), 0xFFFFFFu);
}
