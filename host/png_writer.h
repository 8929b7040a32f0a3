// Writes a 32-bit BGRx picture as an 8-bit RGB PNG file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> bgrx;  // width * 4 bytes a row, top row first
};

bool WritePng(const std::string& path, const Picture& picture, std::string& error);
