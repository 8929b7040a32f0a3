#include "pcl_paper.h"

#include <cctype>
#include <cstring>

namespace {
const PclPaper kPapers[] = {
    {26, "A4", kA4Width, kA4Length, true}, {1, "EXECUTIVE", 15240, 21335, false}, {2, "LETTER", 17271, 22351, false},
    {3, "LEGAL", 17271, 28447, false},     {6, "LEDGER", 22351, 34543, false},    {27, "A3", 23760, 33600, true},
    {25, "A5", 11840, 16800, true},        {45, "JISB5", 14560, 20640, true},     {80, "MONARCH", 7873, 15240, false},
    {81, "COM10", 8382, 19304, false},     {90, "DL", 8800, 17600, true},         {91, "C5", 12960, 18320, true},
    {100, "B5", 14080, 20000, true},
};
}  // namespace

const PclPaper& PaperByCode(int32_t code) {
    for (const PclPaper& p : kPapers)
        if (p.code == code) return p;
    return kPapers[0];
}

const PclPaper* PaperByWidth(int32_t width) {
    for (const PclPaper& p : kPapers)
        if (p.width == width) return &p;
    return nullptr;
}

const PclPaper* PaperByName(const char* name, size_t length) {
    for (const PclPaper& p : kPapers) {
        size_t n = std::strlen(p.pjlName);
        if (n != length) continue;
        size_t i = 0;
        while (i < n && std::toupper(static_cast<unsigned char>(name[i])) == p.pjlName[i]) ++i;
        if (i == n) return &p;
    }
    return nullptr;
}
