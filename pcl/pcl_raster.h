// PCL5 raster images: rows collected (decompressed) between start and end,
// then painted at the cursor as one bitmap scaled from the raster resolution.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Largest image held: 65536 pixels a row and 256 MiB in all.
constexpr int64_t kMaxRasterWidth = 65536;
constexpr int64_t kMaxRasterBytes = 256ll * 1024 * 1024;

struct RasterJob {
    std::vector<uint8_t> image;  // rows back to back, each `rowLength` bytes
    int64_t rowCount = 0;
    // Fixed by the first row.
    bool configured = false;
    int64_t width = 0, rowLength = 0;
    int32_t encodingMode = 3, bitsPerIndex = 1, bitsPerPrimary = 8;  // bits per index 0 counts as 1
};

void StartRaster();
void TransferRasterRow(const uint8_t* data, int32_t length);
bool EndRaster();
// Raster Y offset: blank rows within the image.
void SkipRasterRows(int32_t rows);
void DiscardRaster();

// Row decoders: they write only inside the row and read only inside the data.
void DecodePackBits(const uint8_t* data, size_t length, uint8_t* row, size_t rowLength);
void DecodeDeltaRow(const uint8_t* data, size_t length, uint8_t* row, size_t rowLength);
