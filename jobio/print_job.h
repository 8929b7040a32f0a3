// The bytes of one printer job, mapped once and shared by the detector and
// the converter of its language.
#pragma once
#include "page_list.h"

#include <cstddef>
#include <cstdint>

struct PrintJob {
    const char* name = "";  // the job file's name, as traces quote it
    const uint8_t* data = nullptr;
    size_t size = 0;
    // Pages wanted: a converter may stop once it has finished this many.
    size_t pageLimit = SIZE_MAX;
    // The job-control header (PJL) before `data`, where the job's language starts past one.
    const uint8_t* header = nullptr;
    size_t headerSize = 0;
};

// What every language's converter does with a job: it writes one page metafile per page
// into the temporary directory and appends their paths to `pages`, first page first,
// stopping once it has finished `job.pageLimit` pages. A job it cannot read to the end
// yields the pages before the fault; a failure raised inside (out of memory) goes up to
// the caller. The result is true once the converter has run, whatever the job held: the
// pages tell what came out.
using PrintJobConverter = bool (*)(const PrintJob& job, PageList& pages);
