// Writes a 32-bit BGRx picture (rows as PictureRows give them) as a Netpbm, TIFF or JPEG file;
// an error is told in `error`, and no partial regular file is left behind.
#pragma once
#include "png_writer.h"

// The grey of a BGRx pixel, as a black-and-white printer weighs its colours.
inline int GreyOf(const uint8_t* bgr) { return (bgr[2] * 77 + bgr[1] * 150 + bgr[0] * 29) >> 8; }
// Whether that grey prints black on a printer of black and white only.
inline bool PrintsBlack(int grey) { return grey < 128; }

// A binary PBM (black where darker than mid-grey), PGM or PPM file.
enum class NetpbmKind { Bitmap, Greymap, Pixmap };
bool WriteNetpbm(const std::string& path, NetpbmKind kind, int32_t width, int32_t height, const PictureRows& rows,
                 std::string& error);

// A TIFF file of 8-bit RGB, Deflate-compressed strips, with its resolution when above 0.
bool WriteTiff(const std::string& path, int32_t width, int32_t height, const PictureRows& rows, std::string& error,
               int32_t dotsPerInch = 0);

// A baseline JPEG file of quality 90, with its resolution when above 0.
bool WriteJpeg(const std::string& path, int32_t width, int32_t height, const PictureRows& rows, std::string& error,
               int32_t dotsPerInch = 0);
