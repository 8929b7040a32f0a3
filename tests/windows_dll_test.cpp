// The Windows build under Wine: spoolsight.dll on Wine's GDI, loaded by spoolsight.exe as a
// viewer loads it, against the Linux build's pictures; and our page metafiles played by Wine's
// GDI, an independent EMF reader. Runs when SPOOLSIGHT_WINDOWS_BUILD names the folder that
// scripts/build-windows.sh fills (scripts/test.sh does so); skipped otherwise.
#include "convert_print_job.h"
#include "page_renderer.h"
#include "pclxl_job.h"
#include "png_writer.h"
#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {
// A command's exit status, its output and error output in `out`.
int RunWithErrors(const std::string& command, std::string& out) { return RunCommand(command + " 2>&1", out); }

struct InkMatch {
    double match = 0, ink = 0;
};

// ../shared/tools/inkmatch.py: the share of inked cells that agree, and the ink of `ours`
// over the reference's.
bool CompareInk(const std::string& ours, const std::string& reference, InkMatch& m) {
    std::string out;
    if (RunWithErrors("python3 " SPOOLSIGHT_SHARED "/tools/inkmatch.py " + ours + " " + reference, out) != 0)
        return false;
    std::istringstream in(out);
    return static_cast<bool>(in >> m.match >> m.ink);
}

// How near a job's picture on Wine's GDI must come to ours: as the inkmatch tool measures it,
// and the picture's width as a share of ours.
struct Agreement {
    double match = 0.9, inkLow = 0.8, inkHigh = 1.25, width = 0;
};

// Where Wine is known to part from Windows' documented drawing, the bounds say how far.
// - The PCL5 letter's shading and raster are 1-bit images at 300 and 150 dpi, reduced to the
//   picture. Windows averages reduced images in HALFTONE mode, which the plug-in sets, as our
//   player does; Wine's HALFTONE samples (a probe of 20% shading gives no grey pixel), and
//   Wine's default mode, in which its EMF player draws, ANDs the rows it drops.
// - A plot that outgrows A4 gets a page from its marks' bounds, which Wine's recorder makes
//   about 3 mm wider.
Agreement AgreementFor(const std::string& job, bool playedInDefaultMode) {
    Agreement a;
    if (job == "letter.pcl") {
        a.match = playedInDefaultMode ? 0.4 : 0.8;
        a.inkLow = playedInDefaultMode ? 0.25 : 0.8;
        a.inkHigh = 2.0;
    }
    if (job == "plot.hpgl") a.width = 0.02;
    return a;
}

bool SavePicture(const std::string& path, const RenderedPage& page) {
    std::string error;
    size_t stride = static_cast<size_t>(page.width) * 4;
    return WritePng(
        path, page.width, page.height,
        [&](int32_t y, uint8_t*) { return page.pixels + static_cast<size_t>(y) * stride; }, error);
}

bool SavePixels(const std::string& path, const Pixels& p) {
    std::string error;
    return WritePng(
        path, p.width, p.height,
        [&](int32_t y, uint8_t*) {
            return reinterpret_cast<const uint8_t*>(p.px.data() + static_cast<size_t>(y) * p.width);
        },
        error);
}
}  // namespace

class WindowsDll : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        const char* build = std::getenv("SPOOLSIGHT_WINDOWS_BUILD");
        if (!build || !*build) GTEST_SKIP() << "SPOOLSIGHT_WINDOWS_BUILD names no Windows build";
        build_ = build;
        if (!fs::exists("/usr/lib/wine/wine64")) GTEST_SKIP() << "wine64 is not installed";
    }
    // The Windows command of `arch` under Wine, in a prefix of the build folder.
    int Wine(const std::string& arch, const std::string& args, std::string& out) const {
        return RunWithErrors("WINEDEBUG=-all WINEPREFIX=" + build_ + "/wine timeout 600 /usr/lib/wine/wine64 " +
                                 build_ + "/" + arch + "/spoolsight.exe " + args,
                             out);
    }
    // What the plug-in left in Wine's temporary folder, beside the traces it keeps.
    std::vector<std::string> LeftInWineTemp() const {
        std::vector<std::string> left;
        std::error_code ec;
        for (const auto& user : fs::directory_iterator(build_ + "/wine/drive_c/users", ec))
            for (const auto& e : fs::directory_iterator(user.path() / "Temp", ec))
                if (e.path().extension() != ".asm") left.push_back(e.path().filename().string());
        return left;
    }
    // A job's first page played by Wine's GDI beside ours, both at 96 dpi, compared.
    void PlayInWine(const Bytes& job, const std::string& name, InkMatch& m) {
        PageList pages = Convert(job, name);
        ASSERT_FALSE(pages.empty()) << name;
        RenderedPage page;
        ASSERT_TRUE(RenderPageMetafile(pages.front().c_str(), page, 96));
        std::string ours = dir_ + "ours.png", wine = dir_ + "wine.png", out;
        ASSERT_TRUE(SavePicture(ours, page));
        ReleaseRenderedPage(page);
        ASSERT_EQ(RunWithErrors(SPOOLSIGHT_SHARED "/oracles/emfplay " + pages.front() + " " + wine + " 96", out), 0)
            << out;
        ASSERT_TRUE(CompareInk(wine, ours, m)) << name;
        DeletePageFiles(pages);
        fs::remove(ours);
        fs::remove(wine);
    }
    std::string build_;
};

TEST_F(WindowsDll, ExportsItsTenFunctionsByNameAndNeedsOnlyTheSystemsDlls) {
    const std::set<std::string> exports = {
        "ivpGetPluginInfo",          "ivpLoadPictureInit", "ivpLoadPictureGetInfo",     "ivpLoadPictureGetLine",
        "ivpLoadPictureGetColormap", "ivpLoadPictureExit", "ivpSavePictureIsSupported", "ivpSavePictureInit",
        "ivpSavePicturePutLine",     "ivpSavePictureExit"};
    const std::set<std::string> system = {"GDI32.dll", "KERNEL32.dll", "USER32.dll", "msvcrt.dll"};
    for (const char* arch : {"win64", "win32"}) {
        for (const char* file : {"spoolsight.dll", "spoolsight.exe"}) {
            std::string out, path = build_ + "/" + arch + "/" + file;
            ASSERT_EQ(RunWithErrors("x86_64-w64-mingw32-objdump -p " + path, out), 0) << path << ": " << out;
            std::set<std::string> named, imported;
            std::istringstream lines(out);
            bool inExports = false;
            for (std::string line; std::getline(lines, line);) {
                if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) inExports = true;
                else if (inExports && line.find(']') != std::string::npos)
                    named.insert(line.substr(line.find(']') + 2));
                else inExports = false;
                if (size_t at = line.find("DLL Name: "); at != std::string::npos) imported.insert(line.substr(at + 10));
            }
            if (std::string(file) == "spoolsight.dll") {
                EXPECT_EQ(named, exports) << path;
            }
            for (const std::string& dll : imported) EXPECT_TRUE(system.count(dll)) << path << " needs " << dll;
            // Every argument and result a 32-bit value in the 32-bit build.
            if (std::string(arch) == "win32") {
                EXPECT_NE(out.find("pei-i386"), std::string::npos) << path;
            }
        }
    }
}

TEST_F(WindowsDll, AJobOfEachLanguageIsPicturedAsOnLinux) {
    std::string jobs;
    fs::create_directories(dir_ + "windows");
    for (const auto& [name, bytes] : JobsOfEachLanguage()) jobs += " " + Write(name, bytes);
    std::string out;
    ASSERT_EQ(Wine("win64", jobs + " --output-dir " + dir_ + "windows", out), 0) << out;
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        Pixels linux = PictureThroughExports(dir_ + "jobs/" + name), windows;
        std::string stem = fs::path(name).stem().string(), ours = dir_ + "windows/" + stem + "-linux.png";
        ASSERT_TRUE(ReadPng(dir_ + "windows/" + stem + ".png", windows)) << name << ": " << out;
        // The size the plug-in computes from the page: the same on both.
        Agreement a = AgreementFor(name, false);
        EXPECT_NEAR(windows.width, linux.width, a.width * linux.width) << name;
        EXPECT_EQ(windows.height, linux.height) << name;
        ASSERT_TRUE(SavePixels(ours, linux));
        InkMatch m;
        ASSERT_TRUE(CompareInk(dir_ + "windows/" + stem + ".png", ours, m)) << name;
        EXPECT_GE(m.match, a.match) << name;
        EXPECT_GE(m.ink, a.inkLow) << name;
        EXPECT_LE(m.ink, a.inkHigh) << name;
    }
    EXPECT_EQ(LeftInWineTemp(), std::vector<std::string>{});
}

TEST_F(WindowsDll, PageMetafilesPlayInWinesGdiAsInOurs) {
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        InkMatch m;
        PlayInWine(bytes, name, m);
        if (HasFatalFailure()) return;
        Agreement a = AgreementFor(name, true);
        EXPECT_GE(m.match, a.match) << name;
        EXPECT_GE(m.ink, 1 / a.inkHigh) << name;
        EXPECT_LE(m.ink, 1 / a.inkLow) << name;
    }
}

// Resident-font text of PCL XL (plain, turned, sheared, stretched and emboldened) and HP-GL/2
// labels (turned and slanted) are set through transforms whose y axis points up: Windows draws
// glyphs as such a transform says, upside down unless the transform turns them upright. Their
// pages, played in Wine's GDI, look as ours.
TEST_F(WindowsDll, ResidentTextAndLabelsStandUprightInWinesGdi) {
    XlWriter w;
    XlBeginJob(w);
    w.ubyte(1).attr(xl::ColorSpace).op(xl::SetColorSpace).ubyte(0).attr(xl::GrayLevel).op(xl::SetBrushSource);
    w.text("Arial           ").attr(xl::FontName).uint16(300).attr(xl::CharSize).uint16(277).attr(xl::SymbolSet);
    w.op(xl::SetFont);
    auto line = [&](int y, const std::string& text) {
        w.xy(400, static_cast<int16_t>(y)).attr(xl::Point).op(xl::SetCursor);
        w.text(text).attr(xl::TextData).bytes(Bytes(text.size(), 180)).attr(xl::XSpacingData).op(xl::Text);
    };
    line(800, "Upright text");
    w.real32(20).attr(xl::CharAngle).op(xl::SetCharAngle);
    line(1800, "Turned text");
    w.real32(0).attr(xl::CharAngle).op(xl::SetCharAngle).realXy(0.4f, 0).attr(xl::CharShear).op(xl::SetCharShear);
    line(2800, "Sheared text");
    w.realXy(0, 0).attr(xl::CharShear).op(xl::SetCharShear).real32(0.1f).attr(xl::CharBoldValue);
    w.op(xl::SetCharBoldValue);
    line(3800, "Bold text");
    w.op(xl::EndPage).op(xl::EndSession);
    // Arial (typeface 16602), drawn from its outlines.
    std::string plot =
        "IN;SP1;SC0,100,0,100;SD1,21,2,1,4,30,5,0,6,0,7,16602;SS;DT*;PA10,80;LBUpright label*;"
        "PA10,50;DI1,1;LBTurned label*;PA10,20;DI1,0;SL0.5;LBSlanted label*;";
    for (const auto& [name, bytes] :
         {std::pair<std::string, Bytes>{"text.pxl", w.out}, {"labels.hpgl", Bytes(plot.begin(), plot.end())}}) {
        InkMatch m;
        PlayInWine(bytes, name, m);
        if (HasFatalFailure()) return;
        std::printf("%s: match %.3f, ink %.2f\n", name.c_str(), m.match, m.ink);
        EXPECT_GE(m.match, 0.8) << name;
    }
}

TEST_F(WindowsDll, HostileJobsLeaveTheHostStandingAndNoFiles) {
    std::mt19937 random(11);
    std::string jobs;
    int n = 0;
    for (const auto& [name, bytes] : JobsOfEachLanguage()) {
        for (int round = 0; round < 8; ++round, ++n) {
            Bytes job = bytes;
            for (int k = 0; k < 1 + round * 3; ++k) job[random() % job.size()] = static_cast<uint8_t>(random());
            if (round % 3 == 2) job.resize(random() % job.size() + 1);
            jobs += " " + Write("m" + std::to_string(n) + fs::path(name).extension().string(), job);
        }
    }
    fs::create_directories(dir_ + "windows");
    std::string out;
    int status = Wine("win64", jobs + " --output-dir " + dir_ + "windows", out);
    // Pictures or refusals, never a crash or a hang.
    EXPECT_TRUE(status == 0 || status == 1) << status << ": " << out;
    EXPECT_EQ(out.find("Unhandled"), std::string::npos) << out;
    EXPECT_EQ(LeftInWineTemp(), std::vector<std::string>{});
}

// GhostPCL's grasshopper shades its drawing with HP-GL/2 raster fills, each laid on the page
// exclusive-or, then in black, then exclusive-or again. Wine's metafile player reads
// monochrome pattern brushes with the wrong row length, so the plug-in gives its fills
// colours of their own: under Wine the picture must match ours.
TEST_F(WindowsDll, RasterFillsMergedWithThePageDrawAsOnLinux) {
    const std::string job = SPOOLSIGHT_SHARED "/corpus/ghostpcl-examples/grashopp.pcl";
    if (!fs::exists(job)) GTEST_SKIP() << job << " is not there";
    std::string out, windows = dir_ + "windows.png", linux = dir_ + "linux.png";
    ASSERT_EQ(Wine("win64", job + " -o " + windows, out), 0) << out;
    ASSERT_TRUE(SavePixels(linux, PictureThroughExports(job)));
    InkMatch m;
    ASSERT_TRUE(CompareInk(windows, linux, m));
    EXPECT_GE(m.match, 0.9);
    EXPECT_GE(m.ink, 0.8);
    EXPECT_LE(m.ink, 1.25);
}
