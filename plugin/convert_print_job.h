// Turns one printer job file into page metafiles in the temporary directory.
#pragma once
#include "job_formats.h"
#include "job_problems.h"
#include "page_list.h"

#include <cstdint>

// False when the file cannot be opened or mapped, or a failure was raised
// while converting; true otherwise, also when no page came out. With a page
// limit the conversion stops after that many pages, whose files are those a
// whole conversion gives. What could not be read or drawn goes into `problems`. A language
// other than Unknown is the job's, whatever the detector would find.
bool ConvertPrintJob(const char* fileName, PageList& pages, size_t pageLimit = SIZE_MAX,
                     JobProblems* problems = nullptr, JobFormat language = JobFormat::Unknown);
// The same for a job held in memory (a viewer's buffer); `name` only names it in traces.
bool ConvertPrintJobBytes(const char* name, const uint8_t* data, size_t size, PageList& pages,
                          size_t pageLimit = SIZE_MAX, JobProblems* problems = nullptr,
                          JobFormat language = JobFormat::Unknown);
