// libFuzzer target: arbitrary bytes as the JBIG file of a ZjStream page.
#include "fuzz_temp_dir.h"
#include "jbig_page.h"
#include "sample_job.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = FuzzTempDir("jbig");
    std::string jbig = dir + "page.jbg", page = dir + "page.emf";
    WriteFileBytes(jbig, Bytes(data, data + size));
    int built = BuildJbigPage(page.c_str(), jbig.c_str(), static_cast<int32_t>(size % 120), 600);
    if (built != std::filesystem::exists(page)) std::abort();
    std::remove(page.c_str());
    std::remove(jbig.c_str());
    return 0;
}
