// What a job shows once its job-control header is passed: the detector's
// second look, for the jobs the signature and header-line rules leave
// unrecognised.
#pragma once
#include "job_formats.h"

#include <cstddef>
#include <cstdint>

// The evidence looks at the first 64 KiB of a job, and never further: real
// job-control headers are a few kilobytes at most.
constexpr size_t kEvidenceWindow = 64 * 1024;

struct JobEvidence {
    JobFormat format = JobFormat::Unknown;
    size_t start = 0;  // where the language's own data begins, past the job-control header
};

// Passes over padding, universal exits, PJL and EJL lines and plotter
// device-control sequences, and names the language of what follows: a
// language a PJL line enters by a name the header rules do not know, a PCL XL
// stream header, a ZjStream signature, a PCL5 escape sequence, an HP-GL plot,
// or the signature of a document format.
JobEvidence FindJobEvidence(const uint8_t* data, size_t size);
