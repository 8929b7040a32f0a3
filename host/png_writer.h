// Writes a 32-bit BGRx picture as an 8-bit RGB PNG file, row by row.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// The picture's row y (width * 4 bytes, top row first), or null when it cannot be had.
using PictureRows = std::function<const uint8_t*(int32_t y)>;

bool WritePng(const std::string& path, int32_t width, int32_t height, const PictureRows& rows, std::string& error);
