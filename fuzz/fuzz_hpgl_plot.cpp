// libFuzzer target: HP-GL/2 plots, through the section reader, the dispatcher
// and every handler onto page metafiles.
#include "pcl_converter.h"
#include "sample_job.h"

#include "kernel.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::string dir = [] {
        char pattern[] = "/tmp/spoolsight-fuzz-hpgl-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        setenv("TMPDIR", pattern, 1);
        return std::string(pattern) + "/";
    }();
    PageList pages;
    ConvertHpglPlotFile(PrintJob{"fuzz.hpgl", data, size}, pages);
    for (const std::string& p : pages) DeleteFileA(p.c_str());
    return 0;
}
