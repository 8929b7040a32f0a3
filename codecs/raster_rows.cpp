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

namespace {
// A pixel sent whole: 23 bits, red and green of 8, blue of 7 (its lowest bit repeats its
// next); or, with the top bit set, a change of -16 to 15 to each of red, green and blue (in
// steps of two) from the pixel above.
bool inkjetPixel(const uint8_t* data, size_t n, size_t& in, const uint8_t* above, uint8_t* out) {
    if (in >= n) return false;
    if (data[in] & 0x80) {
        if (n - in < 2) return false;
        unsigned v = static_cast<unsigned>(data[in] << 8 | data[in + 1]);
        in += 2;
        auto change = [](unsigned bits) { return static_cast<int>(bits & 31u) - (bits & 16u ? 32 : 0); };
        out[0] = static_cast<uint8_t>(above[0] + change(v >> 10));
        out[1] = static_cast<uint8_t>(above[1] + change(v >> 5));
        out[2] = static_cast<uint8_t>(above[2] + 2 * change(v));
        return true;
    }
    if (n - in < 3) return false;
    uint32_t v = static_cast<uint32_t>(data[in]) << 16 | static_cast<uint32_t>(data[in + 1]) << 8 | data[in + 2];
    in += 3;
    out[0] = static_cast<uint8_t>(v >> 15);
    out[1] = static_cast<uint8_t>(v >> 7);
    out[2] = static_cast<uint8_t>((v & 127u) << 1 | (v & 1u));
    return true;
}
}  // namespace

void DecodeInkjetRgb(const uint8_t* data, size_t n, uint8_t* row, size_t pixels) {
    static const uint8_t white[3] = {255, 255, 255};
    // The row holds the seed until each pixel is written, left to right: the pixel above and
    // the one above right are still the seed's.
    auto above = [&](size_t x) { return x < pixels ? row + 3 * x : white; };
    uint8_t cache[3] = {255, 255, 255}, pixel[3];
    size_t in = 0, x = 0;
    while (in < n && x < pixels) {
        uint8_t command = data[in++];
        bool run = command & 0x80;
        unsigned source = (command >> 5) & 3u;
        x = std::min(x + extended(data, n, in, (command >> 3) & 3u, 3, pixels + 1), pixels);
        switch (source) {
        case 0:
            if (!inkjetPixel(data, n, in, above(x), pixel)) return;
            std::memcpy(cache, pixel, 3);
            break;
        case 1: std::memcpy(pixel, x > 0 ? row + 3 * (x - 1) : white, 3); break;
        case 2: std::memcpy(pixel, above(x + 1), 3); break;
        default: std::memcpy(pixel, cache, 3); break;
        }
        size_t count = extended(data, n, in, command & 7u, 7, pixels) + (run ? 2 : 1);
        if (run) {
            for (size_t end = std::min(x + count, pixels); x < end; ++x) std::memcpy(row + 3 * x, pixel, 3);
            continue;
        }
        // A string: the first pixel, then new pixels one by one.
        for (size_t i = 0; i < count && x < pixels; ++i, ++x) {
            if (i > 0) {
                if (!inkjetPixel(data, n, in, above(x), pixel)) return;
                std::memcpy(cache, pixel, 3);
            }
            std::memcpy(row + 3 * x, pixel, 3);
        }
    }
}
