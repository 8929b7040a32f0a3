// Turns one ZjStream page, its JBIG image in a temporary file, into a page metafile.
#pragma once
#include <cstdint>

// Page size in 1/80 mm for a ZjStream paper code (9 and unknown codes: A4).
void ZjsPaperSize(int32_t paperCode, int32_t& width, int32_t& height);

#include <string>
#include <vector>

// Decodes the JBIG file and records the page at `metafilePath` (a name the
// caller has claimed). 1 when the page was written; 0 otherwise, and then no
// file is left at `metafilePath`.
int BuildJbigPage(const char* metafilePath, const char* jbigPath, int32_t paperCode, int32_t resolution);

// One colour plane of a page: its JBIG file and the colour of its toner
// (0x00BBGGRR).
struct JbigPlane {
    std::string path;
    uint32_t ink;
};
// A page of several planes, printed over each other as toners are: each
// plane's set pixels take its ink, and overlapping inks combine (cyan over
// yellow gives green). Planes that cannot be decoded are left out; the page
// fails when none can.
int BuildJbigColourPage(const char* metafilePath, const std::vector<JbigPlane>& planes, int32_t paperCode,
                        int32_t resolution);
