// The plug-in called from many threads at once, as multi-threaded viewers and thumbnailers
// call it: every picture is the one the job gives when loaded alone.
#include "pclxl_job.h"
#include "spoolsight_plugin.h"
#include "test_support.h"
#include "zjs_job.h"

#include <atomic>
#include <thread>

namespace {
struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> px;
    bool operator==(const Picture&) const = default;
};

// A job loaded through the exports as a viewer loads it; an empty picture when it gives none.
Picture LoadThroughExports(const std::string& path) {
    Picture p;
    void* context = ivpLoadPictureInit(path.c_str());
    if (!context) return p;
    int32_t kind, resolution, bpp, bytesPerLine, colormap;
    char label[32];
    if (ivpLoadPictureGetInfo(context, &kind, &p.width, &p.height, &resolution, &bpp, &bytesPerLine, &colormap, label,
                              sizeof label) == 1) {
        p.px.resize(static_cast<size_t>(p.width) * p.height);
        for (int32_t y = 0; y < p.height; ++y)
            if (ivpLoadPictureGetLine(context, y, &p.px[static_cast<size_t>(y) * p.width]) != 1) p.px.clear();
    }
    ivpLoadPictureExit(context);
    return p;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// PCL5 with text in two fonts, a shaded rectangle, a raster image and an HP-GL/2 plot.
Bytes Pcl5Job() {
    std::string job =
        "\x1B%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=PCL\r\n\x1B"
        "E\x1B&l26A\x1B&a5R\x1B(s1p14v4148THello from many threads\r\n"
        "\x1B(s0p10h3TCourier text, line two\x1B*p300x600Y\x1B*c600a300b20g2P"
        "\x1B*p300x1000Y\x1B*t150R\x1B*r1A";
    for (int row = 0; row < 40; ++row)
        job += "\x1B*b4W" + std::string(row % 2 ? "\xF0\x0F\xF0\x0F" : "\x0F\xF0\x0F\xF0");
    job +=
        "\x1B*rB\x1B%0BINSP1PA2000,3000PD5000,3000,5000,6000CI800LBPlot\x03\x1B%0A\x0C\x1B"
        "E\x1B%-12345X";
    return Text(job);
}

// An HP-GL/2 plot file with pens, a polygon fill and a label.
Bytes HpglPlot() {
    return Text(
        "IN;SP1;PU1000,1000;PD9000,1000,9000,7000,1000,7000,1000,1000;SP2;PA5000,4000;CI2000;"
        "PM0;PA2000,2000;PD3000,2000,3000,3000;PM2;FP;SP3;PU1500,6000;SI0.5,0.8;LBThreads\x03;SP0;");
}
}  // namespace

class PluginThreads : public TempDirTest {};

TEST_F(PluginThreads, JobsOfEveryLanguageLoadedFromEightThreadsAtOnce) {
    BiLevelImage zjsPage = SamplePageImage(4800, 6600);
    const std::vector<std::string> jobs = {
        Write("job.pcl", Pcl5Job()),
        Write("job.pxl", MakePclXlJob(2)),
        Write("plot.hpgl", HpglPlot()),
        SPOOLSIGHT_EXAMPLE,
        Write("job.zjs", MakeZjsJob({zjsPage, zjsPage})),
    };
    std::vector<Picture> alone;
    for (const std::string& job : jobs) {
        alone.push_back(LoadThroughExports(job));
        ASSERT_FALSE(alone.back().px.empty()) << job;
    }
    // Each thread goes through every job, the threads starting at different ones, twice over.
    constexpr int kThreads = 8, kRounds = 2;
    std::atomic<int> same{0};
    std::vector<std::string> faults(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (size_t k = 0; k < jobs.size() * kRounds; ++k) {
                size_t j = (t + k) % jobs.size();
                if (LoadThroughExports(jobs[j]) == alone[j]) ++same;
                else faults[t] += jobs[j] + " differs; ";
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(same, kThreads * kRounds * static_cast<int>(jobs.size()));
    for (const std::string& f : faults) EXPECT_EQ(f, "");
    // Every page file was removed, whichever thread made it.
    std::vector<std::string> left = Files();
    std::erase_if(left, [](const std::string& name) { return name == "jobs" || name.ends_with(".asm"); });
    EXPECT_EQ(left, std::vector<std::string>{});
}
