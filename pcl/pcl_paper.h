// Paper sizes by PCL page-size code and by PJL paper name, in page units (1/80 mm), portrait.
#pragma once
#include <cstdint>
#include <cstddef>

struct PclPaper {
    int32_t code;
    const char* pjlName;
    int32_t width, height;
};

// The paper of a PCL page-size code; A4 for a code we do not know.
const PclPaper& PaperByCode(int32_t code);
// The paper a PJL PAPER value names (any letter case); null when we do not know it.
const PclPaper* PaperByName(const char* name, size_t length);
