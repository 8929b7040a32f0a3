// Builds ZjStream jobs around bi-level page images, JBIG-encoded with
// JBIG-KIT, for the example generator, tests, benchmarks and fuzz seeds.
#pragma once
#include "sample_job.h"

#include <cstdint>
#include <vector>

struct BiLevelImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rows;  // ceil(width / 8) bytes a row, top row first, 1 = black
    void Set(int x, int y) { rows[static_cast<size_t>(y) * Stride() + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); }
    bool Get(int x, int y) const { return rows[static_cast<size_t>(y) * Stride() + x / 8] & (0x80 >> (x % 8)); }
    size_t Stride() const { return (static_cast<size_t>(width) + 7) / 8; }
    static BiLevelImage Blank(int width, int height);
};

// JBIG1 image entity of the image's rows from `firstRow` (all of them when
// `rows` is negative): the 20-byte header followed by the data.
Bytes EncodeJbig(const BiLevelImage& image, int firstRow = 0, int rows = -1);

struct ZjsJobOptions {
    bool bigEndian = true;  // "JZJZ", else "ZJZJ"
    int32_t paperCode = 9;
    int32_t resolution = 600;
    int bandRows = 0;  // above 0: each page in bands of this many rows, as Color LaserJet 2600 printers take it
};
Bytes MakeZjsJob(const std::vector<BiLevelImage>& pages, const ZjsJobOptions& options = {});

// A test page: a frame, a filled block and a diagonal.
BiLevelImage SamplePageImage(int width, int height);
