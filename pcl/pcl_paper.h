// Paper sizes by PCL page-size code and by PJL paper name, in page units (1/80 mm), portrait.
#pragma once
#include <cstdint>
#include <cstddef>

// A4, the page a job gets when it asks for none: 210 x 297 mm.
constexpr int32_t kA4Width = 16800, kA4Length = 23760;

struct PclPaper {
    int32_t code;
    const char* pjlName;
    int32_t width, height;
    bool metric;  // an ISO size: its logical page sits 71 dots in, not a quarter inch
};

// The paper of a PCL page-size code; A4 for a code we do not know.
const PclPaper& PaperByCode(int32_t code);
// The paper of a width (its shorter side); null when no paper has it.
const PclPaper* PaperByWidth(int32_t width);
// The paper a PJL PAPER value names (any letter case); null when we do not know it.
const PclPaper* PaperByName(const char* name, size_t length);
