// libFuzzer target: a job file through ConvertPrintJob (detector, spool walker,
// ZjStream reader and JBIG pages) and through DescribePrintJob (the readers of
// PJL lines, DEVMODEs, ZjStream items and PCL XL sessions); every page written
// must be listed and nothing else left behind.
#include "convert_print_job.h"
#include "fuzz_temp_dir.h"
#include "job_info.h"
#include "sample_job.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& dir = FuzzTempDir("job");
    std::string job = dir + "fuzz.job";
    WriteFileBytes(job, Bytes(data, data + size));
    PageList pages;
    ConvertPrintJob(job.c_str(), pages);
    for (const std::string& page : pages)
        if (!std::filesystem::exists(page)) std::abort();
    DeletePageFiles(pages);
    JobInfo info;
    if (DescribePrintJob(job.c_str(), info) && JobInfoJson("job", info).empty()) std::abort();
    // Only the PCL5 dump may stay behind.
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() != ".asm" && e.path() != job) std::abort();
    std::remove(job.c_str());
    return 0;
}
