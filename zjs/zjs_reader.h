// Walks a ZjStream job: chunks and items are traced, each page's JBIG data
// gathered into a temporary file and built into a page metafile.
#pragma once
#include "page_list.h"
#include "print_job.h"

// The ZjStream converter (a PrintJobConverter).
bool ConvertZjsJob(const PrintJob& job, PageList& pages);

class ZjsReader {
public:
    // 1 when the walk ran to its end, -1 when it stopped on an error. Pages
    // made before an error stay in `pages`; no temporary file is left.
    int Walk(const char* tempDir, PageList& pages, const PrintJob& job);
};
