// Row compressions of printer raster data.
#include "raster_rows.h"

#include <algorithm>
#include <cstring>

void DecodeRunLength(const uint8_t* data, size_t n, uint8_t* row, size_t rowLength) {
    size_t out = 0;
    for (size_t in = 0; in + 1 < n && out < rowLength; in += 2) {
        size_t run = std::min<size_t>(data[in] + 1u, rowLength - out);
        std::memset(row + out, data[in + 1], run);
        out += run;
    }
    std::memset(row + out, 0, rowLength - out);
}

size_t UnpackBits(const uint8_t* data, size_t n, uint8_t* out, size_t capacity) {
    size_t in = 0, at = 0;
    while (in < n && at < capacity) {
        uint8_t c = data[in++];
        if (c < 128) {
            size_t run = std::min<size_t>(c + 1u, n - in);
            size_t fit = std::min(run, capacity - at);
            std::memcpy(out + at, data + in, fit);
            at += fit;
            in += run;
        } else if (c > 128) {
            if (in >= n) break;
            uint8_t v = data[in++];
            size_t run = std::min<size_t>(257u - c, capacity - at);
            std::memset(out + at, v, run);
            at += run;
        }
    }
    return at;
}

void DecodePackBits(const uint8_t* data, size_t n, uint8_t* row, size_t rowLength) {
    size_t out = UnpackBits(data, n, row, rowLength);
    std::memset(row + out, 0, rowLength - out);
}

void DecodeDeltaRow(const uint8_t* data, size_t n, uint8_t* row, size_t rowLength) {
    size_t in = 0, p = 0;
    while (in < n) {
        uint8_t command = data[in++];
        size_t count = (command >> 5) + 1u, offset = command & 31u;
        if (offset == 31) {
            // Offsets saturate at the row's end rather than wrapping.
            while (in < n) {
                uint8_t more = data[in++];
                offset = std::min(offset + more, rowLength + 1);
                if (more != 255) break;
            }
        }
        count = std::min(count, n - in);
        p = std::min(p + offset, rowLength);
        if (p >= rowLength) return;
        size_t fit = std::min(count, rowLength - p);
        std::memcpy(row + p, data + in, fit);
        p += fit;
        in += count;
    }
}

namespace {
// A field with its extension bytes: each 255 adds on and another byte follows; bounded by `limit`.
size_t extended(const uint8_t* data, size_t n, size_t& in, size_t value, size_t max, size_t limit) {
    if (value != max) return value;
    while (in < n) {
        uint8_t more = data[in++];
        value = std::min(value + more, limit);
        if (more != 255) break;
    }
    return value;
}
}  // namespace

void DecodeReplacementDeltaRow(const uint8_t* data, size_t n, uint8_t* row, size_t rowLength) {
    size_t in = 0, p = 0;
    while (in < n) {
        uint8_t command = data[in++];
        if (command & 0x80) {
            // A run: offset in bits 5-6, count less 2 in bits 0-4, then the byte repeated.
            size_t offset = extended(data, n, in, (command >> 5) & 3u, 3, rowLength + 1);
            size_t count = extended(data, n, in, command & 31u, 31, rowLength) + 2;
            if (in >= n) return;
            uint8_t v = data[in++];
            p = std::min(p + offset, rowLength);
            size_t fit = std::min(count, rowLength - p);
            std::memset(row + p, v, fit);
            p += fit;
        } else {
            // Literal bytes: offset in bits 3-6, count less 1 in bits 0-2.
            size_t offset = extended(data, n, in, (command >> 3) & 15u, 15, rowLength + 1);
            size_t count = extended(data, n, in, command & 7u, 7, rowLength) + 1;
            count = std::min(count, n - in);
            p = std::min(p + offset, rowLength);
            size_t fit = std::min(count, rowLength - p);
            std::memcpy(row + p, data + in, fit);
            p += fit;
            in += count;
        }
        if (p >= rowLength) return;
    }
}
