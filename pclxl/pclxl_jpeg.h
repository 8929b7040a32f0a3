// JPEG-compressed image blocks, decoded with libjpeg.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct JpegImage {
    int32_t width = 0, height = 0, components = 0;  // 1 grey or 3 RGB
    std::vector<uint8_t> pixels;                    // rows of width * components bytes
};

// False when the data are no JPEG image or it would take more than `maxBytes`.
bool DecodeJpeg(const uint8_t* data, size_t size, size_t maxBytes, JpegImage& out);
