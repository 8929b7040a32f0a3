// Row compressions of printer raster data, shared by PCL5 raster graphics and PCL XL
// images. The decoders write only inside the row and read only inside the data.
#pragma once
#include <cstddef>
#include <cstdint>

// PackBits: a count n below 128 copies the next n + 1 bytes, one above repeats the next byte
// 257 - n times, 128 does nothing. Returns the bytes written, at most `capacity`.
size_t UnpackBits(const uint8_t* data, size_t length, uint8_t* out, size_t capacity);

// Unencoded, run-length and PackBits rows replace the row (zero past the data); delta rows
// change the seed row in place.
void DecodeRunLength(const uint8_t* data, size_t length, uint8_t* row, size_t rowLength);
void DecodePackBits(const uint8_t* data, size_t length, uint8_t* row, size_t rowLength);
void DecodeDeltaRow(const uint8_t* data, size_t length, uint8_t* row, size_t rowLength);
void DecodeReplacementDeltaRow(const uint8_t* data, size_t length, uint8_t* row, size_t rowLength);

// HP inkjet drivers' colour method (10): 24-bit pixels, red, green and blue, three bytes each,
// changed in place against the seed row. Each command copies pixels from the seed, then
// writes a run of one pixel or a string of pixels, taken new (in full or as a small change from
// the pixel above), from the left, from above right or from the last new pixel. `pixels` is the
// row's width.
void DecodeInkjetRgb(const uint8_t* data, size_t length, uint8_t* row, size_t pixels);
