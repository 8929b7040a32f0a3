// libFuzzer target: HP-GL/2 plots, through the section reader, the dispatcher
// and every handler onto page metafiles.
#include "fuzz_temp_dir.h"
#include "pcl_converter.h"
#include "sample_job.h"

#include "kernel.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzTempDir("hpgl");
    PageList pages;
    ConvertHpglPlotFile(PrintJob{"fuzz.hpgl", data, size}, pages);
    DeletePageFiles(pages);
    return 0;
}
