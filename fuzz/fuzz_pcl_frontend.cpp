// libFuzzer target: the PCL5 job driver, PJL reader and tokenizer, with a
// renderer that reads every byte it is handed.
#include "fuzz_temp_dir.h"
#include "pcl_job_driver.h"
#include "sample_job.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
class TouchingRenderer : public PclRenderer {
public:
    unsigned sum = 0;
    void Dispatch(const PclCommand& c, const PclArgs& a) override {
        sum += static_cast<unsigned>(c.parameter + c.group + a.terminator);
        if (a.count < 0) std::abort();
        for (int32_t i = 0; a.data && i < a.count; ++i) sum += a.data[i];
    }
    void EnterPcl() override {}
    void EnterHpgl(double) override {}
    void SelectFontById(bool, double) override {}
    void SelectDefaultFont(bool, int32_t v) override { sum += static_cast<unsigned>(v); }
    void SelectSymbolSet(bool, int32_t number, uint8_t letter) override {
        sum += static_cast<unsigned>(number) + letter;
    }
    void DispatchHpgl(const char*, const uint8_t* params, size_t length, bool) override {
        for (size_t i = 0; i < length; ++i) sum += params[i];
    }
    void Character(uint8_t b) override { sum += b; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = FuzzTempDir("pcl");
    TouchingRenderer renderer;
    PclPageSize pageSize;
    RunPclJob(PrintJob{"fuzz.pcl", data, size}, dir.c_str(), renderer, pageSize);
    return 0;
}
