// Classifies a printer job by its first bytes and its PJL and EJL header
// lines, and, where those say nothing, by what follows its job-control header.
#pragma once
#include "job_formats.h"

#include <cstddef>
#include <cstdint>

enum PrinterLanguage : int {
    Unknown = 1,
    PostScript = 2,
    Pcl5 = 3,
    PclXl = 4,
    ZjStream = 5,
    Cgm = 6,
    EscP = 7,
    MagicCdCa = 8,
    Bjl = 9,
    EscPage = 10,
    Zimf = 11,
    Qpdl = 12,
    NtEmfSpool = 13,
};

struct DetectedJob {
    PrinterLanguage language = Unknown;
    JobFormat format = JobFormat::Unknown;
    size_t start = 0;  // for a plot: where its commands begin, past any job-control header
};

// A pure function of the bytes, reading nothing beyond data + size. The
// signature rules look at the first bytes, the header-line scan at the whole
// job, and the look past the job-control header at the first 64 KiB.
DetectedJob IdentifyPrintJob(const uint8_t* data, size_t size);
// The language code alone; every input yields one.
PrinterLanguage DetectPrinterLanguage(const uint8_t* data, size_t size);
