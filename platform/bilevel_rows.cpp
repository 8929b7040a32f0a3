// A 1-bit DIB's rows as Cairo's A1 rows: stencils for documents and masks for pictures are
// made straight from them, without a copy in 32-bit pixels.
#include "gdi_internal.h"

namespace gdi {
namespace {
// A DIB's byte of eight pixels as an A1 byte (the first pixel in the low bit, on machines
// that store words low byte first), set where each pixel's index is set in `setIndex`.
uint8_t a1Byte(uint8_t dib, const bool setIndex[2]) {
    uint8_t reversed = 0;
    for (int k = 0; k < 8; ++k) reversed |= static_cast<uint8_t>(((dib >> (7 - k)) & 1) << k);
    if (setIndex[0] == setIndex[1]) return setIndex[0] ? 0xFF : 0;
    return setIndex[1] ? reversed : static_cast<uint8_t>(~reversed);
}
}  // namespace

bool BilevelRowsToA1(const BilevelRows& src, int width, int height, uint32_t set, uint8_t* out, size_t stride) {
    if (__BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__ || width <= 0 || height <= 0) return false;
    bool setIndex[2];
    for (int i = 0; i < 2; ++i) {
        uint32_t c = src.colors[i] & 0xFFFFFF;
        if (c != 0 && c != 0xFFFFFF) return false;
        setIndex[i] = c == set;
    }
    uint8_t table[256];
    for (int b = 0; b < 256; ++b) table[b] = a1Byte(static_cast<uint8_t>(b), setIndex);
    size_t whole = static_cast<size_t>(width) / 8;
    auto lastMask = static_cast<uint8_t>((1u << (width % 8)) - 1);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = src.bits + static_cast<size_t>(src.bottomUp ? height - 1 - y : y) * src.stride;
        uint8_t* row = out + static_cast<size_t>(y) * stride;
        for (size_t k = 0; k < whole; ++k) row[k] = table[in[k]];
        if (lastMask) row[whole] = table[in[whole]] & lastMask;
    }
    return true;
}
}  // namespace gdi
