// libFuzzer target: PCL XL streams, through the reader, the attribute step
// and every operator onto page metafiles.
#include "pclxl_stream.h"
#include "sample_job.h"

#include "kernel.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string dir = [] {
        char pattern[] = "/tmp/spoolsight-fuzz-pclxl-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        setenv("TMPDIR", pattern, 1);
        return std::string(pattern) + "/";
    }();
    PageList pages;
    ReadPclXlJob(PrintJob{"fuzz.pxl", data, size}, dir.c_str(), pages);
    for (const std::string& p : pages) DeleteFileA(p.c_str());
    return 0;
}
