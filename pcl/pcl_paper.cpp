#include "pcl_paper.h"

#include <cctype>
#include <cstring>

namespace {
const PclPaper kPapers[] = {
    {26, "A4", 16800, 23760},        {1, "EXECUTIVE", 15240, 21335}, {2, "LETTER", 17271, 22351},
    {3, "LEGAL", 17271, 28447},      {6, "LEDGER", 22351, 34543},    {27, "A3", 23760, 33600},
    {25, "A5", 11840, 16800},        {45, "JISB5", 14560, 20640},    {80, "MONARCH", 7873, 15240},
    {81, "COM10", 8382, 19304},      {90, "DL", 8800, 17600},        {91, "C5", 12960, 18320},
    {100, "B5", 14080, 20000},
};
}  // namespace

const PclPaper& PaperByCode(int32_t code) {
    for (const PclPaper& p : kPapers)
        if (p.code == code) return p;
    return kPapers[0];
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
