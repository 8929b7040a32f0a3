// The plug-in called from many threads at once, as multi-threaded viewers and thumbnailers
// call it: every picture is the one the job gives when loaded alone.
#include "test_support.h"

#include <atomic>
#include <thread>

namespace {
bool Same(const Pixels& a, const Pixels& b) { return a.width == b.width && a.height == b.height && a.px == b.px; }
}  // namespace

class PluginThreads : public TempDirTest {};

TEST_F(PluginThreads, JobsOfEveryLanguageLoadedFromEightThreadsAtOnce) {
    std::vector<std::string> jobs;
    for (const auto& [name, bytes] : JobsOfEachLanguage()) jobs.push_back(Write(name, bytes));
    std::vector<Pixels> alone;
    for (const std::string& job : jobs) {
        alone.push_back(PictureThroughExports(job));
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
                if (Same(PictureThroughExports(jobs[j]), alone[j])) ++same;
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
