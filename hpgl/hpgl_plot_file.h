// Files that hold HP-GL/2 alone, with no PCL5 or PJL around it.
#pragma once
#include <cstddef>
#include <cstdint>

// True when the data begins, after optional white space, with two HP-GL/2 commands.
bool LooksLikeHpglPlot(const uint8_t* data, size_t size);
