// CCITT Group 4 (T.6) coding of black-and-white images, as PDF's CCITTFaxDecode filter reads
// it with K -1: printers' raster pages become a tenth of their Flate size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gdi {
// The G4 code of an image in Cairo's A1 layout (rows `stride` bytes apart, pixels packed in
// native 32-bit words): set pixels are coded black, the rest white. The rows end with the
// end-of-facsimile-block mark. Empty for an image without rows or columns.
std::string EncodeFaxG4(const uint8_t* rows, size_t stride, int width, int height);
}  // namespace gdi
