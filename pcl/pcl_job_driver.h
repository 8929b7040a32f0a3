// Walks a PCL5 job once: PJL blocks to the PJL reader, escape sequences to
// the tokenizer, every other byte to the renderer's character handler, all
// of it traced into the job's dump.
#pragma once
#include "pcl_tokenizer.h"
#include "print_job.h"

#include <cstdint>
#include <string>

// Page size settings a PJL block may carry, in page units (1/80 mm), portrait.
struct PclPageSize {
    int32_t length = 0, width = 0;
    bool landscape = false;  // ORIENTATION=LANDSCAPE
};

// Reads one PJL block: PAPER (a paper name) sets both sides; else PAPERLENGTH
// (or else PAPERWIDTH), doubled, replaces one side when it is a sensible size;
// ORIENTATION sets the orientation.
void ReadPjlBlock(const char* text, size_t length, PclPageSize& size);

// Largest page a PJL block may set: 10 m.
constexpr int32_t kMaxPjlPageUnits = 800000;

// Walks the job to the end of its data. The dump goes to "<traceDir>/out.asm"
// (replacing an earlier dump of ours, never following a link, mode 0600) and
// stays there; when it cannot be created the job is walked without it.
// A `plotFile` is read as HP-GL/2 from its first byte. The renderer hears of
// every PJL block that sets `pageSize`.
void RunPclJob(const PrintJob& job, const char* traceDir, PclRenderer& renderer, PclPageSize& pageSize,
               bool plotFile = false);

// Runs a macro's bytes: escape sequences and characters, without PJL or a dump.
void RunPclMacro(const uint8_t* data, size_t size, PclRenderer& renderer);
