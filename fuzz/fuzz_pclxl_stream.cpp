// libFuzzer target: PCL XL streams, through the reader, the attribute step
// and every operator onto page metafiles.
#include "fuzz_temp_dir.h"
#include "pclxl_stream.h"
#include "sample_job.h"

#include "kernel.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PageList pages;
    ReadPclXlJob(PrintJob{"fuzz.pxl", data, size}, FuzzTempDir("pclxl").c_str(), pages);
    DeletePageFiles(pages);
    return 0;
}
