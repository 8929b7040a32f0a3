// The plug-in called from many threads at once, as multi-threaded viewers and thumbnailers
// call it: every picture is the one the job gives when loaded alone.
#include "spoolsight_plugin.h"
#include "test_support.h"

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

}  // namespace

class PluginThreads : public TempDirTest {};

TEST_F(PluginThreads, JobsOfEveryLanguageLoadedFromEightThreadsAtOnce) {
    std::vector<std::string> jobs;
    for (const auto& [name, bytes] : JobsOfEachLanguage()) jobs.push_back(Write(name, bytes));
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
