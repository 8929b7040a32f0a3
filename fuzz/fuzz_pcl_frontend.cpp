// libFuzzer target: the PCL5 job driver, PJL reader and tokenizer, with a
// renderer that reads every byte it is handed.
#include "pcl_job_driver.h"
#include "sample_job.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
class TouchingRenderer : public PclRenderer {
public:
    unsigned sum = 0;
    void Dispatch(uint8_t p, uint8_t g, uint8_t t, const uint8_t* data, int32_t count, double) override {
        sum += p + g + t;
        if (count < 0) std::abort();
        for (int32_t i = 0; data && i <= count; ++i) sum += data[i];
    }
    void EnterPcl() override {}
    void EnterHpgl(double) override {}
    void SelectFontById(double) override {}
    void SelectSymbolSet(const char* text) override { sum += static_cast<unsigned>(text[0]); }
    void DispatchHpgl(const char*, const uint8_t* params, size_t left) override {
        if (left > 1) sum += params[0];
    }
    void Character(uint8_t b) override { sum += b; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string dir = [] {
        char pattern[] = "/tmp/spoolsight-fuzz-pcl-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        return std::string(pattern) + "/";
    }();
    TouchingRenderer renderer;
    PclPageSize pageSize;
    RunPclJob(PrintJob{"fuzz.pcl", data, size}, dir.c_str(), renderer, pageSize);
    return 0;
}
