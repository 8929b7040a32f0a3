// Writes a 32-bit BGRx picture as a PNG file: 8-bit RGB, or 8-bit palette indices when it has
// at most 256 colours.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// The picture's row y (width * 4 bytes, top row first), or null when it cannot be had. A
// source that has to copy the row puts it into `scratch` (width * 4 bytes, one per thread).
// It is called from several threads at once, each with rows of its own.
using PictureRows = std::function<const uint8_t*(int32_t y, uint8_t* scratch)>;

// `threads` bands of rows are compressed at once (0: one per core); an error is told in
// `error`, and no partial regular file is left behind. A resolution above 0 is written in.
bool WritePng(const std::string& path, int32_t width, int32_t height, const PictureRows& rows, std::string& error,
              unsigned threads = 0, int32_t dotsPerInch = 0);
