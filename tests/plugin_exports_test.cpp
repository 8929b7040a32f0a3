#include "convert_print_job.h"
#include "job_first_page.h"
#include "pclxl_job.h"
#include "spoolsight_plugin.h"
#include "test_support.h"
#include "zjs_job.h"

#include <cstring>

namespace {
struct Info {
    int32_t kind = -1, width = 0, height = 0, resolution = 0, bpp = 0, bytesPerLine = 0, colormap = -1;
    char label[64] = {};
    int32_t result = 0;
};

Info GetInfo(void* context, int32_t labelSize = 64) {
    Info i;
    i.result = ivpLoadPictureGetInfo(context, &i.kind, &i.width, &i.height, &i.resolution, &i.bpp, &i.bytesPerLine,
                                     &i.colormap, i.label, labelSize);
    return i;
}

Pixels ReadPicture(void* context, const Info& info) {
    Pixels p;
    p.width = info.width;
    p.height = info.height;
    p.px.resize(static_cast<size_t>(info.width) * info.height);
    for (int y = 0; y < info.height; ++y)
        EXPECT_EQ(ivpLoadPictureGetLine(context, y, &p.px[static_cast<size_t>(y) * info.width]), 1);
    return p;
}

// Page units of the sample page (1/80 mm) to picture pixels at 192 dpi.
int Px(double units) { return static_cast<int>(units / 80.0 * 192 / 25.4); }
}  // namespace

// Problems go to the conversion that collects them on its thread, each once; a hostile job's
// flood of them ends in a count.
TEST(JobProblems, EachIsToldOnceAndAFloodEndsInACount) {
    JobProblems list;
    {
        JobProblemCollector collect(&list);
        ReportJobProblem(1, "a");
        ReportJobProblem(1, "a");
        ReportJobProblem(2, "a");
        {
            JobProblemCollector nobody(nullptr);
            ReportJobProblem(9, "not collected");
        }
        for (int i = 0; i < 100; ++i) ReportJobProblem(3, std::to_string(i));
    }
    ReportJobProblem(4, "after the conversion");
    ASSERT_EQ(list.size(), kMaxJobProblems);
    EXPECT_EQ(list[0], (JobProblem{1, "a"}));
    EXPECT_EQ(list[1], (JobProblem{2, "a"}));
    EXPECT_EQ(list.back(), (JobProblem{0, std::to_string(102 - (kMaxJobProblems - 1)) + " more problems"}));
    EXPECT_EQ(JobProblemText(list[1]), "page 2: a");
}

TEST(PluginInfo, VersionNameAndExtensions) {
    char name[32], ext[32];
    int32_t count = 0;
    EXPECT_EQ(ivpGetPluginInfo(1, name, 32, ext, 0, &count), 0);
    EXPECT_EQ(count, 0);
    memset(ext, 'x', sizeof ext);
    ASSERT_EQ(ivpGetPluginInfo(2, name, 32, ext, 0, &count), 1);
    EXPECT_STREQ(name, "Spoolsight");
    EXPECT_EQ(memcmp(ext, "spl;prn;pcl;hpgl;plt", 21), 0);
    EXPECT_EQ(ext[21], 'x');  // exactly 21 bytes written
    EXPECT_EQ(count, 1);
}

TEST(PluginInfo, NameIsAlwaysTerminatedWithinItsBuffer) {
    char name[8], ext[32];
    int32_t count;
    memset(name, 'x', sizeof name);
    ASSERT_EQ(ivpGetPluginInfo(2, name, 5, ext, 0, &count), 1);
    EXPECT_STREQ(name, "Spoo");
    EXPECT_EQ(name[5], 'x');
    memset(name, 'x', sizeof name);
    ivpGetPluginInfo(2, name, 0, ext, 0, &count);
    EXPECT_EQ(name[0], 'x');
    EXPECT_EQ(ivpGetPluginInfo(2, nullptr, 10, ext, 0, &count), 1);
    EXPECT_EQ(ivpGetPluginInfo(2, name, 8, nullptr, 0, &count), 0);
    EXPECT_EQ(ivpGetPluginInfo(2, name, 8, ext, 0, nullptr), 0);
}

TEST(PluginSave, RefusesToSave) {
    EXPECT_EQ(ivpSavePictureIsSupported(5, 9, 8, 0), 1);
    EXPECT_EQ(ivpSavePictureIsSupported(0, 0, 32, 0), 1);
    EXPECT_EQ(ivpSavePictureIsSupported(0, 0, 7, 0), 0);
    EXPECT_EQ(ivpSavePictureIsSupported(0, 0, 24, 1), 0);
    EXPECT_EQ(ivpSavePictureIsSupported(0, 0, -8, 0), 0);
    EXPECT_EQ(ivpSavePictureInit(1, 2, 3, 4, 5, 6, 7, 8), nullptr);
    EXPECT_EQ(ivpSavePicturePutLine(nullptr, 0, nullptr), 0);
    ivpSavePictureExit(nullptr);
    EXPECT_EQ(ivpLoadPictureGetColormap(nullptr, nullptr), 0);
    ivpLoadPictureExit(nullptr);
}

class LoadPictureTest : public TempDirTest {
protected:
    std::string SampleJob(int pages = 3) {
        std::vector<Bytes> list;
        for (int i = 1; i <= pages; ++i) list.push_back(RecordSamplePage("", i));
        return Write("sample.spl", WrapInSpool(list));
    }
};

TEST_F(LoadPictureTest, SpoolJobBecomesAnA4PictureOfItsFirstPage) {
    void* context = ivpLoadPictureInit(SampleJob().c_str());
    ASSERT_NE(context, nullptr);
    // Only the first of three pages stays on disk.
    ASSERT_EQ(Files().size(), 2u);  // the page and the jobs folder
    Info info = GetInfo(context);
    ASSERT_EQ(info.result, 1);
    EXPECT_EQ(info.kind, 0);
    EXPECT_EQ(info.width, 1587);
    EXPECT_EQ(info.height, 2245);
    EXPECT_EQ(info.resolution, 96);
    EXPECT_EQ(info.bpp, 32);
    EXPECT_EQ(info.bytesPerLine, 1587 * 4);
    EXPECT_EQ(info.colormap, 0);
    EXPECT_STREQ(info.label, "Printer spool format");
    Pixels p = ReadPicture(context, info);
    EXPECT_EQ(p.at(20, 20), 0xFFFFFFu);
    // Red rectangle, blue ellipse, grey-ramp bitmap from red to cyan.
    EXPECT_GT(p.Share(Px(1800), Px(9200), Px(7400), Px(12800), 0xDC1E1E), 0.98);
    EXPECT_TRUE(Near(p.at(Px(12100), Px(11000)), 0x1E3CDC));
    EXPECT_TRUE(Near(p.at(Px(9100), Px(20500)), 0xFF0000, 60));
    EXPECT_TRUE(Near(p.at(Px(15100), Px(20500)), 0x00FFFF, 60));
    // The bold heading puts ink in its line and none above it.
    EXPECT_GT(1.0 - p.Share(Px(1600), Px(1650), Px(9000), Px(2200), 0xFFFFFF, 10), 0.15);
    EXPECT_EQ(p.Share(Px(1600), Px(1000), Px(9000), Px(1500), 0xFFFFFF, 0), 1.0);
    ivpLoadPictureExit(context);
    EXPECT_EQ(Files().size(), 1u);
}

TEST_F(LoadPictureTest, LineRequestsOutsideThePictureAreRefused) {
    void* context = ivpLoadPictureInit(SampleJob(1).c_str());
    ASSERT_NE(context, nullptr);
    std::vector<uint32_t> row(2000, 0xABCDEF);
    EXPECT_EQ(ivpLoadPictureGetLine(context, 0, row.data()), 0);  // before GetInfo
    Info info = GetInfo(context);
    ASSERT_EQ(info.result, 1);
    EXPECT_EQ(ivpLoadPictureGetLine(context, -1, row.data()), 0);
    EXPECT_EQ(ivpLoadPictureGetLine(context, info.height, row.data()), 0);
    EXPECT_EQ(ivpLoadPictureGetLine(context, 0, nullptr), 0);
    EXPECT_EQ(row[0], 0xABCDEFu);
    EXPECT_EQ(ivpLoadPictureGetLine(context, info.height - 1, row.data()), 1);
    EXPECT_EQ(row[info.width], 0xABCDEFu);  // exactly one row written
    EXPECT_EQ(ivpLoadPictureGetLine(nullptr, 0, row.data()), 0);
    // A second GetInfo renders afresh (the first bitmap is released).
    Info again = GetInfo(context, 5);
    EXPECT_EQ(again.result, 1);
    EXPECT_STREQ(again.label, "Prin");
    int32_t k, w, h, r, b, l, c;
    EXPECT_EQ(ivpLoadPictureGetInfo(context, &k, &w, &h, &r, &b, &l, nullptr, nullptr, 0), 0);
    EXPECT_EQ(ivpLoadPictureGetInfo(context, &k, &w, &h, &r, &b, &l, &c, nullptr, 10), 1);
    ivpLoadPictureExit(context);
}

TEST_F(LoadPictureTest, FilesWithoutPagesGiveNoPictureAndLeaveNothing) {
    EXPECT_EQ(ivpLoadPictureInit(Write("plain.txt", Bytes(200, 'a')).c_str()), nullptr);
    EXPECT_EQ(ivpLoadPictureInit((dir_ + "missing.spl").c_str()), nullptr);
    EXPECT_EQ(ivpLoadPictureInit(nullptr), nullptr);
    Bytes noPages = WrapInSpool({});
    EXPECT_EQ(ivpLoadPictureInit(Write("empty.spl", noPages).c_str()), nullptr);
    EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
}

TEST_F(LoadPictureTest, AFrameOfOtherProportionsIsThePicture) {
    // A metafile made for a picture of its own: a 100 mm square frame on the A4 reference
    // device. The picture is that square, not the device's page, and a circle inscribed in
    // the frame stays round.
    Bytes emf = Record(
        [](HDC dc) {
            SelectObject(dc, GetStockObject(BLACK_BRUSH));
            Ellipse(dc, 0, 0, 378, 378);
        },
        RECT{0, 0, 10000, 10000});
    Pixels p = LoadPicture(Write("square.spl", WrapInSpool({emf})));
    ASSERT_EQ(p.width, 755);
    ASSERT_EQ(p.height, 755);
    RECT box = InkBox(p, 100);
    EXPECT_NEAR(box.right - box.left, box.bottom - box.top, 4);
    EXPECT_NEAR(box.right - box.left, 755, 8);
    // A frame within a millimetre of the device is its page, to the hundredth of a millimetre.
    Bytes a4 = Record([](HDC dc) { Rectangle(dc, 10, 10, 20, 20); }, RECT{0, 0, 21010, 29700});
    Pixels page = LoadPicture(Write("a4.spl", WrapInSpool({a4})));
    EXPECT_EQ(page.width, 1588);
    EXPECT_EQ(page.height, 2245);
    // A smaller frame of the device's proportions (an application's drawing) leaves the device's page.
    Bytes inner = Record([](HDC dc) { Rectangle(dc, 10, 10, 20, 20); }, RECT{0, 0, 20500, 28993});
    const int32_t a4Millimetres[2] = {210, 297};  // the device, as a printer's would be
    std::memcpy(&inner[80], a4Millimetres, sizeof a4Millimetres);
    page = LoadPicture(Write("inner.spl", WrapInSpool({inner})));
    EXPECT_EQ(page.width, 1587);
    EXPECT_EQ(page.height, 2245);
    // A frame too large for a picture (3.2 x 4.1 m, portrait, on a 320 x 240 mm screen) keeps
    // its proportions at the device's size, and its circle stays round.
    Bytes huge = Record(
        [](HDC dc) {
            SelectObject(dc, GetStockObject(BLACK_BRUSH));
            Ellipse(dc, 0, 0, 12090, 12090);
        },
        RECT{0, 0, 320000, 410000});
    const int32_t screen[4] = {1209, 907, 320, 240};  // pixels, then millimetres
    std::memcpy(&huge[72], screen, sizeof screen);
    page = LoadPicture(Write("huge.spl", WrapInSpool({huge})));
    EXPECT_NEAR(page.height, 320 / 25.4 * 192, 2);
    EXPECT_NEAR(page.width * 410.0 / 320, page.height, 2);
    box = InkBox(page, 100);
    EXPECT_NEAR(box.right - box.left, box.bottom - box.top, 4);
    EXPECT_NEAR(box.right - box.left, page.width, 8);
}

TEST_F(LoadPictureTest, BadPageMetafilesFailCleanly) {
    Bytes page = RecordSamplePage("", 1);
    auto withMillimetres = [&](int32_t cx, int32_t cy) {
        Bytes b = page;
        memcpy(&b[80], &cx, 4);
        memcpy(&b[84], &cy, 4);
        return WrapInSpool({b});
    };
    struct Case {
        const char* what;
        Bytes job;
    } cases[] = {
        {"zero size", withMillimetres(0, 297)},
        {"negative size", withMillimetres(210, -297)},
        {"enormous size", withMillimetres(2000000, 2000000)},
        {"past the picture limit", withMillimetres(3000, 3000)},
        {"not a metafile", WrapInSpool({Bytes(200, 7)})},
        {"truncated header", WrapInSpool({Bytes(page.begin(), page.begin() + 60)})},
    };
    for (const Case& c : cases) {
        void* context = ivpLoadPictureInit(Write("bad.spl", c.job).c_str());
        ASSERT_NE(context, nullptr) << c.what;
        EXPECT_EQ(GetInfo(context).result, 0) << c.what;
        std::vector<uint32_t> row(4000);
        EXPECT_EQ(ivpLoadPictureGetLine(context, 0, row.data()), 0) << c.what;
        ivpLoadPictureExit(context);
    }
    // The page file vanishing between load and info.
    void* context = ivpLoadPictureInit(Write("ok.spl", WrapInSpool({page})).c_str());
    ASSERT_NE(context, nullptr);
    for (const auto& f : Files())
        if (f != "jobs") std::remove((dir_ + f).c_str());
    EXPECT_EQ(GetInfo(context).result, 0);
    ivpLoadPictureExit(context);
    EXPECT_EQ(Files(), std::vector<std::string>{"jobs"});
}

namespace {
// Three pages of each language the converters read.
std::vector<std::pair<std::string, Bytes>> ThreePageJobs() {
    std::vector<std::pair<std::string, Bytes>> jobs;
    std::vector<Bytes> emf;
    for (int i = 1; i <= 3; ++i) emf.push_back(RecordSamplePage("", i));
    jobs.emplace_back("job.spl", WrapInSpool(emf));
    std::string pcl =
        "\x1B"
        "Eone\fTwo\fThree\x1B"
        "E";
    jobs.emplace_back("job.pcl", Bytes(pcl.begin(), pcl.end()));
    std::string plot = "IN;SP1;PA0,0;PD1000,1000;PG;PA0,0;PD2000,0;PG;PA0,0;PD0,2000;";
    jobs.emplace_back("job.plt", Bytes(plot.begin(), plot.end()));
    jobs.emplace_back("job.pxl", MakePclXlJob(3));
    jobs.emplace_back("job.zjs",
                      MakeZjsJob({SamplePageImage(600, 800), SamplePageImage(600, 800), SamplePageImage(600, 800)}));
    return jobs;
}
}  // namespace

TEST_F(LoadPictureTest, AConversionAskedForOnePageStopsWithTheSameFirstPage) {
    for (const auto& [name, bytes] : ThreePageJobs()) {
        std::string path = Write(name, bytes);
        PageList all, first;
        ASSERT_TRUE(ConvertPrintJob(path.c_str(), all)) << name;
        ASSERT_EQ(all.size(), 3u) << name;
        ASSERT_TRUE(ConvertPrintJob(path.c_str(), first, 1)) << name;
        ASSERT_EQ(first.size(), 1u) << name;
        EXPECT_EQ(ReadFileBytes(first[0]), ReadFileBytes(all[0])) << name;
        PageList two;
        ASSERT_TRUE(ConvertPrintJob(path.c_str(), two, 2)) << name;
        EXPECT_EQ(two.size(), 2u) << name;
        DeletePageFiles(all);
        DeletePageFiles(first);
        DeletePageFiles(two);
        for (const std::string& f : Files()) EXPECT_EQ(f.find(".emf"), std::string::npos) << name << ": " << f;
    }
}

// A job held in memory, as an image loader holds it: pictured at any size, or told why not.
TEST_F(LoadPictureTest, AJobInMemoryIsPicturedAtAnySizeOrSaysWhyNot) {
    Bytes spool = ReadFileBytes(SPOOLSIGHT_EXAMPLE);
    Pixels whole;
    {
        void* context = ivpLoadPictureInit(SPOOLSIGHT_EXAMPLE);
        Info info = GetInfo(context);
        whole = ReadPicture(context, info);
        ivpLoadPictureExit(context);
    }
    {
        JobFirstPage page;
        JobFirstPage::Fault fault = JobFirstPage::Fault::None;
        std::string message;
        ASSERT_TRUE(page.Convert(spool.data(), spool.size(), fault, message)) << message;
        int32_t width = 0, height = 0;
        page.NaturalSize(width, height);
        EXPECT_EQ(width, 1587);
        EXPECT_EQ(height, 2245);
        // At its natural size, the plug-in's picture; smaller, the same page reduced.
        for (int32_t scale : {1, 3, 11}) {
            Pixels got;
            got.width = width / scale, got.height = height / scale;
            got.px.resize(static_cast<size_t>(got.width) * got.height);
            ASSERT_TRUE(page.Draw(
                got.width, got.height,
                [&](int32_t y, const uint8_t* rgba) {
                    for (int32_t x = 0; x < got.width; ++x) {
                        const uint8_t* p = rgba + static_cast<size_t>(x) * 4;
                        EXPECT_EQ(p[3], 0xFF);
                        got.px[static_cast<size_t>(y) * got.width + x] =
                            uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
                    }
                },
                fault, message));
            size_t differ = 0;
            for (int32_t y = 0; y < got.height; ++y)
                for (int32_t x = 0; x < got.width; ++x)
                    differ += !Near(got.at(x, y), whole.at(x * scale + scale / 2, y * scale + scale / 2), 200);
            EXPECT_LT(differ, got.px.size() / (scale == 1 ? 1000000 : 50)) << scale;
        }
        auto nothing = [](int32_t, const uint8_t*) {};
        EXPECT_FALSE(page.Draw(0, 10, nothing, fault, message));
        EXPECT_FALSE(page.Draw(20000, 20000, nothing, fault, message));
        EXPECT_EQ(fault, JobFirstPage::Fault::TooLarge);
        EXPECT_NE(message.find("at most 16384 a side"), std::string::npos) << message;
        EXPECT_EQ(Files().size(), 1u);  // the page file, while the page lives
    }
    struct Case {
        std::string bytes;
        JobFirstPage::Fault fault;
        std::string says;
    } cases[] = {
        {std::string("\x01\x02\x03 data\n", 9), JobFirstPage::Fault::NotAJob,
         "not a printer job in a language Spoolsight reads"},
        {"%!PS-Adobe-3.0\n", JobFirstPage::Fault::NotShown, "PostScript job: this language is not shown"},
        {"\x1B"
         "E\x1B"
         "E",
         JobFirstPage::Fault::NoPage, "PCL5 job: no page could be read"},
    };
    for (const Case& c : cases) {
        JobFirstPage page;
        JobFirstPage::Fault fault = JobFirstPage::Fault::None;
        std::string message;
        EXPECT_FALSE(page.Convert(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), fault, message));
        EXPECT_EQ(fault, c.fault) << c.says;
        EXPECT_EQ(message, c.says);
    }
    std::vector<std::string> left = Files();
    std::erase_if(left, [](const std::string& n) { return n.ends_with(".asm"); });
    EXPECT_EQ(left, std::vector<std::string>{});
}
