// libFuzzer target: the language detector on arbitrary bytes, its signature
// and header rules and its look past the job-control header.
#include "language_detector.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DetectedJob job = IdentifyPrintJob(data, size);
    if (job.language < Unknown || job.language > NtEmfSpool || job.start > size) std::abort();
    if (JobFormatName(job.format) == nullptr) std::abort();
    // A plot is read from where its commands begin.
    if (job.format == JobFormat::HpglPlot && job.start >= size) std::abort();
    return 0;
}
