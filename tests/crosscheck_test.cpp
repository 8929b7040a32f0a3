// Playback compared with independent tools: EMF files written by gnuplot are
// loaded as spool pages, and pages are rendered both by us and by emf2svg +
// rsvg-convert, with the similarity of the two pictures measured.
#include "spoolsight_plugin.h"
#include "test_support.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <png.h>

namespace {
// Share of 8 x 8 blocks whose mean grey levels lie within 32 of each other.
double Similarity(const Pixels& a, int ax, int ay, const Pixels& b) {
    int blocks = 0, alike = 0;
    for (int by = 0; by + 8 <= b.height; by += 8)
        for (int bx = 0; bx + 8 <= b.width; bx += 8) {
            double sa = 0, sb = 0;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    auto grey = [](uint32_t p) {
                        return ((p >> 16) & 0xFF) * 0.3 + ((p >> 8) & 0xFF) * 0.59 + (p & 0xFF) * 0.11;
                    };
                    int X = ax + bx + x, Y = ay + by + y;
                    sa += (X < a.width && Y < a.height) ? grey(a.at(X, Y)) : 255;
                    sb += grey(b.at(bx + x, by + y));
                }
            ++blocks;
            alike += std::fabs(sa - sb) / 64 < 32;
        }
    return blocks ? static_cast<double>(alike) / blocks : 0;
}

ENHMETAHEADER HeaderOf(const Bytes& emf) {
    ENHMETAHEADER h{};
    memcpy(&h, emf.data(), std::min(sizeof h, emf.size()));
    return h;
}

Bytes Gnuplot(const std::string& dir, const std::string& script) {
    std::string out = dir + "plot.emf",
                cmd = "gnuplot -e \"set terminal emf size 800,600; set output '" + out + "'; " + script +
        "\" 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return {};
    Bytes b = ReadFileBytes(out);
    std::remove(out.c_str());
    return b;
}
}  // namespace

class CrossCheckTest : public TempDirTest {
protected:
    // Our rendering against emf2svg + rsvg-convert over the page's bounds.
    double Compare(const Bytes& emf, const char* what) {
        ENHMETAHEADER h = HeaderOf(emf);
        std::string emfPath = Write("page.emf", emf), svg = dir_ + "jobs/page.svg", png = dir_ + "jobs/page.png";
        int w = h.rclBounds.right - h.rclBounds.left + 1, hh = h.rclBounds.bottom - h.rclBounds.top + 1;
        std::string cmd = "emf2svg-conv -i " + emfPath + " -o " + svg + " && rsvg-convert -w " + std::to_string(w) +
            " -h " + std::to_string(hh) + " " + svg + " -o " + png;
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        Pixels theirs, ours = PlayOnto(emf, h.szlDevice.cx, h.szlDevice.cy);
        EXPECT_TRUE(ReadPng(png, theirs));
        double s = Similarity(ours, h.rclBounds.left, h.rclBounds.top, theirs);
        RecordProperty(what, std::to_string(s));
        std::printf("similarity with emf2svg, %s: %.3f\n", what, s);
        return s;
    }
};

TEST_F(CrossCheckTest, GnuplotPagesLoadThroughTheExports) {
    if (!HaveTool("gnuplot")) GTEST_SKIP() << "gnuplot not installed";
    Bytes emf = Gnuplot(dir_, "set xrange [-10:10]; plot sin(x) lw 4 lc rgb 'red', x*x/50 lw 4 lc rgb 'blue'");
    ASSERT_GT(emf.size(), 200u);
    void* context = ivpLoadPictureInit(Write("plot.spl", WrapInSpool({emf})).c_str());
    ASSERT_NE(context, nullptr);
    int32_t k, w, hgt, r, b, l, c;
    char label[32];
    ASSERT_EQ(ivpLoadPictureGetInfo(context, &k, &w, &hgt, &r, &b, &l, &c, label, sizeof label), 1);
    ENHMETAHEADER h = HeaderOf(emf);
    // gnuplot's 1024 x 768 pixels are 270 x 200 mm by its header, but 270 x 202.5 by its
    // frame: the picture keeps the frame's proportions, as the pixels do.
    double frameAspect = static_cast<double>(h.rclFrame.right - h.rclFrame.left) / (h.rclFrame.bottom - h.rclFrame.top);
    EXPECT_NEAR(static_cast<double>(w) / hgt, frameAspect, 0.002);
    EXPECT_NEAR(w, 96 * 2 * (h.rclFrame.right - h.rclFrame.left) / 2540.0, 1);
    Pixels p;
    p.width = w, p.height = hgt, p.px.resize(static_cast<size_t>(w) * hgt);
    for (int y = 0; y < hgt; ++y) ivpLoadPictureGetLine(context, y, &p.px[static_cast<size_t>(y) * w]);
    ivpLoadPictureExit(context);
    double red = p.Share(0, 0, w, hgt, 0xFF0000, 60), blue = p.Share(0, 0, w, hgt, 0x0000FF, 60);
    EXPECT_GT(red, 0.002);
    EXPECT_GT(blue, 0.002);
    EXPECT_GT(p.Share(0, 0, w, hgt, 0xFFFFFF, 10), 0.8);
}

TEST_F(CrossCheckTest, PlaybackAgreesWithEmf2svg) {
    if (!HaveTool("emf2svg-conv") || !HaveTool("rsvg-convert")) GTEST_SKIP() << "emf2svg or rsvg-convert missing";
    // Shapes and text that both renderers draw alike: fills without outlines, solid text.
    Bytes ours = Record([](HDC dc) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 16800, 23760, nullptr);
        SetViewportExtEx(dc, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES), nullptr);
        SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, GetStockObject(NULL_PEN));
        HBRUSH red = CreateSolidBrush(RGB(200, 20, 20)), blue = CreateSolidBrush(RGB(20, 40, 200));
        SelectObject(dc, red);
        Rectangle(dc, 1600, 1600, 8000, 6000);
        SelectObject(dc, blue);
        Ellipse(dc, 9000, 1600, 15000, 6000);
        POINT tri[3] = {{1600, 14000}, {8000, 14000}, {4800, 8000}};
        Polygon(dc, tri, 3);
        HFONT f = CreateFontA(-900, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        SelectObject(dc, f);
        TextOutA(dc, 9000, 9000, "Spoolsight", 10);
        TextOutA(dc, 9000, 11000, "EMF check", 9);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        SelectObject(dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(red);
        DeleteObject(blue);
        DeleteObject(f);
    });
    EXPECT_GT(Compare(ours, "own page"), 0.95);
    if (HaveTool("gnuplot")) {
        Bytes plot = Gnuplot(dir_, "set xrange [-10:10]; plot sin(x) lw 2, cos(x) with boxes fs solid");
        ASSERT_GT(plot.size(), 200u);
        EXPECT_GT(Compare(plot, "gnuplot page"), 0.90);
    }
}
