// Walks an NT EMF spool file and writes each page's metafile out unchanged.
#pragma once
#include "page_list.h"
#include "print_job.h"

class SpoolReader {
public:
    // True when the file carries the spool signature and was walked; each
    // page written is appended to `pages` as it is made.
    bool Walk(const PrintJob& job, PageList& pages);
};
